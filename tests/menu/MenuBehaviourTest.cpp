// The menus at work on the offscreen screen: clicks, keys, mnemonics,
// submenus, closing, the owner's notifications and the painted window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

#include "skin/CGradientMenu.h"

namespace {

// An owner window that records what the menus tell it.
class Owner : public QWidget {
 public:
  struct Note {
    MenuMessage message;
    int item;
    unsigned flags;
  };
  std::vector<Note> notes;
  unsigned menuCharAnswer = 0;
  QChar lastChar;

  std::vector<int> Commands() const { return Of(MenuMessage::WM_COMMAND); }
  std::vector<int> Of(MenuMessage m) const {
    std::vector<int> out;
    for (const Note& n : notes)
      if (n.message == m) out.push_back(n.item);
    return out;
  }
  int Count(MenuMessage m) const { return static_cast<int>(Of(m).size()); }

 protected:
  bool event(QEvent* e) override {
    if (e->type() != GradientMenuEvent::EventType()) return QWidget::event(e);
    auto* menuEvent = static_cast<GradientMenuEvent*>(e);
    notes.push_back({menuEvent->message, menuEvent->item, menuEvent->itemFlags});
    if (menuEvent->message == MenuMessage::WM_MENUCHAR) {
      lastChar = menuEvent->character;
      menuEvent->result = menuCharAnswer;
    }
    return true;
  }
};

// A menu that is open, shown and has the keyboard: its window is active and
// its strip holds the focus, so keys typed now reach it.
bool Focused(const CGradientMenu* menu) {
  return menu && menu->IsOpen() && menu->isVisible() && QApplication::focusWidget() == menu->Strip();
}
// The submenu of `menu` is open and has the keyboard.
bool ChildFocused(const CGradientMenu& menu) { return Focused(menu.Child()); }

// Steps run one after another, each once the condition it waits for holds,
// inside whichever menu loop is innermost at the time. A step waits by default
// until the top-level menu has the keyboard; one that follows the opening or
// closing of a submenu names what it waits for. The condition is checked from
// a timer, so the work the previous step queued (a click, a hover) runs first.
// A watchdog closes a menu whose steps never became ready or left it open.
class Script {
 public:
  Script& Then(std::function<void()> step) {
    return When([this] { return Focused(menu_); }, std::move(step));
  }
  Script& When(std::function<bool()> ready, std::function<void()> step) {
    steps_.push_back({std::move(ready), std::move(step)});
    return *this;
  }
  void Start(CGradientMenu& menu) {
    menu_ = &menu;
    Next(0);
    // Only a stuck menu reaches this, however slow the machine.
    QTimer::singleShot(30000, &menu, [this] {
      if (!menu_->IsOpen()) return;
      watchdogFired = true;
      menu_->CloseChain();
    });
  }
  bool watchdogFired = false;

 private:
  struct Step {
    std::function<bool()> ready;
    std::function<void()> run;
  };
  void Next(size_t i) {
    if (i >= steps_.size()) return;
    // The interval is only how often the condition is looked at.
    QTimer::singleShot(5, menu_, [this, i] {
      if (!steps_[i].ready()) return Next(i);
      steps_[i].run();
      Next(i + 1);
    });
  }
  CGradientMenu* menu_ = nullptr;
  std::vector<Step> steps_;
};

constexpr int kMore = 4;  // index of the submenu item in TestMenu()

constexpr int kTools = 6;

// Open 1, Save 2 (grayed), separator, Print 3, More > (Alpha 201, Beta 202),
// Close 5, Tools > (Options 301).
std::shared_ptr<MenuResource> TestMenu() {
  auto sub = std::make_shared<MenuResource>();
  sub->AppendItem(201, "&Alpha");
  sub->AppendItem(202, "&Beta");
  auto menu = std::make_shared<MenuResource>();
  menu->AppendItem(1, "&Open");
  menu->AppendItem(2, "&Save", kItemGrayed);
  menu->AppendSeparator();
  menu->AppendItem(3, "&Print");
  menu->AppendSubMenu("&More", sub);
  menu->AppendItem(5, "&Close");
  auto tools = std::make_shared<MenuResource>();
  tools->AppendItem(301, "&Options");
  menu->AppendSubMenu("&Tools", tools);
  return menu;
}

QPoint RowCentre(CGradientMenu* menu, int index) { return menu->Strip()->ItemRect(index).center(); }

void Click(CGradientMenu* menu, int index) {
  QTest::mouseClick(menu->Strip(), Qt::LeftButton, {}, RowCentre(menu, index));
}

// A key press as the keyboard delivers it: to the focus widget, which must be
// the strip of the menu the test expects to be the deepest one open.
void Key(CGradientMenu* menu, int key, QString text = {}) {
  EXPECT_EQ(QApplication::focusWidget(), menu->Strip());
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  if (QWidget* focus = QApplication::focusWidget()) QApplication::sendEvent(focus, &press);
}

QRect Screen() { return QGuiApplication::primaryScreen()->virtualGeometry(); }

class MenuTest : public ::testing::Test {
 protected:
  MenuTest() : menu(18, true) {
    menu.Attach(TestMenu());
    SetPaneMenuLook(menu);
  }
  // Runs the script while the menu is up; returns TrackPopup's result with
  // the posted command delivered.
  int Run(QPoint at = {100, 100}) {
    script.Start(menu);
    const int result = menu.TrackPopup(at.x(), at.y(), &owner);
    QCoreApplication::processEvents();
    EXPECT_FALSE(script.watchdogFired) << "the menu did not close by itself";
    return result;
  }
  Owner owner;
  CGradientMenu menu;
  Script script;
};

TEST_F(MenuTest, ClickOnAnItemPostsItsCommandAfterTheMenuCloses) {
  bool openDuringRun = false;
  script.Then([&] { openDuringRun = menu.isVisible() && menu.IsOpen(); }).Then([&] { Click(&menu, 3); });
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(openDuringRun);
  EXPECT_FALSE(menu.isVisible());
  EXPECT_EQ(owner.Commands(), std::vector<int>{3});
  // Initialisation and enter first, exit before the command arrives.
  ASSERT_GE(owner.notes.size(), 4u);
  EXPECT_EQ(owner.notes[0].message, MenuMessage::WM_INITMENU);
  EXPECT_EQ(owner.notes[1].message, MenuMessage::WM_ENTERMENULOOP);
  EXPECT_EQ(owner.notes[owner.notes.size() - 2].message, MenuMessage::WM_EXITMENULOOP);
  EXPECT_EQ(owner.notes.back().message, MenuMessage::WM_COMMAND);
}

TEST_F(MenuTest, DisabledItemsAndSeparatorsIgnoreClicksAndKeys) {
  bool openAfterClicks = false, openAfterMnemonic = false, openAfterReturn = false;
  script.Then([&] { Click(&menu, 1); })  // grayed "Save"
      .Then([&] { Click(&menu, 2); })    // separator
      .Then([&] {
        openAfterClicks = menu.IsOpen();
        Key(&menu, Qt::Key_S, "s");  // Save's mnemonic: highlighted, not chosen
      })
      .Then([&] {
        openAfterMnemonic = menu.IsOpen() && menu.Strip()->HotItem() == 1;
        Key(&menu, Qt::Key_Up);    // Open
        Key(&menu, Qt::Key_Down);  // Save again: the keys skip only separators
        Key(&menu, Qt::Key_Return);
      })
      .Then([&] {
        openAfterReturn = menu.IsOpen() && menu.Strip()->HotItem() == 1;
        Key(&menu, Qt::Key_Down);  // over the separator to Print
        Key(&menu, Qt::Key_Return);
      });
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(openAfterClicks);
  EXPECT_TRUE(openAfterMnemonic);
  EXPECT_TRUE(openAfterReturn);
  EXPECT_EQ(owner.Commands(), std::vector<int>{3});
}

TEST_F(MenuTest, HighlightChangesAreReportedWithIdOrSubmenuIndex) {
  script.Then([&] { QTest::mouseMove(menu.Strip(), RowCentre(&menu, 0)); })
      .Then([&] { QTest::mouseMove(menu.Strip(), RowCentre(&menu, 1)); })  // grayed: no highlight
      .Then([&] { for (int i = 0; i < 4; ++i) Key(&menu, Qt::Key_Down); })
      .Then([&] { Key(&menu, Qt::Key_Escape); });
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(owner.Commands().empty());
  // Open by the pointer; the grayed row takes no highlight from it. The keys
  // then go Open (no change), Save, Print and More, the last by its index.
  EXPECT_EQ(owner.Of(MenuMessage::WM_MENUSELECT), (std::vector<int>{1, 2, 3, kMore}));
  std::vector<unsigned> flags;
  for (const Owner::Note& n : owner.notes)
    if (n.message == MenuMessage::WM_MENUSELECT) flags.push_back(n.flags);
  ASSERT_EQ(flags.size(), 4u);
  EXPECT_EQ(flags[0], 0u);
  EXPECT_EQ(flags[1], unsigned(kItemGrayed));
  EXPECT_EQ(flags[3], kItemPopup);
}

TEST_F(MenuTest, MnemonicsChooseMatchCaseInsensitivelyAndCycleAmongSeveral) {
  auto menuOfTwoC = std::make_shared<MenuResource>();
  menuOfTwoC->AppendItem(11, "&Copy");
  menuOfTwoC->AppendItem(12, "&Cut");
  menuOfTwoC->AppendItem(13, "&Delete");
  menu.Attach(menuOfTwoC);
  int hotAfterFirst = -2, hotAfterSecond = -2, hotAfterThird = -2;
  script.Then([&] { Key(&menu, Qt::Key_C, "c"); hotAfterFirst = menu.Strip()->HotItem(); })
      .Then([&] { Key(&menu, Qt::Key_C, "C"); hotAfterSecond = menu.Strip()->HotItem(); })
      .Then([&] { Key(&menu, Qt::Key_C, "c"); hotAfterThird = menu.Strip()->HotItem(); })
      .Then([&] { Key(&menu, Qt::Key_D, "d"); });
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(hotAfterFirst, 0);
  EXPECT_EQ(hotAfterSecond, 1);
  EXPECT_EQ(hotAfterThird, 0) << "wraps to the first match";
  EXPECT_EQ(owner.Commands(), std::vector<int>{13});
}

TEST_F(MenuTest, UnmatchedCharacterAsksTheOwnerWhoMayExecuteACommand) {
  owner.menuCharAnswer = (kMenuCharExecute << 16) | 77;
  script.Then([&] { Key(&menu, Qt::Key_Z, "z"); });
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(owner.lastChar, QChar('z'));
  EXPECT_EQ(owner.Commands(), std::vector<int>{77});
}

TEST_F(MenuTest, UnmatchedCharacterWithCloseAnswerClosesWithoutCommand) {
  owner.menuCharAnswer = kMenuCharClose << 16;
  bool openAfterIgnored = false;
  script.Then([&] {
          owner.menuCharAnswer = 0;
          Key(&menu, Qt::Key_Q, "q");  // answer 0: nothing happens
          openAfterIgnored = menu.IsOpen();
          owner.menuCharAnswer = kMenuCharClose << 16;
        })
      .Then([&] { Key(&menu, Qt::Key_Z, "z"); });
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(openAfterIgnored);
  EXPECT_EQ(owner.Count(MenuMessage::WM_MENUCHAR), 2);
  EXPECT_TRUE(owner.Commands().empty());
}

TEST_F(MenuTest, ClickedSubmenuStaysOpenWhenClickedAgainAndItsItemClosesTheChain) {
  CGradientMenu* firstChild = nullptr;
  CGradientMenu* childAfterSecondClick = nullptr;
  QString childTitle;
  bool parentOpenWithChild = false;
  auto childUp = [&] { return ChildFocused(menu); };
  script.Then([&] { Click(&menu, kMore); })
      .When(childUp, [&] {
        firstChild = menu.Child();
        if (firstChild) childTitle = firstChild->Title();
        parentOpenWithChild = menu.IsOpen() && firstChild && firstChild->isVisible();
        Click(&menu, kMore);
      })
      .When(childUp, [&] {
        childAfterSecondClick = menu.Child();
        if (childAfterSecondClick) Click(childAfterSecondClick, 1);
      });
  EXPECT_EQ(Run(), 1);
  ASSERT_NE(firstChild, nullptr);
  EXPECT_TRUE(parentOpenWithChild) << "the submenu taking the focus must not close its parent";
  EXPECT_EQ(childTitle, "More");
  EXPECT_EQ(childAfterSecondClick, firstChild);
  EXPECT_EQ(owner.Commands(), std::vector<int>{202});
  EXPECT_EQ(owner.Count(MenuMessage::WM_INITMENUPOPUP), 1);
  EXPECT_EQ(owner.Count(MenuMessage::WM_EXITMENULOOP), 2) << "one per menu window";
  EXPECT_EQ(menu.Child(), nullptr);
}

TEST_F(MenuTest, KeyboardOpensSubmenuWithFirstItemAndLeftClosesOnlyIt) {
  int childHot = -2;
  bool parentOpenAfterLeft = false, reopened = false;
  auto childUp = [&] { return ChildFocused(menu); };
  script.Then([&] { for (int i = 0; i < 4; ++i) Key(&menu, Qt::Key_Down); })  // Open Save Print More
      .Then([&] { Key(&menu, Qt::Key_Right); })
      .When(childUp, [&] {
        childHot = menu.Child()->Strip()->HotItem();
        Key(menu.Child(), Qt::Key_Left);
      })
      .Then([&] {  // the parent has the keyboard back
        parentOpenAfterLeft = menu.IsOpen() && menu.Child() == nullptr;
        Key(&menu, Qt::Key_Right);  // the parent forgot the click: opens again
      })
      .When(childUp, [&] {
        reopened = true;
        Key(menu.Child(), Qt::Key_Escape);
      });
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(childHot, 0);
  EXPECT_TRUE(parentOpenAfterLeft);
  EXPECT_TRUE(reopened);
  EXPECT_FALSE(menu.IsOpen()) << "Escape closes the whole chain";
  EXPECT_TRUE(owner.Commands().empty());
}

TEST_F(MenuTest, RestingOnASubmenuItemOpensItAndOnAPlainItemClosesIt) {
  bool openedByHover = false, closedByHover = false;
  script.Then([&] { QTest::mouseMove(menu.Strip(), RowCentre(&menu, kMore)); })
      .When([&] { return ChildFocused(menu); }, [&] {
        openedByHover = true;
        QTest::mouseMove(menu.Strip(), RowCentre(&menu, 5));
      })
      .Then([&] {  // the parent has the keyboard back
        closedByHover = menu.IsOpen() && menu.Child() == nullptr;
        Key(&menu, Qt::Key_Escape);
      });
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(openedByHover);
  EXPECT_TRUE(closedByHover);
}

TEST_F(MenuTest, RestingOnAnotherSubmenuItemSwapsTheOpenSubmenu) {
  QString secondTitle;
  bool firstWasOpen = false;
  script.Then([&] { QTest::mouseMove(menu.Strip(), RowCentre(&menu, kMore)); })
      .When([&] { return ChildFocused(menu); }, [&] {
        firstWasOpen = menu.Child()->Title() == "More";
        QTest::mouseMove(menu.Strip(), RowCentre(&menu, kTools));
      })
      // the next submenu, once it has replaced the first one
      .When([&] { return ChildFocused(menu) && menu.Child()->Title() != "More"; }, [&] {
        secondTitle = menu.Child()->Title();
        Click(menu.Child(), 0);
      });
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(firstWasOpen);
  EXPECT_EQ(secondTitle, "Tools");
  EXPECT_EQ(owner.Commands(), std::vector<int>{301});
  EXPECT_EQ(owner.Count(MenuMessage::WM_EXITMENULOOP), 3);
}

TEST_F(MenuTest, ActivatingAnotherWindowClosesTheChainWithoutCommand) {
  QWidget other;
  other.setGeometry(400, 400, 50, 50);
  bool hadChild = false;
  script.Then([&] { Click(&menu, kMore); })
      .When([&] { return ChildFocused(menu); }, [&] {
        hadChild = true;
        other.show();
        other.activateWindow();
      });
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(hadChild);
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_TRUE(owner.Commands().empty());
}

TEST_F(MenuTest, OwnerDestroyedWhileOpenClosesTheMenu) {
  auto* doomed = new Owner;
  script.Then([&] { delete doomed; });
  script.Start(menu);
  EXPECT_EQ(menu.TrackPopup(100, 100, doomed), 1);
  EXPECT_FALSE(script.watchdogFired);
}

TEST(MenuRefusals, NoOwnerOrNoItemsShowsNothing) {
  CGradientMenu menu(18, true);
  Owner owner;
  EXPECT_EQ(menu.TrackPopup(10, 10, &owner), 0) << "no menu attached";
  menu.Attach(std::make_shared<MenuResource>());
  EXPECT_EQ(menu.TrackPopup(10, 10, &owner), 0) << "empty menu";
  menu.Attach(TestMenu());
  EXPECT_EQ(menu.TrackPopup(10, 10, nullptr), 0);
  EXPECT_FALSE(menu.isVisible());
  EXPECT_TRUE(owner.notes.empty());
}

TEST_F(MenuTest, OpenedNearTheRightAndBottomEdgesFlipsLeftAndUp) {
  const QRect s = Screen();
  const QPoint corner(s.x() + s.width() - 5, s.y() + s.height() - 5);
  QRect placed, childPlaced;
  script.Then([&] {
          placed = menu.geometry();
          Click(&menu, kMore);
        })
      .When([&] { return ChildFocused(menu); }, [&] {
        childPlaced = menu.Child()->geometry();
        Key(menu.Child(), Qt::Key_Escape);
      });
  EXPECT_EQ(Run(corner), 1);
  EXPECT_EQ(placed.topLeft(), corner - QPoint(placed.width(), placed.height()));
  // The submenu opens to the left of the whole parent, side bar included.
  ASSERT_FALSE(childPlaced.isNull());
  EXPECT_LE(childPlaced.x() + childPlaced.width(), placed.x());
  EXPECT_LE(childPlaced.y() + childPlaced.height(), s.y() + s.height());
}

TEST(PaneMenuWindow, SideBarAndCheckMarkAsPainted) {
  Owner owner;
  CGradientMenu menu(18, true);
  menu.Attach(BuildPaneMenu(106, true));
  SetPaneMenuLook(menu);
  QImage shot;
  int listRowY = 0, detailRowY = 0, rowHeight = 0;
  Script script;
  script.Then([&] {
    shot = menu.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const CGradientMenuBar* strip = menu.Strip();
    listRowY = strip->ItemRect(0).y();
    detailRowY = strip->ItemRect(1).y();
    rowHeight = strip->ItemRect(0).height();
    menu.CloseChain();
  });
  script.Start(menu);
  ASSERT_EQ(menu.TrackPopup(50, 50, &owner), 1);
  ASSERT_FALSE(script.watchdogFired);
  ASSERT_FALSE(shot.isNull());
  const int h = shot.height();
  for (int y = 0; y < h; ++y) {
    const int k = (h - 1 - y) / SideBarBandHeight(h) + 1;
    ASSERT_EQ(shot.pixelColor(0, y), SideBarBandColour(QColor(4, 63, 112), QColor(56, 174, 112), k, h))
        << "row " << y;
  }
  // "Detail" carries the check mark (pixels in the menu-text colour inside its
  // square), "List" none.
  const QColor ink = menu.palette().color(QPalette::WindowText);
  auto inkIn = [&](int rowY) {
    int n = 0;
    for (int y = rowY + 2; y < rowY + rowHeight - 2; ++y)
      for (int x = 18 + 3 + 2; x < 18 + 3 + rowHeight - 2; ++x) n += shot.pixelColor(x, y) == ink;
    return n;
  };
  EXPECT_GT(inkIn(detailRowY), 5);
  EXPECT_EQ(inkIn(listRowY), 0);
}

}  // namespace
