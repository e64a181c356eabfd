// The source element in a real pipeline: caps and buffer sizes as
// negotiated, 50 ms samples paced in real time, gaps for samples without a
// frame, and real MPEG-4 frames decoded by the decoder GStreamer picks.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "tests/gst/GstTestSupport.h"
#include "video/Mpeg4Source.h"

namespace {

using namespace gsttest;

struct Seen {
  std::mutex mutex;
  std::vector<GstClockTime> bufferPts, bufferDurations, gapPts;
  std::vector<gsize> maxSizes;
  std::vector<std::chrono::steady_clock::time_point> sentAt;  // every sample, in order
};

GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* seen = static_cast<Seen*>(data);
  std::lock_guard<std::mutex> lock(seen->mutex);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
    GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
    gsize maxSize = 0;
    gst_buffer_get_sizes(b, nullptr, &maxSize);
    seen->bufferPts.push_back(GST_BUFFER_PTS(b));
    seen->bufferDurations.push_back(GST_BUFFER_DURATION(b));
    seen->maxSizes.push_back(maxSize);
    seen->sentAt.push_back(std::chrono::steady_clock::now());
  } else if (GstEvent* e = GST_PAD_PROBE_INFO_EVENT(info); e && GST_EVENT_TYPE(e) == GST_EVENT_GAP) {
    GstClockTime pts, duration;
    gst_event_parse_gap(e, &pts, &duration);
    seen->gapPts.push_back(pts);
    seen->sentAt.push_back(std::chrono::steady_clock::now());
  }
  return GST_PAD_PROBE_OK;
}

struct Decoded {
  int count = 0;
  int width = 0, height = 0;
  mpeg4test::Colour corner{}, bar{};
  std::vector<int> bands;  // where each picture shows its bright bar: its frame number
};

// The 16-pixel band of the picture's bright bar, along its middle row.
int BrightBand(const uint8_t* rgbx, int width, int height) {
  int best = 0, brightest = -1;
  for (int band = 0; band < width / 16; ++band) {
    const mpeg4test::Colour c = PixelAt(rgbx, width * 4, band * 16 + 8, height / 2);
    if (c.r + c.g + c.b > brightest) {
      brightest = c.r + c.g + c.b;
      best = band;
    }
  }
  return best;
}

// Runs source ! decodebin ! videoconvert ! RGBx ! appsink while `frames`
// are fed at 15 per second, and collects what went out and what came through.
Decoded RunPipeline(FrameSize size, const std::vector<mpeg4test::Frame>& frames, Seen& seen,
                    std::chrono::milliseconds& elapsed, GstCaps** negotiated) {
  VideoFormatFlag() = size.width == 320;
  GstElement* pipeline = gst_parse_launch(
      "orinmpeg4src name=src ! decodebin ! videoconvert ! video/x-raw,format=RGBx ! "
      "appsink name=sink sync=false",
      nullptr);
  GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  GstPad* pad = gst_element_get_static_pad(src, "src");
  gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), Probe,
                    &seen, nullptr);
  TheFrameQueue().Clear();
  TheFrameQueue().ResetWriteIndex();
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  // The source's thread empties the table when it starts: feed after that,
  // as the worker only starts once the graph runs.
  CMpeg4Stream* stream = Mpeg4SourceStream(src);
  EXPECT_TRUE(WaitUntil([&] { return stream->ThreadStarts() == 1; }));

  Decoded decoded;
  const auto start = std::chrono::steady_clock::now();
  {
    Feeder feeder(frames);
    while (decoded.count < int(frames.size())) {
      // The limit only ends a run that is stuck.
      GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 20 * GST_SECOND);
      if (!sample) break;
      ++decoded.count;
      GstBuffer* buffer = gst_sample_get_buffer(sample);
      GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
      gst_structure_get_int(s, "width", &decoded.width);
      gst_structure_get_int(s, "height", &decoded.height);
      GstMapInfo map;
      gst_buffer_map(buffer, &map, GST_MAP_READ);
      const int stride = decoded.width * 4;
      decoded.corner = PixelAt(map.data, stride, decoded.width - 8, decoded.height / 2);
      decoded.bar = PixelAt(map.data, stride, 8, decoded.height / 2);  // frame 0's bar
      decoded.bands.push_back(BrightBand(map.data, decoded.width, decoded.height));
      gst_buffer_unmap(buffer, &map);
      gst_sample_unref(sample);
    }
  }
  elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  *negotiated = gst_pad_get_current_caps(pad);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pad);
  gst_object_unref(src);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return decoded;
}

void ExpectLiveRun(FrameSize size, mpeg4test::Colour colour) {
  const auto frames = mpeg4test::Encode(size.width, size.height, 8, colour);
  ASSERT_EQ(frames.size(), 8u);
  // While the source waits for its first frame it clears the queue's table at
  // every look; a first frame queued in the instant between the queue's
  // unlock and its signal is cleared with it, and the stream starts with the
  // second frame a sample late. The camera's first picture may go the same
  // way, which costs nothing; here the run is made again, so that what is
  // checked is a stream that started with its first frame. A source that
  // always lost it fails every run.
  auto seenHere = std::make_unique<Seen>();
  std::chrono::milliseconds elapsed{};
  GstCaps* caps = nullptr;
  Decoded decoded = RunPipeline(size, frames, *seenHere, elapsed, &caps);
  for (int run = 1; run < 5 && (decoded.bands.empty() || decoded.bands.front() != 0); ++run) {
    if (caps) gst_caps_unref(caps);
    caps = nullptr;
    seenHere = std::make_unique<Seen>();
    decoded = RunPipeline(size, frames, *seenHere, elapsed, &caps);
  }
  Seen& seen = *seenHere;

  // Every frame reaches the sink, in order, decoded at the camera's size and colour.
  EXPECT_EQ(decoded.count, 8);
  EXPECT_EQ(decoded.bands, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(decoded.width, size.width);
  EXPECT_EQ(decoded.height, size.height);
  EXPECT_TRUE(Near(decoded.corner, colour));

  // The caps carry the configuration bytes of this size.
  ASSERT_NE(caps, nullptr);
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  GstBuffer* codecData = gst_value_get_buffer(gst_structure_get_value(s, "codec_data"));
  ASSERT_NE(codecData, nullptr);
  std::array<uint8_t, 18> bytes{};
  gst_buffer_extract(codecData, 0, bytes.data(), bytes.size());
  EXPECT_EQ(bytes, Mpeg4ConfigBytes(size));
  gst_caps_unref(caps);

  std::lock_guard<std::mutex> lock(seen.mutex);
  ASSERT_FALSE(seen.bufferPts.empty());
  EXPECT_EQ(seen.bufferPts.front(), 0u);
  for (size_t i = 0; i < seen.bufferPts.size(); ++i) {
    EXPECT_EQ(seen.bufferPts[i] % (50 * GST_MSECOND), 0u);
    EXPECT_EQ(seen.bufferDurations[i], 50 * GST_MSECOND);
    EXPECT_GE(seen.maxSizes[i], SampleBufferBytes(size));
    if (i > 0) {
      EXPECT_GT(seen.bufferPts[i], seen.bufferPts[i - 1]);
    }
  }
  // 15 frames a second in 20 samples a second: the samples between carry
  // nothing and go out as gaps; together they tile the stream time.
  EXPECT_FALSE(seen.gapPts.empty());
  const size_t samples = seen.bufferPts.size() + seen.gapPts.size();
  const GstClockTime last = std::max(seen.bufferPts.back(), seen.gapPts.empty() ? 0 : seen.gapPts.back());
  EXPECT_EQ(last, (samples - 1) * 50 * GST_MSECOND);
  // Paced in real time: the samples never run ahead of the clock.
  const auto span = std::chrono::duration_cast<std::chrono::milliseconds>(seen.sentAt.back() - seen.sentAt.front());
  EXPECT_GE(span.count() + 10, int64_t((samples - 1) * 50));
  EXPECT_GE(samples, size_t(7 * 66 / 50));
  EXPECT_GE(elapsed.count(), 7 * 66);
}

TEST(Mpeg4SourcePipeline, Small320x240FramesDecodeAtTheirTimes) { ExpectLiveRun({320, 240}, {220, 30, 30}); }

TEST(Mpeg4SourcePipeline, Large352x288FramesDecodeAtTheirTimes) { ExpectLiveRun({352, 288}, {30, 40, 210}); }

TEST(Mpeg4SourcePipeline, WithoutFramesNothingGoesOutAndStoppingIsPrompt) {
  VideoFormatFlag() = true;
  TheFrameQueue().Clear();
  GstElement* pipeline = gst_parse_launch("orinmpeg4src name=src ! fakesink name=sink", nullptr);
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  int buffers = 0;
  GstPad* pad = gst_element_get_static_pad(sink, "sink");
  gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad*, GstPadProbeInfo*, gpointer n) {
        ++*static_cast<int*>(n);
        return GST_PAD_PROBE_OK;
      },
      &buffers, nullptr);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
  CMpeg4Stream* stream = Mpeg4SourceStream(src);
  EXPECT_TRUE(WaitUntil([&] { return stream->ThreadStarts() == 1; }));
  // Nothing going out can only be watched for a while: in 200 ms the idle
  // source looks at the empty queue some twenty times and sends nothing.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto start = std::chrono::steady_clock::now();
  gst_element_set_state(pipeline, GST_STATE_NULL);
  // A source that ignored the stop would hold this for ever; any machine
  // stops a waiting source far sooner than this.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(buffers, 0);
  gst_object_unref(src);
  gst_object_unref(pad);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
}

}  // namespace
