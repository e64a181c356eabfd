// Request names and status bytes as the simulated camera's firmware answers them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/camproto/CameraWire.h"

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

// The request codes, modes and the status bytes that mean something to the
// program come from the wire protocol (platform/camproto/CameraWire.h); the
// simulator's own failure codes follow. The program treats 0x23 and 0x24 as
// silent failures, so the simulated camera's failures avoid them.
constexpr uint8_t kStatusOk = STATUS_OK;
constexpr uint8_t kStatusListed = STATUS_LISTED;  // success of REQ_LIST_DIR
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
static_assert(!IsQuietFailure(kStatusRefused) && !IsQuietFailure(kStatusBusy));

// Camera modes of REQ_SET_MODE, by the simulator's names.
constexpr int kModeRelease = MODE_RELEASE;
constexpr int kModeStorage = MODE_STORAGE;
constexpr int kModeCamera = MODE_CAMERA;

// "REQ_LIST_DIR" for 0x53; "0x7a" for codes the camera does not know.
std::string RequestName(int request);
// Parses "0x53", "83" or "REQ_LIST_DIR" (any case) into a request code.
std::optional<int> ParseRequest(const std::string& text);
// Parses a decimal or 0x-hex number in 0..max.
std::optional<long> ParseNumber(const std::string& text, long max);

}  // namespace camsim
