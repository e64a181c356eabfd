// A reader of ASF data packets written from the format's general rules, kept
// apart from both the camera's muxer and the program's parser so that each
// is checked against an independent walk. Header-only, for tests.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace asf_test {

inline uint64_t Le(const uint8_t* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= uint64_t(p[i]) << (8 * i);
  return v;
}

struct Payload {
  uint8_t stream = 0;
  bool key = false;
  uint8_t objectNumber = 0;
  uint32_t offset = 0;
  uint32_t objectSize = 0;
  uint32_t presentationMs = 0;
  std::vector<uint8_t> data;
};

struct Packet {
  bool multiple = false;
  uint32_t padding = 0;
  uint32_t sendMs = 0;
  uint16_t durationMs = 0;
  std::vector<Payload> payloads;
};

// Walks one packet of `size` bytes; `error` says what was wrong, if anything.
inline Packet ReadPacket(const uint8_t* p, size_t size, std::string& error) {
  Packet packet;
  size_t at = 0;
  auto need = [&](size_t n) {
    if (at + n > size) {
      if (error.empty()) error = "field runs past the packet at " + std::to_string(at);
      return false;
    }
    return true;
  };
  auto field = [&](unsigned code) -> uint32_t {
    size_t n = code == 3 ? 4 : code;
    if (!need(n)) return 0;
    uint32_t v = uint32_t(Le(p + at, n));
    at += n;
    return v;
  };
  if (!need(1)) return packet;
  if (p[0] & 0x80) {
    if (p[0] & 0x60) error = "error correction length type must be 0";
    at = 1 + (p[0] & 0x0F);
  }
  if (!need(2)) return packet;
  const uint8_t flags = p[at], props = p[at + 1];
  at += 2;
  packet.multiple = flags & 1;
  const uint32_t packetLength = field((flags >> 5) & 3);
  field((flags >> 1) & 3);  // sequence
  packet.padding = field((flags >> 3) & 3);
  if (packetLength != 0 && packetLength != size) error = "packet length field disagrees";
  if (!need(6)) return packet;
  packet.sendMs = uint32_t(Le(p + at, 4));
  packet.durationMs = uint16_t(Le(p + at + 4, 2));
  at += 6;
  unsigned count = 1, lengthCode = 0;
  if (packet.multiple) {
    if (!need(1)) return packet;
    count = p[at] & 0x3F;
    lengthCode = p[at] >> 6;
    ++at;
    if (count == 0) error = "multiple payloads with a count of 0";
  }
  for (unsigned i = 0; i < count && error.empty(); ++i) {
    Payload pl;
    if (!need(1)) break;
    pl.stream = p[at] & 0x7F;
    pl.key = p[at] & 0x80;
    ++at;
    pl.objectNumber = uint8_t(field((props >> 4) & 3));
    pl.offset = field((props >> 2) & 3);
    const uint32_t replicated = field(props & 3);
    if (replicated < 8) {
      error = "replicated data shorter than 8 bytes";
      break;
    }
    if (!need(replicated)) break;
    pl.objectSize = uint32_t(Le(p + at, 4));
    pl.presentationMs = uint32_t(Le(p + at + 4, 4));
    at += replicated;
    size_t length;
    if (packet.multiple) {
      length = field(lengthCode);
    } else {
      if (at + packet.padding > size) {
        error = "padding runs past the packet";
        break;
      }
      length = size - at - packet.padding;
    }
    if (!need(length)) break;
    pl.data.assign(p + at, p + at + length);
    at += length;
    packet.payloads.push_back(std::move(pl));
  }
  if (error.empty() && at + packet.padding != size)
    error = "payloads and padding do not fill the packet: " + std::to_string(at) + " + " +
            std::to_string(packet.padding) + " of " + std::to_string(size);
  return packet;
}

struct Object {
  uint8_t stream = 0;
  bool key = false;
  uint8_t number = 0;
  uint32_t presentationMs = 0;
  std::vector<uint8_t> data;
};

// Reassembles media objects from payloads in order; a fragment that does
// not continue its object is an error.
class Objects {
 public:
  void Add(const Payload& p, std::string& error) {
    auto& part = partial_[p.stream];
    if (p.offset == 0) {
      if (!part.data.empty()) error = "object " + std::to_string(part.number) + " left unfinished";
      part = Object{p.stream, p.key, p.objectNumber, p.presentationMs, {}};
    } else if (p.objectNumber != part.number || p.offset != part.data.size()) {
      error = "fragment at offset " + std::to_string(p.offset) + " does not continue its object";
      return;
    }
    part.data.insert(part.data.end(), p.data.begin(), p.data.end());
    if (part.data.size() > p.objectSize) error = "object longer than its size";
    if (part.data.size() == p.objectSize) {
      done.push_back(std::move(part));
      part = Object{};
    }
  }
  bool Unfinished() const {
    for (const auto& [stream, part] : partial_)
      if (!part.data.empty()) return true;
    return false;
  }
  std::vector<Object> done;

 private:
  std::map<uint8_t, Object> partial_;
};

}  // namespace asf_test
