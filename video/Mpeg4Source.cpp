#include "video/Mpeg4Source.h"

#include <gst/base/gstpushsrc.h>

#include <cstring>
#include <new>

// GST_DEBUG=orinmpeg4src:5 shows the source's decisions: the caps it offers
// and takes, the buffers it asks for, and what each sample carried. Made on
// first use; the logging macros only reach it when GStreamer's debug level
// allows, so with logging off it costs nothing.
static GstDebugCategory* SourceCategory() {
  static GstDebugCategory* const category = [] {
    GstDebugCategory* made = nullptr;
    GST_DEBUG_CATEGORY_INIT(made, "orinmpeg4src", 0, "the program's MPEG-4 live source");
    return made;
  }();
  return category;
}
#define GST_CAT_DEFAULT SourceCategory()

namespace {

// Visual object start code, then the video object layer: object type 0,
// square pixels, rectangular, time increment resolution 15, no fixed rate,
// the frame size, progressive, no OBMC, no sprite, 8-bit, H.263
// quantisation, no complexity estimation, resync markers and partitioning off.
constexpr std::array<uint8_t, 18> kConfig320 = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                                0x04, 0x40, 0x03, 0xE8, 0x50, 0x20, 0xF0, 0xA3, 0x1F};
constexpr std::array<uint8_t, 18> kConfig352 = {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00,
                                                0x04, 0x40, 0x03, 0xE8, 0x58, 0x21, 0x20, 0xA3, 0x1F};

// Pause between untimed empty samples (nothing to show yet, or stopped).
constexpr GstClockTime kIdlePause = 10 * GST_MSECOND;
// Stream time counts 100 ns; GStreamer counts nanoseconds.
constexpr GstClockTime ToNs(int64_t streamTime) { return GstClockTime(streamTime) * 100; }

}  // namespace

FrameSize CurrentFrameSize() { return VideoFormatFlag() ? FrameSize{320, 240} : FrameSize{352, 288}; }

size_t SampleBufferBytes(FrameSize size) { return size_t(size.width) * size_t(size.height) * 3; }

const std::array<uint8_t, 18>& Mpeg4ConfigBytes(FrameSize size) {
  return size == FrameSize{320, 240} ? kConfig320 : kConfig352;
}

GstCaps* Mpeg4Caps(FrameSize size) {
  const auto& config = Mpeg4ConfigBytes(size);
  GstBuffer* codecData = gst_buffer_new_memdup(config.data(), config.size());
  GstCaps* caps = gst_caps_new_simple("video/mpeg", "mpegversion", G_TYPE_INT, 4, "systemstream",
                                      G_TYPE_BOOLEAN, FALSE, "width", G_TYPE_INT, size.width, "height",
                                      G_TYPE_INT, size.height, "codec_data", GST_TYPE_BUFFER, codecData,
                                      nullptr);
  gst_buffer_unref(codecData);
  return caps;
}

// ---------------------------------------------------------------------------
// The pin's logic.

CMpeg4Stream::CMpeg4Stream(FrameQueue& queue) : queue_(queue), size_(CurrentFrameSize()) {}

void CMpeg4Stream::OnThreadCreate() {
  std::lock_guard<std::mutex> pin(pinLock_);
  streamTime_ = 0;
  readIndex_ = 0;
  size_ = CurrentFrameSize();
  firstSample_ = true;
  idle_ = Idle::None;
  queue_.ClearTable();
  ++threadStarts_;
  GST_DEBUG("streaming thread started: %dx%d, stream time and read index 0, waiting for the first frame",
            size_.width, size_.height);
}

void CMpeg4Stream::LogIdle(Idle why) {
  const char* what = why == Idle::Stopped ? "stop event seen: empty sample, queue table cleared"
                                          : "no frame yet: empty untimed sample, queue table cleared";
  if (idle_ != why) {
    idle_ = why;
    idleSamples_ = 0;
    GST_DEBUG("%s", what);
  } else {
    GST_LOG("%s (%d in a row)", what, idleSamples_ + 1);
  }
  ++idleSamples_;
}

// Never blocks: both events are tested with a zero wait.
CMpeg4Stream::TakeResult CMpeg4Stream::TakeFrame(uint8_t* target, size_t capacity, size_t& outLength) {
  if (stopEvent_) return TakeResult::Stopped;
  if (queue_.FrameReady().TryWait()) {
    outLength = queue_.Take(readIndex_, target, capacity);
    firstSample_ = false;
    readIndex_ = (readIndex_ + 1) % FrameQueue::kSlots;
    return TakeResult::Taken;
  }
  outLength = 0;
  // Before the first frame-ready signal of this run the table is not read.
  if (firstSample_) return TakeResult::Taken;
  // A frame may wait without its signal (two frames queued between two samples).
  outLength = queue_.Take(readIndex_, target, capacity);
  if (outLength != 0) readIndex_ = (readIndex_ + 1) % FrameQueue::kSlots;
  return TakeResult::Taken;
}

void CMpeg4Stream::FillBuffer(MediaSample& sample) {
  std::lock_guard<std::mutex> pin(pinLock_);
  size_t outLength = 0;
  const int slot = readIndex_;
  if (TakeFrame(sample.data, sample.size, outLength) == TakeResult::Stopped) {
    sample.actualLength = 0;
    firstSample_ = true;
    queue_.ClearTable();
    LogIdle(Idle::Stopped);
    return;
  }
  const int64_t start = streamTime_;
  if (firstSample_) {  // nothing has arrived since the stream started
    queue_.ClearTable();
    if (sample.data) std::memset(sample.data, 0, sample.size);
    sample.actualLength = 0;
    LogIdle(Idle::Waiting);
    return;
  }
  if (idle_ == Idle::Waiting) GST_DEBUG("first frame after %d empty untimed samples", idleSamples_);
  idle_ = Idle::None;
  if (outLength != 0)
    GST_DEBUG("frame of %zu bytes from slot %d: sample %" GST_TIME_FORMAT " to %" GST_TIME_FORMAT, outLength, slot,
              GST_TIME_ARGS(ToNs(start)), GST_TIME_ARGS(ToNs(start + kSampleDuration)));
  else
    GST_DEBUG("no new frame: empty sample %" GST_TIME_FORMAT " to %" GST_TIME_FORMAT " goes out as a gap",
              GST_TIME_ARGS(ToNs(start)), GST_TIME_ARGS(ToNs(start + kSampleDuration)));
  streamTime_ += kSampleDuration;
  sample.timed = true;
  sample.start = start;
  sample.end = streamTime_;
  sample.syncPoint = true;
  // A sample without a new frame still spans its 50 ms, but carries nothing.
  sample.actualLength = outLength;
  sample.discontinuity = outLength != 0;
}

FrameSize CMpeg4Stream::Size() const {
  std::lock_guard<std::mutex> pin(pinLock_);
  return size_;
}

int64_t CMpeg4Stream::StreamTime() const {
  std::lock_guard<std::mutex> pin(pinLock_);
  return streamTime_;
}

int CMpeg4Stream::ThreadStarts() const {
  std::lock_guard<std::mutex> pin(pinLock_);
  return threadStarts_;
}

bool CMpeg4Stream::WaitingForFirstFrame() const {
  std::lock_guard<std::mutex> pin(pinLock_);
  return firstSample_;
}

// ---------------------------------------------------------------------------
// The GStreamer element.

G_BEGIN_DECLS

struct CMpeg4Source {
  GstPushSrc parent;
  CMpeg4Stream* stream;
  gboolean threadStarted;  // OnThreadCreate has run for this start
  gboolean segmentSent;    // the first timed sample has fixed the segment
  gboolean bufferPushed;   // gaps go out only after stream-start, caps and segment
  GstClockTime segmentBase;
  GstClockID wait;         // the pacing wait, under the object lock
  gboolean unlocked;
};

struct CMpeg4SourceClass {
  GstPushSrcClass parent_class;
};

GType cmpeg4_source_get_type();

G_END_DECLS

G_DEFINE_TYPE(CMpeg4Source, cmpeg4_source, GST_TYPE_PUSH_SRC)

namespace {

GstStaticPadTemplate kSrcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/mpeg, mpegversion = (int) 4, systemstream = (boolean) false"));

CMpeg4Source* Self(gpointer object) { return reinterpret_cast<CMpeg4Source*>(object); }

GstClockTime RunningTime(GstElement* element, GstClock* clock) {
  const GstClockTime now = gst_clock_get_time(clock);
  const GstClockTime base = gst_element_get_base_time(element);
  return now > base ? now - base : 0;
}

// Waits on the pipeline clock until running time `target` (or `kIdlePause`
// from now when `idle`). False when the element was unlocked meanwhile.
bool Pace(CMpeg4Source* self, bool idle) {
  GstElement* element = GST_ELEMENT(self);
  GstClock* clock = gst_element_get_clock(element);
  if (!clock) {  // not yet playing: nothing to pace against
    g_usleep(kIdlePause / GST_USECOND);
    return true;
  }
  const GstClockTime target =
      idle ? gst_clock_get_time(clock) + kIdlePause
           : gst_element_get_base_time(element) + self->segmentBase + ToNs(self->stream->StreamTime());
  GST_OBJECT_LOCK(self);
  if (self->unlocked) {
    GST_OBJECT_UNLOCK(self);
    gst_object_unref(clock);
    return false;
  }
  self->wait = gst_clock_new_single_shot_id(clock, target);
  GstClockID id = self->wait;
  GST_OBJECT_UNLOCK(self);

  const GstClockReturn result = gst_clock_id_wait(id, nullptr);

  GST_OBJECT_LOCK(self);
  self->wait = nullptr;
  GST_OBJECT_UNLOCK(self);
  gst_clock_id_unref(id);
  gst_object_unref(clock);
  return result != GST_CLOCK_UNSCHEDULED;
}

// The first timed sample starts at stream time 0 at the present running time.
void SendSegment(CMpeg4Source* self) {
  GstClock* clock = gst_element_get_clock(GST_ELEMENT(self));
  self->segmentBase = clock ? RunningTime(GST_ELEMENT(self), clock) : 0;
  if (clock) gst_object_unref(clock);
  GstSegment segment;
  gst_segment_init(&segment, GST_FORMAT_TIME);
  segment.base = self->segmentBase;
  gst_base_src_new_segment(GST_BASE_SRC(self), &segment);
  self->segmentSent = TRUE;
  GST_DEBUG_OBJECT(self, "first frame: stream time 0 is running time %" GST_TIME_FORMAT,
                   GST_TIME_ARGS(self->segmentBase));
}

GstFlowReturn Create(GstPushSrc* src, GstBuffer** out) {
  CMpeg4Source* self = Self(src);
  GstBaseSrc* base = GST_BASE_SRC(src);
  if (!self->threadStarted) {
    self->stream->OnThreadCreate();
    self->threadStarted = TRUE;
  }
  for (;;) {
    const bool idle = self->stream->Stopped() || self->stream->WaitingForFirstFrame();
    if (!Pace(self, idle)) return GST_FLOW_FLUSHING;

    GstBuffer* buffer = nullptr;
    const GstFlowReturn flow = GST_BASE_SRC_GET_CLASS(base)->alloc(
        base, GST_BUFFER_OFFSET_NONE, guint(SampleBufferBytes(self->stream->Size())), &buffer);
    if (flow != GST_FLOW_OK) return flow;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
      gst_buffer_unref(buffer);
      return GST_FLOW_ERROR;
    }
    MediaSample sample;
    sample.data = map.data;
    sample.size = map.size;
    self->stream->FillBuffer(sample);
    gst_buffer_unmap(buffer, &map);

    if (!sample.timed) {  // nothing to show: not sent
      gst_buffer_unref(buffer);
      continue;
    }
    if (!self->segmentSent) SendSegment(self);
    const GstClockTime pts = ToNs(sample.start);
    const GstClockTime duration = ToNs(sample.end - sample.start);
    if (sample.actualLength == 0) {
      gst_buffer_unref(buffer);
      if (self->bufferPushed)
        gst_pad_push_event(GST_BASE_SRC_PAD(base), gst_event_new_gap(pts, duration));
      else
        GST_LOG_OBJECT(self, "gap at %" GST_TIME_FORMAT " held back: no buffer has gone out yet", GST_TIME_ARGS(pts));
      continue;
    }
    gst_buffer_set_size(buffer, gssize(sample.actualLength));
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DTS(buffer) = pts;
    GST_BUFFER_DURATION(buffer) = duration;
    if (sample.discontinuity) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    if (!sample.syncPoint) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    self->bufferPushed = TRUE;
    GST_LOG_OBJECT(self, "pushing %" GST_PTR_FORMAT, buffer);
    *out = buffer;
    return GST_FLOW_OK;
  }
}

gboolean Start(GstBaseSrc* src) {
  CMpeg4Source* self = Self(src);
  self->threadStarted = FALSE;
  self->segmentSent = FALSE;
  self->bufferPushed = FALSE;
  self->segmentBase = 0;
  gst_base_src_set_blocksize(src, guint(SampleBufferBytes(self->stream->Size())));
  GST_DEBUG_OBJECT(self, "started: block size %u", gst_base_src_get_blocksize(src));
  return TRUE;
}

gboolean Unlock(GstBaseSrc* src) {
  CMpeg4Source* self = Self(src);
  GST_OBJECT_LOCK(self);
  self->unlocked = TRUE;
  if (self->wait) gst_clock_id_unschedule(self->wait);
  GST_OBJECT_UNLOCK(self);
  GST_DEBUG_OBJECT(self, "unlocked: the pacing wait is cancelled");
  return TRUE;
}

gboolean UnlockStop(GstBaseSrc* src) {
  CMpeg4Source* self = Self(src);
  GST_OBJECT_LOCK(self);
  self->unlocked = FALSE;
  GST_OBJECT_UNLOCK(self);
  return TRUE;
}

GstCaps* GetCaps(GstBaseSrc* src, GstCaps* filter) {
  GstCaps* caps = Mpeg4Caps(Self(src)->stream->Size());
  GST_DEBUG_OBJECT(src, "offering %" GST_PTR_FORMAT, caps);
  if (!filter) return caps;
  GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
  gst_caps_unref(caps);
  if (gst_caps_is_empty(both)) GST_DEBUG_OBJECT(src, "nothing of it fits the filter %" GST_PTR_FORMAT, filter);
  return both;
}

// Caps are taken only with the configuration bytes: without them no decoder
// can start on the camera's frames, which carry no stream headers.
gboolean SetCaps(GstBaseSrc* src, GstCaps* caps) {
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  const GValue* value = s ? gst_structure_get_value(s, "codec_data") : nullptr;
  if (!value || !GST_VALUE_HOLDS_BUFFER(value) || gst_buffer_get_size(gst_value_get_buffer(value)) == 0) {
    GST_WARNING_OBJECT(src, "refusing caps without configuration bytes: %" GST_PTR_FORMAT, caps);
    return FALSE;
  }
  GST_DEBUG_OBJECT(src, "caps set: %" GST_PTR_FORMAT, caps);
  return TRUE;
}

// Four buffers of one 24-bit picture each, alignment 1, no prefix. A pool
// that grants less than that fails the negotiation.
gboolean DecideAllocation(GstBaseSrc* src, GstQuery* query) {
  const guint size = guint(SampleBufferBytes(Self(src)->stream->Size()));
  GstCaps* caps = nullptr;
  gst_query_parse_allocation(query, &caps, nullptr);

  GstBufferPool* pool = nullptr;
  if (gst_query_get_n_allocation_pools(query) > 0)
    gst_query_parse_nth_allocation_pool(query, 0, &pool, nullptr, nullptr, nullptr);
  if (!pool) pool = gst_buffer_pool_new();

  GstAllocationParams params;
  gst_allocation_params_init(&params);  // align mask 0 (byte alignment), prefix 0
  GstStructure* config = gst_buffer_pool_get_config(pool);
  gst_buffer_pool_config_set_params(config, caps, size, kSampleBuffers, kSampleBuffers);
  gst_buffer_pool_config_set_allocator(config, nullptr, &params);
  if (!gst_buffer_pool_set_config(pool, config)) {
    // A pool may answer with what it can do; take it only if it is enough.
    config = gst_buffer_pool_get_config(pool);
    if (!gst_buffer_pool_set_config(pool, config)) {
      GST_WARNING_OBJECT(src, "the buffer pool takes no configuration");
      gst_object_unref(pool);
      return FALSE;
    }
  }
  config = gst_buffer_pool_get_config(pool);
  guint granted = 0;
  gst_buffer_pool_config_get_params(config, nullptr, &granted, nullptr, nullptr);
  gst_structure_free(config);
  if (granted < size) {
    GST_WARNING_OBJECT(src, "the buffer pool grants %u bytes a buffer, %u are needed", granted, size);
    gst_object_unref(pool);
    return FALSE;
  }
  GST_DEBUG_OBJECT(src, "%d buffers of %u bytes (%u granted) from %" GST_PTR_FORMAT, kSampleBuffers, size, granted,
                   pool);
  if (gst_query_get_n_allocation_pools(query) > 0)
    gst_query_set_nth_allocation_pool(query, 0, pool, size, kSampleBuffers, kSampleBuffers);
  else
    gst_query_add_allocation_pool(query, pool, size, kSampleBuffers, kSampleBuffers);
  gst_object_unref(pool);
  return TRUE;
}

void Finalize(GObject* object) {
  delete Self(object)->stream;
  G_OBJECT_CLASS(cmpeg4_source_parent_class)->finalize(object);
}

}  // namespace

static void cmpeg4_source_class_init(CMpeg4SourceClass* klass) {
  GObjectClass* objectClass = G_OBJECT_CLASS(klass);
  GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
  GstBaseSrcClass* baseClass = GST_BASE_SRC_CLASS(klass);
  objectClass->finalize = Finalize;
  gst_element_class_add_static_pad_template(elementClass, &kSrcTemplate);
  gst_element_class_set_static_metadata(elementClass, "Orin MPEG-4 live source", "Source/Video",
                                        "The camera's live MPEG-4 frames from the frame queue",
                                        "Orin Media 5.1");
  baseClass->start = Start;
  baseClass->unlock = Unlock;
  baseClass->unlock_stop = UnlockStop;
  baseClass->get_caps = GetCaps;
  baseClass->set_caps = SetCaps;
  baseClass->decide_allocation = DecideAllocation;
  GST_PUSH_SRC_CLASS(klass)->create = Create;
}

static void cmpeg4_source_init(CMpeg4Source* self) {
  self->stream = new (std::nothrow) CMpeg4Stream();
  self->wait = nullptr;
  self->unlocked = FALSE;
  GstBaseSrc* base = GST_BASE_SRC(self);
  gst_base_src_set_live(base, TRUE);
  gst_base_src_set_format(base, GST_FORMAT_TIME);
}

bool RegisterMpeg4Source() {
  static const bool registered = [] {
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    return gst_element_register(nullptr, "orinmpeg4src", GST_RANK_NONE, cmpeg4_source_get_type()) != FALSE;
  }();
  return registered;
}

CMpeg4Stream* Mpeg4SourceStream(GstElement* source) {
  if (!source || !G_TYPE_CHECK_INSTANCE_TYPE(source, cmpeg4_source_get_type())) return nullptr;
  return Self(source)->stream;
}

// The next file of a unity build keeps GStreamer's own default category.
#undef GST_CAT_DEFAULT
