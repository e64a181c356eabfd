// The still-picture window placed inside the picture frame: loads a picture
// file (JPEG and the other formats Qt's image readers know) and draws it.
//
// Zoom: mode 0 fits the whole picture into the window, keeping its shape and
// centring it; mode 1 shows it at the zoom percent. The zoom factor is the step
// a zoom-in or zoom-out multiplies by; it does not change the picture shown.
#pragma once
#include <QImage>
#include <QWidget>

class BitmapWindow : public QWidget {
 public:
  // The imaging support is loaded and unloaded with a mask naming the image
  // formats wanted; Qt's readers need no loading, so the mask is accepted as given.
  static int LoadLibraries(unsigned mask);
  static void UnloadLibraries(unsigned mask);

  explicit BitmapWindow(QWidget* frame, int id = 901);

  // 1 when the picture was loaded; a negative number otherwise (the old picture is kept).
  int Load(const QString& path, int bitsPerPixel = 0, int order = 4, void* info = nullptr,
           void* options = nullptr);
  void Release();
  bool HasImage() const { return !image_.isNull(); }

  void SetZoomFactor(float factor);
  void SetZoomPercent(unsigned percent);
  void SetZoomMode(unsigned mode, unsigned repaint);
  unsigned ZoomMode() const { return zoomMode_; }
  unsigned ZoomPercent() const { return zoomPercent_; }
  float ZoomFactor() const { return zoomFactor_; }

  // Where the picture is drawn inside the window.
  QRect ImageRect() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QImage image_;
  float zoomFactor_ = 1.0f;
  unsigned zoomPercent_ = 100;
  unsigned zoomMode_ = 0;
};
