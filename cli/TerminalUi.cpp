#include "cli/TerminalUi.h"

#include <string_view>

#include "resources/StringTable.h"

void TerminalUi::ShowMessage(int stringId, MsgIcon) {
  shown_.push_back(stringId);
  std::string_view text = DefaultString(stringId);
  std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(out_);
}
