// The menu's pure rules: side-bar bands, placement at the screen edges, the
// pane menus' items and check marks, and mnemonic texts.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "skin/CGradientMenu.h"

namespace {

const QColor kTop(4, 63, 112), kBottom(56, 174, 112);

// The side bar of a menu `height` pixels high, painted into an image.
QImage PaintedBar(int height, QColor top = kTop, QColor bottom = kBottom, QString title = "Media") {
  CGradientMenu menu(18, true);
  menu.SetColours(top, bottom, Qt::white);
  menu.SetTitle(title);
  menu.resize(60, height);
  QImage img(60, height, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  menu.PaintSideBar(p);
  return img;
}

TEST(SideBar, BandHeightIsOneOver128OfTheHeightAtLeastOne) {
  EXPECT_EQ(SideBarBandHeight(137), 1);
  EXPECT_EQ(SideBarBandHeight(300), 2);
  EXPECT_EQ(SideBarBandHeight(255), 1);
  EXPECT_EQ(SideBarBandHeight(256), 2);
  EXPECT_EQ(SideBarBandHeight(20), 1);
}

TEST(SideBar, MenuOf137PixelsIsPaintedInOnePixelBands) {
  const QImage img = PaintedBar(137, kTop, kBottom, "");
  for (int y = 0; y < 137; ++y) {
    const int k = 137 - y;  // band 1 is the bottom row
    const QColor want(56 + (4 - 56) * k / 137, 174 + (63 - 174) * k / 137, 112);
    ASSERT_EQ(img.pixelColor(0, y), want) << "row " << y;
    ASSERT_EQ(img.pixelColor(17, y), want) << "row " << y;
  }
  EXPECT_EQ(img.pixelColor(0, 0), kTop);
  EXPECT_EQ(img.pixelColor(0, 136), QColor(56 - 52 / 137, 174 - 111 / 137, 112));
  EXPECT_EQ(img.pixelColor(18, 50), QColor(Qt::black)) << "the bar is 18 pixels wide";
}

TEST(SideBar, MenuOf300PixelsIsPaintedInTwoPixelBands) {
  const QImage img = PaintedBar(300, kTop, kBottom, "");
  for (int y = 0; y < 300; y += 2) {
    const int k = (300 - y) / 2;
    const QColor want(56 + (4 - 56) * (2 * k) / 300, 174 + (63 - 174) * (2 * k) / 300, 112);
    ASSERT_EQ(img.pixelColor(5, y), want) << "row " << y;
    ASSERT_EQ(img.pixelColor(5, y + 1), want) << "row " << y + 1;
  }
  EXPECT_EQ(img.pixelColor(5, 0), kTop);
  // Bands 1 and 2 from the bottom differ by one step of green.
  EXPECT_EQ(img.pixelColor(5, 299).green(), 174);
  EXPECT_EQ(img.pixelColor(5, 297).green(), 173);
}

TEST(SideBar, TopBandOfAnUnevenHeightStaysWithinTheColours) {
  // 1023 / 7 leaves a part band at the top whose reach exceeds the height.
  const QImage img = PaintedBar(1023, QColor(255, 255, 255), QColor(0, 0, 0), "");
  EXPECT_EQ(img.pixelColor(0, 0), QColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(0, 1022), QColor(1, 1, 1));
  EXPECT_EQ(SideBarBandColour(Qt::white, Qt::black, 147, 1023), QColor(255, 255, 255));
}

TEST(SideBar, TitleReadsUpwardsFromTheBottomInsideTheBar) {
  const QImage img = PaintedBar(137);
  int whiteLow = 0, whiteHigh = 0, whiteOutside = 0;
  for (int y = 0; y < 137; ++y)
    for (int x = 0; x < 60; ++x) {
      if (img.pixelColor(x, y) != QColor(Qt::white)) continue;
      if (x < 2 || x >= 18) ++whiteOutside;
      else if (y > 137 / 2) ++whiteLow;
      else ++whiteHigh;
    }
  EXPECT_GT(whiteLow, 20) << "the title starts at the bottom";
  EXPECT_EQ(whiteHigh, 0) << "\"Media\" is shorter than half the bar";
  EXPECT_EQ(whiteOutside, 0);
}

TEST(SideBar, NoBarWhenItsWidthIsZero) {
  CGradientMenu menu(0, false);
  menu.SetTitle("Media");
  menu.resize(40, 100);
  QImage img(40, 100, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  menu.PaintSideBar(p);
  EXPECT_EQ(img.pixelColor(0, 50), QColor(Qt::black));
}

const QRect kScreen(0, 0, 800, 600);

TEST(Placement, TopLevelFlipsLeftAndUpAtTheRightAndBottomEdges) {
  const QSize size(120, 130);
  EXPECT_EQ(PlaceTopLevelMenu({100, 100}, size, kScreen), QPoint(100, 100));
  EXPECT_EQ(PlaceTopLevelMenu({750, 100}, size, kScreen), QPoint(630, 100));
  EXPECT_EQ(PlaceTopLevelMenu({100, 550}, size, kScreen), QPoint(100, 420));
  EXPECT_EQ(PlaceTopLevelMenu({750, 550}, size, kScreen), QPoint(630, 420));
  // Touching the edge is not fitting.
  EXPECT_EQ(PlaceTopLevelMenu({680, 100}, size, kScreen), QPoint(560, 100));
  EXPECT_EQ(PlaceTopLevelMenu({679, 100}, size, kScreen), QPoint(679, 100));
  // Too wide for either side: stays at the point.
  EXPECT_EQ(PlaceTopLevelMenu({400, 100}, QSize(500, 100), kScreen), QPoint(400, 100));
  // Screens need not start at 0.
  EXPECT_EQ(PlaceTopLevelMenu({1750, 100}, size, QRect(1000, 0, 800, 600)), QPoint(1630, 100));
}

TEST(Placement, SubmenuTriesRightDownRightUpLeftDownLeftUp) {
  const QSize size(100, 200);
  const QRect item(300, 100, 150, 20);  // right edge 450, bottom 120
  EXPECT_EQ(PlaceSubmenu(item, size, kScreen), QPoint(450, 100));
  EXPECT_EQ(PlaceSubmenu(item.translated(0, 400), size, kScreen), QPoint(450, 320));
  EXPECT_EQ(PlaceSubmenu(item.translated(300, 0), size, kScreen), QPoint(500, 100));
  EXPECT_EQ(PlaceSubmenu(item.translated(300, 400), size, kScreen), QPoint(500, 320));
  EXPECT_FALSE(PlaceSubmenu(QRect(0, 0, 800, 20), QSize(100, 700), kScreen).has_value());
}

TEST(PaneMenus, ItemsIdsAndViewModeCheckMarks) {
  struct Want {
    int menu, list, detail, del, copy, rename;
  };
  for (const Want& w : {Want{106, 32782, 32781, 32774, 32772, 32773},
                        Want{107, 32783, 32784, 32778, 32779, 32780}}) {
    for (bool detail : {true, false}) {
      auto menu = BuildPaneMenu(w.menu, detail);
      ASSERT_TRUE(menu);
      ASSERT_EQ(menu->Count(), 6);
      const QStringList texts{"List", "Detail", "", "Delete", "Copy", "Rename"};
      const int ids[] = {w.list, w.detail, 0, w.del, w.copy, w.rename};
      for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(menu->Item(i).text, texts[i]);
        EXPECT_EQ(menu->Item(i).id, ids[i]);
        EXPECT_EQ(menu->Item(i).separator, i == 2);
        EXPECT_EQ(menu->Item(i).Enabled(), i != 2);
      }
      EXPECT_EQ(menu->Item(0).Checked(), !detail);
      EXPECT_EQ(menu->Item(1).Checked(), detail);
      for (int i = 2; i < 6; ++i) EXPECT_FALSE(menu->Item(i).Checked());
    }
  }
  EXPECT_EQ(BuildPaneMenu(105, true), nullptr);
}

TEST(MenuTexts, MnemonicsAndShownText) {
  EXPECT_EQ(MnemonicOf("&Copy"), QChar('C'));
  EXPECT_EQ(MnemonicOf("Re&name"), QChar('N'));
  EXPECT_EQ(MnemonicOf("Fish && &chips"), QChar('C'));
  EXPECT_EQ(MnemonicOf("A && B"), QChar());
  EXPECT_EQ(MnemonicOf("Trailing&"), QChar());
  EXPECT_EQ(MnemonicOf("List"), QChar());
  EXPECT_EQ(StripMnemonics("Fish && &chips"), "Fish & chips");
  EXPECT_EQ(StripMnemonics("&More&"), "More");
}

TEST(MenuItems, CheckAndEnableByCommandId) {
  MenuResource menu;
  menu.AppendItem(10, "A");
  menu.AppendSeparator();
  menu.AppendItem(11, "B", kItemGrayed);
  EXPECT_TRUE(menu.CheckItem(10, true));
  EXPECT_TRUE(menu.Item(0).Checked());
  EXPECT_FALSE(menu.Item(2).Enabled());
  EXPECT_TRUE(menu.EnableItem(11, true));
  EXPECT_TRUE(menu.Item(2).Enabled());
  EXPECT_FALSE(menu.CheckItem(0, true)) << "separators have no command id";
  EXPECT_FALSE(menu.EnableItem(99, false));
}

}  // namespace
