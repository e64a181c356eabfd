#include "video/HeadlessPreview.h"

#include <vector>

HeadlessPreview::~HeadlessPreview() { TearDown(); }

void HeadlessPreview::WireAndRun() {
  TearDown();
  if (thread_.joinable()) thread_.join();
  stop_ = false;
  thread_ = std::thread(&HeadlessPreview::Run, this);
}

bool HeadlessPreview::TearDown() {
  // Only the first caller joins: the worker's TearDown and the owner's may meet.
  if (stop_.exchange(true)) return true;
  queue_.FrameReady().Set();  // wakes the taker to see the stop
  if (thread_.joinable()) thread_.join();
  return true;
}

void HeadlessPreview::Run() {
  std::vector<uint8_t> frame(FrameQueue::kSlotBytes);
  while (!stop_) {
    // Each frame-ready signal stands for at least one queued frame; the
    // writer may have queued several (and overwritten the oldest) meanwhile.
    queue_.FrameReady().WaitFor(std::chrono::hours(24));
    for (int n = 0; n < FrameQueue::kSlots && !stop_; ++n) {
      const size_t length = queue_.Take(readIndex_, frame.data(), frame.size());
      if (length == 0) break;
      readIndex_ = (readIndex_ + 1) % FrameQueue::kSlots;
      ++frames_;
      frameBytes_ += length;
    }
  }
}
