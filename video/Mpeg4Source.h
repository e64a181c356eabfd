// The program's own MPEG-4 source for the live preview.
//
// CMpeg4Stream is the output pin's logic in plain C++: it turns the frames the
// streaming worker puts into FrameQueue into 50 ms samples of an MPEG-4 video
// stream. CMpeg4Source is the GStreamer element around it (a GstPushSrc,
// registered in-process as "orinmpeg4src"), whose streaming thread calls
// FillBuffer once per sample.
//
// How samples travel downstream:
//   - a sample with a frame becomes a buffer (PTS = sample start, duration
//     50 ms, DISCONT when the sample is marked as a discontinuity);
//   - a timed sample without a frame becomes a gap event of 50 ms;
//   - an untimed empty sample (before the first frame, or after the stop
//     event) is not sent; the thread pauses 10 ms before the next one, so
//     that waiting for the camera does not spin a core.
// The element is a live source and paces itself on the pipeline clock: each
// timed sample is filled when the clock reaches its start time, which keeps
// the 20 samples a second whatever the sink does. The first frame's sample
// starts at stream time 0; a new segment maps that to the running time at
// which it was taken. Caps are only taken with their configuration bytes
// (codec_data). GST_DEBUG=orinmpeg4src:5 logs the element's decisions.
#pragma once
#include <gst/gst.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "video/FrameQueue.h"

// Stream times are in 100-ns units, as the camera's clock counts them.
inline constexpr int64_t kSampleDuration = 500000;  // 50 ms
inline constexpr int kSampleBuffers = 4;

struct FrameSize {
  int width = 352;
  int height = 288;
  bool operator==(const FrameSize&) const = default;
};

// 320 x 240 when the video format flag is 1, else 352 x 288.
FrameSize CurrentFrameSize();
// Each sample buffer holds one 24-bit picture: 230,400 or 304,128 bytes.
size_t SampleBufferBytes(FrameSize size);
// The 18-byte MPEG-4 Visual object and video-object-layer header for the size
// (320 x 240 or, for anything else, 352 x 288).
const std::array<uint8_t, 18>& Mpeg4ConfigBytes(FrameSize size);
// video/mpeg, mpegversion 4, systemstream false, width, height and the
// configuration bytes as codec_data. The caller owns the caps.
GstCaps* Mpeg4Caps(FrameSize size);

// One media sample as the pin fills it.
struct MediaSample {
  uint8_t* data = nullptr;
  size_t size = 0;
  size_t actualLength = 0;
  bool timed = false;  // start and end are set
  int64_t start = 0;
  int64_t end = 0;
  bool discontinuity = false;
  bool syncPoint = false;
};

class CMpeg4Stream {
 public:
  explicit CMpeg4Stream(FrameQueue& queue = TheFrameQueue());
  CMpeg4Stream(const CMpeg4Stream&) = delete;
  CMpeg4Stream& operator=(const CMpeg4Stream&) = delete;

  // Start of the pin's streaming thread: stream time and read index to 0,
  // size from the video format flag, waiting for the first frame again.
  void OnThreadCreate();
  // One sample; see the header comment for what each outcome means.
  void FillBuffer(MediaSample& sample);

  // The stop event: manual reset, never reset once set (a new preview makes a new pin).
  void SetStopEvent() { stopEvent_ = true; }
  bool Stopped() const { return stopEvent_; }

  FrameSize Size() const;
  int64_t StreamTime() const;
  bool WaitingForFirstFrame() const;
  // How often OnThreadCreate has run (a streaming thread has started).
  int ThreadStarts() const;

 private:
  enum class TakeResult { Stopped, Taken };
  TakeResult TakeFrame(uint8_t* target, size_t capacity, size_t& outLength);
  // Why samples go out untimed; the debug log names a reason once, not per sample.
  enum class Idle { None, Waiting, Stopped };
  void LogIdle(Idle why);

  FrameQueue& queue_;
  std::atomic<bool> stopEvent_{false};
  mutable std::mutex pinLock_;  // taken before the queue lock, never after it
  FrameSize size_;
  int64_t streamTime_ = 0;
  int readIndex_ = 0;
  bool firstSample_ = true;
  int threadStarts_ = 0;
  Idle idle_ = Idle::None;
  int idleSamples_ = 0;
};

// Registers "orinmpeg4src" with GStreamer (once per process; calls gst_init
// when nobody has). Result false when the element could not be registered.
bool RegisterMpeg4Source();
// The element's pin logic, for the graph that stops it. Not owned.
CMpeg4Stream* Mpeg4SourceStream(GstElement* source);
