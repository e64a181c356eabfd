// Real MPEG-4 frames for the preview tests, made with libavcodec's mpeg4
// encoder in the camera's configuration (time increment resolution 15,
// H.263 quantisation, no B-frames), with the encoder's own stream headers
// cut off: the decoder must work from the source's 18 configuration bytes,
// as it does with the camera.
#pragma once
extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <cstring>
#include <vector>

namespace mpeg4test {

using Frame = std::vector<uint8_t>;

struct Colour {
  uint8_t r, g, b;
};

// `count` frames of one solid colour with a bright bar that moves one 16-pixel
// band a frame (frame n shows it in band n mod width/16). With the default
// `keyEvery` of 1 every frame is a key frame and decodes on its own.
inline std::vector<Frame> Encode(int width, int height, int count, Colour colour, int keyEvery = 1) {
  std::vector<Frame> frames;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  AVCodecContext* ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
  if (!ctx) return frames;
  ctx->width = width;
  ctx->height = height;
  ctx->time_base = {1, 15};
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->gop_size = keyEvery;
  ctx->max_b_frames = 0;
  ctx->bit_rate = 400000;
  AVFrame* picture = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  picture->format = ctx->pix_fmt;
  picture->width = width;
  picture->height = height;
  if (avcodec_open2(ctx, codec, nullptr) < 0 || av_frame_get_buffer(picture, 0) < 0) count = 0;

  // BT.601 studio range, as the decoder converts back.
  const int y = (66 * colour.r + 129 * colour.g + 25 * colour.b + 128) / 256 + 16;
  const int u = (-38 * colour.r - 74 * colour.g + 112 * colour.b + 128) / 256 + 128;
  const int v = (112 * colour.r - 94 * colour.g - 18 * colour.b + 128) / 256 + 128;
  auto drain = [&] {
    while (avcodec_receive_packet(ctx, packet) == 0) {
      const uint8_t* d = packet->data;
      size_t at = 0;  // the picture itself starts at the VOP start code 00 00 01 B6
      while (at + 4 <= size_t(packet->size) && !(d[at] == 0 && d[at + 1] == 0 && d[at + 2] == 1 && d[at + 3] == 0xB6))
        ++at;
      if (at + 4 <= size_t(packet->size)) frames.emplace_back(d + at, d + packet->size);
      av_packet_unref(packet);
    }
  };
  for (int n = 0; n < count; ++n) {
    av_frame_make_writable(picture);
    for (int row = 0; row < height; ++row)
      for (int col = 0; col < width; ++col)
        picture->data[0][row * picture->linesize[0] + col] =
            uint8_t(col / 16 == n % (width / 16) ? 235 : y);
    for (int row = 0; row < height / 2; ++row) {
      std::memset(picture->data[1] + row * picture->linesize[1], u, width / 2);
      std::memset(picture->data[2] + row * picture->linesize[2], v, width / 2);
    }
    picture->pts = n;
    if (avcodec_send_frame(ctx, picture) == 0) drain();
  }
  avcodec_send_frame(ctx, nullptr);
  drain();
  av_packet_free(&packet);
  av_frame_free(&picture);
  avcodec_free_context(&ctx);
  return frames;
}

}  // namespace mpeg4test
