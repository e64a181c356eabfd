// Recording in the window against the in-process camera: the recording-time
// dialog and its limits, Record and Stop with the two clocks, the save step
// (its dialog, its copy, a copy that fails), and every way out of a
// recording: the camera's end of the stream, an audio-format change, a full
// disk, the window's end, the end of the log-on and a program that was killed.
#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "app/RecordingCopy.h"

#include "platform/camsim/SampleStick.h"
#include "tests/gui/CameraWindow.h"
#include "tests/support/FileSizeLimit.h"

namespace {

uint64_t Le64(const std::string& bytes, size_t at) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= uint64_t(uint8_t(bytes.at(at + i))) << (8 * i);
  return v;
}

// What ffprobe makes of a movie: its format and stream types, empty when it fails.
QString Probe(const QString& file) {
  QProcess probe;
  probe.start("ffprobe", {"-v", "error", "-show_entries", "format=format_name:stream=codec_type", "-of",
                          "default=nw=1", file});
  if (!probe.waitForFinished(60000) || probe.exitCode() != 0) return {};
  return QString::fromUtf8(probe.readAllStandardOutput());
}

class RecordingTest : public CameraWindow {
 protected:
  RecordingController& Recording() { return window_->CameraMode().Recording(); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Recording().OnTimedTick();
  }
  // Record, with the clock of the chosen mode running, and then stopped: the
  // test ticks it itself, where on a slow machine the real one would add ticks.
  void Record(MainWindow& w) {
    w.Command(ctl::RECORD);
    const bool timed = w.ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->currentIndex() == 0;
    const TimerId clock = timed ? TimerId::TimedRecordingClock : TimerId::ToggleRecordingClock;
    EXPECT_TRUE(w.Timer(clock).isActive());
    EXPECT_EQ(w.Timer(clock).timerType(), Qt::PreciseTimer);
    w.Timer(clock).stop();
  }
  // The controls while a recording runs (true) or as before it (false).
  void ExpectRecordingControls(bool recording) {
    EXPECT_EQ(Shown(ctl::STOP_RECORD), recording);
    for (int id : {ctl::RECORD, ctl::TO_STORAGE_MODE, ctl::CAPTURE, ctl::RECORD_TIME}) EXPECT_EQ(Shown(id), !recording) << id;
    EXPECT_EQ(Enabled(ctl::RECORD_MODE_BOX), !recording);
  }
  // A saved recording is "Temp.ASF" byte for byte, with its header completed.
  void ExpectSavedRecording(const QString& saved) {
    const std::string bytes = Bytes(saved.toStdString());
    ASSERT_GT(bytes.size(), 671u);
    EXPECT_EQ(bytes, Bytes(TempAsf()));
    EXPECT_EQ(Le64(bytes, 70), bytes.size());
    EXPECT_EQ(Le64(bytes, 637), bytes.size() - 621);
    const QString probe = Probe(saved);
    EXPECT_TRUE(probe.contains("format_name=asf") && probe.contains("codec_type=video") &&
                probe.contains("codec_type=audio"))
        << probe.toStdString();
  }
  void SelectMode(int mode) { window_->ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->setCurrentIndex(mode); }
};

}  // namespace

TEST_F(RecordingTest, TheRecordingTimeTakesFiveSecondsToThreeHours) {
  MainWindow& w = Started();
  auto limits = [&] {
    return (w.ControlAs<CSkinLabel>(ctl::RECORD_MINUTES)->text() + ":" +
            w.ControlAs<CSkinLabel>(ctl::RECORD_SECONDS)->text()).toStdString();
  };
  struct Case {
    const char *minutes, *seconds, *after;
  } const cases[] = {{"0", "4", "1:30"}, {"180", "1", "1:30"}, {"0", "5", "0:5"}, {"180", "0", "180:0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.minutes) + ":" + c.seconds);
    bool limitsHidden = false;
    user_.Then([&, c](QDialog& d) {
      limitsHidden = !Shown(ctl::RECORD_MINUTES) && !Shown(ctl::RECORD_SECONDS);
      DialogUser::RecordingTime(c.minutes, c.seconds)(d);
    });
    const bool refused = std::string(c.after) == "1:30";
    if (refused) user_.Then(DialogUser::Cancel());  // opened again after the message
    boxes_.shown.clear();
    w.Command(ctl::RECORD_TIME);
    EXPECT_EQ(user_.Left(), 0u);
    EXPECT_TRUE(limitsHidden);
    EXPECT_EQ(limits(), c.after);
    EXPECT_EQ(boxes_.shown, refused ? QStringList{Text(ids::RECORDING_TIME_RANGE)} : QStringList{});
    EXPECT_TRUE(Shown(ctl::RECORD_MINUTES) && Shown(ctl::RECORD_SECONDS));
  }
  // A field past its range keeps the dialog open; Cancel changes nothing.
  user_.Then([&](QDialog& d) {
    DialogUser::RecordingTime("181", "0")(d);
    EXPECT_TRUE(d.isVisible());
    d.reject();
  });
  boxes_.shown.clear();
  w.Command(ctl::RECORD_TIME);
  EXPECT_EQ(boxes_.shown, QStringList{"Please enter an integer between 0 and 180."});
  EXPECT_EQ(limits(), "180:0");
  w.EndWindow();
  QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tesk51UISetting", "OrinMedia51");
  EXPECT_EQ(s.value("OrinDataHeader/TimeToRecord").toInt(), 10800);
}

TEST_F(RecordingTest, ATimedRecordingOfNinetySecondsCountsDownAndEndsAfterZero) {
  MainWindow& w = Streaming();
  Record(w);
  ExpectRecordingControls(true);
  RecordPackets(30);
  Ticks(1);
  EXPECT_EQ(Clock(), "01 : 30");
  Ticks(89);
  EXPECT_EQ(Clock(), "00 : 01");
  EXPECT_TRUE(Recording().Active());
  QString clockAtTheEnd;
  user_.Then([&](QDialog& d) {
    clockAtTheEnd = Clock();
    auto& dialog = dynamic_cast<QFileDialog&>(d);
    EXPECT_EQ(dialog.windowTitle(), "Save File");
    EXPECT_EQ(dialog.nameFilters(), QStringList{"ASF Files (*.asf)"});
    EXPECT_EQ(dialog.defaultSuffix(), "asf");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    DialogUser::SaveAs(Saved("timed"))(d);  // the suffix comes by itself
  });
  Ticks(1);
  EXPECT_EQ(clockAtTheEnd, "00 : 00");
  EXPECT_FALSE(Recording().Active());
  EXPECT_FALSE(w.CameraMode().Worker()->Recording());
  EXPECT_FALSE(w.Timer(TimerId::TimedRecordingClock).isActive());
  ExpectSavedRecording(Saved("timed.asf"));
  ExpectRecordingControls(false);
  EXPECT_EQ(Clock(), "");
  EXPECT_EQ(w.ControlAs<CSkinLabel>(ctl::TIME_LABEL)->text(), "00 : 00");
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(RecordingTest, AToggleRecordingCountsUpAndTheStopAsksNothing) {
  MainWindow& w = Streaming();
  SelectMode(1);
  Record(w);
  Recording().OnToggleTick();
  EXPECT_EQ(Clock(), "00 : 00");
  Recording().OnToggleTick();
  EXPECT_EQ(Clock(), "00 : 01");
  RecordPackets(5);
  user_.Then(DialogUser::Cancel());
  w.Command(ctl::STOP_RECORD);
  EXPECT_EQ(user_.Left(), 0u);
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  EXPECT_FALSE(w.Timer(TimerId::ToggleRecordingClock).isActive());
  ExpectRecordingControls(false);
  // Cancelled: the recording stays in the temporary folder, completed.
  const std::string kept = Bytes(TempAsf());
  EXPECT_EQ(Le64(kept, 70), kept.size());
}

TEST_F(RecordingTest, NoToStopRecordingKeepsItRunningAndASaveMayReplaceAFile) {
  MainWindow& w = Streaming();
  Record(w);
  RecordPackets(5);
  boxes_.answers = {MsgAnswer::No};
  w.Command(ctl::STOP_RECORD);
  EXPECT_EQ(boxes_.shown, QStringList{Text(ids::STOP_RECORDING_QUESTION)});
  EXPECT_EQ(boxes_.icons.value(0), MsgIcon::Exclamation);
  EXPECT_TRUE(Recording().Active());
  EXPECT_TRUE(w.CameraMode().Worker()->Recording());
  Ticks(1);
  EXPECT_EQ(Clock(), "01 : 30");  // the countdown runs on, from its first tick

  std::ofstream(Saved("old.asf").toStdString()) << "an older file";
  user_.Then(DialogUser::SaveAs(Saved("old.asf")));
  user_.Then(DialogUser::Yes());  // replace it
  w.Command(ctl::STOP_RECORD);  // Yes to the question
  EXPECT_EQ(user_.titles.size(), 2);
  ExpectSavedRecording(Saved("old.asf"));
}

TEST_F(RecordingTest, ASaveThatFailsKeepsTheRecordingAndAsksAgain) {
  MainWindow& w = Streaming();
  SelectMode(1);
  Record(w);
  RecordPackets(20);
  w.Command(ctl::STOP_RECORD);  // no dialog step yet: cancelled
  user_.unexpected = 0;
  const std::string recorded = Bytes(TempAsf());
  FileSizeLimit full(recorded.size() / 2);
  user_.Then(DialogUser::SaveAs(Saved("first.asf")));
  user_.Then([&](QDialog& d) {
    full.Lift();  // the user made room
    DialogUser::SaveAs(Saved("second.asf"))(d);
  });
  w.CameraMode().Recording().SaveRecording();
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], Saved("first.asf") + "\n\nFile too large");
  EXPECT_EQ(boxes_.icons.value(0), MsgIcon::Error);
  EXPECT_EQ(Bytes(TempAsf()), recorded);
  EXPECT_EQ(Bytes(Saved("second.asf").toStdString()), recorded);
  // Nothing of the failed copy is left beside it.
  EXPECT_FALSE(std::filesystem::exists(Saved("first.asf").toStdString()));
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(scratch_)) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(RecordingTest, ARecordingCutByTheCameraIsOfferedForSaving) {
  MainWindow& w = Streaming();
  // Unplugged first: a camera turned out of PC-camera mode stays out of it.
  for (const char* cut : {"unplug", "leave-camera-mode"}) {
    SCOPED_TRACE(cut);
    Record(w);
    RecordPackets(5);
    const QString saved = Saved(cut) + ".asf";
    user_.Then(DialogUser::SaveAs(saved));
    sim_.Control(cut);
    ASSERT_TRUE(ServeUntil([&] { return !w.Camera().DeviceOpen(); }));
    EXPECT_EQ(user_.Left(), 0u) << boxes_.shown.join("|").toStdString();
    EXPECT_FALSE(Recording().Active());
    ExpectSavedRecording(saved);
    ExpectRecordingControls(false);
    EXPECT_TRUE(w.Timer(TimerId::CameraReopen).isActive());
    if (std::string(cut) != "unplug") break;
    sim_.Control("plug");
    w.Connection().OnReopenCamera();
    ASSERT_TRUE(w.CameraMode().PreviewRunning());
  }
}

TEST_F(RecordingTest, AnAudioFormatChangeEndsTheRecordingWithItsMessageThenTheSave) {
  MainWindow& w = Streaming();
  Record(w);
  RecordPackets(5);
  QStringList messagesBeforeTheDialog;
  user_.Then([&](QDialog& d) {
    messagesBeforeTheDialog = boxes_.shown;
    DialogUser::SaveAs(Saved("audio.asf"))(d);
  });
  sim_.Control("audio-change");
  ASSERT_TRUE(ServeUntil([&] { return !Recording().Active() && user_.Left() == 0; }));
  EXPECT_EQ(messagesBeforeTheDialog, QStringList{Text(ids::AUDIO_FORMAT_CHANGED)});
  ExpectSavedRecording(Saved("audio.asf"));
  // The worker goes on: the next recording works.
  const uint64_t before = w.CameraMode().Worker()->PacketsWritten();
  ASSERT_TRUE(ServeUntil([&] { return w.CameraMode().Worker()->PreviewRunning(); }));
  Record(w);
  ASSERT_TRUE(ServeUntil([&] { return w.CameraMode().Worker()->PacketsWritten() != before; }));
  boxes_.answers = {MsgAnswer::Yes};
  user_.Then(DialogUser::Cancel());
  w.Command(ctl::STOP_RECORD);
}

TEST_F(RecordingTest, AFullDiskStopsTheRecordingAndWhatWasWrittenIsOffered) {
  MainWindow& w = Streaming();
  Record(w);
  RecordPackets(5);
  const uint64_t limit = Bytes(TempAsf()).size() + 40000;
  FileSizeLimit full(limit);
  user_.Then([&](QDialog& d) {
    full.Lift();
    DialogUser::SaveAs(Saved("full.asf"))(d);
  });
  ASSERT_TRUE(ServeUntil([&] { return !Recording().Active() && user_.Left() == 0; }));
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], Text(ids::RECORDING_WRITE_FAILED) + "\n\nFile too large");
  ExpectSavedRecording(Saved("full.asf"));
  const std::string saved = Bytes(Saved("full.asf").toStdString());
  EXPECT_LE(saved.size(), limit);
  EXPECT_EQ(Le64(saved, 86), (saved.size() - 671) / 2048);  // whole packets, all counted
  ExpectRecordingControls(false);
  EXPECT_TRUE(w.CameraMode().PreviewRunning());

  // A disk full from the first block on: the message, and nothing offered.
  boxes_.shown.clear();
  FileSizeLimit none(0);
  Record(w);
  ASSERT_TRUE(ServeUntil([&] { return !Recording().Active(); }));
  none.Lift();
  EXPECT_EQ(boxes_.shown, QStringList{Text(ids::RECORDING_WRITE_FAILED) + "\n\nFile too large"});
  EXPECT_EQ(user_.titles.size(), 1);
  ExpectRecordingControls(false);
  EXPECT_EQ(Clock(), "");
}

TEST_F(RecordingTest, TheWindowsEndAsksSaveFileBeforeTheSettingsAreWrittenAndTheFolderGoes) {
  for (MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
    MainWindow& w = Streaming();
    Record(w);
    RecordPackets(5);
    bool settingsWritten = true;
    std::string keptWhenAsked;
    if (answer == MsgAnswer::Yes)
      user_.Then([&](QDialog& d) {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tesk51UISetting", "OrinMedia51");
        settingsWritten = s.contains("OrinDataHeader/RecordMode");
        keptWhenAsked = Bytes(TempAsf());
        DialogUser::SaveAs(Saved("atexit.asf"))(d);
      });
    boxes_.shown.clear();
    boxes_.answers = {answer};
    w.EndWindow();
    EXPECT_EQ(boxes_.shown, QStringList{Text(ids::SAVE_FILE_QUESTION)});
    EXPECT_FALSE(std::filesystem::exists(TempAsf().parent_path()));
    if (answer == MsgAnswer::Yes) {
      EXPECT_FALSE(settingsWritten);
      EXPECT_EQ(Bytes(Saved("atexit.asf").toStdString()), keptWhenAsked);
      EXPECT_EQ(Le64(keptWhenAsked, 70), keptWhenAsked.size());
    }
    window_.reset();
    std::filesystem::remove(scratch_ / "config" / "Tesk51UISetting" / "OrinMedia51.conf");
  }
  EXPECT_EQ(user_.titles.size(), 1);
}

TEST_F(RecordingTest, TheEndOfTheLogOnCompletesTheRecordingForTheQuestionAtTheEnd) {
  MainWindow& w = Streaming();
  Record(w);
  RecordPackets(5);
  w.OnShutdownQuery();
  ExpectRecordingControls(false);
  EXPECT_FALSE(w.Timer(TimerId::TimedRecordingClock).isActive());
  const std::string kept = Bytes(TempAsf());
  EXPECT_EQ(Le64(kept, 70), kept.size());
  user_.Then(DialogUser::SaveAs(Saved("logoff.asf")));
  w.EndWindow();
  EXPECT_EQ(boxes_.shown, QStringList{Text(ids::SAVE_FILE_QUESTION)});
  EXPECT_EQ(Bytes(Saved("logoff.asf").toStdString()), kept);
}

TEST_F(RecordingTest, WithoutTheLivePictureNothingIsRecordedAndNothingOffered) {
  MainWindow& w = Streaming();
  w.CameraMode().StopStreaming();
  Record(w);
  ExpectRecordingControls(true);
  w.Command(ctl::STOP_RECORD);  // Yes to "Stop Recording?"
  EXPECT_EQ(boxes_.shown, (QStringList{Text(ids::STOP_RECORDING_QUESTION), Text(ids::NOTHING_RECORDED)}));
  EXPECT_TRUE(user_.titles.isEmpty());
  ExpectRecordingControls(false);
}

TEST_F(RecordingTest, ARecordingLeftByAKilledProgramIsCompletedAndOfferedAtTheStart) {
  std::filesystem::create_directories(TempAsf().parent_path());
  std::string error;
  ASSERT_TRUE(camsim::WriteCameraMovie(TempAsf(), 2, error)) << error;
  const std::string complete = Bytes(TempAsf());
  // As the camera sent it: the five values unknown, and the last packet cut off by the kill.
  std::string left = complete;
  for (size_t at : {70, 86, 94, 637, 661}) left.replace(at, 8, 8, '\0');
  left += complete.substr(671, 1000);
  std::ofstream(TempAsf(), std::ios::binary | std::ios::trunc) << left;

  user_.Then(DialogUser::SaveAs(Saved("left.asf")));
  Started();
  EXPECT_EQ(boxes_.shown, QStringList{Text(ids::LEFT_RECORDING_QUESTION)});
  const std::string saved = Bytes(Saved("left.asf").toStdString());
  EXPECT_EQ(saved.substr(0, 94) + saved.substr(102), complete.substr(0, 94) + complete.substr(102));
  EXPECT_EQ(Le64(saved, 94), Le64(complete, 94)) << "the play duration, from the audio objects";
  EXPECT_TRUE(Probe(Saved("left.asf")).contains("codec_type=video"));
  window_.reset();

  // A file without one whole packet is not offered.
  std::filesystem::create_directories(TempAsf().parent_path());
  std::ofstream(TempAsf(), std::ios::binary | std::ios::trunc) << complete.substr(0, 671 + 100);
  boxes_.shown.clear();
  Started();
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

// The copy itself, at the edges of its pieces: empty, exactly one piece, and
// more than two; a replaced file keeps its permissions; a folder that is not
// there gives the system's reason and leaves nothing behind.
TEST(RecordingCopyTest, CopiesEveryPieceAndReplacesOnlyWhenComplete) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString source = dir.filePath("Temp.ASF");
  for (qint64 size : {qint64(0), kRecordingCopyChunk, 2 * kRecordingCopyChunk + 1}) {
    SCOPED_TRACE(size);
    std::string bytes(size_t(size), '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + i / 4099);
    std::ofstream(source.toStdString(), std::ios::binary | std::ios::trunc) << bytes;
    const QString target = dir.filePath("movie.asf");
    std::ofstream(target.toStdString()) << "an older, longer file than the first copy";
    ::chmod(target.toLocal8Bit().constData(), 0640);
    EXPECT_EQ(CopyRecording(source, target), QString());
    std::ifstream copied(target.toStdString(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copied), {}), bytes);
    struct stat st {};
    ::stat(target.toLocal8Bit().constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
  }
  EXPECT_EQ(CopyRecording(source, dir.filePath("gone/movie.asf")), "No such file or directory");
  EXPECT_EQ(CopyRecording(dir.filePath("none.ASF"), dir.filePath("x.asf")), "No such file or directory");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), (QStringList{"Temp.ASF", "movie.asf"}));
}
