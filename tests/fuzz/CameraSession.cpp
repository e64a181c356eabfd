#include "tests/fuzz/CameraSession.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "camera/CameraConnection.h"
#include "camera/CameraProtocol.h"
#include "fileops/CameraFileOps.h"
#include "camera/DcfRules.h"
#include "fileops/Transfer.h"
#include "platform/ui/Pacing.h"

namespace fs = std::filesystem;

namespace {

// The folders and files the walk visits at most, so that a session stays short.
constexpr size_t kFoldersPerLevel = 2;
constexpr size_t kFilesPerFolder = 4;
constexpr const char* kUploadName = "DCAM0001.JPG";
constexpr const char* kUploadBody = "a picture from the PC";

[[noreturn]] void Breach(const std::string& what) {
  std::fprintf(stderr, "camera session: %s\n", what.c_str());
  std::abort();
}

class NoPacing final : public Pacing {
 public:
  void Wait(int) override {}
};

// The window: every question is answered yes; a naming dialog gives a name
// once after `Name`, and is cancelled when it comes again (a refused name).
class QuietUi final : public FileOpsUi {
 public:
  void ShowMessage(int, MsgIcon) override {}
  void ShowText(const std::string&, MsgIcon) override {}
  bool Ask(const std::string&, MsgIcon, AskButtons) override { return true; }
  void Name(std::string name) { name_ = std::move(name); }
  std::optional<std::string> AskFileNumber(const std::string&) override { return TakeName(); }
  std::optional<std::string> AskFolderNumber(const std::string&) override { return TakeName(); }
  std::optional<std::string> AskPcName(int, const std::string&, const std::string&) override { return std::nullopt; }

 private:
  std::optional<std::string> TakeName() { return std::exchange(name_, std::nullopt); }
  std::optional<std::string> name_;
};

class QuietProgress final : public ProgressSink {
 public:
  void SetFileText(const std::string&, bool) override {}
  void SetRange(int) override {}
  void Step() override {}
  void SetMessage(const std::string&) override {}
  bool CancelRequested() override { return false; }
  void Activate() override {}
  void Close() override {}
};

bool IsTopFolder(const std::string& path) { return path == "DCIM" || path == "QXMOV"; }

// The rows the camera pane would show for the camera's current folder.
void CheckRows(const CameraLink& link) {
  for (size_t i = 0; i < link.folders.size(); ++i) {
    const CamEntry& e = link.folders[i];
    if (!e.isFolder) Breach("a file among the folder rows: " + e.displayName);
    if (i == 0 && (e.name == "MemoryStick" || e.name == "Non MemoryStick")) continue;
    if (e.name == "..") {
      if (link.camPath == "\\") Breach("\"..\" in the root");
      continue;
    }
    if (!IsSafeCameraName(e.name)) Breach("an unsafe folder name shown: " + e.name);
    const bool shown = link.camPath == "\\" ? (e.name == "DCIM" || e.name == "QXMOV")
                                            : IsTopFolder(link.camPath) && IsValidDcfFolderName(e.name) == DcfVerdict::Ok;
    if (!shown) Breach("folder " + e.name + " shown in " + link.camPath);
  }
  for (const CamEntry& e : link.files) {
    if (e.isFolder) Breach("a folder among the file rows: " + e.name);
    if (link.camPath == "\\" || IsTopFolder(link.camPath)) Breach("file " + e.displayName + " shown in " + link.camPath);
    if (!IsSafeCameraName(e.displayName) || !IsValidDcfFileName(e.displayName, link.parentKind))
      Breach("file " + e.displayName + " shown");
  }
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// After a download batch of `rows` from a folder listed as `files`: only
// listed names, each a regular file of the size the listing gave (the last
// entry of that name, as the batch takes it), no part file.
void CheckDownloads(const CamEntryList& files, const std::vector<CamFileRow>& rows, const fs::path& pc) {
  for (const std::string& name : Entries(pc)) {
    if (std::none_of(rows.begin(), rows.end(), [&](const CamFileRow& r) { return r.name == name; }))
      Breach("a PC file that was not asked for: " + name);
    const fs::path file = pc / name;
    if (!fs::is_regular_file(fs::symlink_status(file))) Breach("not a plain file: " + name);
    auto last = std::find_if(files.rbegin(), files.rend(), [&](const CamEntry& e) { return e.displayName == name; });
    if (last == files.rend()) Breach("a PC file of a name the camera did not list: " + name);
    if (fs::file_size(file) != last->size)
      Breach("a partial download kept: " + name + ", " + std::to_string(fs::file_size(file)) + " of " +
             std::to_string(last->size) + " bytes");
  }
}

void EmptyFolder(const fs::path& folder) {
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directories(folder);
}

// In a folder of files: what the user can do there, each on the camera's word.
void ChangeFiles(CameraLink& link, QuietUi& ui, QuietProgress& progress, const fs::path& pc, const fs::path& src) {
  std::vector<CamFileRow> rows;
  for (const CamEntry& e : link.files)
    if (rows.size() < kFilesPerFolder) rows.push_back(AsFileRow(e));
  EmptyFolder(pc);
  const CamEntryList listed = link.files;  // a camera lost in the batch takes the rows with it
  DownloadBatch(link, ui, progress, {rows, pc});
  CheckDownloads(listed, rows, pc);

  UploadBatch(link, ui, progress, {{{kUploadName, false, false, std::string(kUploadBody).size()}}, src});
  CheckRows(link);
  if (!link.files.empty()) {
    DeleteOnCamera(link, ui, {AsFileRow(link.files.front())});
    CheckRows(link);
  }
  if (!link.files.empty()) {
    ui.Name("DCAM0002.JPG");
    RenameOnCamera(link, ui, {AsFileRow(link.files.back())});
    CheckRows(link);
  }
}

// A double click on a folder row: the camera moves, and the pane lists it.
bool Move(CameraLink& link, const std::string& name) {
  if (!link.DeviceOpen()) return false;
  const bool moved = link.ChangeCamFolder(name) != 0;
  link.ListCamFolder();
  CheckRows(link);
  return moved;
}

void Walk(CameraLink& link, QuietUi& ui, QuietProgress& progress, const fs::path& pc, const fs::path& src) {
  if (!Move(link, "\\")) return;
  std::vector<std::string> tops;
  for (const CamEntry& e : link.folders)
    if (IsTopFolder(e.name) && tops.size() < kFoldersPerLevel) tops.push_back(e.name);
  for (const std::string& top : tops) {
    if (!Move(link, top)) continue;
    std::vector<std::string> subs;
    for (const CamEntry& e : link.folders)
      if (e.name != ".." && &e != &link.folders.front() && subs.size() < kFoldersPerLevel) subs.push_back(e.name);
    ui.Name("101QXCAM");
    AddCameraFolder(link, ui);
    CheckRows(link);
    for (const std::string& sub : subs) {
      if (!Move(link, sub)) continue;
      ChangeFiles(link, ui, progress, pc, src);
      Move(link, "..");
    }
    Move(link, "\\");
  }
}

// The camera-mode replies the streaming worker and the still capture decode.
void PollReplies(CameraDriver& camera) {
  std::array<uint8_t, kPollReplyLength> poll{};
  if (camera.Vendor_Read(REQ_STREAM_POLL, 0, 0, kPollReplyLength, poll.data())) DecodePollReply(poll);
  if (camera.Vendor_Read(REQ_STILL_POLL, 0, 0, kPollReplyLength, poll.data())) DecodePollReply(poll);
  uint8_t mode = 0;
  if (camera.Vendor_Read(REQ_GET_VIDEO_MODE, 0, 0, 1, &mode)) DecodeVideoMode(mode, VideoFormat{});
}

}  // namespace

void RunCameraSession(CameraDriver& camera, const fs::path& scratch) {
  static NoPacing pacing;
  SetPacing(&pacing);
  const fs::path pc = scratch / "pc", src = scratch / "src";
  EmptyFolder(pc);
  EmptyFolder(src);
  std::ofstream(src / kUploadName, std::ios::binary) << kUploadBody;

  QuietUi ui;
  QuietProgress progress;
  CameraConnection link(camera, ui);
  link.OpenDevice();
  link.EnterStorageMode();
  CheckRows(link);
  link.EnsureDefaultFolders();
  Walk(link, ui, progress, pc, src);
  FormatMemoryStick(link, ui, progress);
  CheckRows(link);
  link.CheckMedia();
  CheckRows(link);
  PollReplies(camera);
  link.CloseDevice();

  if (Entries(scratch) != std::vector<std::string>{"pc", "src"}) Breach("something appeared beside the PC folder");
  if (Entries(src) != std::vector<std::string>{kUploadName} || Contents(src / kUploadName) != kUploadBody)
    Breach("the file to upload changed");
}
