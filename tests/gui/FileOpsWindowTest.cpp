// The window's file commands against the in-process camera: copies through
// the buttons and by dragging rows between the panes, delete, rename, format,
// and what the window refuses while a copy runs.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <ctime>
#include <sys/stat.h>

#include "fileops/NameDialog.h"
#include "fileops/PaneDrag.h"
#include "resources/StringIds.h"
#include "tests/gui/StorageWindow.h"
#include "tests/gui/WindowTestAccess.h"
#include "tests/support/LogCapture.h"

namespace fs = std::filesystem;

namespace {

class FileOpsWindowTest : public StorageWindow {
 protected:
  // The camera's listed time of a file against the PC copy's last-write time.
  void ExpectCameraTime(const std::string& name) {
    const CamEntry* entry = nullptr;
    for (const CamEntry& e : window_->Camera().files)
      if (e.displayName == name) entry = &e;
    ASSERT_NE(entry, nullptr) << name;
    struct stat st{};
    ASSERT_EQ(::stat((pcFolder_ / name).c_str(), &st), 0) << name;
    std::tm local{};
    localtime_r(&st.st_mtime, &local);
    EXPECT_EQ(local.tm_year + 1900, entry->year) << name;
    EXPECT_EQ(local.tm_mon + 1, entry->month) << name;
    EXPECT_EQ(local.tm_mday, entry->day) << name;
    EXPECT_EQ(local.tm_hour, entry->hour) << name;
    EXPECT_EQ(local.tm_min, entry->minute) << name;
    EXPECT_EQ(local.tm_sec, 0) << name;
  }
  void ExpectIdleAfterBatch() {
    EXPECT_FALSE(window_->FileOps().Busy());
    ASSERT_NE(window_->FileOps().Transfer(), nullptr);
    EXPECT_TRUE(window_->FileOps().Transfer()->Dialog() == nullptr || !window_->FileOps().Transfer()->Dialog()->isVisible());
    EXPECT_TRUE(Enabled(ctl::PC_PANE));
    EXPECT_TRUE(Enabled(ctl::CAM_PANE));
    EXPECT_TRUE(window_->Timer(TimerId::StoragePoll).isActive());
  }
};

TEST_F(FileOpsWindowTest, CopyButtonDownloadsTheSelectionWithTheCamerasTimes) {
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0003.JPG"});
  w.Command(ctl::COPY_TO_PC);
  EXPECT_TRUE(w.FileOps().Busy());
  WaitForTransfer();
  for (const char* name : {"DCAM0001.JPG", "DCAM0003.JPG"}) {
    EXPECT_TRUE(Bytes(pcFolder_ / name) == Bytes(CamFolder() / name)) << name;
    ExpectCameraTime(name);
  }
  EXPECT_FALSE(fs::exists(pcFolder_ / "DCAM0002.JPG"));
  ExpectIdleAfterBatch();
  EXPECT_GE(RowOf(ctl::PC_PANE, "DCAM0003.JPG"), 0);  // the PC pane was read again
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(FileOpsWindowTest, DraggingCameraRowsOntoThePcPaneDownloadsTheWholeSelection) {
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0002.JPG", "DCAM0004.JPG"});
  // Pressing on one row of the selection keeps the other for the drag.
  DragRow(ctl::CAM_PANE, "DCAM0004.JPG", w.Control(ctl::PC_PANE), Middle(ctl::PC_PANE));
  EXPECT_TRUE(w.FileOps().Busy());
  WaitForTransfer();
  for (const char* name : {"DCAM0002.JPG", "DCAM0004.JPG"}) {
    EXPECT_TRUE(Bytes(pcFolder_ / name) == Bytes(CamFolder() / name)) << name;
    ExpectCameraTime(name);
  }
  ExpectIdleAfterBatch();
  EXPECT_EQ(View(ctl::CAM_PANE)->selectionModel()->selectedRows().size(), 2);
}

TEST_F(FileOpsWindowTest, DropsThatAreNotOntoTheOtherPaneCopyNothing) {
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0001.JPG"});
  // Onto its own pane.
  DragRow(ctl::CAM_PANE, "DCAM0001.JPG", w.Control(ctl::CAM_PANE), Middle(ctl::CAM_PANE));
  // Onto another control of the window.
  DragRow(ctl::CAM_PANE, "DCAM0001.JPG", w.Control(ctl::VIDEO_FRAME), QPoint(20, 20));
  EXPECT_EQ(w.FileOps().Transfer(), nullptr);

  // Over the PC pane first, then back: the last move decides.
  QWidget* viewport = View(ctl::CAM_PANE)->viewport();
  const QPoint start = RowCentre(ctl::CAM_PANE, "DCAM0001.JPG");
  const QPoint overPc = viewport->mapFromGlobal(w.Control(ctl::PC_PANE)->mapToGlobal(Middle(ctl::PC_PANE)));
  QTest::mousePress(viewport, Qt::LeftButton, {}, start);
  QTest::mouseMove(viewport, start + QPoint(12, 0));
  QTest::mouseMove(viewport, overPc);
  ASSERT_NE(w.FileOps().Drag()->DropTarget(), nullptr);
  EXPECT_EQ(w.FileOps().Drag()->DropTarget()->window(), &w);
  QTest::mouseMove(viewport, start);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, overPc);
  EXPECT_EQ(w.FileOps().Transfer(), nullptr);

  // While the operation flag is set a drop starts nothing.
  WindowTestAccess::SetOperationFlag(w, true);
  DragRow(ctl::CAM_PANE, "DCAM0001.JPG", w.Control(ctl::PC_PANE), Middle(ctl::PC_PANE));
  EXPECT_EQ(w.FileOps().Transfer(), nullptr);
  WindowTestAccess::SetOperationFlag(w, false);
  EXPECT_TRUE(fs::is_empty(pcFolder_));
}

TEST_F(FileOpsWindowTest, PcFilesGoToTheCameraByButtonAndByDrag) {
  Write(pcFolder_ / "DCAM0010.JPG", Bytes(CamFolder() / "DCAM0001.JPG"));
  Write(pcFolder_ / "DCAM0011.JPG", Bytes(CamFolder() / "DCAM0002.JPG"));
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();
  Select(ctl::PC_PANE, {"DCAM0010.JPG"});
  w.Command(ctl::COPY_TO_CAMERA);
  WaitForTransfer();
  EXPECT_TRUE(Bytes(CamFolder() / "DCAM0010.JPG") == Bytes(pcFolder_ / "DCAM0010.JPG"));
  ExpectIdleAfterBatch();
  EXPECT_GE(RowOf(ctl::CAM_PANE, "DCAM0010.JPG"), 0);

  Select(ctl::PC_PANE, {"DCAM0011.JPG"});
  DragRow(ctl::PC_PANE, "DCAM0011.JPG", w.Control(ctl::CAM_PANE), Middle(ctl::CAM_PANE));
  WaitForTransfer();
  EXPECT_TRUE(Bytes(CamFolder() / "DCAM0011.JPG") == Bytes(pcFolder_ / "DCAM0011.JPG"));
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(FileOpsWindowTest, DeleteKeyAsksOnceForSeveralRowsInEachPane) {
  Write(pcFolder_ / "a.txt", "a");
  Write(pcFolder_ / "b.txt", "b");
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();

  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0002.JPG"});
  boxes_.answers = {MsgAnswer::Yes};
  QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);
  EXPECT_EQ(boxes_.shown.size(), 1) << boxes_.shown.join("|").toStdString();
  EXPECT_FALSE(fs::exists(CamFolder() / "DCAM0001.JPG"));
  EXPECT_FALSE(fs::exists(CamFolder() / "DCAM0002.JPG"));
  EXPECT_TRUE(fs::exists(CamFolder() / "DCAM0003.JPG"));
  EXPECT_EQ(RowOf(ctl::CAM_PANE, "DCAM0001.JPG"), -1);

  boxes_.shown.clear();
  Select(ctl::PC_PANE, {"a.txt", "b.txt"});
  boxes_.answers = {MsgAnswer::Yes};
  QTest::keyClick(View(ctl::PC_PANE), Qt::Key_Delete);
  EXPECT_EQ(boxes_.shown.size(), 1) << boxes_.shown.join("|").toStdString();
  EXPECT_FALSE(fs::exists(pcFolder_ / "a.txt"));
  EXPECT_FALSE(fs::exists(pcFolder_ / "b.txt"));

  // Not while a copy runs.
  boxes_.shown.clear();
  Select(ctl::CAM_PANE, {"DCAM0003.JPG"});
  WindowTestAccess::SetOperationFlag(w, true);
  QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);
  WindowTestAccess::SetOperationFlag(w, false);
  EXPECT_TRUE(boxes_.shown.isEmpty());
  EXPECT_TRUE(fs::exists(CamFolder() / "DCAM0003.JPG"));
}

TEST_F(FileOpsWindowTest, RenamesGoThroughTheNamingDialogs) {
  Write(pcFolder_ / "old.txt", "x");
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();

  Select(ctl::CAM_PANE, {"DCAM0001.JPG"});
  bool seen = false;
  AnswerDialog<NameDialog>(
      Text(ids::BTN_RENAME).remove(QChar(0x26)), [](NameDialog& d) { qobject_cast<QLineEdit*>(d.ControlById(1100))->setText("0042"); }, &seen);
  w.FileOps().OnCamRename();
  EXPECT_TRUE(seen);
  EXPECT_TRUE(fs::exists(CamFolder() / "DCAM0042.JPG"));
  EXPECT_FALSE(fs::exists(CamFolder() / "DCAM0001.JPG"));
  EXPECT_GE(RowOf(ctl::CAM_PANE, "DCAM0042.JPG"), 0);

  Select(ctl::PC_PANE, {"old.txt"});
  seen = false;
  AnswerDialog<PcNameDialog>("OK", [](PcNameDialog& d) { d.Edit()->setText("new.txt"); }, &seen);
  w.FileOps().OnPcRename();
  EXPECT_TRUE(seen);
  EXPECT_EQ(Bytes(pcFolder_ / "new.txt"), "x");
  EXPECT_FALSE(fs::exists(pcFolder_ / "old.txt"));
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

TEST_F(FileOpsWindowTest, FormatAnsweredNoLeavesTheStick) {
  MainWindow& w = InStorage();
  boxes_.answers = {MsgAnswer::No};
  w.Command(ctl::FORMAT);
  WaitForTransfer();
  EXPECT_EQ(boxes_.shown.size(), 1);
  EXPECT_TRUE(fs::exists(CamFolder() / "DCAM0001.JPG"));
  EXPECT_FALSE(w.FileOps().Busy());
  EXPECT_TRUE(Enabled(ctl::CAM_PANE));
}

TEST_F(FileOpsWindowTest, CloseMinimizeAndHelpDoNothingWhileACopyRuns) {
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0001.JPG"});
  w.Command(ctl::COPY_TO_PC);
  // The thread waits for the window to serve its first call: the copy runs.
  ASSERT_TRUE(w.FileOps().Busy());
  w.Command(ctl::CLOSE);
  w.Command(ctl::MINIMIZE);
  w.Command(ctl::HELP);
  QTest::keyClick(&w, Qt::Key_F1);
  w.close();
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
  WaitForTransfer();
  EXPECT_TRUE(fs::exists(pcFolder_ / "DCAM0001.JPG"));
  EXPECT_TRUE(w.isVisible());
}

}  // namespace

// The window ended while a copy runs (a signal, the end of the log-on): the
// copy is cancelled and finishes its current file before the camera goes.
TEST_F(FileOpsWindowTest, EndingTheWindowDuringACopyLetsTheCopyFinishFirst) {
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0003.JPG"});
  w.Command(ctl::COPY_TO_PC);
  ASSERT_TRUE(w.FileOps().Busy());
  w.EndWindow();
  EXPECT_EQ(w.FileOps().Transfer(), nullptr);
  EXPECT_FALSE(w.Camera().DeviceOpen());
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "OrinMedia51Temp"));
  // Whatever arrived arrived whole; nothing half-written is left beside it.
  for (const auto& entry : std::filesystem::directory_iterator(pcFolder_))
    EXPECT_EQ(entry.path().filename().string().rfind(".", 0), std::string::npos) << entry.path();
}

namespace {

// With "orin.fileops" switched on, the log tells each command, each file a
// batch copies and what the batch and the command did.
TEST_F(FileOpsWindowTest, TheFileOperationsLogTellsCommandsFilesAndOutcomes) {
  MainWindow& w = InStorage();
  LogCapture log("orin.fileops.debug=true");
  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0003.JPG"});
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  Select(ctl::CAM_PANE, {"DCAM0002.JPG"});
  boxes_.answers = {MsgAnswer::Yes};
  w.Command(ctl::CAM_DELETE);

  const QString pc = QString::fromStdString(pcFolder_.string());
  EXPECT_EQ(log.Matching("orin.fileops", "download of 2 rows to " + pc).size(), 1);
  EXPECT_EQ(log.Matching("orin.fileops", "copying DCAM0001.JPG").size(), 1);
  EXPECT_EQ(log.Matching("orin.fileops", "copying DCAM0003.JPG").size(), 1);
  EXPECT_EQ(log.Matching("orin.fileops", "download ended: 2 done, 0 skipped, 0 refused, 0 failed").size(), 1);
  EXPECT_EQ(log.Matching("orin.fileops", "camera delete: 1 done").size(), 1) << log.Lines().join("\n").toStdString();
}

}  // namespace
