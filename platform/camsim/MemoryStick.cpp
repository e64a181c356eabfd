#include "platform/camsim/MemoryStick.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/camsim/Requests.h"

namespace camsim {

namespace {

constexpr const char* kUploadTemp = ".camsim-upload";  // never an 8.3 name

bool IsShortChar(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != 0;
}

bool AllShortChars(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return IsShortChar(static_cast<unsigned char>(c)); });
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string Lowered(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

UniqueFd OpenDirAt(int parent, const char* name) {
  return UniqueFd(openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::optional<MemoryStick::Entry> FindEntry(int dirFd, std::string_view name) {
  for (auto& e : ListableEntries(dirFd))
    if (SameName(e.name, name)) return e;
  return std::nullopt;
}

struct FileTimes {
  explicit FileTimes(time_t when) {
    t[0].tv_sec = when;
    t[0].tv_nsec = 0;
    t[1] = t[0];
  }
  timespec t[2];
};

time_t FatTimeOrNow(uint32_t fat) {
  // A timestamp the camera cannot read is taken as "now", as the camera's
  // own clock would stamp the entry.
  return UnpackFatTime(fat).value_or(time(nullptr));
}

uint64_t Clusters(uint64_t bytes) { return (bytes + kClusterSize - 1) / kClusterSize * kClusterSize; }

// Used bytes: every regular file rounded up to whole 16 KiB clusters plus one
// cluster per sub-folder, over the whole stick folder (names FAT cannot show
// occupy space too). Links are not followed.
uint64_t UsedBelow(int dirFd, int depth) {
  if (depth > 64) return 0;
  UniqueFd copy(openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!copy.Valid()) return 0;
  DIR* dir = fdopendir(copy.Release());
  if (!dir) return 0;
  uint64_t used = 0;
  while (dirent* d = readdir(dir)) {
    if (!std::strcmp(d->d_name, ".") || !std::strcmp(d->d_name, "..")) continue;
    struct stat st;
    if (fstatat(dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode)) {
      used += Clusters(uint64_t(st.st_size));
    } else if (S_ISDIR(st.st_mode)) {
      used += kClusterSize;
      UniqueFd sub = OpenDirAt(dirfd(dir), d->d_name);
      if (sub.Valid()) used += UsedBelow(sub.Get(), depth + 1);
    }
  }
  closedir(dir);
  return used;
}

// Removes everything inside `dirFd`, links as links.
bool EmptyFolder(int dirFd, int depth) {
  if (depth > 64) return false;
  UniqueFd copy(openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!copy.Valid()) return false;
  DIR* dir = fdopendir(copy.Release());
  if (!dir) return false;
  std::vector<std::string> names;
  while (dirent* d = readdir(dir))
    if (std::strcmp(d->d_name, ".") && std::strcmp(d->d_name, "..")) names.push_back(d->d_name);
  bool ok = true;
  for (const auto& n : names) {
    struct stat st;
    if (fstatat(dirfd(dir), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      UniqueFd sub = OpenDirAt(dirfd(dir), n.c_str());
      ok = sub.Valid() && EmptyFolder(sub.Get(), depth + 1) && ok;
      ok = unlinkat(dirfd(dir), n.c_str(), AT_REMOVEDIR) == 0 && ok;
    } else {
      ok = unlinkat(dirfd(dir), n.c_str(), 0) == 0 && ok;
    }
  }
  closedir(dir);
  return ok;
}

}  // namespace

uint32_t PackFatTime(time_t when) {
  tm t{};
  localtime_r(&when, &t);
  int year = t.tm_year + 1900;
  if (year < 1980) return (0u << 25) | (1u << 21) | (1u << 16);  // 1980-01-01 00:00
  if (year > 2107) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  uint32_t date = uint32_t((year - 1980) << 9 | (t.tm_mon + 1) << 5 | t.tm_mday);
  uint32_t time = uint32_t(t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2);
  return date << 16 | time;
}

std::optional<time_t> UnpackFatTime(uint32_t fat) {
  int sec2 = fat & 0x1F, minute = (fat >> 5) & 0x3F, hour = (fat >> 11) & 0x1F;
  int day = (fat >> 16) & 0x1F, month = (fat >> 21) & 0x0F, year = int(fat >> 25) + 1980;
  if (sec2 > 29 || minute > 59 || hour > 23 || day < 1 || month < 1 || month > 12) return std::nullopt;
  tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = sec2 * 2;
  t.tm_isdst = -1;
  time_t when = mktime(&t);
  if (when == time_t(-1) || t.tm_mday != day) return std::nullopt;  // 31 February and the like
  return when;
}

bool IsShortFileName(std::string_view name) {
  size_t dot = name.find('.');
  if (dot == std::string_view::npos || name.find('.', dot + 1) != std::string_view::npos) return false;
  std::string_view base = name.substr(0, dot), ext = name.substr(dot + 1);
  return !base.empty() && base.size() <= 8 && !ext.empty() && ext.size() <= 3 && AllShortChars(base) &&
         AllShortChars(ext);
}

bool IsShortFolderName(std::string_view name) {
  return !name.empty() && name.size() <= 8 && AllShortChars(name);
}

std::optional<std::string> ReadNameField(const uint8_t* field, size_t width) {
  const void* end = std::memchr(field, 0, width);
  if (!end) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(field), static_cast<const uint8_t*>(end) - field);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

int UniqueFd::Release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

void UniqueFd::Reset() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::vector<MemoryStick::Entry> ListableEntries(int dirFd) {
  std::vector<MemoryStick::Entry> out;
  UniqueFd copy(openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!copy.Valid()) return out;
  DIR* dir = fdopendir(copy.Release());
  if (!dir) return out;
  while (dirent* d = readdir(dir)) {
    std::string name = d->d_name;
    struct stat st;
    if (fstatat(dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    MemoryStick::Entry e{name, S_ISDIR(st.st_mode), uint64_t(st.st_size), st.st_mtime};
    // A folder with a dot, or a file without an extension, would be read back
    // as the other kind: the program tells them apart by the extension alone.
    bool fits = e.folder ? IsShortFolderName(name)
                         : S_ISREG(st.st_mode) && IsShortFileName(name) && e.size <= 0xFFFFFFFFu;
    if (!fits) continue;
    if (e.folder) e.size = 0;
    out.push_back(std::move(e));
  }
  closedir(dir);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
    std::string la = Lowered(a.name), lb = Lowered(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  auto dup = std::unique(out.begin(), out.end(), [](const auto& a, const auto& b) { return SameName(a.name, b.name); });
  out.erase(dup, out.end());
  return out;
}

void EncodeRecord(uint8_t* record, const std::string& name, bool folder, uint32_t size, time_t mtime) {
  std::memset(record, 0, kRecordSize);
  std::string base = name, ext;
  if (name != "." && name != "..") {
    size_t dot = name.find('.');
    if (dot != std::string::npos) {
      base = name.substr(0, dot);
      ext = name.substr(dot + 1);
    }
  }
  std::memcpy(record, base.data(), std::min<size_t>(base.size(), 8));
  std::memcpy(record + 8, ext.data(), std::min<size_t>(ext.size(), 3));
  record[11] = folder ? 0x10 : 0x20;  // FAT attribute: directory or archive
  uint32_t fat = PackFatTime(mtime);
  PutLe16(record + 22, uint16_t(fat));
  PutLe16(record + 24, uint16_t(fat >> 16));
  PutLe32(record + 28, folder ? 0 : size);
}

MemoryStick::MemoryStick(std::filesystem::path folder, uint64_t capacityBytes)
    : folder_(std::move(folder)), capacity_(std::min<uint64_t>(capacityBytes, 0xFFFFFFFFu)) {}

MemoryStick::~MemoryStick() { AbandonWrite(); }

void MemoryStick::Reset() {
  AbandonWrite();
  DisarmBulk();
  cwd_.clear();
}

std::string MemoryStick::CurrentPath() const {
  std::string path;
  for (const auto& c : cwd_) path += "\\" + c;
  return path.empty() ? "\\" : path;
}

UniqueFd MemoryStick::OpenCurrent() const {
  UniqueFd fd(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  for (const auto& c : cwd_) {
    if (!fd.Valid()) break;
    fd = OpenDirAt(fd.Get(), c.c_str());
  }
  return fd;
}

uint64_t MemoryStick::UsedBytes() const {
  UniqueFd root(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return root.Valid() ? UsedBelow(root.Get(), 0) : 0;
}

uint8_t MemoryStick::ChangeDir(const std::string& name) {
  if (!Usable()) return kStatusNoMedia;
  if (name == "\\") {
    cwd_.clear();
    return kStatusOk;
  }
  if (name == "..") {
    if (cwd_.empty()) return kStatusNotFound;
    cwd_.pop_back();
    return kStatusOk;
  }
  if (!IsShortFolderName(name)) return kStatusRefused;
  UniqueFd dir = OpenCurrent();
  if (!dir.Valid()) return kStatusIoError;
  auto e = FindEntry(dir.Get(), name);
  if (!e || !e->folder) return kStatusNotFound;
  if (cwd_.size() >= 16) return kStatusRefused;  // deeper than any camera tree
  cwd_.push_back(e->name);
  return kStatusOk;
}

uint8_t MemoryStick::Capacity(uint32_t& freeBytes, uint32_t& totalBytes) {
  freeBytes = totalBytes = 0;
  if (!Usable()) return kStatusNoMedia;
  uint64_t used = UsedBytes();
  totalBytes = uint32_t(capacity_);
  freeBytes = used >= capacity_ ? 0 : uint32_t(capacity_ - used);
  return kStatusOk;
}

uint8_t MemoryStick::MakeDir(const std::string& name, uint32_t fatTime) {
  if (!Usable()) return kStatusNoMedia;
  if (writeProtected) return kStatusProtected;
  if (!IsShortFolderName(name)) return kStatusRefused;
  UniqueFd dir = OpenCurrent();
  if (!dir.Valid()) return kStatusIoError;
  if (FindEntry(dir.Get(), name)) return kStatusExists;
  uint32_t dummy = 0, freeBytes = 0;
  Capacity(freeBytes, dummy);
  if (freeBytes < kClusterSize) return kStatusFull;
  if (mkdirat(dir.Get(), name.c_str(), 0755) != 0) return errno == EEXIST ? kStatusExists : kStatusIoError;
  utimensat(dir.Get(), name.c_str(), FileTimes(FatTimeOrNow(fatTime)).t, AT_SYMLINK_NOFOLLOW);
  return kStatusOk;
}

uint8_t MemoryStick::Delete(const std::string& name) {
  if (!Usable()) return kStatusNoMedia;
  if (writeProtected) return kStatusProtected;
  if (!IsShortFileName(name) && !IsShortFolderName(name)) return kStatusRefused;
  UniqueFd dir = OpenCurrent();
  if (!dir.Valid()) return kStatusIoError;
  auto e = FindEntry(dir.Get(), name);
  if (!e) return kStatusNotFound;
  if (unlinkat(dir.Get(), e->name.c_str(), e->folder ? AT_REMOVEDIR : 0) == 0) return kStatusOk;
  return (errno == ENOTEMPTY || errno == EEXIST) ? kStatusNotEmpty : kStatusIoError;
}

uint8_t MemoryStick::Rename(const std::string& from, const std::string& to) {
  if (!Usable()) return kStatusNoMedia;
  if (writeProtected) return kStatusProtected;
  if (!IsShortFileName(from) && !IsShortFolderName(from)) return kStatusRefused;
  UniqueFd dir = OpenCurrent();
  if (!dir.Valid()) return kStatusIoError;
  auto e = FindEntry(dir.Get(), from);
  if (!e) return kStatusNotFound;
  if (e->folder ? !IsShortFolderName(to) : !IsShortFileName(to)) return kStatusRefused;
  auto clash = FindEntry(dir.Get(), to);
  if (clash && clash->name != e->name) return kStatusExists;  // a change of case alone is fine
  if (renameat2(dir.Get(), e->name.c_str(), dir.Get(), to.c_str(), clash ? 0 : RENAME_NOREPLACE) != 0)
    return errno == EEXIST ? kStatusExists : kStatusIoError;
  return kStatusOk;
}

uint8_t MemoryStick::Format() {
  if (!inserted || kind == MediaKind::Unsupported) return kStatusNoMedia;
  if (writeProtected) return kStatusProtected;
  Reset();
  UniqueFd root(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!root.Valid() || !EmptyFolder(root.Get(), 0)) return kStatusIoError;
  kind = MediaKind::Formatted;
  return kStatusOk;
}

uint8_t MemoryStick::ArmListing() {
  DisarmBulk();
  if (!Usable()) return kStatusNoMedia;
  UniqueFd dir = OpenCurrent();
  if (!dir.Valid()) return kStatusIoError;
  auto add = [this](const std::string& name, bool folder, uint32_t size, time_t mtime) {
    listing_.resize(listing_.size() + kRecordSize);
    EncodeRecord(listing_.data() + listing_.size() - kRecordSize, name, folder, size, mtime);
  };
  if (!cwd_.empty()) {
    struct stat self, parent;
    fstat(dir.Get(), &self);
    if (fstatat(dir.Get(), "..", &parent, 0) != 0) parent = self;
    add(".", true, 0, self.st_mtime);
    add("..", true, 0, parent.st_mtime);
  }
  for (const auto& e : ListableEntries(dir.Get())) add(e.name, e.folder, uint32_t(e.size), e.mtime);
  listing_.resize(listing_.size() + kRecordSize, 0);
  std::memset(listing_.data() + listing_.size() - kRecordSize, 0xFF, 8);  // end record
  return kStatusListed;
}

uint8_t MemoryStick::ArmFile(const std::string& name) {
  DisarmBulk();
  if (!Usable()) return kStatusNoMedia;
  if (!IsShortFileName(name)) return kStatusRefused;
  UniqueFd dir = OpenCurrent();
  if (!dir.Valid()) return kStatusIoError;
  auto e = FindEntry(dir.Get(), name);
  if (!e || e->folder) return kStatusNotFound;
  readFile_ = UniqueFd(openat(dir.Get(), e->name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!readFile_.Valid()) return kStatusIoError;
  readLeft_ = e->size;
  return kStatusOk;
}

bool MemoryStick::HasBulkData() const { return listingPos_ < listing_.size() || (readFile_.Valid() && readLeft_ > 0); }

int MemoryStick::ReadBulk(uint8_t* data, int length) {
  if (length <= 0) return 0;
  if (listingPos_ < listing_.size()) {
    size_t n = std::min(listing_.size() - listingPos_, size_t(length));
    std::memcpy(data, listing_.data() + listingPos_, n);
    listingPos_ += n;
    return int(n);
  }
  if (!readFile_.Valid()) return 0;
  size_t want = size_t(std::min<uint64_t>(readLeft_, uint64_t(length)));
  size_t got = 0;
  while (got < want) {
    ssize_t r = read(readFile_.Get(), data + got, want - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;  // the host file shrank or failed: deliver what there is
    got += size_t(r);
  }
  readLeft_ = got < want ? 0 : readLeft_ - got;
  if (readLeft_ == 0) readFile_.Reset();
  return int(got);
}

void MemoryStick::DisarmBulk() {
  listing_.clear();
  listingPos_ = 0;
  readFile_.Reset();
  readLeft_ = 0;
}

uint8_t MemoryStick::BeginWrite(const std::string& name, uint32_t size, uint32_t fatTime) {
  AbandonWrite();
  if (!Usable()) return kStatusNoMedia;
  if (writeProtected) return kStatusProtected;
  if (!IsShortFileName(name)) return kStatusRefused;
  Upload up;
  up.dir = OpenCurrent();
  if (!up.dir.Valid()) return kStatusIoError;
  // A write only creates: the program deletes a file before it sends one of
  // that name, so a name still there means its listing missed the file, and
  // the file is kept.
  if (FindEntry(up.dir.Get(), name)) return kStatusExists;
  uint32_t freeBytes = 0, total = 0;
  Capacity(freeBytes, total);
  if (Clusters(size) > uint64_t(freeBytes)) return kStatusFull;
  unlinkat(up.dir.Get(), kUploadTemp, 0);  // left over from a host crash
  up.file = UniqueFd(openat(up.dir.Get(), kUploadTemp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!up.file.Valid()) return kStatusIoError;
  up.name = name;
  up.size = size;
  up.mtime = FatTimeOrNow(fatTime);
  upload_ = std::move(up);
  if (size == 0) FinishWrite();
  return kStatusOk;
}

int MemoryStick::WriteBulk(const uint8_t* data, int length) {
  if (!upload_ || length <= 0) return 0;
  size_t want = std::min<size_t>(size_t(length), upload_->size - upload_->received);
  size_t done = 0;
  while (done < want) {
    ssize_t w = write(upload_->file.Get(), data + done, want - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += size_t(w);
  }
  if (done < want) {  // the host folder failed: the upload is lost
    AbandonWrite();
    return int(done);
  }
  upload_->received += uint32_t(done);
  if (upload_->received == upload_->size) FinishWrite();
  return int(done);
}

void MemoryStick::FinishWrite() {
  Upload up = std::move(*upload_);
  upload_.reset();
  futimens(up.file.Get(), FileTimes(up.mtime).t);
  up.file.Reset();
  if (renameat(up.dir.Get(), kUploadTemp, up.dir.Get(), up.name.c_str()) != 0) unlinkat(up.dir.Get(), kUploadTemp, 0);
}

void MemoryStick::AbandonWrite() {
  if (!upload_) return;
  unlinkat(upload_->dir.Get(), kUploadTemp, 0);
  upload_.reset();
}

}  // namespace camsim
