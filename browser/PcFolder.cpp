#include "browser/PcFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cctype>

int64_t PcDate::Key() const {
  if (!valid) return 0;
  return ((((int64_t{year} * 13 + month) * 32 + day) * 24 + hour) * 60 + minute) * 60 + second;
}

std::string NormalisePcPath(const std::string& path, const std::string& base) {
  std::string whole = (!path.empty() && path[0] == '/') ? path : base + "/" + path;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= whole.size()) {
    size_t end = whole.find('/', start);
    if (end == std::string::npos) end = whole.size();
    std::string part = whole.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result.empty() ? "/" : result;
}

std::string JoinPcPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

int PcFolderImage(const PcEntry& entry) {
  if (entry.isDrive) {
    switch (entry.driveKind) {
      case DriveKind::Removable: return PC_IMG_REMOVABLE;
      case DriveKind::CdRom: return PC_IMG_CDROM;
      case DriveKind::Fixed: return PC_IMG_FIXED;
    }
  }
  return entry.name == ".." ? PC_IMG_PARENT : PC_IMG_FOLDER;
}

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

PcDate LocalDate(time_t t) {
  PcDate date;
  struct tm local {};
  if (localtime_r(&t, &local) == nullptr) return date;
  date.year = local.tm_year + 1900;
  date.month = local.tm_mon + 1;
  date.day = local.tm_mday;
  date.hour = local.tm_hour;
  date.minute = local.tm_min;
  date.second = local.tm_sec;
  date.valid = true;
  return date;
}

}  // namespace

int PcFileImage(const std::string& name) {
  const std::string last = Lower(name.size() > 3 ? name.substr(name.size() - 3) : name);
  if (last == "jpg") return PC_IMG_PICTURE;
  if (last == "asf") return PC_IMG_MOVIE;
  return PC_IMG_FILE;
}

std::string PcFileType(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : Lower(name.substr(dot + 1));
}

void ListPcFolder(PcListing& listing, const std::string& path, const std::vector<PcEntry>& drives) {
  listing.folders = drives;
  listing.files.clear();
  listing.driveCount = drives.size();
  listing.currentPath = path;
  listing.readable = false;

  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return;
  listing.readable = true;
  // A drive root has no way up: the user changes drives through the drive rows.
  const bool driveRoot = path == "/" || std::any_of(drives.begin(), drives.end(), [&](const PcEntry& d) {
                           return d.path == path;
                         });
  if (!driveRoot) {
    PcEntry up;
    up.name = "..";
    up.path = JoinPcPath(path, "..");
    up.isFolder = true;
    struct stat st {};
    if (stat(up.path.c_str(), &st) == 0) up.modified = LocalDate(st.st_mtime);
    listing.folders.push_back(std::move(up));
  }
  const int fd = dirfd(dir);
  while (const dirent* d = readdir(dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    PcEntry entry;
    entry.name = name;
    entry.path = JoinPcPath(path, name);
    struct stat st {};
    // A link counts as what it points to; a broken one as a file of its own.
    bool known = fstatat(fd, d->d_name, &st, 0) == 0 || fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (known) {
      entry.isFolder = S_ISDIR(st.st_mode);
      entry.modified = LocalDate(st.st_mtime);
      if (!entry.isFolder) entry.size = static_cast<uint32_t>(st.st_size);
    } else {
      entry.isFolder = d->d_type == DT_DIR;
    }
    (entry.isFolder ? listing.folders : listing.files).push_back(std::move(entry));
  }
  closedir(dir);
}
