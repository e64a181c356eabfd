// orin-cam's file commands over the same file-operation code as the window:
// get, put, rm, mkdir, rename and format. The flags answer the questions the
// window would ask.
#pragma once
#include <string>
#include <vector>

#include "fileops/FileOpsUi.h"

struct CliContext;

int RunGet(CliContext& cx, const std::vector<std::string>& args);
int RunPut(CliContext& cx, const std::vector<std::string>& args);
int RunRm(CliContext& cx, const std::vector<std::string>& args);
int RunMkdir(CliContext& cx, const std::vector<std::string>& args);
int RunRename(CliContext& cx, const std::vector<std::string>& args);
int RunFormat(CliContext& cx, const std::vector<std::string>& args);

// The window's questions answered by the command line; messages on stderr.
class TerminalFileOpsUi final : public FileOpsUi {
 public:
  enum class Existing { Ask, Replace, Skip };
  Existing existing = Existing::Ask;
  bool yes = false;                 // the command itself is the Yes
  std::optional<std::string> name;  // the one name a naming dialog gives

  void ShowText(const std::string& text, MsgIcon) override;
  void ShowSystemError(const std::string& path, int error) override;
  bool Ask(const std::string& text, MsgIcon, AskButtons buttons) override;
  std::optional<std::string> AskFileNumber(const std::string&) override { return TakeName(); }
  // The window's folder dialog takes only the number: the suffix is the
  // folder's own (QXCAM below DCIM, QXMSC below QXMOV).
  std::optional<std::string> AskFolderNumber(const std::string& suffix) override;
  std::optional<std::string> AskPcName(int, const std::string&, const std::string&) override { return std::nullopt; }

 private:
  std::optional<std::string> TakeName();
};
