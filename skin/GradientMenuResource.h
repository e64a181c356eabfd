// The menus that CGradientMenu shows: a small stand-in for a platform menu
// handle (items with type, state, id, submenu, check bitmaps and text), and
// the two pane context menus 106 (PC pane) and 107 (camera pane).
#pragma once
#include <QPixmap>
#include <QString>
#include <memory>
#include <vector>

class MenuResource;

// State bits of an item, in the platform menu's values.
enum MenuItemState : unsigned {
  kItemGrayed = 0x0001,
  kItemDisabled = 0x0002,
  kItemChecked = 0x0008,
};
// Added to an item's flags in menu-select for an item that opens a submenu.
constexpr unsigned kItemPopup = 0x0010;

// One item's full record; the strip keeps a private copy of it per row.
struct MenuItem {
  bool separator = false;
  unsigned state = 0;  // MenuItemState bits
  int id = 0;          // command id (0 for separators and submenu items)
  std::shared_ptr<MenuResource> subMenu;
  QPixmap checkedBitmap;    // null: the system check mark
  QPixmap uncheckedBitmap;  // null: nothing when unchecked
  QString text;             // "&" marks the mnemonic, "&&" is a plain "&"

  bool Enabled() const { return !separator && (state & (kItemGrayed | kItemDisabled)) == 0; }
  bool Checked() const { return (state & kItemChecked) != 0; }
};

class MenuResource {
 public:
  void AppendItem(int id, const QString& text, unsigned state = 0);
  void AppendSeparator();
  void AppendSubMenu(const QString& text, std::shared_ptr<MenuResource> subMenu, unsigned state = 0);

  int Count() const { return static_cast<int>(items_.size()); }
  const MenuItem& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
  MenuItem& Item(int index) { return items_.at(static_cast<size_t>(index)); }

  // Change an item found by command id; return false when no item has that id.
  bool CheckItem(int id, bool checked);
  bool EnableItem(int id, bool enabled);
  const MenuItem* FindItem(int id) const;

 private:
  MenuItem* Find(int id);
  std::vector<MenuItem> items_;
};

// The mnemonic letter of a menu text in upper case (the character after a
// single "&"), or a null QChar when it has none.
QChar MnemonicOf(const QString& text);
// The text as shown without mnemonic marks: "&&" becomes "&", a single "&" goes.
QString StripMnemonics(const QString& text);

// Menu ids and command ids of the pane context menus.
namespace PaneMenu {
constexpr int kPcMenu = 106;
constexpr int kCamMenu = 107;
constexpr int kPcList = 32782, kPcDetail = 32781, kPcDelete = 32774, kPcCopy = 32772, kPcRename = 32773;
constexpr int kCamList = 32783, kCamDetail = 32784, kCamDelete = 32778, kCamCopy = 32779,
              kCamRename = 32780;
}  // namespace PaneMenu

// Menu 106 or 107 with its items, "Detail" checked in Detail view and "List"
// checked in List view. Any other id gives nullptr.
std::shared_ptr<MenuResource> BuildPaneMenu(int menuId, bool detailView);
