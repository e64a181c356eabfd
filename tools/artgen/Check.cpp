// Checks a written artwork folder against what the program loads. The table
// here is kept apart from the painter's catalogue on purpose: it is the
// program's side of the contract (ids, sizes, masked or not), so a picture the
// generator forgets, sizes wrongly or keys with a near-magenta shows up here.
#include "tools/artgen/Art.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cstdio>
#include <cstdlib>

namespace artgen {
namespace {

enum class Mask { Masked, Opaque };

struct Expect {
  int id;
  int w, h;  // 0: the size is ours to choose
  Mask mask;
};

// Masked: pictures drawn through a magenta mask onto the skin or a list
// (transparent buttons, the pane icon strips). Opaque: pictures drawn whole,
// where a magenta pixel would punch a hole showing the button face.
const Expect kExpected[] = {
    {108, 730, 554, Mask::Opaque},
    {109, 28, 28, Mask::Opaque}, {110, 28, 28, Mask::Opaque}, {111, 28, 28, Mask::Opaque},
    {112, 28, 28, Mask::Opaque}, {113, 28, 28, Mask::Opaque}, {114, 28, 28, Mask::Opaque},
    {115, 0, 0, Mask::Opaque}, {116, 0, 0, Mask::Opaque},
    {117, 448, 280, Mask::Opaque}, {118, 166, 44, Mask::Opaque},
    {119, 366, 10, Mask::Opaque}, {120, 366, 10, Mask::Opaque}, {121, 366, 10, Mask::Opaque},
    {122, 366, 10, Mask::Opaque}, {123, 366, 10, Mask::Opaque}, {124, 366, 10, Mask::Opaque},
    {125, 366, 10, Mask::Opaque}, {126, 366, 10, Mask::Opaque},
    {127, 96, 16, Mask::Masked},
    {128, 0, 0, Mask::Opaque}, {129, 0, 0, Mask::Opaque},
    {130, 36, 36, Mask::Opaque}, {131, 0, 0, Mask::Opaque}, {132, 36, 36, Mask::Opaque},
    {133, 36, 36, Mask::Masked}, {134, 36, 36, Mask::Masked}, {135, 36, 36, Mask::Masked},
    {136, 36, 36, Mask::Opaque}, {137, 0, 0, Mask::Opaque}, {138, 36, 36, Mask::Opaque},
    {139, 36, 36, Mask::Opaque}, {140, 36, 36, Mask::Opaque},
    {141, 36, 36, Mask::Masked}, {142, 36, 36, Mask::Masked},
    {143, 70, 17, Mask::Opaque}, {144, 44, 17, Mask::Opaque}, {145, 44, 17, Mask::Opaque},
    {146, 48, 17, Mask::Opaque}, {147, 48, 17, Mask::Opaque},
    {148, 47, 17, Mask::Opaque}, {149, 47, 17, Mask::Opaque}, {150, 47, 17, Mask::Opaque},
    {151, 47, 17, Mask::Opaque},
    {152, 34, 34, Mask::Masked}, {153, 34, 34, Mask::Masked}, {154, 34, 34, Mask::Masked},
    {155, 34, 34, Mask::Masked},
    {156, 0, 0, Mask::Opaque}, {157, 128, 16, Mask::Masked}, {158, 0, 0, Mask::Opaque},
    {159, 57, 22, Mask::Masked}, {160, 0, 0, Mask::Opaque}, {161, 57, 22, Mask::Masked},
    {162, 57, 22, Mask::Masked}, {163, 57, 22, Mask::Masked}, {164, 70, 17, Mask::Opaque},
};

// Hover and normal pictures of one button must differ, or hover shows nothing.
const int kPairs[][2] = {{110, 109}, {114, 113}, {112, 111}, {133, 135}, {130, 132}, {140, 139},
                         {138, 136}, {142, 141}, {161, 162}, {159, 163}, {143, 164}, {145, 144},
                         {149, 148}, {151, 150}, {147, 146}, {152, 154}, {153, 155}};

const QRgb kMask = qRgb(255, 0, 255);

struct Checker {
  QDir dir;
  int faults = 0;

  void Fault(const QString& what) {
    std::fprintf(stderr, "  %s\n", qPrintable(what));
    ++faults;
  }

  QImage Load(int id) { return QImage(dir.filePath(QString("bitmaps/%1.png").arg(id))); }

  // Pixels that are almost but not exactly the mask colour: anti-aliasing
  // blended against magenta, which would show as a pink fringe on the skin.
  int NearMagenta(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QRgb c = img.pixel(x, y);
        if ((c | 0xFF000000) == kMask) continue;
        if (qRed(c) > 200 && qBlue(c) > 200 && qGreen(c) < 90 && std::abs(qRed(c) - qBlue(c)) < 40) ++n;
      }
    return n;
  }

  int Count(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) | 0xFF000000) == colour;
    return n;
  }

  void Bitmap(const Expect& e) {
    const QImage img = Load(e.id);
    const QString name = QString("bitmap %1").arg(e.id);
    if (img.isNull()) return Fault(name + ": missing or unreadable");
    if (e.w && img.size() != QSize(e.w, e.h))
      Fault(QString("%1: %2x%3, should be %4x%5").arg(name).arg(img.width()).arg(img.height()).arg(e.w).arg(e.h));
    if (img.hasAlphaChannel()) Fault(name + ": has an alpha channel; masks are made from the colour");
    const int magenta = Count(img, kMask);
    if (e.mask == Mask::Masked) {
      if ((img.pixel(0, 0) | 0xFF000000) != kMask) Fault(name + ": corner is not exact magenta");
      if (magenta == img.width() * img.height()) Fault(name + ": nothing but magenta");
      // A round button's middle is face, never a hole to the skin.
      if (img.width() == img.height() && (img.pixel(img.width() / 2, img.height() / 2) | 0xFF000000) == kMask)
        Fault(name + ": magenta in the middle of the face");
      if (const int n = NearMagenta(img)) Fault(QString("%1: %2 near-magenta pixels").arg(name).arg(n));
    } else if (magenta) {
      Fault(QString("%1: %2 magenta pixels in a picture drawn whole").arg(name).arg(magenta));
    }
  }

  void Pairs() {
    for (const auto& pair : kPairs) {
      const QImage hover = Load(pair[0]), normal = Load(pair[1]);
      if (!hover.isNull() && hover == normal) Fault(QString("bitmaps %1 and %2 are the same").arg(pair[0]).arg(pair[1]));
    }
  }

  // The progress strip must move: its eight frames all differ.
  void StripFrames() {
    for (int a = 119; a <= 126; ++a)
      for (int b = a + 1; b <= 126; ++b) {
        const QImage fa = Load(a);
        if (!fa.isNull() && fa == Load(b)) Fault(QString("strip frames %1 and %2 are the same").arg(a).arg(b));
      }
  }

  // Every 16 x 16 cell of an icon strip holds a picture, unlike its neighbours.
  void Cells(int id) {
    const QImage img = Load(id);
    if (img.isNull()) return;
    const int n = img.width() / 16;
    for (int i = 0; i < n; ++i) {
      const QImage cell = img.copy(16 * i, 0, 16, 16);
      if (Count(cell, kMask) > 16 * 16 - 20) Fault(QString("bitmap %1 cell %2 is nearly empty").arg(id).arg(i));
      if ((cell.pixel(0, 0) | 0xFF000000) != kMask) Fault(QString("bitmap %1 cell %2 corner not magenta").arg(id).arg(i));
      for (int j = 0; j < i; ++j)
        if (cell == img.copy(16 * j, 0, 16, 16)) Fault(QString("bitmap %1 cells %2 and %3 alike").arg(id).arg(j).arg(i));
    }
  }

  void Icons() {
    for (const char* path : {"icons/105.png", "icons/105/16.png", "icons/105/32.png", "icons/105/48.png"}) {
      const QString rel = path;
      const QImage icon(dir.filePath(rel));
      const QString name = "icon " + rel;
      const int size = rel == "icons/105.png" ? 256 : QFileInfo(rel).baseName().toInt();
      if (icon.isNull()) { Fault(name + ": missing"); continue; }
      if (icon.size() != QSize(size, size)) Fault(name + ": wrong size");
      if (!icon.hasAlphaChannel() || qAlpha(icon.pixel(0, 0)) != 0) Fault(name + ": corner not transparent");
    }
  }

  // Every file the .qrc names exists, and every picture above is in it.
  void Qrc() {
    QFile file(dir.filePath("artwork.qrc"));
    if (!file.open(QIODevice::ReadOnly)) return Fault("artwork.qrc missing");
    const QString text = QString::fromUtf8(file.readAll());
    QSet<QString> listed;
    const QRegularExpression entry("<file>([^<]+)</file>");
    for (auto it = entry.globalMatch(text); it.hasNext();) listed.insert(it.next().captured(1));
    for (const QString& rel : listed)
      if (!QFile::exists(dir.filePath(rel))) Fault("artwork.qrc names a missing file " + rel);
    for (const Expect& e : kExpected)
      if (!listed.contains(QString("bitmaps/%1.png").arg(e.id))) Fault(QString("artwork.qrc lacks bitmap %1").arg(e.id));
    if (!listed.contains("icons/105.png")) Fault("artwork.qrc lacks icon 105");
  }
};

}  // namespace

int CheckFolder(const QString& dir) {
  Checker c{QDir(dir)};
  for (const Expect& e : kExpected) c.Bitmap(e);
  c.Pairs();
  c.StripFrames();
  c.Cells(127);
  c.Cells(157);
  c.Icons();
  c.Qrc();
  return c.faults;
}

}  // namespace artgen
