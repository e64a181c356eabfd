// The owner-drawn context menus of the two file panes: a popup window with a
// vertical gradient side bar carrying a rotated title, and beside it an item
// strip with one row per menu item. It behaves like a menu: TrackPopup runs a
// modal loop until an item is chosen or the menu is dismissed, submenus open in
// further CGradientMenu windows (nested loops on the GUI thread), and the
// owner window receives the chosen command and the usual menu notifications
// as GradientMenuEvent events.
#pragma once
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "skin/GradientMenuResource.h"

class QEventLoop;
class QPainter;

// The messages a menu sends its owner, named as the platform menu names them.
enum class MenuMessage {
  WM_INITMENU,       // top-level menu about to show; menu set
  WM_INITMENUPOPUP,  // submenu about to show; menu set
  WM_ENTERMENULOOP,
  WM_MENUSELECT,  // highlight changed: item = id and itemFlags = state, or for a
                  // submenu item item = index and itemFlags has kItemPopup; menu set
  WM_MENUCHAR,    // a typed character matched no item; the owner may answer
  WM_EXITMENULOOP,  // sent by each menu window as it goes away
  WM_COMMAND,       // the chosen command id in item; posted, not sent
};

// The answers to WM_MENUCHAR, in the high word of result.
constexpr unsigned kMenuCharClose = 1;    // close the menu chain
constexpr unsigned kMenuCharExecute = 2;  // run the low word as a command

class GradientMenuEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  explicit GradientMenuEvent(MenuMessage message, int item = 0)
      : QEvent(EventType()), message(message), item(item) {}

  MenuMessage message;
  int item = 0;
  unsigned itemFlags = 0;
  const MenuResource* menu = nullptr;  // valid only while the event is handled
  QChar character;                     // WM_MENUCHAR
  bool popup = false;                  // WM_MENUCHAR: the menu is a submenu
  unsigned result = 0;                 // WM_MENUCHAR answer, set by the owner
};

// Where a top-level menu of the given size goes when opened at point `at`:
// right and below the point, else flipped left, up, or both at the screen edges.
QPoint PlaceTopLevelMenu(QPoint at, QSize size, const QRect& screen);
// Where a submenu goes beside the item rectangle `item` (screen coordinates,
// already widened left by the side bar): right going down, right going up,
// left going down, left going up; nothing when it fits on no side.
std::optional<QPoint> PlaceSubmenu(const QRect& item, QSize size, const QRect& screen);

// The side bar's gradient: solid bands of height ÷ 128 pixels (at least 1),
// laid from the bottom up; band k (1 at the bottom) has each channel
// bottom + (top − bottom) × k × band ÷ height.
int SideBarBandHeight(int height);
QColor SideBarBandColour(QColor top, QColor bottom, int k, int height);

class CGradientMenu;

// The item strip: uniform rows with custom drawing, hot tracking and hit-testing.
class CGradientMenuBar : public QWidget {
  Q_OBJECT
 public:
  explicit CGradientMenuBar(CGradientMenu* popup);

  // Copies the menu's item records and lays out the rows; returns the size of
  // the item area (every row as wide as the widest plus the check-mark width).
  QSize Build(const MenuResource& menu);

  int ItemCount() const { return static_cast<int>(items_.size()); }
  const MenuItem& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
  QRect ItemRect(int index) const { return rects_.at(static_cast<size_t>(index)); }
  int ItemAt(QPoint pos) const;  // -1 off every row
  int HotItem() const { return hotItem_; }
  void SetHotItem(int index);  // -1 for none; a change sends menu-select
  void HighlightFirstItem();
  void ForgetLastClick() { lastClicked_ = -1; }
  int CheckSize() const { return checkSize_; }

  static constexpr int kMargin = 3;  // strip border around the rows

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override {}
  void mouseDoubleClickEvent(QMouseEvent*) override {}
  void leaveEvent(QEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  void PressItem(int index, QPoint pos, bool fromKeyboard);
  void OnItemClicked(QPoint pos, bool fromKeyboard);
  void OnHover(int index);
  void OnCharacter(QChar ch);
  void MoveHot(int step);
  void DrawItem(QPainter& p, int index) const;
  void DrawCheckSquare(QPainter& p, const MenuItem& item, QRect square, bool hot) const;
  void DrawArrow(QPainter& p, QRect row, QColor colour) const;

  CGradientMenu* popup_;
  QFont font_;
  int checkSize_ = 16;
  std::vector<MenuItem> items_;
  std::vector<QRect> rects_;
  int hotItem_ = -1;
  int selectedItem_ = -1;  // the highlight last reported by menu-select
  int lastClicked_ = -1;
  int hoverItem_ = -1;
  QPoint hoverPos_;
  std::optional<QPoint> lastMovePos_;
};

class CGradientMenu : public QWidget {
  Q_OBJECT
 public:
  enum Flags : unsigned { kSubmenu = 0x0001, kKeyboard = 0x0100 };

  CGradientMenu(int sideBarWidth, bool sideBarOn);
  ~CGradientMenu() override;

  void Attach(std::shared_ptr<MenuResource> menu) { menu_ = std::move(menu); }
  MenuResource* Menu() const { return menu_.get(); }
  void SetTitle(const QString& title) { title_ = title; }
  QString Title() const { return title_; }
  void SetColours(QColor gradientTop, QColor gradientBottom, QColor titleColour);

  // Shows the menu at screen point (x, y), or beside keepClear for a submenu,
  // and returns when it has closed: 1, or 0 with nothing shown when there is
  // no owner, no menu or no item. The chosen command is posted to the owner.
  int TrackPopup(int x, int y, QWidget* owner, const QRect* keepClear = nullptr);

  // While the menu is open.
  bool IsOpen() const { return loop_ != nullptr && !closing_; }
  CGradientMenu* Child() const { return child_; }
  CGradientMenu* ParentMenu() const { return parentMenu_; }
  CGradientMenuBar* Strip() const { return strip_; }
  int SideBarWidth() const { return sideBarWidth_; }
  unsigned Flags() const { return flags_; }

  void CloseMenu();   // this menu and its submenus
  void CloseChain();  // every menu from the top-level one down

  // Called by the strip.
  void OpenSubmenu(int index, bool fromKeyboard);
  void Notify(GradientMenuEvent& event);  // sent to the owner, if it still exists
  void PostCommand(int id);

  void PaintSideBar(QPainter& p) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void changeEvent(QEvent*) override;
  void closeEvent(QCloseEvent*) override;

 private:
  void CheckDeactivation();
  void Teardown();

  int sideBarWidth_;
  bool sideBarOn_;
  unsigned flags_ = 0;
  std::shared_ptr<MenuResource> menu_;
  QString title_;
  QColor gradientTop_{4, 63, 112}, gradientBottom_{56, 174, 112}, titleColour_{255, 255, 255};
  QPointer<QWidget> owner_;
  QMetaObject::Connection ownerGone_;
  CGradientMenuBar* strip_ = nullptr;
  CGradientMenu* child_ = nullptr;
  CGradientMenu* parentMenu_ = nullptr;
  QEventLoop* loop_ = nullptr;
  bool closing_ = false;
};

// The pane menus' look: 18-pixel side bar from RGB(4, 63, 112) at the top to
// RGB(56, 174, 112) at the bottom, the title "Media" in white.
void SetPaneMenuLook(CGradientMenu& menu);
// The right-click of a pane: menu 106 or 107 with the view-mode check mark,
// shown at the screen point for the owner. Returns TrackPopup's result.
int ShowPaneMenu(int menuId, bool detailView, QPoint screenPos, QWidget* owner);
