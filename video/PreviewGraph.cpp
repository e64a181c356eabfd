#include "video/PreviewGraph.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <QMetaObject>
#include <QThread>

#include "platform/ui/MessageBox.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "video/Mpeg4Source.h"
#include "video/RgbxPicture.h"
#include "video/VideoFrame.h"

// GST_DEBUG=orinpreview:5 shows how the preview graph is built: the decoders
// that fit the source, the elements decodebin chose, and why a build failed.
static GstDebugCategory* PreviewCategory() {
  static GstDebugCategory* const category = [] {
    GstDebugCategory* made = nullptr;
    GST_DEBUG_CATEGORY_INIT(made, "orinpreview", 0, "the program's live preview graph");
    return made;
  }();
  return category;
}
#define GST_CAT_DEFAULT PreviewCategory()

namespace {

void ShowError(QWidget* parent, int id) { ShowMessageBox(parent, resources::String(id), MsgIcon::Error); }

bool OnGuiThread(QObject* object) { return QThread::currentThread() == object->thread(); }

// Whether a decoder that autoplugging would choose takes what `pin` gives.
// decodebin links to any source and only later finds that nothing decodes
// it; the graph builder's render step fails at once instead.
bool HasDecoderFor(GstPad* pin) {
  GstCaps* caps = gst_pad_query_caps(pin, nullptr);
  GList* decoders = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER, GST_RANK_MARGINAL);
  GList* fitting = gst_element_factory_list_filter(decoders, caps, GST_PAD_SINK, FALSE);
  const bool found = fitting != nullptr;
  if (!found) GST_WARNING("no decoder takes %" GST_PTR_FORMAT, caps);
  for (GList* f = fitting; f; f = f->next)
    GST_DEBUG("decoder that fits: %s (rank %u)", GST_OBJECT_NAME(f->data),
              gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(f->data)));
  gst_plugin_feature_list_free(fitting);
  gst_plugin_feature_list_free(decoders);
  gst_caps_unref(caps);
  return found;
}

// Runs `call` on the widget's thread: directly there, queued (never waiting)
// from any other, so that a worker tearing down cannot block on a GUI thread
// that is itself waiting for that worker.
template <typename F>
void OnWidget(VideoFrame* frame, F call) {
  if (OnGuiThread(frame))
    call();
  else
    QMetaObject::invokeMethod(frame, call, Qt::QueuedConnection);
}

}  // namespace

GstPreviewGraph::GstPreviewGraph() {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
}

GstPreviewGraph::~GstPreviewGraph() { TearDown(); }

void GstPreviewGraph::SetWindows(void* previewWindow, StreamOwnerWindow* notifyWindow) {
  std::lock_guard<std::mutex> lock(mutex_);
  previewWindow_ = static_cast<VideoFrame*>(previewWindow);
  notifyWindow_ = notifyWindow;
}

bool GstPreviewGraph::Build() {
  bool built;
  QWidget* parent;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    built = BuildSteps();
    parent = previewWindow_;
  }
  if (!built) ShowError(parent, ids::FAILED_TO_INITIALIZE);
  return built;
}

bool GstPreviewGraph::BuildSteps() {
  if (!previewWindow_) {
    GST_WARNING("build refused: no preview window set");
    return false;
  }
  // A preview that was not torn down keeps its graph: nothing of it is touched.
  if (source_) {
    GST_WARNING("build refused: the previous preview was not torn down");
    return false;
  }
  graph_ = gst_pipeline_new(nullptr);
  if (!graph_) return false;

  GstElement* source = RegisterMpeg4Source() ? gst_element_factory_make("orinmpeg4src", nullptr) : nullptr;
  if (!source) {
    GST_WARNING("build failed: the MPEG-4 source could not be made");
    ShowError(previewWindow_, ids::NO_MPEG4_SOURCE_STREAM);
    Discard();
    return false;
  }
  gst_object_ref_sink(source);
  GstPad* pin = gst_element_get_static_pad(source, "src");
  if (!Mpeg4SourceStream(source) || !pin) {
    if (pin) gst_object_unref(pin);
    gst_object_unref(source);
    GST_WARNING("build failed: the source has no output pad");
    ShowError(previewWindow_, ids::NO_VIDEO_SOURCE_FILTER);
    Discard();
    return false;
  }
  source_ = source;
  pin_ = pin;
  if (!gst_bin_add(GST_BIN(graph_), source_) || !Render()) {
    GST_WARNING("build failed: the source's output could not be rendered");
    Discard();
    return false;
  }
  events_ = gst_pipeline_get_bus(GST_PIPELINE(graph_));
  if (!events_) {
    Discard();
    return false;
  }
  GST_DEBUG("built: source, decodebin, videoconvert, RGBX, appsink");
  return true;
}

// The graph builder's render step: decoder by autoplugging, then the sink.
bool GstPreviewGraph::Render() {
  if (!HasDecoderFor(pin_)) return false;
  GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
  GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
  GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  if (!decoder || !convert || !filter || !sink) {
    GST_WARNING("missing elements:%s%s%s%s", decoder ? "" : " decodebin", convert ? "" : " videoconvert",
                filter ? "" : " capsfilter", sink ? "" : " appsink");
    for (GstElement* e : {decoder, convert, filter, sink})
      if (e) gst_object_unref(gst_object_ref_sink(e));
    return false;
  }
  GstCaps* rgbx = NewRgbxCaps();
  g_object_set(filter, "caps", rgbx, nullptr);
  gst_caps_unref(rgbx);
  // The source paces itself on the clock; the sink shows each picture at once
  // and keeps no backlog.
  g_object_set(sink, "sync", FALSE, "max-buffers", 1u, "drop", TRUE, "enable-last-sample", FALSE, nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = OnNewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);

  gst_bin_add_many(GST_BIN(graph_), decoder, convert, filter, sink, nullptr);
  g_signal_connect(decoder, "pad-added", G_CALLBACK(OnDecoderPad), convert);
  // Only for the log: which parser and decoder decodebin puts in.
  if (gst_debug_category_get_threshold(GST_CAT_DEFAULT) >= GST_LEVEL_DEBUG)
    g_signal_connect(decoder, "element-added", G_CALLBACK(+[](GstBin*, GstElement* element, gpointer) {
                       GstElementFactory* factory = gst_element_get_factory(element);
                       GST_DEBUG("decodebin chose %s", factory ? GST_OBJECT_NAME(factory) : GST_OBJECT_NAME(element));
                     }),
                     nullptr);
  const bool linked = gst_element_link(source_, decoder) && gst_element_link_many(convert, filter, sink, nullptr);
  if (!linked) GST_WARNING("the elements could not be linked");
  return linked;
}

void GstPreviewGraph::OnDecoderPad(GstElement*, GstPad* pad, gpointer convert) {
  GstPad* target = gst_element_get_static_pad(GST_ELEMENT(convert), "sink");
  if (!gst_pad_is_linked(target)) {
    const GstPadLinkReturn linked = gst_pad_link(pad, target);
    if (linked != GST_PAD_LINK_OK)
      GST_WARNING("decoded output not linked to the conversion: %s", gst_pad_link_get_name(linked));
    else
      GST_DEBUG("decoded output linked to the conversion");
  }
  gst_object_unref(target);
}

// Releases whatever a build or a run left: graph, bus, source and pin.
void GstPreviewGraph::Discard() {
  if (graph_) gst_element_set_state(graph_, GST_STATE_NULL);
  if (events_) {
    gst_bus_set_sync_handler(events_, nullptr, nullptr, nullptr);
    gst_object_unref(events_);
  }
  if (pin_) gst_object_unref(pin_);
  if (source_) gst_object_unref(source_);
  if (graph_) gst_object_unref(graph_);
  events_ = nullptr;
  pin_ = nullptr;
  source_ = nullptr;
  graph_ = nullptr;
}

void GstPreviewGraph::WireAndRun() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!graph_ || !previewWindow_) return;
  eventWindow_ = notifyWindow_;
  gst_bus_set_sync_handler(events_, OnBusMessage, this, nullptr);
  {
    std::lock_guard<std::mutex> sink(sinkMutex_);
    sinkWindow_ = previewWindow_;
  }
  VideoFrame* frame = previewWindow_;
  OnWidget(frame, [frame] {
    frame->SetVideoVisible(true);
    frame->show();
    frame->update();
  });
  gst_element_set_state(graph_, GST_STATE_PLAYING);
}

bool GstPreviewGraph::TearDown() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!previewWindow_) return false;
  if (CMpeg4Stream* stream = Mpeg4SourceStream(source_)) stream->SetStopEvent();
  if (graph_) gst_element_set_state(graph_, GST_STATE_NULL);
  eventWindow_ = nullptr;
  notifyWindow_ = nullptr;
  {
    std::lock_guard<std::mutex> sink(sinkMutex_);
    sinkWindow_ = nullptr;
  }
  VideoFrame* frame = previewWindow_;
  frame->SetVideoVisible(false);
  frame->ClearPicture();
  OnWidget(frame, [frame] {
    frame->hide();
    frame->update();
  });
  previewWindow_ = nullptr;
  Discard();
  return true;
}

void GstPreviewGraph::HideVideo() {
  std::lock_guard<std::mutex> lock(mutex_);
  VideoFrame* frame = previewWindow_;
  if (!frame) return;
  frame->SetVideoVisible(false);
  OnWidget(frame, [frame] {
    frame->hide();
    frame->update();
  });
}

void GstPreviewGraph::ShowVideo() {
  std::lock_guard<std::mutex> lock(mutex_);
  VideoFrame* frame = previewWindow_;
  if (!frame) return;
  const bool running = graph_ != nullptr;
  OnWidget(frame, [frame, running] {
    frame->show();
    frame->SetVideoVisible(running);
    frame->update();
  });
}

void GstPreviewGraph::Fit() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (VideoFrame* frame = previewWindow_; frame && graph_) OnWidget(frame, [frame] { frame->update(); });
}

int GstPreviewGraph::TakeEvents() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!events_) return 0;
  int taken = 0;
  while (GstMessage* message = gst_bus_pop(events_)) {
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      g_printerr("preview: %s\n", error ? error->message : "error");
      if (error) g_error_free(error);
    }
    gst_message_unref(message);
    ++taken;
  }
  return taken;
}

bool GstPreviewGraph::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return graph_ != nullptr;
}

void GstPreviewGraph::SetFrameCallback(FrameCallback callback) {
  std::lock_guard<std::mutex> sink(sinkMutex_);
  frameCallback_ = std::move(callback);
}

// On a GStreamer thread: the message stays on the bus, the window hears of it.
GstBusSyncReply GstPreviewGraph::OnBusMessage(GstBus*, GstMessage*, gpointer self) {
  if (StreamOwnerWindow* window = static_cast<GstPreviewGraph*>(self)->eventWindow_)
    window->PostStreamMessage(WM_PREVIEW_EVENT);
  return GST_BUS_PASS;
}

GstFlowReturn GstPreviewGraph::OnNewSample(GstAppSink* sink, gpointer self) {
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (!sample) return GST_FLOW_EOS;
  static_cast<GstPreviewGraph*>(self)->OnPicture(sample);
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

void GstPreviewGraph::OnPicture(GstSample* sample) {
  UseRgbxPicture(sample, [this](const uint8_t* pixels, int width, int height, int stride) {
    ++decodedFrames_;
    std::lock_guard<std::mutex> lock(sinkMutex_);
    if (sinkWindow_) sinkWindow_->SetPicture(pixels, width, height, stride);
    if (frameCallback_) frameCallback_(pixels, width, height, stride);
  });
}

// The next file of a unity build keeps GStreamer's own default category.
#undef GST_CAT_DEFAULT
