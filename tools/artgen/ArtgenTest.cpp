// The generator's own logic: keying against magenta, placement on the skin,
// and the catalogue's consistency with the window it is drawn for.
#include "tools/artgen/Art.h"

#include <QGuiApplication>
#include <QSet>
#include <gtest/gtest.h>

namespace artgen {
namespace {

QImage SolidSkin(QColor c) {
  QImage img(730, 554, QImage::Format_RGB32);
  img.fill(c);
  return img;
}

Picture Disc(Keying keying, QColor colour) {
  Picture pic;
  pic.id = 1;
  pic.size = QSize(20, 20);
  pic.keying = keying;
  pic.surface = Surface::Window;
  pic.origin = QPoint(100, 100);
  pic.face = QRect(100, 100, 20, 20);
  pic.paint = [colour](QPainter& p, const QRect& face) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(face);
  };
  return pic;
}

TEST(Keying, MaskedPicturesAreMagentaOutsideAndBlendAgainstTheSkinAtTheEdge) {
  const QColor skin(40, 60, 80);
  const QImage out = Render(Disc(Keying::Magenta, Qt::white), SolidSkin(skin), {});
  EXPECT_FALSE(out.hasAlphaChannel());
  EXPECT_EQ(out.pixel(0, 0), kMagenta.rgb());
  EXPECT_EQ(out.pixel(10, 10), QColor(Qt::white).rgb());
  // Edge pixels lie between skin and white, never between magenta and white.
  int edges = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const QColor c = out.pixelColor(x, y);
      if (c.rgb() == kMagenta.rgb() || c.rgb() == QColor(Qt::white).rgb()) continue;
      ++edges;
      EXPECT_GE(c.red(), skin.red());
      EXPECT_GE(c.green(), skin.green()) << "pink fringe at " << x << "," << y;
    }
  EXPECT_GT(edges, 0);
}

TEST(Keying, PaintThatIsExactlyMagentaIsNudgedOffTheMaskColour) {
  const QImage masked = Render(Disc(Keying::Magenta, kMagenta), SolidSkin(Qt::black), {});
  EXPECT_NE(masked.pixel(10, 10), kMagenta.rgb());
  const QImage opaque = Render(Disc(Keying::Opaque, kMagenta), SolidSkin(Qt::black), {});
  EXPECT_NE(opaque.pixel(10, 10), kMagenta.rgb());
}

TEST(Keying, OpaquePicturesShowTheSkinUnderTheirPlaceWhereNothingIsPainted) {
  QImage skin = SolidSkin(Qt::gray);
  skin.setPixel(100, 100, qRgb(1, 2, 3));
  const QImage out = Render(Disc(Keying::Opaque, Qt::white), skin, {});
  EXPECT_EQ(out.pixel(0, 0), qRgb(1, 2, 3));
  EXPECT_EQ(out.pixel(19, 0), QColor(Qt::gray).rgb());
}

TEST(Placement, BitmapsLargerThanTheirControlAreCentredWithTruncation) {
  EXPECT_EQ(CentredOrigin(DuRect(242, 190, 17, 17), {36, 36}), QPoint(483, 379));
  EXPECT_EQ(CentredOrigin(DuRect(73, 152, 22, 7), {47, 17}), QPoint(145, 303));
  EXPECT_EQ(CentredOrigin(DuRect(156, 228, 28, 10), {57, 22}), QPoint(312, 455));
  EXPECT_EQ(CentredOrigin(DuRect(343, 216, 16, 16), {36, 36}), QPoint(684, 430));
}

TEST(Catalogue, EveryPictureFitsItsSurfaceAndEachFileIsWrittenOnce) {
  QSet<QString> paths;
  for (const Picture& pic : Catalogue()) {
    for (const QString& rel : RelativePaths(pic)) EXPECT_FALSE(paths.contains(rel)) << qPrintable(rel);
    for (const QString& rel : RelativePaths(pic)) paths.insert(rel);
    const QRect area(pic.origin, pic.size);
    if (pic.surface == Surface::Window) {
      EXPECT_TRUE(QRect(0, 0, 730, 554).contains(area)) << pic.id;
    }
    if (pic.surface == Surface::Busy) {
      EXPECT_TRUE(QRect(0, 0, 448, 280).contains(area)) << pic.id;
    }
    if (pic.kind == Kind::Bitmap) {
      EXPECT_NE(pic.keying, Keying::Alpha) << pic.id;
    }
  }
  EXPECT_TRUE(paths.contains("icons/105.png"));
}

// The brightest cell of the progress strip moves forward every frame.
TEST(BusyStrip, TheCometAdvancesFrameByFrameAndWrapsAfterEight) {
  auto head = [](int frame) {
    QImage img(366, 10, QImage::Format_RGB32);
    QPainter p(&img);
    PaintBusyStrip(p, img.rect(), frame);
    p.end();
    int best = -1, bestX = -1;
    for (int x = 0; x < img.width(); ++x) {
      const int v = qGreen(img.pixel(x, 5));
      if (v > best) best = v, bestX = x;
    }
    return bestX;
  };
  int last = -1;
  for (int frame = 0; frame < 8; ++frame) {
    EXPECT_GT(head(frame), last) << frame;
    last = head(frame);
  }
  EXPECT_EQ(head(8), head(0));
}

}  // namespace
}  // namespace artgen

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
