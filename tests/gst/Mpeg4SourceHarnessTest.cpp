// The source element alone under GstHarness, on a test clock: each sample
// waits on the clock, and the test releases one at a time (a crank) and then
// waits until the element's thread is back in its next wait, so that what the
// sample carried has left the element. The frames come through FrameQueue,
// as the streaming worker puts them there.
#include <gst/base/gstbasesrc.h>
#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "video/Mpeg4Source.h"

namespace {

constexpr GstClockTime kSample = 50 * GST_MSECOND;

// The visual object and video object layer headers the camera's frames need.
constexpr std::array<uint8_t, 18> kConfig320 = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                                0x04, 0x40, 0x03, 0xE8, 0x50, 0x20, 0xF0, 0xA3, 0x1F};
constexpr std::array<uint8_t, 18> kConfig352 = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                                0x04, 0x40, 0x03, 0xE8, 0x58, 0x21, 0x20, 0xA3, 0x1F};

std::vector<uint8_t> Frame(uint8_t seed, size_t length) {
  std::vector<uint8_t> frame(length);
  for (size_t i = 0; i < length; ++i) frame[i] = uint8_t(seed + i * 7);
  return frame;
}

std::vector<uint8_t> Bytes(GstBuffer* buffer) {
  std::vector<uint8_t> bytes(gst_buffer_get_size(buffer));
  gst_buffer_extract(buffer, 0, bytes.data(), bytes.size());
  return bytes;
}

// The harnessed source: made, put on a test clock and started; its thread
// waits for its first sample when the constructor returns.
class SourceHarness {
 public:
  explicit SourceHarness(bool small) : queue(TheFrameQueue()) {
    VideoFormatFlag() = small;
    queue.Clear();
    queue.ResetWriteIndex();
    queue.FrameReady().Reset();
    h = gst_harness_new_with_padnames("orinmpeg4src", nullptr, "src");
    gst_harness_use_testclock(h);
    clock = gst_harness_get_testclock(h);
    stream = Mpeg4SourceStream(h->element);
    gst_harness_play(h);
    started = NextSampleWaiting();
  }
  ~SourceHarness() {
    gst_object_unref(clock);
    gst_harness_teardown(h);
  }

  // The element's thread waits on the clock for its next sample.
  bool NextSampleWaiting() { return gst_test_clock_timed_wait_for_multiple_pending_ids(clock, 1, 5000, nullptr); }
  // Releases one sample and waits until the element has dealt with it.
  bool Crank() { return gst_harness_crank_single_clock_wait(h) && NextSampleWaiting(); }
  void Queue(const std::vector<uint8_t>& frame) { queue.Queue(frame.data(), frame.size()); }
  // A frame in the table without its frame-ready signal.
  void QueueUnsignalled(const std::vector<uint8_t>& frame) {
    Queue(frame);
    queue.FrameReady().Reset();
  }
  bool TableEmpty() const {
    for (int i = 0; i < FrameQueue::kSlots; ++i)
      if (queue.EntryAt(i).length != 0) return false;
    return true;
  }
  // The events that reached the harness since the last call, by type.
  std::vector<GstEventType> EventTypes() {
    std::vector<GstEventType> types;
    while (GstEvent* e = gst_harness_try_pull_event(h)) {
      types.push_back(GST_EVENT_TYPE(e));
      if (GST_EVENT_TYPE(e) == GST_EVENT_SEGMENT) gst_event_copy_segment(e, &segment);
      if (GST_EVENT_TYPE(e) == GST_EVENT_GAP) gst_event_parse_gap(e, &gapPts, &gapDuration);
      gst_event_unref(e);
    }
    return types;
  }
  GstClockTime Now() const { return gst_clock_get_time(GST_CLOCK(clock)); }
  // The buffer the last sample sent, if any: it is with the harness once the
  // element waits for its next sample.
  GstBuffer* Pull() { return gst_harness_try_pull(h); }

  FrameQueue& queue;
  GstHarness* h = nullptr;
  GstTestClock* clock = nullptr;
  CMpeg4Stream* stream = nullptr;
  bool started = false;
  GstSegment segment{};
  GstClockTime gapPts = GST_CLOCK_TIME_NONE, gapDuration = GST_CLOCK_TIME_NONE;
};

TEST(Mpeg4SourceHarness, CapsCarryTheConfigurationBytesAndBuffersHoldAPictureForBothSizes) {
  for (bool small : {true, false}) {
    SCOPED_TRACE(small ? "320 x 240" : "352 x 288");
    const FrameSize size = small ? FrameSize{320, 240} : FrameSize{352, 288};
    SourceHarness s(small);
    ASSERT_TRUE(s.started);

    // Negotiated before the first sample is filled.
    GstCaps* caps = gst_pad_get_current_caps(s.h->sinkpad);
    ASSERT_NE(caps, nullptr);
    const GstStructure* st = gst_caps_get_structure(caps, 0);
    EXPECT_TRUE(gst_structure_has_name(st, "video/mpeg"));
    int version = 0, width = 0, height = 0;
    gboolean system = TRUE;
    gst_structure_get_int(st, "mpegversion", &version);
    gst_structure_get_boolean(st, "systemstream", &system);
    gst_structure_get_int(st, "width", &width);
    gst_structure_get_int(st, "height", &height);
    EXPECT_EQ(version, 4);
    EXPECT_FALSE(system);
    EXPECT_EQ(width, size.width);
    EXPECT_EQ(height, size.height);
    const GValue* codecData = gst_structure_get_value(st, "codec_data");
    ASSERT_NE(codecData, nullptr);
    GstBuffer* config = gst_value_get_buffer(codecData);
    ASSERT_EQ(gst_buffer_get_size(config), 18u);
    std::array<uint8_t, 18> bytes{};
    gst_buffer_extract(config, 0, bytes.data(), bytes.size());
    EXPECT_EQ(bytes, small ? kConfig320 : kConfig352);
    gst_caps_unref(caps);

    // Each buffer has room for a whole 24-bit picture of that size.
    const auto frame = Frame(3, 2000);
    s.Queue(frame);
    ASSERT_TRUE(s.Crank());
    GstBuffer* buffer = s.Pull();
    ASSERT_NE(buffer, nullptr);
    gsize maxSize = 0;
    EXPECT_EQ(gst_buffer_get_sizes(buffer, nullptr, &maxSize), frame.size());
    EXPECT_GE(maxSize, SampleBufferBytes(size));
    gst_buffer_unref(buffer);
  }
}

TEST(Mpeg4SourceHarness, CapsWithoutTheConfigurationBytesAreRefused) {
  GstElement* source = gst_element_factory_make("orinmpeg4src", nullptr);
  ASSERT_NE(source, nullptr);
  gst_object_ref_sink(source);
  GstCaps* bare = gst_caps_from_string("video/mpeg, mpegversion=(int)4, systemstream=(boolean)false, "
                                       "width=(int)320, height=(int)240");
  EXPECT_FALSE(gst_base_src_set_caps(GST_BASE_SRC(source), bare));
  gst_caps_unref(bare);
  gst_object_unref(source);
}

TEST(Mpeg4SourceHarness, UntilAFrameIsSignalledSamplesAreEmptyUntimedAndEmptyTheQueue) {
  SourceHarness s(true);
  ASSERT_TRUE(s.started);
  for (int i = 0; i < 3; ++i) {
    // A frame left in the table from before this run, without its signal.
    s.QueueUnsignalled(Frame(uint8_t(i), 500));
    ASSERT_TRUE(s.Crank());
    EXPECT_TRUE(s.TableEmpty());
    EXPECT_TRUE(s.stream->WaitingForFirstFrame());
    EXPECT_EQ(s.stream->StreamTime(), 0);
  }
  // Nothing went out: no buffer, no segment, no gap.
  EXPECT_EQ(gst_harness_buffers_received(s.h), 0u);
  for (GstEventType type : s.EventTypes()) {
    EXPECT_NE(type, GST_EVENT_SEGMENT);
    EXPECT_NE(type, GST_EVENT_GAP);
  }
}

TEST(Mpeg4SourceHarness, TheFirstFrameStartsAtZeroAndEverySampleSpansFiftyMilliseconds) {
  SourceHarness s(false);
  ASSERT_TRUE(s.started);
  ASSERT_TRUE(s.Crank());  // one empty sample first
  s.EventTypes();

  // The first frame: stream time 0, its segment starting at the running time it was taken.
  const auto first = Frame(10, 1234);
  s.Queue(first);
  ASSERT_TRUE(s.Crank());
  const GstClockTime takenAt = s.Now();
  GstBuffer* buffer = s.Pull();
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(GST_BUFFER_PTS(buffer), 0u);
  EXPECT_EQ(GST_BUFFER_DURATION(buffer), kSample);
  EXPECT_TRUE(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT));
  EXPECT_FALSE(GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT));
  EXPECT_EQ(Bytes(buffer), first);
  gst_buffer_unref(buffer);
  const auto events = s.EventTypes();
  ASSERT_EQ(std::count(events.begin(), events.end(), GST_EVENT_SEGMENT), 1);
  EXPECT_EQ(s.segment.format, GST_FORMAT_TIME);
  EXPECT_EQ(s.segment.start, 0u);
  EXPECT_LE(s.segment.base, takenAt);

  // No new frame: the sample still spans its 50 ms, as a gap.
  ASSERT_TRUE(s.Crank());
  EXPECT_EQ(gst_harness_buffers_in_queue(s.h), 0u);
  const auto gap = s.EventTypes();
  ASSERT_EQ(std::count(gap.begin(), gap.end(), GST_EVENT_GAP), 1);
  EXPECT_EQ(s.gapPts, kSample);
  EXPECT_EQ(s.gapDuration, kSample);
  EXPECT_EQ(s.stream->StreamTime(), 1000000);

  // Each sample is released when the clock reaches its start.
  EXPECT_EQ(s.Now(), s.segment.base + kSample);

  // Two frames between two samples: the second one is taken at the next
  // sample although the frame-ready signal came only once for both.
  const auto second = Frame(20, 300), third = Frame(30, 400);
  s.Queue(second);
  s.Queue(third);
  ASSERT_TRUE(s.Crank());
  buffer = s.Pull();
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(GST_BUFFER_PTS(buffer), 2 * kSample);
  EXPECT_EQ(Bytes(buffer), second);
  gst_buffer_unref(buffer);
  ASSERT_TRUE(s.Crank());
  buffer = s.Pull();
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(GST_BUFFER_PTS(buffer), 3 * kSample);
  EXPECT_EQ(GST_BUFFER_DURATION(buffer), kSample);
  EXPECT_EQ(Bytes(buffer), third);
  gst_buffer_unref(buffer);
}

TEST(Mpeg4SourceHarness, AfterTheStopEventSamplesAreEmptyAndEachEmptiesTheQueue) {
  SourceHarness s(true);
  ASSERT_TRUE(s.started);
  s.Queue(Frame(1, 700));
  ASSERT_TRUE(s.Crank());
  GstBuffer* buffer = s.Pull();
  ASSERT_NE(buffer, nullptr);
  gst_buffer_unref(buffer);
  s.EventTypes();

  s.stream->SetStopEvent();
  for (int i = 0; i < 3; ++i) {
    s.Queue(Frame(uint8_t(40 + i), 600));  // signalled, and still dropped
    ASSERT_TRUE(s.Crank());
    EXPECT_TRUE(s.TableEmpty());
    EXPECT_TRUE(s.stream->WaitingForFirstFrame());
  }
  EXPECT_EQ(gst_harness_buffers_received(s.h), 1u);
  for (GstEventType type : s.EventTypes()) EXPECT_NE(type, GST_EVENT_GAP);
  // The stream time stopped where the last timed sample ended.
  EXPECT_EQ(s.stream->StreamTime(), 500000);
}

}  // namespace
