// The window's video frame (control 1069): shows the latest decoded picture
// of the live preview, stretched to fill it, black while there is none.
//
// SetPicture may be called from any thread (the preview's sink calls it from
// its streaming thread); the widget is repainted on the GUI thread.
#pragma once
#include <QImage>
#include <QWidget>
#include <mutex>

class VideoFrame : public QWidget {
 public:
  explicit VideoFrame(QWidget* parent = nullptr);

  // Copies the picture (RGBX, `stride` bytes a row) and schedules a repaint.
  void SetPicture(const uint8_t* rgbx, int width, int height, int stride);
  // Drops the picture: the frame goes black.
  void ClearPicture();
  // Whether decoded pictures are drawn (the renderer's visibility).
  void SetVideoVisible(bool visible);
  bool VideoVisible() const;
  QImage Picture() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void ScheduleRepaint();

  mutable std::mutex mutex_;
  QImage picture_;
  bool videoVisible_ = false;
};
