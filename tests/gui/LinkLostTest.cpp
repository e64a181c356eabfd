// The window's copy of the link-lost flag against the in-process camera: set
// when the stream is lost or camera mode is chosen without a camera, and
// cleared once the stream runs again, so that an audio-format change keeps
// its one-second wait and only a re-entry after a loss re-sends the mode.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>

#include "app/ControlTable.h"
#include "camera/CameraProtocol.h"
#include "tests/gui/WindowFixture.h"

// Forwards to the simulator and counts the camera-mode requests.
class ModeCountingDriver final : public CameraDriver {
 public:
  explicit ModeCountingDriver(CameraDriver& inner) : inner_(inner) {}
  std::atomic<int> cameraModes{0};
  int Device_Open() override { return inner_.Device_Open(); }
  void Device_Close() override { inner_.Device_Close(); }
  int Vendor_Write(int r, int v, int i, int l, void* d) override {
    if (r == REQ_SET_MODE && v == MODE_CAMERA) ++cameraModes;
    return inner_.Vendor_Write(r, v, i, l, d);
  }
  int Vendor_Read(int r, int v, int i, int l, void* d) override { return inner_.Vendor_Read(r, v, i, l, d); }
  int Bulk_IN(void* d, int l) override { return inner_.Bulk_IN(d, l); }
  int Bulk_OUT(void* d, int l) override { return inner_.Bulk_OUT(d, l); }

 private:
  CameraDriver& inner_;
};

// Instant waits, from any thread; the window's one-second waits are counted,
// and the worker's 100 ms pause before it restarts a stream the window let go on.
class SecondCountingPacing final : public Pacing {
 public:
  std::atomic<int> seconds{0}, resumes{0};
  void Wait(int ms) override {
    if (ms == 1000) ++seconds;
    if (ms == 100) ++resumes;
  }
};

class LinkLostTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    SetPacing(&waits_);
  }
  MainWindow& Streaming() {
    window_ = std::make_unique<MainWindow>(driver_);
    window_->StartUp();
    // Timer 2 runs here instead: stopped first, or on a busy machine it fires
    // later and starts the stream a second time in the middle of the test.
    window_->Timer(TimerId::DeferredPreviewStart).stop();
    window_->Connection().OnDeferredPreviewStart();
    EXPECT_TRUE(window_->CameraMode().PreviewRunning());
    return *window_;
  }

  // The camera announces an audio-format change; the window lets the worker
  // go on. The one-second waits the window made meanwhile.
  int WaitsOfAnAudioChange() {
    const int waits = waits_.seconds;
    const int resumes = waits_.resumes;
    sim_.Control("audio-change");
    EXPECT_TRUE(ServeUntil([&] { return waits_.resumes > resumes; })) << "the stream was never resumed";
    return waits_.seconds - waits;
  }

  SecondCountingPacing waits_;
  ModeCountingDriver driver_{sim_};
};

TEST_F(LinkLostTest, ClearedWhenThePreviewIsBackAfterAnUnplug) {
  MainWindow& w = Streaming();
  EXPECT_FALSE(w.Camera().LinkLost());
  EXPECT_EQ(WaitsOfAnAudioChange(), 1);

  sim_.Control("unplug");
  ASSERT_TRUE(ServeUntil([&] { return !w.Camera().DeviceOpen(); }));
  EXPECT_TRUE(w.Camera().LinkLost());
  sim_.Control("plug");
  const int modes = driver_.cameraModes;
  w.Connection().OnReopenCamera();  // timer 11
  ASSERT_TRUE(w.CameraMode().PreviewRunning());
  EXPECT_EQ(driver_.cameraModes, modes + 1);  // after a loss the mode goes again
  EXPECT_FALSE(w.Camera().LinkLost());
  EXPECT_EQ(WaitsOfAnAudioChange(), 1);

  // The camera leaves PC-camera mode: no loss, so the next entry sends no mode.
  sim_.Control("leave-camera-mode");
  ASSERT_TRUE(ServeUntil([&] { return !w.Camera().DeviceOpen(); }));
  EXPECT_FALSE(w.Camera().LinkLost());
  w.Connection().OnReopenCamera();
  EXPECT_EQ(driver_.cameraModes, modes + 1);
}

TEST_F(LinkLostTest, ClearedWhenCameraModeChosenWithoutACameraGetsItsPreview) {
  MainWindow& w = Streaming();
  w.Command(ctl::TO_STORAGE_MODE);
  sim_.Control("unplug");
  w.Connection().OnStoragePoll();  // finds the camera gone
  ASSERT_FALSE(w.Camera().DeviceOpen());
  w.Command(ctl::TO_CAMERA_MODE);
  EXPECT_TRUE(w.Camera().LinkLost());
  EXPECT_TRUE(w.Timer(TimerId::CameraReopen).isActive());

  sim_.Control("plug");
  const int modes = driver_.cameraModes;
  w.Connection().OnReopenCamera();
  ASSERT_TRUE(w.CameraMode().PreviewRunning());
  EXPECT_EQ(driver_.cameraModes, modes + 1);
  EXPECT_FALSE(w.Camera().LinkLost());
  EXPECT_EQ(WaitsOfAnAudioChange(), 1);
}
