// The window's own side of the one window interface, on the GUI thread: each
// operation is done by the part of the window that owns it (the shell's
// controls and message boxes, the panes, the storage poll's timer, the
// running batch's progress dialog, the preview, the movie selection). Other
// threads reach it only through GuiThreadUi.
#pragma once
#include "fileops/FileOpsUi.h"

class CameraModeController;
class FileOpsController;
class FilePanes;
class PreviewController;
class WindowShell;
class WindowTimers;

class WindowUi final : public FileOpsUi {
 public:
  // Holds the parts by reference; they may be made after this, as long as no
  // call comes before they are.
  WindowUi(WindowShell& shell, FilePanes& panes, WindowTimers& timers, FileOpsController& fileOps,
           PreviewController& preview, CameraModeController& cameraMode);

  void ShowText(const std::string& text, MsgIcon icon) override;
  void FillCamPane() override;
  void ShowCameraButtons(bool shown) override;
  void EnableCameraPane(bool enabled) override;
  void ShowFormatButton(bool shown) override;
  void Repaint() override;
  void CloseBusyDialog() override;
  void StepProgress() override;
  void StopStoragePoll() override;
  void StartStoragePoll(int ms) override;

  bool Ask(const std::string& text, MsgIcon icon, AskButtons buttons) override;
  std::optional<std::string> AskFileNumber(const std::string& oldName) override;
  std::optional<std::string> AskFolderNumber(const std::string& suffix) override;
  std::optional<std::string> AskPcName(int mode, const std::string& folder,
                                       const std::string& initial) override;
  void EnablePcPane(bool enabled) override;
  void RefreshPcPane() override;
  void ClearPreviewPicture() override;
  void ClearPreviewRest() override;
  void ForgetSelection() override;
  void SelectionRenamed(const std::string& newName) override;

 private:
  WindowShell& shell_;
  FilePanes& panes_;
  WindowTimers& timers_;
  FileOpsController& fileOps_;
  PreviewController& preview_;
  CameraModeController& cameraMode_;
};
