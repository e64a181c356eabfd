#include "video/AsfStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/video/AsfBuilders.h"

using namespace asfbuild;

namespace {

struct Frames : FrameSink {
  std::vector<Bytes> frames;
  void OnFrame(const uint8_t* data, size_t length) override { frames.emplace_back(data, data + length); }
};

constexpr uint32_t kPacket = 512;
constexpr uint8_t kVideo = 1;
constexpr uint8_t kAudio = 2;

class AsfPacketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bytes header = MakeHeader(kPacket, kAudio, kVideo);
    ASSERT_EQ(stream.ParseStreamHeader(header.data(), header.size()), 1);
  }
  int Parse(const Bytes& packet, bool recording = false) {
    return stream.ParseDataPacket(packet.data(), packet.size(), recording, audioObjects, sink);
  }
  AsfStream stream;
  Frames sink;
  uint64_t audioObjects = 0;
};

}  // namespace

// --- header search ---

TEST(AsfHeaderTest, TakesPacketSizeAndAudioStreamNumber) {
  AsfStream stream;
  Bytes header = MakeHeader(3200, 0x85);  // high bit of the flags is not part of the number
  EXPECT_EQ(stream.ParseStreamHeader(header.data(), header.size()), 1);
  EXPECT_EQ(stream.PacketSize(), 3200u);
  EXPECT_EQ(stream.AudioStreamNumber(), 5);
}

TEST(AsfHeaderTest, SearchesOnlyWhereTheDesignedStepsLook) {
  AsfStream stream;
  // File Properties GUID inside the first 16 bytes is not looked at.
  Bytes early(300, 0);
  std::memcpy(&early[0], kFileProperties, 16);
  PutLe(early, 92, 999, 4);
  EXPECT_EQ(stream.ParseStreamHeader(early.data(), early.size()), 0);
  EXPECT_EQ(stream.PacketSize(), 0u);

  // An audio GUID before the end of the File Properties search is not taken.
  Bytes header = MakeHeader(1000, 3);
  std::memset(&header[400 + 24], 0, 16);
  PutStreamProperties(header, 30 + 92 - 24 - 20, kAudioMedia, 7);  // its GUID lies before +92
  EXPECT_EQ(stream.ParseStreamHeader(header.data(), header.size()), 1);
  EXPECT_EQ(stream.AudioStreamNumber(), 0);
}

TEST(AsfHeaderTest, BlockWithoutTheGuidsLeavesTheEarlierValues) {
  AsfStream stream;
  Bytes header = MakeHeader(2048, 4);
  ASSERT_EQ(stream.ParseStreamHeader(header.data(), header.size()), 1);

  Bytes data(4000, 0x11);
  EXPECT_EQ(stream.ParseStreamHeader(data.data(), data.size()), 0);
  EXPECT_EQ(stream.PacketSize(), 2048u);
  EXPECT_EQ(stream.AudioStreamNumber(), 4);

  // A GUID whose value would lie past the block is not found either.
  Bytes cut = MakeHeader(777);
  cut.resize(30 + 92 + 3);
  EXPECT_EQ(stream.ParseStreamHeader(cut.data(), cut.size()), 0);
  EXPECT_EQ(stream.PacketSize(), 2048u);

  Bytes tiny(5, 0);
  EXPECT_EQ(stream.ParseStreamHeader(tiny.data(), tiny.size()), 0);
}

TEST(AsfHeaderTest, HeaderWithoutAudioStreamCountsNothingAsAudio) {
  AsfStream stream;
  Bytes header = MakeHeader(kPacket, 2);
  std::memset(&header[400 + 24], 0, 16);
  ASSERT_EQ(stream.ParseStreamHeader(header.data(), header.size()), 1);
  EXPECT_EQ(stream.AudioStreamNumber(), 0);
}

TEST_F(AsfPacketTest, HeaderResetsAPartialFrame) {
  Bytes frame = Pattern(600, 1);
  Parse(SinglePayloadPacket(kPacket, {kVideo, 9, 600, Slice(frame, 0, 300)}));
  Bytes header = MakeHeader(kPacket, kAudio, kVideo);
  stream.ParseStreamHeader(header.data(), header.size());
  // The rest of the old object alone must not make a frame.
  Parse(SinglePayloadPacket(kPacket, {kVideo, 9, 600, Slice(frame, 300, 300), 300}));
  EXPECT_TRUE(sink.frames.empty());
}

// --- packet layout ---

TEST_F(AsfPacketTest, ErrorCorrectionBytesAreSkippedOnlyWhenFlagged) {
  Bytes frame = Pattern(100, 3);
  EXPECT_EQ(Parse(SinglePayloadPacket(kPacket, {kVideo, 1, 100, frame}, true)), 1);
  EXPECT_EQ(Parse(SinglePayloadPacket(kPacket, {kVideo, 2, 100, frame}, false)), 1);
  ASSERT_EQ(sink.frames.size(), 2u);
  EXPECT_EQ(sink.frames[0], frame);
  EXPECT_EQ(sink.frames[1], frame);
}

TEST_F(AsfPacketTest, SinglePayloadDataIsPacketMinusHeadersAndPadding) {
  // Object of 800 bytes: the first packet carries what fits, the second the
  // rest; the padding behind it is not data.
  Bytes frame = Pattern(800, 5);
  Bytes first = SinglePayloadPacket(kPacket, {kVideo, 3, 800, {}});
  const size_t room = kPacket - 12 - 15;  // packet header, payload header
  std::memcpy(&first[27], frame.data(), room);
  PutLe(first, 4, 0, 2);  // no padding in the first packet
  Parse(first);
  EXPECT_TRUE(sink.frames.empty());

  Bytes second = SinglePayloadPacket(kPacket, {kVideo, 3, 800, Slice(frame, room, 800 - room),
                                               uint32_t(room)});
  ASSERT_GT(GetLe(second, 4, 2), 0u);
  Parse(second);
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], frame);
}

TEST_F(AsfPacketTest, LastPieceIsCutToWhatTheObjectLacks) {
  // Padding length 0 but the object ends early: the bytes behind it are not
  // part of the frame.
  Bytes frame = Pattern(50, 8);
  Bytes packet = SinglePayloadPacket(kPacket, {kVideo, 4, 50, frame});
  PutLe(packet, 4, 0, 2);
  std::memset(&packet[27 + 50], 0xEE, kPacket - 27 - 50);
  Parse(packet);
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], frame);
}

class AsfMultiPayloadTest : public AsfPacketTest, public ::testing::WithParamInterface<int> {};

TEST_P(AsfMultiPayloadTest, EachPayloadLengthFieldSize) {
  Bytes a = Pattern(40, 1), b = Pattern(60, 2), c = Pattern(30, 3);
  Bytes packet = MultiPayloadPacket(kPacket, {{kVideo, 1, 40, a}, {kAudio, 7, 30, c}, {kVideo, 2, 60, b}},
                                    GetParam());
  EXPECT_EQ(Parse(packet, true), 1);
  ASSERT_EQ(sink.frames.size(), 2u);
  EXPECT_EQ(sink.frames[0], a);
  EXPECT_EQ(sink.frames[1], b);
  EXPECT_EQ(audioObjects, 1u);
}
INSTANTIATE_TEST_SUITE_P(LengthCodes, AsfMultiPayloadTest, ::testing::Values(1, 2, 3));

// --- reassembly ---

TEST_F(AsfPacketTest, ObjectSplitOverPacketsIsOneFrame) {
  Bytes frame = Pattern(900, 4);
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 5, 900, Slice(frame, 0, 400)}}));
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 5, 900, Slice(frame, 400, 400), 400}}));
  EXPECT_TRUE(sink.frames.empty());
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 5, 900, Slice(frame, 800, 100), 800}}));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], frame);
}

TEST_F(AsfPacketTest, ObjectChangeMidFrameDiscardsThePartialFrame) {
  Bytes lost = Pattern(300, 1), next = Pattern(200, 9);
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 10, 300, Slice(lost, 0, 150)}}));
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 11, 200, Slice(next, 0, 120)}}));
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 11, 200, Slice(next, 120, 80), 120}}));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], next);
}

TEST_F(AsfPacketTest, AudioObjectsCountOnlyWhileRecording) {
  Bytes audio = Pattern(80, 6);
  Parse(MultiPayloadPacket(kPacket, {{kAudio, 1, 80, audio}}), false);
  EXPECT_EQ(audioObjects, 0u);
  // Split audio object: counted once, when complete.
  Parse(MultiPayloadPacket(kPacket, {{kAudio, 2, 80, Slice(audio, 0, 50)}}), true);
  EXPECT_EQ(audioObjects, 0u);
  Parse(MultiPayloadPacket(kPacket, {{kAudio, 2, 80, Slice(audio, 50, 30), 50}}), true);
  EXPECT_EQ(audioObjects, 1u);
  EXPECT_TRUE(sink.frames.empty());  // audio is never a frame
}

// --- untrusted bytes ---

TEST_F(AsfPacketTest, FrameLargerThanTheBufferIsDroppedAndTheNextOneIsWhole) {
  const uint32_t huge = kMaxFrameBytes + 1;
  for (uint32_t at = 0; at < 3 * 400; at += 400)
    Parse(MultiPayloadPacket(kPacket, {{kVideo, 20, huge, Pattern(400, 1), at}}));
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 20, huge, Pattern(400, 1), 1200}}));
  Bytes next = Pattern(100, 2);
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 21, 100, next}}));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], next);
}

TEST_F(AsfPacketTest, FrameOfExactlyTheBufferSizeIsTaken) {
  AsfStream big;
  Bytes header = MakeHeader(70000, kAudio, kVideo);
  big.ParseStreamHeader(header.data(), header.size());
  Bytes frame = Pattern(kMaxFrameBytes, 7);
  Bytes packet = MultiPayloadPacket(70000, {{kVideo, 1, uint32_t(kMaxFrameBytes), frame}}, 3);
  big.ParseDataPacket(packet.data(), packet.size(), false, audioObjects, sink);
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], frame);
}

TEST_F(AsfPacketTest, PiecesLongerThanTheirObjectGiveNoFrame) {
  Bytes piece = Pattern(100, 3);
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 30, 150, piece}}));
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 30, 150, piece, 100}}));  // 200 of 150
  // The same object shrinking below what has arrived is no frame either.
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 31, 150, piece}}));
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 31, 50, Slice(piece, 0, 10), 100}}));
  EXPECT_TRUE(sink.frames.empty());
  Parse(MultiPayloadPacket(kPacket, {{kVideo, 32, 100, piece}}));
  EXPECT_EQ(sink.frames.size(), 1u);
}

TEST_F(AsfPacketTest, LengthsPastThePacketStopTheWalk) {
  Bytes frame = Pattern(40, 1);
  Bytes packet = MultiPayloadPacket(kPacket, {{kVideo, 1, 40, frame}});
  PutLe(packet, 11 + 15, 5000, 2);  // payload length beyond the packet
  EXPECT_EQ(Parse(packet), 0);

  Bytes padded = SinglePayloadPacket(kPacket, {kVideo, 2, 40, frame});
  PutLe(padded, 4, kPacket, 2);  // padding larger than the packet
  EXPECT_EQ(Parse(padded), 0);

  Bytes offset = SinglePayloadPacket(kPacket, {kVideo, 3, 40, frame, 41});  // offset past the object
  EXPECT_EQ(Parse(offset), 0);

  Bytes many = MultiPayloadPacket(kPacket, {{kVideo, 4, 40, frame}});
  many[10] = 0x80 | 63;  // 63 payloads announced, one present
  EXPECT_EQ(Parse(many), 0);
  ASSERT_EQ(sink.frames.size(), 1u);  // the payload that was there still counts
  EXPECT_EQ(sink.frames[0], frame);
}

TEST_F(AsfPacketTest, EveryTruncationOfAPacketStaysInside) {
  // Under the address sanitizer this catches any read past the given bytes.
  Bytes packet = MultiPayloadPacket(kPacket, {{kVideo, 1, 40, Pattern(40, 1)}, {kAudio, 2, 30, Pattern(30, 2)}});
  Bytes ec = SinglePayloadPacket(kPacket, {kVideo, 3, 90, Pattern(90, 3)}, true);
  for (const Bytes* whole : {&packet, &ec}) {
    for (size_t n = 0; n < 64; ++n) {
      Bytes cut(whole->begin(), whole->begin() + n);
      stream.ParseDataPacket(cut.data(), cut.size(), true, audioObjects, sink);
    }
  }
  EXPECT_TRUE(sink.frames.empty());
}

// --- recording completion ---

namespace {

struct TempFile {
  std::FILE* file = std::tmpfile();
  ~TempFile() { std::fclose(file); }
  void Write(const Bytes& b) { std::fwrite(b.data(), 1, b.size(), file); }
  Bytes Read() {
    std::fflush(file);
    std::fseek(file, 0, SEEK_END);
    Bytes b(size_t(std::ftell(file)));
    std::rewind(file);
    EXPECT_EQ(std::fread(b.data(), 1, b.size(), file), b.size());
    return b;
  }
};

}  // namespace

TEST(CompleteRecordingHeaderTest, PatchesTheFiveFieldsAndNothingElse) {
  TempFile f;
  Bytes original = Pattern(5000, 42);
  f.Write(original);
  EXPECT_EQ(CompleteRecordingHeader(f.file, 5000, 9, 25), 1);
  Bytes b = f.Read();
  ASSERT_EQ(b.size(), 5000u);
  EXPECT_EQ(GetLe(b, 70, 8), 5000u);
  EXPECT_EQ(GetLe(b, 86, 8), 9u);
  EXPECT_EQ(GetLe(b, 661, 8), 9u);
  EXPECT_EQ(GetLe(b, 94, 8), 25u * 2000000u);
  EXPECT_EQ(GetLe(b, 637, 8), 5000u - 621u);
  for (size_t at : {70, 86, 94, 637, 661}) std::memset(&b[at], 0, 8), std::memset(&original[at], 0, 8);
  EXPECT_EQ(b, original);
}

TEST(CompleteRecordingHeaderTest, ShortRecordingIsNotPatchedPastItsEnd) {
  TempFile f;
  f.Write(Pattern(300, 1));
  EXPECT_EQ(CompleteRecordingHeader(f.file, 300, 0, 0), 0);
  Bytes b = f.Read();
  EXPECT_EQ(b.size(), 300u);  // not grown
  EXPECT_EQ(GetLe(b, 70, 8), 300u);  // what fits is still written

  TempFile empty;
  EXPECT_EQ(CompleteRecordingHeader(empty.file, 0, 0, 0), 0);
  EXPECT_TRUE(empty.Read().empty());
  EXPECT_EQ(CompleteRecordingHeader(nullptr, 0, 0, 0), 0);
}
