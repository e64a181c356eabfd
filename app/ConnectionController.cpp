#include "app/ConnectionController.h"

#include <QDialog>
#include <QWindow>

#include "app/CameraModeController.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "browser/FilePanes.h"
#include "camera/CameraConnection.h"
#include "platform/ui/Pacing.h"
#include "platform/ui/WaitCursor.h"
#include "resources/StringIds.h"

ConnectionController::ConnectionController(CameraConnection& camera, WindowShell& shell, FilePanes& panes,
                                           WindowTimers& timers, CameraModeController& cameraMode, CameraUi& ui)
    : camera_(camera), shell_(shell), panes_(panes), timers_(timers), cameraMode_(cameraMode), ui_(ui) {}

// ---------------------------------------------------------------- start-up

// Opens the camera and gives it its first modes: storage mode to list the
// Memory Stick, then camera mode for the live picture.
bool ConnectionController::OpenCameraAtStartUp() {
  const bool found = camera_.OpenAtStartUp();
  shell_.ShowVideoFrame(false);
  if (!found) {
    camera_.NoCameraAtStartUp();
    return false;
  }
  uint8_t videoMode = 0;
  const auto modes = camera_.EnterModesAtStartUp(videoMode);
  if (modes == CameraConnection::StartUpModes::CameraLost) return true;
  // The preview itself starts at timer 2; no warm-up start and stop is needed here.
  startupVideoMode_ = videoMode;
  const bool switched = modes == CameraConnection::StartUpModes::CameraMode;
  if (!switched) {
    shell_.ShowVideoFrame(false);
    timers_(TimerId::CameraReopen).start();
  }
  shell_.CloseBusyDialog();
  if (switched) timers_(TimerId::DeferredPreviewStart).start();
  return true;
}

void ConnectionController::OnDeferredPreviewStart() {
  // No longer top-most once the camera mode runs.
  // Through the native window: changing the widget's flags would hide it, and
  // hiding a running dialog ends it.
  if (QWindow* native = shell_.Window().windowHandle()) native->setFlag(Qt::WindowStaysOnTopHint, false);
  // The user may have gone to storage mode before this timer came: the live
  // picture belongs to the camera layout, and that mode's entry starts it.
  if (shell_.LayoutFlag()) return;
  if (camera_.DeviceOpen() && !cameraMode_.StartStreaming(startupVideoMode_)) {
    cameraMode_.StopStreaming();
    shell_.ShowVideoFrame(false);
    timers_(TimerId::CameraReopen).start();
  }
  shell_.ShowVideoFrame(true);
}

// ---------------------------------------------------------------- the mode switches

void ConnectionController::OnToCameraMode() {
  WaitCursor wait;
  // The PC pane and, with a usable stick, the camera pane are refreshed first.
  panes_.pc.Refresh();
  if (camera_.DeviceOpen() && camera_.MediaReady() && camera_.Media() == MediaState::Listed)
    panes_.cam.FillCamPane();
  timers_(TimerId::StoragePoll).stop();
  shell_.ShowVideoFrame(true);
  shell_.ShowPictureFrame(false);
  cameraMode_.StopMovieForCameraMode();
  if (auto videoMode = camera_.SwitchToCameraMode()) {
    if (!cameraMode_.StartStreaming(*videoMode)) cameraMode_.StopStreaming();
  } else {
    shell_.ShowVideoFrame(false);
    GetPacing().Wait(500);
    timers_(TimerId::CameraReopen).start();
  }
  GetPacing().Wait(500);
  shell_.ApplyModeLayout(camera_.MediaReady());
}

void ConnectionController::OnToStorageMode() {
  WaitCursor wait;
  timers_(TimerId::CameraReopen).stop();
  camera_.BeginStorageSwitch();
  panes_.pc.Refresh();  // the PC folder may have changed while the camera streamed
  if (!camera_.DeviceOpen()) {
    ui_.ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
    shell_.ApplyModeLayout(camera_.MediaReady());
    camera_.DropStick();
    shell_.ShowVideoFrame(false);
    GetPacing().Wait(500);
    timers_(TimerId::StoragePoll).start(500);
    shell_.Repaint();
    return;
  }
  cameraMode_.StopStreaming();
  shell_.ShowVideoFrame(false);
  camera_.SendStorageMode();
  if (!PollStorage()) {
    shell_.ApplyModeLayout(camera_.MediaReady());
    camera_.DropStick();
    GetPacing().Wait(500);
    timers_(TimerId::StoragePoll).start(500);
  } else {
    camera_.ListStickAfterSwitch();
    shell_.ShowVideoFrame(false);
    GetPacing().Wait(500);
    timers_(TimerId::StoragePoll).start(500);
    shell_.ApplyModeLayout(camera_.MediaReady());
  }
  shell_.Repaint();
}

// ---------------------------------------------------------------- the poll and the re-open

void ConnectionController::OnStoragePoll() {
  timers_(TimerId::StoragePoll).stop();
  PollStorage();
  // Re-armed only while the storage layout is up (the layout flag is 1 then).
  if (!shell_.LayoutFlag()) return;
  timers_(TimerId::StoragePoll).start(500);
}

int ConnectionController::PollStorage() {
  if (!cameraMode_.MovieSelected()) shell_.HidePlayButtons();
  return camera_.PollStorage();
}

void ConnectionController::OnReopenCamera() {
  timers_(TimerId::CameraReopen).stop();
  if (camera_.Reopen()) {
    EnterCameraMode();
  } else if (!shell_.LayoutFlag()) {
    // Only the camera layout keeps trying; the storage layout has its poll.
    timers_(TimerId::CameraReopen).start();
  }
}

int ConnectionController::EnterCameraMode() {
  auto videoMode = camera_.EnterCameraMode();
  if (!videoMode) return 0;
  if (!cameraMode_.StartStreaming(*videoMode)) {
    cameraMode_.StopStreaming();
    return 0;
  }
  shell_.ShowVideoFrame(true);
  return 1;
}
