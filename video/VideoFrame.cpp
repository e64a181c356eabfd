#include "video/VideoFrame.h"

#include <QMetaObject>
#include <QPainter>

VideoFrame::VideoFrame(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoFrame::SetPicture(const uint8_t* rgbx, int width, int height, int stride) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!videoVisible_) return;
    // The sink's buffer goes back to its pool after this call: keep a copy.
    picture_ = QImage(rgbx, width, height, stride, QImage::Format_RGBX8888).copy();
  }
  ScheduleRepaint();
}

void VideoFrame::ClearPicture() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    picture_ = QImage();
  }
  ScheduleRepaint();
}

void VideoFrame::SetVideoVisible(bool visible) {
  std::lock_guard<std::mutex> lock(mutex_);
  videoVisible_ = visible;
}

bool VideoFrame::VideoVisible() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return videoVisible_;
}

QImage VideoFrame::Picture() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return picture_;
}

// Queued to the widget's own thread; dropped if the widget is gone by then.
void VideoFrame::ScheduleRepaint() {
  QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
}

void VideoFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  const QImage picture = Picture();
  if (picture.isNull() || !VideoVisible()) return;
  // The picture fills the whole frame, as the renderer's window did.
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), picture);
}
