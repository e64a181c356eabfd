#include "app/TempFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr char kFolderName[] = "OrinMedia51Temp";
constexpr char kCacheFolderName[] = "OrinMedia51";

// $XDG_CACHE_HOME when it is an absolute path, else ~/.cache.
fs::path CacheHome() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') return fs::path(cache);
  if (const char* home = std::getenv("HOME"); home && *home == '/') return fs::path(home) / ".cache";
  return {};
}

}  // namespace

fs::path PrivateCacheFolder() {
  const fs::path home = CacheHome();
  if (home.empty()) return {};
  std::error_code ec;
  fs::create_directories(home, ec);  // the user's own cache home may follow links
  const fs::path folder = home / kCacheFolderName;
  ::mkdir(folder.c_str(), 0700);
  // Opened without following a link, then judged and tightened through the
  // descriptor, so that nothing can be swapped in between.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st {};
  bool ours = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
  if (ours && (st.st_mode & 077) != 0) ours = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ours ? folder : fs::path();
}

fs::path TempFolderPath() {
  if (const char* named = std::getenv("ORIN_TEMP_DIR"); named && *named) return fs::path(named);
  fs::path parent = PrivateCacheFolder();
  return parent.empty() ? fs::path() : parent / kFolderName;
}

bool CreateTempFolder() {
  fs::path folder = TempFolderPath();
  if (folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(fs::symlink_status(folder, ec));
}

bool DeleteTreeContents(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return false;
  bool all = true;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path entry = it->path();
    if (fs::is_directory(fs::symlink_status(entry, ec))) {
      // A folder we may not write into could not be emptied: open it up first.
      fs::permissions(entry, fs::perms::owner_all, fs::perm_options::add, ec);
      all = DeleteTreeContents(entry) && all;
      all = fs::remove(entry, ec) && all;
    } else {
      all = fs::remove(entry, ec) && all;  // a link goes as a link
    }
  }
  return all && !ec;
}

void EmptyTempFolder() {
  fs::path folder = TempFolderPath();
  if (!folder.empty()) DeleteTreeContents(folder);
}

void RemoveTempFolder() {
  fs::path folder = TempFolderPath();
  if (folder.empty()) return;
  std::error_code ec;
  // The folder itself may have become a link: remove the link, never its target.
  if (fs::is_symlink(fs::symlink_status(folder, ec))) {
    fs::remove(folder, ec);
    return;
  }
  DeleteTreeContents(folder);
  fs::remove(folder, ec);
}
