// A sample Memory Stick: the camera's folders with a few small pictures.
#pragma once
#include <filesystem>
#include <string>

namespace camsim {

// Fills the empty folder `stick` with DCIM\100QXCAM (four JPEG test
// patterns), DCIM\101QXCAM (two more) and an empty QXMOV\100QXMSC, with
// varied dates. False with `error` set when the folder is not empty or a
// file cannot be written.
bool FillSampleStick(const std::filesystem::path& stick, std::string& error);

}  // namespace camsim
