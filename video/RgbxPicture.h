// Decoded pictures on their way into the window's video frame: the caps the
// frame takes (RGBX), the reading of one appsink sample as rows of RGBX
// pixels, and the conversion of pictures a decoder gives in another format.
// Shared by the live preview and the movie player.
#pragma once
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdint>
#include <functional>

// Called with the pixels of one RGBX picture, `stride` bytes a row.
using RgbxPictureUse = std::function<void(const uint8_t* rgbx, int width, int height, int stride)>;

// The caps of the pictures the appsink takes (owned by the caller).
GstCaps* NewRgbxCaps();

// Maps the RGBX picture of `sample` and hands it to `use`; false (and no
// call) when the sample holds no readable video picture.
bool UseRgbxPicture(GstSample* sample, const RgbxPictureUse& use);

// Turns the pictures of one video stream, in whatever raw format its decoder
// gives them, into RGBX. Converting at the sink spares the conversion
// element's format negotiation when a movie starts; the converter is made
// for the stream's format and kept while the format stays.
// Used from one streaming thread at a time.
class RgbxConverter {
 public:
  RgbxConverter() = default;
  ~RgbxConverter();
  RgbxConverter(const RgbxConverter&) = delete;
  RgbxConverter& operator=(const RgbxConverter&) = delete;

  // The picture of `sample`, as RGBX, to `use`; false (and no call) when the
  // sample holds no readable video picture.
  bool Use(GstSample* sample, const RgbxPictureUse& use);

 private:
  bool Prepare(const GstVideoInfo& from);
  void Release();

  GstVideoInfo from_{};
  GstVideoInfo to_{};
  GstVideoConverter* converter_ = nullptr;
  GstBuffer* picture_ = nullptr;
};
