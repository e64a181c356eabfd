// Two GStreamer types for the tests only.
//
// A video decoder that claims Windows Media Video 7 (video/x-wmv, wmvversion
// 1) above every real decoder, hands out grey pictures for its first few
// frames and then fails, as a decoder meeting a broken stream in the middle
// of a movie does.
//
// A tracer that counts the elements made by factories and not yet finalized.
#pragma once

namespace playertest {

// Starts the count (once, after gst_init); later calls change nothing.
void CountElements();
// Elements made since CountElements and still alive.
int LiveElements();

// Registers the decoder in this process; later registrations change nothing.
bool RegisterFaultyDecoder();
// Pictures the decoder gives before it fails.
constexpr int kFaultyDecoderGoodFrames = 5;

}  // namespace playertest
