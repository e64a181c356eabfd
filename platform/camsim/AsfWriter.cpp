#include "platform/camsim/AsfWriter.h"

#include <algorithm>

namespace camsim {

namespace {

struct Guid {
  uint32_t d1;
  uint16_t d2, d3;
  uint8_t d4[8];
};

constexpr Guid kHeaderObject = {0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr Guid kFileProperties = {0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kStreamProperties = {0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kHeaderExtension = {0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kReserved1 = {0xABD3D211, 0xA9BA, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kPadding = {0x1806D474, 0xCADF, 0x4509, {0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8}};
constexpr Guid kDataObject = {0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr Guid kVideoMedia = {0xBC19EFC0, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
constexpr Guid kAudioMedia = {0xF8699E40, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
constexpr Guid kNoErrorCorrection = {0x20FB5700, 0x5B55, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
constexpr Guid kAudioSpread = {0xBFC3CD50, 0x618F, 0x11CF, {0x8B, 0xB2, 0x00, 0xAA, 0x00, 0xB4, 0xE2, 0x20}};
// The camera's own file id; every stream it sends carries the same one.
constexpr Guid kFileId = {0x4F52494E, 0x4D45, 0x4449, {0x41, 0x35, 0x31, 0x43, 0x41, 0x4D, 0x53, 0x4D}};

constexpr VolHeader kVol320x240 = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                   0x04, 0x40, 0x03, 0xE8, 0x50, 0x20, 0xF0, 0xA3, 0x1F};
constexpr VolHeader kVol352x288 = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                   0x04, 0x40, 0x03, 0xE8, 0x58, 0x21, 0x20, 0xA3, 0x1F};

// Little-endian writer over a growing byte vector.
class Bytes {
 public:
  explicit Bytes(std::vector<uint8_t>& out) : out_(out) {}
  void U8(uint32_t v) { out_.push_back(uint8_t(v)); }
  void U16(uint32_t v) { Le(v, 2); }
  void U32(uint32_t v) { Le(v, 4); }
  void U64(uint64_t v) { Le(v, 8); }
  void Id(const Guid& g) {
    U32(g.d1);
    U16(g.d2);
    U16(g.d3);
    out_.insert(out_.end(), g.d4, g.d4 + 8);
  }
  void Raw(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }
  void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
  size_t Size() const { return out_.size(); }
  // Object headers are written before their size is known.
  void PatchU64(size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) out_[at + size_t(i)] = uint8_t(v >> (8 * i));
  }

 private:
  void Le(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_.push_back(uint8_t(v >> (8 * i)));
  }
  std::vector<uint8_t>& out_;
};

// Starts an object; returns where its size goes.
size_t Begin(Bytes& b, const Guid& id) {
  b.Id(id);
  size_t at = b.Size();
  b.U64(0);
  return at;
}

void End(Bytes& b, size_t sizeAt) { b.PatchU64(sizeAt, b.Size() - (sizeAt - 16)); }

void StreamProperties(Bytes& b, const Guid& type, const Guid& errorCorrection, uint8_t number,
                      const std::vector<uint8_t>& typeSpecific, const std::vector<uint8_t>& errorData) {
  size_t at = Begin(b, kStreamProperties);
  b.Id(type);
  b.Id(errorCorrection);
  b.U64(0);  // time offset
  b.U32(uint32_t(typeSpecific.size()));
  b.U32(uint32_t(errorData.size()));
  b.U16(number);  // flags: stream number, not encrypted
  b.U32(0);       // reserved
  b.Raw(typeSpecific.data(), typeSpecific.size());
  b.Raw(errorData.data(), errorData.size());
  End(b, at);
}

std::vector<uint8_t> VideoTypeSpecific(const AsfStreamFormat& f) {
  const VolHeader& vol = VolHeaderFor(f.width, f.height);
  std::vector<uint8_t> v;
  Bytes b(v);
  b.U32(uint32_t(f.width));
  b.U32(uint32_t(f.height));
  b.U8(2);  // reserved flags
  b.U16(40 + uint32_t(vol.size()));
  // BITMAPINFOHEADER, then the decoder configuration as codec data.
  b.U32(40 + uint32_t(vol.size()));
  b.U32(uint32_t(f.width));
  b.U32(uint32_t(f.height));
  b.U16(1);   // planes
  b.U16(24);  // bit count
  b.Raw(reinterpret_cast<const uint8_t*>("MP4S"), 4);
  b.U32(uint32_t(f.width * f.height * 3));
  b.Zeros(16);  // pixels per metre, colours used and important
  b.Raw(vol.data(), vol.size());
  return v;
}

std::vector<uint8_t> AudioTypeSpecific(const AsfStreamFormat& f) {
  std::vector<uint8_t> v;
  Bytes b(v);
  b.U16(1);  // WAVE_FORMAT_PCM
  b.U16(1);  // mono
  b.U32(f.sampleRate);
  b.U32(f.sampleRate * 2);
  b.U16(2);   // block align
  b.U16(16);  // bits per sample
  b.U16(0);   // no extra data
  return v;
}

// Audio spread with a span of 1: the audio is not interleaved.
std::vector<uint8_t> AudioSpread() {
  std::vector<uint8_t> v;
  Bytes b(v);
  b.U8(1);
  b.U16(2);  // virtual packet length
  b.U16(2);  // virtual chunk length
  b.U16(1);  // silence data length
  b.U8(0);   // silence
  return v;
}

}  // namespace

const VolHeader& VolHeaderFor(int width, int height) {
  return width == 352 && height == 288 ? kVol352x288 : kVol320x240;
}

std::vector<uint8_t> BuildStreamHeader(const AsfStreamFormat& format, uint32_t packetSize) {
  std::vector<uint8_t> out;
  Bytes b(out);
  size_t header = Begin(b, kHeaderObject);
  b.U32(5);  // objects: file properties, two streams, header extension, padding
  b.U8(1);
  b.U8(2);

  size_t props = Begin(b, kFileProperties);
  b.Id(kFileId);
  b.U64(0);  // file size: unknown while streaming
  b.U64(0);  // creation date
  b.U64(0);  // data packets count: unknown
  b.U64(0);  // play duration: unknown
  b.U64(0);  // send duration
  b.U64(0);  // preroll: presentation times start at 0
  b.U32(0x02);  // seekable, not a broadcast
  b.U32(packetSize);
  b.U32(packetSize);
  b.U32(2000000);  // maximum bit rate
  End(b, props);

  StreamProperties(b, kVideoMedia, kNoErrorCorrection, kVideoStreamNumber, VideoTypeSpecific(format), {});
  StreamProperties(b, kAudioMedia, kAudioSpread, kAudioStreamNumber, AudioTypeSpecific(format), AudioSpread());

  size_t ext = Begin(b, kHeaderExtension);
  b.Id(kReserved1);
  b.U16(6);
  b.U32(0);
  End(b, ext);

  // Padding brings the Header Object to its fixed length.
  size_t pad = Begin(b, kPadding);
  b.Zeros(kAsfHeaderObjectBytes - b.Size());
  End(b, pad);
  End(b, header);

  b.PatchU64(Begin(b, kDataObject), kAsfDataHeaderBytes);  // no packets yet
  b.Id(kFileId);
  b.U64(0);  // total data packets: unknown
  b.U8(1);
  b.U8(1);
  return out;
}

namespace {
constexpr uint32_t kSingleHeader = 3 + 1 + 1 + 2 + 4 + 2;  // error correction .. duration
constexpr uint32_t kMultiHeader = kSingleHeader + 1;       // + payload flags
constexpr uint32_t kSinglePayloadHeader = 1 + 1 + 4 + 1 + 8;
constexpr uint32_t kMultiPayloadHeader = kSinglePayloadHeader + 2;  // + payload length
// A multiple-payload packet with less room than this left is closed.
constexpr uint32_t kSmallestPiece = 16;
// The payload count has six bits.
constexpr size_t kMaxPayloads = 63;
}  // namespace

uint32_t AsfPacketizer::Pack(const std::vector<MediaObject>& objects, uint16_t durationMs,
                             std::vector<uint8_t>& out) {
  uint32_t packets = 0;
  std::vector<Payload> open;
  uint32_t used = kMultiHeader;
  auto flush = [&] {
    if (open.empty()) return;
    WritePacket(open, durationMs, out);
    ++packets;
    open.clear();
    used = kMultiHeader;
  };
  for (const MediaObject& object : objects) {
    const uint8_t number = objectNumbers_[object.stream & 0x7F]++;
    const uint32_t size = uint32_t(object.data.size());
    for (uint32_t offset = 0; offset < size;) {
      const uint32_t remaining = size - offset;
      const uint32_t singleRoom = packetSize_ - kSingleHeader - kSinglePayloadHeader;
      if (open.empty() && remaining >= singleRoom) {  // a piece that fills a packet alone
        WritePacket({{&object, number, offset, singleRoom}}, durationMs, out);
        ++packets;
        offset += singleRoom;
        continue;
      }
      if (used + kMultiPayloadHeader + kSmallestPiece > packetSize_ || open.size() == kMaxPayloads) {
        flush();
        continue;
      }
      const uint32_t take = std::min(remaining, packetSize_ - used - kMultiPayloadHeader);
      open.push_back({&object, number, offset, take});
      used += kMultiPayloadHeader + take;
      offset += take;
    }
  }
  flush();
  return packets;
}

void AsfPacketizer::WritePacket(const std::vector<Payload>& payloads, uint16_t durationMs,
                                std::vector<uint8_t>& out) const {
  const size_t start = out.size();
  const bool multiple = payloads.size() > 1;
  uint32_t used = multiple ? kMultiHeader : kSingleHeader;
  for (const Payload& p : payloads) used += (multiple ? kMultiPayloadHeader : kSinglePayloadHeader) + p.length;
  Bytes b(out);
  b.U8(0x82);  // error correction data present, 2 bytes
  b.U16(0);
  b.U8((multiple ? 0x01 : 0x00) | 0x10);  // padding length as a WORD; no packet length or sequence
  b.U8(0x5D);  // replicated length BYTE, offset DWORD, object number BYTE, stream number BYTE
  b.U16(packetSize_ - used);
  b.U32(payloads.front().object->presentationMs);  // send time
  b.U16(durationMs);
  if (multiple) b.U8(0x80 | uint32_t(payloads.size()));  // payload lengths as WORDs
  for (const Payload& p : payloads) {
    const MediaObject& o = *p.object;
    b.U8((o.stream & 0x7F) | (o.keyFrame ? 0x80 : 0));
    b.U8(p.objectNumber);
    b.U32(p.offset);
    b.U8(8);
    b.U32(uint32_t(o.data.size()));
    b.U32(o.presentationMs);
    if (multiple) b.U16(p.length);
    b.Raw(o.data.data() + p.offset, p.length);
  }
  out.resize(start + packetSize_, 0);  // padding
}

}  // namespace camsim
