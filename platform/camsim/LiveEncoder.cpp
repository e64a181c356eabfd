#include "platform/camsim/LiveEncoder.h"

#include <cmath>
#include <cstring>

#include "platform/camsim/TestPicture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace camsim {

struct LiveEncoder::Codec {
  AVCodecContext* context = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  ~Codec() {
    avcodec_free_context(&context);
    av_frame_free(&frame);
    av_packet_free(&packet);
  }
};

namespace {
// A fixed quantiser keeps every frame well inside the host's 64 KiB frame
// buffer and costs less than rate control.
constexpr int kQuantiser = 5;
constexpr uint8_t kVoStartCode[4] = {0x00, 0x00, 0x01, 0x00};
}  // namespace

LiveEncoder::LiveEncoder(int width, int height) : width_(width), height_(height) { Open(); }

LiveEncoder::~LiveEncoder() = default;

void LiveEncoder::Open() {
  codec_ = std::make_unique<Codec>();
  error_.clear();
  const AVCodec* mpeg4 = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  if (!mpeg4) {
    error_ = "libavcodec has no mpeg4 encoder";
    return;
  }
  AVCodecContext* c = codec_->context = avcodec_alloc_context3(mpeg4);
  codec_->frame = av_frame_alloc();
  codec_->packet = av_packet_alloc();
  if (!c || !codec_->frame || !codec_->packet) {
    error_ = "out of memory for the encoder";
    return;
  }
  // Simple profile as the stream header describes it: time increment
  // resolution 15, no B-frames, H.263 quantisation, no resync markers or
  // data partitioning, progressive; the configuration headers live in the
  // stream header only (global header).
  c->width = width_;
  c->height = height_;
  c->time_base = AVRational{1, kFramesPerSecond};
  c->framerate = AVRational{kFramesPerSecond, 1};
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->gop_size = kFramesPerSecond;  // a key frame every second keeps recordings seekable
  c->max_b_frames = 0;
  c->thread_count = 1;
  c->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_BITEXACT;
  c->global_quality = FF_QP2LAMBDA * kQuantiser;
  if (avcodec_open2(c, mpeg4, nullptr) < 0) {
    error_ = "libavcodec cannot open its mpeg4 encoder";
    return;
  }
  config_.clear();
  const uint8_t* extra = c->extradata;
  for (int i = 0; extra && i + 4 <= c->extradata_size; ++i) {
    if (std::memcmp(extra + i, kVoStartCode, 4) == 0) {
      config_.assign(extra + i, extra + c->extradata_size);
      break;
    }
  }
  AVFrame* f = codec_->frame;
  f->format = c->pix_fmt;
  f->width = width_;
  f->height = height_;
  if (av_frame_get_buffer(f, 0) < 0) error_ = "out of memory for the picture";
  frame_ = 0;
}

void LiveEncoder::Restart() {
  // The encoder insists on rising time stamps; a new stream starts at 0.
  Open();
}

void LiveEncoder::Paint(int64_t n) {
  AVFrame* f = codec_->frame;
  av_frame_make_writable(f);
  const TestPicture picture(width_, height_, n);
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = f->data[0] + y * f->linesize[0];
    for (int x = 0; x < width_; ++x) row[x] = picture.Luma(x, y);
  }
  for (int y = 0; y < height_ / 2; ++y) {
    uint8_t* u = f->data[1] + y * f->linesize[1];
    uint8_t* v = f->data[2] + y * f->linesize[2];
    for (int x = 0; x < width_ / 2; ++x) {
      u[x] = picture.ChromaU(x);
      v[x] = picture.ChromaV(x);
    }
  }
  f->pts = n;
}

std::vector<uint8_t> LiveEncoder::NextFrame(bool& keyFrame) {
  keyFrame = false;
  std::vector<uint8_t> out;
  if (!error_.empty()) return out;
  AVCodecContext* c = codec_->context;
  Paint(frame_);
  codec_->frame->pict_type = frame_ == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  codec_->frame->quality = c->global_quality;
  ++frame_;
  if (avcodec_send_frame(c, codec_->frame) < 0) return out;
  // Without B-frames every frame comes out at once.
  if (avcodec_receive_packet(c, codec_->packet) == 0) {
    out.assign(codec_->packet->data, codec_->packet->data + codec_->packet->size);
    keyFrame = (codec_->packet->flags & AV_PKT_FLAG_KEY) != 0;
    av_packet_unref(codec_->packet);
  }
  return out;
}

std::vector<uint8_t> LiveEncoder::AudioObject(uint32_t sampleRate, int64_t index) {
  const int64_t samples = int64_t(sampleRate) * kAudioObjectMs / 1000;
  // A tone that steps through four pitches, one a second.
  const int64_t second = index * kAudioObjectMs / 1000;
  const double hz = 440.0 * (1 + second % 4) / 2;
  std::vector<uint8_t> out(size_t(samples) * 2);
  for (int64_t i = 0; i < samples; ++i) {
    const double t = double(index * samples + i) / sampleRate;
    const auto s = int16_t(std::lround(6000 * std::sin(2 * M_PI * hz * t)));
    out[size_t(i) * 2] = uint8_t(s & 0xFF);
    out[size_t(i) * 2 + 1] = uint8_t((s >> 8) & 0xFF);
  }
  return out;
}

}  // namespace camsim
