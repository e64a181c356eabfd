// Decoded pictures on their way into the window's video frame: the caps the
// frame takes (RGBX) and the reading of one appsink sample as rows of pixels.
// Shared by the live preview and the movie player.
#pragma once
#include <gst/gst.h>

#include <cstdint>
#include <functional>

// Called with the pixels of one RGBX picture, `stride` bytes a row.
using RgbxPictureUse = std::function<void(const uint8_t* rgbx, int width, int height, int stride)>;

// The caps of the pictures the appsink takes (owned by the caller).
GstCaps* NewRgbxCaps();

// Maps the picture of `sample` and hands it to `use`; false (and no call)
// when the sample holds no readable video picture.
bool UseRgbxPicture(GstSample* sample, const RgbxPictureUse& use);
