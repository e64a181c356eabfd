#include "skin/CSkinLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr char kEllipsis[] = "...";

QFont::StyleHint HintFor(const QString& faceName) {
  return faceName.compare("Fixedsys", Qt::CaseInsensitive) == 0 ? QFont::Monospace : QFont::SansSerif;
}

// The longest start of `text` that fits `width` with "..." after it.
QString EllipsizeEnd(const QString& text, const QFontMetrics& metrics, int width) {
  for (qsizetype keep = text.size(); keep > 0; --keep) {
    QString candidate = text.left(keep) + kEllipsis;
    if (metrics.horizontalAdvance(candidate) <= width) return candidate;
  }
  return kEllipsis;
}

}  // namespace

QFont SkinFont(const QString& faceName) {
  QFont font(faceName);
  font.setStyleHint(HintFor(faceName));
  return font;
}

int PointsToPixels(int points) {
  return (points * 96 + 36) / 72;
}

QString CompactPath(const QString& path, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  // The last component, with its separator; a trailing "/" belongs to it.
  const qsizetype cut = path.lastIndexOf('/', path.size() - 2);
  if (cut <= 0) return EllipsizeEnd(path, metrics, width);
  const QString tail = path.mid(cut);
  for (qsizetype keep = cut - 1; keep > 0; --keep) {
    QString candidate = path.left(keep) + kEllipsis + tail;
    if (metrics.horizontalAdvance(candidate) <= width) return candidate;
  }
  const QString shortest = kEllipsis + tail;
  return metrics.horizontalAdvance(shortest) <= width ? shortest : EllipsizeEnd(shortest, metrics, width);
}

CSkinLabel::CSkinLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  textColour_ = palette().color(QPalette::WindowText);
  defaultColour_ = palette().color(QPalette::Button);
  fontDescription_ = font();
}

void CSkinLabel::SetBkColor(const QColor& colour) {
  backColour_ = colour;
  Redraw();
}

void CSkinLabel::SetTextColor(const QColor& colour) {
  textColour_ = colour;
  Redraw();
}

void CSkinLabel::SetText(const QString& text) {
  setText(text);
  Redraw();
}

void CSkinLabel::SetFontBold(bool on) {
  fontDescription_.setWeight(on ? QFont::Bold : QFont::Normal);
  RemakeFont();
}

void CSkinLabel::SetFontName(const QString& faceName) {
  fontDescription_.setFamily(faceName);
  fontDescription_.setStyleHint(HintFor(faceName));
  RemakeFont();
}

void CSkinLabel::SetFontUnderline(bool on) {
  fontDescription_.setUnderline(on);
  RemakeFont();
}

void CSkinLabel::SetFontItalic(bool on) {
  fontDescription_.setItalic(on);
  RemakeFont();
}

// The window is laid out in pixels, so the point size is turned into pixels
// on its 96-dpi grid rather than on the screen's resolution.
void CSkinLabel::SetFontSize(int points) {
  fontDescription_.setPixelSize(PointsToPixels(points));
  RemakeFont();
}

void CSkinLabel::SetSunken(bool on) {
  setFrameStyle(on ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
  Redraw();
}

void CSkinLabel::SetBorder(bool on) {
  setFrameStyle(on ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
  Redraw();
}

void CSkinLabel::SetTransparent(bool on) {
  transparent_ = on;
  Redraw();
}

void CSkinLabel::SetTooltipText(const QString& text, bool activate) {
  tooltip_.Set(this, text, activate);
}

void CSkinLabel::RemakeFont() {
  setFont(fontDescription_);
  Redraw();
}

// Qt paints the parent under a label that is not opaque before the label, so
// a plain update also wipes the old text of a transparent label off the skin.
void CSkinLabel::Redraw() {
  update();
}

QString CSkinLabel::DisplayText() const {
  // Measured in the label's own font: that is the font the text is drawn in.
  return CompactPath(text().left(1024), QFontMetrics(font()), contentsRect().width());
}

int CSkinLabel::TextFlags(const QString& text) const {
  const Qt::Alignment align = alignment();
  int flags;
  if (align & Qt::AlignHCenter)
    flags = Qt::AlignHCenter | Qt::TextWordWrap;
  else if (align & Qt::AlignRight)
    flags = Qt::AlignRight | Qt::TextWordWrap;
  else
    flags = Qt::AlignLeft | (wordWrap() ? Qt::TextWordWrap : 0);

  // A vertically centred label is a single-line one.
  if (align & Qt::AlignVCenter) {
    if (!text.contains('\n')) return (flags & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine;
    return Qt::AlignLeft | Qt::AlignTop;
  }
  flags |= Qt::AlignTop;
  if (text.contains('\t')) flags |= Qt::TextExpandTabs;
  return flags;
}

void CSkinLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!transparent_) painter.fillRect(rect(), backColour_.isValid() ? backColour_ : defaultColour_);
  drawFrame(&painter);
  const QString text = DisplayText();
  painter.setFont(font());
  painter.setPen(textColour_);
  painter.drawText(contentsRect(), TextFlags(text), text);
}

void CSkinLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    defaultColour_ = palette().color(QPalette::Button);
    Redraw();
  }
}
