#include "cli/FileCommands.h"

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "cli/CamSession.h"
#include "fileops/CameraFileOps.h"
#include "fileops/Transfer.h"

namespace fs = std::filesystem;

namespace {

enum class Existing { Ask, Replace, Skip };

// The window's questions answered by the command line; messages on stderr.
class TerminalFileOpsUi final : public FileOpsUi {
 public:
  Existing existing = Existing::Ask;
  bool yes = false;                       // the command itself is the Yes
  std::optional<std::string> name;        // the one name a naming dialog gives
  int messages = 0, refusals = 0;

  void ShowText(const std::string& text, MsgIcon) override {
    ++messages;
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  bool Ask(const std::string& text, MsgIcon, AskButtons buttons) override {
    if (buttons == AskButtons::OkCancel) {  // the replace question
      if (existing == Existing::Replace) return true;
      if (existing == Existing::Ask) {
        ++refusals;
        std::fprintf(stderr, "%s\n(not replaced: give --replace or --skip)\n", text.c_str());
      }
      return false;
    }
    if (!yes) {
      ++refusals;
      std::fprintf(stderr, "%s\n(not done: give --yes)\n", text.c_str());
    }
    return yes;
  }
  std::optional<std::string> TakeName() {
    auto n = name;
    name.reset();  // a refused name is not offered again: the command ends
    return n;
  }
  std::optional<std::string> AskFileNumber(const std::string&) override { return TakeName(); }
  std::optional<std::string> AskFolderNumber(const std::string&) override { return TakeName(); }
  std::optional<std::string> AskPcName(int, const std::string&, const std::string&) override { return std::nullopt; }
};

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
  if (session.GoTo(folder)) return true;
  if (!session.PathError().empty()) std::fprintf(stderr, "orin-cam: %s\n", session.PathError().c_str());
  return false;
}

// The listed row named `name`; the storage row on top is no name on the stick.
std::optional<CamFileRow> RowOf(const CameraLink& link, const std::string& name) {
  const std::vector<CamFileRow> rows = link.PaneRows();
  for (size_t i = 1; i < rows.size(); ++i)
    if (rows[i].name == name) return rows[i];
  return std::nullopt;
}

// Before a name missing from the listing is reported: a listing is also cut
// short by a camera that went away, and then the check tells that instead.
bool CameraStillThere(CamSession& session) { return session.Link().CheckCamStatus(0, 1) != 0; }

// Pulls --to FOLDER, --replace, --skip and --yes out of `args`.
struct Flags {
  std::vector<std::string> items;
  std::optional<std::string> to;
  Existing existing = Existing::Ask;
  bool yes = false;
  bool bad = false;
};
Flags ParseFlags(const std::vector<std::string>& args) {
  Flags f;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--to" && i + 1 < args.size()) f.to = args[++i];
    else if (args[i] == "--replace") f.existing = Existing::Replace;
    else if (args[i] == "--skip") f.existing = Existing::Skip;
    else if (args[i] == "--yes") f.yes = true;
    else if (args[i].rfind("--", 0) == 0) f.bad = true;
    else f.items.push_back(args[i]);
  }
  return f;
}

}  // namespace

int RunGet(CameraDriver& driver, CameraUi& camUi, const std::vector<std::string>& args, std::FILE*) {
  Flags f = ParseFlags(args);
  if (f.bad || !f.to || f.items.empty()) return 2;
  TerminalFileOpsUi ui;
  ui.existing = f.existing;
  TerminalProgress progress;
  CamSession session(driver, camUi);
  if (!session.Open()) return 1;
  bool all = true;
  for (const std::string& item : f.items) {
    auto [folder, name] = SplitCameraPath(item);
    if (!GoFromRoot(session, folder)) return 1;
    auto row = RowOf(session.Link(), name);
    if (!row) {
      if (!CameraStillThere(session)) return 1;
      std::fprintf(stderr, "orin-cam: no file \"%s\" in %s\n", name.c_str(), folder.c_str());
      all = false;
      continue;
    }
    BatchOutcome out = DownloadBatch(session.Link(), ui, progress, {{*row}, fs::path(*f.to)});
    bool skippedOk = out.skipped && f.existing == Existing::Skip;
    if (out.done != 1 && !skippedOk) all = false;
    if (out.stopped) return 1;
  }
  return all ? 0 : 1;
}

int RunPut(CameraDriver& driver, CameraUi& camUi, const std::vector<std::string>& args, std::FILE*) {
  Flags f = ParseFlags(args);
  if (f.bad || !f.to || f.items.empty()) return 2;
  TerminalFileOpsUi ui;
  ui.existing = f.existing;
  TerminalProgress progress;
  CamSession session(driver, camUi);
  if (!session.Open() || !GoFromRoot(session, *f.to)) return 1;
  bool all = true;
  for (const std::string& item : f.items) {
    fs::path file(item);
    std::error_code ec;
    bool isFolder = fs::is_directory(file, ec);
    auto size = fs::file_size(file, ec);
    PcFileRow row{file.filename().string(), isFolder, false, ec ? std::optional<uint64_t>() : size};
    BatchOutcome out = UploadBatch(session.Link(), ui, progress, {{row}, file.parent_path().empty() ? "." : file.parent_path()});
    bool skippedOk = out.skipped && f.existing == Existing::Skip;
    if (out.done != 1 && !skippedOk) all = false;
    if (out.stopped) return 1;
  }
  return all ? 0 : 1;
}

int RunRm(CameraDriver& driver, CameraUi& camUi, const std::vector<std::string>& args, std::FILE*) {
  if (args.empty()) return 2;
  TerminalFileOpsUi ui;
  ui.yes = true;  // naming the files is the answer to "Delete file?"
  CamSession session(driver, camUi);
  if (!session.Open()) return 1;
  bool all = true;
  for (const std::string& item : args) {
    auto [folder, name] = SplitCameraPath(item);
    if (!GoFromRoot(session, folder)) return 1;
    auto row = RowOf(session.Link(), name);
    if (!row || name.size() <= 8) {
      if (!row && !CameraStillThere(session)) return 1;
      std::fprintf(stderr, "orin-cam: no file \"%s\" in %s\n", name.c_str(), folder.c_str());
      all = false;
      continue;
    }
    BatchOutcome out = DeleteOnCamera(session.Link(), ui, {*row});
    if (out.done != 1) all = false;
  }
  return all ? 0 : 1;
}

int RunMkdir(CameraDriver& driver, CameraUi& camUi, const std::vector<std::string>& args, std::FILE*) {
  if (args.size() != 1) return 2;
  auto [parent, name] = SplitCameraPath(args[0]);
  TerminalFileOpsUi ui;
  ui.name = name;
  CamSession session(driver, camUi);
  if (!session.Open() || !GoFromRoot(session, parent)) return 1;
  return AddCameraFolder(session.Link(), ui) ? 0 : 1;
}

int RunRename(CameraDriver& driver, CameraUi& camUi, const std::vector<std::string>& args, std::FILE*) {
  if (args.size() != 2 || args[1].empty() || args[1].find_first_not_of("0123456789") != std::string::npos) return 2;
  auto [folder, name] = SplitCameraPath(args[0]);
  TerminalFileOpsUi ui;
  // The naming dialog keeps the prefix and the type: only the number changes.
  if (name.size() >= 4) ui.name = name.substr(0, 4) + args[1] + "." + (name.size() >= 3 ? name.substr(name.size() - 3) : "");
  CamSession session(driver, camUi);
  if (!session.Open() || !GoFromRoot(session, folder)) return 1;
  auto row = RowOf(session.Link(), name);
  if (!row && !CameraStillThere(session)) return 1;
  return RenameOnCamera(session.Link(), ui, row ? std::vector<CamFileRow>{*row} : std::vector<CamFileRow>{}) ? 0 : 1;
}

int RunFormat(CameraDriver& driver, CameraUi& camUi, const std::vector<std::string>& args, std::FILE*) {
  Flags f = ParseFlags(args);
  if (f.bad || !f.items.empty()) return 2;
  TerminalFileOpsUi ui;
  ui.yes = f.yes;
  TerminalProgress progress;
  CamSession session(driver, camUi);
  // An unformatted stick is what a format is for: it need not be usable.
  if (!session.Open(/*needStick=*/false)) return 1;
  progress.SetFileText(std::string(), false);
  progress.SetRange(36);
  return FormatMemoryStick(session.Link(), ui, progress) ? 0 : 1;
}
