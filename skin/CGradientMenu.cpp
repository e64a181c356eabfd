#include "skin/CGradientMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <algorithm>

QEvent::Type GradientMenuEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// Edges are exclusive (right = left + width), and a menu fits only when it
// stays strictly inside them.
QPoint PlaceTopLevelMenu(QPoint at, QSize size, const QRect& screen) {
  const int x = at.x(), y = at.y(), w = size.width(), h = size.height();
  const bool fitsRight = x + w < screen.x() + screen.width();
  const bool fitsBelow = y + h < screen.y() + screen.height();
  const bool fitsLeft = x - w > screen.x();
  const bool fitsAbove = y - h > screen.y();
  if (fitsRight && fitsBelow) return {x, y};
  if (fitsLeft && fitsBelow) return {x - w, y};
  if (fitsRight && fitsAbove) return {x, y - h};
  if (fitsLeft && fitsAbove) return {x - w, y - h};
  return {x, y};
}

std::optional<QPoint> PlaceSubmenu(const QRect& item, QSize size, const QRect& screen) {
  const int w = size.width(), h = size.height();
  const int left = item.x(), right = item.x() + item.width();
  const int top = item.y(), bottom = item.y() + item.height();
  const bool rightOk = right + w < screen.x() + screen.width();
  const bool leftOk = left - w > screen.x();
  const bool downOk = top + h < screen.y() + screen.height();
  const bool upOk = bottom - h > screen.y();
  if (rightOk && downOk) return QPoint(right, top);
  if (rightOk && upOk) return QPoint(right, bottom - h);
  if (leftOk && downOk) return QPoint(left - w, top);
  if (leftOk && upOk) return QPoint(left - w, bottom - h);
  return std::nullopt;
}

int SideBarBandHeight(int height) { return std::max(1, height / 128); }

QColor SideBarBandColour(QColor top, QColor bottom, int k, int height) {
  if (height <= 0) return bottom;
  const int reach = k * SideBarBandHeight(height);
  // The topmost band may reach past the bar's top when the height is not a
  // multiple of the band; keep its channels between the two end colours.
  auto channel = [&](int t, int b) {
    const int c = b + (t - b) * reach / height;
    return std::clamp(c, std::min(t, b), std::max(t, b));
  };
  return QColor(channel(top.red(), bottom.red()), channel(top.green(), bottom.green()),
                channel(top.blue(), bottom.blue()));
}

CGradientMenu::CGradientMenu(int sideBarWidth, bool sideBarOn)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      sideBarWidth_(std::max(0, sideBarWidth)),
      sideBarOn_(sideBarOn) {
  // No QObject parent: the caller owns this object (usually on its stack),
  // so the owner's destruction must not delete it; it only closes the menu.
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFocusPolicy(Qt::NoFocus);
}

CGradientMenu::~CGradientMenu() {
  if (parentMenu_ && parentMenu_->child_ == this) parentMenu_->child_ = nullptr;
}

void CGradientMenu::SetColours(QColor gradientTop, QColor gradientBottom, QColor titleColour) {
  gradientTop_ = gradientTop;
  gradientBottom_ = gradientBottom;
  titleColour_ = titleColour;
}

void CGradientMenu::Notify(GradientMenuEvent& event) {
  if (owner_) QCoreApplication::sendEvent(owner_, &event);
}

void CGradientMenu::PostCommand(int id) {
  CloseChain();
  if (owner_)
    QCoreApplication::postEvent(owner_, new GradientMenuEvent(MenuMessage::WM_COMMAND, id));
}

int CGradientMenu::TrackPopup(int x, int y, QWidget* owner, const QRect* keepClear) {
  if (!owner || !menu_ || menu_->Count() == 0 || loop_) return 0;
  owner_ = owner;
  closing_ = false;
  QEventLoop loop;
  loop_ = &loop;

  GradientMenuEvent init((flags_ & kSubmenu) ? MenuMessage::WM_INITMENUPOPUP
                                             : MenuMessage::WM_INITMENU);
  init.menu = menu_.get();
  Notify(init);
  ownerGone_ = connect(owner, &QObject::destroyed, this, [this] { CloseChain(); });

  strip_ = new CGradientMenuBar(this);
  const QSize items = strip_->Build(*menu_);
  const QSize size(items.width() + sideBarWidth_ + 6, items.height() + 6);
  const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
  QPoint at = PlaceTopLevelMenu({x, y}, size, screen);
  if ((flags_ & kSubmenu) && keepClear) {
    // A submenu that fits on no side is pushed into the screen right of its item.
    const QPoint fallback(
        std::clamp(keepClear->x() + keepClear->width(), screen.x(),
                   std::max(screen.x(), screen.x() + screen.width() - size.width())),
        std::clamp(keepClear->y(), screen.y(),
                   std::max(screen.y(), screen.y() + screen.height() - size.height())));
    at = PlaceSubmenu(*keepClear, size, screen).value_or(fallback);
  }
  setGeometry(QRect(at, size));
  strip_->setGeometry(sideBarWidth_, 0, items.width() + 6, size.height());
  strip_->show();

  winId();  // the native window exists now; keep it with the owner's window
  if (QWindow* ownerWindow = owner->window()->windowHandle())
    windowHandle()->setTransientParent(ownerWindow);
  show();  // topmost by its window flags
  activateWindow();
  strip_->setFocus();
  if (flags_ & kKeyboard) strip_->HighlightFirstItem();
  flags_ &= ~kKeyboard;
  GradientMenuEvent enter(MenuMessage::WM_ENTERMENULOOP);
  Notify(enter);

  if (!closing_) loop.exec();
  loop_ = nullptr;
  Teardown();
  return 1;
}

void CGradientMenu::Teardown() {
  closing_ = true;
  hide();
  delete strip_;
  strip_ = nullptr;
  disconnect(ownerGone_);
  GradientMenuEvent exit(MenuMessage::WM_EXITMENULOOP);
  Notify(exit);
  if (parentMenu_) {
    if (parentMenu_->child_ == this) parentMenu_->child_ = nullptr;
    if (parentMenu_->IsOpen()) {
      parentMenu_->activateWindow();
      if (parentMenu_->strip_) parentMenu_->strip_->setFocus();
    }
  }
}

void CGradientMenu::CloseMenu() {
  if (!IsOpen()) return;
  closing_ = true;
  if (child_) child_->CloseMenu();
  child_ = nullptr;
  if (parentMenu_ && parentMenu_->child_ == this) parentMenu_->child_ = nullptr;
  hide();
  loop_->exit();
}

void CGradientMenu::CloseChain() {
  CGradientMenu* top = this;
  while (top->parentMenu_) top = top->parentMenu_;
  top->CloseMenu();
  CloseMenu();  // in case the chain above had already started closing
}

void CGradientMenu::OpenSubmenu(int index, bool fromKeyboard) {
  if (!IsOpen() || !strip_ || index < 0 || index >= strip_->ItemCount()) return;
  const MenuItem& item = strip_->Item(index);
  if (!item.subMenu) return;
  // The item's rectangle on the screen, widened left by the side bar and the
  // strip's margin so that a submenu opening leftwards clears this whole menu.
  QRect keepClear(strip_->mapToGlobal(strip_->ItemRect(index).topLeft()),
                  strip_->ItemRect(index).size());
  keepClear.setLeft(keepClear.left() - sideBarWidth_ - CGradientMenuBar::kMargin);

  CGradientMenu sub(sideBarOn_ ? sideBarWidth_ : 0, sideBarOn_);
  sub.Attach(item.subMenu);
  sub.SetTitle(StripMnemonics(item.text));
  sub.SetColours(gradientTop_, gradientBottom_, titleColour_);
  sub.flags_ = kSubmenu | (fromKeyboard ? kKeyboard : 0u);
  sub.parentMenu_ = this;
  child_ = &sub;
  sub.TrackPopup(keepClear.x(), keepClear.y(), owner_, &keepClear);
  if (child_ == &sub) child_ = nullptr;
}

void CGradientMenu::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintSideBar(p);
}

void CGradientMenu::PaintSideBar(QPainter& p) const {
  if (sideBarWidth_ <= 0) return;
  const int h = height();
  const int band = SideBarBandHeight(h);
  int k = 1;
  for (int bandBottom = h; bandBottom > 0; bandBottom -= band, ++k) {
    const int bandTop = std::max(0, bandBottom - band);
    p.fillRect(QRect(0, bandTop, sideBarWidth_, bandBottom - bandTop),
               SideBarBandColour(gradientTop_, gradientBottom_, k, h));
  }
  if (title_.isEmpty()) return;
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);  // fontconfig finds a substitute
  font.setPixelSize(14);
  font.setWeight(QFont::DemiBold);  // weight 600
  p.save();
  p.setFont(font);
  p.setPen(titleColour_);
  // Rotated a quarter turn so that the title reads upwards from the bottom,
  // its top towards the bar's left edge (moved in by 2 pixels).
  p.translate(2, h);
  p.rotate(-90);
  p.drawText(QRect(0, 0, h, sideBarWidth_ - 2), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             title_);
  p.restore();
}

void CGradientMenu::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && IsOpen())
    // Decide once the new active window is known: another menu of the chain
    // keeps this one open, anything else (or nothing) closes the chain.
    QMetaObject::invokeMethod(this, &CGradientMenu::CheckDeactivation, Qt::QueuedConnection);
}

void CGradientMenu::CheckDeactivation() {
  if (!IsOpen() || isActiveWindow()) return;
  if (qobject_cast<CGradientMenu*>(QApplication::activeWindow())) return;
  CloseChain();
}

void CGradientMenu::closeEvent(QCloseEvent* event) {
  CloseChain();
  event->accept();
}

void SetPaneMenuLook(CGradientMenu& menu) {
  menu.SetColours(QColor(4, 63, 112), QColor(56, 174, 112), QColor(255, 255, 255));
  menu.SetTitle(QStringLiteral("Media"));
}

int ShowPaneMenu(int menuId, bool detailView, QPoint screenPos, QWidget* owner) {
  std::shared_ptr<MenuResource> items = BuildPaneMenu(menuId, detailView);
  if (!items) return 0;
  CGradientMenu menu(18, true);
  menu.Attach(std::move(items));
  SetPaneMenuLook(menu);
  return menu.TrackPopup(screenPos.x(), screenPos.y(), owner);
}
