// A preview graph without a picture, for the streaming worker where there is
// no window (orin-cam on a terminal): it takes each frame the worker queues,
// as the MPEG-4 source of the window's graph does, and counts them, so that a
// recording can tell whether live video arrived. Nothing is decoded or drawn.
#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

#include "video/FrameQueue.h"
#include "video/StreamWorker.h"

class HeadlessPreview final : public PreviewGraph {
 public:
  explicit HeadlessPreview(FrameQueue& queue = TheFrameQueue()) : queue_(queue) {}
  ~HeadlessPreview() override;
  HeadlessPreview(const HeadlessPreview&) = delete;
  HeadlessPreview& operator=(const HeadlessPreview&) = delete;

  void SetWindows(void*, StreamOwnerWindow*) override {}  // no window to draw into or notify
  bool Build() override { return true; }                  // nothing to build: frames are only taken
  // Starts the thread that takes the frames.
  void WireAndRun() override;
  // Stops it; from the GUI side or from the worker when the stream ends itself.
  bool TearDown() override;
  // A still pauses the stream; with no picture there is nothing to hide or show.
  void HideVideo() override {}
  void ShowVideo() override {}

  uint64_t Frames() const { return frames_; }
  uint64_t FrameBytes() const { return frameBytes_; }

 private:
  void Run();

  FrameQueue& queue_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> frames_{0}, frameBytes_{0};
  int readIndex_ = 0;  // the taker's thread only
};
