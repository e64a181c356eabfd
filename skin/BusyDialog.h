// BusyDialog: the modeless wait window shown while the main window starts up
// or a long camera step runs (dialog 103).
//
// Over the background picture (bitmap 117) it shows one of eight frames of a
// progress strip (controls 1094-1101, bitmaps 119-126) and a blinking
// "Loading" picture (control 1085, bitmap 118). Each Step advances the strip by
// one frame and the blink every second step; the dialog ends itself on the
// 75th step. It cannot be closed from the keyboard or the window manager (a
// close event, from wherever it comes, is refused); the program ends it with
// End(), and finished() tells the owner in either case.
#pragma once
#include <QDialog>
#include <QImage>
#include <QMap>
#include <array>

class QLabel;

class BusyDialog : public QDialog {
  Q_OBJECT

 public:
  enum : int {
    IDC_LOADING = 1085,
    IDC_STRIP_FIRST = 1094,  // 1094 to 1101, one per strip frame
    STRIP_FRAMES = 8,
    STEP_SIZE = 200,
    LAST_COUNT = 15000,  // 75 steps
  };
  enum : int { IDB_BACKGROUND = 117, IDB_LOADING = 118, IDB_STRIP_FIRST = 119 };

  struct Art {
    QImage background;  // 448 x 280
    QImage loading;     // 166 x 44
    std::array<QImage, STRIP_FRAMES> strip;  // 366 x 10 each
  };
  // The dialog's pictures from the resource lookup.
  static Art LoadArt();

  explicit BusyDialog(QWidget* parent = nullptr);

  // Builds the dialog around its pictures; false (and nothing built) when the
  // background picture is missing, in which case the dialog must not be shown.
  bool Initialize(const Art& art = LoadArt());
  // Shows the dialog centred over its parent (or the screen), without making it modal.
  void ShowModeless();
  // Advances the animation; does nothing once the dialog has ended.
  void Step();
  // Ends the dialog early (the owner's way to close it).
  void End() { done(QDialog::Accepted); }

  int Counter() const { return counter_; }
  bool Blink() const { return blink_; }
  bool Ended() const { return ended_; }
  QLabel* Control(int id) const { return controls_.value(id, nullptr); }
  // The strip frame control shown now.
  int VisibleStrip() const;

  void done(int result) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QLabel* AddPicture(int id, const QImage& picture, const QPoint& at);
  void ShowStrip(int frame);

  QPixmap background_;
  QMap<int, QLabel*> controls_;
  int counter_ = 0;
  bool blink_ = false;
  bool ended_ = false;
};
