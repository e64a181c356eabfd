#include "video/StreamWorker.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "platform/ui/Pacing.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/video/AsfBuilders.h"
#include "tests/video/ScriptedCamera.h"

using namespace asfbuild;

namespace {

constexpr uint32_t kWorkerPacket = 256;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// One packet carrying a whole video frame.
Bytes FramePacket(const Bytes& frame, uint8_t object, uint32_t packetSize = kWorkerPacket) {
  return MultiPayloadPacket(packetSize, {{1, object, uint32_t(frame.size()), frame}});
}
Bytes AudioPacket(uint8_t object) { return MultiPayloadPacket(kWorkerPacket, {{2, object, 60, Pattern(60, 9)}}); }

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class StreamWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPacing(&pacing);
    char pattern[] = "/tmp/orin-video-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    temp = pattern;
  }
  void TearDown() override {
    if (worker) {
      camera.Open();
      worker->StopStreaming();
    }
    worker.reset();
    SetPacing(nullptr);
    std::filesystem::remove_all(temp);
  }
  // StartStreaming answers whether the preview still runs when it returns, so
  // scripts that end at once hold the stream at a gate until it has.
  void Start(const std::string& folder = "") {
    worker = std::make_unique<StreamWorker>(camera, preview, folder.empty() ? temp : folder, queue);
    worker->SetWindows(nullptr, &owner);
    ASSERT_TRUE(worker->StartStreaming());
  }
  // Runs the script to its end (length 0) and joins the worker.
  void RunToEnd() {
    ASSERT_TRUE(log.WaitFor("WM_STREAM_ENDED"));
    worker->WaitForThread();
  }
  Bytes Frame(int index) {
    Bytes out(FrameQueue::kSlotBytes);
    out.resize(queue.Take(index, out.data(), out.size()));
    return out;
  }
  bool Waited(int ms) {
    auto w = pacing.Waits();
    return std::find(w.begin(), w.end(), ms) != w.end();
  }

  InstantPacing pacing;
  EventLog log;
  ScriptedCamera camera{log};
  FakeOwner owner{log};
  FakePreview preview{log};
  FrameQueue queue;
  std::string temp;
  std::unique_ptr<StreamWorker> worker;
};

}  // namespace

// --- what the stream poll answers ---

TEST_F(StreamWorkerTest, ReadyZeroPollsAgainAndLengthZeroEndsWithoutStop) {
  camera.Gate();
  camera.Idle();
  camera.Idle();
  Start();
  camera.Open();
  RunToEnd();
  EXPECT_EQ(log.Count("poll"), 3);
  EXPECT_EQ(log.Count("start"), 1);
  EXPECT_EQ(log.Count("stop"), 0);
  EXPECT_EQ(log.Count("bulk"), 0);
  EXPECT_EQ(pacing.Waits(), (std::vector<int>{10, 2, 2}));
  EXPECT_LT(log.IndexOf("teardown"), log.IndexOf("WM_STREAM_ENDED"));
  EXPECT_FALSE(worker->LinkLost());
  EXPECT_FALSE(worker->PreviewRunning());
}

TEST_F(StreamWorkerTest, FailedPollStopsTheStreamAndMarksTheLinkLost) {
  camera.Gate();
  camera.FailPoll();
  Start();
  camera.Open();
  RunToEnd();
  EXPECT_EQ(log.Count("stop"), 1);
  EXPECT_LT(log.IndexOf("stop"), log.IndexOf("teardown"));
  EXPECT_LT(log.IndexOf("teardown"), log.IndexOf("WM_STREAM_ENDED"));
  EXPECT_TRUE(worker->LinkLost());
  EXPECT_EQ(log.Count("teardown"), 1);
  worker->StopStreaming();
  EXPECT_EQ(log.Count("teardown"), 1);  // not torn down twice
}

TEST_F(StreamWorkerTest, FortyNineIsAnAudioChangeAndFiftyABlock) {
  worker.reset();
  camera.Announce(49);
  camera.Block(Pattern(50, 1));
  Start();
  ASSERT_TRUE(log.WaitFor("WM_AUDIO_FORMAT_CHANGED"));
  EXPECT_EQ(log.Count("bulk"), 0);
  EXPECT_EQ(log.Count("start"), 1);  // paused until released
  worker->ResumeStream();
  RunToEnd();
  EXPECT_EQ(log.Count("start"), 2);
  EXPECT_EQ(log.Count("bulk"), 1);
  EXPECT_TRUE(Waited(100));
  EXPECT_FALSE(worker->LinkLost());
}

TEST_F(StreamWorkerTest, StopDuringAnAudioPauseDoesNotHang) {
  camera.Announce(10);
  Start();
  ASSERT_TRUE(log.WaitFor("WM_AUDIO_FORMAT_CHANGED"));
  worker->StopStreaming();
  EXPECT_EQ(log.Count("stop"), 1);
  EXPECT_EQ(log.Count("start"), 1);
}

// --- blocks ---

TEST_F(StreamWorkerTest, HeaderAfterEveryRestartThenPacketsGiveFrames) {
  Bytes a = Pattern(100, 1), b = Pattern(120, 2), c = Pattern(200, 3);
  camera.Block(MakeHeader(kWorkerPacket));
  camera.Block(Concat({FramePacket(a, 1), FramePacket(b, 2)}));
  camera.Gate();
  camera.Announce(20);
  camera.Block(MakeHeader(300));  // the new run has another packet size
  camera.Block(FramePacket(c, 3, 300));
  camera.Gate();
  Start();
  ASSERT_TRUE(log.WaitFor("gate"));
  EXPECT_EQ(Frame(0), a);
  EXPECT_EQ(Frame(1), b);
  camera.Open();
  ASSERT_TRUE(log.WaitFor("WM_AUDIO_FORMAT_CHANGED"));
  worker->ResumeStream();
  ASSERT_TRUE(log.WaitFor("gate", 2));
  EXPECT_EQ(Frame(2), c);  // the write index goes on
  camera.Open();
  RunToEnd();
}

TEST_F(StreamWorkerTest, AudioChangeEmptiesTheQueue) {
  Bytes a = Pattern(100, 1);
  camera.Block(MakeHeader(kWorkerPacket));
  camera.Block(FramePacket(a, 1));
  camera.Announce(20);
  Start();
  ASSERT_TRUE(log.WaitFor("WM_AUDIO_FORMAT_CHANGED"));
  EXPECT_TRUE(Frame(0).empty());
  worker->ResumeStream();
  RunToEnd();
}

TEST_F(StreamWorkerTest, OversizedBlockIsDrainedAndTheNextOneArrivesWhole) {
  Bytes a = Pattern(90, 4);
  camera.Block(MakeHeader(kWorkerPacket));
  camera.Block(Bytes(StreamWorker::kBlockBytes + 1000, 0x5A));
  camera.Block(FramePacket(a, 7));
  camera.Gate();
  Start();
  ASSERT_TRUE(log.WaitFor("gate"));
  EXPECT_EQ(Frame(0), a);
  EXPECT_TRUE(Frame(1).empty());
  camera.Open();
  RunToEnd();
}

TEST_F(StreamWorkerTest, DataBeforeAnyPacketSizeIsNotParsed) {
  camera.Block(Pattern(400, 1));  // taken as the header: no packet size in it
  camera.Block(FramePacket(Pattern(80, 2), 1));
  camera.Block(MakeHeader(kWorkerPacket));  // parsed as a packet: no frame either
  camera.Gate();
  Start();
  ASSERT_TRUE(log.WaitFor("gate"));
  EXPECT_EQ(log.Count("bulk"), 3);
  EXPECT_TRUE(Frame(0).empty());
  camera.Open();
  RunToEnd();
}

// --- recording ---

TEST_F(StreamWorkerTest, RecordingRestartsTheStreamAndIsCompletedOnStop) {
  Bytes header = MakeHeader(kWorkerPacket);
  camera.Block(header);
  camera.Block(FramePacket(Pattern(50, 1), 1));
  camera.Gate();
  camera.Idle();
  // After the restart: a fresh header, then packets.
  Bytes data = Concat({FramePacket(Pattern(60, 2), 2), AudioPacket(1), AudioPacket(2)});
  Bytes shortBlock = FramePacket(Pattern(40, 3), 3);
  Bytes tail = Pattern(100, 4);  // less than a packet
  camera.Block(header);
  camera.Block(data);
  camera.ShortBlock(kWorkerPacket, Slice(shortBlock, 0, 120));
  camera.Gate();
  camera.Block(Concat({FramePacket(Pattern(70, 5), 4), tail}));
  Start();
  ASSERT_TRUE(log.WaitFor("gate"));
  ASSERT_TRUE(worker->StartRecording());
  EXPECT_EQ(worker->OutputPath(), temp + "/Temp.ASF");
  camera.Open();
  ASSERT_TRUE(log.WaitFor("gate", 2));
  EXPECT_EQ(Frame(1), Pattern(60, 2));
  EXPECT_TRUE(Frame(2).empty());  // the short block's frame was not taken
  camera.Open();
  RunToEnd();
  EXPECT_EQ(log.Count("stop"), 1);  // the restart
  EXPECT_EQ(log.Count("start"), 2);
  EXPECT_TRUE(Waited(500));
  EXPECT_TRUE(worker->Recording());  // the window stops it after WM_STREAM_ENDED

  const uint64_t length = header.size() + data.size() + kWorkerPacket + tail.size();
  EXPECT_EQ(worker->BytesWritten(), length);
  EXPECT_EQ(worker->PacketsWritten(), 4u);  // the short block and the tail are not counted
  EXPECT_EQ(worker->AudioObjects(), 2u);
  worker->StopRecording();
  EXPECT_FALSE(worker->Recording());

  Bytes file = ReadFile(temp + "/Temp.ASF");
  ASSERT_EQ(file.size(), length);
  EXPECT_TRUE(std::equal(header.begin(), header.begin() + 70, file.begin()));
  EXPECT_EQ(GetLe(file, 70, 8), length);
  EXPECT_EQ(GetLe(file, 86, 8), 4u);
  EXPECT_EQ(GetLe(file, 661, 8), 4u);
  EXPECT_EQ(GetLe(file, 94, 8), 2u * 2000000u);
  EXPECT_EQ(GetLe(file, 637, 8), length - 621);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + header.size()));
}

TEST_F(StreamWorkerTest, RecordingEndedByStopStreamingStaysUnpatched) {
  Bytes header = MakeHeader(kWorkerPacket);
  Bytes data = FramePacket(Pattern(60, 2), 2);
  camera.Gate();
  camera.Idle();
  camera.Block(header);
  camera.Block(data);
  camera.Gate();
  camera.IdleWhenDone();
  Start();
  ASSERT_TRUE(log.WaitFor("gate"));
  ASSERT_TRUE(worker->StartRecording());
  EXPECT_FALSE(worker->StartRecording());  // already requested
  camera.Open();
  ASSERT_TRUE(log.WaitFor("gate", 2));
  camera.Open();
  worker->StopStreaming();
  EXPECT_FALSE(worker->Recording());
  worker->StopRecording();  // nothing left to complete
  EXPECT_EQ(ReadFile(temp + "/Temp.ASF"), Concat({header, data}));
}

TEST_F(StreamWorkerTest, RecordFileThatCannotBeCreatedStartsNoRecording) {
  camera.IdleWhenDone();
  Start(temp + "/missing");
  EXPECT_FALSE(worker->StartRecording());
  EXPECT_FALSE(worker->Recording());
  worker->StopStreaming();
  EXPECT_EQ(log.Count("start"), 1);  // no restart for a recording
  // Without a running preview nothing is requested and nothing is created.
  EXPECT_TRUE(worker->StartRecording());
  EXPECT_FALSE(std::filesystem::exists(temp + "/missing/Temp.ASF"));
}

TEST_F(StreamWorkerTest, StopBeforeTheWorkerTookTheRequestWithdrawsIt) {
  camera.Gate();
  camera.Idle();
  camera.Block(MakeHeader(kWorkerPacket));
  Start();
  ASSERT_TRUE(log.WaitFor("gate"));
  ASSERT_TRUE(worker->StartRecording());
  worker->StopRecording();
  camera.Open();
  RunToEnd();
  EXPECT_FALSE(worker->Recording());
  EXPECT_EQ(worker->BytesWritten(), 0u);
  EXPECT_TRUE(ReadFile(temp + "/Temp.ASF").empty());
}

// A full disk, made by a file-size limit on this process: the block that does
// not fit is taken off again, nothing more is appended or counted, the owner
// hears of it once, and the stop completes the header for what was written.
TEST_F(StreamWorkerTest, RecordFileThatMeetsAFullDiskEndsWithItsLastWholeBlock) {
  Bytes header = MakeHeader(kWorkerPacket);
  Bytes first = Concat({FramePacket(Pattern(60, 2), 2), AudioPacket(1)});
  camera.Gate();
  camera.Idle();
  camera.Block(header);
  camera.Block(first);
  camera.Block(Concat({FramePacket(Pattern(60, 3), 3), AudioPacket(2)}));  // meets the limit half-way
  camera.Block(FramePacket(Pattern(60, 4), 4));
  camera.Gate();
  camera.IdleWhenDone();
  Start();
  ASSERT_TRUE(log.WaitFor("gate"));
  ASSERT_TRUE(worker->StartRecording());
  {
    FileSizeLimit limit(header.size() + first.size() + kWorkerPacket);
    camera.Open();
    ASSERT_TRUE(log.WaitFor("gate", 2));
  }
  EXPECT_EQ(log.Count("WM_RECORD_WRITE_FAILED"), 1);
  EXPECT_EQ(worker->RecordWriteError(), EFBIG);
  EXPECT_TRUE(worker->Recording());  // until the window stops it
  EXPECT_EQ(worker->BytesWritten(), header.size() + first.size());
  EXPECT_EQ(worker->PacketsWritten(), 2u);
  EXPECT_EQ(worker->AudioObjects(), 1u);
  EXPECT_EQ(Frame(2), Pattern(60, 4));  // the preview goes on
  worker->StopRecording();

  Bytes file = ReadFile(temp + "/Temp.ASF");
  ASSERT_EQ(file.size(), header.size() + first.size());
  EXPECT_EQ(GetLe(file, 70, 8), file.size());
  EXPECT_EQ(GetLe(file, 86, 8), 2u);
  EXPECT_EQ(GetLe(file, 94, 8), 2000000u);
  EXPECT_EQ(GetLe(file, 637, 8), file.size() - 621);
  camera.Open();
}

// --- stills and lifecycle ---

TEST_F(StreamWorkerTest, CaptureStillRunsOnThePausedStream) {
  camera.IdleWhenDone();
  Start();
  EXPECT_FALSE(worker->CaptureStill());  // no capture installed
  worker->SetStillCapture([&](CameraDriver&, const std::string& path) { log.Add("still " + path); });
  ASSERT_TRUE(worker->CaptureStill());
  const std::string still = "still " + temp + "/Temp.JPG";
  EXPECT_LT(log.IndexOf("hide"), log.IndexOf("stop"));
  EXPECT_LT(log.IndexOf("stop"), log.IndexOf(still));
  ASSERT_TRUE(log.WaitFor("start", 2));
  EXPECT_LT(log.IndexOf(still), log.IndexOf("show"));
  EXPECT_EQ(worker->OutputPath(), temp + "/Temp.JPG");
}

// A capture that outlasted the window's wait may still run when the user
// asks again: its done event must not pass for the new capture's.
TEST_F(StreamWorkerTest, ACaptureAskedForWhileAnEarlierOneRunsIsRefused) {
  camera.IdleWhenDone();
  Start();
  std::mutex mutex;
  std::condition_variable cv;
  bool release = false;
  worker->SetStillCapture([&](CameraDriver&, const std::string&) {
    log.Add("still");
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return release; });
  });
  std::atomic<int> first{-1};
  std::thread window([&] { first = worker->CaptureStill(); });
  ASSERT_TRUE(log.WaitFor("still"));
  EXPECT_FALSE(worker->CaptureStill()) << "refused at once while the first still runs";
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
  }
  cv.notify_all();
  window.join();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(log.Count("still"), 1) << "the refused capture sent no command";
  EXPECT_TRUE(worker->CaptureStill()) << "once it is over, captures go on";
  EXPECT_EQ(log.Count("still"), 2);
}

// The window may ask again the moment a capture ended in time (a quick second
// click): that capture is taken, never refused as if the first still ran.
TEST_F(StreamWorkerTest, CapturesOneRightAfterAnotherAreAllTaken) {
  camera.IdleWhenDone();
  Start();
  std::atomic<int> stills{0};
  worker->SetStillCapture([&](CameraDriver&, const std::string&) { ++stills; });
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(worker->CaptureStill()) << "capture " << i;
  EXPECT_EQ(stills, 200);
}

TEST_F(StreamWorkerTest, StartStreamingWhileRunningGivesFalseAndChangesNothing) {
  camera.IdleWhenDone();
  Start();
  EXPECT_FALSE(worker->StartStreaming());
  EXPECT_EQ(log.Count("build"), 1);
  EXPECT_TRUE(worker->StopStreaming());
  EXPECT_EQ(log.Count("teardown"), 1);
  EXPECT_EQ(log.Count("start"), 1);
  EXPECT_EQ(log.Count("stop"), 1);
  EXPECT_FALSE(worker->PreviewRunning());
}

TEST_F(StreamWorkerTest, FailedBuildStartsNoWorker) {
  preview.buildResult = false;
  worker = std::make_unique<StreamWorker>(camera, preview, temp, queue);
  EXPECT_FALSE(worker->StartStreaming());
  EXPECT_FALSE(worker->PreviewRunning());
  worker->StopStreaming();
  EXPECT_EQ(log.Count("start"), 0);
}

TEST_F(StreamWorkerTest, NewRunAfterTheStreamEndedByItself) {
  camera.Gate();
  Start();
  camera.Open();
  ASSERT_TRUE(log.WaitFor("WM_STREAM_ENDED"));
  camera.IdleWhenDone();
  ASSERT_TRUE(worker->StartStreaming());  // the ended thread is released first
  ASSERT_TRUE(log.WaitFor("start", 2));
  EXPECT_TRUE(worker->PreviewRunning());
}

TEST_F(StreamWorkerTest, SetVideoFormatFollowsTheModeByte) {
  worker = std::make_unique<StreamWorker>(camera, preview, temp, queue);
  const struct {
    uint8_t code;
    bool small;
  } cases[] = {{1, true}, {0, false}, {3, true}, {2, false}, {7, false}, {1, true}, {9, true}};
  for (const auto& c : cases) {
    EXPECT_TRUE(worker->SetVideoFormat(c.code));
    EXPECT_EQ(VideoFormatFlag().load(), c.small) << int(c.code);
  }
}
