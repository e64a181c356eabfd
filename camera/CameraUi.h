// The narrow window the camera code reaches the user through. MainWindow
// implements it; orin-cam implements it on the terminal; tests fake it.
#pragma once

#include "platform/ui/MessageTypes.h"

class CameraUi {
 public:
  virtual ~CameraUi() = default;
  // A message box captioned "Orin Media 5.1" with the string-table text `stringId`.
  virtual void ShowMessage(int stringId, MsgIcon icon) = 0;
  // The camera lists changed: rebuild the camera pane's rows.
  virtual void FillCamPane() = 0;
  // Camera pane widgets around a lost Memory Stick: hide or show the camera-pane
  // buttons 1058, 1059, 1057 and 1056, enable or disable the pane, show or hide
  // the Format button 1060.
  virtual void ShowCameraButtons(bool shown) = 0;
  virtual void EnableCameraPane(bool enabled) = 0;
  virtual void ShowFormatButton(bool shown) = 0;
  virtual void Repaint() = 0;
  virtual void CloseBusyDialog() = 0;
  // Advances the progress dialog when one is shown.
  virtual void StepProgress() = 0;
  // The storage poll (timer 1) belongs to the window: it is stopped before
  // every storage command and armed again afterwards, with 500 ms. A user
  // interface without a storage poll (the terminal) keeps these as they are.
  virtual void StopStoragePoll() {}
  virtual void StartStoragePoll(int /*ms*/) {}
};
