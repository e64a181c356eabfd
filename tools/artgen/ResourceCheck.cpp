// Links orin_artwork as the program does and reads pictures through their
// resource paths: catches a library whose resources never get registered or
// whose paths drift from Artwork.h.
#include "tools/artgen/Artwork.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <cstdio>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  InitArtwork();
  int faults = 0;
  auto expect = [&](const QString& path, QSize size) {
    const QImage img(path);
    if (img.size() != size) {
      std::fprintf(stderr, "%s: %dx%d, expected %dx%d\n", qPrintable(path), img.width(), img.height(), size.width(),
                   size.height());
      ++faults;
    }
  };
  expect(BitmapResource(108), {730, 554});
  expect(BitmapResource(117), {448, 280});
  expect(BitmapResource(127), {96, 16});
  expect(BitmapResource(157), {128, 16});
  expect(BitmapResource(164), {70, 17});
  expect(IconResource(105, 16), {16, 16});
  expect(IconResource(105, 256), {256, 256});
  if (QImage(BitmapResource(999)).isNull() == false) {
    std::fprintf(stderr, "an unknown id loaded a picture\n");
    ++faults;
  }
  return faults ? 1 : 0;
}
