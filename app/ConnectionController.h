// The window's side of the camera connection: the start-up's camera step, the
// deferred preview start (timer 2), the two mode switches (buttons 1044 and
// 1045), the storage poll (timer 1) and the re-open (timer 11). Each runs the
// connection's steps (camera/CameraConnection) with the window's widget steps
// (layouts, frames, timers) between them in their order. GUI thread only.
#pragma once
#include <cstdint>

class CameraConnection;
class CameraModeController;
class CameraUi;
class FilePanes;
class WindowShell;
class WindowTimers;

class ConnectionController {
 public:
  ConnectionController(CameraConnection& camera, WindowShell& shell, FilePanes& panes, WindowTimers& timers,
                       CameraModeController& cameraMode, CameraUi& ui);

  // Step 13 of the start-up: the camera opened, its stick listed in storage
  // mode, then camera mode with the preview due at timer 2. False when no
  // camera was found: the user was told and the program ends.
  bool OpenCameraAtStartUp();
  // Timer 2: the window no longer top-most, the preview started.
  void OnDeferredPreviewStart();

  // Buttons 1044 and 1045 (the window ignores them while a copy runs).
  void OnToCameraMode();
  void OnToStorageMode();

  // Timer 1: one poll, re-armed while the storage layout is shown.
  void OnStoragePoll();
  // One round of the storage poll; 0 when the camera does not answer.
  int PollStorage();
  // Timer 11: one attempt to open the camera again and go back to camera mode.
  void OnReopenCamera();
  // Camera mode and its preview after the camera came back; 1 when the preview runs.
  int EnterCameraMode();

 private:
  CameraConnection& camera_;
  WindowShell& shell_;
  FilePanes& panes_;
  WindowTimers& timers_;
  CameraModeController& cameraMode_;
  CameraUi& ui_;
  uint8_t startupVideoMode_ = 1;  // read at start-up for the deferred preview start
};
