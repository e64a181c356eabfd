// The camera connection of the main window: the two modes, the storage poll,
// the re-opening after a loss, and the streaming worker's messages.
#include <QApplication>
#include <QWindow>

#include "app/ControlTable.h"
#include "app/MainWindow.h"
#include "app/TempFolder.h"
#include "browser/FilePanes.h"
#include "camera/CameraProtocol.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "platform/ui/WaitCursor.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "video/PreviewGraph.h"

// Opens the camera and gives it its first modes: storage mode to list the
// Memory Stick, then camera mode for the live picture.
void MainWindow::OpenCameraAtStartUp() {
  const bool found = camera.OpenAtStartUp();
  Control(ctl::VIDEO_FRAME)->hide();
  if (!found) {
    camera.NoCameraAtStartUp();
    EmptyTempFolder();
    EndWindow();
    return;
  }
  uint8_t videoMode = 0;
  const auto modes = camera.EnterModesAtStartUp(videoMode);
  if (modes == CameraConnection::StartUpModes::CameraLost) return;
  // The preview itself starts at timer 2; no warm-up start and stop is needed here.
  startupVideoMode_ = videoMode;
  const bool switched = modes == CameraConnection::StartUpModes::CameraMode;
  if (!switched) {
    Control(ctl::VIDEO_FRAME)->hide();
    Timer(TimerId::CameraReopen).start();
  }
  CloseBusyDialog();
  if (switched) Timer(TimerId::DeferredPreviewStart).start();
}

void MainWindow::OnDeferredPreviewStart() {
  // No longer top-most once the camera mode runs.
  // Through the native window: changing the widget's flags would hide it, and
  // hiding a running dialog ends it.
  if (QWindow* native = windowHandle()) native->setFlag(Qt::WindowStaysOnTopHint, false);
  if (camera.DeviceOpen() && !StartStreaming(startupVideoMode_)) {
    StopStreaming();
    Control(ctl::VIDEO_FRAME)->hide();
    Timer(TimerId::CameraReopen).start();
  }
  Control(ctl::VIDEO_FRAME)->show();
}

void MainWindow::OnToCameraMode() {
  WaitCursor wait;
  // The PC pane and, with a usable stick, the camera pane are refreshed first.
  panes_->pc.Refresh();
  if (camera.DeviceOpen() && camera.MediaReady() && camera.Media() == MediaState::Listed) FillCamPane();
  Timer(TimerId::StoragePoll).stop();
  Control(ctl::VIDEO_FRAME)->show();
  Control(ctl::PICTURE_FRAME)->hide();
  if (moviePlaying) {
    moviePlaying = false;
    Control(ctl::TIME_LABEL)->hide();
    Timer(TimerId::PlayClock).stop();
  }
  if (auto videoMode = camera.SwitchToCameraMode()) {
    if (!StartStreaming(*videoMode)) StopStreaming();
  } else {
    Control(ctl::VIDEO_FRAME)->hide();
    GetPacing().Wait(500);
    Timer(TimerId::CameraReopen).start();
  }
  GetPacing().Wait(500);
  ApplyModeLayout();
}

void MainWindow::OnToStorageMode() {
  WaitCursor wait;
  Timer(TimerId::CameraReopen).stop();
  Timer(TimerId::DeferredPreviewStart).stop();  // a preview start still due from start-up must not start a stream in storage mode
  camera.BeginStorageSwitch();
  panes_->pc.Refresh();  // the PC folder may have changed while the camera streamed
  if (!camera.DeviceOpen()) {
    ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
    ApplyModeLayout();
    camera.DropStick();
    Control(ctl::VIDEO_FRAME)->hide();
    GetPacing().Wait(500);
    Timer(TimerId::StoragePoll).start(500);
    Repaint();
    return;
  }
  StopStreaming();
  Control(ctl::VIDEO_FRAME)->hide();
  camera.SendStorageMode();
  if (!PollStorage()) {
    ApplyModeLayout();
    camera.DropStick();
    GetPacing().Wait(500);
    Timer(TimerId::StoragePoll).start(500);
  } else {
    camera.ListStickAfterSwitch();
    Control(ctl::VIDEO_FRAME)->hide();
    GetPacing().Wait(500);
    Timer(TimerId::StoragePoll).start(500);
    ApplyModeLayout();
  }
  Repaint();
}

void MainWindow::OnStoragePoll() {
  Timer(TimerId::StoragePoll).stop();
  PollStorage();
  // Re-armed only while the storage layout is up (the flag is 0 then).
  if (!layoutFlag) return;
  Timer(TimerId::StoragePoll).start(500);
}

int MainWindow::PollStorage() {
  if (!movieSelected) {
    Control(ctl::PLAY)->hide();
    Control(ctl::STOP_PLAY)->hide();
  }
  return camera.PollStorage();
}

void MainWindow::OnReopenCamera() {
  Timer(TimerId::CameraReopen).stop();
  if (camera.Reopen()) {
    EnterCameraMode();
  } else if (!layoutFlag) {
    // Only the camera layout keeps trying; the storage layout has its poll.
    Timer(TimerId::CameraReopen).start();
  }
}

int MainWindow::EnterCameraMode() {
  auto videoMode = camera.EnterCameraMode();
  if (!videoMode) return 0;
  if (!StartStreaming(*videoMode)) {
    StopStreaming();
    return 0;
  }
  Control(ctl::VIDEO_FRAME)->show();
  return 1;
}

void MainWindow::OnStreamEnded(bool linkLost) {
  WaitCursor wait;
  EndStreamThread();
  if (recording) StopRecordingForLoss();
  camera.StreamEnded(linkLost);
  Control(ctl::VIDEO_FRAME)->hide();
  Repaint();
  GetPacing().Wait(2000);
  Timer(TimerId::CameraReopen).start();
}

void MainWindow::OnAudioFormatChanged() {
  WaitCursor wait;
  const bool wasRecording = recording;
  if (wasRecording) StopRecordingForLoss();
  if (!camera.LinkLost()) GetPacing().Wait(1000);
  if (wasRecording) ShowMessage(ids::AUDIO_FORMAT_CHANGED, MsgIcon::Information);
  ResumeStream();
}

// ---------------------------------------------------------------- the live stream

namespace {
// The worker's window messages travel as Qt events of these types.
QEvent::Type StreamEventType(unsigned message) {
  return static_cast<QEvent::Type>(QEvent::User + static_cast<int>(message - WM_USER));
}
}  // namespace

void MainWindow::SetPreviewGraph(std::unique_ptr<PreviewGraph> graph) {
  worker_.reset();
  preview_ = std::move(graph);
  if (preview_)
    worker_ = std::make_unique<StreamWorker>(camera.Driver(), *preview_, TempFolderPath().string());
}

void MainWindow::PostStreamMessage(unsigned message) {
  // Called on the worker's thread: posting never blocks it.
  QApplication::postEvent(this, new QEvent(StreamEventType(message)));
}

void MainWindow::customEvent(QEvent* event) {
  if (event->type() == StreamEventType(WM_STREAM_ENDED)) {
    OnStreamEnded(worker_ && worker_->LinkLost());
  } else if (event->type() == StreamEventType(WM_AUDIO_FORMAT_CHANGED)) {
    OnAudioFormatChanged();
  } else if (event->type() == StreamEventType(WM_PREVIEW_EVENT)) {
    if (auto* graph = dynamic_cast<GstPreviewGraph*>(preview_.get())) graph->TakeEvents();
  } else {
    QDialog::customEvent(event);
  }
}

bool MainWindow::StartStreaming(uint8_t videoMode) {
  if (!worker_) return false;
  worker_->SetVideoFormat(videoMode);
  worker_->SetWindows(Control(ctl::VIDEO_FRAME), this);
  worker_->SetLinkLost(camera.LinkLost());
  previewRunning = worker_->StartStreaming();
  // The stream runs again: the link is back. Kept set, the flag would skip the
  // audio-format change's wait and make every later re-entry re-send the mode.
  if (previewRunning) camera.StreamRunning();
  return previewRunning;
}

void MainWindow::StopStreaming() {
  if (worker_) worker_->StopStreaming();
  previewRunning = false;
}

void MainWindow::ResumeStream() {
  if (worker_) worker_->ResumeStream();
}

void MainWindow::EndStreamThread() {
  if (worker_) worker_->WaitForThread();
  previewRunning = false;
}

// A recording cut short by the camera: stopped, its clock stopped, and kept.
void MainWindow::StopRecordingForLoss() {
  if (worker_) worker_->StopRecording();
  Timer(timers_.RecordingClock(settings.recordMode)).stop();
  recording = false;
}
