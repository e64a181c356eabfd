// The camera-mode half of the firmware: the live ASF stream and stills.
//
//   REQ_STREAM_START: (re)starts the stream; the first block is the stream
//       header (Header Object and the Data Object's header, 671 bytes), every
//       later block one video frame's worth of whole data packets, with an
//       audio object of 0.2 s before every third frame;
//   REQ_STREAM_STOP: ends the stream; a block not yet read is dropped;
//   REQ_STREAM_POLL: byte 0 the ready flag, bytes 1-4 the length:
//       a block waiting: (1, its length); a running stream between blocks:
//       (0, 0); after an audio-format change: (1, kAudioChangeLength) until
//       the stream is started again, with the new format in its header;
//       outside camera mode (1, 0): the stream is over;
//       stopped in camera mode: (0, 0);
//   REQ_STILL_CAPTURE: takes a still of the scene while the stream is
//       stopped (refused with kStatusBusy while it runs): the test picture
//       of the stream's last frame, 640 x 480, as a PIXA raw still
//       (platform/pixa); REQ_STILL_POLL: (0, 0) for the first polls, then
//       (1, the still's length) from poll kStillReadyPoll on; the still then
//       comes on the bulk-in pipe. Without a capture a poll answers (0, 0).
//       SetNextStill makes the next still misbehave (see StillKind);
//   REQ_GET_VIDEO_MODE: 1 for frames of 320 x 240, 0 for 352 x 288;
//   the bulk-in pipe: the announced block.
// The camera paces its blocks in real time: a frame's block is ready once the
// frame has been captured (1/15 s apart); PollWait says how long that is.
//
// Not thread-safe; CameraModel serialises all calls.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/camsim/AsfWriter.h"
#include "platform/camsim/LiveEncoder.h"

namespace camsim {

// Poll length that announces an audio-format change (the program takes 1 to 49).
constexpr uint32_t kAudioChangeLength = 16;

// A still is ready at this poll after its capture.
constexpr int kStillReadyPoll = 4;
constexpr int kStillWidth = 640;
constexpr int kStillHeight = 480;

// How the next still behaves.
enum class StillKind {
  Normal,       // ready at its ready poll, delivered whole
  Never,        // never ready
  Late,         // ready kLateStillDelay after the capture; until then each poll is held
  Undecodable,  // its header arrives damaged: the converter refuses it
  Oversize,     // 800 x 600: larger than the program's 409,600-byte still buffer
  CutShort,     // the bulk pipe runs dry after half of it
};
constexpr std::chrono::seconds kLateStillDelay(16);
// The longest a poll of a late still is held: inside a driver's 2 s control time-out.
constexpr std::chrono::milliseconds kLateStillPollHold(1000);

class LiveSource {
 public:
  explicit LiveSource(uint8_t videoMode = 1);
  ~LiveSource();

  void SetMode(int mode);
  void Reset();  // power-up state: no stream, no still, the first audio format

  uint8_t StreamStart();
  uint8_t StreamStop();
  std::chrono::microseconds PollWait(std::chrono::steady_clock::time_point now) const;
  uint8_t StreamPoll(uint8_t reply[5], std::chrono::steady_clock::time_point now);
  uint8_t StillCapture(std::chrono::steady_clock::time_point now);
  // How long the camera holds a still poll before it answers.
  std::chrono::microseconds StillPollWait(std::chrono::steady_clock::time_point now) const;
  uint8_t StillPoll(uint8_t reply[5], std::chrono::steady_clock::time_point now);
  // The still after the next capture behaves as `kind`, ready at poll
  // `readyPoll`; later stills are normal again.
  void SetNextStill(StillKind kind, int readyPoll = kStillReadyPoll);
  bool HasStillData() const { return still_.announced && still_.sent < still_.sendable; }
  int ReadStill(uint8_t* data, int length);
  uint8_t VideoMode(uint8_t& byte) const;

  // The next poll announces a change of the audio format; the stream halts.
  void ChangeAudio() { audioChangePending_ = true; }

  // Live stream blocks.
  bool HasBulkData() const { return blockRead_ < block_.size(); }
  int ReadBulk(uint8_t* data, int length);
  std::string Describe() const;

  int Width() const { return videoMode_ == 0 ? 352 : 320; }
  int Height() const { return videoMode_ == 0 ? 288 : 240; }
  uint32_t SampleRate() const { return sampleRate_; }

 private:
  void MakeBlock();
  std::vector<uint8_t> MakeStill(StillKind kind, int64_t frame) const;

  // The still taken by the last REQ_STILL_CAPTURE.
  struct Still {
    bool taken = false;       // a capture happened (kept after delivery, for Describe)
    bool announced = false;   // a poll said ready: the bulk pipe carries it
    StillKind kind = StillKind::Normal;
    int readyPoll = kStillReadyPoll;
    int polls = 0;            // polls since the capture
    int64_t frame = 0;        // the stream frame whose picture it is
    std::chrono::steady_clock::time_point readyAt;
    std::vector<uint8_t> data;
    size_t sent = 0, sendable = 0;
  };
  void DropStill();

  const uint8_t videoMode_;
  bool cameraMode_ = false;
  bool streaming_ = false;
  bool audioChangePending_ = false;
  bool audioChanged_ = false;  // halted after a change until the next start
  bool headerNext_ = false;
  uint32_t sampleRate_ = 8000;
  std::unique_ptr<LiveEncoder> encoder_;
  AsfPacketizer packetizer_;
  std::vector<uint8_t> block_;
  size_t blockRead_ = 0;
  int64_t frameIndex_ = 0;  // next video frame of this stream
  uint64_t blocksSent_ = 0;
  std::chrono::steady_clock::time_point startedAt_;
  Still still_;
  StillKind nextKind_ = StillKind::Normal;
  int nextReadyPoll_ = kStillReadyPoll;
};

const char* StillKindName(StillKind kind);

}  // namespace camsim
