// The 16 x 16 pane icons and the program icon. Small pictures are laid on the
// pixel grid (half-pixel strokes) so that they stay crisp at 1:1.
#include "tools/artgen/Art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace artgen {
namespace {

void Folder(QPainter& p, const QRect& c) {
  const qreal x = c.left(), y = c.top();
  QPainterPath back;
  back.moveTo(x + 1.5, y + 3.5);
  back.lineTo(x + 6.5, y + 3.5);
  back.lineTo(x + 7.5, y + 4.5);
  back.lineTo(x + 14.5, y + 4.5);
  back.lineTo(x + 14.5, y + 13.5);
  back.lineTo(x + 1.5, y + 13.5);
  back.closeSubpath();
  p.setPen(QPen(QColor(150, 110, 20), 1));
  p.setBrush(QColor(238, 196, 82));
  p.drawPath(back);
  QLinearGradient g(x, y + 6, x, y + 14);
  g.setColorAt(0, QColor(255, 232, 140));
  g.setColorAt(1, QColor(246, 200, 70));
  p.setBrush(g);
  p.drawRect(QRectF(x + 1.5, y + 6.5, 13, 7));
}

void Arrow(QPainter& p, const QRect& c) {
  QPainterPath a;
  const qreal x = c.left(), y = c.top();
  a.moveTo(x + 8, y + 5.5);
  a.lineTo(x + 12.5, y + 10);
  a.lineTo(x + 10, y + 10);
  a.lineTo(x + 10, y + 14.5);
  a.lineTo(x + 6, y + 14.5);
  a.lineTo(x + 6, y + 10);
  a.lineTo(x + 3.5, y + 10);
  a.closeSubpath();
  p.setPen(QPen(QColor(16, 90, 24), 1));
  p.setBrush(QColor(60, 190, 60));
  p.drawPath(a);
}

void Page(QPainter& p, const QRect& c, bool lines) {
  const qreal x = c.left(), y = c.top();
  QPainterPath page;
  page.moveTo(x + 3.5, y + 1.5);
  page.lineTo(x + 9.5, y + 1.5);
  page.lineTo(x + 12.5, y + 4.5);
  page.lineTo(x + 12.5, y + 14.5);
  page.lineTo(x + 3.5, y + 14.5);
  page.closeSubpath();
  p.setPen(QPen(QColor(96, 110, 130), 1));
  p.setBrush(QColor(252, 253, 255));
  p.drawPath(page);
  QPainterPath fold;
  fold.moveTo(x + 9.5, y + 1.5);
  fold.lineTo(x + 9.5, y + 4.5);
  fold.lineTo(x + 12.5, y + 4.5);
  p.setBrush(QColor(214, 222, 234));
  p.drawPath(fold);
  if (lines) {
    p.setPen(QPen(QColor(150, 170, 196), 1));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(x + 5, y + 7.5 + 2 * i), QPointF(x + 11, y + 7.5 + 2 * i));
  }
}

void DriveBox(QPainter& p, const QRect& c, QColor led) {
  const qreal x = c.left(), y = c.top();
  QLinearGradient g(x, y + 6, x, y + 13);
  g.setColorAt(0, QColor(236, 240, 246));
  g.setColorAt(1, QColor(166, 176, 190));
  p.setPen(QPen(QColor(70, 80, 96), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(x + 1.5, y + 5.5, 13, 7), 1.5, 1.5);
  p.setPen(QPen(QColor(120, 130, 146), 1));
  p.drawLine(QPointF(x + 3, y + 9.5), QPointF(x + 9, y + 9.5));
  p.setPen(Qt::NoPen);
  p.setBrush(led);
  p.drawRect(QRectF(x + 11, y + 9, 2, 2));
}

// A removable disk: a dark cartridge with a metal shutter and a white label.
void RemovableDrive(QPainter& p, const QRect& c) {
  const qreal x = c.left(), y = c.top();
  p.setPen(QPen(QColor(16, 30, 60), 1));
  p.setBrush(QColor(46, 76, 140));
  p.drawRoundedRect(QRectF(x + 1.5, y + 1.5, 13, 13), 1, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(206, 212, 222));
  p.drawRect(QRectF(x + 5, y + 2, 6, 4));
  p.setBrush(QColor(60, 70, 90));
  p.drawRect(QRectF(x + 8, y + 3, 2, 2));
  p.setBrush(QColor(250, 250, 252));
  p.drawRect(QRectF(x + 4, y + 9, 8, 5));
}

void CdRom(QPainter& p, const QRect& c) {
  QRectF disc(c.left() + 1.5, c.top() + 1.5, 13, 13);
  QRadialGradient g(disc.center() + QPointF(-2, -2), 9);
  g.setColorAt(0, QColor(255, 255, 255));
  g.setColorAt(0.5, QColor(200, 220, 240));
  g.setColorAt(0.8, QColor(230, 200, 240));
  g.setColorAt(1, QColor(170, 184, 204));
  p.setPen(QPen(QColor(90, 100, 120), 1));
  p.setBrush(g);
  p.drawEllipse(disc);
  p.setBrush(QColor(255, 255, 255));
  p.drawEllipse(QRectF(c.left() + 6.5, c.top() + 6.5, 3, 3));
}

void MemoryStick(QPainter& p, const QRect& c) {
  const qreal x = c.left(), y = c.top();
  QLinearGradient g(x, y + 4, x, y + 12);
  g.setColorAt(0, QColor(110, 96, 200));
  g.setColorAt(1, QColor(50, 36, 130));
  p.setPen(QPen(QColor(28, 20, 80), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(x + 0.5, y + 4.5, 15, 7), 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(232, 196, 80));
  for (int i = 0; i < 3; ++i) p.drawRect(QRectF(x + 2, y + 6 + 1.5 * i, 2, 1));
  p.setBrush(QColor(230, 234, 246));
  p.drawRect(QRectF(x + 6, y + 6, 7, 4));
}

void Movie(QPainter& p, const QRect& c) {
  const qreal x = c.left(), y = c.top();
  p.setPen(QPen(QColor(20, 24, 36), 1));
  p.setBrush(QColor(44, 50, 66));
  p.drawRect(QRectF(x + 1.5, y + 2.5, 13, 11));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(230, 234, 240));
  for (int i = 0; i < 4; ++i) {
    p.drawRect(QRectF(x + 3 + 3 * i, y + 3, 2, 1));
    p.drawRect(QRectF(x + 3 + 3 * i, y + 12, 2, 1));
  }
  QLinearGradient g(x, y + 5, x, y + 11);
  g.setColorAt(0, QColor(110, 190, 255));
  g.setColorAt(1, QColor(40, 110, 210));
  p.setBrush(g);
  p.drawRect(QRectF(x + 2, y + 5, 12, 6));
  p.setBrush(QColor(255, 255, 255));
  QPainterPath tri;
  tri.moveTo(x + 6.5, y + 6);
  tri.lineTo(x + 10, y + 8);
  tri.lineTo(x + 6.5, y + 10);
  tri.closeSubpath();
  p.drawPath(tri);
}

void Photo(QPainter& p, const QRect& c) {
  const qreal x = c.left(), y = c.top();
  p.setPen(QPen(QColor(80, 90, 110), 1));
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(QRectF(x + 0.5, y + 2.5, 15, 11));
  QLinearGradient sky(x, y + 4, x, y + 12);
  sky.setColorAt(0, QColor(110, 180, 250));
  sky.setColorAt(1, QColor(190, 226, 255));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRect(QRectF(x + 2, y + 4, 12, 8));
  QPainterPath hills;
  hills.moveTo(x + 2, y + 12);
  hills.lineTo(x + 6, y + 7);
  hills.lineTo(x + 9, y + 10);
  hills.lineTo(x + 11, y + 8);
  hills.lineTo(x + 14, y + 12);
  hills.closeSubpath();
  p.setBrush(QColor(52, 150, 56));
  p.drawPath(hills);
  p.setBrush(QColor(255, 214, 60));
  p.drawEllipse(QRectF(x + 10.5, y + 4.5, 2.5, 2.5));
}

}  // namespace

void PaintCell(QPainter& p, const QRect& cell, Glyph g) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  switch (g) {
    case Glyph::Folder: Folder(p, cell); break;
    case Glyph::FolderUp: Folder(p, cell); Arrow(p, cell); break;
    case Glyph::Page: Page(p, cell, true); break;
    case Glyph::FixedDrive: DriveBox(p, cell, QColor(60, 210, 70)); break;
    case Glyph::RemovableDrive: RemovableDrive(p, cell); break;
    case Glyph::CdRom: CdRom(p, cell); break;
    case Glyph::MemoryStick: MemoryStick(p, cell); break;
    case Glyph::Movie: Movie(p, cell); break;
    case Glyph::Photo: Photo(p, cell); break;
  }
  p.restore();
}

namespace {

// At 16 and 24 pixels the full drawing turns to mush: a plain camcorder
// silhouette on the tile, laid on whole pixels of a 16-pixel grid.
void PaintSmallAppIcon(QPainter& p, int size) {
  p.save();
  p.scale(size / 16.0, size / 16.0);
  QLinearGradient tg(0, 0, 0, 16);
  tg.setColorAt(0, QColor(92, 156, 228));
  tg.setColorAt(1, QColor(20, 62, 130));
  p.setPen(QPen(QColor(12, 34, 76), 1));
  p.setBrush(tg);
  p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 40, 60));
  p.drawRect(QRectF(2, 5, 9, 7));
  p.drawRect(QRectF(4, 3, 4, 2));
  p.setBrush(QColor(244, 248, 255));
  p.drawRect(QRectF(3, 6, 7, 5));
  QPainterPath hood;
  hood.moveTo(11, 7);
  hood.lineTo(14, 5);
  hood.lineTo(14, 12);
  hood.lineTo(11, 10);
  hood.closeSubpath();
  p.setBrush(QColor(196, 206, 222));
  p.drawPath(hood);
  p.setBrush(QColor(236, 40, 32));
  p.drawRect(QRectF(8, 7, 1, 1));
  p.setBrush(QColor(86, 70, 190));
  p.drawRect(QRectF(4, 9, 4, 1));
  p.restore();
}

}  // namespace

// A camcorder on a rounded blue tile, with a Memory Stick in its side.
void PaintAppIcon(QPainter& p, int size) {
  if (size <= 24) return PaintSmallAppIcon(p, size);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(size / 64.0, size / 64.0);
  QRectF tile(2, 2, 60, 60);
  QLinearGradient tg(tile.topLeft(), tile.bottomLeft());
  tg.setColorAt(0, QColor(92, 156, 228));
  tg.setColorAt(1, QColor(20, 62, 130));
  p.setPen(QPen(QColor(12, 34, 76), 2));
  p.setBrush(tg);
  p.drawRoundedRect(tile, 12, 12);
  QLinearGradient gloss(0, 3, 0, 32);
  gloss.setColorAt(0, QColor(255, 255, 255, 110));
  gloss.setColorAt(1, QColor(255, 255, 255, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(gloss);
  p.drawRoundedRect(QRectF(5, 4, 54, 28), 10, 10);

  // Body.
  QLinearGradient bg(0, 22, 0, 48);
  bg.setColorAt(0, QColor(250, 252, 255));
  bg.setColorAt(1, QColor(176, 188, 206));
  p.setPen(QPen(QColor(30, 40, 60), 2));
  p.setBrush(bg);
  p.drawRoundedRect(QRectF(10, 22, 32, 24), 5, 5);
  // Lens hood.
  QPainterPath hood;
  hood.moveTo(42, 27);
  hood.lineTo(54, 21);
  hood.lineTo(54, 47);
  hood.lineTo(42, 41);
  hood.closeSubpath();
  p.setBrush(QColor(60, 70, 90));
  p.drawPath(hood);
  QRadialGradient lens(QPointF(49, 32), 7);
  lens.setColorAt(0, QColor(170, 220, 255));
  lens.setColorAt(1, QColor(20, 50, 110));
  p.setBrush(lens);
  p.setPen(QPen(QColor(20, 26, 40), 1.5));
  p.drawEllipse(QPointF(49, 34), 4.5, 6.5);
  // Viewfinder and record light.
  p.setBrush(QColor(60, 70, 90));
  p.setPen(QPen(QColor(30, 40, 60), 2));
  p.drawRoundedRect(QRectF(14, 14, 14, 8), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(236, 40, 32));
  p.drawEllipse(QPointF(36, 28), 2.6, 2.6);
  // Memory Stick.
  p.setBrush(QColor(86, 70, 190));
  p.setPen(QPen(QColor(28, 20, 80), 1.5));
  p.drawRoundedRect(QRectF(14, 36, 20, 6), 1.5, 1.5);
  p.restore();
}

}  // namespace artgen
