#include "video/RgbxPicture.h"

GstCaps* NewRgbxCaps() { return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBx", nullptr); }

namespace {

void UseFrame(GstVideoFrame& frame, const RgbxPictureUse& use) {
  use(static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)), GST_VIDEO_FRAME_WIDTH(&frame),
      GST_VIDEO_FRAME_HEIGHT(&frame), GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
}

bool SampleInfo(GstSample* sample, GstVideoInfo& info) {
  GstCaps* caps = gst_sample_get_caps(sample);
  return caps && gst_sample_get_buffer(sample) && gst_video_info_from_caps(&info, caps);
}

}  // namespace

bool UseRgbxPicture(GstSample* sample, const RgbxPictureUse& use) {
  GstVideoInfo info;
  if (!SampleInfo(sample, info)) return false;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return false;
  UseFrame(frame, use);
  gst_video_frame_unmap(&frame);
  return true;
}

RgbxConverter::~RgbxConverter() { Release(); }

void RgbxConverter::Release() {
  if (converter_) gst_video_converter_free(converter_);
  if (picture_) gst_buffer_unref(picture_);
  converter_ = nullptr;
  picture_ = nullptr;
}

bool RgbxConverter::Prepare(const GstVideoInfo& from) {
  if (converter_ && gst_video_info_is_equal(&from, &from_)) return true;
  Release();
  from_ = from;
  gst_video_info_set_interlaced_format(&to_, GST_VIDEO_FORMAT_RGBx, GST_VIDEO_INFO_INTERLACE_MODE(&from),
                                       GST_VIDEO_INFO_WIDTH(&from), GST_VIDEO_INFO_HEIGHT(&from));
  // The converter changes the pixels only, not the timing or the shape.
  GST_VIDEO_INFO_FPS_N(&to_) = GST_VIDEO_INFO_FPS_N(&from);
  GST_VIDEO_INFO_FPS_D(&to_) = GST_VIDEO_INFO_FPS_D(&from);
  GST_VIDEO_INFO_PAR_N(&to_) = GST_VIDEO_INFO_PAR_N(&from);
  GST_VIDEO_INFO_PAR_D(&to_) = GST_VIDEO_INFO_PAR_D(&from);
  converter_ = gst_video_converter_new(&from_, &to_, nullptr);
  picture_ = converter_ ? gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&to_), nullptr) : nullptr;
  if (!picture_) Release();
  return converter_ != nullptr;
}

bool RgbxConverter::Use(GstSample* sample, const RgbxPictureUse& use) {
  GstVideoInfo info;
  if (!SampleInfo(sample, info)) return false;
  if (GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_RGBx) return UseRgbxPicture(sample, use);
  if (!Prepare(info)) return false;
  GstVideoFrame in, out;
  if (!gst_video_frame_map(&in, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return false;
  if (!gst_video_frame_map(&out, &to_, picture_, GST_MAP_WRITE)) {
    gst_video_frame_unmap(&in);
    return false;
  }
  gst_video_converter_frame(converter_, &in, &out);
  gst_video_frame_unmap(&in);
  UseFrame(out, use);
  gst_video_frame_unmap(&out);
  return true;
}
