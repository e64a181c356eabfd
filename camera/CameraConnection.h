// The camera connection's lifecycle: the camera opened at start-up, moved
// between its two modes, watched by the storage poll, opened again after a
// loss and released at the end, with the state those steps keep. The window,
// orin-cam and the tests all connect through it; none of them opens the
// driver or writes the connection state itself.
//
// It reports only through the window interface and its answers: the widget
// steps around it (layouts, the video frame, timers) stay with the window.
// Plain C++, on one thread at a time (the GUI thread in the program, while
// the streaming worker does not talk to the camera); no locks.
#pragma once
#include <cstdint>
#include <optional>

#include "camera/CameraLink.h"

class CameraConnection : public CameraLink {
 public:
  CameraConnection(CameraDriver& driver, CameraUi& ui);

  // The link was lost (a failed stream poll, or camera mode chosen without a
  // camera) and the stream has not run since. While set, entering camera mode
  // sends the camera mode again first, and an audio-format change skips its wait.
  bool LinkLost() const { return linkLost_; }

  // --- Start-up ---
  // Device_Open, then 200 ms. True when a camera was found.
  bool OpenAtStartUp();
  // No camera at start: 500 ms, the busy dialog closed, "Device is not
  // found..." (string 135, warning icon), no usable stick, the placeholder
  // listed and the link taken as lost. The program then ends.
  void NoCameraAtStartUp();
  enum class StartUpModes {
    CameraLost,         // closed on the way (a failed media check); nothing more to do
    CameraModeRefused,  // camera mode or its video mode was refused: the camera is closed
    CameraMode,         // in camera mode; the video mode read
  };
  // The camera found: storage mode with the stick listed, 200 ms, camera mode
  // (3 x 200 ms), the video mode into `videoMode` (2 x 200 ms).
  StartUpModes EnterModesAtStartUp(uint8_t& videoMode);
  // Storage mode at start-up: mode 1, 500 ms, the media check, and the root
  // listed or the placeholder. 1 when a stick is listed.
  int EnterStorageMode();

  // --- Storage mode (button 1045) and its poll (timer 1) ---
  // The user chose storage mode: problems with the stick are announced from
  // now on, and the stick counts as listed until the poll finds otherwise.
  void BeginStorageSwitch();
  // With the preview stopped: 200 ms, mode 1, 300 ms for the camera to turn.
  void SendStorageMode();
  // One round of the storage poll: a closed camera opened again in storage
  // mode, the stick checked, its loss told once, a new stick listed from the
  // root with the default folders (also one swapped in between two rounds,
  // which the camera examines). 0 when the camera does not answer.
  int PollStorage();
  // After a switch whose poll answered 1: a listed stick shown again from
  // the root, the default folders made.
  void ListStickAfterSwitch();
  // No usable stick for the storage layout: the placeholder, the pane reset.
  void DropStick();

  // --- Camera mode (button 1044, timer 11) and the stream's end ---
  // Open: mode 0x101, 500 ms and the video mode (the results pass: 0 when
  // unread). Closed: nothing is sent and the link counts as lost.
  std::optional<uint8_t> SwitchToCameraMode();
  // Timer 11's attempt: Device_Open; when found after a lost link, 300 ms.
  bool Reopen();
  // The camera side of entering camera mode: mode 0x101 again after a lost
  // link, 1000 ms, the video mode, 1000 ms. Nothing when closed or when the
  // video mode cannot be read (no retry: the camera stays open without a preview).
  std::optional<uint8_t> EnterCameraMode();
  // The live stream runs: the link is back.
  void StreamRunning();
  // WM_STREAM_ENDED: the worker's word on the link kept, the camera closed.
  void StreamEnded(bool linkLost);

  // --- orin-cam and the tests ---
  enum class SessionStart {
    NoCamera,  // Device_Open found none (errno tells a busy camera apart)
    Failed,    // the camera refused the mode, went away, its root could not be
               // listed, or the user interface gave up its stick examination
    NoStick,   // open, without a usable stick (told to the user)
    Ready,     // open in storage mode with the root listed, or in camera mode
  };
  // Open and in storage mode, the stick checked as after the user chose
  // storage mode (every problem told), the root listed.
  SessionStart OpenStorageSession();
  // Open and in camera mode as the camera-mode switch leaves it: mode 0x101
  // (its status checked, every problem told), 500 ms, the video mode into
  // `videoMode`. The stream is then the caller's; Release ends the session.
  SessionStart OpenCameraSession(uint8_t& videoMode);

  // --- The end ---
  // The program's end: 200 ms after the preview stopped, mode 0, closed.
  void Release();
  // The end of the log-on: the same, but the open flag is kept, for the
  // log-on may yet go on.
  void ReleaseAtLogOnEnd();
  // orin-cam's end (no preview ran): mode 0 when open, then closed.
  void EndSession();

 private:
  std::optional<uint8_t> ReadVideoMode();

  bool linkLost_ = false;
};
