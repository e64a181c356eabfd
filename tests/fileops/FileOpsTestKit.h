// What the file-operation tests share: the simulator with a counting driver
// in front, a scripted window and progress dialog, and stick helpers; the
// connection starts as the camera tests' does (tests/camera/CameraTestKit.h).
#pragma once
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include "fileops/FileOpsUi.h"
#include "platform/ui/Pacing.h"
#include "resources/StringTable.h"
#include "tests/camera/CameraTestKit.h"
#include "tests/support/SimDriver.h"

namespace fs = std::filesystem;

// The window as a script: every text shown or asked is logged; questions take
// the next answer (true when none is left); dialogs return their queued names.
class ScriptUi final : public FileOpsUi {
 public:
  std::vector<std::string> shown, asked;
  std::deque<bool> answers;
  std::deque<std::optional<std::string>> names;  // naming dialogs' results
  int dialogs = 0, pcRefreshes = 0, camFills = 0, previewClears = 0, pollStarts = 0, pollStops = 0;
  bool pcEnabled = false, camEnabled = false, buttonsShown = false;
  std::string renamedSelection;

  void ShowText(const std::string& text, MsgIcon) override { shown.push_back(text); }
  bool Ask(const std::string& text, MsgIcon, AskButtons) override {
    asked.push_back(text);
    if (answers.empty()) return true;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> NextName() {
    ++dialogs;
    if (names.empty()) return std::nullopt;
    auto n = names.front();
    names.pop_front();
    return n;
  }
  std::optional<std::string> AskFileNumber(const std::string&) override { return NextName(); }
  std::optional<std::string> AskFolderNumber(const std::string&) override { return NextName(); }
  std::optional<std::string> AskPcName(int, const std::string&, const std::string&) override { return NextName(); }
  void EnablePcPane(bool e) override { pcEnabled = e; }
  void EnableCameraPane(bool e) override { camEnabled = e; }
  void ShowCameraButtons(bool shown) override { buttonsShown = shown; }
  void RefreshPcPane() override { ++pcRefreshes; }
  void FillCamPane() override { ++camFills; }
  void StopStoragePoll() override { ++pollStops; }
  void StartStoragePoll(int) override { ++pollStarts; }
  void ClearPreviewPicture() override { ++previewClears; }
  void SelectionRenamed(const std::string& n) override { renamedSelection = n; }
};

class ScriptProgress final : public ProgressSink {
 public:
  std::vector<int> ranges;
  std::vector<std::string> files;
  int steps = 0, closes = 0;
  bool cancel = false;
  std::function<void()> onStep;
  void SetFileText(const std::string& name, bool) override { files.push_back(name); }
  void SetRange(int n) override { ranges.push_back(n); }
  void Step() override {
    ++steps;
    if (onStep) onStep();
  }
  void SetMessage(const std::string&) override {}
  bool CancelRequested() override { return cancel; }
  void Activate() override {}
  void Close() override { ++closes; }
};

inline std::string Msg(int id) { return std::string(DefaultString(id)); }

inline void WriteFile(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}
inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}
// A local time as seconds since the epoch.
inline std::time_t Local(int y, int mo, int d, int h, int mi) {
  std::tm tm{};
  tm.tm_year = y - 1900, tm.tm_mon = mo - 1, tm.tm_mday = d, tm.tm_hour = h, tm.tm_min = mi, tm.tm_isdst = -1;
  return std::mktime(&tm);
}
inline void SetMtime(const fs::path& p, std::time_t t) {
  struct timespec ts[2] = {{0, UTIME_OMIT}, {t, 0}};
  utimensat(AT_FDCWD, p.c_str(), ts, 0);
}
inline std::time_t Mtime(const fs::path& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mtime;
}

class FileOpsSim : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPacing(&pacing);
    fs::create_directories(stick.Path() / "DCIM/100QXCAM");
    fs::create_directories(stick.Path() / "QXMOV/100QXMSC");
    pc = stick.Path().parent_path() / (stick.Path().filename().string() + "-pc");
    fs::create_directories(pc);
  }
  void TearDown() override {
    SetPacing(nullptr);
    std::error_code ec;
    fs::permissions(pc, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(pc, ec);
  }
  // The shared storage start-up, and the folder `path` ("DCIM", "100QXCAM") listed.
  void Connect(std::initializer_list<const char*> path) {
    OpenInStorage(link, path);
    driver.bulkInAsked.clear();
    driver.writes.clear();
  }
  // The pane row of a camera file or folder, and the storage row on top.
  CamFileRow Row(const std::string& name) const {
    for (const CamFileRow& row : link.PaneRows())
      if (row.name == name) return row;
    ADD_FAILURE() << "no row " << name;
    return {};
  }
  CamFileRow RootRow() const { return link.PaneRows().front(); }
  fs::path Cam(const std::string& p) const { return stick.Path() / p; }

  InstantPacing pacing;
  TempStick stick;
  SimDriver sim{stick.Path(), 64ull * 1048576};
  CountingDriver driver{sim};
  RecordingUi camUi;
  CameraConnection link{driver, camUi};
  ScriptUi ui;
  ScriptProgress progress;
  fs::path pc;
};
