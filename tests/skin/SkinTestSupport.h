// Small pictures and a painted "skin" for the skinned-control tests.
#pragma once
#include <QImage>
#include <QPainter>
#include <QWidget>

constexpr QRgb kMagenta = 0xFFFF00FFu;

// A picture of `size` that is magenta except for an opaque `block` of `colour`.
inline QImage BlockPicture(QSize size, QRect block, QColor colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(kMagenta);
  QPainter painter(&image);
  painter.fillRect(block, colour);
  return image;
}

// A parent that paints a flat skin colour of its own, like the main window's background.
class SkinWidget : public QWidget {
 public:
  QColor skin = QColor(10, 120, 40);

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), skin);
  }
};

inline QRgb Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }
inline QRgb Rgb(QColor colour) { return colour.rgb() & 0xFFFFFFu; }
