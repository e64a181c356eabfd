// The program's streaming worker driving the simulated camera: the poll
// replies it reacts to, the header after every restart, and a recording an
// outside ASF reader must accept as it stands.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "camera/CameraProtocol.h"
#include "platform/camsim/AsfWriter.h"
#include "platform/ui/Pacing.h"
#include "tests/camsim/AsfReader.h"
#include "tests/support/SimDriver.h"
#include "tests/support/WorkerDoubles.h"
#include "video/StreamWorker.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Counts what the worker asks the camera, then passes it on.
class CountingDriver : public SimDriver {
 public:
  using SimDriver::SimDriver;
  int Vendor_Write(int request, int value, int index, int length, void* data) override {
    {
      std::lock_guard lock(mutex_);
      ++writes_[request];
    }
    return SimDriver::Vendor_Write(request, value, index, length, data);
  }
  int Vendor_Read(int request, int value, int index, int length, void* data) override {
    int ok = SimDriver::Vendor_Read(request, value, index, length, data);
    if (request == REQ_STREAM_POLL && ok) {
      std::lock_guard lock(mutex_);
      ++polls_[static_cast<uint8_t*>(data)[0]];
    }
    return ok;
  }
  int Writes(int request) {
    std::lock_guard lock(mutex_);
    return writes_[request];
  }
  int Polls(uint8_t ready) {
    std::lock_guard lock(mutex_);
    return polls_[ready];
  }

 private:
  std::mutex mutex_;
  std::map<int, int> writes_;
  std::map<uint8_t, int> polls_;
};

using test_support::MessageOwner;
using test_support::QuietPreview;
using test_support::WaitUntil;

class LiveWorker : public ::testing::Test {
 protected:
  explicit LiveWorker(uint8_t videoMode = 1) : driver(Options(stick.Path(), videoMode)) {}
  ~LiveWorker() override {
    worker.StopStreaming();
    SetPacing(nullptr);
    std::error_code ec;
    fs::remove_all(temp, ec);
  }
  // The worker's temporary folder, made before the worker takes its name.
  static std::string MakeTemp() {
    std::string pattern = (fs::temp_directory_path() / "live-test-XXXXXX").string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
  }
  static camsim::ModelOptions Options(const fs::path& path, uint8_t videoMode) {
    camsim::ModelOptions o;
    o.stick = path;
    o.videoMode = videoMode;
    o.sleep = [](std::chrono::microseconds) {};  // the camera's pace, made instant
    return o;
  }
  void SetUp() override {
    ASSERT_FALSE(temp.empty());
    SetPacing(&pacing);
    ASSERT_NE(driver.Device_Open(), 0);
    uint8_t none = 0, mode = 0xEE;
    ASSERT_NE(driver.Vendor_Write(REQ_SET_MODE, 0x101, 0, 0, &none), 0);
    ASSERT_NE(driver.Vendor_Read(REQ_GET_VIDEO_MODE, 0, 0, 1, &mode), 0);
    worker.SetVideoFormat(mode);
    worker.SetWindows(nullptr, &owner);
  }
  void Control(const std::string& command) { ASSERT_TRUE(driver.Control(command)) << command; }

  InstantPacing pacing;
  TempStick stick;
  CountingDriver driver;
  MessageOwner owner;
  QuietPreview preview;
  FrameQueue queue;
  std::string temp = MakeTemp();
  StreamWorker worker{driver, preview, temp, queue};
};

TEST_F(LiveWorker, BetweenFramesTheWorkerPollsAgainAndFramesReachTheQueue) {
  ASSERT_TRUE(worker.StartStreaming());
  ASSERT_TRUE(WaitUntil([&] { return driver.Polls(1) > 20; }));
  EXPECT_GT(driver.Polls(0), driver.Polls(1)) << "most polls between frames find nothing";
  uint8_t frame[kMaxFrameBytes];
  size_t taken = 0;
  for (int i = 0; i < 4; ++i) taken = std::max(taken, queue.Take(i, frame, sizeof frame));
  EXPECT_GT(taken, 0u) << "whole frames are queued";
  EXPECT_EQ(driver.Writes(REQ_STREAM_START), 1);
  EXPECT_TRUE(owner.Messages().empty());
}

TEST_F(LiveWorker, AudioChangePausesUntilReleasedAndRestartsWithAHeader) {
  ASSERT_TRUE(worker.StartStreaming());
  ASSERT_TRUE(WaitUntil([&] { return driver.Polls(1) > 5; }));
  Control("audio-change");
  ASSERT_TRUE(WaitUntil([&] { return !owner.Messages().empty(); }));
  EXPECT_EQ(owner.Messages(), std::vector<unsigned>{WM_AUDIO_FORMAT_CHANGED});
  EXPECT_EQ(driver.Writes(REQ_STREAM_START), 1) << "paused until released";
  // A recording across the change starts with the new header.
  worker.ResumeStream();
  ASSERT_TRUE(WaitUntil([&] { return driver.Writes(REQ_STREAM_START) == 2; }));
  ASSERT_TRUE(worker.StartRecording());
  ASSERT_TRUE(WaitUntil([&] { return worker.AudioObjects() >= 2; }));
  worker.StopRecording();
  std::ifstream in(worker.OutputPath(), std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GT(file.size(), 671u);
  const uint8_t rate16k[] = {0x01, 0x00, 0x01, 0x00, 0x80, 0x3E, 0x00, 0x00};  // PCM mono 16000 Hz
  EXPECT_NE(std::search(file.begin(), file.begin() + 621, rate16k, rate16k + 8), file.begin() + 621);
  EXPECT_EQ(driver.Writes(REQ_STREAM_STOP), 1) << "the change itself sends no stop; the recording's restart does";
}

TEST_F(LiveWorker, LeavingCameraModeEndsTheStreamWithoutAStop) {
  ASSERT_TRUE(worker.StartStreaming());
  ASSERT_TRUE(WaitUntil([&] { return driver.Polls(1) > 5; }));
  Control("leave-camera-mode");
  ASSERT_TRUE(WaitUntil([&] { return !owner.Messages().empty(); }));
  worker.WaitForThread();
  EXPECT_EQ(owner.Messages(), std::vector<unsigned>{WM_STREAM_ENDED});
  EXPECT_FALSE(worker.LinkLost());
  EXPECT_FALSE(worker.PreviewRunning());
  EXPECT_EQ(driver.Writes(REQ_STREAM_STOP), 0);
}

TEST_F(LiveWorker, UnplugEndsTheStreamAsALostLink) {
  ASSERT_TRUE(worker.StartStreaming());
  ASSERT_TRUE(WaitUntil([&] { return driver.Polls(1) > 5; }));
  Control("unplug");
  ASSERT_TRUE(WaitUntil([&] { return !owner.Messages().empty(); }));
  worker.WaitForThread();
  EXPECT_EQ(owner.Messages(), std::vector<unsigned>{WM_STREAM_ENDED});
  EXPECT_TRUE(worker.LinkLost());
}

// The program's parser and an independent reader agree on every frame.
TEST_F(LiveWorker, TheProgramsParserTakesEveryFrameWhole) {
  uint8_t none = 0, r[5];
  ASSERT_NE(driver.Vendor_Write(REQ_STREAM_START, 0, 0, 0, &none), 0);
  struct Frames : FrameSink {
    std::vector<std::vector<uint8_t>> got;
    void OnFrame(const uint8_t* data, size_t length) override { got.emplace_back(data, data + length); }
  } sink;
  AsfStream parser;
  asf_test::Objects objects;
  std::string error;
  uint64_t audio = 0;
  std::vector<uint8_t> block(StreamWorker::kBlockBytes);
  for (int blocks = 0; blocks < 46;) {
    ASSERT_NE(driver.Vendor_Read(REQ_STREAM_POLL, 0, 0, 5, r), 0);
    if (r[0] == 0) continue;
    const uint32_t length = uint32_t(asf_test::Le(r + 1, 4));
    ASSERT_EQ(driver.Bulk_IN(block.data(), int(length)), int(length));
    if (blocks++ == 0) {
      ASSERT_EQ(parser.ParseStreamHeader(block.data(), length), 1);
      EXPECT_EQ(parser.PacketSize(), camsim::kAsfPacketSize);
      EXPECT_EQ(parser.AudioStreamNumber(), camsim::kAudioStreamNumber);
      continue;
    }
    for (uint32_t at = 0; at < length; at += parser.PacketSize()) {
      EXPECT_EQ(parser.ParseDataPacket(&block[at], parser.PacketSize(), true, audio, sink), 1);
      for (const auto& p : asf_test::ReadPacket(&block[at], parser.PacketSize(), error).payloads) objects.Add(p, error);
    }
  }
  ASSERT_EQ(error, "");
  std::vector<std::vector<uint8_t>> frames;
  for (const auto& o : objects.done)
    if (o.stream == camsim::kVideoStreamNumber) frames.push_back(o.data);
  EXPECT_EQ(frames.size(), 45u);
  EXPECT_EQ(sink.got, frames);
  EXPECT_EQ(audio, 15u);
}

// Runs a command line and gives what it printed on stdout and stderr.
std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// "key=value" lines of ffprobe's default writer, section by section.
std::vector<std::map<std::string, std::string>> Sections(const std::string& text) {
  std::vector<std::map<std::string, std::string>> sections;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.size() > 2 && line[0] == '[' && line[1] != '/') {
      sections.emplace_back();
      sections.back()["section"] = line;
    } else if (auto eq = line.find('='); eq != std::string::npos && !sections.empty()) {
      sections.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return sections;
}

// Counts the whole media objects of each stream in a recording.
std::map<uint8_t, int> CountObjects(const std::vector<uint8_t>& file, std::string& error) {
  asf_test::Objects objects;
  const uint32_t packetSize = uint32_t(asf_test::Le(&file[30 + 92], 4));
  for (size_t at = 671; at + packetSize <= file.size() && error.empty(); at += packetSize) {
    asf_test::Packet packet = asf_test::ReadPacket(&file[at], packetSize, error);
    for (const auto& p : packet.payloads) objects.Add(p, error);
  }
  std::map<uint8_t, int> counts;
  for (const auto& o : objects.done) ++counts[o.stream];
  return counts;
}

class Recording : public LiveWorker, public ::testing::WithParamInterface<uint8_t> {
 protected:
  Recording() : LiveWorker(GetParam()) {}
};

TEST_P(Recording, TenSecondsAreAcceptedByAnOutsideReader) {
  const int width = GetParam() == 1 ? 320 : 352, height = GetParam() == 1 ? 240 : 288;
  ASSERT_TRUE(worker.StartStreaming());
  ASSERT_TRUE(WaitUntil([&] { return driver.Polls(1) > 3; }));
  ASSERT_TRUE(worker.StartRecording());
  ASSERT_TRUE(WaitUntil([&] { return worker.AudioObjects() >= 50; })) << "ten seconds of sound";
  worker.StopRecording();
  const uint64_t audio = worker.AudioObjects(), packets = worker.PacketsWritten();
  const std::string path = temp + "/rec.asf";
  fs::rename(worker.OutputPath(), path);
  worker.StopStreaming();

  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(file.size(), 671 + packets * camsim::kAsfPacketSize) << "header and whole packets";
  std::string error;
  std::map<uint8_t, int> objects = CountObjects(file, error);
  ASSERT_EQ(error, "");
  EXPECT_EQ(objects[camsim::kAudioStreamNumber], int(audio));

  const std::string probe =
      Shell("ffprobe -v error -count_packets -show_format -show_streams '" + path + "'");
  auto sections = Sections(probe);
  std::map<std::string, std::string> format, video, sound;
  for (auto& s : sections) {
    if (s["section"] == "[FORMAT]") format = s;
    if (s["codec_type"] == "video") video = s;
    if (s["codec_type"] == "audio") sound = s;
  }
  ASSERT_EQ(format["format_name"], "asf") << probe;
  EXPECT_EQ(format["nb_streams"], "2");
  EXPECT_NEAR(std::stod(format["duration"]), double(audio) * 0.2, 0.5) << probe;
  EXPECT_NEAR(std::stod(format["duration"]), 10.0, 0.5);
  EXPECT_EQ(video["codec_name"], "mpeg4");
  EXPECT_EQ(video["width"], std::to_string(width));
  EXPECT_EQ(video["height"], std::to_string(height));
  EXPECT_EQ(video["nb_read_packets"], std::to_string(objects[camsim::kVideoStreamNumber]));
  EXPECT_EQ(sound["codec_name"], "pcm_s16le");
  EXPECT_EQ(sound["sample_rate"], "8000");
  EXPECT_EQ(sound["nb_read_packets"], std::to_string(audio));

  EXPECT_EQ(Shell("ffmpeg -v error -i '" + path + "' -f null -"), "") << "decodes without a complaint";
  // Seeking to the middle lands on a key frame and decodes cleanly too.
  EXPECT_EQ(Shell("ffmpeg -v error -ss 5 -i '" + path + "' -f null -"), "");
}

INSTANTIATE_TEST_SUITE_P(BothFrameSizes, Recording, ::testing::Values(uint8_t(1), uint8_t(0)),
                         [](const auto& info) { return info.param == 1 ? "320x240" : "352x288"; });

}  // namespace
