// The live preview's cost: pre-encoded 320 x 240 MPEG-4 frames (a key frame
// every 15) are queued into FrameQueue at 15 a second, as the streaming
// worker does, while the real graph runs: source element, decodebin's
// decoder, conversion, appsink and the video frame widget (offscreen).
//
// Prints the process's CPU (getrusage, user + system) per second of video as
// a share of one core, against a baseline of the same feeding without a
// graph, and the delay from each frame's queueing to its picture at the sink.
//   preview_bench [seconds, default 10]
#include <sys/resource.h>

#include <QApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/gst/Mpeg4Frames.h"
#include "video/Mpeg4Source.h"
#include "video/PreviewGraph.h"
#include "video/VideoFrame.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 320, kHeight = 240, kBands = kWidth / 16;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Which band holds the bright bar: the frame number modulo kBands.
int BarBand(const uint8_t* rgbx, int stride) {
  const uint8_t* row = rgbx + (kHeight / 2) * stride;
  int best = 0, bestLevel = -1;
  for (int band = 0; band < kBands; ++band) {
    const int level = row[(band * 16 + 8) * 4 + 1];
    if (level > bestLevel) bestLevel = level, best = band;
  }
  return best;
}

struct Run {
  double cpuShare = 0;
  std::vector<double> delaysMs;
};

// Queues the frames at 15 a second; with `graph` the preview runs meanwhile.
Run Feed(const std::vector<mpeg4test::Frame>& frames, GstPreviewGraph* graph, VideoFrame* frame) {
  std::mutex mutex;
  std::vector<Clock::time_point> queuedAt(frames.size());
  std::vector<double> delays;
  std::atomic<int> lastQueued{-1};
  if (graph) {
    graph->SetFrameCallback([&](const uint8_t* rgbx, int, int, int stride) {
      const auto now = Clock::now();
      const int band = BarBand(rgbx, stride);
      std::lock_guard<std::mutex> lock(mutex);
      // The newest queued frame with this bar position.
      for (int i = lastQueued; i >= 0 && i > lastQueued - kBands; --i)
        if (i % kBands == band) {
          delays.push_back(std::chrono::duration<double, std::milli>(now - queuedAt[i]).count());
          break;
        }
    });
    graph->SetWindows(frame, nullptr);
    if (!graph->Build()) std::exit(1);
    graph->WireAndRun();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the source's thread starts
  }
  const double cpu0 = CpuSeconds();
  const auto start = Clock::now();
  for (size_t i = 0; i < frames.size(); ++i) {
    const auto due = start + std::chrono::microseconds(66667 * i);
    while (Clock::now() < due) {
      QCoreApplication::processEvents();  // the widget paints on this thread
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      queuedAt[i] = Clock::now();
      lastQueued = int(i);
    }
    TheFrameQueue().Queue(frames[i].data(), frames[i].size());
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  Run run;
  run.cpuShare = (CpuSeconds() - cpu0) / wall;
  if (graph) {
    graph->TearDown();
    graph->SetFrameCallback(nullptr);
  }
  run.delaysMs = delays;
  return run;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  VideoFormatFlag() = true;
  RegisterMpeg4Source();
  const auto frames = mpeg4test::Encode(kWidth, kHeight, seconds * 15, {90, 120, 160}, 15);
  if (frames.empty()) return 1;

  VideoFrame frame;
  frame.resize(kWidth, kHeight);
  const Run baseline = Feed(frames, nullptr, nullptr);
  GstPreviewGraph graph;
  const Run preview = Feed(frames, &graph, &frame);

  const double perSecond = preview.cpuShare * 100.0;
  std::printf("preview of %d s of %dx%d video at 15 fps, %zu frames\n", seconds, kWidth, kHeight, frames.size());
  std::printf("  CPU, feeding only (baseline): %6.2f %% of one core\n", baseline.cpuShare * 100.0);
  std::printf("  CPU, with the preview graph:  %6.2f %% of one core (goal < 5 %%), %.1fx the baseline\n", perSecond,
              baseline.cpuShare > 0 ? preview.cpuShare / baseline.cpuShare : 0.0);
  std::printf("  pictures at the sink: %zu of %zu frames\n", preview.delaysMs.size(), frames.size());
  std::printf("  delay queue -> sink: median %.1f ms, 90%% %.1f ms, max %.1f ms\n", Percentile(preview.delaysMs, 0.5),
              Percentile(preview.delaysMs, 0.9), Percentile(preview.delaysMs, 1.0));
  return 0;
}
