#include "fileops/FileOpsUi.h"

#include <cstring>

#include "resources/StringTable.h"

void FileOpsUi::ShowFile(const std::string& name, int stringId, MsgIcon icon) {
  ShowText(FileMessage(name, stringId), icon);
}

bool FileOpsUi::AskId(int stringId, MsgIcon icon, AskButtons buttons) {
  return Ask(StringText(stringId), icon, buttons);
}

bool FileOpsUi::AskFile(const std::string& name, int stringId, MsgIcon icon, AskButtons buttons) {
  return Ask(FileMessage(name, stringId), icon, buttons);
}

void FileOpsUi::ShowSystemError(const std::string&, int error) { ShowText(std::strerror(error), MsgIcon::Error); }
