// The camera's ASF muxer: the stream header sent after every stream start and
// the fixed-size data packets that carry its video frames and sound.
//
// The header is always 621 bytes (Header Object) plus the Data Object's own
// 50 bytes, so the program can patch a recording at fixed offsets. Fields the
// camera cannot know while it streams (file size, packet count, play
// duration) are sent as 0; the host fills them in when it keeps a recording.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace camsim {

constexpr uint32_t kAsfHeaderObjectBytes = 621;
constexpr uint32_t kAsfDataHeaderBytes = 50;
constexpr uint32_t kAsfPacketSize = 2048;
constexpr uint8_t kVideoStreamNumber = 1;
constexpr uint8_t kAudioStreamNumber = 2;

// The MPEG-4 decoder configuration (visual object and video object layer
// headers) the camera announces for its two frame sizes.
using VolHeader = std::array<uint8_t, 18>;
const VolHeader& VolHeaderFor(int width, int height);

struct AsfStreamFormat {
  int width = 320;
  int height = 240;
  uint32_t sampleRate = 8000;  // 16-bit mono PCM
};

// Header Object (621 bytes) followed by the Data Object header (50 bytes).
std::vector<uint8_t> BuildStreamHeader(const AsfStreamFormat& format, uint32_t packetSize = kAsfPacketSize);

struct MediaObject {
  uint8_t stream = kVideoStreamNumber;
  bool keyFrame = true;
  uint32_t presentationMs = 0;
  std::vector<uint8_t> data;
};

// Packs media objects into data packets of one fixed size. A packet whose
// one payload fills it is written as a single payload; otherwise payloads
// share the packet with a payload count and lengths. Unused room is padding.
class AsfPacketizer {
 public:
  explicit AsfPacketizer(uint32_t packetSize = kAsfPacketSize) : packetSize_(packetSize) {}
  // A new stream: media object numbers start again at 0.
  void Reset() { objectNumbers_.fill(0); }
  // Appends whole packets holding `objects` (in order) to `out`; each
  // packet's duration field is `durationMs`. Result: packets appended.
  uint32_t Pack(const std::vector<MediaObject>& objects, uint16_t durationMs, std::vector<uint8_t>& out);

 private:
  struct Payload {
    const MediaObject* object;
    uint8_t objectNumber;
    uint32_t offset;
    uint32_t length;
  };
  void WritePacket(const std::vector<Payload>& payloads, uint16_t durationMs, std::vector<uint8_t>& out) const;

  uint32_t packetSize_;
  std::array<uint8_t, 128> objectNumbers_{};
};

}  // namespace camsim
