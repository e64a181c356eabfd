#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "skin/CSkinLabel.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

TEST(CompactPath, LongPathKeepsBeginningAndEndWithDotsInTheMiddle) {
  const QFontMetrics metrics(SkinFont("MS Sans Serif"));
  const QString path = "/home/someone/Videos/Holiday in the mountains/2004/Clips";
  const int width = metrics.horizontalAdvance(path) / 2;
  const QString shown = CompactPath(path, metrics, width);
  EXPECT_TRUE(shown.startsWith("/home")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(".../Clips")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("...")) << shown.toStdString();
  EXPECT_LE(metrics.horizontalAdvance(shown), width);
  // As much of the beginning as fits: one more character would not fit.
  const qsizetype dots = shown.indexOf("...");
  const QString longer = path.left(dots + 1) + shown.mid(dots);
  EXPECT_GT(metrics.horizontalAdvance(longer), width);
}

TEST(CompactPath, ShortPathsAndTightWidths) {
  const QFontMetrics metrics(SkinFont("MS Sans Serif"));
  EXPECT_EQ("/home/me", CompactPath("/home/me", metrics, 400));
  EXPECT_EQ("/", CompactPath("/", metrics, 400));

  // No folder part: the end goes.
  const QString name = "a-very-long-name-without-any-folder";
  const QString cut = CompactPath(name, metrics, metrics.horizontalAdvance(name) / 2);
  EXPECT_TRUE(cut.startsWith("a-very")) << cut.toStdString();
  EXPECT_TRUE(cut.endsWith("..."));

  // A last folder too wide for any beginning: "..." and as much of it as fits.
  const QString deep = "/home/" + QString(60, 'x');
  const int width = metrics.horizontalAdvance("/home/xxxx");
  const QString tight = CompactPath(deep, metrics, width);
  EXPECT_TRUE(tight.startsWith("...")) << tight.toStdString();
  EXPECT_LE(metrics.horizontalAdvance(tight), std::max(width, metrics.horizontalAdvance("...")));
  EXPECT_EQ("...", CompactPath(deep, metrics, 0));
  // A trailing separator stays with the last folder.
  const QString trailing = CompactPath("/home/someone/Videos/Holiday/", metrics,
                                       metrics.horizontalAdvance("/home/...Holiday/"));
  EXPECT_TRUE(trailing.endsWith("/Holiday/")) << trailing.toStdString();
}

TEST(SkinFontTest, WindowsFacesFindSubstitutesOfTheRightKind) {
  EXPECT_TRUE(QFontInfo(SkinFont("Fixedsys")).fixedPitch());
  EXPECT_FALSE(QFontInfo(SkinFont("MS Sans Serif")).fixedPitch());
  EXPECT_EQ(12, PointsToPixels(9));
  EXPECT_EQ(11, PointsToPixels(8));
  EXPECT_EQ(16, PointsToPixels(12));
}

// A 300 x 60 skin with the path label set up as the main window does it.
class SkinLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(300, 60);
    label = new CSkinLabel(&window);
    label->setGeometry(10, 10, 148, 16);
    label->SetFontName("Fixedsys");
    label->SetTextColor(QColor(255, 255, 181));
    label->SetFontSize(9);
    label->SetFontBold(true);
    label->SetTransparent(true);
    label->SetFontName("MS Sans Serif");
    label->SetFontSize(8);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  // What is on the screen now, not a fresh rendering.
  QImage OnScreen() {
    QCoreApplication::processEvents();
    return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  }

  // How many pixels of `rect` differ from the skin colour.
  int NotSkin(const QImage& image, QRect rect) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      for (int x = rect.left(); x <= rect.right(); ++x) count += Rgb(image, x, y) != Rgb(window.skin);
    return count;
  }

  SkinWidget window;
  CSkinLabel* label = nullptr;
};

TEST_F(SkinLabelTest, SetUpGivesTheTabledLook) {
  EXPECT_EQ(QColor(255, 255, 181), label->TextColor());
  EXPECT_TRUE(label->IsTransparent());
  EXPECT_EQ(11, label->font().pixelSize());
  EXPECT_EQ(QFont::Bold, label->font().weight());
  EXPECT_EQ("MS Sans Serif", label->font().family());
}

TEST_F(SkinLabelTest, LongPathIsShownCompacted) {
  const QString path = "/home/someone/Videos/Holiday in the mountains/2004/Clips";
  label->SetText(path);
  label->SetTooltipText(path, true);
  EXPECT_EQ(path, label->toolTip());
  const QString shown = label->DisplayText();
  EXPECT_TRUE(shown.contains("...")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("/Clips"));
  EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(shown), 148);
  label->SetText("/home/me");
  EXPECT_EQ("/home/me", label->DisplayText());
}

TEST_F(SkinLabelTest, ChangingTheTextLeavesNoTraceOnTheSkin) {
  const QRect area = label->geometry();
  label->SetText("WWWWWWWWWWWWWWWWWW");
  QImage before = OnScreen();
  ASSERT_GT(NotSkin(before, area), 20) << "the text must show";
  EXPECT_EQ(Rgb(window.skin), Rgb(before, area.right(), area.bottom())) << "transparent: no fill";

  label->SetText("");
  EXPECT_EQ(0, NotSkin(OnScreen(), area));

  label->SetText("WWWWWWWWWWWWWWWWWW");
  label->SetText("i");
  QImage after = OnScreen();
  EXPECT_EQ(0, NotSkin(after, area.adjusted(20, 0, 0, 0)));
  EXPECT_GT(NotSkin(after, area.adjusted(0, 0, -(area.width() - 20), 0)), 0);
}

TEST_F(SkinLabelTest, OpaqueLabelFillsWithItsBackgroundColour) {
  label->SetTransparent(false);
  label->SetText("x");
  const QRect area = label->geometry();
  EXPECT_EQ(Rgb(label->palette().color(QPalette::Button)), Rgb(OnScreen(), area.right(), area.bottom()));
  label->SetBkColor(QColor(1, 2, 3));
  EXPECT_EQ(Rgb(QColor(1, 2, 3)), Rgb(OnScreen(), area.right(), area.bottom()));
  label->SetBkColor(QColor());
  QPalette changed = label->palette();
  changed.setColor(QPalette::Button, QColor(90, 80, 70));
  label->setPalette(changed);  // a system colour change
  EXPECT_EQ(Rgb(QColor(90, 80, 70)), Rgb(OnScreen(), area.right(), area.bottom()));
}

}  // namespace
