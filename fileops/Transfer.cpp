#include "fileops/Transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "camera/DcfRules.h"
#include "fileops/PartFiles.h"
#include "resources/StringIds.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

const CamEntry* LastEntryNamed(const CamEntryList& files, const std::string& name) {
  return LastCamEntryNamed(files, name);
}

bool WriteAll(int fd, const uint8_t* data, int length) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, static_cast<size_t>(length));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    data += n;
    length -= static_cast<int>(n);
  }
  return true;
}

// A hidden file beside `target`, so that the finished file can take the
// target's place in one rename and an earlier file of that name survives any
// failure on the way. -1 with errno set when it cannot be made.
int OpenPartFile(const fs::path& target, std::string& partPath) {
  SweepStalePartFiles(target);  // an earlier run that ended mid-download left them
  partPath = (target.parent_path() / ("." + target.filename().string() + ".part-XXXXXX")).string();
  int fd = ::mkstemp(partPath.data());
  if (fd < 0) return -1;
  NotePartFile(fd, partPath);
  struct stat old {};
  mode_t mode = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : 0644;
  ::fchmod(fd, mode);
  return fd;
}

// Closes the part file and puts it in the target's place. 0 on success, else errno.
int FinishPartFile(int fd, const std::string& partPath, const fs::path& target) {
  int error = ::close(fd) == 0 ? 0 : errno;
  if (!error && ::rename(partPath.c_str(), target.c_str()) != 0) error = errno;
  if (error) ::unlink(partPath.c_str());
  ForgetPartFile();
  return error;
}

void DropPartFile(int fd, const std::string& partPath) {
  ::close(fd);
  ::unlink(partPath.c_str());
  ForgetPartFile();
}

}  // namespace

bool SetLastWriteTime(const fs::path& file, const CamDateTime& local) {
  // mktime would turn month 0 of 1980 into 1979-11-30: a record without a
  // usable date leaves the file the time of its writing.
  if (!IsCalendarTime(local)) return false;
  std::tm tm{};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_isdst = -1;  // the camera's clock follows the PC's local time, summer time included
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return false;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = t;
  times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
}

std::optional<CamDateTime> LastWriteTimeLocal(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  std::tm tm{};
  if (!::localtime_r(&st.st_mtime, &tm)) return std::nullopt;
  return CamDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min};
}

BatchOutcome DownloadBatch(CameraLink& link, FileOpsUi& ui, ProgressSink& progress,
                           const DownloadRequest& request) {
  BatchOutcome outcome;
  if (request.rows.empty()) {
    ui.ShowMessage(ids::SELECT_FILE_FOLDER, MsgIcon::Information);
    ui.FillCamPane();
    progress.Close();
    return outcome;
  }
  ui.StopStoragePoll();
  for (const CamFileRow& row : request.rows) {
    const std::string& name = row.name;
    if (IsFolderRow(row)) {  // folders are never copied
      ui.ShowMessage(ids::COULD_NOT_COPY_FOLDER_UP, MsgIcon::Exclamation);
      ++outcome.refused;
      continue;
    }
    const CamEntry* entry = LastEntryNamed(link.files, name);
    uint32_t size = entry ? entry->size : 0;
    progress.SetFileText(name, true);
    progress.SetRange(static_cast<int>(size / kBulkBlock));
    if (!DownloadFile(link, ui, progress, request.pcFolder, name, size, outcome)) {
      link.CheckCamStatus(0, 1);  // a camera error still pending shows its message too
      outcome.stopped = true;
      break;
    }
    if (progress.CancelRequested()) break;
    progress.SetRange(100);
  }
  progress.Close();
  ui.StartStoragePoll(500);
  ui.RefreshPcPane();
  return outcome;
}

int DownloadFile(CameraLink& link, FileOpsUi& ui, ProgressSink& progress, const fs::path& pcFolder,
                 const std::string& name, uint32_t size, BatchOutcome& outcome) {
  if (size == 0) {
    ui.ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
    ++outcome.refused;
    return 1;
  }
  if (!link.CheckCamStatus(0, 1)) return 0;
  if (!link.DeviceOpen()) return 0;
  if (!IsSafeCameraName(name)) {  // it must never name a path outside the PC folder
    ui.ShowFile(name, ids::FAILED_TO_READ_FILE, MsgIcon::Error);
    ++outcome.refused;
    return 1;
  }
  fs::path target = pcFolder / name;
  std::error_code ec;
  if (fs::symlink_status(target, ec).type() != fs::file_type::not_found && !ec) {
    if (!ui.AskFile(target.string(), ids::REPLACE_QUESTION, MsgIcon::Exclamation, AskButtons::OkCancel)) {
      ++outcome.skipped;
      return 1;
    }
  }
  std::string partPath;
  int fd = OpenPartFile(target, partPath);
  if (fd < 0) {
    ui.ShowSystemError(target.string(), errno);
    return 0;
  }
  int writeError = 0;
  CameraLink::ReadResult got = link.ReadCameraFile(
      name, size,
      [&](const uint8_t* data, int n) {
        if (WriteAll(fd, data, n)) return true;
        writeError = errno;
        return false;
      },
      [&] {
        ui.Repaint();
        progress.Step();
      });
  if (writeError) {
    DropPartFile(fd, partPath);
    ui.Repaint();
    ui.ShowSystemError(target.string(), writeError);
    return 0;
  }
  if (got.total != size || !got.sinkOk) {
    DropPartFile(fd, partPath);  // an earlier file of that name stays as it was
    ui.Repaint();
    ui.ShowMessage(ids::FAILED_TO_READ_FILE, MsgIcon::Error);
    return 0;
  }
  if (int error = FinishPartFile(fd, partPath, target)) {
    ui.Repaint();
    ui.ShowSystemError(target.string(), error);
    return 0;
  }
  ui.Repaint();
  if (const CamEntry* entry = LastEntryNamed(link.files, name))
    SetLastWriteTime(target, {entry->year, entry->month, entry->day, entry->hour, entry->minute});
  ++outcome.done;
  return 1;
}

BatchOutcome UploadBatch(CameraLink& link, FileOpsUi& ui, ProgressSink& progress,
                         const UploadRequest& request) {
  BatchOutcome outcome;
  if (request.rows.empty()) {
    ui.ShowMessage(ids::SELECT_FILE_FOLDER, MsgIcon::Information);
    progress.Close();
    return outcome;
  }
  ui.StopStoragePoll();
  if (!link.CheckWriteProtect()) {  // told the user and armed the poll again
    outcome.stopped = true;
    progress.Close();
    return outcome;
  }
  uint32_t freeBytes = 0;
  for (const PcFileRow& row : request.rows) {
    if (link.camPath == "\\" || link.camPath == "DCIM" || link.camPath == "QXMOV") {
      ui.ShowMessage(ids::COULD_NOT_COPY_HERE, MsgIcon::Information);
      outcome.stopped = true;
      break;
    }
    if (row.isFolder) {
      ui.ShowMessage(ids::COULD_NOT_COPY_FOLDER, MsgIcon::Exclamation);
      ++outcome.refused;
      continue;
    }
    if (!IsValidDcfFileName(Upper(row.name), link.parentKind)) {
      ui.ShowFile(row.name, ids::NAME_FORMAT, MsgIcon::Exclamation);
      ++outcome.refused;
      continue;
    }
    if (!link.CheckCamStatus(0, 1)) {
      outcome.stopped = true;
      break;
    }
    if (auto capacity = link.ReadCapacityForUpload()) freeBytes = capacity->freeBytes;
    uint64_t size = row.size.value_or(0);
    // The camera's file system holds no file of 4 GB or more: it can never fit.
    if (size > UINT32_MAX || freeBytes < size) {
      ui.ShowMessage(ids::NOT_ENOUGH_SPACE, MsgIcon::Information);
      outcome.stopped = true;
      break;
    }
    progress.SetFileText(row.name, true);
    progress.SetRange(static_cast<int>(size / kBulkBlock));
    if (!UploadFile(link, ui, progress, request.pcFolder, row.name, static_cast<uint32_t>(size), outcome)) {
      link.CheckCamStatus(0, 1);
      outcome.stopped = true;
      break;
    }
    if (progress.CancelRequested()) break;
    progress.SetRange(100);
  }
  progress.Close();
  link.ListCamFolder();
  ui.FillCamPane();
  ui.StartStoragePoll(500);
  return outcome;
}

int UploadFile(CameraLink& link, FileOpsUi& ui, ProgressSink& progress, const fs::path& pcFolder,
               const std::string& name, uint32_t size, BatchOutcome& outcome) {
  if (size == 0) {
    ui.ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
    ++outcome.refused;
    return 1;
  }
  if (!link.DeviceOpen()) return 0;
  const std::string upper = Upper(name);
  switch (FindNameClash(upper, link.files)) {
    case CLASH_NAME: {
      if (!ui.AskFile(upper, ids::REPLACE_QUESTION, MsgIcon::Exclamation, AskButtons::OkCancel)) {
        ++outcome.skipped;
        return 1;
      }
      int deleted = link.DeleteCameraFile(upper);
      ui.StopStoragePoll();  // the delete armed the poll again; the batch still runs
      if (!deleted) return 0;
      std::erase_if(link.files, [&](const CamEntry& e) { return e.displayName == upper; });
      break;
    }
    case CLASH_NUMBER:
      ui.ShowFile(upper, ids::NUMBER_EXISTS, MsgIcon::Information);
      ++outcome.refused;
      return 1;
    default: break;
  }
  fs::path path = pcFolder / name;  // the PC file keeps its own spelling
  CamDateTime stamp = LastWriteTimeLocal(path).value_or(LocalTimeNow());
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    ui.ShowSystemError(path.string(), errno);
    return 0;
  }
  int readError = 0;
  int sent = link.WriteCameraFile(
      upper, size, stamp,
      [&](uint8_t* data, int want) {
        int have = 0;
        while (have < want) {
          ssize_t n = ::read(fd, data + have, static_cast<size_t>(want - have));
          if (n < 0 && errno == EINTR) continue;
          if (n < 0) {
            readError = errno;
            return -1;
          }
          if (n == 0) break;
          have += static_cast<int>(n);
        }
        return have;
      },
      [&] { progress.Step(); });
  ::close(fd);
  if (readError) {
    ui.ShowSystemError(path.string(), readError);
    return 0;
  }
  if (!sent) {
    ui.ShowMessage(ids::FAILED_TO_WRITE_FILE, MsgIcon::Error);
    return 0;
  }
  // The folder now holds this name and number: a later file of the batch with
  // the same number must meet the clash check.
  CamEntry entry;
  size_t dot = upper.rfind('.');
  entry.name = upper.substr(0, dot);
  entry.extension = dot == std::string::npos ? std::string() : upper.substr(dot + 1);
  entry.displayName = upper;
  entry.year = stamp.year, entry.month = stamp.month, entry.day = stamp.day;
  entry.hour = stamp.hour, entry.minute = stamp.minute;
  entry.size = size;
  link.files.push_back(entry);
  ++outcome.done;
  return 1;
}

std::optional<fs::path> FetchToTemp(CameraLink& link, FileOpsUi& ui, const fs::path& folder,
                                    const std::string& name, uint32_t size, int statusRequest) {
  if (folder.empty() || !IsSafeCameraName(name)) {
    ui.ShowMessage(ids::FAILED_TO_READ_FILE, MsgIcon::Error);
    return std::nullopt;
  }
  // A block the PC cannot spare gives "Failed to read file." there, not a crash.
  auto data = link.ReadWholeFile(name, size, statusRequest);
  if (!data) return std::nullopt;
  fs::path target = folder / name;
  std::string partPath;
  int fd = OpenPartFile(target, partPath);
  if (fd < 0) {
    ui.ShowSystemError(target.string(), errno);
    return std::nullopt;
  }
  if (!WriteAll(fd, data->data(), static_cast<int>(data->size()))) {
    int error = errno;
    DropPartFile(fd, partPath);
    ui.ShowSystemError(target.string(), error);
    return std::nullopt;
  }
  if (int error = FinishPartFile(fd, partPath, target)) {
    ui.ShowSystemError(target.string(), error);
    return std::nullopt;
  }
  return target;
}

int SaveCopy(const fs::path& source, const fs::path& target, std::string& failedPath, size_t chunkBytes) {
  failedPath = source.string();
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  failedPath = target.string();
  std::string partPath;
  int out = OpenPartFile(target, partPath);
  if (out < 0) {
    int error = errno;
    ::close(in);
    return error;
  }
  std::vector<uint8_t> chunk(std::max<size_t>(chunkBytes, 1));
  int error = 0;
  for (;;) {
    ssize_t n = ::read(in, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      failedPath = source.string();
      break;
    }
    if (n == 0) break;
    if (!WriteAll(out, chunk.data(), static_cast<int>(n))) {
      error = errno;
      break;
    }
  }
  ::close(in);
  // A saved recording is often the only copy once the temporary folder goes:
  // on the disk before it takes the chosen name.
  if (!error && ::fsync(out) != 0) error = errno;
  if (error) {
    DropPartFile(out, partPath);
    return error;
  }
  return FinishPartFile(out, partPath, target);
}
