#include "app/WindowUi.h"

#include <QDialog>

#include "app/CameraModeController.h"
#include "app/FileOpsController.h"
#include "app/PreviewController.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "browser/FilePanes.h"
#include "fileops/NameDialog.h"
#include "platform/ui/MessageBox.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"

WindowUi::WindowUi(WindowShell& shell, FilePanes& panes, WindowTimers& timers, FileOpsController& fileOps,
                   PreviewController& preview, CameraModeController& cameraMode)
    : shell_(shell), panes_(panes), timers_(timers), fileOps_(fileOps), preview_(preview), cameraMode_(cameraMode) {}

// ---------------------------------------------------------------- messages and questions

void WindowUi::ShowText(const std::string& text, MsgIcon icon) {
  ShowMessageBox(&shell_.Window(), QString::fromStdString(text), icon);
}

bool WindowUi::Ask(const std::string& text, MsgIcon icon, AskButtons buttons) {
  const QString question = QString::fromStdString(text);
  if (buttons == AskButtons::OkCancel)
    return ShowMessageBox(&shell_.Window(), question, icon, MsgButtons::OkCancel) == MsgAnswer::Ok;
  return ShowMessageBox(&shell_.Window(), question, icon, MsgButtons::YesNo) == MsgAnswer::Yes;
}

std::optional<std::string> WindowUi::AskFileNumber(const std::string& oldName) {
  NameDialog dialog(NameDialog::FileMode, QString::fromStdString(oldName), &shell_.Window());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result().toStdString();
}

std::optional<std::string> WindowUi::AskFolderNumber(const std::string& suffix) {
  NameDialog dialog(NameDialog::FolderMode, QString::fromStdString(suffix), &shell_.Window());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Result().toStdString();
}

std::optional<std::string> WindowUi::AskPcName(int mode, const std::string& folder, const std::string& initial) {
  const QString label = resources::String(mode == 1 ? ids::LBL_FOLDER_NAME : ids::LBL_FILE_NAME);
  PcNameDialog dialog(mode, QString::fromStdString(folder), label, QString::fromStdString(initial),
                      &shell_.Window());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Name().toStdString();
}

// ---------------------------------------------------------------- widgets, panes, poll, progress

void WindowUi::FillCamPane() { panes_.cam.FillCamPane(); }
void WindowUi::RefreshPcPane() { panes_.pc.Refresh(); }
void WindowUi::ShowCameraButtons(bool shown) { shell_.ShowCameraButtons(shown); }
void WindowUi::EnableCameraPane(bool enabled) { shell_.EnableCameraPane(enabled); }
void WindowUi::ShowFormatButton(bool shown) { shell_.ShowFormatButton(shown); }
void WindowUi::EnablePcPane(bool enabled) { shell_.EnablePcPane(enabled); }
void WindowUi::Repaint() { shell_.Repaint(); }
void WindowUi::CloseBusyDialog() { shell_.CloseBusyDialog(); }
void WindowUi::StepProgress() { fileOps_.StepProgress(); }
void WindowUi::StopStoragePoll() { timers_(TimerId::StoragePoll).stop(); }
void WindowUi::StartStoragePoll(int ms) { timers_(TimerId::StoragePoll).start(ms); }

// ---------------------------------------------------------------- preview and selection

void WindowUi::ClearPreviewPicture() { preview_.ClearPreviewPicture(); }
void WindowUi::ClearPreviewRest() { preview_.ClearPreviewRest(); }
void WindowUi::ForgetSelection() { cameraMode_.ForgetSelection(); }
void WindowUi::SelectionRenamed(const std::string& newName) {
  cameraMode_.SelectionRenamed(QString::fromStdString(newName));
}
