// The cost of recording: the program's own parts as the window uses them in
// camera mode, against the real orin-camsim daemon (the camera's encoding
// runs in the daemon's process, as it runs in the camera): libTeskDll.so's
// sim backend, the streaming worker, the MPEG-4 source, decodebin's decoder,
// the conversion, the sink and the video frame widget (offscreen), at the
// camera's 320 x 240.
//
// Two phases of the same length in one run, on one live stream: the preview
// alone, then the preview with a recording appending to "Temp.ASF". Prints
// the process's CPU (getrusage, user + system) in each as a share of one
// core, the pictures drawn, and what the recording wrote. Goal: preview plus
// recording under 5 % of one core.
//   bench_record [--daemon PATH] [--seconds N, default 10]
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "camera/CameraDriver.h"
#include "camera/CameraProtocol.h"
#include "platform/camsim/WireIo.h"
#include "tools/bench/BenchDaemon.h"
#include "video/PreviewGraph.h"
#include "video/StreamWorker.h"
#include "video/VideoFrame.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_record", what); }

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The graph's bus messages come back to this thread, as they come to the window.
class Owner : public QObject, public StreamOwnerWindow {
 public:
  GstPreviewGraph* graph = nullptr;
  std::atomic<int> streamEnded{0};
  void PostStreamMessage(unsigned message) override {
    if (message == WM_STREAM_ENDED) ++streamEnded;
    if (message == WM_PREVIEW_EVENT)
      QMetaObject::invokeMethod(this, [this] { graph->TakeEvents(); }, Qt::QueuedConnection);
  }
};

struct Phase {
  double cpuShare = 0;
  uint64_t pictures = 0;
};

// Serves this thread's events (the widget paints here) for `seconds`.
Phase Measure(int seconds, GstPreviewGraph& graph) {
  const uint64_t pictures0 = graph.DecodedFrames();
  const double cpu0 = CpuSeconds();
  const auto start = Clock::now(), end = start + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  return {(CpuSeconds() - cpu0) / wall, graph.DecodedFrames() - pictures0};
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const fs::path here = fs::read_symlink("/proc/self/exe").parent_path();
  std::string daemon = (here / "orin-camsim").string();
  int seconds = 10;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--daemon" && i + 1 < argc) daemon = argv[++i];
    else if (a == "--seconds" && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
    else Fail("usage: bench_record [--daemon PATH] [--seconds N]");
  }

  std::string pattern = (fs::temp_directory_path() / "bench-record-XXXXXX").string();
  if (!mkdtemp(pattern.data())) Fail("no scratch folder");
  const fs::path dir = pattern;
  const fs::path temp = dir / "OrinMedia51Temp";
  fs::create_directories(temp);
  bench::Daemon d = bench::StartDaemon("bench_record", daemon, dir, dir / "stick");

  const uint8_t mode = bench::OpenCameraMode("bench_record", d);
  CameraDriver& driver = TeskDllDriver();

  VideoFrame frame;
  frame.resize(320, 240);
  frame.show();
  Phase preview, recording;
  uint64_t bytes = 0, packets = 0;
  {
    GstPreviewGraph graph;
    Owner owner;
    owner.graph = &graph;
    StreamWorker worker(driver, graph, temp.string());
    worker.SetVideoFormat(mode);
    worker.SetWindows(&frame, &owner);
    if (!worker.StartStreaming()) Fail("the live stream did not start");
    // The stream settles: its header came and pictures are drawn.
    const auto settle = Clock::now() + std::chrono::seconds(30);
    while (graph.DecodedFrames() < 15 && Clock::now() < settle) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (graph.DecodedFrames() < 15) Fail("no live pictures");

    preview = Measure(seconds, graph);
    if (!worker.StartRecording()) Fail("the recording did not start");
    // The recording's start pauses the stream; measured once it runs again.
    const auto started = Clock::now() + std::chrono::seconds(30);
    while (worker.PacketsWritten() == 0 && Clock::now() < started) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (worker.PacketsWritten() == 0) Fail("nothing recorded");
    recording = Measure(seconds, graph);
    worker.StopRecording();
    bytes = worker.BytesWritten();
    packets = worker.PacketsWritten();
    if (owner.streamEnded) Fail("the stream ended during the run");
    worker.StopStreaming();
  }
  driver.Device_Close();
  bench::StopDaemon(d);

  std::printf("preview at 320x240 from orin-camsim, %d s per phase, one run\n", seconds);
  std::printf("  preview alone:           %6.2f %% of one core, %llu pictures drawn\n", preview.cpuShare * 100.0,
              static_cast<unsigned long long>(preview.pictures));
  std::printf("  preview with recording:  %6.2f %% of one core, %llu pictures drawn (goal < 5 %%: %s)\n",
              recording.cpuShare * 100.0, static_cast<unsigned long long>(recording.pictures),
              recording.cpuShare < 0.05 ? "met" : "NOT met");
  std::printf("  the recording's share:   %+6.2f %% of one core; %.1fx the preview alone\n",
              (recording.cpuShare - preview.cpuShare) * 100.0,
              preview.cpuShare > 0 ? recording.cpuShare / preview.cpuShare : 0.0);
  std::printf("  recorded: %llu bytes, %llu packets (%.1f kB a second)\n", static_cast<unsigned long long>(bytes),
              static_cast<unsigned long long>(packets), double(bytes) / 1000.0 / seconds);
  double load[1] = {0};
  if (getloadavg(load, 1) == 1)
    std::printf("(machine load average %.1f on %u cores during the run)\n", load[0], std::thread::hardware_concurrency());
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
