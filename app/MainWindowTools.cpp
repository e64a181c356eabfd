// The sibling programs as the main window starts them: the image viewer for a
// picture, the e-mail sender, the photo editor with the selected image, and
// the help document.
#include <QDir>

#include "app/ControlTable.h"
#include "app/MainWindow.h"
#include "app/TempFolder.h"
#include "browser/OutsideTools.h"
#include "fileops/Transfer.h"
#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"

void MainWindow::OnHelp() {
  if (operationFlag || !tools_) return;
  tools_->OpenHelp();
}

void MainWindow::OnEmail() {
  if (!tools_) return;
  // The pressed picture stands in the button's place while the sender starts.
  Control(ctl::EMAIL)->hide();
  Control(ctl::DECO_1043)->show();
  Repaint();
  tools_->LaunchTool("Postlet.exe", "My Command");
  GetPacing().Wait(500);
  Control(ctl::DECO_1043)->hide();
  Control(ctl::EMAIL)->show();
}

void MainWindow::OnPhotoEditor() {
  if (!tools_) return;
  if (selectedImage.isEmpty()) {
    ShowMessage(ids::SELECT_JPG_FILE, MsgIcon::Information);
    Repaint();
    return;
  }
  const QString temp = QString::fromStdString(TempFolderPath().string());
  QString image = selectedImage;
  // A camera still lives in the temporary folder, which goes at exit: the
  // editor gets a copy that stays, under the still's 8.3 name.
  if (!temp.isEmpty() && selectedImage.toLower().contains(temp.toLower())) {
    image = OutsideTools::HandOver(selectedImage, selectedImage.right(12));
    if (image.isEmpty()) return ShowMessage(ids::CANNOT_OPEN_FILE, MsgIcon::Error);
  }
  // One argument: the path is passed whole, so it needs no quotes here.
  tools_->LaunchTool("Vuv40.exe", image);
}

void MainWindow::ViewPcPicture(const QString& path) {
  if (tools_) tools_->LaunchTool("Pictor.exe", path);
}

void MainWindow::ViewCameraPicture(const QString& name) {
  if (!tools_ || !camera.DeviceOpen()) return;
  const CamEntry* entry = LastCamEntryNamed(camera.files, name.toStdString());
  if (!entry || entry->size == 0) return ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
  Timer(TimerId::StoragePoll).stop();
  // Copied: a camera error met on the way drops the camera's lists.
  const std::string listed = entry->displayName;
  auto fetched = FetchToTemp(camera, *this, TempFolderPath(), listed, entry->size, 0);
  Timer(TimerId::StoragePoll).start(500);
  if (!fetched) return;
  const QString copy = OutsideTools::HandOver(QString::fromStdString(fetched->string()), name);
  if (copy.isEmpty()) return ShowMessage(ids::CANNOT_OPEN_FILE, MsgIcon::Error);
  tools_->LaunchTool("Pictor.exe", copy);
}
