#include "platform/camsim/TestPicture.h"

#include <algorithm>
#include <cmath>

#include "platform/camsim/LiveEncoder.h"

namespace camsim {

namespace {
uint8_t Level(double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }
// Eight bars across the picture.
int Bar(int cx, int width) { return cx * 8 / (width / 2); }
}  // namespace

TestPicture::TestPicture(int width, int height, int64_t frame)
    : width_(width), height_(height), shift_(int(frame * 4 % 256)), box_(height / 4),
      boxX_(int(frame % (kFramesPerSecond * 4)) * (width - height / 4) / (kFramesPerSecond * 4)),
      boxY_((height - height / 4) / 2) {}

uint8_t TestPicture::Luma(int x, int y) const {
  const bool inBox = x >= boxX_ && x < boxX_ + box_ && y >= boxY_ && y < boxY_ + box_;
  return inBox ? 235 : uint8_t(16 + ((x + shift_) & 0xFF) * 200 / 255);
}

uint8_t TestPicture::ChromaU(int cx) const { return uint8_t(64 + (Bar(cx, width_) & 3) * 40); }

uint8_t TestPicture::ChromaV(int cx) const { return uint8_t(64 + (Bar(cx, width_) >> 1) * 30); }

std::vector<uint8_t> TestPicture::Rgb(int outWidth, int outHeight) const {
  std::vector<uint8_t> rgb(size_t(outWidth) * size_t(outHeight) * 3);
  for (int y = 0; y < outHeight; ++y) {
    const int sy = y * height_ / outHeight;
    for (int x = 0; x < outWidth; ++x) {
      const int sx = x * width_ / outWidth;
      const double l = 1.164 * (Luma(sx, sy) - 16);
      const int u = ChromaU(sx / 2) - 128, v = ChromaV(sx / 2) - 128;
      uint8_t* p = &rgb[(size_t(y) * size_t(outWidth) + size_t(x)) * 3];
      p[0] = Level(l + 1.596 * v);
      p[1] = Level(l - 0.392 * u - 0.813 * v);
      p[2] = Level(l + 2.017 * u);
    }
  }
  return rgb;
}

}  // namespace camsim
