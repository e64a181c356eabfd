// Writing the artwork folder, its .qrc, and the contact sheet.
#include "tools/artgen/Art.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace artgen {

QString WriteAll(const QString& dir) {
  const auto& all = Catalogue();
  const std::vector<QImage> images = RenderAll();
  QString qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
  for (size_t i = 0; i < all.size(); ++i) {
    for (const QString& rel : RelativePaths(all[i])) {
      const QString path = QDir(dir).filePath(rel);
      if (!QDir().mkpath(QFileInfo(path).path())) return "cannot create folder for " + path;
      if (!images[i].save(path, "PNG")) return "cannot write " + path;
      qrc += QString("  <file>%1</file>\n").arg(rel);
    }
  }
  qrc += "</qresource>\n</RCC>\n";
  QSaveFile file(QDir(dir).filePath("artwork.qrc"));
  if (!file.open(QIODevice::WriteOnly) || file.write(qrc.toUtf8()) < 0 || !file.commit())
    return "cannot write " + file.fileName();
  return {};
}

// The skin with every control's usual picture laid on it through its mask, as
// the window shows it (both layouts at once), for judging the whole.
QImage ComposedWindow(const std::vector<Picture>& all, const std::vector<QImage>& images) {
  QImage window;
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i].id == 108) window = images[i].copy();
  const QSet<int> shown = {109, 111, 113, 115, 116, 128, 129, 132, 135, 136, 139, 141, 144, 146,
                           148, 150, 155, 156, 160, 163, 164};
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].surface != Surface::Window || !shown.contains(all[i].id)) continue;
    const QImage& img = images[i];
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QRgb c = img.pixel(x, y);
        if ((c & 0xFFFFFF) != (kMagenta.rgb() & 0xFFFFFF)) window.setPixel(all[i].origin + QPoint(x, y), c);
      }
    if (all[i].id == 164 || all[i].id == 144)  // shared by the camera row
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) window.setPixel(all[i].origin + QPoint(x, y + 226), img.pixel(x, y));
  }
  return window;
}

// The composed window on top, then the skin at full size, then every other picture with its id and size
// beneath it, on a neutral grey so that magenta and skin edges stand out.
QString WriteSheet(const QString& fileName) {
  const auto& all = Catalogue();
  const std::vector<QImage> images = RenderAll();
  const int width = 1200, gap = 14, labelH = 14;
  const QImage composed = ComposedWindow(all, images);

  struct Placed { size_t index; QPoint at; };
  std::vector<Placed> placed;
  const int top = composed.height() + labelH + 2 * gap;
  int x = gap, y = top, rowH = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    const QSize s = images[i].size();
    const int cellW = std::max(s.width(), 64);
    if (x + cellW + gap > width) {
      x = gap;
      y += rowH + labelH + gap;
      rowH = 0;
    }
    placed.push_back({i, QPoint(x, y)});
    x += cellW + gap;
    rowH = std::max(rowH, s.height());
  }
  QImage sheet(width, y + rowH + labelH + gap, QImage::Format_RGB32);
  sheet.fill(QColor(172, 172, 172));
  QPainter p(&sheet);
  p.setFont(UiFont(10, false));
  p.drawImage(QPoint(gap, gap), composed);
  p.drawText(QPoint(gap, gap + composed.height() + 11), "window with its controls");
  for (const Placed& pl : placed) {
    const Picture& pic = all[pl.index];
    const QImage& img = images[pl.index];
    if (pic.keying == Keying::Alpha) {
      // Icons on a checkerboard, to show their alpha.
      for (int cy = 0; cy < img.height(); cy += 8)
        for (int cx = 0; cx < img.width(); cx += 8)
          p.fillRect(QRect(pl.at + QPoint(cx, cy), QSize(8, 8)).intersected(QRect(pl.at, img.size())),
                     ((cx + cy) / 8) % 2 ? QColor(220, 220, 220) : QColor(255, 255, 255));
    }
    p.drawImage(pl.at, img);
    p.setPen(Qt::black);
    const QString label = pic.kind == Kind::Icon ? QString("icon %1 (%2)").arg(pic.id).arg(img.width())
                                                 : QString("%1  %2x%3").arg(pic.id).arg(img.width()).arg(img.height());
    p.drawText(pl.at + QPoint(0, img.height() + 11), label);
  }
  p.end();
  if (!sheet.save(fileName, "PNG")) return "cannot write " + fileName;
  return {};
}

}  // namespace artgen
