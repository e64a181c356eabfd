// How soon a movie shows: the time from MoviePlayer::Play to its first
// picture drawn into the video frame (offscreen), for a 10 s ASF recorded by
// the camera simulator's encoder, against a plain GStreamer pipeline that
// prerolls the same file:
//
//   filesrc ! asfdemux ! decodebin ! fakesink   (to PAUSED)
//
// Both are measured in one run, alternating, after one warm-up round each;
// the medians and their ratio are printed (goal: at most 1.5x).
//   player_bench [rounds, default 201]
#include <gst/gst.h>
#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/camsim/SampleStick.h"
#include "video/MoviePlayer.h"
#include "video/VideoFrame.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMovieSeconds = 10;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// The player's one message goes to the terminal.
struct TerminalUi : CameraUi {
  void ShowText(const std::string& text, MsgIcon) override { std::fprintf(stderr, "player: %s\n", text.c_str()); }
};

// The end of the movie is not waited for: the player is stopped first.
struct NoWindow : StreamOwnerWindow {
  void PostStreamMessage(unsigned) override {}
};

// Play until the first picture reaches the frame; < 0 when Play failed.
double PlayToFirstPicture(MoviePlayer& player, VideoFrame& frame, const std::string& path) {
  std::mutex mutex;
  std::condition_variable drawn;
  bool first = false;
  player.SetFrameCallback([&](const uint8_t*, int, int, int) {
    std::lock_guard<std::mutex> lock(mutex);
    first = true;
    drawn.notify_all();
  });
  NoWindow window;
  const auto start = Clock::now();
  if (!player.Play(path, &frame, &window)) return -1;
  std::unique_lock<std::mutex> lock(mutex);
  const bool shown = drawn.wait_for(lock, std::chrono::seconds(10), [&] { return first; });
  const auto end = Clock::now();
  lock.unlock();
  player.StopPlayer();
  player.SetFrameCallback(nullptr);
  return shown ? Ms(end - start) : -1;
}

// The plain pipeline to PAUSED; < 0 when it did not preroll.
double PlainPreroll(const std::string& path) {
  const std::string description = "filesrc location=\"" + path + "\" ! asfdemux ! decodebin ! fakesink";
  const auto start = Clock::now();
  GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
  if (!pipeline) return -1;
  GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline));
  gst_element_set_state(pipeline, GST_STATE_PAUSED);
  GstMessage* message = gst_bus_timed_pop_filtered(
      bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
  const auto end = Clock::now();
  const bool prerolled = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
  if (message) gst_message_unref(message);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(bus);
  gst_object_unref(pipeline);
  return prerolled ? Ms(end - start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  gst_init(&argc, &argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 201;

  char scratch[] = "/tmp/player_bench.XXXXXX";
  if (!mkdtemp(scratch)) return 1;
  const std::string path = std::string(scratch) + "/MOV_0001.ASF";
  std::string error;
  if (!camsim::WriteCameraMovie(path, kMovieSeconds, error)) {
    std::fprintf(stderr, "player_bench: %s\n", error.c_str());
    return 1;
  }

  TerminalUi ui;
  VideoFrame frame;
  frame.resize(320, 240);
  MoviePlayer player(ui);
  std::vector<double> plain, played;
  bool failed = false;
  for (int round = -1; round < rounds && !failed; ++round) {  // round -1 warms both up
    // Alternate which goes first, so neither always finds the file cached.
    double p, q;
    if (round % 2 == 0) {
      p = PlainPreroll(path);
      q = PlayToFirstPicture(player, frame, path);
    } else {
      q = PlayToFirstPicture(player, frame, path);
      p = PlainPreroll(path);
    }
    failed = p < 0 || q < 0;
    if (round >= 0) {
      plain.push_back(p);
      played.push_back(q);
    }
  }
  std::filesystem::remove_all(scratch);
  if (failed) {
    std::fprintf(stderr, "player_bench: a round failed to show the movie\n");
    return 1;
  }

  const double base = Median(plain), ours = Median(played);
  std::printf("first picture of a %d s camera ASF (320x240 MPEG-4 + PCM), median of %d rounds\n", kMovieSeconds,
              rounds);
  std::printf("  plain pipeline preroll (filesrc ! asfdemux ! decodebin ! fakesink): %7.2f ms\n", base);
  std::printf("  MoviePlayer::Play to the first picture drawn:                       %7.2f ms\n", ours);
  std::printf("  ratio: %.2fx (goal at most 1.5x)\n", ours / base);
  return 0;
}
