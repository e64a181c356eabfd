// Details of the window's file commands against the in-process camera: the
// buttons of the replace question, camera stills listed in lower case.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/TempFolder.h"
#include "platform/imaging/BitmapWindow.h"
#include "resources/StringIds.h"
#include "tests/gui/StorageWindow.h"

namespace fs = std::filesystem;

class FileCommandDetailsTest : public StorageWindow {
 protected:
  QString Question(const fs::path& name) {
    return QString::fromStdString(FileMessage(name.string(), ids::REPLACE_QUESTION));
  }
};

TEST_F(FileCommandDetailsTest, ReplaceQuestionsOfBothCopiesOfferOkAndCancel) {
  Write(pcFolder_ / "DCAM0001.JPG", "mine");
  Write(pcFolder_ / "DCAM0002.JPG", "mine too");
  Write(pcFolder_ / "DCAM0003.JPG", Bytes(CamFolder() / "DCAM0004.JPG"));
  MainWindow& w = InStorage();

  // Download: Cancel skips the first file, OK replaces the second.
  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0002.JPG"});
  boxes_.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  ASSERT_EQ(boxes_.shown.size(), 2) << boxes_.shown.join("|").toStdString();
  EXPECT_EQ(boxes_.shown[0], Question(pcFolder_ / "DCAM0001.JPG"));
  EXPECT_EQ(boxes_.shown[1], Question(pcFolder_ / "DCAM0002.JPG"));
  EXPECT_EQ(boxes_.buttons, (QList<MsgButtons>{MsgButtons::OkCancel, MsgButtons::OkCancel}));
  EXPECT_EQ(Bytes(pcFolder_ / "DCAM0001.JPG"), "mine");
  EXPECT_TRUE(Bytes(pcFolder_ / "DCAM0002.JPG") == Bytes(CamFolder() / "DCAM0002.JPG"));

  // Upload: the camera's file of that name is replaced on OK.
  boxes_ = {};
  w.Panes()->pc.Refresh();
  Select(ctl::PC_PANE, {"DCAM0003.JPG"});
  boxes_.answers = {MsgAnswer::Ok};
  w.Command(ctl::COPY_TO_CAMERA);
  WaitForTransfer();
  ASSERT_EQ(boxes_.shown.size(), 1) << boxes_.shown.join("|").toStdString();
  EXPECT_EQ(boxes_.shown[0], Question("DCAM0003.JPG"));
  EXPECT_EQ(boxes_.buttons, QList<MsgButtons>{MsgButtons::OkCancel});
  EXPECT_TRUE(Bytes(CamFolder() / "DCAM0003.JPG") == Bytes(pcFolder_ / "DCAM0003.JPG"));
}

// The real message box: its buttons are OK and Cancel, and Cancel skips.
TEST_F(FileCommandDetailsTest, TheReplaceBoxItselfHasOkAndCancel) {
  Write(pcFolder_ / "DCAM0001.JPG", "mine");
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0001.JPG"});
  SetMessageBoxScript(nullptr);
  QMessageBox::StandardButtons offered;
  QString text;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    answer.stop();
    offered = box->standardButtons();
    text = box->text();
    box->button(QMessageBox::Cancel) ? box->button(QMessageBox::Cancel)->click() : box->reject();
  });
  answer.start(5);
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  EXPECT_EQ(offered, QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(text, Question(pcFolder_ / "DCAM0001.JPG"));
  EXPECT_EQ(Bytes(pcFolder_ / "DCAM0001.JPG"), "mine");
}

TEST_F(FileCommandDetailsTest, CameraStillListedInLowerCaseIsShown) {
  Write(CamFolder() / "dcam0009.jpg", Bytes(CamFolder() / "DCAM0001.JPG"));
  MainWindow& w = InStorage();
  ASSERT_GE(RowOf(ctl::CAM_PANE, "dcam0009.jpg"), 0);
  Click(ctl::CAM_PANE, "dcam0009.jpg");
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  EXPECT_TRUE(Shown(ctl::PICTURE_FRAME));
  EXPECT_TRUE(w.PictureWindow()->HasImage());
  EXPECT_TRUE(Bytes(w.selectedImage.toStdString()) == Bytes(CamFolder() / "dcam0009.jpg"));
  EXPECT_TRUE(w.Timer(1).isActive());
}
