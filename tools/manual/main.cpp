// orin-manual: builds the help document from its Markdown source.
//
//   orin-manual SOURCE.md OUTPUT.pdf TITLE SUBTITLE
#include <QGuiApplication>
#include <cstdio>

#include "tools/manual/ManualPdf.h"

int main(int argc, char** argv) {
  // Laying out text needs fonts but never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 5) {
    std::fprintf(stderr, "usage: orin-manual SOURCE.md OUTPUT.pdf TITLE SUBTITLE\n");
    return 2;
  }
  const ManualOptions options{QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                              QString::fromUtf8(argv[3]), QString::fromUtf8(argv[4])};
  const QString error = BuildManual(options);
  if (error.isEmpty()) return 0;
  std::fprintf(stderr, "orin-manual: %s\n", qPrintable(error));
  return 1;
}
