// The preview graph without a picture: it takes every frame the worker
// queues, counts it, and stops for good when torn down.
#include "video/HeadlessPreview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

// Waits until the preview has taken `n` frames; false if it never does.
bool TakenReaches(const HeadlessPreview& preview, uint64_t n) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (preview.Frames() < n)
    if (std::chrono::steady_clock::now() > limit) return false;
    else std::this_thread::yield();
  return true;
}

}  // namespace

TEST(HeadlessPreview, TakesEveryQueuedFrameUntilTornDownAndAgainAfterARestart) {
  FrameQueue queue;
  HeadlessPreview preview(queue);
  ASSERT_TRUE(preview.Build());
  preview.WireAndRun();
  uint64_t bytes = 0;
  for (int i = 1; i <= 9; ++i) {
    std::vector<uint8_t> frame(size_t(i) * 1000, uint8_t(i));
    queue.Queue(frame.data(), frame.size());
    bytes += frame.size();
    ASSERT_TRUE(TakenReaches(preview, uint64_t(i))) << "frame " << i;
  }
  EXPECT_EQ(preview.FrameBytes(), bytes);
  for (int slot = 0; slot < FrameQueue::kSlots; ++slot) EXPECT_EQ(queue.EntryAt(slot).length, 0u) << slot;

  // Torn down from another thread, as the worker does when the stream ends.
  std::thread([&] { EXPECT_TRUE(preview.TearDown()); }).join();
  EXPECT_TRUE(preview.TearDown());  // the owner's own tear-down meets it
  std::vector<uint8_t> late(100, 1);
  queue.Queue(late.data(), late.size());
  EXPECT_EQ(queue.EntryAt((queue.WriteIndex() + FrameQueue::kSlots - 1) % FrameQueue::kSlots).length, 100u);
  EXPECT_EQ(preview.Frames(), 9u);  // nobody takes it any more

  preview.WireAndRun();  // the next preview run takes what waits and what comes
  ASSERT_TRUE(TakenReaches(preview, 10));
  queue.Queue(late.data(), late.size());
  ASSERT_TRUE(TakenReaches(preview, 11));
}
