#include "app/PreviewController.h"

#include <QFile>

#include "app/CameraModeController.h"
#include "app/ControlTable.h"
#include "app/TempFolder.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "browser/FilePanes.h"
#include "browser/OutsideTools.h"
#include "camera/CameraConnection.h"
#include "fileops/Transfer.h"
#include "platform/imaging/BitmapWindow.h"
#include "platform/ui/Pacing.h"
#include "platform/ui/WaitCursor.h"
#include "resources/StringIds.h"

namespace {

// The extension after the last dot, lower case; empty without a dot.
QString FileType(const QString& name) {
  const qsizetype dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

}  // namespace

PreviewController::PreviewController(CameraConnection& camera, WindowShell& shell, FilePanes& panes,
                                     WindowTimers& timers, CameraModeController& cameraMode, FileOpsUi& ui)
    : camera_(camera), shell_(shell), panes_(panes), timers_(timers), cameraMode_(cameraMode), ui_(ui) {}

PreviewController::~PreviewController() = default;

void PreviewController::CreatePictureWindow() {
  pictureWindow_ = new BitmapWindow(shell_.Control(ctl::PICTURE_FRAME), 901);
  pictureWindow_->SetZoomMode(0, 0);
  shell_.ShowPictureFrame(false);
}

void PreviewController::SetProgramFolder(const QString& programFolder) {
  tools_ = std::make_unique<OutsideTools>(programFolder);
  tools_->showError = [this](int id) { ui_.ShowMessage(id, MsgIcon::Error); };
}

void PreviewController::ForgetSelection() { cameraMode_.ForgetSelection(); }

// ---------------------------------------------------------------- the preview of a click

// Shows a still from `path`; false when it could not be loaded.
bool PreviewController::ShowStill(const QString& path, bool cameraStill) {
  shell_.ShowPictureFrame(true);
  if (!cameraStill) shell_.ShowVideoFrame(false);
  // A camera still is the selected image even when it turns out damaged.
  if (cameraStill) selectedImage_ = path;
  if (pictureWindow_->Load(path, 0, 4, nullptr, nullptr) != 1) {
    pictureWindow_->Release();
    shell_.ShowPictureFrame(false);
    shell_.HidePlayButtons();
    shell_.Repaint();
    ui_.ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
    return false;
  }
  if (!cameraStill) selectedImage_ = path;
  pictureWindow_->SetZoomFactor(2.0f);
  pictureWindow_->SetZoomPercent(100);
  pictureWindow_->SetZoomMode(0, 1);
  shell_.HidePlayButtons();
  return true;
}

// A drive or folder row: the still is forgotten; a playing movie goes on.
void PreviewController::PreviewFolderRow() {
  selectedImage_.clear();
  if (cameraMode_.MoviePlaying()) return;
  pictureWindow_->Release();
  shell_.ShowPictureFrame(false);
  shell_.ShowVideoFrame(false);
  shell_.HidePlayButtons();
  ForgetSelection();
}

void PreviewController::PreviewCameraRow(int row) {
  if (row < 0 || row >= panes_.cam.View()->Model()->RowCount()) return;
  WaitCursor wait;
  QString name = QString::fromStdString(panes_.cam.FileRowOf(row).name);
  // Camera names are 8.3: a text of 8 characters or fewer is a folder.
  if (name.size() <= 8) {
    PreviewFolderRow();
    return;
  }
  if (cameraMode_.MoviePlaying()) {
    cameraMode_.StopMovieIfPlaying();
    cameraMode_.ResetPlayClock();
    shell_.ShowVideoFrame(false);
  }
  name = name.toUpper();
  if (name.contains(".ASF")) {
    selectedImage_.clear();
    pictureWindow_->Release();
    shell_.ShowPictureFrame(false);
    shell_.ShowVideoFrame(false);
    cameraMode_.SelectMovie(name, false);
    shell_.Control(ctl::PLAY)->show();
    shell_.Control(ctl::STOP_PLAY)->hide();
    return;
  }
  if (name.contains(".JPG")) FetchCameraStill(name);
}

// The camera still into the temporary folder, then into the picture window,
// with the storage poll stopped meanwhile.
void PreviewController::FetchCameraStill(const QString& name) {
  timers_(TimerId::StoragePoll).stop();
  ForgetSelection();
  // `name` is upper case; the listing may hold the name in lower case.
  const CamEntry* entry = LastCamEntryNamed(camera_.files, name.toStdString());
  if (!entry || entry->size == 0) {
    ui_.ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
  } else if (!camera_.DeviceOpen()) {
    shell_.HidePlayButtons();
  } else if (auto fetched = FetchToTemp(camera_, ui_, TempFolderPath(), std::string(entry->displayName),
                                        entry->size, 0)) {
    cameraMode_.StopMovieIfPlaying();
    cameraMode_.ResetPlayClock();
    ShowStill(QString::fromStdString(fetched->string()), true);
  } else {
    // A short read or a camera error; the fetch has said which.
    shell_.HidePlayButtons();
  }
  timers_(TimerId::StoragePoll).start(500);
}

void PreviewController::PreviewPcRow(int row) {
  const PcPane& pc = panes_.pc;
  if (row < 0 || row >= pc.View()->Model()->RowCount()) return;
  WaitCursor wait;
  const PcEntry* entry = pc.EntryOf(row);
  if (!entry) return;  // the folder was read again since the row was filled
  if (entry->isFolder) {  // a drive, folder or ".." row
    PreviewFolderRow();
    return;
  }
  const QString name = QFile::decodeName(entry->name.c_str());
  const QString path = QFile::decodeName(entry->path.c_str());
  pictureWindow_->Release();
  cameraMode_.StopMovieIfPlaying();
  cameraMode_.ResetPlayClock();
  const QString type = FileType(name);
  if (type == "jpg") {
    if (ShowStill(path, false)) ForgetSelection();
  } else if (type == "asf") {
    selectedImage_.clear();
    shell_.ShowPictureFrame(false);
    shell_.ShowVideoFrame(false);
    cameraMode_.SelectMovie(path, true);
    shell_.Control(ctl::STOP_PLAY)->hide();
    shell_.Control(ctl::PLAY)->show();
  } else {
    shell_.ShowPictureFrame(false);
    shell_.ShowVideoFrame(false);
    shell_.HidePlayButtons();
    ForgetSelection();
  }
}

void PreviewController::ClearPreviewPicture() {
  selectedImage_.clear();
  if (pictureWindow_) pictureWindow_->Release();
  shell_.ShowPictureFrame(false);
  shell_.ShowVideoFrame(false);
}

void PreviewController::HideStill() {
  if (pictureWindow_) pictureWindow_->Release();
  shell_.ShowPictureFrame(false);
}

void PreviewController::ClearPreviewRest() {
  ForgetSelection();
  cameraMode_.StopMovieIfPlaying();
  cameraMode_.ResetPlayClock();
  shell_.HidePlayButtons();
}

// ---------------------------------------------------------------- the sibling programs

void PreviewController::OnHelp() {
  if (tools_) tools_->OpenHelp();
}

void PreviewController::OnEmail() {
  if (!tools_) return;
  // The pressed picture stands in the button's place while the sender starts.
  shell_.Control(ctl::EMAIL)->hide();
  shell_.Control(ctl::DECO_1043)->show();
  shell_.Repaint();
  tools_->LaunchTool("Postlet.exe", "My Command");
  GetPacing().Wait(500);
  shell_.Control(ctl::DECO_1043)->hide();
  shell_.Control(ctl::EMAIL)->show();
}

void PreviewController::OnPhotoEditor() {
  if (!tools_) return;
  if (selectedImage_.isEmpty()) {
    ui_.ShowMessage(ids::SELECT_JPG_FILE, MsgIcon::Information);
    shell_.Repaint();
    return;
  }
  const QString temp = QString::fromStdString(TempFolderPath().string());
  QString image = selectedImage_;
  // A camera still lives in the temporary folder, which goes at exit: the
  // editor gets a copy that stays, under the still's 8.3 name.
  if (!temp.isEmpty() && selectedImage_.toLower().contains(temp.toLower())) {
    image = OutsideTools::HandOver(selectedImage_, selectedImage_.right(12));
    if (image.isEmpty()) return ui_.ShowMessage(ids::CANNOT_OPEN_FILE, MsgIcon::Error);
  }
  // One argument: the path is passed whole, so it needs no quotes here.
  tools_->LaunchTool("Vuv40.exe", image);
}

void PreviewController::ViewPcPicture(const QString& path) {
  if (tools_) tools_->LaunchTool("Pictor.exe", path);
}

void PreviewController::ViewCameraPicture(const QString& name) {
  if (!tools_ || !camera_.DeviceOpen()) return;
  const CamEntry* entry = LastCamEntryNamed(camera_.files, name.toStdString());
  if (!entry || entry->size == 0) return ui_.ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
  timers_(TimerId::StoragePoll).stop();
  // Copied: a camera error met on the way drops the camera's lists.
  const std::string listed = entry->displayName;
  auto fetched = FetchToTemp(camera_, ui_, TempFolderPath(), listed, entry->size, 0);
  timers_(TimerId::StoragePoll).start(500);
  if (!fetched) return;
  const QString copy = OutsideTools::HandOver(QString::fromStdString(fetched->string()), name);
  if (copy.isEmpty()) return ui_.ShowMessage(ids::CANNOT_OPEN_FILE, MsgIcon::Error);
  tools_->LaunchTool("Pictor.exe", copy);
}
