// Request codes and status bytes the camera's firmware answers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace camsim {

// Little-endian fields of the camera's replies and records.
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

enum Request : uint8_t {
  REQ_STREAM_START = 0x41,
  REQ_STREAM_STOP = 0x42,
  REQ_SET_MODE = 0x44,
  REQ_STREAM_POLL = 0x45,
  REQ_STILL_CAPTURE = 0x46,
  REQ_STILL_POLL = 0x47,
  REQ_GET_VIDEO_MODE = 0x48,
  REQ_GET_CAPACITY = 0x50,
  REQ_FORMAT = 0x51,
  REQ_CHANGE_DIR = 0x52,
  REQ_LIST_DIR = 0x53,
  REQ_MEDIA_STATUS = 0x54,
  REQ_MAKE_DIR = 0x55,
  REQ_DELETE = 0x56,
  REQ_RENAME = 0x57,
  REQ_WRITE_FILE = 0x58,
  REQ_READ_FILE = 0x59,
  REQ_MEDIA_READY = 0x60,
  REQ_GET_STATUS = 0x61,
};

// The status byte of the last request (REQ_GET_STATUS). The program treats
// 0x23 and 0x24 as silent failures, so the camera's own failures avoid them.
constexpr uint8_t kStatusOk = 0x00;
constexpr uint8_t kStatusListed = 0x01;     // success of REQ_LIST_DIR
constexpr uint8_t kStatusRefused = 0x02;    // malformed request or a name the camera does not take
constexpr uint8_t kStatusNotFound = 0x03;
constexpr uint8_t kStatusExists = 0x04;
constexpr uint8_t kStatusNoMedia = 0x05;    // no Memory Stick, or one the camera cannot use
constexpr uint8_t kStatusProtected = 0x06;  // the Memory Stick is write-protected
constexpr uint8_t kStatusFull = 0x07;
constexpr uint8_t kStatusIoError = 0x08;    // the host folder behind the stick failed
constexpr uint8_t kStatusWrongMode = 0x09;  // a camera-mode request outside camera mode
constexpr uint8_t kStatusNotEmpty = 0x0A;
constexpr uint8_t kStatusBusy = 0x0B;       // a still asked for while the live stream runs

// Camera modes of REQ_SET_MODE.
constexpr int kModeRelease = 0;
constexpr int kModeStorage = 1;
constexpr int kModeCamera = 0x101;

// "REQ_LIST_DIR" for 0x53; "0x7a" for codes the camera does not know.
std::string RequestName(int request);
// Parses "0x53", "83" or "REQ_LIST_DIR" (any case) into a request code.
std::optional<int> ParseRequest(const std::string& text);
// Parses a decimal or 0x-hex number in 0..max.
std::optional<long> ParseNumber(const std::string& text, long max);

}  // namespace camsim
