// A Memory Stick swapped for another while the window is in storage mode:
// the storage poll lists the new stick from its root, and nothing the user
// does on rows of the old one touches a file of the new one.
#include <gtest/gtest.h>

#include "fileops/FileOpsThreads.h"
#include "resources/StringIds.h"
#include "tests/gui/StorageWindow.h"

namespace fs = std::filesystem;

namespace {

class StickSwapTest : public StorageWindow {
 protected:
  // Every poll here is made by the test: the window's own poll timer would
  // see the swap whenever the machine is slow enough.
  MainWindow& InStorage() {
    MainWindow& w = StorageWindow::InStorage();
    w.Timer(TimerId::StoragePoll).blockSignals(true);
    return w;
  }
  void TearDown() override {
    SetThreadStartHook(nullptr);
    StorageWindow::TearDown();
  }
  // The other stick: DCIM\100QXCAM holds a DCAM0002.JPG of its own and a
  // DCAM0007.JPG; nothing else of the first stick is left.
  void PutOtherStick() {
    for (const auto& entry : fs::directory_iterator(stick_.Path())) fs::remove_all(entry.path());
    fs::create_directories(CamFolder());
    fs::create_directories(stick_.Path() / "QXMOV" / "100QXMSC");
    Write(CamFolder() / "DCAM0002.JPG", kOtherPicture);
    Write(CamFolder() / "DCAM0007.JPG", kOtherPicture);
  }
  // The camera pane's rows as the user sees them.
  std::string CamRows() {
    QStringList rows;
    QAbstractItemModel* model = View(ctl::CAM_PANE)->model();
    for (int row = 0; row < model->rowCount(); ++row) rows << model->index(row, 0).data().toString();
    return rows.join("|").toStdString();
  }
  // The new stick shown from its root, and its pictures where they are.
  void ExpectTheOtherStickListed() {
    EXPECT_EQ(window_->Camera().camPath, "\\");
    EXPECT_EQ(CamRows(), "MemoryStick|DCIM|QXMOV");
    EXPECT_TRUE(Enabled(ctl::CAM_PANE));
    MoveCamera("DCIM");
    MoveCamera("100QXCAM");
    EXPECT_EQ(CamRows(), "MemoryStick|..|DCAM0002.JPG|DCAM0007.JPG");
  }
  static constexpr const char* kOtherPicture = "the other stick's picture";
};

TEST_F(StickSwapTest, ASwapThePollSeesIsToldAndTheNewStickListedFromItsRoot) {
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0002.JPG"});
  sim_.Control("eject");
  EXPECT_EQ(w.Connection().PollStorage(), 1);
  EXPECT_EQ(boxes_.shown, QStringList{"No Memory!"});
  EXPECT_EQ(CamRows(), "Non MemoryStick");

  PutOtherStick();
  sim_.Control("insert");
  EXPECT_EQ(w.Connection().PollStorage(), 1);
  EXPECT_EQ(boxes_.shown.size(), 1);
  ExpectTheOtherStickListed();

  // A delete now acts on the new stick's file of that name, seen in its row.
  Select(ctl::CAM_PANE, {"DCAM0007.JPG"});
  boxes_.answers = {MsgAnswer::Yes};
  w.Command(ctl::CAM_DELETE);
  EXPECT_FALSE(fs::exists(CamFolder() / "DCAM0007.JPG"));
  EXPECT_EQ(Bytes(CamFolder() / "DCAM0002.JPG"), kOtherPicture);
}

// Taken out and another put in between two polls: the camera examines the
// stick it was given, and the poll that finds it doing so lists the stick
// anew. No "No Memory!": the slot was never seen empty.
TEST_F(StickSwapTest, ASwapBetweenTwoPollsIsFoundByTheCamerasExamination) {
  MainWindow& w = InStorage();
  sim_.Control("eject");
  PutOtherStick();
  sim_.Control("insert");
  sim_.Control("examine 2");
  EXPECT_EQ(w.Connection().PollStorage(), 1);
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  ExpectTheOtherStickListed();

  // A stick the camera examines when nothing changed lists the root again, no more.
  sim_.Control("examine 1");
  EXPECT_EQ(w.Connection().PollStorage(), 1);
  EXPECT_EQ(window_->Camera().camPath, "\\");
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}

// The user acts on rows of the old stick before any poll has seen the swap:
// the camera answers for the stick it holds, whose current folder is its
// root, so a copy finds nothing to copy and a delete names a file that is
// not there; every file of the new stick stays, a file of the same name in
// the same folder included. The next poll lists the new stick.
TEST_F(StickSwapTest, CommandsOnTheOldSticksRowsTouchNoFileOfTheNewOne) {
  MainWindow& w = InStorage();
  sim_.Control("eject");
  PutOtherStick();
  sim_.Control("insert");
  sim_.Control("examine 3");  // for a while: the delete's write-protect check reads the stick's state once

  // A poll falls due just as the copy starts: it waits for the copy to end.
  SetThreadStartHook([&w] {
    w.Timer(TimerId::StoragePoll).blockSignals(false);
    QMetaObject::invokeMethod(&w.Timer(TimerId::StoragePoll), "timeout", Qt::DirectConnection);
    w.Timer(TimerId::StoragePoll).blockSignals(true);
  });
  Select(ctl::CAM_PANE, {"DCAM0003.JPG"});
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  ASSERT_GE(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], Text(ids::FAILED_TO_READ_FILE));
  EXPECT_TRUE(fs::is_empty(pcFolder_));

  boxes_ = {};
  Select(ctl::CAM_PANE, {"DCAM0002.JPG"});
  boxes_.answers = {MsgAnswer::Yes};
  w.Command(ctl::CAM_DELETE);
  ASSERT_EQ(boxes_.shown.size(), 2) << boxes_.shown.join("|").toStdString();
  EXPECT_EQ(boxes_.shown[1], Text(ids::FAILED_TO_DELETE));
  EXPECT_EQ(Bytes(CamFolder() / "DCAM0002.JPG"), kOtherPicture);
  EXPECT_EQ(Bytes(CamFolder() / "DCAM0007.JPG"), kOtherPicture);

  boxes_ = {};
  EXPECT_EQ(w.Connection().PollStorage(), 1);
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  ExpectTheOtherStickListed();
}

}  // namespace
