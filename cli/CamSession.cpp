#include "cli/CamSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "cli/ExitStatus.h"
#include "resources/StringIds.h"

CamSession::CamSession(CameraDriver& driver, CameraUi& ui) : ui_(ui), connection_(driver, ui) {}

CamSession::~CamSession() {
  // After a preview the camera is let go as the window lets it go.
  if (cameraMode_)
    connection_.Release();
  else
    connection_.EndSession();
}

namespace {

// Device_Open found no camera: the driver leaves EBUSY when another program
// holds it. That is no missing camera, and a script should learn the difference.
void ReportNoCamera(CameraUi& ui) {
  if (errno == EBUSY)
    std::fprintf(stderr, "orin-cam: the camera is busy: another program is using it\n");
  else
    ui.ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
}

}  // namespace

bool CamSession::Open(bool needStick) {
  errno = 0;
  switch (connection_.OpenStorageSession()) {
    case CameraConnection::SessionStart::NoCamera:
      unavailable_ = true;
      ReportNoCamera(ui_);
      return false;
    case CameraConnection::SessionStart::Failed:
      opened_ = true;
      unavailable_ = connection_.GaveUpExamining();
      return false;
    case CameraConnection::SessionStart::NoStick: opened_ = true; return !needStick;
    case CameraConnection::SessionStart::Ready: opened_ = true; return true;
  }
  return false;
}

bool CamSession::OpenCamera(uint8_t& videoMode) {
  errno = 0;
  cameraMode_ = true;
  switch (connection_.OpenCameraSession(videoMode)) {
    case CameraConnection::SessionStart::NoCamera:
      unavailable_ = true;
      ReportNoCamera(ui_);
      return false;
    case CameraConnection::SessionStart::Ready: opened_ = true; return true;
    default: opened_ = true; return false;
  }
}

bool CamSession::GoTo(std::string_view path) {
  CameraLink& link = connection_;
  while (!path.empty()) {
    size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (part.empty()) continue;
    // Only folders the camera listed here are asked for (row 0 is the stick itself).
    const auto& rows = link.folders;
    bool listed = rows.size() > 1 && std::any_of(rows.begin() + 1, rows.end(),
                                                 [&](const CamEntry& e) { return e.name == part; });
    if (!listed) {
      ReportMissing("folder", part, link.camPath);
      return false;
    }
    if (!link.ChangeCamFolder(part) || !link.ListCamFolder()) return false;
  }
  return true;
}

bool CamSession::ReportMissing(std::string_view kind, std::string_view name, std::string_view folder) {
  CameraLink& link = connection_;
  if (!link.CheckCamStatus(0, 1)) return false;  // gone: the check said so
  if (link.ListingCutShort()) {
    ui_.ShowMessage(ids::ERROR_READING_STICK, MsgIcon::Error);
    return true;
  }
  std::fprintf(stderr, "orin-cam: no %.*s \"%.*s\" in %.*s\n", int(kind.size()), kind.data(), int(name.size()),
               name.data(), int(folder.size()), folder.data());
  return true;
}

void CamSession::StreamEnded(bool linkLost) {
  streamEndedByCamera_ = !linkLost;
  connection_.StreamEnded(linkLost);
}

bool CamSession::CameraUnavailable() const {
  return unavailable_ || (opened_ && !connection_.DeviceOpen() && !streamEndedByCamera_);
}

int CamSession::Exit(bool allDone) const {
  if (CameraUnavailable()) return kExitNoCamera;
  return allDone ? kExitDone : kExitFailed;
}
