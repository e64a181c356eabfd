#include "skin/CSkinButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include "resources/Resources.h"

void SkinTooltip::Set(QWidget* owner, const QString& text, bool activate) {
  if (text.isEmpty()) return;
  text_ = text;
  active_ = activate;
  owner->setToolTip(active_ ? text_ : QString());
}

CSkinButton::CSkinButton(QWidget* parent) : QPushButton(parent) {
  setFlat(true);
  // Enter and Space belong to the window's own key handling, not to a default button.
  setAutoDefault(false);
  setMouseTracking(true);
  SetDefaultColors(false);
}

namespace {
constexpr QRgb kWhite = 0xFFFFFFu;
}  // namespace

// Makes the slot's prepared pictures: the face with every pixel of the
// transparent colour cleared (the mask lives in its alpha), and the picture on
// white through the same mask, from which the disabled look is made.
int CSkinButton::MakeSlot(const QImage& picture, QRgb transparent, Slot& slot) {
  if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) return BTNST_INVALIDRESOURCE;
  QImage face = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage onWhite = picture.convertToFormat(QImage::Format_RGB32);
  if (face.isNull() || onWhite.isNull()) return BTNST_FAILEDMASK;
  const QRgb key = transparent & 0xFFFFFFu;
  for (int y = 0; y < face.height(); ++y) {
    auto* faceLine = reinterpret_cast<QRgb*>(face.scanLine(y));
    auto* whiteLine = reinterpret_cast<QRgb*>(onWhite.scanLine(y));
    for (int x = 0; x < face.width(); ++x) {
      if ((whiteLine[x] & 0xFFFFFFu) != key) continue;
      faceLine[x] = 0;
      whiteLine[x] = 0xFF000000u | kWhite;
    }
  }
  slot.face = QPixmap::fromImage(face);
  slot.onWhite = onWhite;
  return slot.face.isNull() ? BTNST_FAILEDMASK : BTNST_OK;
}

// The embossed look of a disabled control: every pixel that is not white
// on the composed picture is "ink"; ink is drawn in the shadow colour with a
// highlight copy one pixel down and right, everything else stays clear.
QPixmap CSkinButton::MakeDisabledFace(const QImage& onWhite) const {
  const QRgb shadow = palette().color(QPalette::Disabled, QPalette::Dark).rgb();
  const QRgb highlight = palette().color(QPalette::Disabled, QPalette::Light).rgb();
  auto ink = [&](int x, int y) {
    return x >= 0 && y >= 0 && (onWhite.pixel(x, y) & 0xFFFFFFu) != kWhite;
  };
  QImage out(onWhite.size(), QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      line[x] = ink(x, y) ? shadow : ink(x - 1, y - 1) ? highlight : 0;
  }
  return QPixmap::fromImage(out);
}

void CSkinButton::MakeDisabledFaces() {
  for (Slot& slot : slots_)
    if (!slot.Empty()) slot.disabledFace = MakeDisabledFace(slot.onWhite);
}

void CSkinButton::FreeBitmaps() {
  for (Slot& slot : slots_) slot = Slot{};
}

int CSkinButton::SetBitmaps(int hoverId, QRgb hoverTransparent, int normalId,
                            QRgb normalTransparent) {
  const QImage hover = resources::BitmapImage(hoverId);
  if (normalId == 0) return SetBitmaps(hover, hoverTransparent, QImage(), 0);
  const QImage normal = resources::BitmapImage(normalId);
  if (normal.isNull()) {
    // A normal bitmap was asked for but is missing: that is a failure, not "none".
    FreeBitmaps();
    update();
    return BTNST_INVALIDRESOURCE;
  }
  return SetBitmaps(hover, hoverTransparent, normal, normalTransparent);
}

int CSkinButton::SetBitmaps(const QImage& hover, QRgb hoverTransparent, const QImage& normal,
                            QRgb normalTransparent) {
  FreeBitmaps();
  int result = MakeSlot(hover, hoverTransparent, slots_[0]);
  if (result == BTNST_OK && !normal.isNull()) result = MakeSlot(normal, normalTransparent, slots_[1]);
  if (result != BTNST_OK)
    FreeBitmaps();
  else
    MakeDisabledFaces();
  update();
  return result;
}

void CSkinButton::SetBorder(bool on, bool repaint) {
  drawBorder_ = on;
  if (repaint) update();
}

void CSkinButton::SetTooltipText(int stringId, bool activate) {
  SetTooltipText(resources::String(stringId), activate);
}

void CSkinButton::SetTooltipText(const QString& text, bool activate) {
  tooltip_.Set(this, text, activate);
}

void CSkinButton::DrawTransparent(bool repaint) {
  transparent_ = true;
  savedBackground_ = QPixmap();
  if (repaint) update();
}

void CSkinButton::SetDefaultColors(bool repaint) {
  const QColor face = palette().color(QPalette::Button);
  const QColor text = palette().color(QPalette::ButtonText);
  for (ColourPair& pair : colours_) pair = {face, text};
  if (repaint) update();
}

bool CSkinButton::IsPressed() const {
  return isDown() || (isCheckable() && isChecked());
}

// The parent's own pixels under the button, without any of its children.
void CSkinButton::CaptureBackground() {
  const qreal ratio = devicePixelRatioF();
  QPixmap background(size() * ratio);
  background.setDevicePixelRatio(ratio);
  background.fill(palette().color(QPalette::Button));
  if (QWidget* parent = parentWidget())
    parent->render(&background, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
  savedBackground_ = background;
}

void CSkinButton::DrawBackground(QPainter& painter, const QRect& face) {
  const int pair = (hover_ || IsPressed()) ? COLOUR_HOVER : hasFocus() ? COLOUR_FOCUS : COLOUR_NORMAL;
  painter.fillRect(face, colours_[pair].background);
}

void CSkinButton::DrawBorder(QPainter& painter, const QRect& face) {
  qDrawShadeRect(&painter, face, palette(), IsPressed(), 1, 0);
}

void CSkinButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect face = rect();
  const bool pressed = IsPressed();
  const bool focused = hasFocus();
  const bool disabled = !isEnabled();

  if (!isFlat() && (focused || isDefault())) {
    painter.setPen(Qt::black);
    painter.drawRect(face.adjusted(0, 0, -1, -1));
    face.adjust(1, 1, -1, -1);
  }

  if (transparent_) {
    if (savedBackground_.isNull()) CaptureBackground();
    painter.drawPixmap(0, 0, savedBackground_);
  } else {
    DrawBackground(painter, face);
  }

  if (!isFlat()) {
    if (pressed) {
      painter.setPen(palette().color(QPalette::Dark));
      painter.drawRect(face.adjusted(0, 0, -1, -1));
    } else {
      qDrawWinButton(&painter, face, palette(), false, nullptr);
    }
  } else if (drawBorder_ && (pressed || hover_)) {
    DrawBorder(painter, face);
  }

  // Slot 0 while hovered or pressed (in check mode only while pressed), and
  // always when there is no normal bitmap.
  const bool showHover = isCheckable() ? pressed : (pressed || hover_);
  const Slot& slot = (showHover || slots_[1].Empty()) ? slots_[0] : slots_[1];
  const int shift = (pressed && !isCheckable()) ? 1 : 0;
  if (!slot.Empty()) {
    const QSize picture = slot.face.deviceIndependentSize().toSize();
    const QPoint at(face.x() + (face.width() - picture.width()) / 2 + shift,
                    face.y() + (face.height() - picture.height()) / 2 + shift);
    painter.drawPixmap(at, (disabled && showDisabledBitmap_) ? slot.disabledFace : slot.face);
  }

  if (!text().isEmpty()) {
    const int pair = (hover_ || pressed) ? COLOUR_HOVER : focused ? COLOUR_FOCUS : COLOUR_NORMAL;
    const QRect area = face.translated(shift, shift);
    if (disabled) {
      painter.setPen(palette().color(QPalette::Disabled, QPalette::Light));
      painter.drawText(area.translated(1, 1), Qt::AlignCenter, text());
      painter.setPen(palette().color(QPalette::Disabled, QPalette::Dark));
    } else {
      painter.setPen(colours_[pair].text);
    }
    painter.drawText(area, Qt::AlignCenter, text());
  }

  if (!isFlat() && focused) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = face.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
  QPushButton::mouseMoveEvent(event);
  if (!isFlat()) return;
  // A left button held from elsewhere must not light up the buttons it slides over.
  if ((event->buttons() & Qt::LeftButton) && !hover_) return;
  if (!rect().contains(event->position().toPoint())) {
    EndHover();
    return;
  }
  if (!hover_ && (alwaysTrack_ || QApplication::activeWindow())) {
    hover_ = true;
    update();
  }
}

// A double-click is a second press, so that it gives a second click.
void CSkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    mousePressEvent(event);
  else
    QPushButton::mouseDoubleClickEvent(event);
}

void CSkinButton::EndHover() {
  if (!isFlat() || !hover_) return;
  hover_ = false;
  update();
}

void CSkinButton::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  EndHover();
}

void CSkinButton::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  EndHover();
}

void CSkinButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  switch (event->type()) {
    case QEvent::EnabledChange:
      // Qt itself moves the keyboard focus on when a focused widget is disabled.
      if (!isEnabled()) EndHover();
      break;
    case QEvent::PaletteChange:
      savedBackground_ = QPixmap();
      MakeDisabledFaces();
      update();
      break;
    default:
      break;
  }
}

// Qt hands the window's deactivation on to every visible child.
bool CSkinButton::event(QEvent* event) {
  if (event->type() == QEvent::WindowDeactivate) EndHover();
  return QPushButton::event(event);
}

// The skin behind the button is another one once the button has moved or grown.
void CSkinButton::moveEvent(QMoveEvent* event) {
  QPushButton::moveEvent(event);
  savedBackground_ = QPixmap();
}

void CSkinButton::resizeEvent(QResizeEvent* event) {
  QPushButton::resizeEvent(event);
  savedBackground_ = QPixmap();
}
