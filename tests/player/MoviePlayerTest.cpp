// The movie player against real files: movies made by ffmpeg and the sample
// stick's movie play to their end into the video frame and announce it;
// which reader a path gets; files that cannot play give the one message;
// stopping while playing releases every element; an error in the middle of a
// movie ends it as an abort.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/camsim/SampleStick.h"
#include "tests/player/GstTestTypes.h"
#include "tests/player/PlayerTestKit.h"
#include "video/MoviePlayer.h"
#include "video/VideoFrame.h"

namespace {

namespace fs = std::filesystem;
using namespace playertest;

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// A picture of the test source, not a black or blank one.
int Colours(const QImage& picture) {
  std::set<QRgb> colours;
  for (int x = 0; x < picture.width(); x += 4) colours.insert(picture.pixel(x, picture.height() / 3));
  return int(colours.size());
}

class MoviePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { frame.resize(320, 240); }

  // Plays `path` to its end: the ASF reader heads the graph exactly for a
  // Windows Media path, WM_ASFCOMPLETE arrives, the events say EC_COMPLETE,
  // and the frame shows the movie's last picture until stopped.
  void PlayToEnd(const std::string& path, uint64_t minFrames, QSize size = {160, 120}) {
    ASSERT_FALSE(path.empty()) << "ffmpeg made the movie";
    const size_t endsBefore = window.Posted(WM_ASFCOMPLETE);
    const size_t messagesBefore = ui.texts.size();
    const uint64_t before = player.DrawnFrames();
    ASSERT_TRUE(player.Play(path, &frame, &window)) << path;
    EXPECT_EQ(ui.texts.size(), messagesBefore) << "no message";
    EXPECT_EQ(Has(player.GraphElements(), "asfdemux"), IsWindowsMediaPath(path));
    EXPECT_EQ(player.Playing(), 2);
    EXPECT_TRUE(player.Started());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.VideoVisible());

    ASSERT_TRUE(window.WaitFor(WM_ASFCOMPLETE, endsBefore + 1)) << "the end is announced";
    long code = -1;
    player.TakePlayerEvents(code);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_GE(player.DrawnFrames() - before, minFrames);
    const QImage picture = frame.Picture();
    EXPECT_EQ(picture.size(), size);
    EXPECT_GT(Colours(picture), 3);

    player.StopPlayer();
    EXPECT_EQ(player.Playing(), 0);
    EXPECT_FALSE(player.Started());
    EXPECT_FALSE(frame.VideoVisible());
    EXPECT_TRUE(frame.Picture().isNull());
    EXPECT_TRUE(player.GraphElements().empty());
  }

  // Play fails with the one message and leaves the player stopped.
  void FailsToPlay(const std::string& path) {
    ui.texts.clear();
    ui.icons.clear();
    EXPECT_FALSE(player.Play(path, &frame, &window)) << path;
    EXPECT_EQ(ui.texts, std::vector<std::string>{"Not supported format."}) << path;
    EXPECT_EQ(ui.icons, std::vector<MsgIcon>{MsgIcon::Error});
    EXPECT_EQ(player.Playing(), 0);
    EXPECT_FALSE(player.Started());
    EXPECT_FALSE(frame.VideoVisible());
    EXPECT_TRUE(player.GraphElements().empty());
    long code = -1;
    player.TakePlayerEvents(code);
    EXPECT_EQ(code, EC_OTHER);
  }

  Scratch scratch;
  RecordingUi ui;
  PostedMessages window;
  VideoFrame frame;
  MoviePlayer player{ui};
};

// --- movies made by ffmpeg ---

struct Clip {
  const char* name;
  const char* codecs;
  int audioRate;
};

void PrintTo(const Clip& clip, std::ostream* out) { *out << clip.name; }

class ClipTest : public MoviePlayerTest, public ::testing::WithParamInterface<Clip> {};

TEST_P(ClipTest, PlaysToItsEndIntoTheVideoFrame) {
  // One second at 15 frames a second: every picture is drawn.
  const Clip& clip = GetParam();
  PlayToEnd(scratch.Movie(clip.name, clip.codecs, 1, clip.audioRate), 15);
}

INSTANTIATE_TEST_SUITE_P(
    Ffmpeg, ClipTest,
    ::testing::Values(Clip{"mpeg4_pcm.asf", "-c:v mpeg4 -c:a pcm_s16le -f asf", 8000},
                      Clip{"mpeg4_wma.asf", "-c:v mpeg4 -c:a wmav2 -f asf", 16000},
                      Clip{"wmv2_wma.wmv", "-c:v wmv2 -c:a wmav2", 16000},
                      Clip{"mpeg4_aac.mp4", "-c:v mpeg4 -c:a aac", 16000},
                      Clip{"h264_aac.mp4", "-c:v libx264 -pix_fmt yuv420p -c:a aac", 16000}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

// --- which reader a path gets ---

TEST_F(MoviePlayerTest, UpperAndLowerCaseAsfUseTheReaderAndMixedCaseIsRenderedWhole) {
  const std::string movie = scratch.Movie("made.asf", "-c:v mpeg4 -c:a pcm_s16le -f asf", 1, 8000);
  ASSERT_FALSE(movie.empty());
  for (const char* name : {"clip.ASF", "clip.asf", "clip.Asf"}) {
    SCOPED_TRACE(name);
    const std::string path = scratch.Path(name);
    fs::copy_file(movie, path, fs::copy_options::overwrite_existing);
    EXPECT_EQ(IsWindowsMediaPath(path), std::string(name) != "clip.Asf");
    PlayToEnd(path, 15);  // whole-file decoding finds the ASF content by itself
  }
}

TEST_F(MoviePlayerTest, AFolderNamedWithWmvSendsItsFilesToTheReader) {
  fs::create_directories(scratch.Path("holiday.wmv"));
  const std::string asf = scratch.Movie("holiday.wmv/clip", "-c:v mpeg4 -c:a pcm_s16le -f asf", 1, 8000);
  EXPECT_TRUE(IsWindowsMediaPath(asf));
  PlayToEnd(asf, 15);

  // An MP4 there goes to the reader too, which cannot read it.
  const std::string mp4 = scratch.Movie("holiday.wmv/clip.mp4", "-c:v mpeg4 -c:a aac");
  ASSERT_FALSE(mp4.empty());
  FailsToPlay(mp4);
  // The same file elsewhere plays.
  fs::copy_file(mp4, scratch.Path("clip.mp4"));
  PlayToEnd(scratch.Path("clip.mp4"), 15);
}

// --- files that cannot play ---

TEST_F(MoviePlayerTest, TextAndMissingFilesGiveTheOneMessage) {
  std::ofstream(scratch.Path("notes.txt")) << "These are not moving pictures.\n";
  std::ofstream(scratch.Path("notes.asf")) << "These are not moving pictures either.\n";
  std::ofstream(scratch.Path("empty.wmv"));
  fs::create_directories(scratch.Path("folder.mp4"));
  for (const char* name : {"notes.txt", "notes.asf", "empty.wmv", "absent.mp4", "absent.WMV", "folder.mp4"}) {
    SCOPED_TRACE(name);
    FailsToPlay(scratch.Path(name));
  }
  EXPECT_EQ(window.Posted(WM_ASFCOMPLETE), 0u) << "a movie that never ran has no end to announce";
  // The player is not left broken.
  PlayToEnd(scratch.Movie("after.wmv", "-c:v wmv2 -c:a wmav2"), 15);
}

TEST_F(MoviePlayerTest, AStreamWithoutADecoderInTheReaderFails) {
  // An ASF file whose video stream no decoder takes: its type is replaced in
  // the header (the codec's four letters become "ZZZZ").
  const std::string made = scratch.Movie("made.wmv", "-c:v wmv2 -c:a wmav2");
  ASSERT_FALSE(made.empty());
  std::ifstream in(made, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  size_t replaced = 0;
  for (size_t at = bytes.find("WMV2"); at != std::string::npos && at < 2048; at = bytes.find("WMV2", at + 4)) {
    bytes.replace(at, 4, "ZZZZ");
    ++replaced;
  }
  ASSERT_GT(replaced, 0u);
  std::ofstream(scratch.Path("unknown.wmv"), std::ios::binary) << bytes;
  FailsToPlay(scratch.Path("unknown.wmv"));
}

// --- stopping, replaying, other events ---

TEST_F(MoviePlayerTest, StopWhilePlayingReleasesEveryElementAndAnnouncesNothing) {
  const std::string path = scratch.Movie("long.wmv", "-c:v wmv2 -c:a wmav2", 10);
  ASSERT_FALSE(path.empty());
  const int aliveBefore = LiveElements();
  ASSERT_TRUE(player.Play(path, &frame, &window));
  ASSERT_TRUE(WaitUntil([&] { return player.DrawnFrames() >= 5; }));
  EXPECT_GT(LiveElements(), aliveBefore);

  player.StopPlayer();
  EXPECT_EQ(LiveElements(), aliveBefore) << "the graph and every element in it are gone";
  EXPECT_EQ(player.Playing(), 0);
  EXPECT_FALSE(frame.VideoVisible());
  EXPECT_TRUE(frame.Picture().isNull());
  EXPECT_EQ(window.Posted(WM_ASFCOMPLETE), 0u);
  const uint64_t drawn = player.DrawnFrames();
  player.StopPlayer();  // a second stop does nothing
  EXPECT_EQ(player.DrawnFrames(), drawn);
  player.FitPlayer();  // nothing to fit

  // The same movie plays again from its start, and again when Play comes
  // while it plays: the running one is stopped first.
  ASSERT_TRUE(player.Play(path, &frame, &window));
  ASSERT_TRUE(WaitUntil([&] { return player.DrawnFrames() >= drawn + 3; }));
  const std::string shortPath = scratch.Movie("short.wmv", "-c:v wmv2 -c:a wmav2");
  PlayToEnd(shortPath, 15);
  EXPECT_EQ(window.Posted(WM_ASFCOMPLETE), 1u) << "only the movie that ended";
  EXPECT_EQ(LiveElements(), aliveBefore);
}

TEST_F(MoviePlayerTest, OtherEventsLeaveTheMoviePlaying) {
  const std::string path = scratch.Movie("three.asf", "-c:v mpeg4 -c:a wmav2 -f asf", 3);
  ASSERT_TRUE(player.Play(path, &frame, &window));
  ASSERT_TRUE(WaitUntil([&] { return player.DrawnFrames() >= 3; }));
  long code = -1;
  player.TakePlayerEvents(code);
  EXPECT_EQ(code, EC_OTHER);
  const uint64_t drawn = player.DrawnFrames();
  EXPECT_TRUE(WaitUntil([&] { return player.DrawnFrames() > drawn + 3; })) << "still playing";
  player.FitPlayer();
  EXPECT_EQ(player.Playing(), 2);
  EXPECT_TRUE(window.WaitFor(WM_ASFCOMPLETE));
  player.TakePlayerEvents(code);
  EXPECT_EQ(code, EC_COMPLETE);
  player.StopPlayer();
}

TEST_F(MoviePlayerTest, AnErrorWhilePlayingEndsItAsAnAbort) {
  ASSERT_TRUE(RegisterFaultyDecoder());
  const std::string path = scratch.Movie("broken.wmv", "-c:v wmv1 -c:a wmav2", 3);
  ASSERT_TRUE(player.Play(path, &frame, &window)) << "the first pictures decode";
  ASSERT_TRUE(window.WaitFor(WM_ASFCOMPLETE));
  long code = -1;
  player.TakePlayerEvents(code);
  EXPECT_EQ(code, EC_USERABORT);
  EXPECT_GE(player.DrawnFrames(), 1u);
  EXPECT_LE(player.DrawnFrames(), uint64_t(kFaultyDecoderGoodFrames) + 1);
  EXPECT_TRUE(ui.texts.empty()) << "the window decides what to show";
  player.StopPlayer();
  EXPECT_EQ(player.Playing(), 0);
}

// --- the sample stick's movie ---

uint64_t Le64(const std::string& bytes, size_t at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | uint8_t(bytes[at + size_t(i)]);
  return v;
}

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

TEST_F(MoviePlayerTest, TheSampleSticksMovieIsCompleteAndPlaysToItsEnd) {
  fs::create_directories(scratch.Path("stick"));
  std::string error;
  ASSERT_TRUE(camsim::FillSampleStick(scratch.Path("stick"), error)) << error;
  const std::string path = scratch.Path("stick/QXMOV/100QXMSC/MOV_0001.ASF");
  ASSERT_TRUE(fs::is_regular_file(path));

  // The header holds what a kept recording's does.
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const uint64_t packets = (bytes.size() - 671) / 2048;
  ASSERT_EQ(bytes.size(), 671 + packets * 2048) << "the header and whole packets";
  EXPECT_EQ(Le64(bytes, 70), bytes.size());
  EXPECT_EQ(Le64(bytes, 86), packets);
  EXPECT_EQ(Le64(bytes, 661), packets);
  EXPECT_EQ(Le64(bytes, 94), uint64_t(camsim::kSampleMovieSeconds) * 10000000) << "five audio objects a second";
  EXPECT_EQ(Le64(bytes, 637), bytes.size() - 621);

  // Outside judges.
  const std::string probe = Shell("ffprobe -v error -show_entries format=format_name,duration:stream=codec_name,"
                                  "width,height,sample_rate -of default=nw=1 '" + path + "'");
  EXPECT_NE(probe.find("format_name=asf"), std::string::npos) << probe;
  EXPECT_NE(probe.find("duration=5.0"), std::string::npos) << probe;
  EXPECT_NE(probe.find("codec_name=mpeg4\nwidth=320\nheight=240"), std::string::npos) << probe;
  EXPECT_NE(probe.find("codec_name=pcm_s16le\nsample_rate=8000"), std::string::npos) << probe;
  EXPECT_EQ(Shell("ffmpeg -nostdin -v error -i '" + path + "' -f null -"), "") << "decodes without a complaint";

  // Every one of its 75 pictures reaches the frame.
  PlayToEnd(path, uint64_t(camsim::kSampleMovieSeconds) * 15, {320, 240});
}

}  // namespace
