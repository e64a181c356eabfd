// Recording in the camera layout: the recording-time dialog (button 1025),
// Record (1019) and Stop (1027), the two clocks in the time label 1096 (timer
// 5 counts a timed recording down, timer 7 a toggle recording up), and the
// save step that copies "Temp.ASF" to the name the user chooses.
//
// Every way out of a recording ends in the save step: Stop, the end of a
// timed recording, the camera's end of the stream, its audio-format change, a
// record file that could no longer be written, and the window's end when
// "Save file?" is answered Yes. A recording left by a program that ended
// without stopping it is offered at the next start. GUI thread only; the
// streaming worker underneath records.
#pragma once
#include <QString>

class CameraConnection;
class CameraModeController;
class WindowShell;
class WindowTimers;
struct AppSettings;

class RecordingController {
 public:
  RecordingController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers, AppSettings& settings,
                      CameraModeController& cameraMode);

  // A recording runs: the buttons are swapped and its clock ticks.
  bool Active() const { return active_; }

  // --- the commands (the window ignores them while a copy runs) ---
  void OnRecordingTime();
  void OnStartRecording();
  void OnStopRecording();
  // Timers 5 and 7.
  void OnTimedTick();
  void OnToggleTick();

  // --- the ways out ---
  // Stops a running recording and its clock, completing its file; true when one ran.
  bool Stop();
  // The save step: the save dialog until a copy succeeds or the user cancels,
  // then the recording controls back as before the recording.
  void SaveRecording();
  // WM_RECORD_WRITE_FAILED with the system's error number: stopped, the user
  // told why, and what was written offered.
  void OnWriteFailed(int error);
  // The end of the log-on: a running recording is stopped with its file
  // completed and kept for "Save file?" at the window's end (or, when the
  // program does not get there, for the next start).
  void StopAtLogOnEnd();
  // The window's end: a running or kept recording is stopped and "Save file?"
  // asked; Yes saves it, before the temporary folder goes.
  void EndAtWindowEnd();
  // Start-up: a "Temp.ASF" left by a program that ended during a recording,
  // completed from the packets that reached it and offered for saving.
  void OfferLeftRecording();

  // "Temp.ASF" in the temporary folder.
  static QString TempRecordingPath();

 private:
  void ShowRecordingControls(bool recording);
  // The controls as before the recording, the time label hidden at "00 : 00".
  void RestoreControls();
  void ShowClock(int seconds);
  // This recording left something in "Temp.ASF".
  bool HasRecording() const;
  // The save dialog and the copy, again after every failed copy.
  void SaveTempRecording();
  QString AskSavePath();

  CameraConnection& camera_;
  WindowShell& shell_;
  WindowTimers& timers_;
  AppSettings& settings_;
  CameraModeController& cameraMode_;
  bool active_ = false;
  bool fileMade_ = false;    // the worker created "Temp.ASF" for this recording
  bool keptForEnd_ = false;  // stopped at the end of the log-on, not yet offered
  int mode_ = 0;             // 0 timed, 1 toggle: the mode the recording started in
  int remaining_ = 0;        // seconds of a timed recording
  int elapsed_ = 0;          // seconds of a toggle recording
};
