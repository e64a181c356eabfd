#include "cli/TerminalUi.h"

#include <string>

#include "platform/camproto/CameraWire.h"

void TerminalUi::ShowText(const std::string& text, MsgIcon) {
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

void TerminalUi::QuietFailure(int request, uint8_t status) {
  const std::string name(RequestCodeName(request));
  if (name.empty())  // the bare readiness test before a file or a listing
    std::fprintf(out_, "orin-cam: the camera reported status 0x%02X\n", status);
  else
    std::fprintf(out_, "orin-cam: the camera refused %s with status 0x%02X\n", name.c_str(), status);
  std::fflush(out_);
}

bool TerminalUi::KeepWaitingForStick(int waitedMs) {
  if (waitedMs < examineTimeoutS_ * 1000) return true;
  std::fprintf(out_, "orin-cam: the camera is still examining its Memory Stick after %d s: given up (--timeout)\n",
               examineTimeoutS_);
  std::fflush(out_);
  return false;
}
