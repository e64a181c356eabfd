#include "video/RgbxPicture.h"

#include <gst/video/video.h>

GstCaps* NewRgbxCaps() { return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGBx", nullptr); }

bool UseRgbxPicture(GstSample* sample, const RgbxPictureUse& use) {
  GstVideoInfo info;
  GstCaps* caps = gst_sample_get_caps(sample);
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) return false;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return false;
  use(static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)), GST_VIDEO_FRAME_WIDTH(&frame),
      GST_VIDEO_FRAME_HEIGHT(&frame), GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
  gst_video_frame_unmap(&frame);
  return true;
}
