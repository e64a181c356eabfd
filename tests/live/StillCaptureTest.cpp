// Still capture against the in-process camera simulator and the real
// libPIXA.so: the requests and waits in their order, the poll limit, every
// way a still can fail, the numbered copies, the picture itself judged by
// djpeg, and the live stream's restart after a capture on the worker.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>
#include <thread>

#include "camera/CameraProtocol.h"
#include "platform/camsim/LiveSource.h"
#include "platform/camsim/TestPicture.h"
#include "platform/pixa/PIXA.h"
#include "platform/ui/Pacing.h"
#include "tests/pixa/JpegJudge.h"
#include "tests/support/SimDriver.h"
#include "tests/support/WorkerDoubles.h"
#include "video/StillCapture.h"

// A named namespace: the unity build puts this file beside LiveWorkerTest.cpp.
namespace still_test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Passes every call on to the simulator and keeps what the still needs to
// be judged by: requests made, the longest bulk read asked, and whether the
// first block after each stream start was an ASF header.
class WatchingDriver : public SimDriver {
 public:
  using SimDriver::SimDriver;
  int Vendor_Write(int request, int value, int index, int length, void* data) override {
    {
      std::lock_guard lock(mutex_);
      ++requests_[request];
      if (request == REQ_STREAM_START) blockAfterStart_ = true;
    }
    return SimDriver::Vendor_Write(request, value, index, length, data);
  }
  int Vendor_Read(int request, int value, int index, int length, void* data) override {
    {
      std::lock_guard lock(mutex_);
      ++requests_[request];
    }
    return SimDriver::Vendor_Read(request, value, index, length, data);
  }
  int Bulk_IN(void* data, int length) override {
    const int n = SimDriver::Bulk_IN(data, length);
    static const uint8_t kHeaderGuid[4] = {0x30, 0x26, 0xB2, 0x75};
    std::lock_guard lock(mutex_);
    longestBulk_ = std::max(longestBulk_, length);
    if (blockAfterStart_ && n >= 4) {
      blockAfterStart_ = false;
      firstBlocks_.push_back(std::memcmp(data, kHeaderGuid, 4) == 0);
    }
    return n;
  }
  int Requests(int request) {
    std::lock_guard lock(mutex_);
    return requests_[request];
  }
  int LongestBulk() {
    std::lock_guard lock(mutex_);
    return longestBulk_;
  }
  // For each stream start so far whose first block came: was it a header?
  std::vector<bool> FirstBlocks() {
    std::lock_guard lock(mutex_);
    return firstBlocks_;
  }

 private:
  std::mutex mutex_;
  std::map<int, int> requests_;
  int longestBulk_ = 0;
  bool blockAfterStart_ = false;
  std::vector<bool> firstBlocks_;
};

// The real converter, with its calls written down in order.
class WatchingConverter : public StillConverter {
 public:
  int ReadyPIXA(const char* tablePath) override {
    Add("ready");
    return PixaConverter().ReadyPIXA(tablePath);
  }
  int RunPIXA2JpegFile(uint8_t* data, uint32_t* length) override {
    Add("run");
    return PixaConverter().RunPIXA2JpegFile(data, length);
  }
  void ReleasePIXA() override {
    Add("release");
    PixaConverter().ReleasePIXA();
  }
  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  void Add(const char* call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

using Calls = std::vector<std::string>;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class StillCapture : public ::testing::Test {
 protected:
  StillCapture() : driver(Options(stick.Path())) {}
  ~StillCapture() override {
    SetPacing(nullptr);
    std::error_code ec;
    fs::remove_all(temp, ec);
  }
  static camsim::ModelOptions Options(const fs::path& path) {
    camsim::ModelOptions o;
    o.stick = path;
    o.sleep = [](std::chrono::microseconds) {};  // the camera's own time passes at once
    return o;
  }
  static std::string MakeTemp() {
    std::string pattern = (fs::temp_directory_path() / "still-test-XXXXXX").string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
  }
  void SetUp() override {
    ASSERT_FALSE(temp.empty());
    SetPacing(&pacing);
    ASSERT_NE(driver.Device_Open(), 0);
    uint8_t none = 0;
    ASSERT_NE(driver.Vendor_Write(REQ_SET_MODE, MODE_CAMERA, 0, 0, &none), 0);
  }
  void Control(const std::string& command) { ASSERT_TRUE(driver.Control(command)) << command; }
  std::string Status() {
    std::string reply;
    driver.Model().Control("status", reply);
    return reply;
  }
  // What the simulator says of the last still: its frame and the polls it answered.
  int StillNumber(const char* what) {
    std::smatch m;
    const std::string s = Status();
    const std::regex re(std::string("still of frame (\\d+) \\([a-z ]+\\): (\\d+) polls since the capture, (\\d+) bytes sent"));
    if (!std::regex_search(s, m, re)) return -1;
    return std::stoi(m[std::string(what) == "frame" ? 1 : std::string(what) == "polls" ? 2 : 3]);
  }
  StillOutcome Take() { return TakeStill(driver, converter, table, CaptureFile()); }
  std::string CaptureFile() const { return temp + "/Temp.JPG"; }

  // Temp.JPG (or a copy) decodes to 640 x 480 and shows the scene's frame.
  void ExpectThePicture(const std::string& path, int64_t frame) {
    const std::string judged = temp + "/judged.jpg";
    fs::copy_file(path, judged, fs::copy_options::overwrite_existing);
    const jpeg_judge::Picture p = jpeg_judge::Decode(judged);
    ASSERT_EQ(p.error, "") << path;
    ASSERT_EQ(p.width, 640);
    ASSERT_EQ(p.height, 480);
    const std::vector<uint8_t> scene = camsim::TestPicture(320, 240, frame).Rgb(640, 480);
    const jpeg_judge::Comparison c = jpeg_judge::Compare(p, scene, 16, 12);
    EXPECT_LT(c.worst, 12.0) << "frame " << frame << ": " << c.where;
    EXPECT_GT(c.gotSpread, 40.0) << "not blank";
  }

  InstantPacing pacing;
  TempStick stick;
  WatchingDriver driver;
  WatchingConverter converter;
  std::string temp = MakeTemp();
  const std::string table = std::string(PIXA_TABLE_FOLDER) + "/pixa_tbl.tbl";
};

std::vector<int> CaptureWaits(int polls) {
  std::vector<int> waits{500};
  waits.insert(waits.end(), size_t(polls), 200);
  return waits;
}

// --- one capture, the stream stopped ---

TEST_F(StillCapture, ANormalStillIsTakenInTheProtocolsOrder) {
  const StillOutcome o = Take();
  EXPECT_EQ(o.result, StillResult::Taken) << Describe(o.result);
  EXPECT_EQ(o.polls, camsim::kStillReadyPoll);
  EXPECT_EQ(o.announced, 307232u);
  EXPECT_EQ(o.received, 307232u);
  EXPECT_EQ(o.converterResult, PIXA_OK);
  EXPECT_EQ(pacing.Waits(), CaptureWaits(camsim::kStillReadyPoll)) << "500 ms, then 200 ms before every read";
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "run", "release"}));
  EXPECT_EQ(driver.Requests(REQ_STILL_CAPTURE), 1);
  EXPECT_EQ(driver.Requests(REQ_STILL_POLL), camsim::kStillReadyPoll);
  EXPECT_EQ(ReadFile(CaptureFile()).size(), o.jpegBytes);
  ExpectThePicture(CaptureFile(), 0);  // no stream ran yet: the scene's first frame
}

TEST_F(StillCapture, ReadyOnThe26thPollIsTakenAndNo27thReadIsMade) {
  Control("next-still ready-on 26");
  const StillOutcome o = Take();
  EXPECT_EQ(o.result, StillResult::Taken) << Describe(o.result);
  EXPECT_EQ(o.polls, 26);
  EXPECT_EQ(StillNumber("polls"), 26) << Status();
  EXPECT_EQ(pacing.Waits(), CaptureWaits(26));
  EXPECT_GT(ReadFile(CaptureFile()).size(), 0u);
}

TEST_F(StillCapture, NeverReadyGivesUpAfter26ReadsAndStillReleasesTheConverter) {
  std::ofstream(CaptureFile()) << "an old picture";
  Control("next-still never");
  const StillOutcome o = Take();
  EXPECT_EQ(o.result, StillResult::NeverReady);
  EXPECT_EQ(o.polls, 26);
  EXPECT_EQ(StillNumber("polls"), 26) << "no 27th read: " << Status();
  EXPECT_EQ(driver.Requests(REQ_STILL_POLL), 26);
  EXPECT_EQ(pacing.Waits(), CaptureWaits(26));
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "release"}));
  EXPECT_EQ(fs::file_size(CaptureFile()), 0u) << "created empty at the capture";
  EXPECT_EQ(CopyToNumberedStill(temp), std::nullopt) << "nothing to number";
  EXPECT_FALSE(fs::exists(temp + "/Temp0000.JPG"));
}

TEST_F(StillCapture, AStillLargerThanTheBufferIsRefusedWithoutReadingPastIt) {
  Control("next-still oversize");
  const StillOutcome o = Take();
  EXPECT_EQ(o.result, StillResult::TooLarge);
  EXPECT_EQ(o.announced, 480032u);
  EXPECT_LE(driver.LongestBulk(), int(kStillBufferBytes)) << "no read larger than the buffer";
  EXPECT_EQ(StillNumber("bytes"), 480032) << "drained, so the pipe is in step: " << Status();
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "release"}));
  EXPECT_EQ(fs::file_size(CaptureFile()), 0u);
}

TEST_F(StillCapture, AStillCutShortOnTheBulkPipeIsNotConverted) {
  Control("next-still cut-short");
  const StillOutcome o = Take();
  EXPECT_EQ(o.result, StillResult::CutShort);
  EXPECT_EQ(o.announced, 307232u);
  EXPECT_EQ(o.received, 307232u / 2);
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "release"}));
  EXPECT_EQ(fs::file_size(CaptureFile()), 0u);
}

TEST_F(StillCapture, AStillTheConverterCannotReadLeavesTheFileEmpty) {
  Control("next-still undecodable");
  const StillOutcome o = Take();
  EXPECT_EQ(o.result, StillResult::ConverterFailed);
  EXPECT_EQ(o.converterResult, PIXA_ERR_STILL);
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "run", "release"}));
  EXPECT_EQ(fs::file_size(CaptureFile()), 0u);
}

TEST_F(StillCapture, WithoutItsTableTheStillIsReadButNotConverted) {
  const StillOutcome o = TakeStill(driver, converter, temp + "/pixa_tbl.tbl", CaptureFile());
  EXPECT_EQ(o.result, StillResult::ConverterFailed);
  EXPECT_EQ(o.converterResult, PIXA_ERR_NOT_READY);
  EXPECT_EQ(o.received, 307232u) << "the camera's still is taken off the pipe all the same";
  EXPECT_EQ(fs::file_size(CaptureFile()), 0u);
}

TEST_F(StillCapture, ACaptureFileThatCannotBeCreatedAsksNothingOfTheCamera) {
  const StillOutcome o = TakeStill(driver, converter, table, temp + "/gone/Temp.JPG");
  EXPECT_EQ(o.result, StillResult::FileFailed);
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "release"}));
  EXPECT_EQ(driver.Requests(REQ_STILL_CAPTURE), 0);
  EXPECT_TRUE(pacing.Waits().empty());
}

// A status read that fails leaves the reply as it was: it counts as not
// ready, never as a length left over from before.
class FailingPollPacing : public Pacing {
 public:
  explicit FailingPollPacing(SimDriver& driver) : driver_(driver) {}
  void Wait(int ms) override {
    if (ms == 200 && ++polls_ == 1) driver_.Control("fail-next 2");
  }

 private:
  SimDriver& driver_;
  int polls_ = 0;
};

TEST_F(StillCapture, FailedStatusReadsCountAsNotReady) {
  FailingPollPacing failing(driver);
  SetPacing(&failing);
  const StillOutcome o = Take();
  EXPECT_EQ(o.result, StillResult::Taken) << Describe(o.result);
  EXPECT_EQ(o.polls, camsim::kStillReadyPoll + 2);
  EXPECT_EQ(StillNumber("polls"), camsim::kStillReadyPoll) << "two reads never reached the camera";
}

// --- the numbered copies ---

TEST_F(StillCapture, CopiesAreNumberedFromTheCountOfTempJpgFiles) {
  EXPECT_EQ(CopyToNumberedStill(temp), std::nullopt) << "no Temp.JPG yet";
  std::ofstream(CaptureFile()) << "picture one";
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0000.JPG") << "k = 1: Temp.JPG alone";
  std::ofstream(CaptureFile()) << "picture two";
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0001.JPG");
  EXPECT_EQ(ReadFile(temp + "/Temp0000.JPG"), (std::vector<uint8_t>{'p', 'i', 'c', 't', 'u', 'r', 'e', ' ', 'o', 'n', 'e'}));
  // Strays named like the pattern (any case, folders too) move the number;
  // names that only look alike do not.
  for (const char* name : {"temp_old.jpg", "TEMPX.Jpg", "Temp.JPEG", "MyTemp.JPG", "Temp.JPG.bak"})
    std::ofstream(temp + "/" + name) << "stray";
  fs::create_directory(temp + "/Temp folder.JPG");
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0005.JPG") << "Temp.JPG, 0000, 0001, two strays, a folder";
  // A copy whose number is taken replaces it.
  fs::remove(temp + "/Temp0005.JPG");
  fs::remove(temp + "/temp_old.jpg");
  std::ofstream(CaptureFile()) << "picture three";
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0004.JPG");
  std::ofstream(CaptureFile()) << "picture four";
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0005.JPG");
  EXPECT_EQ(ReadFile(temp + "/Temp0005.JPG").size(), std::string("picture four").size());
}

// --- on the streaming worker ---

using test_support::QuietPreview;

class StillOnTheWorker : public StillCapture {
 protected:
  ~StillOnTheWorker() override { worker.StopStreaming(); }
  void SetUp() override {
    StillCapture::SetUp();
    worker.SetStillCapture(capturer.Hook());
    ASSERT_TRUE(worker.StartStreaming());
    Streaming(1);
  }
  // Waits until the stream's `starts`-th start has delivered its header and some frames.
  void Streaming(int starts) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < end) {
      if (int(driver.FirstBlocks().size()) >= starts && StreamFrame() >= 5) return;
      std::this_thread::sleep_for(1ms);  // looks again; the stream runs on the worker meanwhile
    }
    FAIL() << "the stream did not run: " << Status();
  }
  int64_t StreamFrame() {
    std::smatch m;
    const std::string s = Status();
    return std::regex_search(s, m, std::regex("stream running \\(frame (\\d+)\\)")) ? std::stoll(m[1]) : -1;
  }
  StillResult Capture() {
    EXPECT_TRUE(worker.CaptureStill()) << "done within its wait";
    const auto outcome = capturer.LastOutcome();
    return outcome ? outcome->result : StillResult::FileFailed;
  }

  QuietPreview preview;
  FrameQueue queue;
  StillCapturer capturer{PIXA_TABLE_FOLDER, converter};
  StreamWorker worker{driver, preview, temp, queue};
};

TEST_F(StillOnTheWorker, TwoCapturesGiveTemp0000ThenTemp0001ShowingThePreviewsPicture) {
  ASSERT_EQ(Capture(), StillResult::Taken);
  const int64_t frame = StillNumber("frame");
  EXPECT_GE(frame, 4) << "the still is of the running stream's picture";
  const auto first = CopyToNumberedStill(temp);
  ASSERT_EQ(first, temp + "/Temp0000.JPG");
  ExpectThePicture(*first, frame);

  // The live stream comes back after the still, beginning with a new header.
  Streaming(2);
  EXPECT_EQ(driver.FirstBlocks(), (std::vector<bool>{true, true}));
  EXPECT_EQ(driver.Requests(REQ_STREAM_STOP), 1);

  ASSERT_EQ(Capture(), StillResult::Taken);
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0001.JPG");
  ExpectThePicture(temp + "/Temp0001.JPG", StillNumber("frame"));
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "run", "release", "ready", "run", "release"}));
  Streaming(3);
  EXPECT_EQ(driver.FirstBlocks(), (std::vector<bool>{true, true, true}));
}

TEST_F(StillOnTheWorker, AStrayTempJpgMovesTheNumber) {
  std::ofstream(temp + "/Temp_from_before.JPG") << "stray";
  ASSERT_EQ(Capture(), StillResult::Taken);
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0001.JPG");
  EXPECT_FALSE(fs::exists(temp + "/Temp0000.JPG"));
}

TEST_F(StillOnTheWorker, AStillNeverReadyNumbersNothingAndTheStreamGoesOn) {
  Control("next-still never");
  EXPECT_EQ(Capture(), StillResult::NeverReady);
  EXPECT_EQ(StillNumber("polls"), 26) << Status();
  EXPECT_EQ(converter.Calls(), (Calls{"ready", "release"}));
  EXPECT_EQ(fs::file_size(temp + "/Temp.JPG"), 0u);
  EXPECT_EQ(CopyToNumberedStill(temp), std::nullopt);
  Streaming(2);
  EXPECT_EQ(driver.FirstBlocks(), (std::vector<bool>{true, true}));
  // The next still is a normal one again.
  EXPECT_EQ(Capture(), StillResult::Taken);
  EXPECT_EQ(CopyToNumberedStill(temp), temp + "/Temp0000.JPG");
}

}  // namespace still_test
