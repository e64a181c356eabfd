// The source pin's sample rules, without a pipeline: first-sample flag, stop
// event, 50 ms stream time, frame take, and the media type for both sizes.
#include <gtest/gtest.h>

#include <vector>

#include "video/Mpeg4Source.h"

namespace {

struct Fill {
  std::vector<uint8_t> buffer;
  MediaSample sample;
};

class Mpeg4StreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VideoFormatFlag() = true;
    queue.FrameReady().Reset();
    stream.OnThreadCreate();
  }
  Fill Sample(uint8_t garbage = 0xEE) {
    Fill f;
    f.buffer.assign(SampleBufferBytes(stream.Size()), garbage);
    f.sample.data = f.buffer.data();
    f.sample.size = f.buffer.size();
    stream.FillBuffer(f.sample);
    return f;
  }
  void QueueFrame(uint8_t seed, size_t length = 1000) {
    std::vector<uint8_t> frame(length);
    for (size_t i = 0; i < length; ++i) frame[i] = uint8_t(seed + i);
    queue.Queue(frame.data(), frame.size());
  }
  bool TableEmpty() {
    for (int i = 0; i < FrameQueue::kSlots; ++i)
      if (queue.EntryAt(i).length != 0) return false;
    return true;
  }

  FrameQueue queue;
  CMpeg4Stream stream{queue};
};

TEST_F(Mpeg4StreamTest, BeforeTheFirstFrameSamplesAreEmptyUntimedZeroedAndEmptyTheTable) {
  for (int i = 0; i < 3; ++i) {
    // A frame in the table without its signal (left from before this run).
    QueueFrame(1);
    queue.FrameReady().Reset();
    Fill f = Sample();
    EXPECT_FALSE(f.sample.timed);
    EXPECT_EQ(f.sample.actualLength, 0u);
    EXPECT_EQ(f.buffer, std::vector<uint8_t>(f.buffer.size(), 0));
    EXPECT_TRUE(TableEmpty());
    EXPECT_TRUE(stream.WaitingForFirstFrame());
    EXPECT_EQ(stream.StreamTime(), 0);
  }
}

TEST_F(Mpeg4StreamTest, SamplesSpanFiftyMillisecondsFromTheFirstFrameOnWithOrWithoutANewFrame) {
  QueueFrame(10, 1234);
  Fill first = Sample();
  ASSERT_TRUE(first.sample.timed);
  EXPECT_EQ(first.sample.start, 0);
  EXPECT_EQ(first.sample.end, 500000);
  EXPECT_EQ(first.sample.actualLength, 1234u);
  EXPECT_TRUE(first.sample.discontinuity);
  EXPECT_TRUE(first.sample.syncPoint);
  EXPECT_EQ(first.buffer[0], 10);
  EXPECT_EQ(first.buffer[1233], uint8_t(10 + 1233));

  Fill empty = Sample();  // no new frame: still 50 ms, nothing carried
  ASSERT_TRUE(empty.sample.timed);
  EXPECT_EQ(empty.sample.start, 500000);
  EXPECT_EQ(empty.sample.end, 1000000);
  EXPECT_EQ(empty.sample.actualLength, 0u);
  EXPECT_FALSE(empty.sample.discontinuity);
  EXPECT_TRUE(empty.sample.syncPoint);

  QueueFrame(20, 500);
  Fill next = Sample();
  EXPECT_EQ(next.sample.start, 1000000);
  EXPECT_EQ(next.sample.end, 1500000);
  EXPECT_EQ(next.sample.actualLength, 500u);
  EXPECT_EQ(next.buffer[0], 20);
}

TEST_F(Mpeg4StreamTest, FramesQueuedBetweenTwoSamplesAreTakenInOrderOnePerSample) {
  QueueFrame(1);
  QueueFrame(2);
  QueueFrame(3);  // three frames, but the auto-reset event holds one signal
  EXPECT_EQ(Sample().buffer[0], 1);
  EXPECT_EQ(Sample().buffer[0], 2);
  EXPECT_EQ(Sample().buffer[0], 3);
  Fill after = Sample();
  EXPECT_EQ(after.sample.actualLength, 0u);
  EXPECT_TRUE(TableEmpty());
  QueueFrame(4);  // slot 3, where the read index now stands
  EXPECT_EQ(Sample().buffer[0], 4);
}

TEST_F(Mpeg4StreamTest, AfterTheStopEventEverySampleIsEmptyAndTheTableIsCleared) {
  QueueFrame(1);
  Sample();
  stream.SetStopEvent();
  for (int i = 0; i < 3; ++i) {
    QueueFrame(uint8_t(5 + i));
    Fill f = Sample();
    EXPECT_FALSE(f.sample.timed);
    EXPECT_EQ(f.sample.actualLength, 0u);
    EXPECT_TRUE(TableEmpty());
    EXPECT_TRUE(stream.WaitingForFirstFrame());
  }
  stream.OnThreadCreate();  // the stop event is never reset
  QueueFrame(9);
  EXPECT_FALSE(Sample().sample.timed);
}

TEST_F(Mpeg4StreamTest, ThreadCreateRestartsStreamTimeReadIndexAndSizeFromTheFlag) {
  QueueFrame(1);
  Sample();
  Sample();
  VideoFormatFlag() = false;
  stream.OnThreadCreate();
  EXPECT_EQ(stream.StreamTime(), 0);
  EXPECT_TRUE(stream.WaitingForFirstFrame());
  EXPECT_EQ(stream.Size(), (FrameSize{352, 288}));
  queue.ResetWriteIndex();
  QueueFrame(7);
  Fill f = Sample();
  EXPECT_EQ(f.buffer.size(), 304128u);
  EXPECT_EQ(f.sample.start, 0);
  EXPECT_EQ(f.buffer[0], 7);  // read from slot 0 again
}

TEST(Mpeg4MediaType, BufferSizesAndConfigurationBytesForBothSizes) {
  EXPECT_EQ(SampleBufferBytes({320, 240}), 230400u);
  EXPECT_EQ(SampleBufferBytes({352, 288}), 304128u);
  const std::array<uint8_t, 18> small = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                         0x04, 0x40, 0x03, 0xE8, 0x50, 0x20, 0xF0, 0xA3, 0x1F};
  const std::array<uint8_t, 18> large = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                         0x04, 0x40, 0x03, 0xE8, 0x58, 0x21, 0x20, 0xA3, 0x1F};
  EXPECT_EQ(Mpeg4ConfigBytes({320, 240}), small);
  EXPECT_EQ(Mpeg4ConfigBytes({352, 288}), large);

  gst_init(nullptr, nullptr);
  for (FrameSize size : {FrameSize{320, 240}, FrameSize{352, 288}}) {
    GstCaps* caps = Mpeg4Caps(size);
    ASSERT_TRUE(gst_caps_is_fixed(caps));
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    EXPECT_STREQ(gst_structure_get_name(s), "video/mpeg");
    int version = 0, width = 0, height = 0;
    gboolean system = TRUE;
    EXPECT_TRUE(gst_structure_get_int(s, "mpegversion", &version));
    EXPECT_TRUE(gst_structure_get_boolean(s, "systemstream", &system));
    EXPECT_TRUE(gst_structure_get_int(s, "width", &width));
    EXPECT_TRUE(gst_structure_get_int(s, "height", &height));
    EXPECT_EQ(version, 4);
    EXPECT_FALSE(system);
    EXPECT_EQ(width, size.width);
    EXPECT_EQ(height, size.height);
    GstBuffer* codecData = gst_value_get_buffer(gst_structure_get_value(s, "codec_data"));
    ASSERT_NE(codecData, nullptr);
    std::array<uint8_t, 18> bytes{};
    ASSERT_EQ(gst_buffer_get_size(codecData), 18u);
    gst_buffer_extract(codecData, 0, bytes.data(), bytes.size());
    EXPECT_EQ(bytes, Mpeg4ConfigBytes(size));
    gst_caps_unref(caps);
  }
}

}  // namespace
