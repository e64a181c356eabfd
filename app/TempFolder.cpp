#include "app/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr char kFolderName[] = "OrinMedia51Temp";

// The per-user fallback parent under /tmp, made with mode 0700 and trusted only
// when it is a real folder of ours that nobody else can enter.
fs::path PrivateTmpParent() {
  fs::path parent = fs::path("/tmp") / ("orinmedia51-" + std::to_string(::getuid()));
  ::mkdir(parent.c_str(), 0700);
  struct stat st {};
  if (::lstat(parent.c_str(), &st) != 0) return {};
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) return {};
  return parent;
}

}  // namespace

fs::path TempFolderPath() {
  if (const char* named = std::getenv("ORIN_TEMP_DIR"); named && *named) return fs::path(named);
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return fs::path(runtime) / kFolderName;
  fs::path parent = PrivateTmpParent();
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
