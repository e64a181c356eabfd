#include "cli/CamSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "resources/StringIds.h"

namespace {
bool gCameraBusy = false;
}  // namespace

bool CamSession::CameraWasBusy() { return gCameraBusy; }

CamSession::CamSession(CameraDriver& driver, CameraUi& ui) : ui_(ui), connection_(driver, ui) {}

CamSession::~CamSession() { connection_.EndSession(); }

bool CamSession::Open(bool needStick) {
  errno = 0;
  switch (connection_.OpenStorageSession()) {
    case CameraConnection::SessionStart::NoCamera:
      // The driver leaves EBUSY when another program holds the camera: that is
      // no missing camera, and a script should learn the difference.
      if (errno == EBUSY) {
        gCameraBusy = true;
        std::fprintf(stderr, "orin-cam: the camera is busy: another program is using it\n");
      } else {
        ui_.ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
      }
      return false;
    case CameraConnection::SessionStart::Failed: return false;
    case CameraConnection::SessionStart::NoStick: return !needStick;
    case CameraConnection::SessionStart::Ready: return true;
  }
  return false;
}

bool CamSession::GoTo(std::string_view path) {
  pathError_.clear();
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
      // A listing is also cut short by a camera that went away: then that is what the user hears.
      if (link.CheckCamStatus(0, 1)) pathError_ = "no folder \"" + std::string(part) + "\" in " + link.camPath;
      return false;
    }
    if (!link.ChangeCamFolder(part) || !link.ListCamFolder()) return false;
  }
  return true;
}
