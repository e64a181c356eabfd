// A sample Memory Stick: the camera's folders with a few small pictures and
// a short movie.
#pragma once
#include <filesystem>
#include <string>

namespace camsim {

// Fills the empty folder `stick` with DCIM\100QXCAM (four JPEG test
// patterns), DCIM\101QXCAM (two more) and QXMOV\100QXMSC holding the movie
// MOV_0001.ASF (kSampleMovieSeconds), with varied dates. False with `error`
// set when the folder is not empty or a file cannot be written.
bool FillSampleStick(const std::filesystem::path& stick, std::string& error);

constexpr int kSampleMovieSeconds = 5;

// Writes a movie of `seconds` (at least 1) at 320 x 240 as the camera's
// recording gives it: the camera's live stream from its start (the stream
// header, then every frame's block of data packets, sound before every third
// frame) with the five header values a kept recording is completed with
// (file size, packet counts, play duration, data size). False with `error`
// set when the encoder or the file fails.
bool WriteCameraMovie(const std::filesystem::path& path, int seconds, std::string& error);

}  // namespace camsim
