#include "app/CameraModeController.h"

#include <QApplication>
#include <QEvent>

#include "app/ControlTable.h"
#include "app/TempFolder.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "camera/CameraConnection.h"
#include "fileops/FileOpsUi.h"
#include "platform/ui/Pacing.h"
#include "platform/ui/WaitCursor.h"
#include "resources/StringIds.h"
#include "video/PreviewGraph.h"

namespace {

// The worker's and the player's window messages travel as Qt events of these types.
QEvent::Type StreamEventType(unsigned message) {
  return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(message - WM_USER));
}

}  // namespace

CameraModeController::CameraModeController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers,
                                           FileOpsUi& ui, AppSettings& settings, QObject* parent)
    : QObject(parent),
      camera_(camera),
      shell_(shell),
      timers_(timers),
      ui_(ui),
      recording_(camera, shell, timers, settings, *this),
      capture_(camera, shell, ui, *this),
      player_(camera, shell, timers, ui, *this) {}

// The worker goes before its graph.
CameraModeController::~CameraModeController() { worker_.reset(); }

// ---------------------------------------------------------------- the live preview

void CameraModeController::SetPreviewGraph(std::unique_ptr<PreviewGraph> graph) {
  worker_.reset();
  graph_ = std::move(graph);
  if (!graph_) return;
  worker_ = std::make_unique<StreamWorker>(camera_.Driver(), *graph_, TempFolderPath().string());
  worker_->SetStillCapture(capture_.Capturer().Hook());
}

bool CameraModeController::VideoShows() const {
  return (previewRunning_ || player_.Playing()) && shell_.Control(ctl::VIDEO_FRAME)->isVisible();
}

bool CameraModeController::StartStreaming(uint8_t videoMode) {
  if (!worker_) return false;
  worker_->SetVideoFormat(videoMode);
  worker_->SetWindows(shell_.Control(ctl::VIDEO_FRAME), this);
  worker_->SetLinkLost(camera_.LinkLost());
  previewRunning_ = worker_->StartStreaming();
  // The stream runs again: the link is back. Kept set, the flag would skip the
  // audio-format change's wait and make every later re-entry re-send the mode.
  if (previewRunning_) camera_.StreamRunning();
  return previewRunning_;
}

void CameraModeController::StopStreaming() {
  if (worker_) worker_->StopStreaming();
  previewRunning_ = false;
}

void CameraModeController::ResumeStream() {
  if (worker_) worker_->ResumeStream();
}

void CameraModeController::EndStreamThread() {
  if (worker_) worker_->WaitForThread();
  previewRunning_ = false;
}

void CameraModeController::FitVideo() {
  if (auto* graph = dynamic_cast<GstPreviewGraph*>(graph_.get())) graph->Fit();
  player_.Fit();
}

// ---------------------------------------------------------------- the messages

void CameraModeController::PostStreamMessage(unsigned message) {
  // Called on the worker's or a graph's thread: posting never blocks it.
  QApplication::postEvent(this, new QEvent(StreamEventType(message)));
}

void CameraModeController::customEvent(QEvent* event) {
  if (event->type() == StreamEventType(WM_STREAM_ENDED)) {
    OnStreamEnded(worker_ && worker_->LinkLost());
  } else if (event->type() == StreamEventType(WM_AUDIO_FORMAT_CHANGED)) {
    OnAudioFormatChanged();
  } else if (event->type() == StreamEventType(WM_RECORD_WRITE_FAILED)) {
    if (worker_) recording_.OnWriteFailed(worker_->RecordWriteError());
  } else if (event->type() == StreamEventType(WM_ASFCOMPLETE)) {
    player_.OnPlayerEvent();
  } else if (event->type() == StreamEventType(WM_PREVIEW_EVENT)) {
    if (auto* graph = dynamic_cast<GstPreviewGraph*>(graph_.get())) graph->TakeEvents();
  } else {
    QObject::customEvent(event);
  }
}

// The camera is gone: a recording offered for saving, the camera closed, and
// timer 11 tries again.
void CameraModeController::OnStreamEnded(bool linkLost) {
  {
    WaitCursor wait;
    EndStreamThread();
  }
  if (recording_.Stop()) recording_.SaveRecording();
  WaitCursor wait;
  camera_.StreamEnded(linkLost);
  shell_.ShowVideoFrame(false);
  shell_.Repaint();
  GetPacing().Wait(2000);
  timers_(TimerId::CameraReopen).start();
}

// The worker waits until this lets it go on, after the save step of a
// recording the change ended.
void CameraModeController::OnAudioFormatChanged() {
  const bool recorded = recording_.Stop();
  {
    WaitCursor wait;
    if (!camera_.LinkLost()) GetPacing().Wait(1000);
  }
  if (recorded) {
    ui_.ShowMessage(ids::AUDIO_FORMAT_CHANGED, MsgIcon::Information);
    recording_.SaveRecording();
  }
  ResumeStream();
}

// ---------------------------------------------------------------- the movie selection

void CameraModeController::SelectMovie(const QString& movie, bool onPc) {
  selectionOnPc_ = onPc;
  currentSelection_ = movie;
  movieSelected_ = true;
}

void CameraModeController::ForgetSelection() {
  currentSelection_.clear();
  movieSelected_ = false;
}

void CameraModeController::SelectionRenamed(const QString& newName) { currentSelection_ = newName; }

void CameraModeController::PlayMovie(const QString& movie, bool onPc) {
  // Camera names are kept as the preview of a click keeps them, in upper case.
  SelectMovie(onPc ? movie : movie.toUpper(), onPc);
  OnPlayMovie();
}

void CameraModeController::StopMovieIfPlaying() {
  if (player_.Playing()) player_.OnStopMovie();
}

void CameraModeController::ResetPlayClock() { player_.ResetClock(); }

void CameraModeController::StopMovieForCameraMode() { player_.StopPlaying(); }

// ---------------------------------------------------------------- the end

void CameraModeController::StopAll() {
  StopStreaming();
  player_.StopPlaying();
}
