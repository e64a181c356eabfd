// The busy dialog (448 x 280): background 117 with the product title, the
// blinking "Loading..." picture 118 and the eight frames 119-126 of its strip.
// The dialog places 118 at BusyLoadingOrigin() and the strip at BusyStripOrigin();
// 117 is plain where they sit, so the blink shows bare background.
#include "tools/artgen/Art.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace artgen {
namespace {

const QColor kWell(22, 38, 62);

}  // namespace

QPoint BusyLoadingOrigin() { return QPoint(141, 150); }
QPoint BusyStripOrigin() { return QPoint(41, 222); }

void PaintBusyBackground(QPainter& p) {
  const QRect all(0, 0, 448, 280);
  QLinearGradient g(0, 0, 0, 280);
  g.setColorAt(0, QColor(58, 96, 142));
  g.setColorAt(0.55, QColor(30, 58, 98));
  g.setColorAt(1, QColor(18, 36, 64));
  p.fillRect(all, g);
  // A broad soft arc behind the title.
  QPainterPath arc;
  arc.moveTo(0, 118);
  arc.cubicTo(140, 70, 300, 70, 448, 112);
  arc.lineTo(448, 0);
  arc.lineTo(0, 0);
  arc.closeSubpath();
  p.fillPath(arc, QColor(255, 255, 255, 22));

  p.save();
  p.translate(40, 34);
  PaintAppIcon(p, 64);
  p.restore();
  QFont title = UiFont(34, true);
  p.setFont(title);
  p.setPen(QColor(6, 16, 34, 160));
  p.drawText(QPoint(122, 76), "Orin Media 5.1");
  p.setPen(QColor(255, 255, 255));
  p.drawText(QPoint(120, 74), "Orin Media 5.1");
  p.setFont(UiFont(12, false));
  p.setPen(QColor(170, 198, 230));
  p.drawText(QPoint(123, 96), "for the USB Digital Video Camera");

  // Well for the strip, a thin line above it.
  const QPoint s = BusyStripOrigin();
  p.fillRect(QRect(s.x() - 3, s.y() - 3, 372, 16), QColor(12, 24, 44));
  p.fillRect(QRect(s.x() - 2, s.y() - 2, 370, 14), kWell);
  p.fillRect(QRect(24, 130, 400, 1), QColor(120, 156, 200, 90));
  p.setFont(UiFont(10, false));
  p.setPen(QColor(140, 168, 204));
  p.drawText(QRect(0, 248, 448, 20), Qt::AlignCenter, "Please wait while the camera is being prepared.");
  // Outer frame.
  p.setPen(QPen(QColor(10, 20, 36), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(1, 1, 446, 278));
}

void PaintBusyLoading(QPainter& p, const QRect& r) {
  QFont f = UiFont(26, true);
  f.setItalic(true);
  p.setFont(f);
  p.setPen(QColor(4, 12, 28, 170));
  p.drawText(r.translated(2, 2), Qt::AlignCenter, "Loading...");
  p.setPen(QColor(255, 226, 120));
  p.drawText(r, Qt::AlignCenter, "Loading...");
}

// Twenty-four cells; a bright comet of four cells travels along the strip, one
// eighth of its length per frame, so eight frames make one smooth loop.
void PaintBusyStrip(QPainter& p, const QRect& r, int frame) {
  p.fillRect(r, kWell);
  const int cells = 24;
  const qreal pitch = r.width() / qreal(cells);
  const int head = frame * cells / 8;
  for (int i = 0; i < cells; ++i) {
    const int behind = (head - i + cells) % cells;
    const qreal glow = behind < 4 ? 1.0 - behind * 0.24 : 0.0;
    QColor c(QColor::fromRgbF(0.16 + 0.40 * glow, 0.30 + 0.62 * glow, 0.46 + 0.40 * glow));
    QRectF cell(r.left() + i * pitch + 1, r.top() + 1, pitch - 2, r.height() - 2);
    QLinearGradient g(cell.topLeft(), cell.bottomLeft());
    g.setColorAt(0, c.lighter(130));
    g.setColorAt(1, c.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(cell, 1.5, 1.5);
  }
}

}  // namespace artgen
