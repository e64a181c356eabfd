#include "video/MoviePlayer.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <chrono>
#include <condition_variable>
#include <deque>

#include "resources/StringIds.h"
#include "video/RgbxPicture.h"
#include "video/VideoFrame.h"

namespace {

constexpr const char* kWindowsMediaSpellings[] = {".asf", ".ASF", ".mp4s", ".MP4S",
                                                  ".wma", ".WMA", ".wmv", ".WMV"};

// A local movie is ready to play in a fraction of a second; one that is not
// ready after this is given up.
constexpr auto kReadyLimit = std::chrono::seconds(10);

bool IsEnding(GstMessage* message) {
  return GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS || GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
}

void ReportError(GstMessage* message) {
  if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) return;
  GError* error = nullptr;
  gst_message_parse_error(message, &error, nullptr);
  g_printerr("player: %s\n", error ? error->message : "error");
  if (error) g_error_free(error);
}

// Drops elements that never reached a bin.
void DiscardUnused(std::initializer_list<GstElement*> elements) {
  for (GstElement* e : elements)
    if (e) gst_object_unref(gst_object_ref_sink(e));
}

std::string FactoryName(GstElement* element) {
  GstElementFactory* factory = gst_element_get_factory(element);
  return factory ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)) : "";
}

// The factories of the elements inside `bin`, top level only.
std::vector<std::string> Factories(GstElement* bin) {
  std::vector<std::string> names;
  GstIterator* it = gst_bin_iterate_elements(GST_BIN(bin));
  GValue item = G_VALUE_INIT;
  for (bool more = true; more;) {
    switch (gst_iterator_next(it, &item)) {
      case GST_ITERATOR_OK:
        names.push_back(FactoryName(GST_ELEMENT(g_value_get_object(&item))));
        g_value_reset(&item);
        break;
      case GST_ITERATOR_RESYNC:
        names.clear();
        gst_iterator_resync(it);
        break;
      default: more = false; break;
    }
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return names;
}

// A sink that drops the sound at its pace, so that the pictures still play
// at theirs.
GstElement* MakeFakeAudioSink() {
  GstElement* sink = gst_element_factory_make("fakesink", nullptr);
  if (sink) g_object_set(sink, "sync", TRUE, nullptr);
  return sink;
}

// The desktop's audio output, or a fake one where none works. Trying every
// output in turn (autoaudiosink) takes milliseconds, so it is done once per
// run of the program; afterwards the output found is made directly, and
// looked for again only when it no longer opens.
GstElement* MakeAudioSink() {
  static std::mutex mutex;
  static std::string found;  // the working output's factory; empty until looked for
  std::lock_guard<std::mutex> lock(mutex);
  if (found == "fakesink") return MakeFakeAudioSink();
  if (!found.empty())
    if (GstElement* sink = gst_element_factory_make(found.c_str(), nullptr)) {
      if (gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) return sink;
      gst_element_set_state(sink, GST_STATE_NULL);
      DiscardUnused({sink});
    }
  found = "fakesink";
  if (GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr)) {
    if (gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
      // The one element inside is the output it chose.
      if (const auto chosen = Factories(sink); chosen.size() == 1 && !chosen[0].empty()) found = chosen[0];
      return sink;
    }
    gst_element_set_state(sink, GST_STATE_NULL);
    DiscardUnused({sink});
  }
  return MakeFakeAudioSink();
}

}  // namespace

bool IsWindowsMediaPath(const std::string& path) {
  for (const char* spelling : kWindowsMediaSpellings)
    if (path.find(spelling) != std::string::npos) return true;
  return false;
}

// The pipeline, its events and what its streaming threads reach. It lives
// from Play to StopPlayer; the threads are gone once it is set to NULL.
struct MoviePlayer::Graph {
  explicit Graph(Drawing& drawing) : drawing(drawing) {}

  GstElement* pipeline = nullptr;
  GstBus* bus = nullptr;
  // The ASF reader's streams' queue: a multiqueue lets a stream that runs
  // ahead in the file wait while another one still needs data.
  GstElement* streams = nullptr;
  Drawing& drawing;

  // The renderers, added from the decoders' threads.
  std::mutex branchMutex;
  bool videoDrawn = false;  // the first video stream is drawn into the frame
  int rendered = 0;         // streams given a renderer
  bool broken = false;      // a stream could not be given one
  RgbxConverter converter;  // the video frame's sink's pictures into RGBX

  // Every bus message in order, until taken: the graph's events. Kept here,
  // not on the bus, so that WM_ASFCOMPLETE is posted only once its message
  // can be taken.
  std::mutex eventMutex;
  std::condition_variable eventArrived;
  std::deque<GstMessage*> events;
  StreamOwnerWindow* notifyWindow = nullptr;  // set once the graph runs

  void Arm(StreamOwnerWindow* window);
  GstMessage* WaitEvent(std::chrono::steady_clock::time_point deadline);
  GstMessage* TakeEvent();
  void DropEvents();

  void AddDecoder(GstPad* pad);
  void AddRenderer(GstPad* pad);
  GstElement* VideoRenderer();
  void Draw(GstSample* sample);

  static GstBusSyncReply OnBusMessage(GstBus*, GstMessage* message, gpointer self);
  static void OnReaderPad(GstElement*, GstPad* pad, gpointer self);
  static void OnDecodedPad(GstElement*, GstPad* pad, gpointer self);
  static GstFlowReturn OnPreroll(GstAppSink* sink, gpointer self);
  static GstFlowReturn OnSample(GstAppSink* sink, gpointer self);
};

// On whichever thread posts: the message is kept, and its end announced.
// Dropping it from the bus hands it over to us.
GstBusSyncReply MoviePlayer::Graph::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
  auto* graph = static_cast<Graph*>(self);
  {
    std::lock_guard<std::mutex> lock(graph->eventMutex);
    graph->events.push_back(message);
    if (graph->notifyWindow && IsEnding(message)) graph->notifyWindow->PostStreamMessage(WM_ASFCOMPLETE);
  }
  graph->eventArrived.notify_all();
  return GST_BUS_DROP;
}

// From now on an end is announced, one that came already included.
void MoviePlayer::Graph::Arm(StreamOwnerWindow* window) {
  std::lock_guard<std::mutex> lock(eventMutex);
  notifyWindow = window;
  if (!window) return;
  for (GstMessage* message : events)
    if (IsEnding(message)) {
      window->PostStreamMessage(WM_ASFCOMPLETE);
      return;
    }
}

GstMessage* MoviePlayer::Graph::WaitEvent(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(eventMutex);
  if (!eventArrived.wait_until(lock, deadline, [this] { return !events.empty(); })) return nullptr;
  GstMessage* message = events.front();
  events.pop_front();
  return message;
}

GstMessage* MoviePlayer::Graph::TakeEvent() {
  std::lock_guard<std::mutex> lock(eventMutex);
  if (events.empty()) return nullptr;
  GstMessage* message = events.front();
  events.pop_front();
  return message;
}

void MoviePlayer::Graph::DropEvents() {
  std::lock_guard<std::mutex> lock(eventMutex);
  for (GstMessage* message : events) gst_message_unref(message);
  events.clear();
}

// The ASF reader found a stream: it passes through the streams' queue (a
// thread of its own for each, as each of the reader's outputs has) to a
// decoder picked for it.
void MoviePlayer::Graph::OnReaderPad(GstElement*, GstPad* pad, gpointer self) {
  static_cast<Graph*>(self)->AddDecoder(pad);
}

void MoviePlayer::Graph::AddDecoder(GstPad* pad) {
  GstPad* queueIn = gst_element_request_pad_simple(streams, "sink_%u");
  GstPad* queueOut = nullptr;
  if (queueIn) {  // each input of the queue has the output of the same number
    std::string name = GST_PAD_NAME(queueIn);
    queueOut = gst_element_get_static_pad(streams, name.replace(0, 4, "src").c_str());
  }
  GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
  bool linked = queueIn && queueOut && decoder;
  if (linked) {
    g_signal_connect(decoder, "pad-added", G_CALLBACK(OnDecodedPad), this);
    gst_bin_add(GST_BIN(pipeline), decoder);
    GstPad* input = gst_element_get_static_pad(decoder, "sink");
    linked = GST_PAD_LINK_SUCCESSFUL(gst_pad_link(queueOut, input)) && gst_element_sync_state_with_parent(decoder) &&
             GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, queueIn));
    gst_object_unref(input);
  } else {
    DiscardUnused({decoder});
  }
  if (queueIn) gst_object_unref(queueIn);
  if (queueOut) gst_object_unref(queueOut);
  if (!linked) {  // the stream stays unlinked: the reader stops with an error
    std::lock_guard<std::mutex> lock(branchMutex);
    broken = true;
  }
}

void MoviePlayer::Graph::OnDecodedPad(GstElement*, GstPad* pad, gpointer self) {
  static_cast<Graph*>(self)->AddRenderer(pad);
}

// The video frame's sink takes any raw picture in memory; Draw converts it.
GstElement* MoviePlayer::Graph::VideoRenderer() {
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  if (!sink) return nullptr;
  GstCaps* raw = gst_caps_new_empty_simple("video/x-raw");
  // Each picture is drawn at its time in the movie, the first one as soon as
  // the movie is ready to play.
  g_object_set(sink, "caps", raw, "sync", TRUE, "enable-last-sample", FALSE, nullptr);
  gst_caps_unref(raw);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_preroll = OnPreroll;
  callbacks.new_sample = OnSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
  return sink;
}

// A decoded stream gets its renderer: the first video stream the video
// frame, sound the audio output, anything else a sink that drops it.
void MoviePlayer::Graph::AddRenderer(GstPad* pad) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (!caps) caps = gst_pad_query_caps(pad, nullptr);
  const std::string media =
      caps && !gst_caps_is_empty(caps) ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
  if (caps) gst_caps_unref(caps);
  const bool audio = media.starts_with("audio/");
  bool drawn = false;
  if (media.starts_with("video/")) {
    std::lock_guard<std::mutex> lock(branchMutex);
    drawn = !videoDrawn;
    videoDrawn = true;
  }

  std::vector<GstElement*> chain;
  if (drawn) {
    if (GstElement* sink = VideoRenderer()) chain = {sink};
  } else if (audio) {
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* sink = MakeAudioSink();
    if (convert && resample && sink)
      chain = {convert, resample, sink};
    else
      DiscardUnused({convert, resample, sink});
  } else if (GstElement* sink = gst_element_factory_make("fakesink", nullptr)) {
    chain = {sink};
  }

  bool linked = !chain.empty();
  for (GstElement* e : chain) gst_bin_add(GST_BIN(pipeline), e);
  for (size_t i = 1; linked && i < chain.size(); ++i) linked = gst_element_link(chain[i - 1], chain[i]);
  for (auto e = chain.rbegin(); linked && e != chain.rend(); ++e) linked = gst_element_sync_state_with_parent(*e);
  if (linked) {
    GstPad* input = gst_element_get_static_pad(chain.front(), "sink");
    linked = GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, input));
    gst_object_unref(input);
  }
  std::lock_guard<std::mutex> lock(branchMutex);
  if (!linked)
    broken = true;
  else if (drawn || audio)
    ++rendered;
}

GstFlowReturn MoviePlayer::Graph::OnPreroll(GstAppSink* sink, gpointer self) {
  GstSample* sample = gst_app_sink_pull_preroll(sink);
  if (!sample) return GST_FLOW_EOS;
  static_cast<Graph*>(self)->Draw(sample);
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

GstFlowReturn MoviePlayer::Graph::OnSample(GstAppSink* sink, gpointer self) {
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (!sample) return GST_FLOW_EOS;
  static_cast<Graph*>(self)->Draw(sample);
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

void MoviePlayer::Graph::Draw(GstSample* sample) {
  converter.Use(sample, [this](const uint8_t* pixels, int width, int height, int stride) {
    ++drawing.frames;
    std::lock_guard<std::mutex> lock(drawing.mutex);
    if (drawing.window) drawing.window->SetPicture(pixels, width, height, stride);
    if (drawing.callback) drawing.callback(pixels, width, height, stride);
  });
}

MoviePlayer::MoviePlayer(CameraUi& ui) : ui_(ui) {
  if (!gst_is_initialized()) gst_init(nullptr, nullptr);
}

MoviePlayer::~MoviePlayer() { StopPlayer(); }

bool MoviePlayer::Play(const std::string& path, VideoFrame* videoOwner, StreamOwnerWindow* notifyWindow) {
  if (graph_) StopPlayer();
  videoOwner_ = videoOwner;
  notifyWindow_ = notifyWindow;
  if (videoOwner_) {
    // The video fills the frame, which is shown and takes the focus; the
    // first picture appears there as soon as the movie is ready.
    videoOwner_->SetVideoVisible(true);
    videoOwner_->show();
    videoOwner_->setFocus();
  }
  {
    std::lock_guard<std::mutex> lock(drawing_.mutex);
    drawing_.window = videoOwner_;
  }
  if (!Build(path) || !Preroll() || !Run()) {
    StopPlayer();
    ui_.ShowMessage(ids::NOT_SUPPORTED_FORMAT, MsgIcon::Error);
    return false;
  }
  playing_ = 2;
  started_ = true;
  return true;
}

// filesrc ! asfdemux, each stream: multiqueue ! decodebin ! renderer
// (Windows Media files); filesrc ! decodebin, each stream: renderer (all
// others).
bool MoviePlayer::Build(const std::string& path) {
  graph_ = std::make_unique<Graph>(drawing_);
  Graph& g = *graph_;
  g.pipeline = gst_pipeline_new("player");
  if (!g.pipeline) return false;
  g.bus = gst_pipeline_get_bus(GST_PIPELINE(g.pipeline));
  gst_bus_set_sync_handler(g.bus, Graph::OnBusMessage, &g, nullptr);

  const bool windowsMedia = IsWindowsMediaPath(path);
  GstElement* source = gst_element_factory_make("filesrc", nullptr);
  GstElement* reader = windowsMedia ? gst_element_factory_make("asfdemux", "ASF Reader")
                                    : gst_element_factory_make("decodebin", nullptr);
  if (!source || !reader) {
    DiscardUnused({source, reader});
    return false;
  }
  g_object_set(source, "location", path.c_str(), nullptr);
  gst_bin_add_many(GST_BIN(g.pipeline), source, reader, nullptr);
  if (windowsMedia) {
    g.streams = gst_element_factory_make("multiqueue", nullptr);
    if (!g.streams || !gst_bin_add(GST_BIN(g.pipeline), g.streams)) return false;
  }
  g_signal_connect(reader, "pad-added",
                   windowsMedia ? G_CALLBACK(Graph::OnReaderPad) : G_CALLBACK(Graph::OnDecodedPad), &g);
  return gst_element_link(source, reader);
}

// The graph gets ready to play: the file is opened, its streams found and
// decoded, and every renderer holds its first buffer.
bool MoviePlayer::Preroll() {
  Graph& g = *graph_;
  if (gst_element_set_state(g.pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) return false;
  const auto deadline = std::chrono::steady_clock::now() + kReadyLimit;
  for (;;) {
    GstMessage* message = g.WaitEvent(deadline);
    if (!message) return false;
    const bool failed = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
    const bool ready = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE &&
                       GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(g.pipeline);
    ReportError(message);
    gst_message_unref(message);
    if (failed) return false;
    if (ready) break;
  }
  std::lock_guard<std::mutex> lock(g.branchMutex);
  return !g.broken && g.rendered > 0;
}

bool MoviePlayer::Run() {
  graph_->Arm(notifyWindow_);
  return gst_element_set_state(graph_->pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

void MoviePlayer::Release() {
  if (!graph_) return;
  Graph& g = *graph_;
  g.Arm(nullptr);
  if (g.pipeline) gst_element_set_state(g.pipeline, GST_STATE_NULL);
  if (g.bus) {
    gst_bus_set_sync_handler(g.bus, nullptr, nullptr, nullptr);
    gst_object_unref(g.bus);
  }
  g.DropEvents();
  if (g.pipeline) gst_object_unref(g.pipeline);
  graph_.reset();
}

void MoviePlayer::StopPlayer() {
  Release();
  {
    std::lock_guard<std::mutex> lock(drawing_.mutex);
    drawing_.window = nullptr;
  }
  if (videoOwner_) {
    videoOwner_->SetVideoVisible(false);
    videoOwner_->ClearPicture();
  }
  playing_ = 0;
  started_ = false;
  videoOwner_ = nullptr;
  notifyWindow_ = nullptr;
}

void MoviePlayer::FitPlayer() {
  // The frame draws the picture over its whole area: a repaint fits it.
  if (graph_ && videoOwner_) videoOwner_->update();
}

void MoviePlayer::TakePlayerEvents(long& lastCode) {
  lastCode = EC_OTHER;
  if (!graph_) return;
  while (GstMessage* message = graph_->TakeEvent()) {
    switch (GST_MESSAGE_TYPE(message)) {
      case GST_MESSAGE_EOS: lastCode = EC_COMPLETE; break;
      case GST_MESSAGE_ERROR: lastCode = EC_USERABORT; break;
      default: lastCode = EC_OTHER; break;
    }
    ReportError(message);
    gst_message_unref(message);
    if (lastCode == EC_COMPLETE || lastCode == EC_USERABORT) {
      gst_element_set_state(graph_->pipeline, GST_STATE_NULL);
      return;
    }
  }
}

void MoviePlayer::SetFrameCallback(FrameCallback callback) {
  std::lock_guard<std::mutex> lock(drawing_.mutex);
  drawing_.callback = std::move(callback);
}

std::vector<std::string> MoviePlayer::GraphElements() const {
  if (!graph_ || !graph_->pipeline) return {};
  return Factories(graph_->pipeline);
}
