// The camera's picture and sound: a moving test picture encoded as MPEG-4
// Part 2 simple profile (libavcodec's mpeg4 encoder) and 16-bit mono PCM
// tones, in the frame and object sizes the live stream carries.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace camsim {

constexpr int kFramesPerSecond = 15;
// Every audio media object holds this much sound.
constexpr int kAudioObjectMs = 200;

class LiveEncoder {
 public:
  LiveEncoder(int width, int height);
  ~LiveEncoder();
  LiveEncoder(const LiveEncoder&) = delete;
  LiveEncoder& operator=(const LiveEncoder&) = delete;

  // Empty when libavcodec could not open its encoder.
  const std::string& Error() const { return error_; }

  // A fresh stream: the next frame is number 0 and a key frame.
  void Restart();
  // Encodes the next frame of the test picture; `keyFrame` tells whether it
  // decodes on its own. Frames carry no configuration headers: the decoder
  // takes those from the stream header.
  std::vector<uint8_t> NextFrame(bool& keyFrame);
  // The video object layer header the encoder itself describes its frames by.
  const std::vector<uint8_t>& EncoderConfig() const { return config_; }

  // Audio object `index` of a stream at `sampleRate`: kAudioObjectMs of a tone.
  static std::vector<uint8_t> AudioObject(uint32_t sampleRate, int64_t index);

 private:
  void Open();
  void Paint(int64_t frame);

  struct Codec;
  std::unique_ptr<Codec> codec_;
  int width_, height_;
  int64_t frame_ = 0;
  std::string error_;
  std::vector<uint8_t> config_;
};

}  // namespace camsim
