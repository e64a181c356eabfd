#include "app/GuiThreadUi.h"

#include "platform/ui/GuiThread.h"

void GuiThreadUi::ShowText(const std::string& t, MsgIcon i) { OnGuiThread([&] { window_.ShowText(t, i); }); }
void GuiThreadUi::ShowMessage(int id, MsgIcon i) { OnGuiThread([&] { window_.ShowMessage(id, i); }); }
void GuiThreadUi::FillCamPane() { OnGuiThread([&] { window_.FillCamPane(); }); }
void GuiThreadUi::ShowCameraButtons(bool s) { OnGuiThread([&] { window_.ShowCameraButtons(s); }); }
void GuiThreadUi::EnableCameraPane(bool e) { OnGuiThread([&] { window_.EnableCameraPane(e); }); }
void GuiThreadUi::ShowFormatButton(bool s) { OnGuiThread([&] { window_.ShowFormatButton(s); }); }
void GuiThreadUi::Repaint() { OnGuiThread([&] { window_.Repaint(); }); }
void GuiThreadUi::CloseBusyDialog() { OnGuiThread([&] { window_.CloseBusyDialog(); }); }
void GuiThreadUi::StepProgress() { OnGuiThread([&] { window_.StepProgress(); }); }
void GuiThreadUi::StopStoragePoll() { OnGuiThread([&] { window_.StopStoragePoll(); }); }
void GuiThreadUi::StartStoragePoll(int ms) { OnGuiThread([&] { window_.StartStoragePoll(ms); }); }

bool GuiThreadUi::Ask(const std::string& t, MsgIcon i, AskButtons b) {
  return OnGuiThread([&] { return window_.Ask(t, i, b); });
}
std::optional<std::string> GuiThreadUi::AskFileNumber(const std::string& n) {
  return OnGuiThread([&] { return window_.AskFileNumber(n); });
}
std::optional<std::string> GuiThreadUi::AskFolderNumber(const std::string& s) {
  return OnGuiThread([&] { return window_.AskFolderNumber(s); });
}
std::optional<std::string> GuiThreadUi::AskPcName(int m, const std::string& f, const std::string& i) {
  return OnGuiThread([&] { return window_.AskPcName(m, f, i); });
}
void GuiThreadUi::EnablePcPane(bool e) { OnGuiThread([&] { window_.EnablePcPane(e); }); }
void GuiThreadUi::RefreshPcPane() { OnGuiThread([&] { window_.RefreshPcPane(); }); }
void GuiThreadUi::ClearPreviewPicture() { OnGuiThread([&] { window_.ClearPreviewPicture(); }); }
void GuiThreadUi::ClearPreviewRest() { OnGuiThread([&] { window_.ClearPreviewRest(); }); }
void GuiThreadUi::ForgetSelection() { OnGuiThread([&] { window_.ForgetSelection(); }); }
void GuiThreadUi::SelectionRenamed(const std::string& n) { OnGuiThread([&] { window_.SelectionRenamed(n); }); }
