#include "video/FrameQueue.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/video/AsfBuilders.h"

using asfbuild::Bytes;
using asfbuild::Pattern;

namespace {
Bytes Taken(FrameQueue& q, int index) {
  Bytes out(FrameQueue::kSlotBytes);
  out.resize(q.Take(index, out.data(), out.size()));
  return out;
}
}  // namespace

TEST(FrameQueueTest, FifthUnreadFrameOverwritesTheFirst) {
  FrameQueue q;
  std::vector<Bytes> frames;
  for (int i = 0; i < 5; ++i) {
    frames.push_back(Pattern(100 + i, uint8_t(i)));
    q.Queue(frames.back().data(), frames.back().size());
  }
  EXPECT_EQ(q.WriteIndex(), 1);
  EXPECT_TRUE(q.FrameReady().TryWait());
  EXPECT_EQ(Taken(q, 0), frames[4]);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(Taken(q, i), frames[i]);
  EXPECT_TRUE(Taken(q, 0).empty());  // taking empties the entry
}

TEST(FrameQueueTest, ClearEmptiesEverythingButKeepsTheWriteIndex) {
  FrameQueue q;
  Bytes f = Pattern(64, 1);
  q.Queue(f.data(), f.size());
  q.Queue(f.data(), f.size());
  q.Clear();
  EXPECT_EQ(q.WriteIndex(), 2);
  for (int i = 0; i < FrameQueue::kSlots; ++i) EXPECT_EQ(q.EntryAt(i).length, 0u);
  q.ResetWriteIndex();
  EXPECT_EQ(q.WriteIndex(), 0);

  q.Queue(f.data(), f.size());
  q.ClearTable();
  EXPECT_TRUE(Taken(q, 0).empty());
}

TEST(FrameQueueTest, FramesThatDoNotFitAreNeitherQueuedNorCopiedOut) {
  FrameQueue q;
  Bytes big(FrameQueue::kSlotBytes + 1, 7);
  q.Queue(big.data(), big.size());
  q.Queue(big.data(), 0);
  EXPECT_EQ(q.WriteIndex(), 0);
  EXPECT_FALSE(q.FrameReady().TryWait());

  Bytes f = Pattern(500, 2), small(100);
  q.Queue(f.data(), f.size());
  EXPECT_EQ(q.Take(0, small.data(), small.size()), 0u);  // dropped, not cut
  EXPECT_EQ(q.EntryAt(0).length, 0u);
}
