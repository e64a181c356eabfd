#include "skin/GradientMenuResource.h"

void MenuResource::AppendItem(int id, const QString& text, unsigned state) {
  MenuItem item;
  item.id = id;
  item.text = text;
  item.state = state;
  items_.push_back(std::move(item));
}

void MenuResource::AppendSeparator() {
  MenuItem item;
  item.separator = true;
  items_.push_back(std::move(item));
}

void MenuResource::AppendSubMenu(const QString& text, std::shared_ptr<MenuResource> subMenu,
                                 unsigned state) {
  MenuItem item;
  item.text = text;
  item.state = state;
  item.subMenu = std::move(subMenu);
  items_.push_back(std::move(item));
}

MenuItem* MenuResource::Find(int id) {
  for (MenuItem& item : items_)
    if (!item.separator && !item.subMenu && item.id == id) return &item;
  return nullptr;
}

const MenuItem* MenuResource::FindItem(int id) const {
  return const_cast<MenuResource*>(this)->Find(id);
}

bool MenuResource::CheckItem(int id, bool checked) {
  MenuItem* item = Find(id);
  if (!item) return false;
  item->state = checked ? (item->state | kItemChecked) : (item->state & ~kItemChecked);
  return true;
}

bool MenuResource::EnableItem(int id, bool enabled) {
  MenuItem* item = Find(id);
  if (!item) return false;
  const unsigned off = kItemGrayed | kItemDisabled;
  item->state = enabled ? (item->state & ~off) : (item->state | off);
  return true;
}

QChar MnemonicOf(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {  // "&&" is a literal ampersand
      ++i;
      continue;
    }
    return text[i + 1].toUpper();
  }
  return QChar();
}

QString StripMnemonics(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&') {
      ++i;  // "&X" shows X, "&&" shows one "&", a trailing "&" shows nothing
      if (i == text.size()) break;
    }
    out += text[i];
  }
  return out;
}

std::shared_ptr<MenuResource> BuildPaneMenu(int menuId, bool detailView) {
  using namespace PaneMenu;
  int list, detail, del, copy, rename;
  if (menuId == kPcMenu) {
    list = kPcList, detail = kPcDetail, del = kPcDelete, copy = kPcCopy, rename = kPcRename;
  } else if (menuId == kCamMenu) {
    list = kCamList, detail = kCamDetail, del = kCamDelete, copy = kCamCopy, rename = kCamRename;
  } else {
    return nullptr;
  }
  auto menu = std::make_shared<MenuResource>();
  menu->AppendItem(list, "List");
  menu->AppendItem(detail, "Detail");
  menu->AppendSeparator();
  menu->AppendItem(del, "Delete");
  menu->AppendItem(copy, "Copy");
  menu->AppendItem(rename, "Rename");
  menu->CheckItem(detail, detailView);
  menu->CheckItem(list, !detailView);
  return menu;
}
