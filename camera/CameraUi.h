// The narrow window the camera code reaches the user through. MainWindow
// implements it; orin-cam implements it on the terminal; tests fake it.
#pragma once

#include "platform/ui/MessageTypes.h"

// Only the message is asked of every user interface; the rest concerns the
// window's widgets, and a user interface without them (the terminal, a
// benchmark) keeps the defaults, which do nothing.
class CameraUi {
 public:
  virtual ~CameraUi() = default;
  // A message box captioned "Orin Media 5.1" with the string-table text `stringId`.
  virtual void ShowMessage(int stringId, MsgIcon icon) = 0;
  // The camera lists changed: rebuild the camera pane's rows.
  virtual void FillCamPane() {}
  // Camera pane widgets around a lost Memory Stick: hide or show the camera-pane
  // buttons 1058, 1059, 1057 and 1056, enable or disable the pane, show or hide
  // the Format button 1060.
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
};
