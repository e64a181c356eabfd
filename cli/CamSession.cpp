#include "cli/CamSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"

CamSession::CamSession(CameraDriver& driver, CameraUi& ui) : ui_(ui), link_(driver, ui) {}

CamSession::~CamSession() {
  if (link_.deviceOpen) link_.SetMode(MODE_RELEASE);
  link_.CloseDevice();
}

bool CamSession::Open(bool needStick) {
  errno = 0;
  if (!link_.OpenDevice()) {
    // The driver leaves EBUSY when another program holds the camera: that is
    // no missing camera, and a script should learn the difference.
    if (errno == EBUSY)
      std::fprintf(stderr, "orin-cam: the camera is busy: another program is using it\n");
    else
      ui_.ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
    return false;
  }
  if (!link_.CheckCamStatus(REQ_SET_MODE, link_.SetMode(MODE_STORAGE))) return false;
  GetPacing().Wait(500);  // the camera needs this long to leave camera mode
  // As after the user chose storage mode: every problem with the stick is told.
  link_.mediaNotified = true;
  link_.mediaState = 1;
  link_.mediaReady = link_.CheckMedia() != 0;
  if (!link_.mediaReady) {
    if (link_.deviceOpen && link_.mediaNotified) ui_.ShowMessage(ids::NO_MEMORY, MsgIcon::Information);
    link_.mediaState = 2;
    return !needStick && link_.deviceOpen;
  }
  return link_.ChangeCamFolder("\\") && link_.ListCamFolder();
}

bool CamSession::GoTo(std::string_view path) {
  pathError_.clear();
  while (!path.empty()) {
    size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (part.empty()) continue;
    // Only folders the camera listed here are asked for (row 0 is the stick itself).
    const auto& rows = link_.folders;
    bool listed = rows.size() > 1 && std::any_of(rows.begin() + 1, rows.end(),
                                                 [&](const CamEntry& e) { return e.name == part; });
    if (!listed) {
      // A listing is also cut short by a camera that went away: then that is what the user hears.
      if (link_.CheckCamStatus(0, 1)) pathError_ = "no folder \"" + std::string(part) + "\" in " + link_.camPath;
      return false;
    }
    if (!link_.ChangeCamFolder(part) || !link_.ListCamFolder()) return false;
  }
  return true;
}
