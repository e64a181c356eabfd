#include "platform/pixa/PixaConverter.h"

// jpeglib.h needs FILE declared before it.
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/pixa/PIXA.h"

static_assert(PIXA_BUFFER_BYTES == pixa::kBufferBytes);

namespace pixa {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return; it jumps back into EncodeJpeg instead of ending the process.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOut(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void Quiet(j_common_ptr) {}

// RGB rows to a JPEG in a buffer of libjpeg's (free it with free). No C++
// object lives in this function, so leaving it by longjmp skips no destructor.
bool EncodeJpeg(const uint8_t* rgb, int width, int height, int quality, unsigned char** out, unsigned long* size) {
  jpeg_compress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JumpOut;
  error.manager.output_message = Quiet;
  *out = nullptr;
  *size = 0;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    std::free(*out);
    *out = nullptr;
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rgb + size_t(info.next_scanline) * size_t(width) * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

// Mirrors an index that fell off the picture back in; the mirror keeps the
// Bayer parity, so the sample is of the same colour as the missing one.
inline int Mirror(int i, int n) { return i < 0 ? -i : i >= n ? 2 * n - 2 - i : i; }

}  // namespace

int LoadTable(const char* path, Table& table) {
  if (!path) return PIXA_ERR_TABLE;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file) return PIXA_ERR_TABLE;
  std::vector<uint8_t> bytes(kTableBytes + 1);
  const size_t n = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (std::ferror(file.get())) return PIXA_ERR_TABLE;
  return ParseTable(bytes.data(), n, table) == FormatError::None ? PIXA_OK : PIXA_ERR_TABLE;
}

std::vector<uint8_t> Develop(const Still& still, const Table& table) {
  const StillHeader& h = still.header;
  const int w = h.width, ht = h.height;
  // Sample to white-balanced linear light, per channel.
  float linear[3][256];
  const float range = 255.0f - float(h.blackLevel);
  for (int c = 0; c < 3; ++c) {
    const float gain = float(h.gains[size_t(c)]) / kGainOne;
    for (int v = 0; v < 256; ++v) linear[c][v] = std::max(0.0f, float(v) - float(h.blackLevel)) / range * gain;
  }

  // The samples as light, with a border of one mirrored sample all round, so
  // that every pixel has eight neighbours of the right colours.
  const int pw = w + 2;
  std::vector<float> light(size_t(pw) * size_t(ht + 2));
  for (int y = -1; y <= ht; ++y) {
    const int sy = Mirror(y, ht);
    float* row = &light[size_t(y + 1) * size_t(pw)];
    for (int x = -1; x <= w; ++x) {
      const int sx = Mirror(x, w);
      row[x + 1] = linear[BayerChannel(h.pattern, sx, sy)][still.mosaic[size_t(sy) * size_t(w) + size_t(sx)]];
    }
  }

  // Bilinear demosaic: a pixel keeps its own sample; each missing colour is
  // the mean of that colour's samples among the eight neighbours. Which
  // neighbours those are depends only on the pixel's place in the Bayer quad.
  struct Taps {
    int count = 0;
    std::array<int, 4> offsets{};
  };
  std::array<std::array<Taps, 3>, 4> taps{};
  for (int quad = 0; quad < 4; ++quad) {
    const int qx = quad & 1, qy = quad >> 1;
    const int own = BayerChannel(h.pattern, qx, qy);
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int c = BayerChannel(h.pattern, qx + dx + 2, qy + dy + 2);
        if (c == own && (dx != 0 || dy != 0)) continue;
        Taps& t = taps[size_t(quad)][size_t(c)];
        t.offsets[size_t(t.count++)] = dy * pw + dx;
      }
  }

  float matrix[9];
  for (int i = 0; i < 9; ++i) matrix[i] = float(table.matrix[size_t(i)]) / kMatrixOne;
  constexpr float kToneTop = kToneEntries - 1;
  std::vector<uint8_t> rgb(size_t(w) * size_t(ht) * 3);
  for (int y = 0; y < ht; ++y) {
    const float* row = &light[size_t(y + 1) * size_t(pw) + 1];
    uint8_t* out = &rgb[size_t(y) * size_t(w) * 3];
    for (int x = 0; x < w; ++x, out += 3) {
      const auto& quad = taps[size_t((y & 1) * 2 + (x & 1))];
      float camera[3];
      for (int c = 0; c < 3; ++c) {
        const Taps& t = quad[size_t(c)];
        float sum = 0;
        for (int i = 0; i < t.count; ++i) sum += row[x + t.offsets[size_t(i)]];
        camera[c] = sum / float(t.count);
      }
      for (int c = 0; c < 3; ++c) {
        const float* m = &matrix[c * 3];
        const float v = std::clamp(m[0] * camera[0] + m[1] * camera[1] + m[2] * camera[2], 0.0f, 1.0f);
        out[c] = table.tone[size_t(v * kToneTop + 0.5f)];
      }
    }
  }
  return rgb;
}

int ConvertStill(const Table& table, uint8_t* data, uint32_t* length) {
  if (!data || !length || *length > kBufferBytes) return PIXA_ERR_ARGUMENT;
  Still still;
  if (ParseStill(data, *length, still) != FormatError::None) return PIXA_ERR_STILL;
  const std::vector<uint8_t> rgb = Develop(still, table);

  // The raw still is no longer needed: the buffer takes the JPEG. A JPEG too
  // large for it is made again at a lower quality.
  for (int quality = table.quality;; quality = std::max(quality - table.qualityStep, int(table.lowestQuality))) {
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (!EncodeJpeg(rgb.data(), still.header.width, still.header.height, quality, &jpeg, &size))
      return PIXA_ERR_JPEG;
    const bool fits = size <= kBufferBytes;
    if (fits) {
      std::memcpy(data, jpeg, size);
      *length = uint32_t(size);
    }
    std::free(jpeg);
    if (fits) return PIXA_OK;
    if (quality <= table.lowestQuality) return PIXA_ERR_DOES_NOT_FIT;
  }
}

}  // namespace pixa
