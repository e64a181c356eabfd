#include "cli/CameraModeCommands.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "app/ProgramFolder.h"
#include "cli/Args.h"
#include "cli/CamSession.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/FileCommands.h"
#include "cli/ScratchFolder.h"
#include "cli/Signals.h"
#include "cli/TerminalUi.h"
#include "fileops/Transfer.h"
#include "resources/StringIds.h"
#include "video/HeadlessPreview.h"
#include "video/StillCapture.h"
#include "video/StreamWorker.h"

#ifndef ORIN_PROGRAM_FOLDER_FROM_BIN
#error "the build names the installed program folder relative to the programs' folder"
#endif

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The longest recording: the window's limit, three hours.
constexpr int kMaxRecordSeconds = 180 * 60;
// The camera restarts its stream 500 ms after the recording command; one
// that has sent nothing after this long sends no live stream.
constexpr std::chrono::seconds kFirstBlockLimit(5);
// How often the wait for the first recorded block looks at the worker.
constexpr int kFirstBlockLookMs = 10;

// What ends a wait: the worker's messages and the stop signals, one byte
// each on a pipe (a signal writes its number, a message its letter).
enum : char { kStreamEnded = 'E', kAudioChanged = 'A' };

class WakePipe final : public StreamOwnerWindow {
 public:
  WakePipe() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
  }
  ~WakePipe() override {
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  bool Ok() const { return fds_[0] >= 0; }
  int WriteEnd() const { return fds_[1]; }
  void PostStreamMessage(unsigned message) override {
    const char byte = message == WM_STREAM_ENDED ? kStreamEnded : kAudioChanged;
    [[maybe_unused]] ssize_t n = ::write(fds_[1], &byte, 1);
  }
  // The next byte, waiting at most `ms` (0: none waiting); nothing on time-out.
  std::optional<char> Next(int ms) {
    pollfd p{fds_[0], POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return std::nullopt;
    char byte = 0;
    if (::read(fds_[0], &byte, 1) != 1) return std::nullopt;
    return byte;
  }

 private:
  int fds_[2];
};

// The folder the file goes to must be there before the camera is bothered.
bool TargetWritable(const fs::path& target) {
  TerminalFileOpsUi ui;
  std::error_code ec;
  if (fs::is_directory(target, ec)) {
    ui.ShowSystemError(target.string(), EISDIR);
    return false;
  }
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  if (!fs::is_directory(folder, ec)) {
    ui.ShowSystemError(folder.string(), fs::exists(folder, ec) ? ENOTDIR : ENOENT);
    return false;
  }
  return true;
}

bool Save(const fs::path& source, const fs::path& target) {
  std::string failedPath;
  if (int error = SaveCopy(source, target, failedPath)) {
    TerminalFileOpsUi().ShowSystemError(failedPath, error);
    return false;
  }
  return true;
}

// After a failure that a lost camera would explain: the bare readiness test
// tells the user (and the exit status) when the camera is gone.
void CheckCameraStillThere(CamSession& session) {
  if (session.Link().DeviceOpen()) session.Link().CheckCamStatus(0, 1);
}

std::string ProgramFolderPath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ProgramFolderFor(QString::fromStdString(exe.parent_path().string()),
                          QStringLiteral(ORIN_PROGRAM_FOLDER_FROM_BIN))
      .toStdString();
}

// The camera-mode part every command shares: the session in camera mode, the
// worker with its frame taker, and the stream's own end told to the session.
struct LiveCamera {
  CamSession session;
  WakePipe wake;
  HeadlessPreview preview;
  std::optional<StreamWorker> worker;
  bool streamEnded = false;

  LiveCamera(CliContext& cx) : session(cx.driver, cx.ui) {}

  // Camera mode and the live stream, with `tempFolder` for the worker's files.
  bool Start(CliContext& cx, const fs::path& tempFolder) {
    uint8_t videoMode = 0;
    if (!session.OpenCamera(videoMode)) return false;
    worker.emplace(cx.driver, preview, tempFolder.string());
    worker->SetVideoFormat(videoMode);
    worker->SetWindows(nullptr, &wake);
    if (!worker->StartStreaming()) {
      session.Ui().ShowMessage(ids::FAILED_TO_INITIALIZE, MsgIcon::Error);
      return false;
    }
    session.Connection().StreamRunning();
    return true;
  }
  // The stream ended on its own: the worker's thread released, the camera
  // closed as the window closes it, the user told why.
  void EndedOnItsOwn() {
    streamEnded = true;
    worker->WaitForThread();
    const bool lost = worker->LinkLost();
    session.StreamEnded(lost);
    if (lost)
      session.Ui().ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
    else
      std::fprintf(stderr, "orin-cam: the camera left PC-camera mode\n");
  }
  ~LiveCamera() {
    if (worker) worker->StopStreaming();
  }
};

const char* SignalName(int sig) {
  switch (sig) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

}  // namespace

int RunRecord(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {"--quiet"}, {"--seconds", "--to"});
  if (!args.error.empty()) return UsageError(args.error);
  if (!args.operands.empty() || !args.Value("--to") || !args.Value("--seconds")) return kExitUsage;
  auto seconds = ParseSeconds(*args.Value("--seconds"), 1, kMaxRecordSeconds);
  if (!seconds) return UsageError("--seconds needs a whole number from 1 to " + std::to_string(kMaxRecordSeconds));
  const fs::path target = *args.Value("--to");
  if (!TargetWritable(target)) return kExitFailed;
  ScratchFolder scratch;
  if (scratch.Path().empty()) {
    std::fprintf(stderr, "orin-cam: no private folder for the recording (XDG_CACHE_HOME or HOME)\n");
    return kExitFailed;
  }

  LiveCamera live(cx);
  if (!live.wake.Ok() || !live.Start(cx, scratch.Path())) return live.session.Exit(false);
  StreamWorker& worker = *live.worker;
  if (!worker.StartRecording()) {
    TerminalFileOpsUi().ShowSystemError((scratch.Path() / "Temp.ASF").string(), errno ? errno : EIO);
    return live.session.Exit(false);
  }
  RedirectStopSignals(live.wake.WriteEnd());

  // N seconds from the first recorded block, unless something ends it first.
  std::optional<char> why;
  const auto asked = Clock::now();
  Clock::time_point began{};
  while (!why && worker.BytesWritten() == 0 && Clock::now() - asked < kFirstBlockLimit)
    why = live.wake.Next(kFirstBlockLookMs);
  const bool recorded = worker.BytesWritten() > 0;
  if (recorded && !why) {
    began = Clock::now();
    const auto until = began + std::chrono::seconds(*seconds);
    for (auto now = Clock::now(); !why && now < until; now = Clock::now())
      why = live.wake.Next(int(std::chrono::ceil<std::chrono::milliseconds>(until - now).count()));
  }
  const auto stopped = Clock::now();
  worker.StopRecording();  // the header completed

  bool complete = !why || (*why != kStreamEnded && *why != kAudioChanged);
  if (why == kStreamEnded) {
    live.EndedOnItsOwn();
  } else if (why == kAudioChanged) {
    live.session.Ui().ShowMessage(ids::AUDIO_FORMAT_CHANGED, MsgIcon::Information);
    worker.ResumeStream();
  } else if (why) {
    std::fprintf(stderr, "orin-cam: stopped by %s: saving what was recorded\n", SignalName(*why));
  }
  worker.StopStreaming();

  // The camera's header alone holds no picture or sound: no file is made of it.
  if (worker.PacketsWritten() == 0) {
    if (!recorded && !why) std::fprintf(stderr, "orin-cam: the camera sent no live stream\n");
    std::fprintf(stderr, "orin-cam: nothing was recorded\n");
    RedirectStopSignals(-1);
    if (!live.streamEnded) CheckCameraStillThere(live.session);
    return live.session.Exit(false);
  }
  const bool saved = Save(scratch.Path() / "Temp.ASF", target);
  RedirectStopSignals(-1);
  if (saved && !args.Has("--quiet")) {
    const double length = began == Clock::time_point{} ? 0 : std::chrono::duration<double>(stopped - began).count();
    std::fprintf(stderr, "record: %.1f s, %llu frames, %llu bytes saved to %s\n", length,
                 (unsigned long long)live.preview.Frames(), (unsigned long long)worker.BytesWritten(), target.c_str());
  }
  return live.session.Exit(saved && complete);
}

int RunStill(CliContext& cx, const std::vector<std::string>& words) {
  Args args = ParseArgs(words, {"--quiet"}, {"--to"});
  if (!args.error.empty()) return UsageError(args.error);
  if (!args.operands.empty() || !args.Value("--to")) return kExitUsage;
  const fs::path target = *args.Value("--to");
  if (!TargetWritable(target)) return kExitFailed;
  ScratchFolder scratch;
  if (scratch.Path().empty()) {
    std::fprintf(stderr, "orin-cam: no private folder for the still (XDG_CACHE_HOME or HOME)\n");
    return kExitFailed;
  }

  StillCapturer capturer(ProgramFolderPath());
  LiveCamera live(cx);
  if (!live.wake.Ok() || !live.Start(cx, scratch.Path())) return live.session.Exit(false);
  StreamWorker& worker = *live.worker;
  worker.SetStillCapture(capturer.Hook());
  const bool done = worker.CaptureStill();
  if (live.wake.Next(0) == kStreamEnded) live.EndedOnItsOwn();
  worker.StopStreaming();

  const auto outcome = capturer.LastOutcome();
  if (!done || !outcome || outcome->result != StillResult::Taken) {
    live.session.Ui().ShowMessage(ids::FAILED_TO_CAPTURE, MsgIcon::Error);
    std::fprintf(stderr, "orin-cam: %s\n",
                 !done ? "the capture did not finish within 15 s" : outcome ? Describe(outcome->result) : "no capture was made");
    if (!live.streamEnded) CheckCameraStillThere(live.session);
    return live.session.Exit(false);
  }
  const bool saved = Save(scratch.Path() / kCaptureFileName, target);
  if (saved && !args.Has("--quiet"))
    std::fprintf(stderr, "still: %u bytes saved to %s\n", outcome->jpegBytes, target.c_str());
  return live.session.Exit(saved);
}
