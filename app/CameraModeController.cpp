#include "app/CameraModeController.h"

#include <QApplication>
#include <QEvent>

#include "app/ControlTable.h"
#include "app/Settings.h"
#include "app/TempFolder.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "camera/CameraConnection.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "platform/ui/WaitCursor.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "video/PreviewGraph.h"

namespace {

// The worker's window messages travel as Qt events of these types.
QEvent::Type StreamEventType(unsigned message) {
  return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(message - WM_USER));
}

}  // namespace

CameraModeController::CameraModeController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers,
                                           CameraUi& ui, AppSettings& settings, QObject* parent)
    : QObject(parent), camera_(camera), shell_(shell), timers_(timers), ui_(ui), settings_(settings) {}

// The worker goes before its graph.
CameraModeController::~CameraModeController() { worker_.reset(); }

// ---------------------------------------------------------------- the live preview

void CameraModeController::SetPreviewGraph(std::unique_ptr<PreviewGraph> graph) {
  worker_.reset();
  graph_ = std::move(graph);
  if (graph_) worker_ = std::make_unique<StreamWorker>(camera_.Driver(), *graph_, TempFolderPath().string());
}

bool CameraModeController::VideoShows() const {
  return (previewRunning_ || moviePlaying_) && shell_.Control(ctl::VIDEO_FRAME)->isVisible();
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

void CameraModeController::StopRecordingForLoss() {
  if (worker_) worker_->StopRecording();
  timers_(timers_.RecordingClock(settings_.recordMode)).stop();
  recording_ = false;
}

// ---------------------------------------------------------------- the worker's messages

void CameraModeController::PostStreamMessage(unsigned message) {
  // Called on the worker's thread: posting never blocks it.
  QApplication::postEvent(this, new QEvent(StreamEventType(message)));
}

void CameraModeController::customEvent(QEvent* event) {
  if (event->type() == StreamEventType(WM_STREAM_ENDED)) {
    OnStreamEnded(worker_ && worker_->LinkLost());
  } else if (event->type() == StreamEventType(WM_AUDIO_FORMAT_CHANGED)) {
    OnAudioFormatChanged();
  } else if (event->type() == StreamEventType(WM_PREVIEW_EVENT)) {
    if (auto* graph = dynamic_cast<GstPreviewGraph*>(graph_.get())) graph->TakeEvents();
  } else {
    QObject::customEvent(event);
  }
}

// The camera is gone: the camera closed, and timer 11 tries again.
void CameraModeController::OnStreamEnded(bool linkLost) {
  WaitCursor wait;
  EndStreamThread();
  if (recording_) StopRecordingForLoss();
  camera_.StreamEnded(linkLost);
  shell_.ShowVideoFrame(false);
  shell_.Repaint();
  GetPacing().Wait(2000);
  timers_(TimerId::CameraReopen).start();
}

void CameraModeController::OnAudioFormatChanged() {
  WaitCursor wait;
  const bool wasRecording = recording_;
  if (wasRecording) StopRecordingForLoss();
  if (!camera_.LinkLost()) GetPacing().Wait(1000);
  if (wasRecording) ui_.ShowMessage(ids::AUDIO_FORMAT_CHANGED, MsgIcon::Information);
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

void CameraModeController::StopMovieIfPlaying() {
  if (!moviePlaying_) return;
  OnStopMovie();
  moviePlaying_ = false;
}

void CameraModeController::ResetPlayClock() {
  shell_.Control(ctl::TIME_LABEL)->hide();
  timers_(TimerId::PlayClock).stop();
}

void CameraModeController::StopMovieForCameraMode() {
  if (!moviePlaying_) return;
  moviePlaying_ = false;
  shell_.Control(ctl::TIME_LABEL)->hide();
  timers_(TimerId::PlayClock).stop();
}

// ---------------------------------------------------------------- the end

void CameraModeController::StopRecordingAtEnd() {
  if (!recording_) return;
  if (worker_) worker_->StopRecording();
  recording_ = false;
  // Saving under a chosen name belongs to the recording commands.
  ShowMessageBox(&shell_.Window(), resources::String(ids::SAVE_FILE_QUESTION), MsgIcon::Question,
                 MsgButtons::YesNo);
}

void CameraModeController::StopAll() {
  StopStreaming();
  moviePlaying_ = false;
}
