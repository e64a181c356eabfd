// An outside judge of JPEG stills: djpeg (libjpeg-turbo-progs) decodes the
// file to a PPM, and the picture is compared with the RGB it should show,
// region by region, so that demosaicing and compression noise average out.
#pragma once
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#ifndef DJPEG
#define DJPEG "djpeg"
#endif

namespace jpeg_judge {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  std::string error;  // empty when decoded
};

// Decodes `jpegPath` with djpeg into `jpegPath`.ppm and reads that back.
inline Picture Decode(const std::string& jpegPath) {
  Picture p;
  const std::string ppm = jpegPath + ".ppm";
  const std::string command = std::string(DJPEG) + " -pnm -outfile '" + ppm + "' '" + jpegPath + "' 2>&1";
  std::string said;
  if (FILE* out = popen(command.c_str(), "r")) {
    char buf[512];
    for (size_t n; (n = fread(buf, 1, sizeof buf, out)) > 0;) said.append(buf, n);
    if (pclose(out) != 0) p.error = "djpeg failed: " + said;
  } else {
    p.error = "cannot run djpeg";
  }
  if (!p.error.empty()) return p;
  if (!said.empty()) {
    p.error = "djpeg complained: " + said;
    return p;
  }
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> p.width >> p.height >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255 || p.width <= 0 || p.height <= 0) {
    p.error = "djpeg wrote no 8-bit colour PPM";
    return p;
  }
  p.rgb.resize(size_t(p.width) * size_t(p.height) * 3);
  in.read(reinterpret_cast<char*>(p.rgb.data()), std::streamsize(p.rgb.size()));
  if (!in) p.error = "the PPM is cut short";
  return p;
}

struct Mean {
  double c[3] = {0, 0, 0};
};

inline Mean RegionMean(const std::vector<uint8_t>& rgb, int width, int x0, int y0, int w, int h) {
  Mean m;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x)
      for (int c = 0; c < 3; ++c) m.c[c] += rgb[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(c)];
  for (double& v : m.c) v /= double(w) * h;
  return m;
}

struct Comparison {
  double worst = 0;     // largest difference of a region's channel mean
  std::string where;    // the region and channel of the worst difference
  double spread = 0;    // standard deviation of the expected region means: how far from blank
  double gotSpread = 0; // the same of the decoded picture
};

// Splits both pictures (same size) into cols x rows regions, each shrunk by
// `margin` pixels on every side, and compares their mean colours.
inline Comparison Compare(const Picture& got, const std::vector<uint8_t>& expected, int cols, int rows,
                          int margin = 4) {
  Comparison r;
  const int rw = got.width / cols, rh = got.height / rows;
  double sum[2] = {0, 0}, sum2[2] = {0, 0};
  int n = 0;
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < cols; ++i) {
      const int x0 = i * rw + margin, y0 = j * rh + margin, w = rw - 2 * margin, h = rh - 2 * margin;
      const Mean a = RegionMean(got.rgb, got.width, x0, y0, w, h);
      const Mean b = RegionMean(expected, got.width, x0, y0, w, h);
      for (int c = 0; c < 3; ++c) {
        const double d = std::fabs(a.c[c] - b.c[c]);
        if (d > r.worst) {
          r.worst = d;
          r.where = "region (" + std::to_string(i) + ", " + std::to_string(j) + ") channel " + "RGB"[c] +
                    ": got " + std::to_string(a.c[c]) + ", expected " + std::to_string(b.c[c]);
        }
        sum[0] += b.c[c];
        sum2[0] += b.c[c] * b.c[c];
        sum[1] += a.c[c];
        sum2[1] += a.c[c] * a.c[c];
        ++n;
      }
    }
  }
  r.spread = std::sqrt(sum2[0] / n - (sum[0] / n) * (sum[0] / n));
  r.gotSpread = std::sqrt(sum2[1] / n - (sum[1] / n) * (sum[1] / n));
  return r;
}

}  // namespace jpeg_judge
