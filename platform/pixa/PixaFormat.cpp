#include "platform/pixa/PixaFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pixa {

namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

bool ValidSide(uint16_t side) { return side >= kMinSide && side <= kMaxSide && side % 2 == 0; }

}  // namespace

int BayerChannel(Bayer pattern, int x, int y) {
  // Channels of the 2 x 2 quad, top-left, top-right, bottom-left, bottom-right.
  static constexpr int kQuads[4][4] = {{0, 1, 1, 2}, {1, 0, 2, 1}, {1, 2, 0, 1}, {2, 1, 1, 0}};
  return kQuads[int(pattern) & 3][(y & 1) * 2 + (x & 1)];
}

const char* Describe(FormatError error) {
  switch (error) {
    case FormatError::None: return "valid";
    case FormatError::TooShort: return "too short";
    case FormatError::BadMagic: return "wrong magic";
    case FormatError::BadVersion: return "unknown version";
    case FormatError::BadHeaderSize: return "wrong header size";
    case FormatError::BadSize: return "picture size outside the limits";
    case FormatError::BadPattern: return "unknown Bayer pattern";
    case FormatError::BadSampleBits: return "samples not 8 bits";
    case FormatError::BadBlackLevel: return "black level too high";
    case FormatError::BadGain: return "white-balance gain outside the limits";
    case FormatError::BadReserved: return "reserved field not zero";
    case FormatError::LengthMismatch: return "length does not match the picture size";
    case FormatError::BadEntryCount: return "tone curve of the wrong length";
    case FormatError::BadQuality: return "JPEG quality settings outside the limits";
    case FormatError::BadMatrix: return "colour-matrix coefficient outside the limits";
  }
  return "unknown error";
}

// Header: magic, version, header size, width, height, pattern, sample bits,
// black level, red/green/blue gains, reserved, payload size, reserved.
FormatError ParseStill(const uint8_t* data, size_t length, Still& still) {
  if (!data || length < kStillHeaderBytes) return FormatError::TooShort;
  if (std::memcmp(data, kStillMagic.data(), kStillMagic.size()) != 0) return FormatError::BadMagic;
  if (Le16(data + 4) != kStillVersion) return FormatError::BadVersion;
  if (Le16(data + 6) != kStillHeaderBytes) return FormatError::BadHeaderSize;
  StillHeader h;
  h.width = Le16(data + 8);
  h.height = Le16(data + 10);
  if (!ValidSide(h.width) || !ValidSide(h.height)) return FormatError::BadSize;
  const size_t samples = size_t(h.width) * h.height;
  if (samples > kMaxMosaicBytes) return FormatError::BadSize;
  if (data[12] > uint8_t(Bayer::BGGR)) return FormatError::BadPattern;
  h.pattern = Bayer(data[12]);
  if (data[13] != 8) return FormatError::BadSampleBits;
  h.blackLevel = Le16(data + 14);
  if (h.blackLevel > kMaxBlackLevel) return FormatError::BadBlackLevel;
  for (int c = 0; c < 3; ++c) {
    h.gains[size_t(c)] = Le16(data + 16 + 2 * c);
    if (h.gains[size_t(c)] < kMinGain || h.gains[size_t(c)] > kMaxGain) return FormatError::BadGain;
  }
  if (Le16(data + 22) != 0 || Le32(data + 28) != 0) return FormatError::BadReserved;
  if (Le32(data + 24) != samples) return FormatError::LengthMismatch;
  if (length < kStillHeaderBytes + samples) return FormatError::TooShort;
  if (length != kStillHeaderBytes + samples) return FormatError::LengthMismatch;
  still.header = h;
  still.mosaic = data + kStillHeaderBytes;
  return FormatError::None;
}

std::vector<uint8_t> WriteStill(const StillHeader& h, const std::vector<uint8_t>& mosaic) {
  std::vector<uint8_t> out(kStillHeaderBytes + mosaic.size(), 0);
  std::memcpy(out.data(), kStillMagic.data(), kStillMagic.size());
  Put16(&out[4], kStillVersion);
  Put16(&out[6], uint16_t(kStillHeaderBytes));
  Put16(&out[8], h.width);
  Put16(&out[10], h.height);
  out[12] = uint8_t(h.pattern);
  out[13] = 8;
  Put16(&out[14], h.blackLevel);
  for (int c = 0; c < 3; ++c) Put16(&out[size_t(16 + 2 * c)], h.gains[size_t(c)]);
  Put32(&out[24], uint32_t(size_t(h.width) * h.height));
  if (!mosaic.empty()) std::memcpy(&out[kStillHeaderBytes], mosaic.data(), mosaic.size());
  return out;
}

// Header: magic, version, header size, tone entries, quality, quality step,
// lowest quality, three reserved bytes. Then nine matrix coefficients and a
// reserved field, then the tone curve.
FormatError ParseTable(const uint8_t* data, size_t length, Table& table) {
  if (!data || length < kTableHeaderBytes) return FormatError::TooShort;
  if (std::memcmp(data, kTableMagic.data(), kTableMagic.size()) != 0) return FormatError::BadMagic;
  if (Le16(data + 4) != kTableVersion) return FormatError::BadVersion;
  if (Le16(data + 6) != kTableHeaderBytes) return FormatError::BadHeaderSize;
  if (Le16(data + 8) != kToneEntries) return FormatError::BadEntryCount;
  Table t;
  t.quality = data[10];
  t.qualityStep = data[11];
  t.lowestQuality = data[12];
  if (t.lowestQuality < 1 || t.lowestQuality > t.quality || t.quality > 100 || t.qualityStep < 1 ||
      t.qualityStep > 100)
    return FormatError::BadQuality;
  if (data[13] != 0 || data[14] != 0 || data[15] != 0) return FormatError::BadReserved;
  if (length < kTableBytes) return FormatError::TooShort;
  if (length != kTableBytes) return FormatError::LengthMismatch;
  const uint8_t* m = data + kTableHeaderBytes;
  for (size_t i = 0; i < t.matrix.size(); ++i) {
    t.matrix[i] = int16_t(Le16(m + 2 * i));
    if (t.matrix[i] < -kMaxMatrix || t.matrix[i] > kMaxMatrix) return FormatError::BadMatrix;
  }
  if (Le16(m + 18) != 0) return FormatError::BadReserved;
  std::memcpy(t.tone.data(), m + kMatrixBytes, t.tone.size());
  table = t;
  return FormatError::None;
}

std::vector<uint8_t> WriteTable(const Table& t) {
  std::vector<uint8_t> out(kTableBytes, 0);
  std::memcpy(out.data(), kTableMagic.data(), kTableMagic.size());
  Put16(&out[4], kTableVersion);
  Put16(&out[6], uint16_t(kTableHeaderBytes));
  Put16(&out[8], uint16_t(kToneEntries));
  out[10] = t.quality;
  out[11] = t.qualityStep;
  out[12] = t.lowestQuality;
  uint8_t* m = &out[kTableHeaderBytes];
  for (size_t i = 0; i < t.matrix.size(); ++i) Put16(m + 2 * i, uint16_t(t.matrix[i]));
  std::memcpy(m + kMatrixBytes, t.tone.data(), t.tone.size());
  return out;
}

Table DefaultTable() {
  Table t;
  // The sensor's colours are a little washed out; each row sums to one, so
  // grey stays grey.
  static constexpr double kMatrix[9] = {1.28, -0.18, -0.10,  //
                                        -0.12, 1.24, -0.12,  //
                                        -0.06, -0.22, 1.28};
  for (size_t i = 0; i < 9; ++i) t.matrix[i] = int16_t(std::lround(kMatrix[i] * kMatrixOne));
  for (int i = 0; i < kToneEntries; ++i) {
    const double v = double(i) / (kToneEntries - 1);
    const double s = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    t.tone[size_t(i)] = uint8_t(std::clamp(std::lround(s * 255), 0L, 255L));
  }
  return t;
}

}  // namespace pixa
