// Links orin_artwork as the program does and reads pictures through the
// program's own resource lookup: catches a library whose resources never get
// registered, and paths that drift apart between the artwork and the lookup.
#include "resources/Resources.h"
#include "tools/artgen/Artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>

namespace {

int g_faults = 0;

void Expect(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s\n", what);
  ++g_faults;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  Expect(resources::BitmapImage(108).size() == QSize(730, 554), "skin 108 not found at 730x554 by the lookup");
  Expect(resources::BitmapImage(117).size() == QSize(448, 280), "busy background 117 not found by the lookup");
  Expect(resources::Bitmap(127).size() == QSize(96, 16), "camera pane icons 127 not found by the lookup");
  Expect(resources::Bitmap(164).size() == QSize(70, 17), "Add Folder 164 not found by the lookup");
  Expect(!resources::Icon(105).isNull(), "icon 105 not found by the lookup");
  Expect(QImage(BitmapResource(157)).size() == QSize(128, 16), "documented path of 157 does not load");
  Expect(QImage(IconResource(105, 16)).size() == QSize(16, 16), "documented path of icon 105 at 16 does not load");
  Expect(QImage(IconResource(105)).size() == QSize(256, 256), "documented path of icon 105 does not load");
  Expect(resources::BitmapImage(999).isNull(), "an unknown id found a picture");
  return g_faults ? 1 : 0;
}
