#include "platform/camsim/SampleStick.h"

#include <jpeglib.h>
#include <utime.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/camsim/AsfWriter.h"
#include "platform/camsim/LiveEncoder.h"
#include "platform/camsim/LiveSource.h"
#include "platform/camsim/Requests.h"

namespace camsim {

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Rgb {
  uint8_t r, g, b;
};
using Pattern = std::function<Rgb(int x, int y)>;

Rgb Bars(int x, int) {
  static const Rgb bars[] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                             {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
  return bars[x * 8 / kWidth];
}

Rgb Gradient(int x, int y) { return {uint8_t(x * 255 / kWidth), uint8_t(y * 255 / kHeight), 128}; }

Rgb Checker(int x, int y) { return ((x / 20 + y / 20) % 2) ? Rgb{250, 200, 40} : Rgb{30, 60, 160}; }

Rgb Rings(int x, int y) {
  double d = std::hypot(x - kWidth / 2.0, y - kHeight / 2.0);
  uint8_t v = uint8_t(127.5 + 127.5 * std::cos(d / 6.0));
  return {v, uint8_t(255 - v), 200};
}

Rgb Diagonal(int x, int y) { return ((x + y) / 16 % 3 == 0) ? Rgb{200, 30, 30} : Rgb{240, 240, 220}; }

Rgb Sunset(int x, int y) {
  bool sun = std::hypot(x - 160.0, y - 150.0) < 45;
  return sun ? Rgb{255, 220, 60} : y > 170 ? Rgb{20, 40, 90} : Rgb{uint8_t(250 - y / 2), uint8_t(120 + y / 3), 70};
}

bool WriteJpeg(const fs::path& path, const Pattern& pattern) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = kWidth;
  c.image_height = kHeight;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 85, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(kWidth * 3);
  while (c.next_scanline < c.image_height) {
    int y = int(c.next_scanline);
    for (int x = 0; x < kWidth; ++x) {
      Rgb p = pattern(x, y);
      row[size_t(x) * 3] = p.r;
      row[size_t(x) * 3 + 1] = p.g;
      row[size_t(x) * 3 + 2] = p.b;
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(out) == 0;
}

void Stamp(const fs::path& path, int year, int month, int day, int hour, int minute) {
  tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_isdst = -1;
  time_t when = mktime(&t);
  utimbuf u{when, when};
  utime(path.c_str(), &u);
}

void PutLe64(std::vector<uint8_t>& file, size_t offset, uint64_t value) {
  for (int i = 0; i < 8; ++i) file[offset + size_t(i)] = uint8_t(value >> (8 * i));
}

// Pulls the camera's stream from its start: the header block, then one block
// per frame, each whole, as the program's recording appends them.
bool RecordStream(int frames, std::vector<uint8_t>& file, std::string& error) {
  LiveSource camera(1);  // 320 x 240
  camera.SetMode(kModeCamera);
  if (camera.StreamStart() != kStatusOk) {
    error = "the camera did not start its stream";
    return false;
  }
  // The camera's clock is a day ahead: every frame has long been captured,
  // so the movie is made at once rather than in real time.
  const auto later = std::chrono::steady_clock::now() + std::chrono::hours(24);
  for (int block = 0; block <= frames; ++block) {
    uint8_t reply[5];
    camera.StreamPoll(reply, later);
    const uint32_t length = Le32(reply + 1);
    if (reply[0] != 1 || length == 0) {
      error = "the camera's stream stopped: " + camera.Describe();
      return false;
    }
    const size_t at = file.size();
    file.resize(at + length);
    if (camera.ReadBulk(file.data() + at, int(length)) != int(length)) {
      error = "the camera sent less than it announced";
      return false;
    }
  }
  return true;
}

}  // namespace

bool WriteCameraMovie(const fs::path& path, int seconds, std::string& error) {
  if (seconds < 1) {
    error = "a movie lasts at least one second";
    return false;
  }
  const int frames = seconds * kFramesPerSecond;
  std::vector<uint8_t> file;
  if (!RecordStream(frames, file, error)) return false;

  // The values the camera cannot know while it streams, as the program fills
  // them in when it keeps a recording. Sound comes before every third frame.
  constexpr int kFramesPerAudioObject = kFramesPerSecond * kAudioObjectMs / 1000;
  const uint64_t audioObjects = uint64_t(frames + kFramesPerAudioObject - 1) / kFramesPerAudioObject;
  const uint64_t bytes = file.size();
  const uint64_t packets = (bytes - kAsfHeaderObjectBytes - kAsfDataHeaderBytes) / kAsfPacketSize;
  PutLe64(file, 70, bytes);                                  // File Properties: File Size
  PutLe64(file, 86, packets);                                // File Properties: Data Packets Count
  PutLe64(file, 661, packets);                               // Data Object: Total Data Packets
  PutLe64(file, 94, audioObjects * kAudioObjectMs * 10000);  // Play Duration (100 ns units)
  PutLe64(file, 637, bytes - kAsfHeaderObjectBytes);         // Data Object: Object Size

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool FillSampleStick(const fs::path& stick, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(stick, ec) || !fs::is_empty(stick, ec)) {
    error = "the stick folder " + stick.string() + " is not an empty folder";
    return false;
  }
  struct Picture {
    const char* path;
    Pattern pattern;
    int y, mo, d, h, mi;
  };
  const Picture pictures[] = {
      {"DCIM/100QXCAM/DCAM0001.JPG", Bars, 2003, 9, 17, 10, 25},
      {"DCIM/100QXCAM/DCAM0002.JPG", Gradient, 2003, 9, 17, 10, 31},
      {"DCIM/100QXCAM/DCAM0003.JPG", Checker, 2003, 11, 2, 15, 4},
      {"DCIM/100QXCAM/DCAM0004.JPG", Rings, 2004, 1, 1, 0, 1},
      {"DCIM/101QXCAM/DCAM0005.JPG", Diagonal, 2004, 6, 30, 18, 45},
      {"DCIM/101QXCAM/DCAM0006.JPG", Sunset, 2005, 12, 24, 21, 9},
  };
  for (const char* folder : {"DCIM/100QXCAM", "DCIM/101QXCAM", "QXMOV/100QXMSC"}) fs::create_directories(stick / folder, ec);
  for (const auto& p : pictures) {
    if (!WriteJpeg(stick / p.path, p.pattern)) {
      error = "cannot write " + (stick / p.path).string();
      return false;
    }
    Stamp(stick / p.path, p.y, p.mo, p.d, p.h, p.mi);
  }
  const fs::path movie = stick / "QXMOV/100QXMSC/MOV_0001.ASF";
  if (!WriteCameraMovie(movie, kSampleMovieSeconds, error)) return false;
  Stamp(movie, 2003, 9, 17, 10, 24);
  Stamp(stick / "DCIM/100QXCAM", 2003, 9, 17, 10, 20);
  Stamp(stick / "DCIM/101QXCAM", 2004, 6, 30, 18, 40);
  Stamp(stick / "QXMOV/100QXMSC", 2003, 9, 17, 10, 20);
  Stamp(stick / "DCIM", 2003, 9, 17, 10, 20);
  Stamp(stick / "QXMOV", 2003, 9, 17, 10, 20);
  return true;
}

}  // namespace camsim
