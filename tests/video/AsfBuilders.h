// Small builders for hand-made ASF headers and data packets, laid out the way
// the camera sends them.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace asfbuild {

using Bytes = std::vector<uint8_t>;

inline const uint8_t kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                            0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
inline const uint8_t kAudioMedia[16] = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                        0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
inline const uint8_t kVideoMedia[16] = {0xC0, 0xEF, 0x19, 0xBC, 0x4D, 0x5B, 0xCF, 0x11,
                                        0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};

inline void PutLe(Bytes& b, size_t at, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) b[at + i] = uint8_t(value >> (8 * i));
}
inline void Append(Bytes& b, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) b.push_back(uint8_t(value >> (8 * i)));
}
inline uint64_t GetLe(const Bytes& b, size_t at, int size) {
  uint64_t v = 0;
  for (int i = 0; i < size; ++i) v |= uint64_t(b[at + i]) << (8 * i);
  return v;
}

// Places a Stream Properties Object whose stream type GUID is `type` at
// `at` + 24 and whose stream number is `number`.
inline void PutStreamProperties(Bytes& b, size_t at, const uint8_t (&type)[16], uint8_t number) {
  std::memcpy(&b[at + 24], type, 16);
  b[at + 72] = number;  // flags, low byte: stream number
}

// A 621-byte Header Object as the camera sends it, followed by the 50-byte
// start of the Data Object: File Properties at 30, video then audio stream.
inline Bytes MakeHeader(uint32_t packetSize, uint8_t audioStream = 2, uint8_t videoStream = 1) {
  Bytes b(671, 0);
  std::memcpy(&b[30], kFileProperties, 16);
  PutLe(b, 30 + 92, packetSize, 4);
  PutLe(b, 30 + 96, packetSize, 4);  // maximum packet size
  PutStreamProperties(b, 200, kVideoMedia, videoStream);
  PutStreamProperties(b, 400, kAudioMedia, audioStream);
  return b;
}

struct Payload {
  uint8_t stream;
  uint8_t object;
  uint32_t objectSize;
  Bytes data;
  uint32_t offset = 0;
};

inline void AppendPayloadHeader(Bytes& b, const Payload& p) {
  b.push_back(0x80 | p.stream);  // key-frame bit set, as the camera does
  b.push_back(p.object);
  Append(b, p.offset, 4);        // offset-into-object code 3
  b.push_back(8);                // replicated data length code 1
  Append(b, p.objectSize, 4);
  Append(b, 0, 4);               // presentation time
}

// A packet with one payload; the padding fills the rest of the packet.
inline Bytes SinglePayloadPacket(uint32_t packetSize, const Payload& p, bool errorCorrection = false) {
  Bytes b;
  if (errorCorrection) b = {0x82, 0x00, 0x00};
  b.push_back(0x40 | 0x10);  // packet length code 2, padding code 2, single payload
  b.push_back(0x5D);         // replicated length 1, offset 4, object number 1, stream 1
  const size_t paddingAt = b.size() + 2;
  Append(b, packetSize, 2);
  Append(b, 0, 2);
  Append(b, 1234, 4);  // send time
  Append(b, 40, 2);    // duration
  AppendPayloadHeader(b, p);
  b.insert(b.end(), p.data.begin(), p.data.end());
  const size_t padding = packetSize > b.size() ? packetSize - b.size() : 0;
  PutLe(b, paddingAt, padding, 2);
  b.resize(packetSize, 0);
  return b;
}

// A packet with several payloads whose length fields have `lengthCode`
// (1, 2 or 3 for 1, 2 or 4 bytes); the rest of the packet is padding.
inline Bytes MultiPayloadPacket(uint32_t packetSize, const std::vector<Payload>& payloads,
                                int lengthCode = 2) {
  Bytes b;
  b.push_back(0x01 | 0x10);  // multiple payloads, padding code 2
  b.push_back(0x5D);
  const size_t paddingAt = b.size();
  Append(b, 0, 2);
  Append(b, 0, 4);
  Append(b, 0, 2);
  b.push_back(uint8_t(payloads.size() | lengthCode << 6));
  const int lengthSize = lengthCode == 3 ? 4 : lengthCode;
  for (const Payload& p : payloads) {
    AppendPayloadHeader(b, p);
    Append(b, p.data.size(), lengthSize);
    b.insert(b.end(), p.data.begin(), p.data.end());
  }
  const size_t padding = packetSize > b.size() ? packetSize - b.size() : 0;
  PutLe(b, paddingAt, padding, 2);
  b.resize(packetSize, 0);
  return b;
}

// Deterministic frame contents, so a reassembled frame can be compared.
inline Bytes Pattern(size_t length, uint8_t seed) {
  Bytes b(length);
  for (size_t i = 0; i < length; ++i) b[i] = uint8_t(seed + i * 7 + (i >> 8));
  return b;
}

inline Bytes Slice(const Bytes& b, size_t from, size_t length) {
  return Bytes(b.begin() + from, b.begin() + from + length);
}

}  // namespace asfbuild
