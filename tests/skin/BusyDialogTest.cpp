#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "skin/BusyDialog.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

const QColor kBackground(20, 20, 90);

// Each strip frame in its own colour, so that a grab tells which one shows.
QColor StripColour(int frame) { return QColor(30 * frame + 10, 200, 255 - 30 * frame); }

BusyDialog::Art TestArt() {
  BusyDialog::Art art;
  art.background = QImage(448, 280, QImage::Format_RGB32);
  art.background.fill(kBackground);
  art.loading = BlockPicture({166, 44}, {0, 0, 150, 44}, Qt::white);
  for (int i = 0; i < BusyDialog::STRIP_FRAMES; ++i) {
    art.strip[i] = QImage(366, 10, QImage::Format_RGB32);
    art.strip[i].fill(StripColour(i));
  }
  return art;
}

class BusyDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dialog.Initialize(TestArt()));
    dialog.ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  // The colour in the middle of the strip, as painted.
  QRgb StripPixel() {
    const QRect strip = dialog.Control(BusyDialog::IDC_STRIP_FIRST)->geometry();
    return Rgb(dialog.grab().toImage(), strip.center().x(), strip.center().y());
  }

  BusyDialog dialog;
};

TEST(BusyDialogInit, FailsWithoutItsBackgroundPicture) {
  BusyDialog dialog;
  BusyDialog::Art art = TestArt();
  art.background = QImage();
  EXPECT_FALSE(dialog.Initialize(art));
  EXPECT_EQ(nullptr, dialog.Control(BusyDialog::IDC_LOADING));
}

TEST_F(BusyDialogTest, ShownFramelessOverItsBackgroundWithoutBeingModal) {
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.isModal());
  EXPECT_EQ(nullptr, QApplication::activeModalWidget());
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(QSize(448, 280), dialog.size());
  EXPECT_EQ(Rgb(kBackground), Rgb(dialog.grab().toImage(), 5, 5));
  EXPECT_EQ(BusyDialog::IDC_STRIP_FIRST, dialog.VisibleStrip());
  EXPECT_EQ(Rgb(StripColour(0)), StripPixel());
}

TEST_F(BusyDialogTest, EachStepShowsTheNextStripFrameAndBlinksEverySecondStep) {
  QLabel* loading = dialog.Control(BusyDialog::IDC_LOADING);
  ASSERT_NE(nullptr, loading);
  EXPECT_TRUE(loading->isVisibleTo(&dialog));
  for (int step = 1; step <= 20; ++step) {
    dialog.Step();
    const int frame = step % 8;
    ASSERT_EQ(BusyDialog::IDC_STRIP_FIRST + frame, dialog.VisibleStrip()) << "step " << step;
    ASSERT_EQ(Rgb(StripColour(frame)), StripPixel()) << "step " << step;
    // Hidden at the first step, shown at the second, then switching every two steps.
    const bool shown = (step / 2) % 2 == 1;
    ASSERT_EQ(shown, loading->isVisibleTo(&dialog)) << "step " << step;
  }
}

TEST_F(BusyDialogTest, EndsItselfOnTheSeventyFifthStep) {
  QSignalSpy finished(&dialog, &QDialog::finished);
  for (int step = 1; step < 75; ++step) dialog.Step();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(0, finished.count());
  dialog.Step();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(dialog.Ended());
  EXPECT_EQ(1, finished.count());
  // The owner may still step a dialog that ended itself: nothing happens.
  const int counter = dialog.Counter();
  dialog.Step();
  EXPECT_EQ(counter, dialog.Counter());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(1, finished.count());
}

TEST_F(BusyDialogTest, KeysAndTheWindowManagersCloseAreRefused) {
  for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
    QTest::keyClick(&dialog, static_cast<Qt::Key>(key));
  QTest::keyClick(&dialog, Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(dialog.isVisible());

  // What Alt+F4 or the title menu's Close turns into: a close of the window.
  dialog.windowHandle()->close();
  dialog.close();
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.Ended());

  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.End();  // the program's own end of the dialog
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(dialog.Ended());
  EXPECT_EQ(1, finished.count());
}

}  // namespace
