// The Memory Stick as the camera's firmware keeps it: a FAT file system of
// 8.3 names, one current directory, backed by a host folder (the stick folder).
//
// Containment: every access starts from the stick folder and walks down one
// component at a time with O_NOFOLLOW, so no request can reach outside it.
// Symbolic links, devices and names FAT cannot hold are invisible: they are
// neither listed nor found by name.
//
// Not thread-safe; CameraModel serialises all calls.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace camsim {

// Bytes of one directory record and of the allocation unit used for capacity.
constexpr int kRecordSize = 32;
constexpr uint64_t kClusterSize = 16384;

// FAT date and time: time in the low 16 bits, date in the high 16 bits.
uint32_t PackFatTime(time_t when);
// The local time a FAT value names, or nothing when its fields are out of range.
std::optional<time_t> UnpackFatTime(uint32_t fat);

// 8.3 file name with an extension ("DCAM0001.JPG"); characters FAT allows in
// short names, either case.
bool IsShortFileName(std::string_view name);
// Folder name: 1 to 8 such characters, no dot.
bool IsShortFolderName(std::string_view name);
// The text of a zero-filled name field of `width` bytes; nothing when the
// field holds no terminating zero byte.
std::optional<std::string> ReadNameField(const uint8_t* field, size_t width);

// A file descriptor that closes itself.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  void Reset();

 private:
  int fd_ = -1;
};

enum class MediaKind { Formatted, Unformatted, Unsupported };

class MemoryStick {
 public:
  MemoryStick(std::filesystem::path folder, uint64_t capacityBytes);
  ~MemoryStick();

  // Physical state, changed by control commands.
  bool inserted = true;
  bool writeProtected = false;
  MediaKind kind = MediaKind::Formatted;

  // A stick the camera can read: inserted and formatted.
  bool Usable() const { return inserted && kind == MediaKind::Formatted; }
  // Back to the root and nothing in progress (reboot, stick removed, format).
  void Reset();
  // The current directory for the log ("\" or "\DCIM\100QXCAM").
  std::string CurrentPath() const;

  // Each request answers its status byte.
  uint8_t ChangeDir(const std::string& name);
  uint8_t Capacity(uint32_t& freeBytes, uint32_t& totalBytes);
  uint8_t MakeDir(const std::string& name, uint32_t fatTime);
  uint8_t Delete(const std::string& name);
  uint8_t Rename(const std::string& from, const std::string& to);
  uint8_t Format();

  // REQ_LIST_DIR and REQ_READ_FILE put data on the bulk-in pipe; ReadBulk
  // hands it out. Arming again drops whatever was still waiting.
  uint8_t ArmListing();
  uint8_t ArmFile(const std::string& name);
  bool HasBulkData() const;
  int ReadBulk(uint8_t* data, int length);
  void DisarmBulk();

  // REQ_WRITE_FILE: the body of `size` bytes then arrives by WriteBulk. The
  // file appears under its name only once it is complete; an upload cut
  // short leaves nothing behind. A name already there (in any case) is
  // refused: a write never replaces a file.
  uint8_t BeginWrite(const std::string& name, uint32_t size, uint32_t fatTime);
  bool Writing() const { return upload_.has_value(); }
  // Bytes accepted; fewer than `length` when no upload waits for them, the
  // body is already complete or the host folder fails.
  int WriteBulk(const uint8_t* data, int length);
  void AbandonWrite();

  // One entry of a folder as the host holds it.
  struct Entry {
    std::string name;  // as stored on the host
    bool folder = false;
    uint64_t size = 0;
    time_t mtime = 0;
  };

 private:
  UniqueFd OpenCurrent() const;
  uint64_t UsedBytes() const;

  struct Upload {
    UniqueFd dir;
    UniqueFd file;
    std::string name;            // the name the file gets when complete
    uint32_t size = 0;
    uint32_t received = 0;
    time_t mtime = 0;
  };
  void FinishWrite();

  std::filesystem::path folder_;
  uint64_t capacity_;
  std::vector<std::string> cwd_;   // components below the stick folder
  std::vector<uint8_t> listing_;   // records waiting on the pipe
  size_t listingPos_ = 0;
  UniqueFd readFile_;              // file waiting on the pipe
  uint64_t readLeft_ = 0;
  std::optional<Upload> upload_;
};

// The entries of an open folder that FAT can show, sorted by name without
// regard to case; of names that differ only in case, the first one wins.
std::vector<MemoryStick::Entry> ListableEntries(int dirFd);
// The 32-byte record of one entry ("." and ".." included).
void EncodeRecord(uint8_t* record, const std::string& name, bool folder, uint32_t size, time_t mtime);

}  // namespace camsim
