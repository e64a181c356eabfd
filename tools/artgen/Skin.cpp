// The main window's skin, bitmap 108: a blue-grey body with a navy title band,
// recessed seats for every control of the window's layout.
#include "tools/artgen/Art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace artgen {
namespace {

const QColor kBodyTop(132, 153, 179);
const QColor kBodyBottom(98, 121, 149);
const QColor kPanelTop(156, 175, 198);
const QColor kPanelBottom(124, 146, 172);
const QColor kTray(84, 106, 134);
const QColor kInk(22, 36, 56);

void RaisedPanel(QPainter& p, const QRectF& r, qreal radius) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, kPanelTop);
  g.setColorAt(1, kPanelBottom);
  p.setPen(QPen(QColor(62, 82, 108), 1));
  p.setBrush(g);
  p.drawRoundedRect(r, radius, radius);
  p.setPen(QPen(QColor(255, 255, 255, 90), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

// A sunken frame just outside `inner`: dark at the top left, light at the bottom right.
void SunkenFrame(QPainter& p, const QRect& inner, int depth) {
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int i = 1; i <= depth; ++i) {
    QRect r = inner.adjusted(-i, -i, i - 1, i - 1);
    p.setPen(i == 1 ? QColor(30, 44, 64) : QColor(70, 90, 116));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(i == 1 ? QColor(196, 210, 226) : QColor(172, 189, 209));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
  p.setRenderHint(QPainter::Antialiasing, true);
}

void DarkInset(QPainter& p, const QRect& r) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(16, 26, 42));
  g.setColorAt(1, QColor(34, 50, 74));
  p.fillRect(r, g);
  SunkenFrame(p, r, 1);
}

// A flat tray under a row of pane buttons; both trays look alike so that the
// shared button pictures fit on either.
void ButtonTray(QPainter& p, const QRect& r) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(r, kTray);
  p.setPen(QColor(58, 76, 100));
  p.drawLine(r.topLeft(), r.topRight());
  p.setPen(QColor(170, 188, 208));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.setRenderHint(QPainter::Antialiasing, true);
}

void SectionTitle(QPainter& p, const QPoint& at, const QString& text, Glyph glyph) {
  PaintCell(p, QRect(at.x(), at.y() + 1, 16, 16), glyph);
  p.setFont(UiFont(12, true));
  p.setPen(QColor(20, 34, 54, 110));
  p.drawText(QPoint(at.x() + 22, at.y() + 14), text);
  p.setPen(QColor(250, 252, 255));
  p.drawText(QPoint(at.x() + 21, at.y() + 13), text);
}

void TitleBand(QPainter& p) {
  QRectF band(0, 0, 730, 70);
  QLinearGradient g(band.topLeft(), band.bottomLeft());
  g.setColorAt(0.0, QColor(66, 104, 150));
  g.setColorAt(0.48, QColor(36, 68, 110));
  g.setColorAt(0.52, QColor(26, 54, 92));
  g.setColorAt(1.0, QColor(38, 70, 112));
  p.fillRect(band, g);
  p.fillRect(QRectF(0, 69, 730, 1), QColor(20, 34, 54));
  p.fillRect(QRectF(0, 70, 730, 1), QColor(176, 196, 220));

  // Program icon and title.
  p.save();
  p.translate(20, 15);
  PaintAppIcon(p, 40);
  p.restore();
  QFont title = UiFont(25, true);
  title.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
  p.setFont(title);
  p.setPen(QColor(8, 20, 40, 150));
  p.drawText(QPoint(72, 43), "Orin Media");
  p.setPen(QColor(255, 255, 255));
  p.drawText(QPoint(71, 42), "Orin Media");
  const int after = 71 + QFontMetrics(title).horizontalAdvance("Orin Media ");
  p.setPen(QColor(8, 20, 40, 150));
  p.drawText(QPoint(after + 1, 43), "5.1");
  p.setPen(QColor(132, 200, 255));
  p.drawText(QPoint(after, 42), "5.1");
  p.setFont(UiFont(10, false));
  p.setPen(QColor(168, 192, 220));
  p.drawText(QPoint(73, 58), "USB Digital Video Camera  \xc2\xb7  Memory Stick");

  // A dark capsule holding the three caption buttons (634..718, 12..38).
  QRectF capsule(626, 7, 100, 36);
  QLinearGradient cg(capsule.topLeft(), capsule.bottomLeft());
  cg.setColorAt(0, QColor(14, 30, 54));
  cg.setColorAt(1, QColor(34, 60, 96));
  p.setPen(QPen(QColor(120, 150, 188), 1));
  p.setBrush(cg);
  p.drawRoundedRect(capsule, 18, 18);
}

void LeftColumn(QPainter& p) {
  RaisedPanel(p, QRectF(12.5, 80.5, 252, 466), 8);
  // PC side: caption, path bar (label 1070 at 106,100 148x16), pane 1033, buttons.
  SectionTitle(p, QPoint(26, 98), "PC", Glyph::FixedDrive);
  DarkInset(p, QRect(102, 98, 152, 20));
  SunkenFrame(p, DuRect(13, 59, 113, 90), 2);
  ButtonTray(p, QRect(24, 301, 230, 21));
  // Camera side: caption, pane 1034, buttons.
  SectionTitle(p, QPoint(26, 324), "Memory Stick", Glyph::MemoryStick);
  SunkenFrame(p, DuRect(13, 172, 113, 90), 2);
  ButtonTray(p, QRect(24, 527, 230, 21));
  // The panes are white lists; paint white under them so no seam shows while they build.
  p.fillRect(DuRect(13, 59, 113, 90), Qt::white);
  p.fillRect(DuRect(13, 172, 113, 90), Qt::white);
}

void CentreColumn(QPainter& p) {
  RaisedPanel(p, QRectF(292.5, 80.5, 358, 466), 8);
  p.setFont(UiFont(11, true));
  p.setPen(QColor(236, 242, 250));
  p.drawText(QPoint(308, 116), "VIDEO");
  p.setPen(QColor(210, 60, 50));
  p.setBrush(QColor(226, 70, 58));
  p.drawEllipse(QRectF(354, 107.5, 7, 7));

  // Bezel round the video frame 1069 (310,134 322x242).
  const QRect video = DuRect(155, 67, 161, 121);
  QRectF bezel = QRectF(video).adjusted(-6.5, -6.5, 6.5, 4.5);
  QLinearGradient bg(bezel.topLeft(), bezel.bottomLeft());
  bg.setColorAt(0, QColor(46, 64, 90));
  bg.setColorAt(1, QColor(28, 42, 62));
  p.setPen(QPen(QColor(24, 36, 54), 1));
  p.setBrush(bg);
  p.drawRoundedRect(bezel, 5, 5);
  p.fillRect(video, Qt::black);
  SunkenFrame(p, video, 1);

  // Transport deck: play (324,382), clock window behind label 1096, record, capture.
  QRectF deck(300.5, 384.5, 342, 40);
  QLinearGradient dg(deck.topLeft(), deck.bottomLeft());
  dg.setColorAt(0, QColor(108, 130, 158));
  dg.setColorAt(1, QColor(88, 110, 138));
  p.setPen(QPen(QColor(64, 84, 110), 1));
  p.setBrush(dg);
  p.drawRoundedRect(deck, 6, 6);
  DarkInset(p, QRect(372, 388, 100, 22));
  PaintSocket(p, QRectF(DuRect(162, 191, 16, 16)));
  PaintSocket(p, QRectF(DuRect(242, 190, 17, 17)));
  PaintSocket(p, QRectF(DuRect(264, 190, 17, 17)));
  p.setFont(UiFont(9, true));
  p.setPen(QColor(222, 232, 244));
  p.drawText(QRect(568, 388, 70, 14), Qt::AlignCenter, "RECORD");
  p.setPen(QColor(168, 188, 212));
  p.drawText(QRect(568, 402, 70, 14), Qt::AlignCenter, "& CAPTURE");

  // Settings deck: mode switch, recording mode box, recording limit, its button.
  QRectF settings(300.5, 432.5, 342, 80);
  QLinearGradient sg(settings.topLeft(), settings.bottomLeft());
  sg.setColorAt(0, QColor(118, 140, 167));
  sg.setColorAt(1, QColor(104, 126, 154));
  p.setPen(QPen(QColor(64, 84, 110), 1));
  p.setBrush(sg);
  p.drawRoundedRect(settings, 6, 6);
  // Recording limit: the display lies where the storage layout's greyed panel
  // 156 lies, so that either is the whole field; the numbers 1035 and 1036
  // stand right-aligned in it.
  DarkInset(p, QRect(380, 482, 100, 24));
  PaintTimePanel(p, QRect(380, 482, 100, 24), true);
  PaintSocket(p, QRectF(DuRect(242, 227, 17, 17)));
  p.setFont(UiFont(9, true));
  p.setPen(QColor(222, 232, 244));
  p.drawText(QRect(528, 458, 108, 14), Qt::AlignCenter, "RECORDING");
  p.setPen(QColor(168, 188, 212));
  p.drawText(QRect(528, 472, 108, 14), Qt::AlignCenter, "TIME LIMIT");
}

void RightColumn(QPainter& p) {
  RaisedPanel(p, QRectF(658.5, 80.5, 60, 466), 8);
  p.setFont(UiFont(9, true));
  p.setPen(QColor(232, 240, 250));
  p.drawText(QRect(660, 400, 58, 14), Qt::AlignCenter, "TOOLS");
  PaintSocket(p, QRectF(DuRect(343, 216, 16, 16)));
  PaintSocket(p, QRectF(DuRect(343, 236, 16, 16)));
  // Engraved product mark running down the column.
  p.save();
  p.translate(696, 370);
  p.rotate(-90);
  p.setFont(UiFont(13, true));
  p.setPen(QColor(255, 255, 255, 70));
  p.drawText(QPoint(1, 1), "ORIN DIGITAL VIDEO");
  p.setPen(QColor(54, 74, 100, 150));
  p.drawText(QPoint(0, 0), "ORIN DIGITAL VIDEO");
  p.restore();
}

}  // namespace

QFont UiFont(int pixelSize, bool bold) {
  QFont f("DejaVu Sans");
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

// A round recess a button sits in: a dark ring with light falling on its lower edge.
void PaintSocket(QPainter& p, const QRectF& circle) {
  QRectF ring = circle.adjusted(-2.5, -2.5, 2.5, 2.5);
  QLinearGradient g(ring.topLeft(), ring.bottomRight());
  g.setColorAt(0, QColor(36, 52, 76));
  g.setColorAt(1, QColor(206, 218, 232));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(ring);
  p.setBrush(QColor(58, 78, 104));
  p.drawEllipse(circle.adjusted(-0.5, -0.5, 0.5, 0.5));
}

void PaintTimePanel(QPainter& p, const QRect& r, bool active) {
  // The active display is the skin's dark inset; the greyed one is a light,
  // flat panel on which the light limit digits of the storage layout fade.
  if (!active) {
    p.fillRect(r, QColor(176, 192, 210));
    SunkenFrame(p, r.adjusted(1, 1, -1, -1), 1);
  }
  // Minutes in 1035 (374..402), seconds in 1036 (436..454); captions beside each.
  p.setFont(UiFont(9, false));
  p.setPen(active ? QColor(138, 166, 193) : QColor(146, 162, 182));
  p.drawText(QRect(404, r.top(), 28, r.height()), Qt::AlignCenter, "min");
  p.drawText(QRect(455, r.top(), 24, r.height()), Qt::AlignCenter, "sec");
}

void PaintWindowSkin(QPainter& p) {
  QLinearGradient body(0, 0, 0, 554);
  body.setColorAt(0, kBodyTop);
  body.setColorAt(1, kBodyBottom);
  p.fillRect(QRect(0, 0, 730, 554), body);
  TitleBand(p);
  LeftColumn(p);
  CentreColumn(p);
  RightColumn(p);
  // Outer rim following the window's rounded region (corner ellipses 20 x 20).
  p.setPen(QPen(kInk, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(1, 1, 728, 552), 10, 10);
  p.setPen(QPen(QColor(190, 206, 226, 120), 1));
  p.drawRoundedRect(QRectF(2.5, 2.5, 725, 549), 9, 9);
}

}  // namespace artgen
