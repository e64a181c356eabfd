// The item strip of CGradientMenu: one row per menu item, drawn by us, with
// hot tracking, hover-opened submenus, clicks and the menu keys.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "skin/CGradientMenu.h"

namespace {

constexpr int kSeparatorHeight = 8;

struct MenuColours {
  QColor menu, menuText, grayText, highlight, highlightText, buttonText, buttonShadow,
      buttonHighlight;
};

MenuColours ColoursOf(const QPalette& pal) {
  return {pal.color(QPalette::Window),          pal.color(QPalette::WindowText),
          pal.color(QPalette::Disabled, QPalette::WindowText),
          pal.color(QPalette::Highlight),       pal.color(QPalette::HighlightedText),
          pal.color(QPalette::ButtonText),      pal.color(QPalette::Dark),
          pal.color(QPalette::Light)};
}

// An item's own check bitmap in the menu's colours: black, dark gray, light
// gray and white stand for button text, shadow, face and highlight.
QImage Recoloured(const QImage& source, const MenuColours& c, bool hot) {
  QImage img = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb rgb = line[x] & 0xFFFFFF;
      const int alpha = qAlpha(line[x]);
      QColor to;
      if (rgb == 0x000000) to = c.buttonText;
      else if (rgb == 0x808080) to = c.buttonShadow;
      else if (rgb == 0xC0C0C0) to = hot ? c.highlight : c.menu;
      else if (rgb == 0xFFFFFF) to = c.buttonHighlight;
      else continue;
      line[x] = qRgba(to.red(), to.green(), to.blue(), alpha);
    }
  }
  return img;
}

// Refills the 4-connected region of colour `from` that holds `seed`.
template <typename Fill>
void FloodFill(QImage& img, QPoint seed, QRgb from, Fill fill) {
  if (!img.rect().contains(seed) || img.pixel(seed) != from) return;
  std::vector<QPoint> todo{seed};
  std::vector<bool> seen(static_cast<size_t>(img.width() * img.height()), false);
  while (!todo.empty()) {
    const QPoint p = todo.back();
    todo.pop_back();
    if (!img.rect().contains(p)) continue;
    const size_t at = static_cast<size_t>(p.y() * img.width() + p.x());
    if (seen[at] || img.pixel(p) != from) continue;
    seen[at] = true;
    img.setPixel(p, fill(p));
    todo.insert(todo.end(), {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
  }
}

}  // namespace

CGradientMenuBar::CGradientMenuBar(CGradientMenu* popup) : QWidget(popup), popup_(popup) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize CGradientMenuBar::Build(const MenuResource& menu) {
  font_ = QApplication::font("QMenu");
  setFont(font_);
  checkSize_ = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  const QFontMetrics fm(font_);
  const int rowHeight = std::max(checkSize_, fm.height()) + 6;

  items_.clear();
  rects_.clear();
  int widest = 0;
  for (int i = 0; i < menu.Count(); ++i) {
    items_.push_back(menu.Item(i));
    const MenuItem& item = items_.back();
    if (!item.separator)  // check square, gap, text, padding
      widest = std::max(widest, rowHeight + 2 + fm.horizontalAdvance(StripMnemonics(item.text)) + 8);
  }
  const int width = widest + checkSize_;  // room for the submenu arrow
  int y = kMargin;
  for (const MenuItem& item : items_) {
    const int h = item.separator ? kSeparatorHeight : rowHeight;
    rects_.emplace_back(kMargin, y, width, h);
    y += h;
  }
  hotItem_ = selectedItem_ = lastClicked_ = hoverItem_ = -1;
  return {width, y - kMargin};
}

int CGradientMenuBar::ItemAt(QPoint pos) const {
  for (size_t i = 0; i < rects_.size(); ++i)
    if (rects_[i].contains(pos)) return static_cast<int>(i);
  return -1;
}

void CGradientMenuBar::SetHotItem(int index) {
  if (index == hotItem_) return;
  hotItem_ = index;
  update();
  if (index < 0 || index == selectedItem_) return;
  selectedItem_ = index;
  const MenuItem& item = items_[static_cast<size_t>(index)];
  GradientMenuEvent select(MenuMessage::WM_MENUSELECT, item.subMenu ? index : item.id);
  select.itemFlags = item.state | (item.subMenu ? kItemPopup : 0u);
  select.menu = popup_->Menu();
  popup_->Notify(select);
}

void CGradientMenuBar::HighlightFirstItem() {
  hotItem_ = -1;
  MoveHot(1);
}

void CGradientMenuBar::MoveHot(int step) {
  const int n = ItemCount();
  int i = hotItem_ >= 0 ? hotItem_ : (step > 0 ? -1 : n);
  for (int tries = 0; tries < n; ++tries) {
    i = ((i + step) % n + n) % n;
    if (!items_[static_cast<size_t>(i)].separator) {
      SetHotItem(i);
      return;
    }
  }
}

void CGradientMenuBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  // Windows appearing under a resting pointer bring moves that are no moves.
  if (lastMovePos_ && *lastMovePos_ == pos) return;
  lastMovePos_ = pos;
  const int i = ItemAt(pos);
  if (i >= 0 && items_[static_cast<size_t>(i)].Enabled()) {
    if (i != hoverItem_) {
      hoverItem_ = i;
      hoverPos_ = pos;
      QMetaObject::invokeMethod(this, [this, i] { OnHover(i); }, Qt::QueuedConnection);
    }
    SetHotItem(i);
    return;
  }
  hoverItem_ = -1;
  const bool submenuShown = popup_->Child() && hotItem_ == lastClicked_;
  if (!submenuShown) SetHotItem(-1);
}

void CGradientMenuBar::leaveEvent(QEvent*) {
  hoverItem_ = -1;
  lastMovePos_.reset();
  // The row whose submenu is open stays highlighted while the pointer is in it.
  if (!(popup_->Child() && hotItem_ == lastClicked_)) SetHotItem(-1);
}

void CGradientMenuBar::OnHover(int index) {
  if (index != hoverItem_) return;  // the pointer has gone on
  if (items_[static_cast<size_t>(index)].subMenu) {
    PressItem(index, hoverPos_, false);
    return;
  }
  if (CGradientMenu* child = popup_->Child()) child->CloseMenu();
  ForgetLastClick();
}

void CGradientMenuBar::mousePressEvent(QMouseEvent* event) {
  // The rows never show a pressed look: the press is handled here only.
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  PressItem(ItemAt(pos), pos, false);
}

void CGradientMenuBar::PressItem(int index, QPoint pos, bool fromKeyboard) {
  if (index < 0 || index == lastClicked_ || !items_[static_cast<size_t>(index)].Enabled()) return;
  if (CGradientMenu* child = popup_->Child()) child->CloseMenu();
  lastClicked_ = index;
  QMetaObject::invokeMethod(
      this, [this, pos, fromKeyboard] { OnItemClicked(pos, fromKeyboard); }, Qt::QueuedConnection);
}

void CGradientMenuBar::OnItemClicked(QPoint pos, bool fromKeyboard) {
  const int index = ItemAt(pos);
  if (index < 0 || !items_[static_cast<size_t>(index)].Enabled()) return;
  const MenuItem& item = items_[static_cast<size_t>(index)];
  if (item.subMenu) {
    SetHotItem(index);
    popup_->OpenSubmenu(index, fromKeyboard);
  } else {
    popup_->PostCommand(item.id);
  }
}

void CGradientMenuBar::keyPressEvent(QKeyEvent* event) {
  auto clickHot = [this] {
    if (hotItem_ >= 0) PressItem(hotItem_, ItemRect(hotItem_).topLeft() + QPoint(1, 1), true);
  };
  if (event->key() == Qt::Key_Alt || (event->modifiers() & Qt::AltModifier)) {
    popup_->CloseChain();
    event->ignore();  // the owner's own handling of the system key follows
    return;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      clickHot();
      return;
    case Qt::Key_Right:
      if (hotItem_ >= 0 && items_[static_cast<size_t>(hotItem_)].subMenu) clickHot();
      return;
    case Qt::Key_Left:
      if (CGradientMenu* parent = popup_->ParentMenu()) {
        if (parent->Strip()) parent->Strip()->ForgetLastClick();
        popup_->CloseMenu();
      }
      return;
    case Qt::Key_Escape:
      popup_->CloseChain();
      return;
    case Qt::Key_Up:
      MoveHot(-1);
      return;
    case Qt::Key_Down:
      MoveHot(1);
      return;
    default:
      break;
  }
  const QString text = event->text();
  if (text.size() == 1 && text[0].isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
    OnCharacter(text[0]);
    return;
  }
  QWidget::keyPressEvent(event);
}

void CGradientMenuBar::OnCharacter(QChar ch) {
  const QChar wanted = ch.toUpper();
  std::vector<int> matches;
  for (int i = 0; i < ItemCount(); ++i)
    if (!Item(i).separator && MnemonicOf(Item(i).text) == wanted) matches.push_back(i);
  if (matches.size() == 1) {
    SetHotItem(matches[0]);
    PressItem(matches[0], ItemRect(matches[0]).topLeft() + QPoint(1, 1), true);
    return;
  }
  if (!matches.empty()) {
    auto next = std::find_if(matches.begin(), matches.end(), [this](int i) { return i > hotItem_; });
    SetHotItem(next != matches.end() ? *next : matches[0]);
    return;
  }
  GradientMenuEvent menuChar(MenuMessage::WM_MENUCHAR);
  menuChar.character = ch;
  menuChar.popup = (popup_->Flags() & CGradientMenu::kSubmenu) != 0;
  menuChar.menu = popup_->Menu();
  popup_->Notify(menuChar);
  const unsigned answer = menuChar.result >> 16;
  if (answer == kMenuCharClose) popup_->CloseChain();
  else if (answer == kMenuCharExecute) popup_->PostCommand(static_cast<int>(menuChar.result & 0xFFFF));
}

void CGradientMenuBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const MenuColours c = ColoursOf(palette());
  p.fillRect(rect(), c.menu);
  p.setPen(c.buttonShadow);  // thin frame on the outer edges of the strip
  p.drawLine(0, 0, width() - 1, 0);
  p.drawLine(width() - 1, 0, width() - 1, height() - 1);
  p.drawLine(0, height() - 1, width() - 1, height() - 1);
  p.setFont(font_);
  for (int i = 0; i < ItemCount(); ++i) DrawItem(p, i);
}

void CGradientMenuBar::DrawItem(QPainter& p, int index) const {
  const MenuItem& item = Item(index);
  const QRect row = ItemRect(index);
  const MenuColours c = ColoursOf(palette());
  if (item.separator) {
    const int y = row.center().y();
    p.setPen(c.buttonShadow);
    p.drawLine(row.left() + 1, y, row.right() - 1, y);
    p.setPen(c.buttonHighlight);
    p.drawLine(row.left() + 1, y + 1, row.right() - 1, y + 1);
    return;
  }
  const bool hot = index == hotItem_;
  const bool enabled = item.Enabled();
  const QColor background = hot ? c.highlight : c.menu;
  const QColor text = !enabled ? c.grayText : hot ? c.highlightText : c.menuText;
  p.fillRect(row.adjusted(1, 0, 0, 0), background);

  const QRect square(row.topLeft(), QSize(row.height(), row.height()));
  DrawCheckSquare(p, item, square, hot);

  const QRect textRect(square.right() + 1 + 2, row.top(), row.right() - square.right() - 2, row.height());
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
  if (!enabled && !hot) {  // engraved look
    p.setPen(c.buttonHighlight);
    p.drawText(textRect.translated(1, 1), flags, item.text);
  }
  p.setPen(text);
  p.drawText(textRect, flags, item.text);
  if (item.subMenu) DrawArrow(p, row, text);
}

void CGradientMenuBar::DrawCheckSquare(QPainter& p, const MenuItem& item, QRect square, bool hot) const {
  const MenuColours c = ColoursOf(palette());
  const bool enabled = item.Enabled();
  const bool checked = item.Checked();
  const QPixmap& own = checked ? item.checkedBitmap : item.uncheckedBitmap;
  if (!checked && own.isNull()) return;

  // The square is drawn off-screen so that its background can be flood-refilled.
  QImage sq(square.size(), QImage::Format_RGB32);
  sq.fill(hot ? c.highlight : c.menu);
  QPainter sp(&sq);
  QColor squareBackground = c.menu;
  if (!own.isNull()) {
    if (checked) sq.fill(c.menu);
    const QImage bitmap = enabled ? Recoloured(own.toImage(), c, hot)
                                  : own.toImage().convertToFormat(QImage::Format_Mono, Qt::MonoOnly);
    // Centred, and cut to the square when larger.
    const QRect target(QPoint((sq.width() - bitmap.width()) / 2, (sq.height() - bitmap.height()) / 2),
                       bitmap.size());
    sp.drawImage(target, bitmap);
  } else {
    // The system check mark: dark strokes on the light square.
    const QColor light = hot && enabled ? c.highlight : c.menu;
    squareBackground = light;
    sq.fill(light);
    const int w = checkSize_;
    const QPoint o((sq.width() - w) / 2, (sq.height() - w) / 2);
    sp.setPen(QPen(enabled ? c.menuText : c.grayText, 2));
    const QPoint tick[] = {o + QPoint(w * 3 / 16, w / 2), o + QPoint(w * 7 / 16, w * 3 / 4),
                           o + QPoint(w * 13 / 16, w / 4)};
    sp.drawPolyline(tick, 3);
  }
  sp.end();
  if (checked) {
    // The pushed-in look: sunken edge, background refilled plain on a hot row
    // and as a checkerboard of button highlight and menu colour otherwise.
    const QRgb plain = c.menu.rgb(), board = c.buttonHighlight.rgb();
    FloodFill(sq, QPoint(1, 1), squareBackground.rgb(), [&](QPoint at) {
      return hot ? plain : ((at.x() + at.y()) % 2 ? board : plain);
    });
    QPainter ep(&sq);
    ep.setPen(c.buttonShadow);
    ep.drawLine(0, 0, sq.width() - 1, 0);
    ep.drawLine(0, 0, 0, sq.height() - 1);
    ep.setPen(c.buttonHighlight);
    ep.drawLine(0, sq.height() - 1, sq.width() - 1, sq.height() - 1);
    ep.drawLine(sq.width() - 1, 0, sq.width() - 1, sq.height() - 1);
  }
  p.drawImage(square.topLeft() + QPoint(1, 0), sq, QRect(1, 0, sq.width() - 1, sq.height()));
}

void CGradientMenuBar::DrawArrow(QPainter& p, QRect row, QColor colour) const {
  const int w = checkSize_;
  const int boxLeft = row.x() + row.width() - 3 * w / 4;
  const int boxTop = row.y() + (row.height() - w) / 2;
  const int inset = 3 * w / 10;
  const int left = boxLeft + inset, top = boxTop + inset;
  const int right = boxLeft + w - inset, bottom = boxTop + w;
  const QPoint triangle[] = {{left, top}, {left, bottom}, {(left + right) / 2, (top + bottom) / 2}};
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(triangle, 3);
  p.restore();
}
