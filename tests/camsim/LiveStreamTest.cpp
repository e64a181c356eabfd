// The camera's live stream as the host sees it over the six driver calls:
// poll replies, the header's layout, the packets, the video configuration
// and the control commands that disturb the stream.
#include <gtest/gtest.h>

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/camsim/AsfWriter.h"
#include "platform/camsim/LiveEncoder.h"
#include "platform/camsim/Requests.h"
#include "tests/camsim/AsfReader.h"
#include "tests/support/SimDriver.h"

namespace {

using namespace camsim;
using asf_test::Le;

constexpr size_t kLargestBlock = 262144;

struct Poll {
  uint8_t ready = 0xEE;
  uint32_t length = 0;
  bool ok = false;
};

class LiveStream : public ::testing::Test {
 protected:
  explicit LiveStream(uint8_t videoMode = 1) : driver(Options(stick.Path(), videoMode)) {}

  static ModelOptions Options(const std::filesystem::path& path, uint8_t videoMode) {
    ModelOptions o;
    o.stick = path;
    o.videoMode = videoMode;
    o.sleep = [](std::chrono::microseconds) {};
    return o;
  }

  void SetUp() override {
    ASSERT_NE(driver.Device_Open(), 0);
    ASSERT_EQ(Write(REQ_SET_MODE, kModeCamera), kStatusOk);
  }

  uint8_t Status() {
    uint8_t s = 0xEE;
    EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
    return s;
  }
  uint8_t Write(int request, int value = 0) {
    uint8_t none = 0;
    EXPECT_NE(driver.Vendor_Write(request, value, 0, 0, &none), 0);
    return Status();
  }
  Poll PollStream() {
    uint8_t r[5] = {};
    Poll p;
    p.ok = driver.Vendor_Read(REQ_STREAM_POLL, 0, 0, 5, r) != 0;
    p.ready = r[0];
    p.length = uint32_t(Le(r + 1, 4));
    return p;
  }
  // Polls through "nothing waiting" between frames (each such poll moves
  // the camera's clock on by a control transfer's time).
  Poll PollReady() {
    Poll p = PollStream();
    for (int i = 0; i < 1000 && p.ok && p.ready == 0; ++i) p = PollStream();
    return p;
  }
  // Polls and reads the next block; empty when none is announced.
  std::vector<uint8_t> NextBlock() {
    Poll p = PollReady();
    if (!p.ok || p.ready == 0 || p.length < 50) return {};
    std::vector<uint8_t> block(p.length);
    EXPECT_EQ(driver.Bulk_IN(block.data(), int(block.size())), int(block.size()));
    return block;
  }

  TempStick stick;
  SimDriver driver;
};

class LiveStreamCif : public LiveStream {
 protected:
  LiveStreamCif() : LiveStream(0) {}
};

// GUIDs as they lie in the file.
const uint8_t kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kFilePropertiesGuid[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                         0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kDataGuid[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

size_t Find(const std::vector<uint8_t>& h, const std::string& bytes) {
  auto it = std::search(h.begin(), h.end(), bytes.begin(), bytes.end());
  return it == h.end() ? std::string::npos : size_t(it - h.begin());
}

TEST_F(LiveStream, HeaderHasTheFixedLayoutTheProgramPatches) {
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  std::vector<uint8_t> h = NextBlock();
  ASSERT_EQ(h.size(), kAsfHeaderObjectBytes + kAsfDataHeaderBytes);
  EXPECT_EQ(std::memcmp(h.data(), kHeaderGuid, 16), 0);
  EXPECT_EQ(Le(&h[16], 8), 621u) << "Header Object size";
  EXPECT_EQ(std::memcmp(&h[30], kFilePropertiesGuid, 16), 0) << "File Properties right after the header start";
  EXPECT_EQ(Le(&h[46], 8), 104u);
  EXPECT_EQ(Le(&h[30 + 92], 4), kAsfPacketSize) << "minimum packet size";
  EXPECT_EQ(Le(&h[30 + 96], 4), kAsfPacketSize) << "maximum packet size";
  EXPECT_EQ(Le(&h[110], 8), 0u) << "no preroll: Play Duration is the recording's length";
  EXPECT_EQ(Le(&h[118], 4) & 3, 2u) << "seekable, not broadcast";
  EXPECT_EQ(std::memcmp(&h[621], kDataGuid, 16), 0);
  EXPECT_EQ(Le(&h[637], 8), 50u);
  EXPECT_EQ(std::memcmp(&h[54], &h[621 + 24], 16), 0) << "one file id in both objects";
  EXPECT_EQ(h[669], 1);
  EXPECT_EQ(h[670], 1);
  // Objects chain exactly from byte 30 to the Data Object.
  size_t at = 30, count = 0;
  while (at < 621) {
    at += size_t(Le(&h[at + 16], 8));
    ++count;
  }
  EXPECT_EQ(at, 621u);
  EXPECT_EQ(count, Le(&h[24], 4));

  const size_t fourcc = Find(h, "MP4S");
  ASSERT_NE(fourcc, std::string::npos);
  EXPECT_EQ(Le(&h[fourcc - 16], 4), 58u) << "BITMAPINFOHEADER size with the configuration";
  EXPECT_EQ(Le(&h[fourcc - 12], 4), 320u);
  EXPECT_EQ(Le(&h[fourcc - 8], 4), 240u);
  const VolHeader vol = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                         0x04, 0x40, 0x03, 0xE8, 0x50, 0x20, 0xF0, 0xA3, 0x1F};
  EXPECT_EQ(std::memcmp(&h[fourcc + 4 + 20], vol.data(), vol.size()), 0);
}

TEST_F(LiveStreamCif, VideoModeZeroSends352x288WithItsConfiguration) {
  uint8_t mode = 0xEE;
  ASSERT_NE(driver.Vendor_Read(REQ_GET_VIDEO_MODE, 0, 0, 1, &mode), 0);
  EXPECT_EQ(mode, 0);
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  std::vector<uint8_t> h = NextBlock();
  const size_t fourcc = Find(h, "MP4S");
  ASSERT_NE(fourcc, std::string::npos);
  EXPECT_EQ(Le(&h[fourcc - 12], 4), 352u);
  EXPECT_EQ(Le(&h[fourcc - 8], 4), 288u);
  const VolHeader vol = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                         0x04, 0x40, 0x03, 0xE8, 0x58, 0x21, 0x20, 0xA3, 0x1F};
  EXPECT_EQ(std::memcmp(&h[fourcc + 4 + 20], vol.data(), vol.size()), 0);
  EXPECT_EQ(VolHeaderFor(352, 288), vol);
}

TEST_F(LiveStream, PollRepliesFollowTheStreamsState) {
  Poll p = PollStream();
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.ready, 0) << "camera mode without a stream: nothing waiting";
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  p = PollStream();
  EXPECT_EQ(p.ready, 1);
  EXPECT_EQ(p.length, 671u) << "the header comes first";
  EXPECT_EQ(PollStream().length, 671u) << "an unread block is announced again";
  NextBlock();
  p = PollStream();
  EXPECT_EQ(p.ready, 0) << "the first frame is still being captured";
  p = PollReady();
  EXPECT_EQ(p.ready, 1);
  EXPECT_EQ(p.length % kAsfPacketSize, 0u);

  // A block half read and then polled past is lost; the next one follows.
  std::vector<uint8_t> half(p.length / 2 + 1);
  driver.Bulk_IN(half.data(), int(half.size()));
  Poll next = PollReady();
  EXPECT_EQ(next.ready, 1);
  EXPECT_EQ(next.length % kAsfPacketSize, 0u);

  ASSERT_EQ(Write(REQ_STREAM_STOP), kStatusOk);
  EXPECT_EQ(PollStream().ready, 0);
  uint8_t byte;
  EXPECT_EQ(driver.Bulk_IN(&byte, 1), 0) << "a stopped stream drops its block";
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  EXPECT_EQ(PollStream().length, 671u) << "a header after every start";

  ASSERT_EQ(Write(REQ_SET_MODE, kModeStorage), kStatusOk);
  p = PollStream();
  EXPECT_EQ(p.ready, 1);
  EXPECT_EQ(p.length, 0u) << "outside camera mode the stream is over";
  EXPECT_EQ(Write(REQ_STREAM_START), kStatusWrongMode);
}

TEST_F(LiveStream, BlocksAreWholePacketsOfFramesAndSound) {
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  NextBlock();
  asf_test::Objects objects;
  std::string error;
  int singles = 0, multiples = 0;
  for (int block = 0; block < 45 && error.empty(); ++block) {
    std::vector<uint8_t> b = NextBlock();
    ASSERT_FALSE(b.empty());
    ASSERT_LE(b.size(), kLargestBlock);
    ASSERT_EQ(b.size() % kAsfPacketSize, 0u);
    for (size_t at = 0; at < b.size() && error.empty(); at += kAsfPacketSize) {
      asf_test::Packet packet = asf_test::ReadPacket(&b[at], kAsfPacketSize, error);
      ASSERT_FALSE(packet.payloads.empty());
      (packet.multiple ? multiples : singles)++;
      EXPECT_LE(packet.sendMs, packet.payloads.front().presentationMs);
      EXPECT_EQ(packet.durationMs, 67);
      for (const auto& pl : packet.payloads) objects.Add(pl, error);
    }
    EXPECT_FALSE(objects.Unfinished()) << "a block ends with whole objects";
  }
  ASSERT_EQ(error, "");
  EXPECT_GT(singles, 0) << "large frames fill packets alone";
  EXPECT_GT(multiples, 0);

  int frames = 0, sounds = 0;
  uint8_t videoNumber = 0, audioNumber = 0;
  for (const auto& o : objects.done) {
    if (o.stream == kVideoStreamNumber) {
      EXPECT_EQ(o.number, videoNumber++);
      EXPECT_EQ(o.presentationMs, uint32_t(frames * 1000 / 15));
      EXPECT_EQ(o.key, frames % 15 == 0) << "a key frame every second, frame " << frames;
      EXPECT_LE(o.data.size(), 65536u);
      // Key frames open a group of VOPs; the others are a VOP alone.
      EXPECT_EQ(Le(o.data.data(), 4), o.key ? 0xB3010000u : 0xB6010000u) << "frame " << frames;
      ++frames;
    } else {
      ASSERT_EQ(o.stream, kAudioStreamNumber);
      EXPECT_EQ(o.number, audioNumber++);
      EXPECT_EQ(o.presentationMs, uint32_t(sounds * 200));
      EXPECT_EQ(o.data.size(), 3200u) << "0.2 s of 8 kHz 16-bit mono";
      ++sounds;
    }
  }
  EXPECT_EQ(frames, 45);
  EXPECT_EQ(sounds, 15);
}

TEST_F(LiveStream, AudioChangeHaltsTheStreamUntilItStartsWithTheNewFormat) {
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  std::vector<uint8_t> first = NextBlock();
  const size_t wave = Find(first, std::string("\x01\x00\x01\x00\x40\x1F", 6));  // PCM, mono, 8000 Hz
  ASSERT_NE(wave, std::string::npos);
  NextBlock();
  std::string reply;
  ASSERT_TRUE(driver.Model().Control("audio-change", reply));
  Poll p = PollStream();
  EXPECT_EQ(p.ready, 1);
  EXPECT_GE(p.length, 1u);
  EXPECT_LE(p.length, 49u);
  EXPECT_EQ(PollStream().length, p.length) << "halted until started again";
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  std::vector<uint8_t> header = NextBlock();
  ASSERT_EQ(header.size(), 671u);
  EXPECT_EQ(Le(&header[wave + 4], 4), 16000u) << "the new sample rate";
  EXPECT_EQ(Le(&header[wave + 8], 4), 32000u) << "bytes per second";
  std::vector<uint8_t> block = NextBlock();
  std::string error;
  asf_test::Packet packet = asf_test::ReadPacket(block.data(), kAsfPacketSize, error);
  ASSERT_EQ(error, "");
  EXPECT_EQ(packet.payloads.front().objectSize, 6400u) << "0.2 s at 16 kHz";
}

TEST_F(LiveStream, LeavingCameraModeAndUnplugEndTheStream) {
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  NextBlock();
  std::string reply;
  ASSERT_TRUE(driver.Model().Control("leave-camera-mode", reply));
  Poll p = PollStream();
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.ready, 1);
  EXPECT_EQ(p.length, 0u);
  EXPECT_EQ(Write(REQ_SET_MODE, kModeCamera), kStatusOk) << "the host can send it back";
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  EXPECT_EQ(PollStream().length, 671u);

  ASSERT_TRUE(driver.Model().Control("unplug", reply));
  EXPECT_FALSE(PollStream().ok);
  ASSERT_TRUE(driver.Model().Control("help", reply));
  EXPECT_NE(reply.find("audio-change"), std::string::npos);
  EXPECT_NE(reply.find("leave-camera-mode"), std::string::npos);
}

TEST(LivePacing, TheStreamRunsInRealTimeThroughTheSleepHook) {
  TempStick stick;
  std::chrono::microseconds slept{0};
  ModelOptions o;
  o.stick = stick.Path();
  o.sleep = [&](std::chrono::microseconds d) { slept += d; };
  SimDriver driver(std::move(o));
  ASSERT_NE(driver.Device_Open(), 0);
  uint8_t none = 0, r[5];
  driver.Vendor_Write(REQ_SET_MODE, kModeCamera, 0, 0, &none);
  driver.Vendor_Write(REQ_STREAM_START, 0, 0, 0, &none);
  std::vector<uint8_t> block(kLargestBlock);
  const auto start = std::chrono::steady_clock::now();
  int blocks = 0, idle = 0;
  while (blocks < 31) {  // header and two seconds of frames
    ASSERT_NE(driver.Vendor_Read(REQ_STREAM_POLL, 0, 0, 5, r), 0);
    if (r[0] == 0) {
      ++idle;
      continue;
    }
    ASSERT_GE(Le(r + 1, 4), 50u);
    driver.Bulk_IN(block.data(), int(Le(r + 1, 4)));
    ++blocks;
  }
  const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  // The last frame is due two seconds after the start, on the camera's
  // clock: real time plus what the hook let pass. It never comes sooner, and
  // the hook never has the camera wait past it; a slow machine only shifts
  // the share between the two.
  EXPECT_GE((slept + wall).count(), 1950000);
  EXPECT_LE(slept.count(), 2050000);
  // Idle answers need a machine that encodes faster than the camera films,
  // which any does by far (the 31 blocks take about a tenth of a second even
  // under the sanitizers).
  EXPECT_GT(idle, 30) << "between frames the camera answers \"nothing waiting\"";
}

// Reads the fields of a video object layer header (after its start code).
struct VolFields {
  int timeResolution = 0, width = 0, height = 0;
  std::vector<int> flags;  // shape, fixed rate, interlaced, obmc off, sprite, not 8-bit, quant,
                           // complexity off, resync off, partitioned, scalability
};

VolFields ParseVol(const uint8_t* p, size_t n) {
  size_t bit = 0;
  auto get = [&](int count) {
    int v = 0;
    for (int i = 0; i < count; ++i, ++bit) v = v << 1 | (bit / 8 < n ? (p[bit / 8] >> (7 - bit % 8)) & 1 : 0);
    return v;
  };
  VolFields f;
  get(1);
  get(8);  // object type
  int verid = 1;
  if (get(1)) {
    verid = get(4);
    get(3);
  }
  if (get(4) == 15) get(16);
  if (get(1)) {  // vol control parameters
    get(3);
    if (get(1)) get(79);
  }
  f.flags.push_back(get(2));
  get(1);
  f.timeResolution = get(16);
  get(1);
  int fixed = get(1);
  f.flags.push_back(fixed);
  get(1);
  f.width = get(13);
  get(1);
  f.height = get(13);
  get(1);
  for (int i = 0; i < 2; ++i) f.flags.push_back(get(1));  // interlaced, obmc disable
  f.flags.push_back(get(verid == 1 ? 1 : 2));
  for (int i = 0; i < 5; ++i) f.flags.push_back(get(1));  // not 8 bit, quant, complexity, resync, partitioned
  f.flags.push_back(get(1));                              // scalability
  EXPECT_EQ(verid, 1);
  return f;
}

// Decodes `frames` the way a player does: the decoder knows only the
// camera's 18 configuration bytes.
int DecodeWithConfiguration(const VolHeader& vol, const std::vector<std::vector<uint8_t>>& frames, int width,
                            int height) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG4);
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->extradata = static_cast<uint8_t*>(av_mallocz(vol.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  std::memcpy(c->extradata, vol.data(), vol.size());
  c->extradata_size = int(vol.size());
  c->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM;
  EXPECT_EQ(avcodec_open2(c, codec, nullptr), 0);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int decoded = 0;
  for (const auto& data : frames) {
    av_new_packet(pkt, int(data.size()));
    std::memcpy(pkt->data, data.data(), data.size());
    EXPECT_EQ(avcodec_send_packet(c, pkt), 0);
    av_packet_unref(pkt);
    while (avcodec_receive_frame(c, frame) == 0) {
      EXPECT_EQ(frame->width, width);
      EXPECT_EQ(frame->height, height);
      EXPECT_EQ(frame->decode_error_flags, 0);
      ++decoded;
    }
  }
  avcodec_send_packet(c, nullptr);
  while (avcodec_receive_frame(c, frame) == 0) ++decoded;
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&c);
  return decoded;
}

TEST(LiveVideo, EncoderMatchesTheAnnouncedConfigurationAndFramesDecodeWithIt) {
  for (auto [w, h] : {std::pair{320, 240}, std::pair{352, 288}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    LiveEncoder encoder(w, h);
    ASSERT_EQ(encoder.Error(), "");
    const VolHeader& vol = VolHeaderFor(w, h);
    const auto& own = encoder.EncoderConfig();
    ASSERT_GE(own.size(), 18u);
    ASSERT_EQ(std::memcmp(own.data(), vol.data(), 8), 0) << "VO and VOL start codes";
    VolFields ours = ParseVol(own.data() + 8, own.size() - 8);
    VolFields announced = ParseVol(vol.data() + 8, vol.size() - 8);
    EXPECT_EQ(announced.timeResolution, 15);
    EXPECT_EQ(announced.width, w);
    EXPECT_EQ(announced.height, h);
    EXPECT_EQ(ours.timeResolution, announced.timeResolution);
    EXPECT_EQ(ours.width, announced.width);
    EXPECT_EQ(ours.height, announced.height);
    EXPECT_EQ(ours.flags, announced.flags);

    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 20; ++i) {
      bool key = false;
      frames.push_back(encoder.NextFrame(key));
      EXPECT_EQ(key, i % 15 == 0);
    }
    encoder.Restart();
    bool key = false;
    frames.push_back(encoder.NextFrame(key));
    EXPECT_TRUE(key) << "a restarted stream begins with a key frame";
    EXPECT_EQ(DecodeWithConfiguration(vol, frames, w, h), 21);
  }
}

TEST(LiveSound, AudioObjectsHoldATwoHundredMillisecondTone) {
  std::vector<uint8_t> a = LiveEncoder::AudioObject(8000, 3);
  ASSERT_EQ(a.size(), 3200u);
  int peak = 0;
  for (size_t i = 0; i < a.size(); i += 2) peak = std::max(peak, std::abs(int(int16_t(a[i] | a[i + 1] << 8))));
  EXPECT_GT(peak, 3000);
  EXPECT_EQ(LiveEncoder::AudioObject(16000, 0).size(), 6400u);
}

}  // namespace
