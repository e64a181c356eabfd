#include "platform/camsim/LiveSource.h"

#include <algorithm>
#include <cstring>

#include "platform/camsim/Requests.h"

namespace camsim {

namespace {

void PutPoll(uint8_t reply[5], bool waiting, uint32_t length) {
  reply[0] = waiting ? 1 : 0;
  for (int i = 0; i < 4; ++i) reply[1 + i] = uint8_t(length >> (8 * i));
}

constexpr int kFramesPerAudioObject = kFramesPerSecond * kAudioObjectMs / 1000;
// The two audio formats an audio-format change switches between.
constexpr uint32_t kSampleRates[2] = {8000, 16000};

std::chrono::microseconds FrameTime(int64_t frame) {
  return std::chrono::microseconds(frame * 1000000 / kFramesPerSecond);
}

}  // namespace

LiveSource::LiveSource(uint8_t videoMode) : videoMode_(videoMode) {}

LiveSource::~LiveSource() = default;

void LiveSource::SetMode(int mode) {
  cameraMode_ = mode == kModeCamera;
  if (!cameraMode_) {  // leaving camera mode ends the stream and any still
    streaming_ = audioChanged_ = false;
    stillPending_ = false;
    block_.clear();
    blockRead_ = 0;
  }
}

void LiveSource::Reset() {
  SetMode(kModeRelease);
  audioChangePending_ = false;
  sampleRate_ = kSampleRates[0];
}

uint8_t LiveSource::StreamStart() {
  if (!cameraMode_) return kStatusWrongMode;
  if (!encoder_) encoder_ = std::make_unique<LiveEncoder>(Width(), Height());
  encoder_->Restart();
  packetizer_.Reset();
  streaming_ = headerNext_ = true;
  audioChanged_ = false;
  block_.clear();
  blockRead_ = 0;
  frameIndex_ = 0;
  startedAt_ = std::chrono::steady_clock::now();
  return kStatusOk;
}

uint8_t LiveSource::StreamStop() {
  if (!cameraMode_) return kStatusWrongMode;
  streaming_ = false;
  block_.clear();
  blockRead_ = 0;
  return kStatusOk;
}

std::chrono::microseconds LiveSource::PollWait(std::chrono::steady_clock::time_point now) const {
  if (!cameraMode_ || !streaming_ || audioChangePending_ || headerNext_ || !block_.empty())
    return std::chrono::microseconds(0);
  // A frame's block is ready once the frame has been captured.
  auto due = startedAt_ + FrameTime(frameIndex_ + 1);
  return std::max(std::chrono::microseconds(0), std::chrono::duration_cast<std::chrono::microseconds>(due - now));
}

uint8_t LiveSource::StreamPoll(uint8_t reply[5], std::chrono::steady_clock::time_point now) {
  if (!cameraMode_) {
    PutPoll(reply, true, 0);
    return kStatusOk;
  }
  if (audioChangePending_ && streaming_) {
    // The camera stops its stream and starts again only when told to.
    audioChangePending_ = false;
    audioChanged_ = true;
    streaming_ = false;
    sampleRate_ = sampleRate_ == kSampleRates[0] ? kSampleRates[1] : kSampleRates[0];
    block_.clear();
    blockRead_ = 0;
  }
  if (audioChanged_) {
    PutPoll(reply, true, kAudioChangeLength);
    return kStatusOk;
  }
  if (!streaming_) {
    PutPoll(reply, false, 0);
    return kStatusOk;
  }
  // A block the host began to read and then polled past is lost.
  if (blockRead_ > 0) {
    block_.clear();
    blockRead_ = 0;
  }
  if (block_.empty() && PollWait(now).count() > 0) {  // the frame is still being captured
    PutPoll(reply, false, 0);
    return kStatusOk;
  }
  if (block_.empty()) MakeBlock();
  PutPoll(reply, !block_.empty(), uint32_t(block_.size()));
  return kStatusOk;
}

void LiveSource::MakeBlock() {
  if (headerNext_) {
    headerNext_ = false;
    block_ = BuildStreamHeader({Width(), Height(), sampleRate_});
    ++blocksSent_;
    return;
  }
  std::vector<MediaObject> objects;
  if (frameIndex_ % kFramesPerAudioObject == 0) {
    const int64_t index = frameIndex_ / kFramesPerAudioObject;
    objects.push_back({kAudioStreamNumber, true, uint32_t(index * kAudioObjectMs),
                       LiveEncoder::AudioObject(sampleRate_, index)});
  }
  bool key = false;
  std::vector<uint8_t> frame = encoder_->NextFrame(key);
  if (!frame.empty())
    objects.push_back({kVideoStreamNumber, key, uint32_t(FrameTime(frameIndex_).count() / 1000), std::move(frame)});
  ++frameIndex_;
  const auto frameMs = uint16_t((1000 + kFramesPerSecond / 2) / kFramesPerSecond);
  packetizer_.Pack(objects, frameMs, block_);
  if (!block_.empty()) ++blocksSent_;
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
  byte = videoMode_;
  return kStatusOk;
}

int LiveSource::ReadBulk(uint8_t* data, int length) {
  const size_t n = std::min(block_.size() - blockRead_, size_t(std::max(length, 0)));
  if (n > 0) std::memcpy(data, block_.data() + blockRead_, n);
  blockRead_ += n;
  if (blockRead_ == block_.size()) {  // delivered: the camera moves on
    block_.clear();
    blockRead_ = 0;
  }
  return int(n);
}

std::string LiveSource::Describe() const {
  std::string s = cameraMode_ ? "camera mode" : "not in camera mode";
  s += streaming_ ? ", stream running (frame " + std::to_string(frameIndex_) + ")" : ", no stream";
  if (audioChanged_) s += ", halted by an audio-format change";
  if (audioChangePending_) s += ", audio-format change at the next poll";
  if (stillPending_) s += ", still requested";
  s += ", video " + std::to_string(Width()) + "x" + std::to_string(Height()) + " (mode " +
       std::to_string(videoMode_) + "), audio " + std::to_string(sampleRate_) + " Hz, " +
       std::to_string(blocksSent_) + " blocks sent";
  if (encoder_ && !encoder_->Error().empty()) s += ", encoder: " + encoder_->Error();
  return s;
}

}  // namespace camsim
