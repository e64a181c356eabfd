// Faces and signs of the skinned buttons, and the small decorations beside them.
#include "tools/artgen/Art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace artgen {
namespace {

struct Tones {
  QColor light, mid, dark, rim;
};

Tones TonesOf(Face f, bool hover, bool greyed) {
  if (greyed) return {QColor(196, 204, 214), QColor(150, 160, 174), QColor(112, 122, 138), QColor(84, 94, 110)};
  switch (f) {
    case Face::Blue:
      return hover ? Tones{QColor(150, 206, 255), QColor(60, 140, 232), QColor(22, 82, 176), QColor(10, 40, 96)}
                   : Tones{QColor(118, 178, 240), QColor(42, 112, 204), QColor(18, 64, 146), QColor(10, 34, 84)};
    case Face::Green:
      return hover ? Tones{QColor(170, 240, 140), QColor(72, 184, 64), QColor(28, 122, 32), QColor(12, 66, 18)}
                   : Tones{QColor(136, 214, 112), QColor(54, 158, 50), QColor(24, 104, 28), QColor(12, 58, 16)};
    case Face::Orange:
      return hover ? Tones{QColor(255, 214, 140), QColor(250, 150, 40), QColor(200, 92, 12), QColor(110, 46, 6)}
                   : Tones{QColor(255, 200, 120), QColor(240, 136, 30), QColor(188, 82, 10), QColor(100, 40, 6)};
  }
  return {};
}

QColor SignColour(bool greyed) { return greyed ? QColor(236, 240, 244) : QColor(255, 255, 255); }

// A film frame: a white rectangle with sprocket holes along top and bottom and
// an open picture window in the middle.
QPainterPath FilmFrame(const QRectF& r) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  path.addRoundedRect(r, 1.5, 1.5);
  const qreal hole = r.height() * 0.14;
  QRectF window = r.adjusted(r.width() * 0.14, hole * 2.1, -r.width() * 0.14, -hole * 2.1);
  path.addRect(window);
  const int holes = 4;
  const qreal step = r.width() / holes;
  for (int i = 0; i < holes; ++i) {
    const qreal x = r.left() + step * i + (step - hole * 1.3) / 2;
    path.addRect(QRectF(x, r.top() + hole * 0.55, hole * 1.3, hole));
    path.addRect(QRectF(x, r.bottom() - hole * 1.55, hole * 1.3, hole));
  }
  return path;
}

void DrawPicture(QPainter& p, const QRectF& r, const Tones& t, bool greyed) {
  p.setPen(Qt::NoPen);
  p.setBrush(SignColour(greyed));
  p.drawRoundedRect(r, 1.5, 1.5);
  QRectF inner = r.adjusted(2, 2, -2, -2);
  p.setBrush(greyed ? QColor(170, 180, 192) : QColor(90, 170, 240));
  p.drawRect(inner);
  QPainterPath hills;
  hills.moveTo(inner.bottomLeft());
  hills.lineTo(inner.left() + inner.width() * 0.35, inner.top() + inner.height() * 0.40);
  hills.lineTo(inner.left() + inner.width() * 0.55, inner.top() + inner.height() * 0.70);
  hills.lineTo(inner.left() + inner.width() * 0.75, inner.top() + inner.height() * 0.50);
  hills.lineTo(inner.bottomRight());
  hills.closeSubpath();
  p.setBrush(greyed ? t.dark : QColor(40, 130, 44));
  p.drawPath(hills);
  p.setBrush(greyed ? QColor(230, 232, 236) : QColor(255, 226, 80));
  const qreal sun = inner.height() * 0.30;
  p.drawEllipse(QRectF(inner.right() - sun * 1.6, inner.top() + sun * 0.35, sun, sun));
}

void DrawPen(QPainter& p, const QPointF& tip, qreal length, bool greyed) {
  p.save();
  p.translate(tip);
  p.rotate(-45);
  const qreal w = length * 0.24;
  QPainterPath body;
  body.moveTo(0, 0);
  body.lineTo(w * 0.9, -w / 2);
  body.lineTo(length, -w / 2);
  body.lineTo(length, w / 2);
  body.lineTo(w * 0.9, w / 2);
  body.closeSubpath();
  p.setPen(QPen(QColor(40, 40, 60), 0.8));
  p.setBrush(greyed ? QColor(220, 224, 230) : QColor(255, 214, 64));
  p.drawPath(body);
  p.setBrush(greyed ? QColor(150, 156, 166) : QColor(60, 60, 70));
  QPainterPath nib;
  nib.moveTo(0, 0);
  nib.lineTo(w * 0.45, -w / 4);
  nib.lineTo(w * 0.45, w / 4);
  nib.closeSubpath();
  p.drawPath(nib);
  p.restore();
}

void DrawEnvelope(QPainter& p, const QRectF& r, const Tones& t, bool greyed) {
  p.setPen(Qt::NoPen);
  p.setBrush(SignColour(greyed));
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setPen(QPen(t.mid.darker(115), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath flap;
  flap.moveTo(r.left() + 1.5, r.top() + 1.5);
  flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
  flap.lineTo(r.right() - 1.5, r.top() + 1.5);
  p.drawPath(flap);
  p.setPen(QPen(t.mid.darker(105), 1.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(r.left() + 2, r.bottom() - 2), QPointF(r.left() + r.width() * 0.38, r.top() + r.height() * 0.5));
  p.drawLine(QPointF(r.right() - 2, r.bottom() - 2), QPointF(r.right() - r.width() * 0.38, r.top() + r.height() * 0.5));
}

// An open-ended spanner lying from lower right to upper left, jaw open upwards.
void DrawWrench(QPainter& p, const QPointF& head, qreal length, bool greyed) {
  p.save();
  p.translate(head);
  p.rotate(45);
  const QColor steel = greyed ? QColor(226, 230, 236) : QColor(250, 250, 250);
  const qreal r = length * 0.27;
  QPainterPath w;
  w.addEllipse(QPointF(0, 0), r, r);
  w.addRoundedRect(QRectF(0, -length * 0.10, length, length * 0.20), length * 0.08, length * 0.08);
  QPainterPath jaw;
  jaw.addRect(QRectF(-r * 1.2, -r * 0.42, r * 1.25, r * 0.84));
  p.setPen(QPen(QColor(16, 40, 20), 1.1));
  p.setBrush(steel);
  p.drawPath(w.simplified().subtracted(jaw));
  p.restore();
}

// `shadow`, when valid, draws the sign's outline in that one colour (plain signs only).
void DrawSign(QPainter& p, const QRectF& c, Sign sign, const Tones& t, bool greyed, QColor shadow = QColor()) {
  const QColor ink = shadow.isValid() ? shadow : SignColour(greyed);
  const qreal d = c.width();
  const QPointF m = c.center();
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  switch (sign) {
    case Sign::Close: {
      const qreal a = d * 0.20;
      p.setPen(QPen(ink, d * 0.13, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(m + QPointF(-a, -a), m + QPointF(a, a));
      p.drawLine(m + QPointF(-a, a), m + QPointF(a, -a));
      break;
    }
    case Sign::Minimize:
      p.drawRoundedRect(QRectF(m.x() - d * 0.24, m.y() + d * 0.08, d * 0.48, d * 0.13), 1, 1);
      break;
    case Sign::Help: {
      QFont f = UiFont(qRound(d * 0.74), true);
      p.setFont(f);
      p.setPen(ink);
      p.drawText(c.translated(0.5, 0.5), Qt::AlignCenter, "?");
      break;
    }
    case Sign::FilmFrame:
    case Sign::FilmRecord:
    case Sign::FilmTool: {
      QRectF film(m.x() - d * 0.33, m.y() - d * 0.23, d * 0.66, d * 0.46);
      if (sign == Sign::FilmTool) film = QRectF(m.x() - d * 0.36, m.y() - d * 0.30, d * 0.56, d * 0.40);
      p.drawPath(FilmFrame(film));
      if (shadow.isValid()) break;
      if (sign == Sign::FilmRecord) {
        p.setBrush(greyed ? QColor(200, 200, 204) : QColor(236, 40, 32));
        p.setPen(QPen(QColor(255, 255, 255), 0.8));
        p.drawEllipse(film.center(), d * 0.075, d * 0.075);
      }
      if (sign == Sign::FilmTool) DrawWrench(p, m + QPointF(d * 0.04, d * 0.04), d * 0.40, greyed);
      break;
    }
    case Sign::Picture:
      DrawPicture(p, QRectF(m.x() - d * 0.27, m.y() - d * 0.21, d * 0.54, d * 0.42), t, greyed);
      break;
    case Sign::PicturePen:
      DrawPicture(p, QRectF(m.x() - d * 0.30, m.y() - d * 0.24, d * 0.46, d * 0.38), t, greyed);
      DrawPen(p, m + QPointF(-d * 0.04, d * 0.28), d * 0.42, greyed);
      break;
    case Sign::Envelope:
      DrawEnvelope(p, QRectF(m.x() - d * 0.27, m.y() - d * 0.18, d * 0.54, d * 0.36), t, greyed);
      break;
    case Sign::Play: {
      QPainterPath tri;
      tri.moveTo(m + QPointF(-d * 0.13, -d * 0.20));
      tri.lineTo(m + QPointF(d * 0.22, 0));
      tri.lineTo(m + QPointF(-d * 0.13, d * 0.20));
      tri.closeSubpath();
      p.drawPath(tri);
      break;
    }
    case Sign::Stop:
      p.drawRoundedRect(QRectF(m.x() - d * 0.16, m.y() - d * 0.16, d * 0.32, d * 0.32), 1.2, 1.2);
      break;
  }
}

}  // namespace

void PaintRoundButton(QPainter& p, const QRect& faceRect, Face colour, Sign sign, bool hover, bool greyed) {
  const Tones t = TonesOf(colour, hover, greyed);
  QRectF c = QRectF(faceRect).adjusted(0.5, 0.5, -0.5, -0.5);
  // Rim, then the domed face lit from above left.
  p.setPen(Qt::NoPen);
  p.setBrush(t.rim);
  p.drawEllipse(c);
  QRectF dome = c.adjusted(1, 1, -1, -1);
  QRadialGradient g(dome.center() + QPointF(-dome.width() * 0.18, -dome.height() * 0.22), dome.width() * 0.75);
  g.setColorAt(0, t.light);
  g.setColorAt(0.55, t.mid);
  g.setColorAt(1, t.dark);
  p.setBrush(g);
  p.drawEllipse(dome);
  // Glossy cap on the upper half.
  QRectF gloss(dome.left() + dome.width() * 0.16, dome.top() + 1, dome.width() * 0.68, dome.height() * 0.46);
  QLinearGradient gg(gloss.topLeft(), gloss.bottomLeft());
  gg.setColorAt(0, QColor(255, 255, 255, hover ? 150 : 120));
  gg.setColorAt(1, QColor(255, 255, 255, 0));
  p.setBrush(gg);
  p.drawEllipse(gloss);
  if (hover && !greyed) {
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(dome.adjusted(0.5, 0.5, -0.5, -0.5));
  }
  // The sign with a soft drop shadow.
  if (sign != Sign::Picture && sign != Sign::PicturePen && sign != Sign::Envelope) {
    p.save();
    p.translate(0.7, 0.9);
    DrawSign(p, dome, sign, t, greyed, QColor(t.rim.red(), t.rim.green(), t.rim.blue(), 130));
    p.restore();
  }
  DrawSign(p, dome, sign, t, greyed);
}

// A green bar with white words; `arrow` -1 draws an up arrow after the words, +1 a down arrow.
void PaintBarButton(QPainter& p, const QRect& face, const QString& words, int arrow, bool hover) {
  QRectF r = QRectF(face).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, hover ? QColor(160, 232, 124) : QColor(112, 196, 92));
  g.setColorAt(0.5, hover ? QColor(70, 178, 56) : QColor(52, 150, 46));
  g.setColorAt(0.51, hover ? QColor(46, 156, 40) : QColor(36, 128, 34));
  g.setColorAt(1, hover ? QColor(62, 170, 50) : QColor(46, 138, 40));
  p.setPen(QPen(hover ? QColor(236, 255, 200) : QColor(18, 70, 22), 1));
  p.setBrush(g);
  p.drawRoundedRect(r, 3, 3);
  p.setPen(QPen(QColor(255, 255, 255, hover ? 130 : 90), 1));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(r.left() + 3, r.top() + 1.5), QPointF(r.right() - 3, r.top() + 1.5));

  QFont f = UiFont(10, true);
  p.setFont(f);
  const QFontMetrics fm(f);
  const int arrowW = arrow ? 8 : 0;
  const int textW = fm.horizontalAdvance(words);
  const qreal left = face.left() + (face.width() - textW - arrowW) / 2.0;
  const qreal base = face.top() + (face.height() + fm.capHeight()) / 2.0;
  const QColor ink(255, 255, 255);
  p.setPen(hover ? QColor(8, 56, 10, 230) : QColor(10, 60, 14, 170));
  p.drawText(QPointF(qRound(left) + 1, qRound(base) + 1), words);
  p.setPen(ink);
  p.drawText(QPointF(qRound(left), qRound(base)), words);
  if (arrow) {
    const qreal ax = qRound(left) + textW + 4.5;
    const qreal mid = face.top() + face.height() / 2.0;
    QPainterPath a;
    if (arrow > 0) {
      a.moveTo(ax - 3.5, mid - 1.5);
      a.lineTo(ax + 3.5, mid - 1.5);
      a.lineTo(ax, mid + 3);
    } else {
      a.moveTo(ax - 3.5, mid + 2);
      a.lineTo(ax + 3.5, mid + 2);
      a.lineTo(ax, mid - 2.5);
    }
    a.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(a);
    p.setBrush(Qt::NoBrush);
  }
}

// A check box with its word, drawn straight on the skin.
void PaintCheckSwitch(QPainter& p, const QRect& face, const QString& word, bool checked, bool hover) {
  QRectF box(face.left() + 3.5, face.top() + (face.height() - 13) / 2.0 + 0.5, 13, 13);
  QLinearGradient g(box.topLeft(), box.bottomLeft());
  g.setColorAt(0, hover ? QColor(255, 255, 236) : QColor(250, 252, 255));
  g.setColorAt(1, hover ? QColor(226, 236, 200) : QColor(200, 212, 228));
  p.setPen(QPen(QColor(28, 44, 68), 1));
  p.setBrush(g);
  p.drawRoundedRect(box, 2, 2);
  if (checked) {
    QPainterPath tick;
    tick.moveTo(box.left() + 3, box.top() + 6.5);
    tick.lineTo(box.left() + 5.5, box.top() + 9.5);
    tick.lineTo(box.left() + 10.5, box.top() + 3);
    p.setPen(QPen(QColor(24, 130, 36), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
  }
  QFont f = UiFont(11, true);
  p.setFont(f);
  const QFontMetrics fm(f);
  const int base = face.top() + (face.height() + fm.capHeight()) / 2;
  p.setPen(QColor(20, 34, 54, 140));
  p.drawText(QPoint(face.left() + 22, base + 1), word);
  p.setPen(checked ? QColor(255, 255, 190) : hover ? QColor(255, 255, 255) : QColor(226, 234, 244));
  p.drawText(QPoint(face.left() + 21, base), word);
}

// A vertical engraved line: shadow on the left, light on the right.
void PaintGroove(QPainter& p, const QRect& r) {
  p.fillRect(QRect(r.left(), r.top(), 1, r.height()), QColor(62, 82, 108));
  p.fillRect(QRect(r.left() + 1, r.top(), 1, r.height()), QColor(190, 204, 222));
}

void PaintCaption(QPainter& p, const QRect& r, const QString& text) {
  p.setFont(UiFont(9, true));
  p.setPen(QColor(24, 40, 62, 120));
  p.drawText(r.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, text);
  p.setPen(QColor(240, 246, 252));
  p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
}

}  // namespace artgen
