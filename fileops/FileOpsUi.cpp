#include "fileops/FileOpsUi.h"

#include "resources/StringTable.h"

void FileOpsUi::Show(int stringId, MsgIcon icon) { ShowText(std::string(DefaultString(stringId)), icon); }

void FileOpsUi::ShowFile(const std::string& name, int stringId, MsgIcon icon) {
  ShowText(FileMessage(name, stringId), icon);
}

bool FileOpsUi::AskId(int stringId, MsgIcon icon, AskButtons buttons) {
  return Ask(std::string(DefaultString(stringId)), icon, buttons);
}

bool FileOpsUi::AskFile(const std::string& name, int stringId, MsgIcon icon, AskButtons buttons) {
  return Ask(FileMessage(name, stringId), icon, buttons);
}
