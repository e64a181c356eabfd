// The camera-mode half of the firmware: the live stream and still pictures.
//
// This camera has no picture source yet, so it answers as a camera whose
// sensor delivers nothing:
//   REQ_STREAM_START, REQ_STREAM_STOP, REQ_STILL_CAPTURE: accepted in camera
//       mode (status 0), refused with kStatusWrongMode in any other mode;
//   REQ_STREAM_POLL: while a stream runs, "nothing waiting" (byte 0 is 0);
//       with no stream running or outside camera mode, byte 0 is 1 and the
//       length 0, which tells the program the stream is over;
//   REQ_STILL_POLL: "nothing waiting" after a capture, so the program gives
//       up after its polls; without a capture, byte 0 is 1 and the length 0;
//   REQ_GET_VIDEO_MODE: the video-mode byte (1: frames of 320 x 240);
//   the bulk-in pipe: nothing to deliver.
// A source of ASF blocks and stills plugs in behind these same calls: the
// poll announces a block, ReadBulk hands it out.
//
// Not thread-safe; CameraModel serialises all calls.
#pragma once
#include <cstdint>
#include <string>

namespace camsim {

class LiveSource {
 public:
  void SetMode(int mode);
  void Reset();  // power-up state: no stream, no still

  uint8_t StreamStart();
  uint8_t StreamStop();
  uint8_t StreamPoll(uint8_t reply[5]);
  uint8_t StillCapture();
  uint8_t StillPoll(uint8_t reply[5]);
  uint8_t VideoMode(uint8_t& byte) const;

  bool HasBulkData() const;
  int ReadBulk(uint8_t* data, int length);
  std::string Describe() const;

  uint8_t videoModeByte = 1;

 private:
  bool cameraMode_ = false;
  bool streaming_ = false;
  bool stillPending_ = false;
};

}  // namespace camsim
