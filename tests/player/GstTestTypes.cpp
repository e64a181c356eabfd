#include "tests/player/GstTestTypes.h"

#include <gst/gst.h>

#include <atomic>

namespace {

struct FaultyDecoder {
  GstElement parent;
  GstPad* sink;
  GstPad* src;
  int width;
  int height;
  int frames;
};

struct FaultyDecoderClass {
  GstElementClass parent;
};

G_DEFINE_TYPE(FaultyDecoder, faulty_decoder, GST_TYPE_ELEMENT)

GstStaticPadTemplate sinkTemplate =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-wmv, wmvversion=(int)1"));
GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw, format=(string)RGBx"));

// The stream's caps become those of its pictures.
gboolean OnSinkEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
  auto* self = reinterpret_cast<FaultyDecoder*>(parent);
  if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return gst_pad_event_default(pad, parent, event);
  GstCaps* caps = nullptr;
  gst_event_parse_caps(event, &caps);
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  if (!gst_structure_get_int(s, "width", &self->width) || !gst_structure_get_int(s, "height", &self->height))
    self->width = self->height = 16;
  gst_event_unref(event);
  GstCaps* pictures = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBx", "width", G_TYPE_INT,
                                          self->width, "height", G_TYPE_INT, self->height, "framerate",
                                          GST_TYPE_FRACTION, 0, 1, nullptr);
  const gboolean pushed = gst_pad_push_event(self->src, gst_event_new_caps(pictures));
  gst_caps_unref(pictures);
  return pushed;
}

GstFlowReturn OnChain(GstPad*, GstObject* parent, GstBuffer* input) {
  auto* self = reinterpret_cast<FaultyDecoder*>(parent);
  if (self->frames >= playertest::kFaultyDecoderGoodFrames) {
    gst_buffer_unref(input);
    GST_ELEMENT_ERROR(self, STREAM, DECODE, ("The test decoder met a broken frame."), (nullptr));
    return GST_FLOW_ERROR;
  }
  ++self->frames;
  const gsize size = gsize(self->width) * gsize(self->height) * 4;
  GstBuffer* picture = gst_buffer_new_allocate(nullptr, size, nullptr);
  gst_buffer_memset(picture, 0, 128, size);
  GST_BUFFER_PTS(picture) = GST_BUFFER_PTS(input);
  GST_BUFFER_DURATION(picture) = GST_BUFFER_DURATION(input);
  gst_buffer_unref(input);
  return gst_pad_push(self->src, picture);
}

void faulty_decoder_class_init(FaultyDecoderClass* klass) {
  auto* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_add_static_pad_template(element, &sinkTemplate);
  gst_element_class_add_static_pad_template(element, &srcTemplate);
  gst_element_class_set_static_metadata(element, "Faulty test decoder", "Codec/Decoder/Video",
                                        "Fails after a few frames", "Orin Media tests");
}

void faulty_decoder_init(FaultyDecoder* self) {
  self->sink = gst_pad_new_from_static_template(&sinkTemplate, "sink");
  gst_pad_set_event_function(self->sink, OnSinkEvent);
  gst_pad_set_chain_function(self->sink, OnChain);
  self->src = gst_pad_new_from_static_template(&srcTemplate, "src");
  gst_pad_use_fixed_caps(self->src);
  gst_element_add_pad(GST_ELEMENT(self), self->sink);
  gst_element_add_pad(GST_ELEMENT(self), self->src);
  self->width = self->height = 16;
  self->frames = 0;
}

struct ElementCounter {
  GstTracer parent;
};

struct ElementCounterClass {
  GstTracerClass parent;
};

G_DEFINE_TYPE(ElementCounter, element_counter, GST_TYPE_TRACER)

std::atomic<int> liveElements{0};

void OnFinalized(gpointer, GObject*) { --liveElements; }

void OnElementNew(GObject*, GstClockTime, GstElement* element) {
  ++liveElements;
  g_object_weak_ref(G_OBJECT(element), OnFinalized, nullptr);
}

void element_counter_class_init(ElementCounterClass*) {}

void element_counter_init(ElementCounter* self) {
  gst_tracing_register_hook(GST_TRACER(self), "element-new", G_CALLBACK(OnElementNew));
}

}  // namespace

namespace playertest {

void CountElements() {
  static GObject* counter = static_cast<GObject*>(g_object_new(element_counter_get_type(), nullptr));
  (void)counter;
}

int LiveElements() { return liveElements; }

bool RegisterFaultyDecoder() {
  return gst_element_register(nullptr, "orinfaultywmv1dec", GST_RANK_PRIMARY + 100, faulty_decoder_get_type());
}

}  // namespace playertest
