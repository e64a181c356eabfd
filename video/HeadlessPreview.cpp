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
    // writer may have queued several (and overwritten the oldest) meanwhile,
    // or started again from slot 0: every slot is looked at, oldest first.
    queue_.FrameReady().WaitFor(std::chrono::hours(24));
    int next = readIndex_;
    for (int n = 0; n < FrameQueue::kSlots && !stop_; ++n) {
      const int slot = (readIndex_ + n) % FrameQueue::kSlots;
      const size_t length = queue_.Take(slot, frame.data(), frame.size());
      if (length == 0) continue;
      next = (slot + 1) % FrameQueue::kSlots;
      ++frames_;
      frameBytes_ += length;
    }
    readIndex_ = next;
  }
}
