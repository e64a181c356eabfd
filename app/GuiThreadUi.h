// The window interface from any thread: every call is carried to the GUI
// thread, run there on the window's own implementation, and waited for (so a
// question asked by the transfer thread blocks it until the user answers). On
// the GUI thread a call simply runs. The camera link and the transfer and
// format threads reach the window only through this.
#pragma once
#include "fileops/FileOpsUi.h"

class GuiThreadUi final : public FileOpsUi {
 public:
  explicit GuiThreadUi(FileOpsUi& window) : window_(window) {}

  void ShowText(const std::string& text, MsgIcon icon) override;
  void ShowMessage(int stringId, MsgIcon icon) override;
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
  FileOpsUi& window_;
};
