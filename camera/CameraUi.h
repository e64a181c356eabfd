// The window interface of the camera code: what the camera link asks of the
// user interface. The file operations extend it (fileops/FileOpsUi.h) into the
// one interface the window implements; orin-cam implements it on the
// terminal; tests script it.
#pragma once
#include <cstdint>
#include <string>

#include "platform/ui/MessageTypes.h"

// Only the message is asked of every user interface; the rest concerns the
// window's widgets, and a user interface without them (the terminal, a
// benchmark) keeps the defaults, which do nothing.
class CameraUi {
 public:
  virtual ~CameraUi() = default;
  // A message box captioned "Orin Media 5.1" with `text` as it stands.
  virtual void ShowText(const std::string& text, MsgIcon icon) = 0;
  // The same with the string-table text of `stringId` (the resource
  // library's text when it holds one).
  virtual void ShowMessage(int stringId, MsgIcon icon);

  // The camera lists changed: rebuild the camera pane's rows.
  virtual void FillCamPane() {}
  // Camera pane widgets: the camera-pane buttons 1058, 1059, 1057 and 1056
  // (with the copy to the camera), the pane itself, and the Format button 1060.
  virtual void ShowCameraButtons(bool /*shown*/) {}
  virtual void EnableCameraPane(bool /*enabled*/) {}
  virtual void ShowFormatButton(bool /*shown*/) {}
  virtual void Repaint() {}
  virtual void CloseBusyDialog() {}
  // Advances the progress dialog when one is shown.
  virtual void StepProgress() {}
  // The storage poll (timer 1) belongs to the window: it is stopped before
  // every storage command and armed again afterwards, with 500 ms. A user
  // interface without a storage poll (the terminal) keeps these as they are.
  virtual void StopStoragePoll() {}
  virtual void StartStoragePoll(int /*ms*/) {}

  // The camera failed `request` with a status it wants passed over without a
  // message (0x23, 0x24): the window says nothing; a terminal, whose script
  // must learn why a command failed, says so.
  virtual void QuietFailure(int /*request*/, uint8_t /*status*/) {}
  // The camera is still examining its Memory Stick after `waitedMs` of the
  // media check's 300 ms waits. False gives the check up (it then fails); the
  // window waits as long as the camera takes.
  virtual bool KeepWaitingForStick(int /*waitedMs*/) { return true; }
};
