// The file operations as the main window offers them: the copies between the
// panes, the camera's delete, rename, new folder and format, the PC-side
// changes, and the window's side of their narrow interface.
#include <QAbstractItemView>
#include <QApplication>
#include <filesystem>

#include "browser/FilePanes.h"

#include "app/ControlTable.h"
#include "app/MainWindow.h"
#include "app/TempFolder.h"
#include "fileops/CameraFileOps.h"
#include "fileops/NameDialog.h"
#include "fileops/PaneDrag.h"
#include "fileops/PcFileOps.h"
#include "platform/imaging/BitmapWindow.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "skin/CSkinLabel.h"

// ---------------------------------------------------------------- panes

// Clicks preview a row; rows dragged from one pane onto the other are copied.
void MainWindow::ConnectPreviewAndDrag() {
  connect(panes_->pc.View(), &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { PreviewPcRow(index.row()); });
  connect(panes_->cam.View(), &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { PreviewCameraRow(index.row()); });
  paneDrag_ = new PaneDrag(this);
  paneDrag_->Watch(panes_->pc.View());
  paneDrag_->Watch(panes_->cam.View());
  paneDrag_->onDrop = [this](QAbstractItemView* source, QWidget* target) { OnPaneDrop(source, target); };
}

void MainWindow::OnPaneDrop(QAbstractItemView* source, QWidget* target) {
  QWidget* pc = Control(ctl::PC_PANE);
  QWidget* cam = Control(ctl::CAM_PANE);
  // The list's header and scroll bars are parts of the pane.
  auto onto = [target](QWidget* pane) { return target && (target == pane || pane->isAncestorOf(target)); };
  // The starters themselves refuse while a batch or a format runs.
  if (source == pc && onto(cam)) OnCopyToCamera();
  else if (source == cam && onto(pc)) OnCopyToPc();
}

// The Delete key in a pane is that pane's delete command.
bool MainWindow::PaneKey(QObject* watched, int key) {
  if (key != Qt::Key_Delete) return false;
  if (watched == Control(ctl::PC_PANE)) {
    if (!operationFlag) OnPcDelete();
    return true;
  }
  if (watched == Control(ctl::CAM_PANE)) {
    if (!operationFlag) OnCamDelete();
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- camera side

void MainWindow::OnCopyToPc() {
  if (operationFlag) return;
  FileOpsContext context{camera, ui_, operationFlag, this};
  DownloadRequest request{panes_->cam.SelectedRows(), settings.currentPath.toStdString()};
  if (auto started = StartDownload(context, request)) transfer_ = std::move(started);
}

void MainWindow::OnFormat() {
  if (operationFlag) return;
  FileOpsContext context{camera, ui_, operationFlag, this};
  if (auto started = StartFormat(context)) transfer_ = std::move(started);
}

void MainWindow::OnCamDelete() {
  if (operationFlag) return;
  WaitCursor wait;
  DeleteOnCamera(camera, *this, panes_->cam.SelectedRows());
}

void MainWindow::OnCamRename() { RenameOnCamera(camera, *this, panes_->cam.SelectedRows()); }

void MainWindow::OnCamAddFolder() {
  if (operationFlag) return;
  AddCameraFolder(camera, *this);
}

// ---------------------------------------------------------------- the window interface: questions, dialogs, PC pane, preview

void MainWindow::ShowText(const std::string& text, MsgIcon icon) {
  ShowMessageBox(this, QString::fromStdString(text), icon);
}

bool MainWindow::Ask(const std::string& text, MsgIcon icon, AskButtons buttons) {
  const QString question = QString::fromStdString(text);
  if (buttons == AskButtons::OkCancel)
    return ShowMessageBox(this, question, icon, MsgButtons::OkCancel) == MsgAnswer::Ok;
  return ShowMessageBox(this, question, icon, MsgButtons::YesNo) == MsgAnswer::Yes;
}

std::optional<std::string> MainWindow::AskFileNumber(const std::string& oldName) {
  NameDialog dialog(NameDialog::FileMode, QString::fromStdString(oldName), this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result().toStdString();
}

std::optional<std::string> MainWindow::AskFolderNumber(const std::string& suffix) {
  NameDialog dialog(NameDialog::FolderMode, QString::fromStdString(suffix), this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result().toStdString();
}

std::optional<std::string> MainWindow::AskPcName(int mode, const std::string& folder,
                                                 const std::string& initial) {
  const QString label = resources::String(mode == 1 ? ids::LBL_FOLDER_NAME : ids::LBL_FILE_NAME);
  PcNameDialog dialog(mode, QString::fromStdString(folder), label, QString::fromStdString(initial), this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Name().toStdString();
}

void MainWindow::EnablePcPane(bool enabled) { Control(ctl::PC_PANE)->setEnabled(enabled); }

void MainWindow::ClearPreviewPicture() {
  selectedImage.clear();
  if (pictureWindow_) pictureWindow_->Release();
  Control(ctl::PICTURE_FRAME)->hide();
  Control(ctl::VIDEO_FRAME)->hide();
}

void MainWindow::ClearPreviewRest() {
  ForgetSelection();
  StopMovieIfPlaying();
  ResetPlayClock();
  Control(ctl::PLAY)->hide();
  Control(ctl::STOP_PLAY)->hide();
}

void MainWindow::ForgetSelection() {
  currentSelection.clear();
  movieSelected = false;
}

void MainWindow::SelectionRenamed(const std::string& newName) {
  currentSelection = QString::fromStdString(newName);
}

// ---------------------------------------------------------------- PC side

namespace {

// A selected PC entry as the file operations take it.
PcFileRow PcRow(const PcEntry& entry) {
  PcFileRow r{entry.name, entry.isFolder, entry.isDrive, {}};
  // The pane keeps 32 bits of a size; the copy needs the whole of it.
  std::error_code ec;
  if (!r.isFolder) {
    const auto bytes = std::filesystem::file_size(entry.path, ec);
    r.size = ec ? uint64_t{entry.size} : static_cast<uint64_t>(bytes);
  }
  return r;
}

}  // namespace

PcSelection MainWindow::PcPaneSelection() const {
  const PcPane& pc = panes_->pc;
  PcSelection selection;
  selection.folder = pc.CurrentPath().toStdString();
  for (const PcEntry& entry : pc.SelectedEntries()) selection.rows.push_back(PcRow(entry));
  return selection;
}

void MainWindow::OnCopyToCamera() {
  if (operationFlag) return;
  FileOpsContext context{camera, ui_, operationFlag, this};
  PcSelection selection = PcPaneSelection();
  UploadRequest request{std::move(selection.rows), selection.folder};
  if (auto started = StartUpload(context, request)) transfer_ = std::move(started);
}

void MainWindow::OnPcAddFolder() {
  if (operationFlag) return;
  AddPcFolder(*this, panes_->pc.CurrentPath().toStdString());
}

void MainWindow::OnPcDelete() {
  if (operationFlag) return;
  WaitCursor wait;
  DeleteOnPc(*this, PcPaneSelection());
}

void MainWindow::OnPcRename() { RenameOnPc(*this, PcPaneSelection()); }

void MainWindow::RefreshPcPane() { panes_->pc.Refresh(); }
