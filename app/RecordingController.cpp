#include "app/RecordingController.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <cstring>

#include "app/CameraModeController.h"
#include "app/ControlTable.h"
#include "app/RecordingCopy.h"
#include "app/RecordingTimeDialog.h"
#include "app/Settings.h"
#include "app/TempFolder.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "camera/CameraConnection.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "skin/CSkinLabel.h"
#include "video/LeftRecording.h"

RecordingController::RecordingController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers,
                                         AppSettings& settings, CameraModeController& cameraMode)
    : camera_(camera), shell_(shell), timers_(timers), settings_(settings), cameraMode_(cameraMode) {}

QString RecordingController::TempRecordingPath() {
  return QString::fromStdString((TempFolderPath() / "Temp.ASF").string());
}

// ---------------------------------------------------------------- the recording time

void RecordingController::OnRecordingTime() {
  auto* minutes = shell_.ControlAs<CSkinLabel>(ctl::RECORD_MINUTES);
  auto* seconds = shell_.ControlAs<CSkinLabel>(ctl::RECORD_SECONDS);
  minutes->hide();
  seconds->hide();
  for (;;) {
    RecordingTimeDialog dialog(minutes->text(), seconds->text(), &shell_.Window());
    if (dialog.exec() != QDialog::Accepted) break;
    const int total = dialog.Minutes() * 60 + dialog.Seconds();
    if (total >= kMinTimeToRecord && total <= kMaxTimeToRecord) {
      settings_.timeToRecord = total;
      shell_.ShowRecordingTime(total);
      break;
    }
    ShowMessageBox(&shell_.Window(), resources::String(ids::RECORDING_TIME_RANGE), MsgIcon::Error);
    shell_.Repaint();
  }
  minutes->show();
  seconds->show();
}

// ---------------------------------------------------------------- record and stop

void RecordingController::ShowRecordingControls(bool recording) {
  shell_.Control(ctl::RECORD)->setVisible(!recording);
  shell_.Control(ctl::STOP_RECORD)->setVisible(recording);
  shell_.Control(ctl::TO_STORAGE_MODE)->setVisible(!recording);
  shell_.Control(ctl::RECORD_MODE_BOX)->setEnabled(!recording);
  shell_.Control(ctl::CAPTURE)->setVisible(!recording);
  shell_.Control(ctl::RECORD_TIME)->setVisible(!recording);
}

void RecordingController::OnStartRecording() {
  WaitCursor wait;
  mode_ = shell_.ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->currentIndex();
  remaining_ = settings_.timeToRecord;
  if (!camera_.DeviceOpen()) return;
  ShowRecordingControls(true);
  if ((mode_ != 0 && mode_ != 1) || active_) return;
  // Without a running preview nothing records: the clock runs all the same,
  // and the stop tells the user that nothing was recorded.
  StreamWorker* worker = cameraMode_.Worker();
  fileMade_ = worker && worker->PreviewRunning();
  if (fileMade_ && !worker->StartRecording()) {
    fileMade_ = false;
    ShowMessageBox(&shell_.Window(), TempRecordingPath() + "\n\n" + resources::String(ids::FAILED_TO_WRITE_FILE),
                   MsgIcon::Error);
    ShowRecordingControls(false);
    return;
  }
  active_ = true;
  elapsed_ = 0;
  timers_(timers_.RecordingClock(mode_)).start();
}

bool RecordingController::Stop() {
  if (!active_) return false;
  WaitCursor wait;
  active_ = false;
  timers_(TimerId::TimedRecordingClock).stop();
  timers_(TimerId::ToggleRecordingClock).stop();
  if (StreamWorker* worker = cameraMode_.Worker()) worker->StopRecording();
  return true;
}

void RecordingController::OnStopRecording() {
  if (!camera_.DeviceOpen() || !active_) return;
  if (mode_ == 0) {
    const MsgAnswer answer = ShowMessageBox(&shell_.Window(), resources::String(ids::STOP_RECORDING_QUESTION),
                                            MsgIcon::Exclamation, MsgButtons::YesNo);
    // The clock may have run out, or the camera gone, while the question was
    // open: that recording has been offered already.
    if (answer == MsgAnswer::No || !active_) return;
    shell_.Repaint();
  }
  Stop();
  SaveRecording();
}

// ---------------------------------------------------------------- the clocks

void RecordingController::ShowClock(int seconds) {
  auto* label = shell_.ControlAs<CSkinLabel>(ctl::TIME_LABEL);
  label->hide();
  label->SetText(QString::asprintf("%.2d : %.2d", seconds / 60, seconds % 60));
  label->show();
}

// A time of T seconds shows T at the first tick and "00 : 00" at tick T + 1, which ends it.
void RecordingController::OnTimedTick() {
  if (!active_) return;
  --remaining_;
  ShowClock(remaining_ + 1);
  shell_.Repaint();
  if (remaining_ < 0) {
    Stop();
    SaveRecording();
  }
}

void RecordingController::OnToggleTick() {
  if (!active_) return;
  ShowClock(elapsed_);
  ++elapsed_;
}

// ---------------------------------------------------------------- the save step

bool RecordingController::HasRecording() const { return fileMade_ && QFileInfo(TempRecordingPath()).size() > 0; }

void RecordingController::SaveRecording() {
  if (HasRecording())
    SaveTempRecording();
  else
    ShowMessageBox(&shell_.Window(), resources::String(ids::NOTHING_RECORDED), MsgIcon::Information);
  RestoreControls();
}

void RecordingController::RestoreControls() {
  ShowRecordingControls(false);
  elapsed_ = 0;
  auto* label = shell_.ControlAs<CSkinLabel>(ctl::TIME_LABEL);
  label->SetText("00 : 00");
  label->hide();
  shell_.Repaint();
}

QString RecordingController::AskSavePath() {
  QFileDialog dialog(&shell_.Window(), resources::String(ids::SAVE_FILE_TITLE));
  dialog.setObjectName("SaveFileDialog");
  // Qt's own dialog on every desktop: it appends the default suffix before it
  // asks whether to replace a file, which not every desktop's dialog does.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(resources::String(ids::ASF_FILES_FILTER));
  dialog.setDefaultSuffix("asf");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

// A copy that fails keeps "Temp.ASF" as it is, says why, and asks for another
// place: a recording the user wants to keep never vanishes silently.
void RecordingController::SaveTempRecording() {
  for (;;) {
    const QString target = AskSavePath();
    shell_.Repaint();
    if (target.isEmpty()) return;
    QString reason;
    {
      WaitCursor wait;
      reason = CopyRecording(TempRecordingPath(), target);
    }
    if (reason.isEmpty()) return;
    ShowMessageBox(&shell_.Window(), target + "\n\n" + reason, MsgIcon::Error);
  }
}

// ---------------------------------------------------------------- the other ways out

void RecordingController::OnWriteFailed(int error) {
  if (!Stop()) return;  // a recording already ended by another way has been offered
  ShowMessageBox(&shell_.Window(),
                 resources::String(ids::RECORDING_WRITE_FAILED) + "\n\n" + QString::fromLocal8Bit(std::strerror(error)),
                 MsgIcon::Error);
  // A disk full from the first block on left nothing to offer, which the
  // message above has said already.
  if (HasRecording())
    SaveRecording();
  else
    RestoreControls();
}

void RecordingController::StopAtLogOnEnd() {
  if (!Stop()) return;
  keptForEnd_ = true;
  ShowRecordingControls(false);
  shell_.Control(ctl::TIME_LABEL)->hide();
}

void RecordingController::EndAtWindowEnd() {
  const bool ended = Stop() || keptForEnd_;
  keptForEnd_ = false;
  if (!ended || !HasRecording()) return;
  if (ShowMessageBox(&shell_.Window(), resources::String(ids::SAVE_FILE_QUESTION), MsgIcon::Question,
                     MsgButtons::YesNo) == MsgAnswer::Yes)
    SaveTempRecording();
}

void RecordingController::OfferLeftRecording() {
  const QString path = TempRecordingPath();
  if (!QFileInfo::exists(path) || !CompleteLeftRecording(path.toStdString())) return;
  if (ShowMessageBox(&shell_.Window(), resources::String(ids::LEFT_RECORDING_QUESTION), MsgIcon::Question,
                     MsgButtons::YesNo) == MsgAnswer::Yes)
    SaveTempRecording();
}
