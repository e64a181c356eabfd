// The PIXA raw still and the converter's table file "pixa_tbl.tbl": their
// layouts, the checks every reader makes, and the writers. README.md in this
// folder describes both formats byte by byte.
//
// Both come from outside the converter (the camera's bulk pipe, a file on
// disk), so a parser trusts nothing: every field is checked against the
// length actually present before anything is read through it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixa {

// The still buffer of one capture: the raw still arrives in it and the JPEG
// leaves in it, so neither may be larger.
constexpr uint32_t kBufferBytes = 409600;

// --- raw still ---

constexpr std::array<uint8_t, 4> kStillMagic = {'P', 'I', 'X', 'A'};
constexpr uint16_t kStillVersion = 1;
constexpr size_t kStillHeaderBytes = 32;
// Limits of a still's size: even sides (whole Bayer quads), mosaic and header
// inside the still buffer.
constexpr int kMinSide = 2;
constexpr int kMaxSide = 4096;
constexpr size_t kMaxMosaicBytes = kBufferBytes - kStillHeaderBytes;
// Black levels above this leave too few levels of light to be a real sensor's.
constexpr int kMaxBlackLevel = 127;
// White-balance gains in 1/256: from 0.25 to 8.
constexpr int kGainOne = 256;
constexpr int kMinGain = 64;
constexpr int kMaxGain = 2048;

// The colour filter over the top-left 2 x 2 pixels, row by row.
enum class Bayer : uint8_t { RGGB = 0, GRBG = 1, GBRG = 2, BGGR = 3 };

// Channel (0 red, 1 green, 2 blue) of the sample at (x, y).
int BayerChannel(Bayer pattern, int x, int y);

struct StillHeader {
  uint16_t width = 640;
  uint16_t height = 480;
  Bayer pattern = Bayer::RGGB;
  uint16_t blackLevel = 16;
  std::array<uint16_t, 3> gains = {kGainOne, kGainOne, kGainOne};  // red, green, blue
};

// A parsed still: its header and a view of its width x height samples.
struct Still {
  StillHeader header;
  const uint8_t* mosaic = nullptr;
};

enum class FormatError {
  None,
  TooShort,         // fewer bytes than a header, or than the header says
  BadMagic,
  BadVersion,
  BadHeaderSize,
  BadSize,          // width or height odd, zero or outside the limits
  BadPattern,
  BadSampleBits,
  BadBlackLevel,
  BadGain,
  BadReserved,      // reserved fields must be zero
  LengthMismatch,   // the payload size field or the byte count disagrees with the size
  BadEntryCount,    // table: the tone curve does not have kToneEntries entries
  BadQuality,       // table: JPEG quality settings outside 1..100 or inconsistent
  BadMatrix,        // table: a colour-matrix coefficient outside the limits
};
const char* Describe(FormatError error);

FormatError ParseStill(const uint8_t* data, size_t length, Still& still);
// Header followed by `mosaic`, which must hold width x height samples.
std::vector<uint8_t> WriteStill(const StillHeader& header, const std::vector<uint8_t>& mosaic);

// --- table file ---

constexpr std::array<uint8_t, 4> kTableMagic = {'P', 'X', 'T', 'B'};
constexpr uint16_t kTableVersion = 1;
constexpr size_t kTableHeaderBytes = 16;
constexpr int kToneEntries = 1024;
// Colour-matrix coefficients in 1/1024, from -4 to 4.
constexpr int kMatrixOne = 1024;
constexpr int kMaxMatrix = 4 * kMatrixOne;
constexpr size_t kMatrixBytes = 9 * 2 + 2;  // nine coefficients and a reserved field
constexpr size_t kTableBytes = kTableHeaderBytes + kMatrixBytes + kToneEntries;

struct Table {
  // JPEG quality: first try `quality`, then lower by `qualityStep` while the
  // JPEG does not fit the still buffer, never below `lowestQuality`.
  uint8_t quality = 92;
  uint8_t qualityStep = 6;
  uint8_t lowestQuality = 20;
  // Camera RGB to output RGB, row by row, in 1/1024.
  std::array<int16_t, 9> matrix{};
  // Linear light 0..1 in kToneEntries steps to an 8-bit output level.
  std::array<uint8_t, kToneEntries> tone{};
};

FormatError ParseTable(const uint8_t* data, size_t length, Table& table);
std::vector<uint8_t> WriteTable(const Table& table);
// The table installed beside the program: an sRGB tone curve and the colour
// matrix of the camera's sensor.
Table DefaultTable();

}  // namespace pixa
