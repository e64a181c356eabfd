// The camera's live ASF stream: the header values the worker needs, the walk
// over one data packet that reassembles video frames and counts audio
// objects, and the completion of a recorded file's header.
//
// Everything here works on bytes handed in by the caller and trusts none of
// the lengths, counts or offsets inside them: a parse never reads outside its
// block or packet and never writes past the fixed 65,536-byte frame buffer.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// Largest video frame (one media object) the reassembly buffer holds.
inline constexpr size_t kMaxFrameBytes = 65536;
// The camera's Header Object is always this long; the Data Object follows it.
inline constexpr uint64_t kAsfHeaderBytes = 621;

// Receives each complete video frame. The bytes stay valid only during the call.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual void OnFrame(const uint8_t* data, size_t length) = 0;
};

class AsfStream {
 public:
  // Takes the packet size and the audio stream number from the Header Object
  // in `block` and resets both reassembly states. Result 1 when the packet
  // size was found; 0 leaves the earlier packet size and audio stream number.
  int ParseStreamHeader(const uint8_t* block, size_t length);

  // Walks the payloads of one data packet (`length` is the packet size).
  // Complete video frames go to `sink` in order; complete audio objects raise
  // `audioObjects` while `recording` is true. Result 1 when the packet was
  // walked to its end, 0 when its fields ran past the packet (the rest of it
  // is ignored).
  int ParseDataPacket(const uint8_t* packet, size_t length, bool recording,
                      uint64_t& audioObjects, FrameSink& sink);

  uint32_t PacketSize() const { return packetSize_; }
  uint8_t AudioStreamNumber() const { return audioStreamNumber_; }

 private:
  struct Reassembly {
    uint8_t objectNumber = 0;
    uint32_t objectSize = 0;
    uint32_t bytesSoFar = 0;
    // An object that cannot be taken (too large, or longer than it said) is
    // skipped payload by payload until another object number arrives.
    bool dropping = false;
  };

  void TakePayload(bool video, uint8_t objectNumber, uint32_t objectSize,
                   const uint8_t* data, uint32_t dataLength, bool recording,
                   uint64_t& audioObjects, FrameSink& sink);

  uint32_t packetSize_ = 0;
  uint8_t audioStreamNumber_ = 0;
  Reassembly audio_;
  Reassembly video_;
  std::array<uint8_t, kMaxFrameBytes> videoBuffer_{};
};

// Writes the five header values the camera cannot know into a recorded file:
// File Size, Data Packets Count (twice), Play Duration and the Data Object's
// size. A value whose field would lie past the end of a short file is not
// written. Result 1 when all five were written, else 0.
int CompleteRecordingHeader(std::FILE* file, uint64_t bytesWritten, uint64_t packetsWritten,
                            uint64_t audioObjects);
