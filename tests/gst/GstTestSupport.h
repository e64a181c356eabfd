// Shared pieces of the preview tests: a feeder that queues encoded frames at
// the camera's 15 frames a second, and waiting for a condition.
#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "tests/gst/Mpeg4Frames.h"
#include "video/FrameQueue.h"

namespace gsttest {

// Waits until `done` holds; the limit only ends a test that is stuck.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 30000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Queues `frames` one every 66 ms on its own thread, as the worker would,
// from the first slot of an emptied ring, where the source starts reading;
// then goes on queueing the last frame, as a camera goes on filming, until it
// is stopped. The 66 ms are the camera's frame interval, part of what the
// tests look at (gaps between frames, pacing). A frame is never written over
// one the source has not taken: on a slow machine the feeder waits for the
// slot instead of overwriting it.
//
// The frames after the last matter when a frame-ready signal arrives after
// the source has already taken its frame (the queue signals once its lock is
// released): the source then reads one slot ahead and meets the waiting
// frames again only when the writer has gone round the ring.
class Feeder {
 public:
  Feeder(std::vector<mpeg4test::Frame> frames, FrameQueue& queue = TheFrameQueue())
      : thread_([this, frames = std::move(frames), &queue] {
          queue.Clear();
          queue.ResetWriteIndex();
          for (size_t i = 0; !frames.empty(); ++i) {
            while (!stop_ && queue.EntryAt(queue.WriteIndex()).length != 0)
              std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (stop_) return;
            const auto& f = frames[std::min(i, frames.size() - 1)];
            queue.Queue(f.data(), f.size());
            ++queued_;
            std::this_thread::sleep_for(std::chrono::milliseconds(66));
          }
        }) {}
  ~Feeder() {
    stop_ = true;
    thread_.join();
  }
  int Queued() const { return queued_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> queued_{0};
  std::thread thread_;
};

// Colour at (x, y) of an RGBX picture.
inline mpeg4test::Colour PixelAt(const uint8_t* rgbx, int stride, int x, int y) {
  const uint8_t* p = rgbx + y * stride + x * 4;
  return {p[0], p[1], p[2]};
}
inline bool Near(mpeg4test::Colour a, mpeg4test::Colour b, int tolerance = 24) {
  auto d = [](int x, int y) { return x > y ? x - y : y - x; };
  return d(a.r, b.r) <= tolerance && d(a.g, b.g) <= tolerance && d(a.b, b.b) <= tolerance;
}

}  // namespace gsttest
