// The camera layout with the live stream running: losing the camera while it
// streams, trying again every second, and the preview back after a re-plug;
// the deferred preview start after an early switch to storage mode.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWindow>

#include "app/ControlTable.h"
#include "tests/gui/WindowFixture.h"

namespace {

class CameraModeTest : public WindowFixture {
 protected:
  MainWindow& Streaming() {
    MainWindow& w = Started();
    // Timer 2 fires now: stopped first, or it would start the preview a second
    // time later, in the middle of whatever the test is looking at.
    w.Timer(TimerId::DeferredPreviewStart).stop();
    w.Connection().OnDeferredPreviewStart();
    return w;
  }
};

}  // namespace

TEST_F(CameraModeTest, PreviewStartsAfterStartUp) {
  MainWindow& w = Streaming();
  EXPECT_TRUE(w.CameraMode().PreviewRunning());
  ASSERT_NE(w.CameraMode().Worker(), nullptr);
  EXPECT_TRUE(w.CameraMode().Worker()->PreviewRunning());
  EXPECT_TRUE(w.Control(ctl::VIDEO_FRAME)->isVisibleTo(&w));
}

TEST_F(CameraModeTest, UnplugWhileStreamingThenPlugBringsThePreviewBack) {
  MainWindow& w = Streaming();
  ASSERT_TRUE(w.CameraMode().PreviewRunning());
  sim_.Control("unplug");
  // The worker's failed poll ends the stream; its message closes the camera.
  ASSERT_TRUE(ServeUntil([&] { return !w.Camera().DeviceOpen(); }));
  EXPECT_TRUE(w.Camera().LinkLost());
  EXPECT_FALSE(w.Control(ctl::VIDEO_FRAME)->isVisibleTo(&w));
  EXPECT_TRUE(w.Timer(TimerId::CameraReopen).isActive());
  EXPECT_EQ(w.Timer(TimerId::CameraReopen).interval(), 1000);

  w.Connection().OnReopenCamera();  // still unplugged: the next try is a second away
  EXPECT_FALSE(w.Camera().DeviceOpen());
  EXPECT_TRUE(w.Timer(TimerId::CameraReopen).isActive());

  sim_.Control("plug");
  w.Connection().OnReopenCamera();
  EXPECT_TRUE(w.Camera().DeviceOpen());
  EXPECT_TRUE(w.CameraMode().PreviewRunning());
  EXPECT_TRUE(w.Control(ctl::VIDEO_FRAME)->isVisibleTo(&w));
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(CameraModeTest, StorageModeStopsTheStreamAndCameraModeRestartsIt) {
  MainWindow& w = Streaming();
  w.Command(ctl::TO_STORAGE_MODE);
  EXPECT_FALSE(w.CameraMode().PreviewRunning());
  EXPECT_FALSE(w.CameraMode().Worker()->PreviewRunning());
  w.Command(ctl::TO_CAMERA_MODE);
  EXPECT_TRUE(w.CameraMode().PreviewRunning());
  EXPECT_TRUE(w.Control(ctl::VIDEO_FRAME)->isVisibleTo(&w));
}

TEST_F(CameraModeTest, StorageModeChosenBeforeTheDeferredPreviewStartKeepsThePreviewOff) {
  MainWindow& w = Started();
  ASSERT_TRUE(w.Timer(TimerId::DeferredPreviewStart).isActive());
  w.Command(ctl::TO_STORAGE_MODE);  // a quick user, within the 400 ms
  ASSERT_TRUE(w.Shell().LayoutFlag());
  const int listed = static_cast<int>(w.Camera().files.size());
  // Timer 2 fires now.
  w.Timer(TimerId::DeferredPreviewStart).stop();
  w.Connection().OnDeferredPreviewStart();
  EXPECT_FALSE(w.CameraMode().PreviewRunning());
  EXPECT_FALSE(w.CameraMode().Worker()->PreviewRunning());
  EXPECT_FALSE(w.Control(ctl::VIDEO_FRAME)->isVisibleTo(&w));
  EXPECT_FALSE(w.windowHandle() && w.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint))
      << "the window is an ordinary one from now on";
  EXPECT_TRUE(w.Camera().DeviceOpen());
  EXPECT_EQ(static_cast<int>(w.Camera().files.size()), listed);
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}
