#include "cli/TerminalUi.h"

void TerminalUi::ShowText(const std::string& text, MsgIcon) {
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}
