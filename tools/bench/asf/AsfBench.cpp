// Throughput of ParseDataPacket over a long camera-like stream, against a
// plain memcpy of the same bytes measured in the same run.
//   asf_bench [passes]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/video/AsfBuilders.h"
#include "video/AsfStream.h"

namespace {

constexpr uint32_t kPacketSize = 3200;

struct CountingSink : FrameSink {
  uint64_t frames = 0, bytes = 0;
  void OnFrame(const uint8_t*, size_t length) override {
    ++frames;
    bytes += length;
  }
};

// Video frames of 4 to 12 kB split over single-payload packets, with an
// audio object of 640 bytes in a multi-payload packet after each frame.
std::vector<uint8_t> MakeStream(size_t packets) {
  using namespace asfbuild;
  std::vector<uint8_t> stream;
  uint8_t object = 0;
  while (stream.size() < packets * kPacketSize) {
    const uint32_t frameSize = 4000 + (object * 997u) % 8000;
    Bytes frame = Pattern(frameSize, object);
    for (uint32_t at = 0; at < frameSize;) {
      const uint32_t piece = std::min<uint32_t>(frameSize - at, kPacketSize - 12 - 15);
      Bytes p = SinglePayloadPacket(kPacketSize, {1, object, frameSize, Slice(frame, at, piece), at});
      stream.insert(stream.end(), p.begin(), p.end());
      at += piece;
    }
    Bytes a = MultiPayloadPacket(kPacketSize, {{2, object, 640, Pattern(640, 3)}});
    stream.insert(stream.end(), a.begin(), a.end());
    ++object;
  }
  stream.resize(packets * kPacketSize);
  return stream;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int passes = argc > 1 ? std::atoi(argv[1]) : 20;
  const size_t packets = 8192;  // about 26 MB
  std::vector<uint8_t> stream = MakeStream(packets);
  auto header = asfbuild::MakeHeader(kPacketSize, 2, 1);

  AsfStream parser;
  CountingSink sink;
  uint64_t audio = 0;
  const auto parseStart = std::chrono::steady_clock::now();
  for (int pass = 0; pass < passes; ++pass) {
    parser.ParseStreamHeader(header.data(), header.size());
    for (size_t i = 0; i < packets; ++i)
      parser.ParseDataPacket(stream.data() + i * kPacketSize, kPacketSize, true, audio, sink);
  }
  const double parseSeconds = Seconds(std::chrono::steady_clock::now() - parseStart);

  // memcpy in block-sized pieces into one fixed buffer, as the worker's
  // block buffer would be filled.
  std::vector<uint8_t> target(262144);
  uint64_t check = 0;
  const auto copyStart = std::chrono::steady_clock::now();
  for (int pass = 0; pass < passes; ++pass) {
    for (size_t at = 0; at < stream.size(); at += target.size()) {
      const size_t n = std::min(target.size(), stream.size() - at);
      std::memcpy(target.data(), stream.data() + at, n);
      check += target[n - 1];
    }
  }
  const double copySeconds = Seconds(std::chrono::steady_clock::now() - copyStart);

  const double mb = double(stream.size()) * passes / 1e6;
  const double parseRate = mb / parseSeconds, copyRate = mb / copySeconds;
  std::printf("stream: %zu packets of %u bytes, %d passes, %llu frames, %llu audio objects (check %llu)\n",
              packets, kPacketSize, passes, (unsigned long long)sink.frames, (unsigned long long)audio,
              (unsigned long long)(check & 0xFF));
  std::printf("ParseDataPacket: %10.1f MB/s\n", parseRate);
  std::printf("memcpy:          %10.1f MB/s\n", copyRate);
  std::printf("ratio:           %10.3f (goal >= 0.25)\n", parseRate / copyRate);
  return 0;
}
