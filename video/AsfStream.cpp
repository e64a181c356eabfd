#include "video/AsfStream.h"

#include <cstring>

namespace {

// GUIDs as they lie in the file: first three fields little-endian.
constexpr uint8_t kFilePropertiesObject[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                               0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr uint8_t kAudioMedia[16] = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                     0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};

// Minimum Data Packet Size, relative to the File Properties Object's GUID.
constexpr size_t kPacketSizeAt = 92;
// Stream Properties flags (stream number in bits 0-6), relative to the
// stream type GUID.
constexpr size_t kStreamFlagsAt = 48;

constexpr size_t kNotFound = static_cast<size_t>(-1);

// First position >= from where `guid` starts and `need` bytes from there
// still lie inside the block.
size_t FindGuid(const uint8_t* block, size_t length, size_t from, const uint8_t (&guid)[16],
                size_t need) {
  if (length < need) return kNotFound;
  for (size_t pos = from; pos <= length - need; ++pos) {
    if (std::memcmp(block + pos, guid, sizeof guid) == 0) return pos;
  }
  return kNotFound;
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Bytes of a field announced by a 2-bit length code.
size_t CodeSize(unsigned code) { return code == 3 ? 4 : code; }

// Reads little-endian fields from a packet; once a field would cross the end
// it stays failed and yields zeros.
class PacketReader {
 public:
  PacketReader(const uint8_t* begin, const uint8_t* end) : begin_(begin), at_(begin), end_(end) {}

  uint32_t Field(size_t size) {
    if (!Has(size)) return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= uint32_t(at_[i]) << (8 * i);
    at_ += size;
    return value;
  }
  void Skip(size_t size) {
    if (Has(size)) at_ += size;
  }
  bool Has(size_t size) {
    if (ok_ && size_t(end_ - at_) >= size) return true;
    ok_ = false;
    return false;
  }
  bool ok() const { return ok_; }
  const uint8_t* at() const { return at_; }
  size_t Offset() const { return size_t(at_ - begin_); }
  size_t Left() const { return size_t(end_ - at_); }

 private:
  const uint8_t* begin_;
  const uint8_t* at_;
  const uint8_t* end_;
  bool ok_ = true;
};

}  // namespace

int AsfStream::ParseStreamHeader(const uint8_t* block, size_t length) {
  audio_ = Reassembly{};
  video_ = Reassembly{};

  const size_t props = FindGuid(block, length, 16, kFilePropertiesObject, kPacketSizeAt + 4);
  if (props == kNotFound) return 0;
  packetSize_ = Le32(block + props + kPacketSizeAt);

  // A header without an audio stream leaves no stream counted as audio
  // (stream numbers start at 1).
  const size_t audio = FindGuid(block, length, props + kPacketSizeAt, kAudioMedia, kStreamFlagsAt + 1);
  audioStreamNumber_ = audio == kNotFound ? 0 : block[audio + kStreamFlagsAt] & 0x7F;
  return 1;
}

int AsfStream::ParseDataPacket(const uint8_t* packet, size_t length, bool recording,
                               uint64_t& audioObjects, FrameSink& sink) {
  PacketReader in(packet, packet + length);

  if (length > 0 && (packet[0] & 0x80)) in.Skip(1 + (packet[0] & 0x0F));  // error correction data
  const uint32_t lengthFlags = in.Field(1);
  const uint32_t propertyFlags = in.Field(1);
  const bool multiple = lengthFlags & 0x01;
  const size_t sequenceSize = CodeSize((lengthFlags >> 1) & 3);
  const size_t paddingSize = CodeSize((lengthFlags >> 3) & 3);
  const size_t packetLengthSize = CodeSize((lengthFlags >> 5) & 3);
  const size_t replicatedLengthSize = CodeSize(propertyFlags & 3);
  const size_t offsetSize = CodeSize((propertyFlags >> 2) & 3);

  in.Skip(packetLengthSize);
  in.Skip(sequenceSize);
  const uint32_t padding = in.Field(paddingSize);
  in.Skip(4 + 2);  // send time, duration

  uint32_t payloads = 1;
  size_t payloadLengthSize = 0;
  if (multiple) {
    const uint32_t count = in.Field(1);
    payloads = count & 0x3F;
    payloadLengthSize = CodeSize(count >> 6);
  }
  const size_t headerLength = in.Offset();
  if (!in.ok()) return 0;

  for (uint32_t i = 0; i < payloads; ++i) {
    const size_t payloadStart = in.Offset();
    const uint8_t streamNumber = in.Field(1) & 0x7F;
    const uint8_t objectNumber = uint8_t(in.Field(1));
    const uint32_t offset = in.Field(offsetSize);
    in.Skip(replicatedLengthSize);
    const uint32_t objectSize = in.Field(4);
    in.Skip(4);  // presentation time
    uint32_t dataLength = 0;
    if (multiple) {
      dataLength = in.Field(payloadLengthSize);
    } else {
      // The one payload runs to the padding; a media object's last piece may
      // end before that.
      const size_t used = headerLength + (in.Offset() - payloadStart) + padding;
      if (used > length || offset > objectSize) return 0;
      const size_t room = length - used;
      dataLength = uint32_t(objectSize - offset <= room ? objectSize - offset : room);
    }
    if (!in.Has(dataLength)) return 0;

    TakePayload(streamNumber != audioStreamNumber_, objectNumber, objectSize, in.at(), dataLength,
                recording, audioObjects, sink);
    in.Skip(dataLength);
  }
  return 1;
}

void AsfStream::TakePayload(bool video, uint8_t objectNumber, uint32_t objectSize,
                            const uint8_t* data, uint32_t dataLength, bool recording,
                            uint64_t& audioObjects, FrameSink& sink) {
  Reassembly& r = video ? video_ : audio_;
  if (r.dropping) {
    if (objectNumber == r.objectNumber) return;
    r.dropping = false;
    r.bytesSoFar = 0;
  }
  if (objectSize == 0) return;  // nothing to assemble

  r.objectSize = objectSize;
  if (r.bytesSoFar != 0 && objectNumber != r.objectNumber) r.bytesSoFar = 0;  // object changed mid-way
  if (r.bytesSoFar == 0) r.objectNumber = objectNumber;

  // A frame larger than the buffer, or pieces adding up to more than the
  // object's size, cannot give a sound frame: skip the whole object.
  if ((video && objectSize > kMaxFrameBytes) || r.bytesSoFar > objectSize ||
      dataLength > objectSize - r.bytesSoFar) {
    r.dropping = true;
    r.bytesSoFar = 0;
    r.objectSize = 0;
    return;
  }

  if (video) std::memcpy(videoBuffer_.data() + r.bytesSoFar, data, dataLength);
  r.bytesSoFar += dataLength;
  if (r.bytesSoFar != r.objectSize) return;

  if (video) {
    sink.OnFrame(videoBuffer_.data(), r.objectSize);
  } else if (recording) {
    ++audioObjects;
  }
  r.bytesSoFar = 0;
  r.objectSize = 0;
  r.objectNumber = objectNumber;
}

int CompleteRecordingHeader(std::FILE* file, uint64_t bytesWritten, uint64_t packetsWritten,
                            uint64_t audioObjects) {
  if (!file || std::fflush(file) != 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(file);
  if (end < 0) return 0;
  const uint64_t fileLength = uint64_t(end);

  const struct {
    uint64_t offset;
    uint64_t value;
  } fields[] = {
      {70, bytesWritten},                    // File Properties: File Size
      {86, packetsWritten},                  // File Properties: Data Packets Count
      {661, packetsWritten},                 // Data Object: Total Data Packets
      {94, audioObjects * 2000000},          // File Properties: Play Duration, 0.2 s per audio object
      {637, bytesWritten - kAsfHeaderBytes}, // Data Object: Object Size
  };

  int complete = 1;
  for (const auto& field : fields) {
    if (field.offset + 8 > fileLength) {
      complete = 0;
      continue;
    }
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = uint8_t(field.value >> (8 * i));
    if (std::fseek(file, long(field.offset), SEEK_SET) != 0 || std::fwrite(bytes, 1, 8, file) != 8)
      complete = 0;
  }
  if (std::fflush(file) != 0) complete = 0;
  return complete;
}
