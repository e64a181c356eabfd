// The Capture button (control 1020): the pressed picture 1041 in its place
// while the streaming worker takes a still with the live stream paused, then
// the still copied to the next numbered "Temp%.4d.JPG" of the temporary folder
// and opened in the image viewer. GUI thread only.
#pragma once
#include <QString>
#include <functional>

#include "video/StillCapture.h"

class CameraConnection;
class CameraModeController;
class CameraUi;
class WindowShell;

class CaptureController {
 public:
  CaptureController(CameraConnection& camera, WindowShell& shell, CameraUi& ui, CameraModeController& cameraMode);

  // The worker's still hook: the converter's table from the program folder.
  StillCapturer& Capturer() { return capturer_; }
  // Starts the image viewer with a still's full path.
  std::function<void(const QString& path)> viewStill;

  void OnCaptureStill();

 private:
  CameraConnection& camera_;
  WindowShell& shell_;
  CameraUi& ui_;
  CameraModeController& cameraMode_;
  StillCapturer capturer_;
};
