// The completion of a recording file whose recording never stopped: packets
// counted after the stream header, audio objects found by walking them, a
// packet that arrived in part cut off, and files that hold nothing to offer.
#include "video/LeftRecording.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/video/AsfBuilders.h"

using namespace asfbuild;

namespace {

constexpr uint32_t kLeftPacket = 256;

class LeftRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orin-left-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    path_ = (folder_ / "Temp.ASF").string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  void Write(const Bytes& bytes) {
    std::ofstream out(path_, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  Bytes Read() {
    std::ifstream in(path_, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Add(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

  std::filesystem::path folder_;
  std::string path_;
};

}  // namespace

TEST_F(LeftRecordingTest, WholePacketsAndTheirAudioObjectsCompleteTheHeader) {
  Bytes file = MakeHeader(kLeftPacket);
  Add(file, MultiPayloadPacket(kLeftPacket, {{1, 1, 50, Pattern(50, 1)}, {2, 1, 40, Pattern(40, 2)}}));
  // An audio object spread over two packets counts once, where it completes.
  Add(file, MultiPayloadPacket(kLeftPacket, {{2, 2, 80, Pattern(40, 3)}}));
  Add(file, MultiPayloadPacket(kLeftPacket, {{2, 2, 80, Pattern(40, 4)}, {1, 2, 30, Pattern(30, 5)}}));
  const size_t whole = file.size();
  Add(file, Slice(MultiPayloadPacket(kLeftPacket, {{2, 3, 40, Pattern(40, 6)}}), 0, 100));  // the kill came here
  Write(file);

  auto left = CompleteLeftRecording(path_);
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->packets, 3u);
  EXPECT_EQ(left->audioObjects, 2u);
  EXPECT_EQ(left->bytes, whole);
  Bytes done = Read();
  ASSERT_EQ(done.size(), whole);
  EXPECT_EQ(GetLe(done, 70, 8), whole);
  EXPECT_EQ(GetLe(done, 86, 8), 3u);
  EXPECT_EQ(GetLe(done, 661, 8), 3u);
  EXPECT_EQ(GetLe(done, 94, 8), 2u * 2000000u);
  EXPECT_EQ(GetLe(done, 637, 8), whole - 621);
  EXPECT_TRUE(std::equal(file.begin() + 671, file.begin() + long(whole), done.begin() + 671));

  // Completing it again (a second crash before it was saved) changes nothing.
  ASSERT_TRUE(CompleteLeftRecording(path_).has_value());
  EXPECT_EQ(Read(), done);
}

TEST_F(LeftRecordingTest, NothingToOfferIsLeftAsItIs) {
  EXPECT_FALSE(CompleteLeftRecording(path_).has_value()) << "no file";

  Bytes headerOnly = MakeHeader(kLeftPacket);
  Add(headerOnly, Bytes(kLeftPacket - 1, 0));  // not one whole packet
  Write(headerOnly);
  EXPECT_FALSE(CompleteLeftRecording(path_).has_value());
  EXPECT_EQ(Read(), headerOnly);

  Bytes shortHeader = Slice(MakeHeader(kLeftPacket), 0, 600);
  Write(shortHeader);
  EXPECT_FALSE(CompleteLeftRecording(path_).has_value());

  Bytes noHeader(671 + 4 * kLeftPacket, 0x5A);  // no File Properties Object: no packet size
  Write(noHeader);
  EXPECT_FALSE(CompleteLeftRecording(path_).has_value());
  EXPECT_EQ(Read(), noHeader);

  Bytes hugePackets = MakeHeader(0x40000000);  // a packet size no camera block holds
  Add(hugePackets, Bytes(4096, 0));
  Write(hugePackets);
  EXPECT_FALSE(CompleteLeftRecording(path_).has_value());
  EXPECT_EQ(Read(), hugePackets);
}
