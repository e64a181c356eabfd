#include "cli/FileCommands.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "cli/Args.h"
#include "cli/CamSession.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/TerminalUi.h"
#include "fileops/CameraFileOps.h"
#include "fileops/Transfer.h"
#include "resources/StringIds.h"

namespace fs = std::filesystem;

using Existing = TerminalFileOpsUi::Existing;

void TerminalFileOpsUi::ShowText(const std::string& text, MsgIcon) { std::fprintf(stderr, "%s\n", text.c_str()); }

void TerminalFileOpsUi::ShowSystemError(const std::string& path, int error) {
  std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(error));
}

bool TerminalFileOpsUi::Ask(const std::string& text, MsgIcon, AskButtons buttons) {
  if (buttons == AskButtons::OkCancel) {  // the replace question
    if (existing == Existing::Replace) return true;
    if (existing == Existing::Ask) std::fprintf(stderr, "%s\n(not replaced: give --replace or --skip)\n", text.c_str());
    return false;
  }
  if (!yes) std::fprintf(stderr, "%s\n(not done: give --yes)\n", text.c_str());
  return yes;
}

std::optional<std::string> TerminalFileOpsUi::TakeName() {
  auto n = name;
  name.reset();  // a refused name is not offered again: the command ends
  return n;
}

std::optional<std::string> TerminalFileOpsUi::AskFolderNumber(const std::string& suffix) {
  auto n = TakeName();
  if (!n) return n;
  const bool numberAndSuffix = n->size() == 3 + suffix.size() && n->compare(3, std::string::npos, suffix) == 0 &&
                               n->find_first_not_of("0123456789") >= 3;
  if (numberAndSuffix) return n;
  ShowFile(*n, ids::NAME_FORMAT, MsgIcon::Exclamation);
  std::fprintf(stderr, "(a folder here is named NNN%s, NNN from 100 to 999)\n", suffix.c_str());
  return std::nullopt;
}

namespace {

// Progress on stderr when it is a terminal.
class TerminalProgress final : public ProgressSink {
 public:
  TerminalProgress() : tty_(::isatty(2)) {}
  void SetFileText(const std::string& name, bool copying) override {
    if (tty_) std::fprintf(stderr, "%s %s\n", copying ? name.c_str() : "", copying ? "Copying..." : "Formatting...");
  }
  void SetRange(int n) override { range_ = n, pos_ = 0; }
  void Step() override {
    ++pos_;
    if (tty_ && range_ > 0) std::fprintf(stderr, "\r%3d%%", std::min(100, pos_ * 100 / (range_ + 1)));
  }
  void SetMessage(const std::string& text) override {
    if (tty_) std::fprintf(stderr, "%s\n", text.c_str());
  }
  bool CancelRequested() override { return false; }
  void Activate() override {}
  void Close() override {
    if (tty_ && pos_) std::fprintf(stderr, "\n");
  }

 private:
  bool tty_;
  int range_ = 0, pos_ = 0;
};

// Splits "DCIM/100QXCAM/DCAM0001.JPG" into the folder and the name.
std::pair<std::string, std::string> SplitCameraPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

bool GoFromRoot(CamSession& session, const std::string& folder) {
  CameraLink& link = session.Link();
  if (link.camPath != "\\" && (!link.ChangeCamFolder("\\") || !link.ListCamFolder())) return false;
  return session.GoTo(folder);
}

// The listed row named `name`; the storage row on top is no name on the stick.
std::optional<CamFileRow> RowOf(const CameraLink& link, const std::string& name) {
  const std::vector<CamFileRow> rows = link.PaneRows();
  for (size_t i = 1; i < rows.size(); ++i)
    if (rows[i].name == name) return rows[i];
  return std::nullopt;
}

// --to with --replace or --skip: the flags of get and put.
struct CopyFlags {
  Args args;
  Existing existing = Existing::Ask;
};
std::optional<CopyFlags> ParseCopyFlags(const std::vector<std::string>& words) {
  CopyFlags f{ParseArgs(words, {"--replace", "--skip"}, {"--to"})};
  if (!f.args.error.empty()) {
    UsageError(f.args.error);
    return std::nullopt;
  }
  if (f.args.Has("--replace") && f.args.Has("--skip")) {
    UsageError("--replace and --skip exclude each other");
    return std::nullopt;
  }
  if (!f.args.Value("--to") || f.args.operands.empty()) return std::nullopt;
  f.existing = f.args.Has("--replace") ? Existing::Replace : f.args.Has("--skip") ? Existing::Skip : Existing::Ask;
  return f;
}

// A PC file that can go to the camera: a regular file (a folder is left to
// the upload, which refuses it as the window does). Says why not.
bool UploadablePcFile(TerminalFileOpsUi& ui, const fs::path& file) {
  std::error_code ec;
  const fs::file_status st = fs::status(file, ec);
  if (ec || st.type() == fs::file_type::not_found) {
    ui.ShowSystemError(file.string(), ec && ec.value() != ENOENT ? ec.value() : ENOENT);
    return false;
  }
  if (st.type() != fs::file_type::regular && st.type() != fs::file_type::directory) {
    std::fprintf(stderr, "%s: not a regular file\n", file.c_str());
    return false;
  }
  return true;
}

}  // namespace

int RunGet(CliContext& cx, const std::vector<std::string>& words) {
  auto f = ParseCopyFlags(words);
  if (!f) return kExitUsage;
  TerminalFileOpsUi ui;
  ui.existing = f->existing;
  TerminalProgress progress;
  CamSession session(cx.driver, cx.ui);
  if (!session.Open()) return session.Exit(false);
  bool all = true;
  for (const std::string& item : f->args.operands) {
    auto [folder, name] = SplitCameraPath(item);
    if (!GoFromRoot(session, folder)) return session.Exit(false);
    auto row = RowOf(session.Link(), name);
    if (!row) {
      if (!session.ReportMissing("file", name, folder)) return session.Exit(false);
      all = false;
      continue;
    }
    BatchOutcome out = DownloadBatch(session.Link(), ui, progress, {{*row}, fs::path(*f->args.Value("--to"))});
    bool skippedOk = out.skipped && f->existing == Existing::Skip;
    if (out.done != 1 && !skippedOk) all = false;
    if (out.stopped) return session.Exit(false);
  }
  return session.Exit(all);
}

int RunPut(CliContext& cx, const std::vector<std::string>& words) {
  auto f = ParseCopyFlags(words);
  if (!f) return kExitUsage;
  TerminalFileOpsUi ui;
  ui.existing = f->existing;
  TerminalProgress progress;
  CamSession session(cx.driver, cx.ui);
  if (!session.Open() || !GoFromRoot(session, *f->args.Value("--to"))) return session.Exit(false);
  bool all = true;
  for (const std::string& item : f->args.operands) {
    fs::path file(item);
    if (!UploadablePcFile(ui, file)) {
      all = false;
      continue;
    }
    std::error_code ec;
    bool isFolder = fs::is_directory(file, ec);
    auto size = fs::file_size(file, ec);
    PcFileRow row{file.filename().string(), isFolder, false, ec ? std::optional<uint64_t>() : size};
    BatchOutcome out =
        UploadBatch(session.Link(), ui, progress, {{row}, file.parent_path().empty() ? "." : file.parent_path()});
    bool skippedOk = out.skipped && f->existing == Existing::Skip;
    if (out.done != 1 && !skippedOk) all = false;
    if (out.stopped) return session.Exit(false);
  }
  return session.Exit(all);
}

int RunRm(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {});
  if (!args.error.empty()) return UsageError(args.error);
  if (args.operands.empty()) return kExitUsage;
  TerminalFileOpsUi ui;
  ui.yes = true;  // naming the files is the answer to "Delete file?"
  CamSession session(cx.driver, cx.ui);
  if (!session.Open()) return session.Exit(false);
  bool all = true;
  for (const std::string& item : args.operands) {
    auto [folder, name] = SplitCameraPath(item);
    if (!GoFromRoot(session, folder)) return session.Exit(false);
    auto row = RowOf(session.Link(), name);
    if (!row || IsFolderRow(*row)) {
      if (!session.ReportMissing("file", name, folder)) return session.Exit(false);
      all = false;
      continue;
    }
    BatchOutcome out = DeleteOnCamera(session.Link(), ui, {*row});
    if (out.done != 1) all = false;
  }
  return session.Exit(all);
}

int RunMkdir(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {});
  if (!args.error.empty()) return UsageError(args.error);
  if (args.operands.size() != 1) return kExitUsage;
  auto [parent, name] = SplitCameraPath(args.operands[0]);
  TerminalFileOpsUi ui;
  ui.name = name;
  CamSession session(cx.driver, cx.ui);
  if (!session.Open() || !GoFromRoot(session, parent)) return session.Exit(false);
  return session.Exit(AddCameraFolder(session.Link(), ui) != 0);
}

int RunRename(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {});
  if (!args.error.empty()) return UsageError(args.error);
  const auto& ops = args.operands;
  if (ops.size() != 2 || ops[1].empty() || ops[1].find_first_not_of("0123456789") != std::string::npos)
    return kExitUsage;
  auto [folder, name] = SplitCameraPath(ops[0]);
  TerminalFileOpsUi ui;
  // The naming dialog keeps the prefix and the type: only the number changes.
  if (name.size() >= 4) ui.name = name.substr(0, 4) + ops[1] + "." + name.substr(name.size() - 3);
  CamSession session(cx.driver, cx.ui);
  if (!session.Open() || !GoFromRoot(session, folder)) return session.Exit(false);
  auto row = RowOf(session.Link(), name);
  if (!row) {
    session.ReportMissing("file", name, folder);
    return session.Exit(false);
  }
  return session.Exit(RenameOnCamera(session.Link(), ui, {*row}) != 0);
}

int RunFormat(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {"--yes"});
  if (!args.error.empty()) return UsageError(args.error);
  if (!args.operands.empty()) return kExitUsage;
  TerminalFileOpsUi ui;
  ui.yes = args.Has("--yes");
  TerminalProgress progress;
  CamSession session(cx.driver, cx.ui);
  // An unformatted stick is what a format is for: it need not be usable.
  if (!session.Open(/*needStick=*/false)) return session.Exit(false);
  progress.SetFileText(std::string(), false);
  progress.SetRange(36);
  return session.Exit(FormatMemoryStick(session.Link(), ui, progress) != 0);
}
