#include "fileops/PartFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <climits>
#include <cstring>

namespace fs = std::filesystem;

namespace {

// Two slots, so that a signal handler never reads a path while it is being
// copied: the new path goes into the slot not in use, then becomes current.
// Downloads run one at a time, so there is one writer.
char gPaths[2][PATH_MAX];
std::atomic<int> gCurrent{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

// ".NAME.part-" followed by the six letters or digits mkstemp puts there.
bool IsPartFileOf(const std::string& entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = prefix.size(); i < entry.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
  return true;
}

}  // namespace

void SweepStalePartFiles(const fs::path& target) {
  const std::string prefix = "." + target.filename().string() + ".part-";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(target.parent_path().empty() ? "." : target.parent_path(), ec)) {
    if (!IsPartFileOf(entry.path().filename().string(), prefix)) continue;
    int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A download still writing holds its lock: only the ones left behind go.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlink(entry.path().c_str());
    ::close(fd);
  }
}

void NotePartFile(int fd, const std::string& path) {
  ::flock(fd, LOCK_EX | LOCK_NB);  // a fresh file of our own: nobody else holds it
  if (path.size() >= PATH_MAX) return;
  const int slot = gCurrent.load() == 0 ? 1 : 0;
  std::memcpy(gPaths[slot], path.c_str(), path.size() + 1);
  gCurrent.store(slot);
}

void ForgetPartFile() { gCurrent.store(-1); }

void RemovePartFileInProgress() {
  const int slot = gCurrent.load();
  if (slot >= 0) ::unlink(gPaths[slot]);
}
