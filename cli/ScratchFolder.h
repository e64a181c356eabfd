// orin-cam's own temporary folder for a recording or a still: a fresh
// "orin-cam-XXXXXX" under the program's private cache folder (beside, never
// inside, a running window's OrinMedia51Temp), held by a lock while the run
// lasts and removed at its end. One that a killed run left behind is swept
// away by the next run that makes one.
#pragma once
#include <filesystem>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Empty when no private folder could be made.
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  int lockFd_ = -1;
};
