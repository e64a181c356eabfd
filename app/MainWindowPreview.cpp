// The selection preview: a click on a row of either pane shows a JPEG still
// in the picture window (a camera still fetched into the temporary folder
// first), makes an ASF movie the Play button's selection, or clears the
// preview for a folder row.
#include <QApplication>
#include <QFile>

#include "app/ControlTable.h"
#include "app/MainWindow.h"
#include "app/TempFolder.h"
#include "browser/FilePanes.h"
#include "fileops/Transfer.h"
#include "platform/imaging/BitmapWindow.h"
#include "platform/ui/WaitCursor.h"
#include "resources/StringIds.h"

namespace {

// The extension after the last dot, lower case; empty without a dot.
QString FileType(const QString& name) {
  const qsizetype dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

}  // namespace

void MainWindow::StopMovieIfPlaying() {
  if (!moviePlaying) return;
  OnStopMovie();
  moviePlaying = false;
}

void MainWindow::ResetPlayClock() {
  Control(ctl::TIME_LABEL)->hide();
  Timer(TimerId::PlayClock).stop();
}

// Shows a still from `path`; false when it could not be loaded.
bool MainWindow::ShowStill(const QString& path, bool cameraStill) {
  Control(ctl::PICTURE_FRAME)->show();
  if (!cameraStill) Control(ctl::VIDEO_FRAME)->hide();
  // A camera still is the selected image even when it turns out damaged.
  if (cameraStill) selectedImage = path;
  if (pictureWindow_->Load(path, 0, 4, nullptr, nullptr) != 1) {
    pictureWindow_->Release();
    Control(ctl::PICTURE_FRAME)->hide();
    Control(ctl::PLAY)->hide();
    Control(ctl::STOP_PLAY)->hide();
    Repaint();
    ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
    return false;
  }
  if (!cameraStill) selectedImage = path;
  pictureWindow_->SetZoomFactor(2.0f);
  pictureWindow_->SetZoomPercent(100);
  pictureWindow_->SetZoomMode(0, 1);
  Control(ctl::PLAY)->hide();
  Control(ctl::STOP_PLAY)->hide();
  return true;
}

// A drive or folder row: the still is forgotten; a playing movie goes on.
void MainWindow::PreviewFolderRow() {
  selectedImage.clear();
  if (moviePlaying) return;
  pictureWindow_->Release();
  Control(ctl::PICTURE_FRAME)->hide();
  Control(ctl::VIDEO_FRAME)->hide();
  Control(ctl::PLAY)->hide();
  Control(ctl::STOP_PLAY)->hide();
  ForgetSelection();
}

void MainWindow::PreviewCameraRow(int row) {
  if (operationFlag || row < 0 || row >= panes_->cam.View()->Model()->RowCount()) return;
  WaitCursor wait;
  QString name = QString::fromStdString(panes_->cam.FileRowOf(row).name);
  // Camera names are 8.3: a text of 8 characters or fewer is a folder.
  if (name.size() <= 8) {
    PreviewFolderRow();
    return;
  }
  if (moviePlaying) {
    StopMovieIfPlaying();
    ResetPlayClock();
    Control(ctl::VIDEO_FRAME)->hide();
  }
  name = name.toUpper();
  if (name.contains(".ASF")) {
    selectionOnPc = false;
    selectedImage.clear();
    pictureWindow_->Release();
    Control(ctl::PICTURE_FRAME)->hide();
    Control(ctl::VIDEO_FRAME)->hide();
    currentSelection = name;
    movieSelected = true;
    Control(ctl::PLAY)->show();
    Control(ctl::STOP_PLAY)->hide();
    return;
  }
  if (name.contains(".JPG")) FetchCameraStill(name);
}

// The camera still into the temporary folder, then into the picture window,
// with the storage poll stopped meanwhile.
void MainWindow::FetchCameraStill(const QString& name) {
  Timer(TimerId::StoragePoll).stop();
  ForgetSelection();
  // `name` is upper case; the listing may hold the name in lower case.
  const CamEntry* entry = LastCamEntryNamed(camera.files, name.toStdString());
  if (!entry || entry->size == 0) {
    ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
  } else if (!camera.DeviceOpen()) {
    Control(ctl::PLAY)->hide();
    Control(ctl::STOP_PLAY)->hide();
  } else if (auto fetched = FetchToTemp(camera, *this, TempFolderPath(), std::string(entry->displayName),
                                        entry->size, 0)) {
    StopMovieIfPlaying();
    ResetPlayClock();
    ShowStill(QString::fromStdString(fetched->string()), true);
  } else {
    // A short read or a camera error; the fetch has said which.
    Control(ctl::PLAY)->hide();
    Control(ctl::STOP_PLAY)->hide();
  }
  Timer(TimerId::StoragePoll).start(500);
}

void MainWindow::PreviewPcRow(int row) {
  const PcPane& pc = panes_->pc;
  if (operationFlag || row < 0 || row >= pc.View()->Model()->RowCount()) return;
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
  StopMovieIfPlaying();
  ResetPlayClock();
  const QString type = FileType(name);
  if (type == "jpg") {
    if (ShowStill(path, false)) ForgetSelection();
  } else if (type == "asf") {
    selectionOnPc = true;
    selectedImage.clear();
    Control(ctl::PICTURE_FRAME)->hide();
    Control(ctl::VIDEO_FRAME)->hide();
    currentSelection = path;
    movieSelected = true;
    Control(ctl::STOP_PLAY)->hide();
    Control(ctl::PLAY)->show();
  } else {
    for (int id : {ctl::PICTURE_FRAME, ctl::VIDEO_FRAME, ctl::PLAY, ctl::STOP_PLAY}) Control(id)->hide();
    ForgetSelection();
  }
}
