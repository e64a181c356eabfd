// Encoding and decoding of what travels to and from the camera.
#include <gtest/gtest.h>

#include <cstring>

#include <set>
#include <string>

#include "camera/CameraProtocol.h"
#include "platform/camsim/Requests.h"

TEST(FatTime, PacksTheDocumentedBytesAndDecodesBack) {
  CamDateTime t{2003, 9, 17, 10, 25};
  EXPECT_EQ(FatTimeBytes(t), (std::array<uint8_t, 4>{0x20, 0x53, 0x31, 0x2F}));
  uint32_t v = PackFatTime(t);
  CamDateTime back = DecodeFatTime(static_cast<uint16_t>(v), static_cast<uint16_t>(v >> 16));
  EXPECT_EQ(back.year, 2003);
  EXPECT_EQ(back.month, 9);
  EXPECT_EQ(back.day, 17);
  EXPECT_EQ(back.hour, 10);
  EXPECT_EQ(back.minute, 25);
  // The year field spans 1980..2107 and the seconds are always sent as 0.
  EXPECT_EQ(PackFatTime({1980, 1, 1, 0, 0}) >> 25, 0u);
  EXPECT_EQ(PackFatTime({2107, 12, 31, 23, 59}) >> 25, 127u);
  EXPECT_EQ(PackFatTime({2107, 12, 31, 23, 59}) & 0x1F, 0u);
}

TEST(NameFields, AreZeroFilledAndRefuseNamesWithoutRoomForTheEnd) {
  auto file = MakeFileNameField("DCAM0001.JPG");
  ASSERT_TRUE(file);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file->data())), "DCAM0001.JPG");
  EXPECT_EQ((*file)[12], 0);
  auto folder = MakeFolderNameField("\\");
  ASSERT_TRUE(folder);
  EXPECT_EQ((*folder)[0], '\\');
  for (int i = 1; i < kFolderNameField; ++i) EXPECT_EQ((*folder)[i], 0) << i;
  EXPECT_TRUE(MakeFolderNameField("100QXCAM"));
  EXPECT_FALSE(MakeFolderNameField("100QXCAMX"));
  EXPECT_FALSE(MakeFileNameField("DCAM00001.JPG"));
}

TEST(Replies, DecodeEveryField) {
  PollReply poll = DecodePollReply({1, 0x10, 0x27, 0, 0});
  EXPECT_TRUE(poll.waiting);
  EXPECT_EQ(poll.length, 10000u);

  VideoFormat small{320, 240}, large{352, 288};
  EXPECT_EQ(DecodeVideoMode(1, large).width, 320);
  EXPECT_EQ(DecodeVideoMode(3, large).height, 240);
  EXPECT_EQ(DecodeVideoMode(0, small).width, 352);
  EXPECT_EQ(DecodeVideoMode(2, small).height, 288);
  EXPECT_EQ(DecodeVideoMode(7, large).width, 352);  // unknown: the previous choice stays
  EXPECT_EQ(VideoFormat{}.width, 320);

  Capacity c = DecodeCapacity({0x00, 0x00, 0x10, 0x00, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(c.freeBytes, 0x100000u);
  EXPECT_EQ(c.totalBytes, 0xFFFFFFFFu);

  MediaStatus examining = DecodeMediaStatus({0, 0, 0, 0, 1});
  EXPECT_FALSE(examining.settled);
  MediaStatus s = DecodeMediaStatus({1, 0xAA, '#', 1, 0});
  EXPECT_TRUE(s.settled && s.notFormatted && s.writeProtected);
  EXPECT_FALSE(s.notSupported || s.present);
  EXPECT_TRUE(DecodeMediaStatus({1, 0, '%', 0, 1}).notSupported);
  EXPECT_FALSE(DecodeMediaStatus({1, 0, 0, 2, 1}).writeProtected);  // only 1 means protected
}

TEST(DirRecords, NamesStopAtTheFieldEvenWithoutAZeroByte) {
  std::array<uint8_t, kDirRecordLength> rec{};
  std::memcpy(rec.data(), "DCAM0001JPGX", 12);  // byte 11 belongs to the attributes
  rec[22] = 0x20, rec[23] = 0x53, rec[24] = 0x31, rec[25] = 0x2F;
  rec[28] = 0x00, rec[29] = 0x40, rec[30] = 0x00, rec[31] = 0x00;
  DirRecord r = DecodeDirRecord(rec);
  EXPECT_FALSE(r.endOfListing);
  EXPECT_EQ(r.name, "DCAM0001");
  EXPECT_EQ(r.extension, "JPG");
  EXPECT_EQ(r.size, 16384u);
  EXPECT_EQ(DecodeFatTime(r.time, r.date).minute, 25);

  std::array<uint8_t, kDirRecordLength> end{};
  std::fill(end.begin(), end.begin() + 8, 0xFF);
  EXPECT_TRUE(DecodeDirRecord(end).endOfListing);
  end[7] = 0xFE;
  EXPECT_FALSE(DecodeDirRecord(end).endOfListing);
}

TEST(CameraNames, OnlySafeNamesPass) {
  EXPECT_TRUE(IsSafeCameraName("DCAM0001.JPG"));
  EXPECT_TRUE(IsSafeCameraName("100QXCAM"));
  for (const char* bad : {"", ".", "..", "A/B", "..\\X", "/", "DC\x01M", "DC\x7FM", "A\nB"})
    EXPECT_FALSE(IsSafeCameraName(bad)) << bad;
}

// The program and the simulator read the one table of the wire protocol: every
// code has its name, the simulator parses that name back to the code, and the
// simulator's own failure codes never fall on the ones the program passes over.
TEST(WireTable, EveryRequestIsNamedAndTheSimulatorReadsItsName) {
  std::set<std::string_view> names;
  for (int code : kRequestCodes) {
    std::string_view name = RequestCodeName(code);
    ASSERT_EQ(name.substr(0, 4), "REQ_") << code;
    EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_EQ(camsim::RequestName(code), name);
    EXPECT_EQ(camsim::ParseRequest(std::string(name)), code);
  }
  EXPECT_TRUE(RequestCodeName(0x7A).empty());
  EXPECT_EQ(camsim::RequestName(0x7A), "0x7a");
  for (uint8_t status : {camsim::kStatusRefused, camsim::kStatusNotFound, camsim::kStatusExists,
                         camsim::kStatusNoMedia, camsim::kStatusProtected, camsim::kStatusFull,
                         camsim::kStatusIoError, camsim::kStatusWrongMode, camsim::kStatusNotEmpty,
                         camsim::kStatusBusy})
    EXPECT_FALSE(IsQuietFailure(status) || status == STATUS_OK || status == STATUS_LISTED) << int(status);
}
