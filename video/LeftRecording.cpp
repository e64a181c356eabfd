#include "video/LeftRecording.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "video/AsfStream.h"

namespace {

// The camera's first block of a stream: the Header Object and the Data Object's start.
constexpr uint64_t kStreamHeaderBytes = kAsfHeaderBytes + 50;
// A packet larger than the worker's block buffer never came from the camera.
constexpr uint32_t kMaxPacketBytes = 262144;
// Packets are read this many bytes at a time, so a three-hour file is never held whole.
constexpr size_t kReadBytes = 1 << 20;

struct NoFrames : FrameSink {
  void OnFrame(const uint8_t*, size_t) override {}
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::optional<LeftRecording> CompleteLeftRecording(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r+b"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return std::nullopt;
  const long end = std::ftell(file.get());
  if (end < 0 || uint64_t(end) < kStreamHeaderBytes) return std::nullopt;
  std::rewind(file.get());

  std::vector<uint8_t> header(kStreamHeaderBytes);
  AsfStream asf;
  if (std::fread(header.data(), 1, header.size(), file.get()) != header.size() ||
      !asf.ParseStreamHeader(header.data(), header.size()))
    return std::nullopt;
  const uint32_t packetSize = asf.PacketSize();
  if (packetSize == 0 || packetSize > kMaxPacketBytes) return std::nullopt;
  LeftRecording left;
  left.packets = (uint64_t(end) - kStreamHeaderBytes) / packetSize;
  if (left.packets == 0) return std::nullopt;

  // Whole packets only, in reads of whole packets.
  const size_t perRead = std::max<size_t>(1, kReadBytes / packetSize);
  std::vector<uint8_t> chunk(perRead * packetSize);
  NoFrames frames;
  for (uint64_t done = 0; done < left.packets;) {
    const size_t count = size_t(std::min<uint64_t>(perRead, left.packets - done));
    if (std::fread(chunk.data(), packetSize, count, file.get()) != count) return std::nullopt;
    for (size_t i = 0; i < count; ++i)
      asf.ParseDataPacket(chunk.data() + i * packetSize, packetSize, true, left.audioObjects, frames);
    done += count;
  }

  left.bytes = kStreamHeaderBytes + left.packets * packetSize;
  if (std::fflush(file.get()) != 0 || ::ftruncate(::fileno(file.get()), off_t(left.bytes)) != 0)
    return std::nullopt;
  if (!CompleteRecordingHeader(file.get(), left.bytes, left.packets, left.audioObjects)) return std::nullopt;
  return left;
}
