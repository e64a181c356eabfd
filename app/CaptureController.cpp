#include "app/CaptureController.h"

#include "app/CameraModeController.h"
#include "app/ControlTable.h"
#include "app/ProgramFolder.h"
#include "app/TempFolder.h"
#include "app/WindowShell.h"
#include "camera/CameraConnection.h"
#include "platform/ui/WaitCursor.h"
#include "resources/StringIds.h"

CaptureController::CaptureController(CameraConnection& camera, WindowShell& shell, CameraUi& ui,
                                     CameraModeController& cameraMode)
    : camera_(camera), shell_(shell), ui_(ui), cameraMode_(cameraMode), capturer_(ProgramFolder().toStdString()) {}

void CaptureController::OnCaptureStill() {
  shell_.Control(ctl::CAPTURE)->hide();
  shell_.Control(ctl::DECO_1041)->show();
  shell_.Repaint();
  WaitCursor wait;
  for (int id : {ctl::RECORD_MINUTES, ctl::RECORD_SECONDS, ctl::PC_PATH_LABEL}) shell_.Control(id)->show();
  if (camera_.DeviceOpen()) {
    shell_.ShowVideoFrame(false);
    StreamWorker* worker = cameraMode_.Worker();
    // In time, and a picture came: a capture that gave nothing (never ready,
    // cut short, not convertible) leaves "Temp.JPG" empty, and an empty copy
    // would be numbered and opened as if it were a picture.
    std::optional<std::string> still;
    if (worker && worker->CaptureStill()) still = CopyToNumberedStill(TempFolderPath().string());
    if (still) {
      if (viewStill) viewStill(QString::fromStdString(*still));
    } else {
      ui_.ShowMessage(ids::FAILED_TO_CAPTURE, MsgIcon::Error);
      shell_.Repaint();
    }
  }
  shell_.Control(ctl::DECO_1041)->hide();
  shell_.Control(ctl::CAPTURE)->show();
  shell_.ShowVideoFrame(true);
}
