// Details of the window's file commands against the in-process camera: the
// buttons of the replace question, camera stills listed in lower case, the
// wait cursor of the copies and the PC delete, a worker thread refused.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <system_error>

#include "app/TempFolder.h"
#include "fileops/FileOpsThreads.h"
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
  EXPECT_TRUE(w.Preview().PictureWindow()->HasImage());
  EXPECT_TRUE(Bytes(w.Preview().SelectedImage().toStdString()) == Bytes(CamFolder() / "dcam0009.jpg"));
  EXPECT_TRUE(w.Timer(TimerId::StoragePoll).isActive());
}

// The override cursor's shape whenever a widget of type W is shown.
template <typename W>
class CursorWhenShown : public QObject {
 public:
  CursorWhenShown() { qApp->installEventFilter(this); }
  ~CursorWhenShown() override { qApp->removeEventFilter(this); }
  QList<Qt::CursorShape> shapes;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && qobject_cast<W*>(watched))
      shapes << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor);
    return false;
  }
};

TEST_F(FileCommandDetailsTest, CopiesAndThePcDeleteShowTheWaitCursor) {
  Write(pcFolder_ / "DCAM0010.JPG", Bytes(CamFolder() / "DCAM0001.JPG"));
  Write(pcFolder_ / "old.txt", "x");
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();
  {
    CursorWhenShown<ProgressDialog> progress;
    Select(ctl::CAM_PANE, {"DCAM0002.JPG"});
    w.Command(ctl::COPY_TO_PC);
    WaitForTransfer();
    Select(ctl::PC_PANE, {"DCAM0010.JPG"});
    w.Command(ctl::COPY_TO_CAMERA);
    WaitForTransfer();
    EXPECT_EQ(progress.shapes, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // The PC delete's question comes while the command shows it.
  CursorWhenShown<QMessageBox> question;
  SetMessageBoxScript(nullptr);
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->button(QMessageBox::Yes)->click();
  });
  answer.start(5);
  Select(ctl::PC_PANE, {"old.txt"});
  w.Command(ctl::PC_DELETE);
  answer.stop();
  EXPECT_EQ(question.shapes, QList<Qt::CursorShape>{Qt::WaitCursor});
  EXPECT_FALSE(fs::exists(pcFolder_ / "old.txt"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A thread the system refuses: a message, and the window stays usable.
TEST_F(FileCommandDetailsTest, ATransferThreadThatCannotStartIsReportedAndLeavesNoOperationBehind) {
  Write(pcFolder_ / "DCAM0010.JPG", Bytes(CamFolder() / "DCAM0001.JPG"));
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();
  SetThreadStartHook([] { throw std::system_error(EAGAIN, std::generic_category()); });
  Select(ctl::CAM_PANE, {"DCAM0002.JPG"});
  Select(ctl::PC_PANE, {"DCAM0010.JPG"});
  for (int command : {ctl::COPY_TO_PC, ctl::COPY_TO_CAMERA, ctl::FORMAT}) {
    boxes_ = {};
    w.Command(command);
    EXPECT_EQ(boxes_.shown, QStringList{Text(ids::CANNOT_EXECUTE)}) << command;
    EXPECT_EQ(boxes_.icons, QList<MsgIcon>{MsgIcon::Error}) << command;
    EXPECT_FALSE(w.FileOps().Busy()) << command;
    EXPECT_EQ(w.FileOps().Transfer(), nullptr) << command;
    EXPECT_TRUE(Enabled(ctl::PC_PANE) && Enabled(ctl::CAM_PANE)) << command;
    for (QWidget* top : QApplication::topLevelWidgets())
      EXPECT_FALSE(qobject_cast<ProgressDialog*>(top) && top->isVisible()) << command;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << command;
  }
  SetThreadStartHook(nullptr);
  EXPECT_FALSE(fs::exists(pcFolder_ / "DCAM0002.JPG"));
  EXPECT_FALSE(fs::exists(CamFolder() / "DCAM0010.JPG"));

  // The next copy runs.
  boxes_ = {};
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  EXPECT_TRUE(Bytes(pcFolder_ / "DCAM0002.JPG") == Bytes(CamFolder() / "DCAM0002.JPG"));
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
}
