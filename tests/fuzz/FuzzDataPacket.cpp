// Any bytes as a run of data packets after a sound header. The first two
// bytes choose the packet size, the third whether a recording runs.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/video/AsfBuilders.h"
#include "video/AsfStream.h"

namespace {
struct CheckedSink : FrameSink {
  void OnFrame(const uint8_t* data, size_t length) override {
    if (length == 0 || length > kMaxFrameBytes) __builtin_trap();
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum = uint8_t(sum + data[i]);
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t packetSize = uint32_t(data[0] | data[1] << 8) % 4096 + 1;
  const bool recording = data[2] & 1;
  data += 3;
  size -= 3;

  static AsfStream stream;
  auto header = asfbuild::MakeHeader(packetSize, 2, 1);
  stream.ParseStreamHeader(header.data(), header.size());

  CheckedSink sink;
  uint64_t audioObjects = 0;
  for (size_t at = 0; at < size; at += packetSize) {
    const size_t length = size - at < packetSize ? size - at : packetSize;
    std::vector<uint8_t> packet(data + at, data + at + length);
    stream.ParseDataPacket(packet.data(), packet.size(), recording, audioObjects, sink);
  }
  return 0;
}
