#include "cli/ScratchFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "app/TempFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "orin-cam-";

void RemoveFolder(const fs::path& folder) {
  std::error_code ec;
  DeleteTreeContents(folder);
  fs::remove(folder, ec);
}

// Scratch folders whose run has ended hold no lock any more.
void SweepStale(const fs::path& cache) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(cache, ec)) {
    if (entry.path().filename().string().rfind(kPrefix, 0) != 0) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) RemoveFolder(entry.path());
    ::close(fd);
  }
}

}  // namespace

ScratchFolder::ScratchFolder() {
  const fs::path cache = PrivateCacheFolder();
  if (cache.empty()) return;
  SweepStale(cache);
  std::string name = (cache / (std::string(kPrefix) + "XXXXXX")).string();
  if (!::mkdtemp(name.data())) return;
  lockFd_ = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  // Another run's sweep may have taken the folder before it was locked: then
  // the lock holds a folder that is no longer at its path.
  struct stat held {}, there {};
  const bool ours = lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0 && ::fstat(lockFd_, &held) == 0 &&
                    ::lstat(name.c_str(), &there) == 0 && held.st_ino == there.st_ino && held.st_dev == there.st_dev;
  if (!ours) {
    RemoveFolder(name);
    return;
  }
  path_ = name;
}

ScratchFolder::~ScratchFolder() {
  if (!path_.empty()) RemoveFolder(path_);
  if (lockFd_ >= 0) ::close(lockFd_);
}
