// The live preview on GStreamer: the program's MPEG-4 source, the decoder
// GStreamer picks (decodebin), a conversion to RGBX and an appsink whose
// pictures are drawn into the window's video frame (control 1069).
//
//   orinmpeg4src ! decodebin ! videoconvert ! video/x-raw,format=RGBX ! appsink
//
// The graph's bus is its event interface: every message on it is announced to
// the notify window as WM_PREVIEW_EVENT, and TakeEvents empties it.
//
// Build and WireAndRun run on the GUI thread; TearDown runs there or on the
// streaming worker when the stream ends by itself, so the widget is only
// touched directly on the GUI thread and reached by queued calls otherwise.
#pragma once
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "video/StreamWorker.h"

class VideoFrame;

enum : unsigned { WM_PREVIEW_EVENT = WM_USER + 16 };

class GstPreviewGraph final : public PreviewGraph {
 public:
  // Called on the sink's streaming thread for every decoded picture (RGBX).
  using FrameCallback = std::function<void(const uint8_t* rgbx, int width, int height, int stride)>;

  GstPreviewGraph();
  ~GstPreviewGraph() override;
  GstPreviewGraph(const GstPreviewGraph&) = delete;
  GstPreviewGraph& operator=(const GstPreviewGraph&) = delete;

  // `previewWindow` is a VideoFrame.
  void SetWindows(void* previewWindow, StreamOwnerWindow* notifyWindow) override;
  bool Build() override;
  void WireAndRun() override;
  bool TearDown() override;
  void HideVideo() override;
  void ShowVideo() override;
  // After the window moved or resized: the video fills the frame again.
  void Fit();
  // The WM_PREVIEW_EVENT handler: takes every pending bus message (zero
  // wait) and frees it; errors are written to stderr. Result: how many.
  int TakeEvents();

  // The sink seam: tests and benchmarks count and inspect decoded pictures.
  void SetFrameCallback(FrameCallback callback);
  uint64_t DecodedFrames() const { return decodedFrames_; }
  bool Running() const;

 private:
  bool BuildSteps();
  bool Render();
  void Discard();
  void OnPicture(GstSample* sample);
  static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
  static void OnDecoderPad(GstElement* decoder, GstPad* pad, gpointer convert);
  static GstFlowReturn OnNewSample(GstAppSink* sink, gpointer self);

  mutable std::mutex mutex_;  // the fields below; never held while the sink delivers
  GstElement* graph_ = nullptr;
  GstBus* events_ = nullptr;
  GstElement* source_ = nullptr;
  GstPad* pin_ = nullptr;
  VideoFrame* previewWindow_ = nullptr;
  StreamOwnerWindow* notifyWindow_ = nullptr;

  // What the sink's thread reaches.
  std::mutex sinkMutex_;
  VideoFrame* sinkWindow_ = nullptr;
  FrameCallback frameCallback_;
  std::atomic<StreamOwnerWindow*> eventWindow_{nullptr};
  std::atomic<uint64_t> decodedFrames_{0};
};
