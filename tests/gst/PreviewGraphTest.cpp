// The preview graph: build failures and their messages, repeated runs that
// decode into the video frame, tear down from the worker's thread, hide and
// show; and the streaming worker feeding the source from a scripted camera.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "tests/gst/GstTestSupport.h"
#include "tests/video/ScriptedCamera.h"
#include "video/PreviewGraph.h"
#include "video/VideoFrame.h"

namespace {

using namespace gsttest;

class PreviewGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VideoFormatFlag() = true;
    SetMessageBoxScript(&script);
    frame.resize(320, 240);
  }
  void TearDown() override { SetMessageBoxScript(nullptr); }
  // Runs the graph while `count` frames are fed; true when all were decoded.
  bool RunWithFrames(GstPreviewGraph& graph, int count) {
    graph.SetWindows(&frame, &owner);
    if (!graph.Build()) return false;
    graph.WireAndRun();
    const uint64_t before = graph.DecodedFrames();
    // A frame queued before the source's thread starts is cleared by it: one
    // may be lost, the rest wait for the source (see Feeder).
    Feeder feeder(mpeg4test::Encode(320, 240, count, {40, 200, 40}));
    return WaitUntil([&] { return graph.DecodedFrames() >= before + uint64_t(count) - 1; });
  }

  MessageBoxScript script;
  VideoFrame frame;
  EventLog log;
  FakeOwner owner{log};
};

TEST_F(PreviewGraphTest, BuildWithoutAPreviewWindowFailsWithTheInitialisationMessage) {
  GstPreviewGraph graph;
  EXPECT_FALSE(graph.Build());
  EXPECT_EQ(script.shown, QStringList{"Failed to initialize."});
  EXPECT_FALSE(graph.TearDown());  // nothing to tear down
}

// Every installed decoder of the camera's MPEG-4 ranked below what
// autoplugging takes, for the lifetime of the object.
class NoMpeg4Decoder {
 public:
  NoMpeg4Decoder() {
    GstCaps* caps = gst_caps_from_string("video/mpeg, mpegversion=(int)4, systemstream=(boolean)false");
    GList* all = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER, GST_RANK_NONE);
    GList* fitting = gst_element_factory_list_filter(all, caps, GST_PAD_SINK, FALSE);
    for (GList* l = fitting; l; l = l->next) {
      auto* feature = GST_PLUGIN_FEATURE(gst_object_ref(l->data));
      lowered_.push_back({feature, gst_plugin_feature_get_rank(feature)});
      gst_plugin_feature_set_rank(feature, GST_RANK_NONE);
    }
    gst_plugin_feature_list_free(fitting);
    gst_plugin_feature_list_free(all);
    gst_caps_unref(caps);
  }
  ~NoMpeg4Decoder() {
    for (auto& [feature, rank] : lowered_) {
      gst_plugin_feature_set_rank(feature, rank);
      gst_object_unref(feature);
    }
  }
  size_t Count() const { return lowered_.size(); }

 private:
  std::vector<std::pair<GstPluginFeature*, guint>> lowered_;
};

TEST_F(PreviewGraphTest, WithoutAnMpeg4DecoderTheBuildFailsWithTheInitialisationMessage) {
  {
    NoMpeg4Decoder none;
    ASSERT_GT(none.Count(), 0u);
    GstPreviewGraph graph;
    graph.SetWindows(&frame, &owner);
    EXPECT_FALSE(graph.Build());
    EXPECT_EQ(script.shown, QStringList{"Failed to initialize."});
    EXPECT_FALSE(graph.Running());
  }
  // With a decoder back the same steps show the picture.
  GstPreviewGraph graph;
  EXPECT_TRUE(RunWithFrames(graph, 3));
  EXPECT_TRUE(graph.TearDown());
}

TEST_F(PreviewGraphTest, ASecondBuildFailsWithoutItsOwnMessageAndLeavesTheFirstRunning) {
  GstPreviewGraph graph;
  graph.SetWindows(&frame, &owner);
  ASSERT_TRUE(graph.Build());
  EXPECT_FALSE(graph.Build());
  EXPECT_EQ(script.shown, QStringList{"Failed to initialize."});
  graph.WireAndRun();
  {
    Feeder feeder(mpeg4test::Encode(320, 240, 4, {40, 200, 40}));
    EXPECT_TRUE(WaitUntil([&] { return graph.DecodedFrames() >= 3; }));
  }
  EXPECT_TRUE(graph.TearDown());
}

TEST_F(PreviewGraphTest, RepeatedRunsDecodeIntoTheFrameAndTearDownHidesIt) {
  GstPreviewGraph graph;
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    ASSERT_TRUE(RunWithFrames(graph, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.VideoVisible());
    const QImage picture = frame.Picture();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(320, 240));
    const QColor c = picture.pixelColor(312, 120);
    EXPECT_TRUE(Near({uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())}, {40, 200, 40}));
    EXPECT_TRUE(graph.TearDown());
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_FALSE(frame.VideoVisible());
    EXPECT_TRUE(frame.Picture().isNull());
    EXPECT_FALSE(graph.TearDown());  // tear down forgets the windows
  }
  EXPECT_TRUE(script.shown.isEmpty());
  EXPECT_GT(log.Count("message " + std::to_string(WM_PREVIEW_EVENT)), 0);
}

TEST_F(PreviewGraphTest, HideAndShowVideoWhileRunningAndTearDownFromAnotherThread) {
  GstPreviewGraph graph;
  ASSERT_TRUE(RunWithFrames(graph, 3));
  graph.HideVideo();
  EXPECT_FALSE(frame.VideoVisible());
  graph.ShowVideo();
  EXPECT_TRUE(frame.VideoVisible());
  EXPECT_GT(graph.TakeEvents(), 0);
  std::thread worker([&] { EXPECT_TRUE(graph.TearDown()); });
  worker.join();  // must not wait for the GUI thread
  QCoreApplication::processEvents();
  EXPECT_FALSE(frame.isVisible());
  EXPECT_FALSE(graph.Running());
}

// The worker pulls ASF blocks whose video objects are real MPEG-4 frames; the
// camera hands one out each time the test opens its gate, 15 a second.
TEST(WorkerAndSource, FramesFromTheCameraReachTheSink) {
  InstantPacing instant;
  SetPacing(&instant);
  VideoFormatFlag() = true;
  MessageBoxScript script;
  SetMessageBoxScript(&script);
  EventLog log;
  ScriptedCamera camera(log);
  FakeOwner owner(log);
  VideoFrame frame;
  GstPreviewGraph graph;
  const auto folder = std::filesystem::temp_directory_path() / "orin-gst-worker";
  std::filesystem::create_directories(folder);
  const uint32_t packetSize = 32768;
  const auto frames = mpeg4test::Encode(320, 240, 10, {200, 200, 40});
  camera.Gate();
  camera.Block(asfbuild::MakeHeader(packetSize));
  // After the ten frames the camera goes on filming the last picture for a
  // round of the ring: a frame-ready signal that arrives after its frame was
  // taken leaves the source a slot ahead, and it meets the waiting frames
  // again only when the worker has gone round.
  const size_t filmed = frames.size() + FrameQueue::kSlots;
  for (size_t i = 0; i < filmed; ++i) {
    const auto& picture = frames[std::min(i, frames.size() - 1)];
    camera.Gate();
    ASSERT_LT(picture.size(), packetSize - 64u);
    camera.Block(asfbuild::SinglePayloadPacket(packetSize, {1, uint8_t(i + 1), uint32_t(picture.size()), picture}));
  }
  camera.IdleWhenDone();
  {
    StreamWorker worker(camera, graph, folder.string());
    worker.SetWindows(&frame, &owner);
    ASSERT_TRUE(worker.StartStreaming());
    // The worker stops at the camera's gate before each block; once it waits
    // at the next one, the block before is in the queue. A gate opens when the
    // slot the worker fills next is free, so that no frame is written over one
    // the source has not taken, however slow the machine. Every gate opens
    // even after a failure: the worker must not be left waiting at one.
    auto nextSlotFree = [] { return TheFrameQueue().EntryAt(TheFrameQueue().WriteIndex()).length == 0; };
    for (size_t i = 0; i <= filmed; ++i) {
      EXPECT_TRUE(log.WaitFor("gate", int(i) + 1));
      EXPECT_TRUE(WaitUntil(nextSlotFree));
      camera.Open();
    }
    EXPECT_TRUE(WaitUntil([&] { return graph.DecodedFrames() >= frames.size() - 1; }));
    worker.StopStreaming();
  }
  EXPECT_FALSE(graph.Running());
  EXPECT_TRUE(script.shown.isEmpty());
  SetMessageBoxScript(nullptr);
  SetPacing(nullptr);
  std::filesystem::remove_all(folder);
}

}  // namespace
