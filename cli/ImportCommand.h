// orin-cam import: every picture (DCIM/*QXCAM/*.JPG) and movie
// (QXMOV/*QXMSC/*.ASF) of the Memory Stick that the PC folder does not hold
// yet, copied with the camera's times through the program's own download.
// A file already there under the same name with the same size is skipped
// before any byte of it is read from the camera, so a second run copies
// nothing and an import broken off completes when run again.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "camera/CamEntry.h"

struct CliContext;

int RunImport(CliContext& cx, const std::vector<std::string>& args);

// The folder a camera file goes to: `pcFolder`, or with `byDate` its day
// folder "YYYY-MM-DD" of the camera's date; a file the camera gives no
// usable date goes to "undated" (kUndatedFolder).
inline constexpr const char* kUndatedFolder = "undated";
std::filesystem::path ImportFolderFor(const std::filesystem::path& pcFolder, const CamEntry& file, bool byDate);

// What the PC holds where a camera file of `size` bytes would go.
enum class Presence {
  Missing,    // nothing by that name: copy it
  Same,       // a regular file of that size: taken as the same file, skipped
  Different,  // something else by that name: never replaced
};
Presence PresenceOf(const std::filesystem::path& target, uint32_t size);

// "12.3 MB/s", "850 kB/s": bytes over seconds, for the progress lines.
std::string RateText(uint64_t bytes, double seconds);
