// The camera-mode controller: the live preview around the streaming worker
// and its graph, the worker's and the player's messages (the stream ended,
// the audio format changed, the record file could not be written, the
// graph's events, the movie's end), the movie chosen for the Play button, and
// its three parts: recording, still capture and the player.
//
// GUI thread only; the worker and the graphs reach it only by posting their
// messages.
#pragma once
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "app/CaptureController.h"
#include "app/PlayerController.h"
#include "app/RecordingController.h"
#include "video/StreamWorker.h"

class CameraConnection;
class FileOpsUi;
class WindowShell;
class WindowTimers;
struct AppSettings;

class CameraModeController : public QObject, public StreamOwnerWindow {
  Q_OBJECT

 public:
  CameraModeController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers, FileOpsUi& ui,
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
  // After the window moved: the live video and a movie fill the video frame again.
  void FitVideo();

  // --- the three parts ---
  RecordingController& Recording() { return recording_; }
  CaptureController& Capture() { return capture_; }
  PlayerController& Player() { return player_; }

  // --- the worker's and the player's messages, posted from their threads ---
  void PostStreamMessage(unsigned message) override;

  // --- the movie chosen for the Play button, and playing ---
  bool MoviePlaying() const { return player_.Playing(); }
  bool MovieSelected() const { return movieSelected_; }
  QString CurrentSelection() const { return currentSelection_; }
  bool SelectionOnPc() const { return selectionOnPc_; }
  // A movie row was clicked: `movie` (a PC path or a camera name) is the selection.
  void SelectMovie(const QString& movie, bool onPc);
  void ForgetSelection();
  // After a rename: the current selection becomes the new name.
  void SelectionRenamed(const QString& newName);
  // The Play button: the selection plays.
  void OnPlayMovie() { player_.Play(currentSelection_, selectionOnPc_); }
  // A double-click on a movie in either pane: it becomes the selection and plays.
  void PlayMovie(const QString& movie, bool onPc);
  void StopMovieIfPlaying();
  // The time label hidden and the play clock stopped.
  void ResetPlayClock();
  // The switch to camera mode ends a playing movie: the time label and the play clock go.
  void StopMovieForCameraMode();

  // --- the end ---
  // A recording still running is stopped and the user asked to save it.
  void StopRecordingAtEnd() { recording_.EndAtWindowEnd(); }
  // The preview and the player stopped.
  void StopAll();

 protected:
  void customEvent(QEvent* event) override;

 private:
  friend struct WindowTestAccess;

  void OnStreamEnded(bool linkLost);
  void OnAudioFormatChanged();
  // After WM_STREAM_ENDED: the worker's thread waited for and released.
  void EndStreamThread();

  CameraConnection& camera_;
  WindowShell& shell_;
  WindowTimers& timers_;
  FileOpsUi& ui_;
  RecordingController recording_;
  CaptureController capture_;
  PlayerController player_;
  std::unique_ptr<PreviewGraph> graph_;
  std::unique_ptr<StreamWorker> worker_;
  bool previewRunning_ = false;
  bool movieSelected_ = false;  // a movie is chosen for the Play button
  QString currentSelection_;    // that movie: a PC path or a camera name
  bool selectionOnPc_ = false;
};
