// The movie player in the window over the sample Memory Stick: a camera
// movie fetched and played with its clock to its end, the damaged (empty)
// camera movie, double-clicks on movies of either pane (movies made by
// ffmpeg on the PC side), a file that is no movie, and every way a playing
// movie is stopped: the Stop button, a new selection, a file operation's
// clearing of the preview, the mode change and the end of the log-on.
#include <QTest>

#include "app/TempFolder.h"
#include "camera/CameraProtocol.h"
#include "resources/StringIds.h"
#include "skin/CSkinLabel.h"
#include "tests/gui/StorageWindow.h"
#include "tests/gui/WindowTestAccess.h"
#include "tests/player/PlayerTestKit.h"
#include "video/VideoFrame.h"

namespace fs = std::filesystem;

namespace {

class PlayerTest : public StorageWindow {
 protected:
  // Started, shown, in storage mode, the camera pane in QXMOV\100QXMSC.
  MainWindow& InMovies() {
    MainWindow& w = Started();
    w.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.Command(ctl::TO_STORAGE_MODE);
    MoveCamera("QXMOV");
    MoveCamera("100QXMSC");
    EXPECT_GE(RowOf(ctl::CAM_PANE, "MOV_0001.ASF"), 0);
    return w;
  }
  PlayerController& Player() { return window_->CameraMode().Player(); }
  fs::path MovieFolder() const { return stick_.Path() / "QXMOV" / "100QXMSC"; }
  void DoubleClick(int paneId, const QString& name) {
    ASSERT_GE(RowOf(paneId, name), 0) << name.toStdString();
    QTest::mouseDClick(View(paneId)->viewport(), Qt::LeftButton, {}, RowCentre(paneId, name));
  }
  bool ReadFileAsked() const {
    for (const RecordingDriver::Call& call : recorder_.Calls())
      if (call.request == REQ_READ_FILE) return true;
    return false;
  }

  QString Clock() {
    return Shown(ctl::TIME_LABEL) ? window_->ControlAs<CSkinLabel>(ctl::TIME_LABEL)->text() : QString();
  }
  // Playing now: Stop in Play's place, the clock running, the video shown.
  void ExpectPlaying() {
    EXPECT_TRUE(window_->CameraMode().MoviePlaying());
    EXPECT_EQ(Player().Player().Playing(), 2);
    EXPECT_FALSE(Shown(ctl::PLAY));
    EXPECT_TRUE(Shown(ctl::STOP_PLAY));
    EXPECT_TRUE(Shown(ctl::VIDEO_FRAME));
    EXPECT_TRUE(window_->Timer(TimerId::PlayClock).isActive());
  }
  // The player stopped with its clock, the time label gone.
  void ExpectStopped() {
    EXPECT_FALSE(window_->CameraMode().MoviePlaying());
    EXPECT_EQ(Player().Player().Playing(), 0);
    EXPECT_FALSE(window_->Timer(TimerId::PlayClock).isActive());
    EXPECT_FALSE(Shown(ctl::TIME_LABEL));
  }
  // Stopped by the Stop button or the movie's end: Play shown again.
  void ExpectPlayShownAgain() {
    ExpectStopped();
    EXPECT_TRUE(Shown(ctl::PLAY));
    EXPECT_FALSE(Shown(ctl::STOP_PLAY));
    EXPECT_FALSE(Shown(ctl::VIDEO_FRAME));
  }
  // Pictures drawn, then the movie's own end.
  void PlaysToItsEnd() {
    const uint64_t before = Player().Player().DrawnFrames();
    EXPECT_TRUE(ServeUntil([&] { return Player().Player().DrawnFrames() > before + 5; }));
    EXPECT_TRUE(ServeUntil([&] { return !window_->CameraMode().MoviePlaying(); })) << "the end came";
    ExpectPlayShownAgain();
  }
};

TEST_F(PlayerTest, ACameraMovieIsFetchedAndPlaysWithItsClockToItsEnd) {
  MainWindow& w = InMovies();
  Click(ctl::CAM_PANE, "MOV_0001.ASF");
  ASSERT_TRUE(Shown(ctl::PLAY));
  recorder_.ClearCalls();
  w.Command(ctl::PLAY);
  EXPECT_TRUE(ReadFileAsked());
  EXPECT_EQ(Bytes(TempFolderPath() / "MOV_0001.ASF"), Bytes(MovieFolder() / "MOV_0001.ASF"));
  EXPECT_TRUE(w.Timer(TimerId::StoragePoll).isActive());  // the storage poll runs again
  ExpectPlaying();
  // The clock starts from nothing: its first tick shows one second.
  Player().OnPlayClock();
  EXPECT_EQ(Clock(), "00 : 01");
  Player().OnPlayClock();
  EXPECT_EQ(Clock(), "00 : 02");
  PlaysToItsEnd();
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();

  // A double-click plays at once, and again over a movie that still plays.
  DoubleClick(ctl::CAM_PANE, "MOV_0001.ASF");
  ExpectPlaying();
  Player().OnPlayClock();
  DoubleClick(ctl::CAM_PANE, "MOV_0001.ASF");
  ExpectPlaying();
  EXPECT_EQ(Clock(), "");  // the new movie's clock has not ticked yet
  Player().OnPlayClock();
  EXPECT_EQ(Clock(), "00 : 01");
  PlaysToItsEnd();
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(PlayerTest, AnEmptyCameraMovieIsDamagedAndNothingIsRead) {
  Write(MovieFolder() / "MOV_0002.ASF", "");
  MainWindow& w = InMovies();
  Click(ctl::CAM_PANE, "MOV_0002.ASF");
  recorder_.ClearCalls();
  w.Command(ctl::PLAY);
  EXPECT_EQ(boxes_.shown, QStringList{"This file is damaged.    "});
  EXPECT_FALSE(ReadFileAsked());
  EXPECT_FALSE(fs::exists(TempFolderPath() / "MOV_0002.ASF"));
  ExpectStopped();
  EXPECT_TRUE(w.Timer(TimerId::StoragePoll).isActive());
}

// Movies made by ffmpeg, double-clicked in the PC pane: MPEG-4 in ASF as the
// camera makes it, and Windows Media video.
TEST_F(PlayerTest, PcMoviesPlayAtADoubleClickToTheirEnd) {
  playertest::Scratch made;
  for (auto [name, codecs] : {std::pair{"mpeg4.asf", "-c:v mpeg4 -c:a pcm_s16le -f asf"},
                              std::pair{"wmv2.asf", "-c:v wmv2 -c:a wmav2 -f asf"}}) {
    const std::string movie = made.Movie(name, codecs, 1);
    ASSERT_FALSE(movie.empty()) << "ffmpeg made " << name;
    fs::copy_file(movie, pcFolder_ / name);
  }
  InMovies();
  for (const char* name : {"mpeg4.asf", "wmv2.asf"}) {
    SCOPED_TRACE(name);
    DoubleClick(ctl::PC_PANE, name);
    ExpectPlaying();
    EXPECT_FALSE(Shown(ctl::PICTURE_FRAME));
    PlaysToItsEnd();
  }
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(PlayerTest, AFileThatIsNoMovieSaysSoAndHidesThePlayControls) {
  Write(pcFolder_ / "notes.asf", "not a movie at all");
  MainWindow& w = InMovies();
  Click(ctl::PC_PANE, "notes.asf");
  ASSERT_TRUE(Shown(ctl::PLAY));
  w.Command(ctl::PLAY);
  EXPECT_EQ(boxes_.shown, QStringList{"Not supported format."});
  ExpectStopped();
  EXPECT_FALSE(Shown(ctl::PLAY));
  EXPECT_FALSE(Shown(ctl::STOP_PLAY));
  EXPECT_FALSE(Shown(ctl::VIDEO_FRAME));
}

TEST_F(PlayerTest, StopAnotherRowTheModeChangeAndTheEndOfTheLogOnEachStopTheMovie) {
  MainWindow& w = InMovies();
  auto play = [&] {
    DoubleClick(ctl::CAM_PANE, "MOV_0001.ASF");
    ExpectPlaying();
    Player().OnPlayClock();
  };
  play();
  w.Command(ctl::STOP_PLAY);
  ExpectPlayShownAgain();

  // A click on a movie row makes it the selection anew: the playing one stops.
  play();
  Click(ctl::CAM_PANE, "MOV_0001.ASF");
  ExpectPlayShownAgain();

  // A file operation clears the preview, and the movie with it.
  play();
  WindowTestAccess::Ui(w).ClearPreviewRest();
  ExpectStopped();

  play();
  w.Command(ctl::TO_CAMERA_MODE);
  ExpectStopped();
  // The live picture takes the video frame back from the movie.
  ASSERT_TRUE(w.CameraMode().PreviewRunning());
  auto* frame = dynamic_cast<VideoFrame*>(w.Control(ctl::VIDEO_FRAME));
  ASSERT_NE(frame, nullptr);
  const qint64 movieKey = frame->Picture().cacheKey();
  EXPECT_TRUE(ServeUntil([&] { return frame->VideoVisible() && frame->Picture().cacheKey() != movieKey; }));
  EXPECT_EQ(frame->Picture().size(), QSize(320, 240));
  w.Command(ctl::TO_STORAGE_MODE);
  MoveCamera("QXMOV");
  MoveCamera("100QXMSC");

  // The log-on may yet go on: the window is left with Play, not a Stop that stops nothing.
  play();
  w.OnShutdownNotice();
  ExpectPlayShownAgain();
  EXPECT_TRUE(Player().Player().GraphElements().empty());
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

}  // namespace
