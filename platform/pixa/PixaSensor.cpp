#include "platform/pixa/PixaSensor.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pixa {

namespace {

using Matrix = std::array<double, 9>;

Matrix Inverse(const Matrix& m) {
  const double a = m[0], b = m[1], c = m[2], d = m[3], e = m[4], f = m[5], g = m[6], h = m[7], i = m[8];
  const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  if (std::fabs(det) < 1e-9) return {1, 0, 0, 0, 1, 0, 0, 0, 1};  // a flat matrix: leave colours alone
  return {(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det,
          (f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det,
          (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
}

// Linear light for each output level: the middle of the tone-curve inputs
// that give that level; levels the curve skips lie between their neighbours.
std::array<double, 256> InverseTone(const Table& table) {
  std::array<double, 256> sum{}, count{};
  for (int i = 0; i < kToneEntries; ++i) {
    sum[table.tone[size_t(i)]] += double(i) / (kToneEntries - 1);
    count[table.tone[size_t(i)]] += 1;
  }
  std::array<double, 256> linear{};
  int last = -1;
  for (int level = 0; level < 256; ++level) {
    if (count[size_t(level)] == 0) continue;
    linear[size_t(level)] = sum[size_t(level)] / count[size_t(level)];
    for (int gap = last + 1; gap < level; ++gap)
      linear[size_t(gap)] = last < 0 ? linear[size_t(level)]
                                     : linear[size_t(last)] + (linear[size_t(level)] - linear[size_t(last)]) *
                                                                  (gap - last) / (level - last);
    last = level;
  }
  for (int gap = last + 1; gap < 256; ++gap) linear[size_t(gap)] = last < 0 ? double(gap) / 255 : linear[size_t(last)];
  return linear;
}

}  // namespace

StillHeader DefaultSensor(uint16_t width, uint16_t height) {
  StillHeader h;
  h.width = width;
  h.height = height;
  h.pattern = Bayer::RGGB;
  h.blackLevel = 16;
  // Daylight: the sensor sees red and blue weaker than green.
  h.gains = {486, 256, 397};
  return h;
}

std::vector<uint8_t> EncodeStill(const uint8_t* rgb, const StillHeader& sensor, const Table& table) {
  Matrix forward;
  for (size_t i = 0; i < 9; ++i) forward[i] = double(table.matrix[i]) / kMatrixOne;
  const Matrix inverse = Inverse(forward);
  const std::array<double, 256> linear = InverseTone(table);
  const double range = 255.0 - sensor.blackLevel;

  const int w = sensor.width, h = sensor.height;
  std::vector<uint8_t> mosaic(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = rgb + (size_t(y) * size_t(w) + size_t(x)) * 3;
      const int c = BayerChannel(sensor.pattern, x, y);
      const double* row = &inverse[size_t(c) * 3];
      double camera = row[0] * linear[p[0]] + row[1] * linear[p[1]] + row[2] * linear[p[2]];
      camera = camera * kGainOne / sensor.gains[size_t(c)];
      mosaic[size_t(y) * size_t(w) + size_t(x)] =
          uint8_t(std::clamp(std::lround(sensor.blackLevel + camera * range), 0L, 255L));
    }
  }
  return WriteStill(sensor, mosaic);
}

}  // namespace pixa
