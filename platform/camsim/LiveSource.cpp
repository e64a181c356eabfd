#include "platform/camsim/LiveSource.h"

#include <cstring>

#include "platform/camsim/Requests.h"

namespace camsim {

namespace {

void PutPoll(uint8_t reply[5], bool waiting, uint32_t length) {
  reply[0] = waiting ? 1 : 0;
  for (int i = 0; i < 4; ++i) reply[1 + i] = uint8_t(length >> (8 * i));
}

}  // namespace

void LiveSource::SetMode(int mode) {
  cameraMode_ = mode == kModeCamera;
  if (!cameraMode_) {  // leaving camera mode ends the stream and any still
    streaming_ = false;
    stillPending_ = false;
  }
}

void LiveSource::Reset() {
  cameraMode_ = streaming_ = stillPending_ = false;
}

uint8_t LiveSource::StreamStart() {
  if (!cameraMode_) return kStatusWrongMode;
  streaming_ = true;
  return kStatusOk;
}

uint8_t LiveSource::StreamStop() {
  if (!cameraMode_) return kStatusWrongMode;
  streaming_ = false;
  return kStatusOk;
}

uint8_t LiveSource::StreamPoll(uint8_t reply[5]) {
  // No source: a running stream never has a block waiting; no stream at all
  // reads as "the stream is over" (waiting, length 0).
  PutPoll(reply, !(cameraMode_ && streaming_), 0);
  return kStatusOk;
}

uint8_t LiveSource::StillCapture() {
  if (!cameraMode_) return kStatusWrongMode;
  stillPending_ = true;
  return kStatusOk;
}

uint8_t LiveSource::StillPoll(uint8_t reply[5]) {
  PutPoll(reply, !stillPending_, 0);
  return kStatusOk;
}

uint8_t LiveSource::VideoMode(uint8_t& byte) const {
  byte = videoModeByte;
  return kStatusOk;
}

bool LiveSource::HasBulkData() const { return false; }

int LiveSource::ReadBulk(uint8_t*, int) { return 0; }

std::string LiveSource::Describe() const {
  std::string s = cameraMode_ ? "camera mode" : "not in camera mode";
  s += streaming_ ? ", stream running" : ", no stream";
  if (stillPending_) s += ", still requested";
  s += ", video mode " + std::to_string(videoModeByte) + ", no picture source";
  return s;
}

}  // namespace camsim
