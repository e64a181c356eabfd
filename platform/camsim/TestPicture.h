// The camera's scene: the moving test picture that the live stream shows and
// a still records. It is laid out in the live frame's pixels; picture n is
// what the camera sees at the stream's frame n: a grey ramp that drifts, a
// bright square that crosses once every four seconds, eight colour bars.
#pragma once
#include <cstdint>
#include <vector>

namespace camsim {

class TestPicture {
 public:
  // `width` x `height`: the live frame size the scene is laid out in.
  TestPicture(int width, int height, int64_t frame);

  // Video levels (BT.601, 16..235 luma) at live pixel (x, y) ...
  uint8_t Luma(int x, int y) const;
  // ... and of the chroma column cx (live pixels 2cx and 2cx + 1).
  uint8_t ChromaU(int cx) const;
  uint8_t ChromaV(int cx) const;

  // The scene seen at `outWidth` x `outHeight`, as full-range RGB, three
  // bytes a pixel: what a decoder of the live picture shows, scaled.
  std::vector<uint8_t> Rgb(int outWidth, int outHeight) const;

 private:
  int width_, height_;
  int shift_;
  int box_, boxX_, boxY_;
};

}  // namespace camsim
