#include "camera/CameraConnection.h"

#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"

namespace {

void Wait(int ms) { GetPacing().Wait(ms); }

}  // namespace

CameraConnection::CameraConnection(CameraDriver& driver, CameraUi& ui) : CameraLink(driver, ui) {}

std::optional<uint8_t> CameraConnection::ReadVideoMode() {
  uint8_t mode = 0;
  if (!Read(REQ_GET_VIDEO_MODE, &mode, kVideoModeReplyLength)) return std::nullopt;
  return mode;
}

// ---------------------------------------------------------------- start-up

bool CameraConnection::OpenAtStartUp() {
  OpenDevice();
  Wait(200);
  return deviceOpen_;
}

void CameraConnection::NoCameraAtStartUp() {
  Wait(500);
  Ui().CloseBusyDialog();
  Ui().ShowMessage(ids::DEVICE_NOT_FOUND_AT_START, MsgIcon::Warning);
  mediaReady_ = false;
  mediaState_ = MediaState::NoneUsable;
  linkLost_ = true;
  ListCamFolder();  // the placeholder only
  Ui().FillCamPane();
}

CameraConnection::StartUpModes CameraConnection::EnterModesAtStartUp(uint8_t& videoMode) {
  EnterStorageMode();
  if (!deviceOpen_) return StartUpModes::CameraLost;
  Wait(200);
  bool switched = SetMode(MODE_CAMERA) != 0;
  for (int i = 0; i < 3; ++i) Wait(200);
  videoMode = 0;
  if (switched) {
    auto mode = ReadVideoMode();
    switched = mode.has_value();
    videoMode = mode.value_or(0);
    for (int i = 0; i < 2; ++i) Wait(200);
  }
  if (switched) return StartUpModes::CameraMode;
  CloseDevice();
  return StartUpModes::CameraModeRefused;
}

int CameraConnection::EnterStorageMode() {
  if (!deviceOpen_) {
    ResetCameraPane();
    return 0;
  }
  if (!SetMode(MODE_STORAGE)) return 0;
  Wait(500);
  if (!CheckMedia()) {
    mediaReady_ = false;
    mediaState_ = MediaState::NoneUsable;
    ListCamFolder();  // the placeholder only
    Ui().FillCamPane();
    return 0;
  }
  mediaReady_ = true;
  mediaState_ = MediaState::Listed;
  ChangeCamFolder("\\");
  ListCamFolder();
  Ui().FillCamPane();
  return 1;
}

// ---------------------------------------------------------------- storage mode

void CameraConnection::BeginStorageSwitch() {
  mediaNotified_ = true;
  mediaState_ = MediaState::Listed;
}

void CameraConnection::SendStorageMode() {
  Wait(200);
  SetMode(MODE_STORAGE);
  Wait(300);
}

int CameraConnection::PollStorage() {
  if (!deviceOpen_) {
    if (!Driver().Device_Open()) return 0;
    Wait(500);
    SetMode(MODE_STORAGE);  // its result tells nothing: the media check follows
    Wait(500);
    deviceOpen_ = true;
    mediaState_ = MediaState::NoneUsable;
  }
  mediaReady_ = CheckMedia();
  if (!deviceOpen_) return 0;  // the media check found the camera gone
  uint8_t status = 0;
  if (!Read(REQ_GET_STATUS, &status, kStatusReplyLength)) {
    CheckCamStatus(0, 0);  // closes the camera and says so
    return 0;
  }
  if (!mediaReady_) {
    if (mediaState_ == MediaState::Listed) {
      if (deviceOpen_ && mediaNotified_) Ui().ShowMessage(ids::NO_MEMORY, MsgIcon::Information);
      Ui().Repaint();
      mediaState_ = MediaState::NoneUsable;
      ResetCameraPane();
    }
  } else if (mediaState_ == MediaState::NoneUsable || StickExamined()) {
    // A stick the camera had to examine was put in since the last round,
    // though the slot was never seen empty: another stick may have taken the
    // place of the one listed, so it is listed anew from the root.
    mediaState_ = MediaState::Listed;
    Ui().EnableCameraPane(true);
    Ui().ShowCameraButtons(true);
    Ui().ShowFormatButton(true);
    ChangeCamFolder("\\");
    EnsureDefaultFolders();
    mediaNotified_ = true;
    ListCamFolder();
    Ui().FillCamPane();
  }
  return 1;
}

void CameraConnection::ListStickAfterSwitch() {
  if (mediaState_ != MediaState::Listed) return;
  ChangeCamFolder("\\");
  EnsureDefaultFolders();
  ListCamFolder();
  Ui().FillCamPane();
}

void CameraConnection::DropStick() {
  ResetCameraPane();
  mediaReady_ = false;
}

// ---------------------------------------------------------------- camera mode

std::optional<uint8_t> CameraConnection::SwitchToCameraMode() {
  if (!deviceOpen_) {
    linkLost_ = true;
    return std::nullopt;
  }
  SetMode(MODE_CAMERA);
  Wait(500);
  return ReadVideoMode().value_or(0);
}

bool CameraConnection::Reopen() {
  OpenDevice();
  if (!deviceOpen_) return false;
  if (linkLost_) Wait(300);
  return true;
}

std::optional<uint8_t> CameraConnection::EnterCameraMode() {
  if (!deviceOpen_) return std::nullopt;
  if (linkLost_) SetMode(MODE_CAMERA);
  Wait(1000);
  auto mode = ReadVideoMode();
  if (!mode) return std::nullopt;
  Wait(1000);
  return mode;
}

void CameraConnection::StreamRunning() { linkLost_ = false; }

void CameraConnection::StreamEnded(bool linkLost) {
  linkLost_ = linkLost;
  CloseDevice();
}

// ---------------------------------------------------------------- orin-cam and tests

CameraConnection::SessionStart CameraConnection::OpenStorageSession() {
  if (!OpenDevice()) return SessionStart::NoCamera;
  if (!CheckCamStatus(REQ_SET_MODE, SetMode(MODE_STORAGE))) return SessionStart::Failed;
  Wait(500);  // the camera needs this long to leave camera mode
  BeginStorageSwitch();
  mediaReady_ = CheckMedia() != 0;
  if (!mediaReady_) {
    if (GaveUpExamining()) return SessionStart::Failed;  // the stick's state is not known
    if (deviceOpen_ && mediaNotified_) Ui().ShowMessage(ids::NO_MEMORY, MsgIcon::Information);
    mediaState_ = MediaState::NoneUsable;
    return deviceOpen_ ? SessionStart::NoStick : SessionStart::Failed;
  }
  return ChangeCamFolder("\\") && ListCamFolder() ? SessionStart::Ready : SessionStart::Failed;
}

CameraConnection::SessionStart CameraConnection::OpenCameraSession(uint8_t& videoMode) {
  if (!OpenDevice()) return SessionStart::NoCamera;
  if (!CheckCamStatus(REQ_SET_MODE, SetMode(MODE_CAMERA))) return SessionStart::Failed;
  Wait(500);
  auto mode = ReadVideoMode();
  if (!mode) {
    CheckCamStatus(0, 0);  // no answer: the camera is gone, and the user hears so
    return SessionStart::Failed;
  }
  videoMode = *mode;
  linkLost_ = false;
  return SessionStart::Ready;
}

// ---------------------------------------------------------------- the end

void CameraConnection::Release() {
  if (!deviceOpen_) return;
  Wait(200);
  SetMode(MODE_RELEASE);
  CloseDevice();
}

void CameraConnection::ReleaseAtLogOnEnd() {
  if (!deviceOpen_) return;
  Wait(200);
  SetMode(MODE_RELEASE);
  Driver().Device_Close();
}

void CameraConnection::EndSession() {
  if (deviceOpen_) SetMode(MODE_RELEASE);
  CloseDevice();
}
