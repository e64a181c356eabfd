// The PIXA still and table parsers against hostile input: every field out of
// its limits, every truncation, and lengths that disagree with the header.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/pixa/PixaFormat.h"
#include "platform/pixa/PixaSensor.h"

namespace {

using namespace pixa;

std::vector<uint8_t> SmallStill(uint16_t width = 16, uint16_t height = 12) {
  StillHeader h = DefaultSensor(width, height);
  std::vector<uint8_t> mosaic(size_t(width) * height);
  for (size_t i = 0; i < mosaic.size(); ++i) mosaic[i] = uint8_t(i * 7);
  return WriteStill(h, mosaic);
}

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

FormatError Still(const std::vector<uint8_t>& bytes) {
  struct Still s;
  return ParseStill(bytes.data(), bytes.size(), s);
}
FormatError TableOf(const std::vector<uint8_t>& bytes) {
  Table t;
  return ParseTable(bytes.data(), bytes.size(), t);
}

TEST(PixaStill, WrittenStillsParseBackWithTheirHeader) {
  StillHeader h = DefaultSensor(640, 480);
  h.pattern = Bayer::GBRG;
  h.blackLevel = 0;
  h.gains = {kMinGain, kGainOne, kMaxGain};
  std::vector<uint8_t> mosaic(640 * 480, 99);
  const std::vector<uint8_t> bytes = WriteStill(h, mosaic);
  ASSERT_EQ(bytes.size(), 307232u);
  struct Still s;
  ASSERT_EQ(ParseStill(bytes.data(), bytes.size(), s), FormatError::None);
  EXPECT_EQ(s.header.width, 640);
  EXPECT_EQ(s.header.height, 480);
  EXPECT_EQ(s.header.pattern, Bayer::GBRG);
  EXPECT_EQ(s.header.blackLevel, 0);
  EXPECT_EQ(s.header.gains, (std::array<uint16_t, 3>{kMinGain, kGainOne, kMaxGain}));
  EXPECT_EQ(s.mosaic, bytes.data() + kStillHeaderBytes);
  // The largest still that fits the still buffer with its header.
  EXPECT_EQ(Still(WriteStill(DefaultSensor(640, 638), std::vector<uint8_t>(640 * 638))), FormatError::None);
  EXPECT_LE(kStillHeaderBytes + 640 * 638, kBufferBytes);
}

TEST(PixaStill, HostileHeadersAreRefusedFieldByField) {
  struct Case {
    const char* what;
    void (*mutate)(std::vector<uint8_t>&);
    FormatError expected;
  };
  const Case cases[] = {
      {"magic", [](auto& b) { b[3] = 'B'; }, FormatError::BadMagic},
      {"version 2", [](auto& b) { Put16(b, 4, 2); }, FormatError::BadVersion},
      {"version 0", [](auto& b) { Put16(b, 4, 0); }, FormatError::BadVersion},
      {"header size", [](auto& b) { Put16(b, 6, 64); }, FormatError::BadHeaderSize},
      {"width 0", [](auto& b) { Put16(b, 8, 0); }, FormatError::BadSize},
      {"odd width", [](auto& b) { Put16(b, 8, 15); }, FormatError::BadSize},
      {"odd height", [](auto& b) { Put16(b, 10, 11); }, FormatError::BadSize},
      {"width beyond the limit", [](auto& b) { Put16(b, 8, 4098); }, FormatError::BadSize},
      {"height 65534", [](auto& b) { Put16(b, 10, 65534); }, FormatError::BadSize},
      {"mosaic beyond the buffer", [](auto& b) { Put16(b, 8, 4096); Put16(b, 10, 100); }, FormatError::BadSize},
      {"pattern 4", [](auto& b) { b[12] = 4; }, FormatError::BadPattern},
      {"pattern 255", [](auto& b) { b[12] = 255; }, FormatError::BadPattern},
      {"16-bit samples", [](auto& b) { b[13] = 16; }, FormatError::BadSampleBits},
      {"black level 128", [](auto& b) { Put16(b, 14, 128); }, FormatError::BadBlackLevel},
      {"black level 65535", [](auto& b) { Put16(b, 14, 65535); }, FormatError::BadBlackLevel},
      {"red gain 0", [](auto& b) { Put16(b, 16, 0); }, FormatError::BadGain},
      {"green gain below 0.25", [](auto& b) { Put16(b, 18, kMinGain - 1); }, FormatError::BadGain},
      {"blue gain above 8", [](auto& b) { Put16(b, 20, kMaxGain + 1); }, FormatError::BadGain},
      {"reserved 16-bit", [](auto& b) { Put16(b, 22, 1); }, FormatError::BadReserved},
      {"reserved 32-bit", [](auto& b) { Put32(b, 28, 0x80000000u); }, FormatError::BadReserved},
      {"payload size field", [](auto& b) { Put32(b, 24, 16 * 12 + 1); }, FormatError::LengthMismatch},
      {"payload size field huge", [](auto& b) { Put32(b, 24, 0xFFFFFFFFu); }, FormatError::LengthMismatch},
      {"one byte missing", [](auto& b) { b.pop_back(); }, FormatError::TooShort},
      {"one byte extra", [](auto& b) { b.push_back(0); }, FormatError::LengthMismatch},
      {"header only", [](auto& b) { b.resize(kStillHeaderBytes); }, FormatError::TooShort},
      {"half a header", [](auto& b) { b.resize(kStillHeaderBytes / 2); }, FormatError::TooShort},
      {"nothing", [](auto& b) { b.clear(); }, FormatError::TooShort},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = SmallStill();
    c.mutate(bytes);
    EXPECT_EQ(Still(bytes), c.expected) << c.what << ": " << Describe(Still(bytes));
  }
  struct Still s;
  EXPECT_EQ(ParseStill(nullptr, 1000, s), FormatError::TooShort);
}

TEST(PixaStill, BayerPatternsNameTheTopLeftQuad) {
  // RGGB: red at (0, 0), green at (1, 0) and (0, 1), blue at (1, 1); the quad repeats.
  EXPECT_EQ(BayerChannel(Bayer::RGGB, 0, 0), 0);
  EXPECT_EQ(BayerChannel(Bayer::RGGB, 1, 0), 1);
  EXPECT_EQ(BayerChannel(Bayer::RGGB, 0, 1), 1);
  EXPECT_EQ(BayerChannel(Bayer::RGGB, 1, 1), 2);
  EXPECT_EQ(BayerChannel(Bayer::RGGB, 638, 478), 0);
  EXPECT_EQ(BayerChannel(Bayer::GRBG, 1, 0), 0);
  EXPECT_EQ(BayerChannel(Bayer::GRBG, 0, 1), 2);
  EXPECT_EQ(BayerChannel(Bayer::GBRG, 1, 0), 2);
  EXPECT_EQ(BayerChannel(Bayer::GBRG, 0, 1), 0);
  EXPECT_EQ(BayerChannel(Bayer::BGGR, 0, 0), 2);
  EXPECT_EQ(BayerChannel(Bayer::BGGR, 3, 5), 0);
}

TEST(PixaTable, TheDefaultTableWritesAndParsesBack) {
  const Table d = DefaultTable();
  const std::vector<uint8_t> bytes = WriteTable(d);
  ASSERT_EQ(bytes.size(), kTableBytes);
  EXPECT_EQ(bytes.size(), 1060u);
  Table t;
  ASSERT_EQ(ParseTable(bytes.data(), bytes.size(), t), FormatError::None);
  EXPECT_EQ(t.quality, d.quality);
  EXPECT_EQ(t.qualityStep, d.qualityStep);
  EXPECT_EQ(t.lowestQuality, d.lowestQuality);
  EXPECT_EQ(t.matrix, d.matrix);
  EXPECT_EQ(t.tone, d.tone);
  // An sRGB curve: black stays black, white white, mid-grey light is brighter than half.
  EXPECT_EQ(t.tone.front(), 0);
  EXPECT_EQ(t.tone.back(), 255);
  EXPECT_GT(t.tone[kToneEntries / 5], 110);
  for (int row = 0; row < 3; ++row) {
    int sum = 0;
    for (int col = 0; col < 3; ++col) sum += t.matrix[size_t(row * 3 + col)];
    EXPECT_NEAR(sum, kMatrixOne, 1) << "grey stays grey, row " << row;
  }
}

TEST(PixaTable, HostileTablesAreRefusedFieldByField) {
  struct Case {
    const char* what;
    void (*mutate)(std::vector<uint8_t>&);
    FormatError expected;
  };
  const Case cases[] = {
      {"magic", [](auto& b) { b[0] = 'Q'; }, FormatError::BadMagic},
      {"still magic", [](auto& b) { std::memcpy(b.data(), "PIXA", 4); }, FormatError::BadMagic},
      {"version 2", [](auto& b) { Put16(b, 4, 2); }, FormatError::BadVersion},
      {"header size", [](auto& b) { Put16(b, 6, 32); }, FormatError::BadHeaderSize},
      {"256 tone entries", [](auto& b) { Put16(b, 8, 256); }, FormatError::BadEntryCount},
      {"65535 tone entries", [](auto& b) { Put16(b, 8, 65535); }, FormatError::BadEntryCount},
      {"quality 0", [](auto& b) { b[10] = 0; b[12] = 0; }, FormatError::BadQuality},
      {"quality 101", [](auto& b) { b[10] = 101; }, FormatError::BadQuality},
      {"quality step 0", [](auto& b) { b[11] = 0; }, FormatError::BadQuality},
      {"lowest above quality", [](auto& b) { b[12] = uint8_t(b[10] + 1); }, FormatError::BadQuality},
      {"lowest 0", [](auto& b) { b[12] = 0; }, FormatError::BadQuality},
      {"reserved header byte", [](auto& b) { b[14] = 1; }, FormatError::BadReserved},
      {"matrix above 4", [](auto& b) { Put16(b, 16, kMaxMatrix + 1); }, FormatError::BadMatrix},
      {"matrix below -4", [](auto& b) { Put16(b, 32, uint16_t(-kMaxMatrix - 1)); }, FormatError::BadMatrix},
      {"reserved after the matrix", [](auto& b) { Put16(b, 34, 7); }, FormatError::BadReserved},
      {"one byte extra", [](auto& b) { b.push_back(0); }, FormatError::LengthMismatch},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = WriteTable(DefaultTable());
    c.mutate(bytes);
    EXPECT_EQ(TableOf(bytes), c.expected) << c.what << ": " << Describe(TableOf(bytes));
  }
  // Matrix limits themselves are taken.
  std::vector<uint8_t> edge = WriteTable(DefaultTable());
  Put16(edge, 16, kMaxMatrix);
  Put16(edge, 18, uint16_t(-kMaxMatrix));
  EXPECT_EQ(TableOf(edge), FormatError::None);
}

TEST(PixaTable, EveryTruncationIsRefused) {
  const std::vector<uint8_t> bytes = WriteTable(DefaultTable());
  for (size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + ptrdiff_t(n));
    EXPECT_EQ(TableOf(cut), FormatError::TooShort) << n << " bytes";
  }
  Table t;
  EXPECT_EQ(ParseTable(nullptr, kTableBytes, t), FormatError::TooShort);
}

}  // namespace
