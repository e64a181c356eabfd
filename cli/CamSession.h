// One orin-cam run against the camera: open it, put it into storage mode,
// check the Memory Stick, walk to a folder; release the camera at the end.
#pragma once
#include <string>
#include <string_view>

#include "camera/CameraConnection.h"

class CamSession {
 public:
  CamSession(CameraDriver& driver, CameraUi& ui);
  ~CamSession();
  CamSession(const CamSession&) = delete;
  CamSession& operator=(const CamSession&) = delete;

  // Opens the camera and enters storage mode with the connection's storage
  // session. `needStick`: a missing or unusable Memory Stick fails (and is
  // reported). Ends in the root, listed.
  bool Open(bool needStick = true);
  // Moves from the root to `path` ("DCIM/100QXCAM"), one listed folder at a
  // time, and lists it. An empty path is the root. A folder missing from a
  // listing is a PathError() only while the camera is still there.
  bool GoTo(std::string_view path);

  CameraLink& Link() { return connection_; }
  CameraUi& Ui() { return ui_; }
  // True once an Open in this process found the camera held by another
  // program (the window, another orin-cam): orin-cam then exits kBusyExit.
  static bool CameraWasBusy();
  static constexpr int kBusyExit = 3;
  // The reason GoTo refused a path that the camera was never asked about.
  const std::string& PathError() const { return pathError_; }

 private:
  CameraUi& ui_;
  CameraConnection connection_;
  std::string pathError_;
};
