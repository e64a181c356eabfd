#include "cli/ImportCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "camera/CameraProtocol.h"
#include "cli/Args.h"
#include "cli/CamSession.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/FileCommands.h"
#include "cli/TerminalUi.h"
#include "fileops/Transfer.h"
#include "resources/StringIds.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The per-file lines on stderr: on a terminal one line updated in place with
// the bytes so far and the rate, elsewhere one plain line per file when it
// is done. --quiet leaves them out. The download steps it once per block.
class ImportProgress final : public ProgressSink {
 public:
  ImportProgress(bool quiet, bool tty) : quiet_(quiet), tty_(tty) {}

  void Begin(const std::string& what, uint32_t size) {
    what_ = what, size_ = size, blocks_ = 0;
    start_ = lastShown_ = Clock::now();
    if (tty_ && !quiet_) Show("copying");
  }
  // The file's last line: "copied", "skipped", "failed".
  void End(const std::string& verdict, const std::string& note = std::string()) {
    if (quiet_) return;
    if (tty_) std::fprintf(stderr, "\r\x1b[K");
    if (verdict == "copied")
      std::fprintf(stderr, "copied  %s  %u bytes  %s\n", what_.c_str(), size_, RateText(size_, SecondsSince(start_)).c_str());
    else
      std::fprintf(stderr, "%-7s %s%s\n", verdict.c_str(), what_.c_str(), note.c_str());
  }
  void Skipped(const std::string& what, const std::string& note) {
    what_ = what;
    End("skipped", note);
  }

  void SetFileText(const std::string&, bool) override {}
  void SetRange(int) override {}
  void Step() override {
    ++blocks_;
    if (!tty_ || quiet_ || Clock::now() - lastShown_ < std::chrono::milliseconds(100)) return;
    lastShown_ = Clock::now();
    Show("copying");
  }
  void SetMessage(const std::string&) override {}
  bool CancelRequested() override { return false; }
  void Activate() override {}
  void Close() override {}

 private:
  void Show(const char* verb) {
    const uint64_t done = std::min<uint64_t>(uint64_t(blocks_) * kBulkBlock, size_);
    std::fprintf(stderr, "\r\x1b[K%s %s  %llu / %u bytes  %s", verb, what_.c_str(), (unsigned long long)done, size_,
                 RateText(done, SecondsSince(start_)).c_str());
    std::fflush(stderr);
  }

  const bool quiet_, tty_;
  std::string what_;
  uint32_t size_ = 0;
  uint64_t blocks_ = 0;
  Clock::time_point start_, lastShown_;
};

struct Tally {
  int copied = 0, skipped = 0, failed = 0;
  uint64_t bytes = 0;
  bool stopped = false;  // the camera or the PC ended the import
};

// The two kinds of file an import takes: top folder, the DCF folders' suffix.
struct Kind {
  const char* top;
  const char* suffix;
};
constexpr Kind kKinds[] = {{"DCIM", "QXCAM"}, {"QXMOV", "QXMSC"}};

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class Importer {
 public:
  Importer(CamSession& session, const fs::path& pcFolder, bool byDate, ImportProgress& progress, std::FILE* out)
      : session_(session), link_(session.Link()), pc_(pcFolder), byDate_(byDate), progress_(progress), out_(out) {
    ui_.existing = TerminalFileOpsUi::Existing::Skip;  // what is there is never replaced
  }

  Tally Run() {
    for (const Kind& kind : kKinds) {
      if (tally_.stopped) break;
      ImportTop(kind);
    }
    return tally_;
  }

 private:
  // A listing that ended without the camera's end record may lack files: the
  // run is told and fails, and a rerun completes it.
  bool ListedWhole() {
    if (!link_.ListingCutShort()) return true;
    session_.Ui().ShowMessage(ids::ERROR_READING_STICK, MsgIcon::Error);
    ++tally_.failed;
    return false;
  }

  bool HasFolder(const std::string& name) const {
    for (size_t i = 1; i < link_.folders.size(); ++i)
      if (link_.folders[i].name == name) return true;
    return false;
  }

  void ImportTop(const Kind& kind) {
    if (link_.camPath != "\\" && (!link_.ChangeCamFolder("\\") || !link_.ListCamFolder())) return Stop();
    if (!HasFolder(kind.top)) {  // a stick without it holds nothing of this kind
      ListedWhole();
      return;
    }
    if (!link_.ChangeCamFolder(kind.top) || !link_.ListCamFolder()) return Stop();
    ListedWhole();
    std::vector<std::string> subs;
    for (size_t i = 1; i < link_.folders.size(); ++i)
      if (link_.folders[i].name != ".." && EndsWith(link_.folders[i].name, kind.suffix))
        subs.push_back(link_.folders[i].name);
    for (const std::string& sub : subs) {
      if (tally_.stopped) return;
      if (!link_.ChangeCamFolder(sub) || !link_.ListCamFolder()) return Stop();
      ListedWhole();
      ImportFolder(std::string(kind.top) + "/" + sub);
      if (!tally_.stopped && !link_.ChangeCamFolder("..")) return Stop();
    }
  }

  void ImportFolder(const std::string& cameraFolder) {
    const CamEntryList files = link_.files;  // the listing the downloads read their sizes and times from
    for (const CamEntry& file : files) {
      if (tally_.stopped) return;
      ImportFile(cameraFolder + "/" + file.displayName, file);
    }
  }

  void ImportFile(const std::string& what, const CamEntry& file) {
    const fs::path folder = ImportFolderFor(pc_, file, byDate_);
    const fs::path target = folder / file.displayName;
    switch (PresenceOf(target, file.size)) {
      case Presence::Same:
        ++tally_.skipped;
        progress_.Skipped(what, "  (already in " + folder.string() + ")");
        return;
      case Presence::Different:
        std::fprintf(stderr, "orin-cam: %s is another file of that name (the camera's has %u bytes): not replaced\n",
                     target.c_str(), file.size);
        ++tally_.failed;
        return;
      case Presence::Missing: break;
    }
    if (byDate_ && folder.filename() == kUndatedFolder)
      std::fprintf(stderr, "orin-cam: %s has no date on the camera: filed under %s\n", what.c_str(), folder.c_str());
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
      ui_.ShowSystemError(folder.string(), ec.value());
      ++tally_.failed;
      return Stop();
    }
    progress_.Begin(what, file.size);
    BatchOutcome outcome;
    const int goOn = DownloadFile(link_, ui_, progress_, folder, file.displayName, file.size, outcome);
    if (outcome.done == 1) {
      progress_.End("copied");
      ++tally_.copied;
      tally_.bytes += file.size;
      std::fprintf(out_, "%s\n", target.c_str());
      std::fflush(out_);
    } else {
      progress_.End("failed");
      ++tally_.failed;
    }
    if (!goOn) {
      link_.CheckCamStatus(0, 1);  // a camera error still pending shows its message too
      Stop();
    }
  }

  void Stop() { tally_.stopped = true; }

  CamSession& session_;
  CameraLink& link_;
  const fs::path pc_;
  const bool byDate_;
  ImportProgress& progress_;
  std::FILE* const out_;  // the paths of the copies, for scripts
  TerminalFileOpsUi ui_;
  Tally tally_;
};

}  // namespace

fs::path ImportFolderFor(const fs::path& pcFolder, const CamEntry& file, bool byDate) {
  if (!byDate) return pcFolder;
  if (!IsCalendarTime({file.year, file.month, file.day, file.hour, file.minute})) return pcFolder / kUndatedFolder;
  char day[16];
  std::snprintf(day, sizeof day, "%04d-%02d-%02d", file.year, file.month, file.day);
  return pcFolder / day;
}

Presence PresenceOf(const fs::path& target, uint32_t size) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT ? Presence::Missing : Presence::Different;
  return S_ISREG(st.st_mode) && uint64_t(st.st_size) == size ? Presence::Same : Presence::Different;
}

std::string RateText(uint64_t bytes, double seconds) {
  const double rate = seconds > 0 ? double(bytes) / seconds : 0;
  char text[32];
  if (rate >= 1e6)
    std::snprintf(text, sizeof text, "%.1f MB/s", rate / 1e6);
  else
    std::snprintf(text, sizeof text, "%.0f kB/s", rate / 1e3);
  return text;
}

int RunImport(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {"--by-date", "--quiet"});
  if (!args.error.empty()) return UsageError(args.error);
  if (args.operands.size() != 1) return kExitUsage;
  const fs::path pc = args.operands[0];
  std::error_code ec;
  if (!fs::is_directory(pc, ec)) {  // checked before the camera is bothered
    TerminalFileOpsUi().ShowSystemError(pc.string(), ec ? ec.value() : fs::exists(pc, ec) ? ENOTDIR : ENOENT);
    return kExitFailed;
  }
  const bool quiet = args.Has("--quiet");
  const auto start = Clock::now();
  CamSession session(cx.driver, cx.ui);
  if (!session.Open()) return session.Exit(false);
  ImportProgress progress(quiet, ::isatty(2));
  Importer importer(session, pc, args.Has("--by-date"), progress, cx.out);
  const Tally t = importer.Run();
  if (!quiet) {
    std::fprintf(stderr, "import: %d copied, %d skipped, %d failed; %llu bytes in %.1f s%s\n", t.copied, t.skipped,
                 t.failed, (unsigned long long)t.bytes, SecondsSince(start),
                 t.copied == 0 && t.failed == 0 && !t.stopped
                     ? (t.skipped ? " (nothing new: every file is already on the PC)" : " (no pictures or movies on the camera)")
                     : "");
  }
  return session.Exit(t.failed == 0 && !t.stopped);
}
