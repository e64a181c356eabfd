// The movie player: plays one movie or sound file at a time, its pictures
// drawn into the window's video frame (control 1069) as the live preview's
// are, its sound to the desktop's audio output (a fake sink where none works).
//
// Windows Media files (a path holding one of the eight spellings of
// IsWindowsMediaPath) go through the ASF reader with each of its streams
// decoded on its own; every other file is handed whole to automatic decoding.
// The window only calls the operations below and handles WM_ASFCOMPLETE:
// nothing of GStreamer shows here.
//
// Play, StopPlayer, FitPlayer and TakePlayerEvents run on the GUI thread.
// The graph's streaming threads reach the window only by posting
// WM_ASFCOMPLETE (never blocking) and by drawing into the video frame.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camera/CameraUi.h"
#include "video/StreamWorker.h"

class VideoFrame;

// Posted to the notify window when the movie has ended or failed while playing.
enum : unsigned { WM_ASFCOMPLETE = WM_USER + 14 };

// The codes TakePlayerEvents reports for the graph's events.
enum : long {
  EC_OTHER = 0,      // an event the window does not act on
  EC_COMPLETE = 1,   // every stream has played to its end
  EC_USERABORT = 3,  // an error has ended the playing
};

// Whether `path` goes through the ASF reader: it holds ".asf", ".ASF",
// ".mp4s", ".MP4S", ".wma", ".WMA", ".wmv" or ".WMV" anywhere (a folder name
// counts), in exactly those spellings (".Asf" is none of them).
bool IsWindowsMediaPath(const std::string& path);

class MoviePlayer {
 public:
  // Called on a streaming thread for every picture drawn, the first one
  // (shown when the movie is ready to play) included.
  using FrameCallback = std::function<void(const uint8_t* rgbx, int width, int height, int stride)>;

  // `ui` shows the player's one message.
  explicit MoviePlayer(CameraUi& ui);
  ~MoviePlayer();
  MoviePlayer(const MoviePlayer&) = delete;
  MoviePlayer& operator=(const MoviePlayer&) = delete;

  // Plays `path` into `videoOwner`, announcing its end to `notifyWindow`.
  // Any failure (no such file, not a movie, no decoder, a graph that cannot
  // get ready or run) shows "Not supported format.", leaves the player
  // stopped and gives false. A movie still playing is stopped first.
  bool Play(const std::string& path, VideoFrame* videoOwner, StreamOwnerWindow* notifyWindow);
  // Stops the graph, releases it, takes the video off the frame and forgets
  // both windows. Does nothing more when nothing plays.
  void StopPlayer();
  // After the window moved or resized: the video fills the frame again.
  void FitPlayer();
  // The WM_ASFCOMPLETE handler: takes the pending events (zero wait), each
  // code into `lastCode` (EC_OTHER when there was none); at the first
  // EC_COMPLETE or EC_USERABORT the graph is stopped and no more are taken.
  void TakePlayerEvents(long& lastCode);

  // 2 while a graph runs, 0 otherwise.
  int Playing() const { return playing_; }
  // A graph was run successfully and not released since.
  bool Started() const { return started_; }

  // Seams for tests and benchmarks: pictures drawn, and the elements the
  // graph was built of (factory names, top level only; empty without a graph).
  void SetFrameCallback(FrameCallback callback);
  uint64_t DrawnFrames() const { return drawing_.frames; }
  std::vector<std::string> GraphElements() const;

 private:
  struct Graph;  // the GStreamer graph and what its threads reach

  // What the sinks' threads reach, across graphs.
  struct Drawing {
    std::mutex mutex;  // window and callback
    VideoFrame* window = nullptr;
    FrameCallback callback;
    std::atomic<uint64_t> frames{0};
  };

  bool Build(const std::string& path);
  bool Preroll();
  bool Run();
  void Release();

  CameraUi& ui_;
  std::unique_ptr<Graph> graph_;
  VideoFrame* videoOwner_ = nullptr;
  StreamOwnerWindow* notifyWindow_ = nullptr;
  int playing_ = 0;
  bool started_ = false;
  Drawing drawing_;
};
