// orin-artgen: writes the program's artwork, a contact sheet, or checks a
// written artwork folder.
//
//   orin-artgen --out DIR        every picture as DIR/bitmaps/<id>.png and
//                                DIR/icons/<id>/<size>.png, plus DIR/artwork.qrc
//   orin-artgen --sheet FILE.png every picture on one sheet, labelled by id
//   orin-artgen --check DIR      exit 1 if DIR lacks a picture, has a wrong size
//                                or keys transparency with anything but magenta
#include "tools/artgen/Art.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: orin-artgen --out DIR | --sheet FILE.png | --check DIR\n");
  return 2;
}

int Report(const QString& error) {
  if (error.isEmpty()) return 0;
  std::fprintf(stderr, "orin-artgen: %s\n", qPrintable(error));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Painting needs fonts but never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) return Usage();
  const QString arg = QString::fromLocal8Bit(argv[2]);
  if (!std::strcmp(argv[1], "--out")) return Report(artgen::WriteAll(arg));
  if (!std::strcmp(argv[1], "--sheet")) return Report(artgen::WriteSheet(arg));
  if (!std::strcmp(argv[1], "--check")) {
    const int faults = artgen::CheckFolder(arg);
    if (faults) std::fprintf(stderr, "orin-artgen: %d fault(s) in %s\n", faults, argv[2]);
    return faults ? 1 : 0;
  }
  return Usage();
}
