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
//   REQ_STILL_CAPTURE/REQ_STILL_POLL: no still source: "nothing waiting"
//       after a capture, so the program gives up after its polls; without a
//       capture, byte 0 is 1 and the length 0;
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
  uint8_t StillCapture();
  uint8_t StillPoll(uint8_t reply[5]);
  uint8_t VideoMode(uint8_t& byte) const;

  // The next poll announces a change of the audio format; the stream halts.
  void ChangeAudio() { audioChangePending_ = true; }

  bool HasBulkData() const { return blockRead_ < block_.size(); }
  int ReadBulk(uint8_t* data, int length);
  std::string Describe() const;

  int Width() const { return videoMode_ == 0 ? 352 : 320; }
  int Height() const { return videoMode_ == 0 ? 288 : 240; }
  uint32_t SampleRate() const { return sampleRate_; }

 private:
  void MakeBlock();

  const uint8_t videoMode_;
  bool cameraMode_ = false;
  bool streaming_ = false;
  bool stillPending_ = false;
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
};

}  // namespace camsim
