// The Capture button against the in-process camera and the real still
// converter: the controls while the still is taken, the numbered copies
// through the button, the image viewer started with each copy, the picture judged by djpeg, the controls as they were
// afterwards with the live stream running again, and the captures that give
// nothing: a message, no number used, no viewer.
#include <QDir>
#include <QFile>
#include <set>

#include "app/TempFolder.h"
#include "camera/CameraProtocol.h"
#include "browser/OutsideTools.h"
#include "resources/StringIds.h"
#include "tests/gui/CameraWindow.h"
#include "tests/gui/WindowTestAccess.h"
#include "tests/pixa/JpegJudge.h"
#include "video/PreviewGraph.h"

namespace fs = std::filesystem;

namespace {

class CaptureTest : public CameraWindow {
 protected:
  void SetUp() override {
    CameraWindow::SetUp();
    saved_ = QDir::currentPath();  // the launcher starts programs from their folder
  }
  void TearDown() override {
    QDir::setCurrent(saved_);
    CameraWindow::TearDown();
  }
  // A streaming window whose image viewer is a script noting its arguments.
  MainWindow& WithViewer() {
    MainWindow& w = Streaming();
    const fs::path program = scratch_ / "program";
    fs::create_directories(program);
    QFile script(QString::fromStdString((program / "Pictor").string()));
    script.open(QIODevice::WriteOnly);
    script.write(QString("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(ViewerLog()).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    w.Preview().SetProgramFolder(QString::fromStdString(program.string()));
    return w;
  }
  QString ViewerLog() const { return QString::fromStdString((scratch_ / "viewer.log").string()); }
  // The viewer's arguments once `count` of them arrived (it starts detached).
  QStringList ViewerArguments(int count) {
    QStringList lines;
    ServeUntil([&] {
      QFile log(ViewerLog());
      if (log.open(QIODevice::ReadOnly)) lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
      return lines.size() >= count;
    });
    return lines;
  }
  fs::path Still(const char* name) const { return TempFolderPath() / name; }
  // The controls as before a capture: the button back, its pressed picture
  // gone, the video frame shown with the statics the capture shows.
  void ExpectControlsRestored() {
    EXPECT_TRUE(Shown(ctl::CAPTURE));
    EXPECT_FALSE(Shown(ctl::DECO_1041));
    EXPECT_TRUE(Shown(ctl::VIDEO_FRAME));
    for (int id : {ctl::RECORD_MINUTES, ctl::RECORD_SECONDS, ctl::PC_PATH_LABEL}) EXPECT_TRUE(Shown(id)) << id;
  }
  // The live stream runs again after a capture: new pictures are decoded.
  void ExpectStreamGoesOn(MainWindow& w) {
    auto* graph = dynamic_cast<GstPreviewGraph*>(WindowTestAccess::Graph(w));
    ASSERT_NE(graph, nullptr);
    const uint64_t before = graph->DecodedFrames();
    EXPECT_TRUE(ServeUntil([&] { return graph->DecodedFrames() > before + 2; }));
  }

  // What the worker's last capture met, for a failure's message.
  static std::string Outcome(MainWindow& w) {
    auto outcome = w.CameraMode().Capture().Capturer().LastOutcome();
    if (!outcome) return "no capture on the worker";
    return std::string(Describe(outcome->result)) + " after " + std::to_string(outcome->polls) + " polls";
  }

  QString saved_;
};

TEST_F(CaptureTest, CapturesAreNumberedFromZeroAndEachOpensInTheViewer) {
  MainWindow& w = WithViewer();
  // While the worker takes the still (the window's thread waits meanwhile):
  // the pressed picture in the button's place, the video frame hidden.
  bool pressedShown = false, buttonHidden = false, videoHidden = false;
  StreamWorker::StillCapture take = w.CameraMode().Capture().Capturer().Hook();
  w.CameraMode().Worker()->SetStillCapture([&, take](CameraDriver& driver, const std::string& path) {
    pressedShown = Shown(ctl::DECO_1041);
    buttonHidden = !Shown(ctl::CAPTURE);
    videoHidden = !Shown(ctl::VIDEO_FRAME);
    take(driver, path);
  });
  w.Command(ctl::CAPTURE);
  EXPECT_TRUE(pressedShown && buttonHidden && videoHidden);
  ExpectControlsRestored();
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  const std::string first = Bytes(Still("Temp0000.JPG"));
  EXPECT_EQ(first, Bytes(Still("Temp.JPG")));
  // The still is the test picture, not a blank frame.
  const jpeg_judge::Picture picture = jpeg_judge::Decode(Still("Temp0000.JPG").string());
  ASSERT_TRUE(picture.error.empty()) << picture.error;
  EXPECT_EQ(picture.width, 640);
  EXPECT_EQ(picture.height, 480);
  std::set<std::vector<uint8_t>> colours;
  for (int x = 0; x < picture.width; x += 8) {
    const size_t at = (size_t(picture.height / 2) * picture.width + x) * 3;
    colours.insert({picture.rgb.begin() + at, picture.rgb.begin() + at + 3});
  }
  EXPECT_GT(colours.size(), 4u);
  ExpectStreamGoesOn(w);

  // The second capture takes the next number; the viewer gets each copy's
  // full path with its counter digit.
  w.Command(ctl::CAPTURE);
  ExpectControlsRestored();
  EXPECT_FALSE(Bytes(Still("Temp0001.JPG")).empty());
  EXPECT_FALSE(fs::exists(Still("Temp0002.JPG")));
  const QString folder = QString::fromStdString(TempFolderPath().string());
  EXPECT_EQ(ViewerArguments(2), (QStringList{folder + "/Temp0000.JPG0", folder + "/Temp0001.JPG1"}));
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

// A capture that gave no picture would have numbered an empty copy and
// opened the viewer on it.
TEST_F(CaptureTest, ACaptureThatGaveNothingSaysSoAndNumbersAndOpensNothing) {
  MainWindow& w = WithViewer();
  for (const char* kind : {"never", "undecodable", "oversize", "cut-short"}) {
    SCOPED_TRACE(kind);
    ASSERT_TRUE(sim_.Control(std::string("next-still ") + kind));
    boxes_.shown.clear();
    w.Command(ctl::CAPTURE);
    ASSERT_EQ(boxes_.shown.size(), 1);
    EXPECT_EQ(boxes_.shown[0], Text(ids::FAILED_TO_CAPTURE));
    EXPECT_EQ(boxes_.icons[0], MsgIcon::Error);
    EXPECT_TRUE(fs::exists(Still("Temp.JPG")));
    EXPECT_EQ(fs::file_size(Still("Temp.JPG")), 0u);
    EXPECT_FALSE(fs::exists(Still("Temp0000.JPG")));
    ExpectControlsRestored();
  }
  EXPECT_EQ(w.Preview().Tools()->ViewerCounter(), 0);
  ExpectStreamGoesOn(w);

  // The empty "Temp.JPG" left behind does not move the next good still's number.
  boxes_.shown.clear();
  w.Command(ctl::CAPTURE);
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString() << " " << Outcome(w);
  EXPECT_FALSE(Bytes(Still("Temp0000.JPG")).empty());
  EXPECT_EQ(ViewerArguments(1).value(0), QString::fromStdString(Still("Temp0000.JPG").string()) + "0");
}

TEST_F(CaptureTest, WithTheCameraClosedNothingIsAskedOrSaid) {
  MainWindow& w = WithViewer();
  WindowTestAccess::CloseCamera(w);
  recorder_.ClearCalls();
  w.Command(ctl::CAPTURE);
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  for (const RecordingDriver::Call& call : recorder_.Calls()) EXPECT_NE(call.request, REQ_STILL_CAPTURE);
  EXPECT_FALSE(fs::exists(Still("Temp0000.JPG")));
  EXPECT_TRUE(Shown(ctl::CAPTURE));
  EXPECT_FALSE(Shown(ctl::DECO_1041));
}

}  // namespace
