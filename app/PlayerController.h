// The movie player in the window: the Play button (control 1021) for the movie
// chosen in either pane (a camera movie is fetched into the temporary folder
// first), the Stop button (1026), the play clock (timer 12) in the time label
// 1096, and the end of the movie (WM_ASFCOMPLETE). The movie is drawn into the
// video frame 1069, which the live preview uses in the camera layout; the
// player plays in the storage layout. GUI thread only.
#pragma once
#include <QString>
#include <functional>

#include "video/MoviePlayer.h"

class CameraConnection;
class FileOpsUi;
class StreamOwnerWindow;
class WindowShell;
class WindowTimers;

class PlayerController {
 public:
  // `notify` receives WM_ASFCOMPLETE.
  PlayerController(CameraConnection& camera, WindowShell& shell, WindowTimers& timers, FileOpsUi& ui,
                   StreamOwnerWindow& notify);

  bool Playing() const { return playing_; }
  MoviePlayer& Player() { return player_; }
  // Leaves no still picture over the video: the picture window's image
  // released and the picture frame 1071 hidden.
  std::function<void()> hideStill;

  // The Play button for `movie`: a PC path, or a camera file's name.
  void Play(const QString& movie, bool onPc);
  void OnStopMovie();
  // Timer 12.
  void OnPlayClock();
  // WM_ASFCOMPLETE.
  void OnPlayerEvent();
  // The player stopped and its clock reset, as a mode change, the window's
  // end and the end of the log-on stop it. Nothing when none plays.
  void StopPlaying();
  // The time label hidden and the play clock stopped at 0.
  void ResetClock();
  // After the window moved: the video fills its frame again.
  void Fit() { player_.FitPlayer(); }

 private:
  friend struct WindowTestAccess;

  void PlayFile(const std::string& path);
  void PlayCameraMovie(const QString& name);

  CameraConnection& camera_;
  WindowShell& shell_;
  WindowTimers& timers_;
  FileOpsUi& ui_;
  StreamOwnerWindow& notify_;
  MoviePlayer player_;
  bool playing_ = false;
  int elapsed_ = 0;
};
