// The fixture of the window tests: a main window over the in-process
// simulator, with instant pacing, scripted message boxes and private settings,
// temporary folder and runtime folder.
#pragma once
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "app/MainWindow.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "resources/StringTable.h"
#include "tests/support/SimDriver.h"


// Forwards to the simulator and remembers every control request and close.
// The streaming worker calls it too, so the record is kept under a lock.
class RecordingDriver : public CameraDriver {
 public:
  explicit RecordingDriver(CameraDriver& inner) : inner_(inner) {}
  struct Call {
    char kind;  // 'W' write, 'R' read, 'C' close, 'O' open
    int request, value;
  };
  std::vector<Call> Calls() const {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
  }
  void ClearCalls() {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.clear();
  }
  int Device_Open() override { Note({'O', 0, 0}); return inner_.Device_Open(); }
  void Device_Close() override { Note({'C', 0, 0}); inner_.Device_Close(); }
  int Vendor_Write(int r, int v, int i, int l, void* d) override {
    Note({'W', r, v});
    return inner_.Vendor_Write(r, v, i, l, d);
  }
  int Vendor_Read(int r, int v, int i, int l, void* d) override {
    Note({'R', r, v});
    return inner_.Vendor_Read(r, v, i, l, d);
  }
  int Bulk_IN(void* d, int l) override { return inner_.Bulk_IN(d, l); }
  int Bulk_OUT(void* d, int l) override {
    const int sent = inner_.Bulk_OUT(d, l);
    if (afterBulkOut) afterBulkOut();
    return sent;
  }
  // Runs after every bulk write, on the thread that made it; set while no
  // copy runs.
  std::function<void()> afterBulkOut;

 private:
  void Note(const Call& call) {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back(call);
  }
  CameraDriver& inner_;
  mutable std::mutex lock_;
  std::vector<Call> calls_;
};

inline QString Text(int id) { return QString::fromUtf8(DefaultString(id).data()); }

class WindowFixture : public ::testing::Test {
 protected:
  // Serves the window's events until `done` holds; the 30 s limit only ends
  // a stuck test.
  template <typename Pred>
  bool ServeUntil(Pred done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }
  void SetUp() override {
    char tmpl[] = "/tmp/orin-gui-XXXXXX";
    scratch_ = ::mkdtemp(tmpl);
    std::filesystem::create_directories(scratch_ / "config");
    ::setenv("XDG_CONFIG_HOME", (scratch_ / "config").c_str(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString((scratch_ / "config").string()));
    ::setenv("ORIN_TEMP_DIR", (scratch_ / "OrinMedia51Temp").c_str(), 1);
    SetPacing(&pacing_);
    SetMessageBoxScript(&boxes_);
  }
  void TearDown() override {
    window_.reset();
    SetMessageBoxScript(nullptr);
    SetPacing(nullptr);
    ::unsetenv("ORIN_TEMP_DIR");
    std::filesystem::remove_all(scratch_);
  }
  // A window started up against the simulator.
  MainWindow& Started() {
    window_ = std::make_unique<MainWindow>(recorder_);
    window_->StartUp();
    return *window_;
  }
  void StoreSetting(const char* key, const QVariant& value) {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tesk51UISetting", "OrinMedia51");
    s.setValue(QString("OrinDataHeader/") + key, value);
  }
  bool Shown(int id) { return window_->Control(id)->isVisibleTo(window_.get()); }
  bool Enabled(int id) { return window_->Control(id)->isEnabled(); }

  std::filesystem::path scratch_;
  InstantPacing pacing_;
  MessageBoxScript boxes_;
  TempStick stick_;
  SimDriver sim_{stick_.Path()};
  RecordingDriver recorder_{sim_};
  std::unique_ptr<MainWindow> window_;
};

