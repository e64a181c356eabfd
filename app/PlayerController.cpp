#include "app/PlayerController.h"

#include "app/ControlTable.h"
#include "app/TempFolder.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "camera/CameraConnection.h"
#include "camera/CameraProtocol.h"
#include "fileops/Transfer.h"
#include "platform/ui/WaitCursor.h"
#include "resources/StringIds.h"
#include "skin/CSkinLabel.h"
#include "video/VideoFrame.h"

PlayerController::PlayerController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers, FileOpsUi& ui,
                                   StreamOwnerWindow& notify)
    : camera_(camera), shell_(shell), timers_(timers), ui_(ui), notify_(notify), player_(ui) {}

void PlayerController::ResetClock() {
  shell_.Control(ctl::TIME_LABEL)->hide();
  timers_(TimerId::PlayClock).stop();
  elapsed_ = 0;
}

void PlayerController::Play(const QString& movie, bool onPc) {
  WaitCursor wait;
  if (playing_) {
    player_.StopPlayer();
    playing_ = false;
    ResetClock();
  }
  if (onPc) {
    if (hideStill) hideStill();
    PlayFile(movie.toStdString());
  } else if (!movie.isEmpty()) {
    PlayCameraMovie(movie);
  }
}

// The movie comes into the temporary folder whole, with the storage poll stopped meanwhile.
void PlayerController::PlayCameraMovie(const QString& name) {
  const CamEntry* entry = LastCamEntryNamed(camera_.files, name.toStdString());
  if (!camera_.DeviceOpen()) return;
  // A movie no longer in the listing has no size to read: as damaged as an empty one.
  if (!entry || entry->size == 0) return ui_.ShowMessage(ids::FILE_DAMAGED, MsgIcon::Error);
  // Copied: a camera error met on the way drops the camera's lists.
  const std::string listed = entry->displayName;
  const uint32_t size = entry->size;
  timers_(TimerId::StoragePoll).stop();
  auto fetched = FetchToTemp(camera_, ui_, TempFolderPath(), listed, size, REQ_READ_FILE);
  timers_(TimerId::StoragePoll).start(500);
  if (fetched) PlayFile(fetched->string());
}

void PlayerController::PlayFile(const std::string& path) {
  if (!player_.Play(path, dynamic_cast<VideoFrame*>(shell_.Control(ctl::VIDEO_FRAME)), &notify_)) {
    player_.StopPlayer();
    shell_.HidePlayButtons();
    shell_.ShowVideoFrame(false);
    return;
  }
  playing_ = true;
  elapsed_ = 0;
  timers_(TimerId::PlayClock).start();
  shell_.Control(ctl::PLAY)->hide();
  shell_.Control(ctl::STOP_PLAY)->show();
}

void PlayerController::OnStopMovie() {
  if (playing_) player_.StopPlayer();
  playing_ = false;
  shell_.ShowVideoFrame(false);
  shell_.Control(ctl::PLAY)->show();
  shell_.Control(ctl::STOP_PLAY)->hide();
  ResetClock();
}

void PlayerController::OnPlayClock() {
  ++elapsed_;
  auto* label = shell_.ControlAs<CSkinLabel>(ctl::TIME_LABEL);
  label->hide();
  label->SetText(QString::asprintf("%.2d : %.2d", elapsed_ / 60, elapsed_ % 60));
  label->show();
  shell_.Repaint();
}

// Only the end of the movie or an error ends it; the graph's other events change nothing.
void PlayerController::OnPlayerEvent() {
  long last = EC_OTHER;
  player_.TakePlayerEvents(last);
  if (last != EC_COMPLETE && last != EC_USERABORT) return;
  OnStopMovie();
}

void PlayerController::StopPlaying() {
  if (!playing_) return;
  player_.StopPlayer();
  playing_ = false;
  ResetClock();
}
