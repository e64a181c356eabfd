#include "app/FileOpsController.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDialog>
#include <filesystem>

#include "app/ControlTable.h"
#include "app/Settings.h"
#include "app/WindowShell.h"
#include "browser/FilePanes.h"
#include "camera/CameraConnection.h"
#include "fileops/CameraFileOps.h"
#include "fileops/FileOpsLog.h"
#include "fileops/PaneDrag.h"
#include "fileops/PcFileOps.h"
#include "platform/ui/WaitCursor.h"

FileOpsController::FileOpsController(CameraConnection& camera, FileOpsUi& ui, FilePanes& panes,
                                     WindowShell& shell, const AppSettings& settings)
    : camera_(camera), ui_(ui), panes_(panes), shell_(shell), settings_(settings) {
  paneDrag_ = new PaneDrag(&shell_.Window());
  paneDrag_->Watch(panes_.pc.View());
  paneDrag_->Watch(panes_.cam.View());
  QObject::connect(paneDrag_, &PaneDrag::dropped, paneDrag_,
                   [this](QAbstractItemView* source, QWidget* target) { OnPaneDrop(source, target); });
}

FileOpsController::~FileOpsController() = default;

FileOpsContext FileOpsController::Context() { return {camera_, ui_, operationFlag_, &shell_.Window()}; }

// ---------------------------------------------------------------- the panes

void FileOpsController::OnPaneDrop(QAbstractItemView* source, QWidget* target) {
  QWidget* pc = shell_.Control(ctl::PC_PANE);
  QWidget* cam = shell_.Control(ctl::CAM_PANE);
  // The list's header and scroll bars are parts of the pane.
  auto onto = [target](QWidget* pane) { return target && (target == pane || pane->isAncestorOf(target)); };
  // The starters themselves refuse while a batch or a format runs.
  if (source == pc && onto(cam)) OnCopyToCamera();
  else if (source == cam && onto(pc)) OnCopyToPc();
}

bool FileOpsController::PaneKey(QObject* watched, int key) {
  if (key != Qt::Key_Delete) return false;
  if (watched == shell_.Control(ctl::PC_PANE)) {
    if (!operationFlag_) OnPcDelete();
    return true;
  }
  if (watched == shell_.Control(ctl::CAM_PANE)) {
    if (!operationFlag_) OnCamDelete();
    return true;
  }
  return false;
}

void FileOpsController::StepProgress() {
  if (transfer_ && transfer_->Dialog()) transfer_->Dialog()->Step();
}

void FileOpsController::EndTransfer() {
  if (transfer_ && !transfer_->Finished()) {
    if (ProgressDialog* dialog = transfer_->Dialog()) dialog->CancelButton()->click();
  }
  transfer_.reset();
}

// ---------------------------------------------------------------- camera side

void FileOpsController::OnCopyToPc() {
  if (operationFlag_) return;
  DownloadRequest request{panes_.cam.SelectedRows(), settings_.currentPath.toStdString()};
  if (auto started = StartDownload(Context(), request)) transfer_ = std::move(started);
}

void FileOpsController::OnFormat() {
  if (operationFlag_) return;
  if (auto started = StartFormat(Context())) transfer_ = std::move(started);
}

void FileOpsController::OnCamDelete() {
  if (operationFlag_) return;
  WaitCursor wait;
  const BatchOutcome outcome = DeleteOnCamera(camera_, ui_, panes_.cam.SelectedRows());
  qCDebug(lcFileOps).noquote() << "camera delete:" << Describe(outcome);
}

void FileOpsController::OnCamRename() {
  const int renamed = RenameOnCamera(camera_, ui_, panes_.cam.SelectedRows());
  qCDebug(lcFileOps) << "camera rename:" << (renamed ? "renamed" : "not renamed");
}

void FileOpsController::OnCamAddFolder() {
  if (operationFlag_) return;
  const int made = AddCameraFolder(camera_, ui_);
  qCDebug(lcFileOps) << "camera new folder:" << (made ? "made" : "not made");
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

PcSelection FileOpsController::PcPaneSelection() const {
  const PcPane& pc = panes_.pc;
  PcSelection selection;
  selection.folder = pc.CurrentPath().toStdString();
  for (const PcEntry& entry : pc.SelectedEntries()) selection.rows.push_back(PcRow(entry));
  return selection;
}

void FileOpsController::OnCopyToCamera() {
  if (operationFlag_) return;
  PcSelection selection = PcPaneSelection();
  UploadRequest request{std::move(selection.rows), selection.folder};
  if (auto started = StartUpload(Context(), request)) transfer_ = std::move(started);
}

void FileOpsController::OnPcAddFolder() {
  if (operationFlag_) return;
  qCDebug(lcFileOps).noquote() << "PC new folder in" << panes_.pc.CurrentPath();
  AddPcFolder(ui_, panes_.pc.CurrentPath().toStdString());
}

void FileOpsController::OnPcDelete() {
  if (operationFlag_) return;
  WaitCursor wait;
  const PcSelection selection = PcPaneSelection();
  qCDebug(lcFileOps).noquote() << "PC delete of" << selection.rows.size() << "rows in"
                               << QString::fromStdString(selection.folder.string());
  DeleteOnPc(ui_, selection);
}

void FileOpsController::OnPcRename() {
  const PcSelection selection = PcPaneSelection();
  qCDebug(lcFileOps).noquote() << "PC rename in" << QString::fromStdString(selection.folder.string());
  RenameOnPc(ui_, selection);
}
