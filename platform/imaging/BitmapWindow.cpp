#include "platform/imaging/BitmapWindow.h"

#include <QImageReader>
#include <QPainter>

int BitmapWindow::LoadLibraries(unsigned) { return 1; }
void BitmapWindow::UnloadLibraries(unsigned) {}

BitmapWindow::BitmapWindow(QWidget* frame, int id) : QWidget(frame) {
  setObjectName(QString("bitmapWindow%1").arg(id));
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (frame) setGeometry(frame->rect());
}

int BitmapWindow::Load(const QString& path, int, int, void*, void*) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  QImage image = reader.read();
  if (image.isNull()) return -1;
  image_ = std::move(image);
  update();
  return 1;
}

void BitmapWindow::Release() {
  image_ = QImage();
  update();
}

void BitmapWindow::SetZoomFactor(float factor) {
  if (factor > 0) zoomFactor_ = factor;
}

void BitmapWindow::SetZoomPercent(unsigned percent) {
  if (percent == 0) return;
  zoomPercent_ = percent;
  update();
}

void BitmapWindow::SetZoomMode(unsigned mode, unsigned repaint) {
  zoomMode_ = mode;
  if (repaint) update();
}

QRect BitmapWindow::ImageRect() const {
  if (image_.isNull()) return {};
  QSize size = image_.size();
  if (zoomMode_ == 0)
    size.scale(this->size(), Qt::KeepAspectRatio);
  else
    size = size * (zoomPercent_ / 100.0);
  QRect r(QPoint(0, 0), size);
  r.moveCenter(rect().center());
  return r;
}

void BitmapWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (image_.isNull()) return;
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(ImageRect(), image_);
}
