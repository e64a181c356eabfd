// The camera-mode controller: the live preview around the streaming worker
// and its graph, the worker's messages (the stream ended, the audio format
// changed, the graph's events), the movie chosen for the Play button and
// whether one plays, and the recording, still-capture and player commands.
//
// The commands of recording, still capture and the player are listed together
// below; they do nothing yet (the recording, StillCapturer and MoviePlayer
// land here). GUI thread only; the worker and the graph reach it only by
// posting their messages.
#pragma once
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "video/StreamWorker.h"

class CameraConnection;
class CameraUi;
class WindowShell;
class WindowTimers;
struct AppSettings;

class CameraModeController : public QObject, public StreamOwnerWindow {
  Q_OBJECT

 public:
  CameraModeController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers, CameraUi& ui,
                       AppSettings& settings, QObject* parent = nullptr);
  ~CameraModeController() override;

  // --- the live preview ---
  // The graph the worker feeds; a window without one (no video support) starts no stream.
  void SetPreviewGraph(std::unique_ptr<PreviewGraph> graph);
  StreamWorker* Worker() const { return worker_.get(); }
  bool PreviewRunning() const { return previewRunning_; }
  // The live video or a movie shows in the video frame (the background leaves it out).
  bool VideoShows() const;
  // Starts the stream with the camera's video-mode byte; true while it runs.
  bool StartStreaming(uint8_t videoMode);
  void StopStreaming();
  void ResumeStream();

  // --- the streaming worker's messages, posted from its thread ---
  void PostStreamMessage(unsigned message) override;

  // --- the movie chosen for the Play button, and playing ---
  bool MoviePlaying() const { return moviePlaying_; }
  bool MovieSelected() const { return movieSelected_; }
  QString CurrentSelection() const { return currentSelection_; }
  bool SelectionOnPc() const { return selectionOnPc_; }
  // A movie row was clicked: `movie` (a PC path or a camera name) is the selection.
  void SelectMovie(const QString& movie, bool onPc);
  void ForgetSelection();
  // After a rename: the current selection becomes the new name.
  void SelectionRenamed(const QString& newName);
  void StopMovieIfPlaying();
  // The time label hidden and the play clock stopped.
  void ResetPlayClock();
  // The switch to camera mode ends a playing movie: the time label and the play clock go.
  void StopMovieForCameraMode();

  // --- the end ---
  // A recording still running is stopped and the user asked to save it.
  void StopRecordingAtEnd();
  // The preview stopped and the player taken as stopped.
  void StopAll();

  // --- the commands of recording, still capture and the player ---
  // Each is named after its command and does nothing yet.
  void OnStartRecording() {}
  void OnStopRecording() {}
  void OnCaptureStill() {}
  void OnPlayMovie() {}
  void OnStopMovie() {}
  void OnRecordingTime() {}
  void OnRecordingClock() {}
  void OnPlayClock() {}

 protected:
  void customEvent(QEvent* event) override;

 private:
  friend struct WindowTestAccess;

  void OnStreamEnded(bool linkLost);
  void OnAudioFormatChanged();
  // After WM_STREAM_ENDED: the worker's thread waited for and released.
  void EndStreamThread();
  // A recording cut short by the camera: stopped, its clock stopped, and kept.
  void StopRecordingForLoss();

  CameraConnection& camera_;
  WindowShell& shell_;
  WindowTimers& timers_;
  CameraUi& ui_;
  AppSettings& settings_;  // the recording mode and time
  std::unique_ptr<PreviewGraph> graph_;
  std::unique_ptr<StreamWorker> worker_;
  bool previewRunning_ = false;
  bool recording_ = false;  // a recording runs (the recording commands set it)
  bool moviePlaying_ = false;
  bool movieSelected_ = false;  // a movie is chosen for the Play button
  QString currentSelection_;    // that movie: a PC path or a camera name
  bool selectionOnPc_ = false;
};
