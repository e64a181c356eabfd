#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "resources/StringIds.h"
#include "skin/CSkinButton.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

const QColor kHoverColour(200, 30, 30);
const QColor kNormalColour(30, 30, 200);

// A 24 x 24 button on a skin, with 20 x 20 pictures whose opaque block covers
// (6,6)-(17,17) of the button when drawn centred.
class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(120, 80);
    button = new CSkinButton(&window);
    button->setGeometry(10, 10, 24, 24);
    other = new CSkinButton(&window);
    other->setGeometry(60, 10, 24, 24);
    ASSERT_EQ(0, button->SetBitmaps(Hover(), kMagenta, Normal(), kMagenta));
    ASSERT_EQ(0, other->SetBitmaps(Hover(), kMagenta, Normal(), kMagenta));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  static QImage Hover() { return BlockPicture({20, 20}, {4, 4, 12, 12}, kHoverColour); }
  static QImage Normal() { return BlockPicture({20, 20}, {4, 4, 12, 12}, kNormalColour); }

  // The button as it shows on its window, skin included.
  QImage Face(CSkinButton* which = nullptr) {
    CSkinButton* b = which ? which : button;
    return window.grab(b->geometry()).toImage();
  }

  static void Move(QWidget* target, QPoint at, Qt::MouseButtons held = Qt::NoButton) {
    QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
  }
  static void Leave(QWidget* target) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(target, &leave);
  }

  SkinWidget window;
  CSkinButton* button = nullptr;
  CSkinButton* other = nullptr;
};

TEST_F(SkinButtonTest, HoverShowsHoverBitmapAndLeavingRestoresNormal) {
  const QRgb face = Rgb(button->palette().color(QPalette::Button));
  QImage img = Face();
  EXPECT_EQ(Rgb(kNormalColour), Rgb(img, 12, 12));
  EXPECT_EQ(face, Rgb(img, 1, 1)) << "magenta must not show";

  Move(button, {12, 12});
  EXPECT_TRUE(button->IsHovered());
  EXPECT_EQ(Rgb(kHoverColour), Rgb(Face(), 12, 12));

  Move(button, {30, 30});  // a move the button still gets while the pointer is outside it
  EXPECT_FALSE(button->IsHovered());
  Move(button, {12, 12});
  Leave(button);
  EXPECT_FALSE(button->IsHovered());
  EXPECT_EQ(Rgb(kNormalColour), Rgb(Face(), 12, 12));
}

TEST_F(SkinButtonTest, PressedShowsHoverBitmapOnePixelRightAndDown) {
  QImage hovered = (Move(button, {12, 12}), Face());
  EXPECT_EQ(Rgb(kHoverColour), Rgb(hovered, 6, 6));
  EXPECT_NE(Rgb(kHoverColour), Rgb(hovered, 18, 18));

  QTest::mousePress(button, Qt::LeftButton, {}, {12, 12});
  QImage pressed = Face();
  EXPECT_NE(Rgb(kHoverColour), Rgb(pressed, 6, 6));
  EXPECT_EQ(Rgb(kHoverColour), Rgb(pressed, 7, 7));
  EXPECT_EQ(Rgb(kHoverColour), Rgb(pressed, 18, 18));
  QTest::mouseRelease(button, Qt::LeftButton, {}, {12, 12});
}

TEST_F(SkinButtonTest, DisabledShowsEmbossedGreyNormalBitmapAndNeverHovers) {
  Move(button, {12, 12});
  button->setEnabled(false);
  EXPECT_FALSE(button->IsHovered());
  Move(button, {13, 13});
  EXPECT_FALSE(button->IsHovered());

  QImage img = Face();
  const QColor ink = img.pixelColor(12, 12);
  EXPECT_EQ(ink.red(), ink.green());
  EXPECT_EQ(ink.green(), ink.blue());
  EXPECT_NE(Rgb(kNormalColour), Rgb(ink));
  // The highlight copy lies one pixel right of and below the ink.
  EXPECT_NE(Rgb(img, 18, 18), Rgb(img, 12, 12));
  EXPECT_EQ(Rgb(button->palette().color(QPalette::Button)), Rgb(img, 19, 19));

  button->setEnabled(true);
  EXPECT_EQ(Rgb(kNormalColour), Rgb(Face(), 12, 12));
}

TEST_F(SkinButtonTest, ButtonWithoutNormalBitmapShowsItsOneBitmapInEveryState) {
  ASSERT_EQ(0, button->SetBitmaps(Hover(), kMagenta, QImage(), 0));
  EXPECT_EQ(Rgb(kHoverColour), Rgb(Face(), 12, 12));
  Move(button, {12, 12});
  EXPECT_EQ(Rgb(kHoverColour), Rgb(Face(), 12, 12));
  Leave(button);
  button->setEnabled(false);
  const QColor ink = Face().pixelColor(12, 12);
  EXPECT_EQ(ink.red(), ink.blue());
}

TEST_F(SkinButtonTest, SetBitmapsFailuresLeaveOnlyTheBackground) {
  const QRgb face = Rgb(button->palette().color(QPalette::Button));
  EXPECT_EQ(CSkinButton::BTNST_INVALIDRESOURCE, button->SetBitmaps(QImage(), kMagenta, Normal(), kMagenta));
  EXPECT_EQ(face, Rgb(Face(), 12, 12));

  ASSERT_EQ(0, button->SetBitmaps(Hover(), kMagenta, Normal(), kMagenta));
  // Ids that the resource lookup does not know: the hover one, then only the normal one.
  EXPECT_EQ(CSkinButton::BTNST_INVALIDRESOURCE, button->SetBitmaps(9990, kMagenta, 0, kMagenta));
  EXPECT_EQ(face, Rgb(Face(), 12, 12));
  ASSERT_EQ(0, button->SetBitmaps(Hover(), kMagenta, Normal(), kMagenta));
  EXPECT_EQ(CSkinButton::BTNST_INVALIDRESOURCE, button->SetBitmaps(9990, kMagenta, 9991, kMagenta));
  EXPECT_EQ(face, Rgb(Face(), 12, 12));
  Move(button, {12, 12});
  EXPECT_EQ(face, Rgb(Face(), 12, 12));
}

TEST_F(SkinButtonTest, TransparentButtonPaintsTheCapturedSkin) {
  button->DrawTransparent(true);
  QImage img = Face();
  EXPECT_EQ(Rgb(window.skin), Rgb(img, 1, 1));
  EXPECT_EQ(Rgb(kNormalColour), Rgb(img, 12, 12));
  EXPECT_TRUE(button->HasSavedBackground());

  // The capture is reused until it is discarded.
  window.skin = QColor(250, 250, 0);
  EXPECT_EQ(Rgb(QColor(10, 120, 40)), Rgb(Face(), 1, 1));
  button->DrawTransparent(true);
  EXPECT_EQ(Rgb(window.skin), Rgb(Face(), 1, 1));

  // Moving the button puts other skin behind it: captured again.
  window.skin = QColor(0, 200, 200);
  button->move(12, 12);
  EXPECT_EQ(Rgb(window.skin), Rgb(Face(), 1, 1));
}

TEST_F(SkinButtonTest, LeftButtonHeldFromElsewhereGivesNoHover) {
  Move(other, {12, 12}, Qt::LeftButton);
  EXPECT_FALSE(other->IsHovered());
  // A button already hovered keeps its hover while its own press is held.
  Move(button, {12, 12});
  Move(button, {13, 13}, Qt::LeftButton);
  EXPECT_TRUE(button->IsHovered());
}

TEST_F(SkinButtonTest, FocusLossAndWindowDeactivationEndHover) {
  button->setFocus();
  Move(button, {12, 12});
  ASSERT_TRUE(button->IsHovered());
  other->setFocus();
  EXPECT_FALSE(button->IsHovered());

  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Move(button, {12, 12});
  ASSERT_TRUE(button->IsHovered());
  QWidget elsewhere;
  elsewhere.show();
  elsewhere.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
  EXPECT_FALSE(button->IsHovered());
}

TEST_F(SkinButtonTest, WithoutAlwaysTrackNoHoverWhileNoWindowIsActive) {
  button->SetAlwaysTrack(false);
  QApplication::setActiveWindow(nullptr);
  Move(button, {12, 12});
  EXPECT_FALSE(button->IsHovered());
}

TEST_F(SkinButtonTest, DoubleClickGivesTwoClicks) {
  QSignalSpy clicks(button, &QAbstractButton::clicked);
  const QPoint at(12, 12);
  const QPoint global = button->mapToGlobal(at);
  auto send = [&](QEvent::Type type) {
    QMouseEvent event(type, at, global, Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &event);
  };
  // The order in which a double-click arrives.
  send(QEvent::MouseButtonPress);
  send(QEvent::MouseButtonRelease);
  send(QEvent::MouseButtonDblClick);
  send(QEvent::MouseButtonRelease);
  EXPECT_EQ(2, clicks.count());
}

TEST_F(SkinButtonTest, CheckModeShowsHoverBitmapWhileCheckedWithoutOffset) {
  button->setCheckable(true);
  QTest::mouseClick(button, Qt::LeftButton, {}, {12, 12});
  Leave(button);
  ASSERT_TRUE(button->isChecked());
  QImage img = Face();
  EXPECT_EQ(Rgb(kHoverColour), Rgb(img, 6, 6));
  EXPECT_NE(Rgb(kHoverColour), Rgb(img, 18, 18));
}

TEST_F(SkinButtonTest, TooltipsComeFromTheStringTable) {
  button->SetTooltipText(ids::TIP_CLOSE, true);
  EXPECT_EQ("Close", button->toolTip());
  button->SetTooltipText(9990, true);  // no such string: unchanged
  EXPECT_EQ("Close", button->toolTip());
  button->SetTooltipText(ids::TIP_RECORDING_TIME, false);
  EXPECT_EQ("Recording Time Setting", button->TooltipText());
  EXPECT_TRUE(button->toolTip().isEmpty());
  button->SetTooltipText(QString("Play"), true);
  EXPECT_EQ("Play", button->toolTip());
}

}  // namespace
