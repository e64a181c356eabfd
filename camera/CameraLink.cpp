#include "camera/CameraLink.h"

#include <algorithm>
#include <climits>
#include <new>

#include "camera/DcfRules.h"
#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"

namespace {

// A FAT directory holds at most 65536 entries: a camera that keeps sending
// records past that is broken, and the listing must still end.
constexpr int kMaxRecords = 65536;

constexpr const char* kRootRow = "MemoryStick";
constexpr const char* kNoStickRow = "Non MemoryStick";

int MessageFor(int request) {
  switch (request) {
    case REQ_GET_CAPACITY:
    case REQ_CHANGE_DIR:
    case REQ_LIST_DIR: return ids::ERROR_READING_STICK;
    case REQ_FORMAT: return ids::FAILED_TO_FORMAT;
    case REQ_MAKE_DIR: return ids::FAILED_TO_CREATE_FOLDER;
    case REQ_DELETE: return ids::FAILED_TO_DELETE;
    case REQ_RENAME: return ids::FAILED_TO_RENAME;
    case REQ_WRITE_FILE:
    case REQ_READ_FILE: return ids::FAILED_TO_COPY;
    default: return ids::CANNOT_EXECUTE;
  }
}

CamEntry FolderEntry(std::string name) {
  CamEntry e;
  e.name = name;
  e.displayName = std::move(name);
  e.isFolder = true;
  return e;
}

}  // namespace

CameraLink::CameraLink(CameraDriver& driver, CameraUi& ui) : driver_(driver), ui_(ui) {}

int CameraLink::Write(int request, int value, int index, int length, const void* data) {
  uint8_t none = 0;  // the driver wants a valid pointer even for no data
  return driver_.Vendor_Write(request, value, index, length, data ? const_cast<void*>(data) : &none);
}

bool CameraLink::Read(int request, void* data, int length) {
  return driver_.Vendor_Read(request, 0, 0, length, data) != 0;
}

int CameraLink::BulkIn(void* data, int length) {
  return std::clamp(driver_.Bulk_IN(data, length), 0, length);
}

int CameraLink::OpenDevice() {
  deviceOpen_ = driver_.Device_Open() != 0;
  return deviceOpen_ ? 1 : 0;
}

void CameraLink::CloseDevice() {
  driver_.Device_Close();
  deviceOpen_ = false;
}

int CameraLink::SetMode(int mode) { return Write(REQ_SET_MODE, mode, 0, 0, nullptr); }

void CameraLink::CameraGone() {
  CloseDevice();
  ResetCameraPane();
  ui_.ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
  ui_.Repaint();
  GetPacing().Wait(2000);
}

int CameraLink::CheckCamStatus(int request, int result) {
  if (!deviceOpen_) return 0;
  if (result == 0) {
    CameraGone();
    return 0;
  }
  uint8_t status = 0;
  bool statusRead = Read(REQ_GET_STATUS, &status, kStatusReplyLength);
  if (!statusRead) status = static_cast<uint8_t>(result & 0xFF);

  if (status == STATUS_OK) return 1;
  if (status == STATUS_LISTED && request == REQ_LIST_DIR) return 1;
  if (IsQuietFailure(status)) {  // the camera wants these passed over without a word
    ui_.QuietFailure(request, status);
    return 0;
  }

  if (request == 0 && !statusRead) {
    if (deviceOpen_)
      CameraGone();
    else
      GetPacing().Wait(2000);
    return 0;
  }
  ui_.ShowMessage(MessageFor(request), MsgIcon::Error);
  return 0;
}

int CameraLink::ChangeCamFolder(std::string_view name) {
  if (!deviceOpen_) return 0;
  // The path follows the request before its outcome is known.
  if (camPath == "DCIM" || camPath == "QXMOV")
    camPath = name == ".." ? "\\" : std::string(name);
  else if (name == "..")
    camPath = parentKind == PARENT_DCIM ? "DCIM" : parentKind == PARENT_QXMOV ? "QXMOV" : "\\";
  else
    camPath = std::string(name);

  auto field = MakeFolderNameField(name);
  if (!field) return 0;  // no folder the camera could hold has such a name
  int answer = CheckCamStatus(REQ_CHANGE_DIR, Write(REQ_CHANGE_DIR, 0, 0, kFolderNameField, field->data()));
  if (answer) {
    if (name == "DCIM") parentKind = PARENT_DCIM;
    else if (name == "QXMOV") parentKind = PARENT_QXMOV;
    else if (name == "\\") parentKind = PARENT_ROOT;
  }
  return answer;
}

void CameraLink::SetPlaceholder() {
  folders.clear();
  files.clear();
  folders.push_back(FolderEntry(unformattedStick_ ? kRootRow : kNoStickRow));
}

bool CameraLink::KeepRecord(const CamEntry& e) const {
  if (e.isFolder) {
    if (e.name == "..") return camPath != "\\";
    if (!IsSafeCameraName(e.name)) return false;
    if (camPath == "\\") return e.name == "DCIM" || e.name == "QXMOV";
    if (camPath == "DCIM" || camPath == "QXMOV") return IsValidDcfFolderName(e.name) == DcfVerdict::Ok;
    return false;  // DCF folders hold no sub-folders
  }
  if (camPath == "\\" || camPath == "DCIM" || camPath == "QXMOV") return false;
  return IsSafeCameraName(e.displayName) && IsValidDcfFileName(e.displayName, parentKind);
}

int CameraLink::ListCamFolder() {
  folders.clear();
  files.clear();
  listingCutShort_ = false;
  if (!deviceOpen_ || !mediaReady_) {
    SetPlaceholder();
    return 0;
  }
  if (!CheckCamStatus(0, 1)) return 0;

  CamEntry root = FolderEntry(kRootRow);
  std::array<uint8_t, kCapacityReplyLength> reply{};
  if (Read(REQ_GET_CAPACITY, reply.data(), kCapacityReplyLength)) {
    Capacity c = DecodeCapacity(reply);
    root.size = c.freeBytes;
    totalCapacity = c.totalBytes;
  } else {
    totalCapacity = 0;
  }
  folders.push_back(root);

  int listResult = Write(REQ_LIST_DIR, 0, 0, 0, nullptr);
  std::array<uint8_t, kDirRecordLength> raw{};
  for (int n = 0; n < kMaxRecords; ++n) {
    raw.fill(0);
    if (BulkIn(raw.data(), kDirRecordLength) < kDirRecordLength) {
      listingCutShort_ = true;
      break;
    }
    DirRecord rec = DecodeDirRecord(raw);
    if (rec.endOfListing) break;
    if (rec.name == ".") continue;
    CamEntry e;
    e.name = rec.name;
    e.extension = rec.extension;
    e.size = rec.size;
    e.displayName = rec.name + "." + rec.extension;
    e.isFolder = rec.extension.empty();
    if (e.isFolder) e.displayName = rec.name;
    if (rec.name != "..") {
      CamDateTime t = DecodeFatTime(rec.time, rec.date);
      e.year = t.year, e.month = t.month, e.day = t.day, e.hour = t.hour, e.minute = t.minute;
    }
    if (KeepRecord(e)) (e.isFolder ? folders : files).push_back(std::move(e));
  }
  return CheckCamStatus(REQ_LIST_DIR, listResult);
}

int CameraLink::CheckMedia() {
  std::array<uint8_t, kMediaStatusReplyLength> reply{};
  MediaStatus s;
  gaveUpExamining_ = false;
  stickExamined_ = false;
  for (int waitedMs = 0;; waitedMs += 300) {
    if (!deviceOpen_) return 0;
    reply.fill(0);
    if (!Read(REQ_MEDIA_STATUS, reply.data(), kMediaStatusReplyLength)) {
      ui_.CloseBusyDialog();
      CheckCamStatus(0, 0);
      return 0;
    }
    s = DecodeMediaStatus(reply);
    if (s.settled) break;
    stickExamined_ = true;
    if (!ui_.KeepWaitingForStick(waitedMs)) {
      gaveUpExamining_ = true;
      return 0;
    }
    GetPacing().Wait(300);  // the camera is still examining the Memory Stick
  }
  if (!mediaNotified_ && !s.present) {
    ui_.ShowFormatButton(false);
    unformattedStick_ = false;
    mediaNotified_ = true;
    mediaReady_ = false;
    ListCamFolder();
    ui_.FillCamPane();
  }
  if (s.notFormatted) {
    if (mediaState_ == MediaState::Unchecked) unformattedStick_ = true;
    if (mediaNotified_) {
      ui_.CloseBusyDialog();
      ui_.ShowMessage(ids::NOT_FORMATTED, MsgIcon::Error);
      mediaNotified_ = false;
      unformattedStick_ = true;
      mediaReady_ = false;  // the relisting must show the placeholder, not read the stick
      ListCamFolder();
      ui_.FillCamPane();
      ui_.ShowFormatButton(true);
      ui_.Repaint();
    }
    return 0;
  }
  if (s.notSupported) {
    if (mediaNotified_) {
      ui_.CloseBusyDialog();
      ui_.ShowMessage(ids::NOT_SUPPORTED, MsgIcon::Error);
      ui_.Repaint();
      mediaNotified_ = false;
      unformattedStick_ = false;
    }
    return 0;
  }
  unformattedStick_ = false;
  uint8_t ready = 0;
  if (!Read(REQ_MEDIA_READY, &ready, kMediaReadyReplyLength)) {
    ui_.CloseBusyDialog();
    CheckCamStatus(0, 0);
    return 0;
  }
  return ready != 0 ? 1 : 0;
}

bool CameraLink::HasFolderRow(std::string_view name) const {
  return std::any_of(folders.begin() + (folders.empty() ? 0 : 1), folders.end(),
                     [&](const CamEntry& e) { return e.name == name; });
}

bool CameraLink::HasFolderRowContaining(std::string_view part) const {
  return std::any_of(folders.begin() + (folders.empty() ? 0 : 1), folders.end(),
                     [&](const CamEntry& e) { return e.name.find(part) != std::string::npos; });
}

int CameraLink::EnsureDefaultFolders() {
  if (camPath != "\\") return 0;
  // Folders are only made from a listing that worked, and only where the
  // camera really went: a failed listing is not an empty folder, and a failed
  // move would leave 100QXCAM or 100QXMSC in the root. Any step that fails
  // (and has told the user) makes the answer 0.
  const bool listed = ListCamFolder();
  bool ok = listed;
  ui_.StepProgress();
  if (listed && !HasFolderRow("DCIM") && !MakeCameraFolder("DCIM")) ok = false;
  if (listed && !HasFolderRow("QXMOV") && !MakeCameraFolder("QXMOV")) ok = false;
  ui_.StepProgress();
  const bool inDcim = ChangeCamFolder("DCIM") && ListCamFolder();
  if (!inDcim || (!HasFolderRowContaining("QXCAM") && !MakeCameraFolder("100QXCAM"))) ok = false;
  ui_.StepProgress();
  if (!ChangeCamFolder("\\")) ok = false;
  const bool inQxmov = ChangeCamFolder("QXMOV") && ListCamFolder();
  if (!inQxmov || (!HasFolderRowContaining("QXMSC") && !MakeCameraFolder("100QXMSC"))) ok = false;
  ui_.StepProgress();
  if (!ChangeCamFolder("\\")) ok = false;
  ui_.StepProgress();
  return ok ? 1 : 0;
}

int CameraLink::MakeCameraFolder(std::string_view name) {
  ui_.StopStoragePoll();
  int answer = 0;
  auto field = MakeFolderNameField(name);
  if (deviceOpen_ && field) {
    std::array<uint8_t, 13> payload{};
    std::copy(field->begin(), field->end(), payload.begin());
    auto stamp = FatTimeBytes(LocalTimeNow());
    std::copy(stamp.begin(), stamp.end(), payload.begin() + kFolderNameField);
    answer = CheckCamStatus(REQ_MAKE_DIR, Write(REQ_MAKE_DIR, 0, 0, 13, payload.data()));
  }
  ui_.StartStoragePoll(500);
  return answer;
}

int CameraLink::DeleteCameraFile(std::string_view name) {
  ui_.StopStoragePoll();
  int answer = 0;
  auto field = MakeFileNameField(name);
  if (deviceOpen_ && field)
    answer = CheckCamStatus(REQ_DELETE, Write(REQ_DELETE, 0, 0, kFileNameField, field->data()));
  ui_.StartStoragePoll(500);
  return answer;
}

int CameraLink::RenameCameraFile(std::string_view oldName, std::string_view newName) {
  auto oldField = MakeFileNameField(oldName);
  auto newField = MakeFileNameField(newName);
  if (!deviceOpen_ || !oldField || !newField) return 0;
  std::array<uint8_t, 2 * kFileNameField> payload{};
  std::copy(oldField->begin(), oldField->end(), payload.begin());
  std::copy(newField->begin(), newField->end(), payload.begin() + kFileNameField);
  return CheckCamStatus(REQ_RENAME, Write(REQ_RENAME, 0, 0, 2 * kFileNameField, payload.data()));
}

std::optional<MediaStatus> CameraLink::ReadMediaStatus() {
  std::array<uint8_t, kMediaStatusReplyLength> reply{};
  if (!Read(REQ_MEDIA_STATUS, reply.data(), kMediaStatusReplyLength)) return std::nullopt;
  return DecodeMediaStatus(reply);
}

int CameraLink::CheckWriteProtect() {
  ui_.StopStoragePoll();
  auto status = ReadMediaStatus();
  if (!status) {
    // No answer is no permission: the camera is gone.
    CheckCamStatus(0, 0);
    ui_.StartStoragePoll(500);
    return 0;
  }
  if (status->writeProtected) {
    ui_.ShowMessage(ids::WRITE_PROTECTED, MsgIcon::Information);
    ui_.StartStoragePoll(500);
    return 0;
  }
  return 1;
}

void CameraLink::ResetCameraPane() {
  ui_.ShowCameraButtons(false);
  SetPlaceholder();
  ui_.FillCamPane();
  ui_.EnableCameraPane(false);
  ui_.ShowFormatButton(unformattedStick_);
}

void CameraLink::ClearLists() {
  folders.clear();
  files.clear();
}

int CameraLink::SendFormat() { return Write(REQ_FORMAT, 0, 0, 0, nullptr); }

void CameraLink::StickFormatted() {
  mediaReady_ = true;
  mediaState_ = MediaState::Listed;
  unformattedStick_ = false;
}

std::vector<std::string> CameraLink::PaneRowNames() const {
  std::vector<std::string> names;
  for (const CamFileRow& row : PaneRows()) names.push_back(row.name);
  return names;
}

std::vector<CamFileRow> CameraLink::PaneRows() const {
  std::vector<CamFileRow> rows;
  rows.reserve(folders.size() + files.size());
  for (const CamEntry& e : folders) rows.push_back(AsFileRow(e));
  for (const CamEntry& e : files) rows.push_back(AsFileRow(e));
  return rows;
}

Capacity CameraLink::ReadCapacity() {
  std::array<uint8_t, kCapacityReplyLength> reply{};
  if (!Read(REQ_GET_CAPACITY, reply.data(), kCapacityReplyLength)) return {};
  return DecodeCapacity(reply);
}

std::optional<Capacity> CameraLink::ReadCapacityForUpload() {
  ReadCapacity();  // the camera's first answer after a change may be stale
  GetPacing().Wait(100);
  std::array<uint8_t, kCapacityReplyLength> reply{};
  if (!Read(REQ_GET_CAPACITY, reply.data(), kCapacityReplyLength)) return std::nullopt;
  return DecodeCapacity(reply);
}

int CameraLink::WriteCameraFile(std::string_view name, uint32_t size, const CamDateTime& stamp,
                                const std::function<int(uint8_t*, int)>& source,
                                const std::function<void()>& onBlock) {
  auto field = MakeFileNameField(name);
  if (!field) return 0;
  std::array<uint8_t, 17> payload{};
  std::copy(field->begin(), field->end(), payload.begin());
  auto stampBytes = FatTimeBytes(stamp);
  std::copy(stampBytes.begin(), stampBytes.end(), payload.begin() + kFileNameField);
  Write(REQ_WRITE_FILE, static_cast<int>(size & 0xFFFF), static_cast<int>(size >> 16), 17,
        payload.data());  // its result tells nothing; the blocks do

  std::vector<uint8_t> block(kBulkBlock, 0);
  uint64_t sent = 0;
  for (;;) {
    // Never more than announced, even if the PC file grew meanwhile.
    int ask = static_cast<int>(std::min<uint64_t>(kBulkBlock, size - sent));
    int n = source(block.data(), ask);
    if (n < 0 || n > ask) return 0;
    int m = driver_.Bulk_OUT(block.data(), n);
    if (onBlock) onBlock();
    if (m != n) return 0;
    sent += static_cast<uint64_t>(n);
    if (n < kBulkBlock) {
      GetPacing().Wait(500);
      return sent == size ? 1 : 0;  // a file that shrank was not sent whole
    }
  }
}

CameraLink::ReadResult CameraLink::ReadCameraFile(std::string_view name, uint32_t size,
                                                  const std::function<bool(const uint8_t*, int)>& sink,
                                                  const std::function<void()>& onBlock) {
  ReadResult result;
  auto field = MakeFileNameField(name);
  if (!field) {
    result.sinkOk = false;
    return result;
  }
  Write(REQ_READ_FILE, 0, 0, kFileNameField, field->data());  // the bulk reads tell the outcome
  std::vector<uint8_t> piece(kBulkBlock, 0);
  int got = 0;
  do {
    int ask = static_cast<int>(std::min<uint64_t>(kBulkBlock, size - std::min<uint64_t>(size, result.total)));
    got = BulkIn(piece.data(), ask);
    // After a sink failure the rest is still drained, so that the camera's
    // pipe is empty for the next request.
    if (result.sinkOk && got > 0) result.sinkOk = sink(piece.data(), got);
    if (onBlock) onBlock();
    result.total += static_cast<uint64_t>(got);
  } while (got == kBulkBlock);
  return result;
}

std::optional<std::vector<uint8_t>> CameraLink::ReadWholeFile(std::string_view name, uint32_t size,
                                                              int statusRequest) {
  auto field = MakeFileNameField(name);
  if (!field || size > static_cast<uint32_t>(INT_MAX)) {
    ui_.ShowMessage(ids::FAILED_TO_READ_FILE, MsgIcon::Error);
    return std::nullopt;
  }
  int rc = Write(REQ_READ_FILE, 0, 0, kFileNameField, field->data());
  std::vector<uint8_t> data;
  try {
    data.resize(size);
  } catch (const std::bad_alloc&) {
    data.clear();
  }
  int want = static_cast<int>(size);
  if (data.size() != size || BulkIn(data.data(), want) != want) {
    ui_.ShowMessage(ids::FAILED_TO_READ_FILE, MsgIcon::Error);
    return std::nullopt;
  }
  if (!CheckCamStatus(statusRequest, rc)) return std::nullopt;
  return data;
}
