#include "platform/camsim/LiveSource.h"

#include <algorithm>
#include <cstring>

#include "platform/camsim/Requests.h"
#include "platform/camsim/TestPicture.h"
#include "platform/pixa/PixaSensor.h"

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
    DropStill();
    block_.clear();
    blockRead_ = 0;
  }
}

void LiveSource::Reset() {
  SetMode(kModeRelease);
  audioChangePending_ = false;
  sampleRate_ = kSampleRates[0];
  still_ = Still{};
  nextKind_ = StillKind::Normal;
  nextReadyPoll_ = kStillReadyPoll;
}

uint8_t LiveSource::StreamStart() {
  if (!cameraMode_) return kStatusWrongMode;
  if (!encoder_) encoder_ = std::make_unique<LiveEncoder>(Width(), Height());
  encoder_->Restart();
  packetizer_.Reset();
  streaming_ = headerNext_ = true;
  audioChanged_ = false;
  DropStill();  // back to live: a still not yet read is gone
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

const char* StillKindName(StillKind kind) {
  switch (kind) {
    case StillKind::Normal: return "normal";
    case StillKind::Never: return "never ready";
    case StillKind::Late: return "late";
    case StillKind::Undecodable: return "undecodable";
    case StillKind::Oversize: return "oversize";
    case StillKind::CutShort: return "cut short";
  }
  return "?";
}

void LiveSource::SetNextStill(StillKind kind, int readyPoll) {
  nextKind_ = kind;
  nextReadyPoll_ = readyPoll;
}

void LiveSource::DropStill() {
  still_.announced = false;
  still_.data.clear();
  still_.sent = still_.sendable = 0;
}

// The scene as the sensor saw it at the stream's last frame, as a PIXA still.
std::vector<uint8_t> LiveSource::MakeStill(StillKind kind, int64_t frame) const {
  const bool big = kind == StillKind::Oversize;
  const pixa::StillHeader sensor = pixa::DefaultSensor(big ? 800 : kStillWidth, big ? 600 : kStillHeight);
  const std::vector<uint8_t> rgb = TestPicture(Width(), Height(), frame).Rgb(sensor.width, sensor.height);
  std::vector<uint8_t> still = pixa::EncodeStill(rgb.data(), sensor, pixa::DefaultTable());
  if (kind == StillKind::Undecodable)  // magic and version scrambled on the way
    for (size_t i = 0; i < 8; ++i) still[i] ^= 0x5A;
  return still;
}

uint8_t LiveSource::StillCapture(std::chrono::steady_clock::time_point now) {
  if (!cameraMode_) return kStatusWrongMode;
  if (streaming_) return kStatusBusy;  // the sensor is busy with the live picture
  still_ = Still{};
  still_.taken = true;
  still_.kind = nextKind_;
  still_.readyPoll = nextReadyPoll_;
  nextKind_ = StillKind::Normal;
  nextReadyPoll_ = kStillReadyPoll;
  still_.frame = std::max<int64_t>(frameIndex_ - 1, 0);
  still_.readyAt = now + kLateStillDelay;
  still_.data = MakeStill(still_.kind, still_.frame);
  still_.sendable = still_.kind == StillKind::CutShort ? still_.data.size() / 2 : still_.data.size();
  return kStatusOk;
}

std::chrono::microseconds LiveSource::StillPollWait(std::chrono::steady_clock::time_point now) const {
  if (!still_.taken || still_.kind != StillKind::Late || now >= still_.readyAt) return std::chrono::microseconds(0);
  return std::chrono::duration_cast<std::chrono::microseconds>(
      std::min<std::chrono::steady_clock::duration>(still_.readyAt - now, kLateStillPollHold));
}

uint8_t LiveSource::StillPoll(uint8_t reply[5], std::chrono::steady_clock::time_point now) {
  if (still_.taken) ++still_.polls;
  if (still_.data.empty()) {  // none taken, or already sent
    PutPoll(reply, false, 0);
    return kStatusOk;
  }
  bool ready = false;
  switch (still_.kind) {
    case StillKind::Never: break;
    case StillKind::Late: ready = now >= still_.readyAt; break;
    default: ready = still_.polls >= still_.readyPoll; break;
  }
  still_.announced = still_.announced || ready;
  PutPoll(reply, still_.announced, still_.announced ? uint32_t(still_.data.size()) : 0);
  return kStatusOk;
}

int LiveSource::ReadStill(uint8_t* data, int length) {
  if (!HasStillData()) return 0;
  const size_t n = std::min(still_.sendable - still_.sent, size_t(std::max(length, 0)));
  std::memcpy(data, still_.data.data() + still_.sent, n);
  still_.sent += n;
  if (still_.sent == still_.sendable) {  // all the camera will send: the still is gone
    const size_t sent = still_.sent;
    DropStill();
    still_.sent = sent;
  }
  return int(n);
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
  if (still_.taken) {
    s += ", still of frame " + std::to_string(still_.frame) + " (" + StillKindName(still_.kind) + "): " +
         std::to_string(still_.polls) + " polls since the capture, " + std::to_string(still_.sent) +
         " bytes sent";
  }
  if (nextKind_ != StillKind::Normal || nextReadyPoll_ != kStillReadyPoll)
    s += ", next still " + std::string(StillKindName(nextKind_)) + " ready at poll " + std::to_string(nextReadyPoll_);
  s += ", video " + std::to_string(Width()) + "x" + std::to_string(Height()) + " (mode " +
       std::to_string(videoMode_) + "), audio " + std::to_string(sampleRate_) + " Hz, " +
       std::to_string(blocksSent_) + " blocks sent";
  if (encoder_ && !encoder_->Error().empty()) s += ", encoder: " + encoder_->Error();
  return s;
}

}  // namespace camsim
