// One orin-cam run against the camera: open it, put it into storage mode and
// check the Memory Stick (or into camera mode), walk to a folder; release the
// camera at the end. It also knows what the run's exit status owes to the
// camera: none found, held by another program, lost on the way.
#pragma once
#include <cstdint>
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
  // Opens the camera in camera mode; its video mode into `videoMode`.
  bool OpenCamera(uint8_t& videoMode);
  // Moves from the root to `path` ("DCIM/100QXCAM"), one listed folder at a
  // time, and lists it. An empty path is the root. A folder missing from a
  // listing is reported (ReportMissing).
  bool GoTo(std::string_view path);
  // `name` (a `kind`: "file", "folder") is not in the listing of `folder`:
  // says why. A camera that went away is told by the status check (false);
  // a listing cut short is "Error in reading Memory Stick."; otherwise the
  // name is missing (true: the camera is still there).
  bool ReportMissing(std::string_view kind, std::string_view name, std::string_view folder);
  // The live stream ended on its own: the connection closes the camera; a
  // lost link counts as a lost camera, a camera that left camera mode not.
  void StreamEnded(bool linkLost);

  CameraLink& Link() { return connection_; }
  CameraConnection& Connection() { return connection_; }
  CameraUi& Ui() { return ui_; }

  // The camera was not there for this run: none found, busy, lost on the
  // way, or it kept examining its stick past the user interface's patience.
  bool CameraUnavailable() const;
  // The exit status of a command that did all it was asked (`allDone`) or
  // not, with CameraUnavailable taking precedence.
  int Exit(bool allDone) const;

 private:
  CameraUi& ui_;
  CameraConnection connection_;
  bool opened_ = false;       // the camera answered Device_Open
  bool unavailable_ = false;  // it did not, or gave no usable answer in time
  bool cameraMode_ = false;
  bool streamEndedByCamera_ = false;  // closed because the camera left camera mode
};
