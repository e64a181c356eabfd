#include "skin/BusyDialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include "resources/Resources.h"

namespace {

// Where the pictures lie on the 448 x 280 background: the word "Loading"
// above the strip, both centred, below the title where the artwork leaves the
// background plain.
constexpr QPoint kLoadingAt(141, 150);
constexpr QPoint kStripAt(41, 222);
constexpr QSize kDialogSize(448, 280);

// Picture controls show their bitmap as it is, except that magenta lets the
// background through.
QPixmap WithMagentaClear(const QImage& picture) {
  QImage out = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFFu) == 0xFF00FFu) line[x] = 0;
  }
  return QPixmap::fromImage(out);
}

}  // namespace

BusyDialog::Art BusyDialog::LoadArt() {
  Art art;
  art.background = resources::BitmapImage(IDB_BACKGROUND);
  art.loading = resources::BitmapImage(IDB_LOADING);
  for (int i = 0; i < STRIP_FRAMES; ++i) art.strip[i] = resources::BitmapImage(IDB_STRIP_FIRST + i);
  return art;
}

BusyDialog::BusyDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setModal(false);
}

bool BusyDialog::Initialize(const Art& art) {
  if (art.background.isNull()) return false;
  background_ = QPixmap::fromImage(art.background);
  setFixedSize(kDialogSize);
  AddPicture(IDC_LOADING, art.loading, kLoadingAt);
  for (int i = 0; i < STRIP_FRAMES; ++i) AddPicture(IDC_STRIP_FIRST + i, art.strip[i], kStripAt);
  ShowStrip(0);
  return true;
}

QLabel* BusyDialog::AddPicture(int id, const QImage& picture, const QPoint& at) {
  auto* label = new QLabel(this);
  if (!picture.isNull()) {
    label->setPixmap(WithMagentaClear(picture));
    label->setGeometry(QRect(at, picture.size()));
  } else {
    label->setGeometry(QRect(at, QSize(0, 0)));
  }
  controls_.insert(id, label);
  return label;
}

void BusyDialog::ShowModeless() {
  const QRect area = parentWidget() && parentWidget()->isVisible()
                         ? parentWidget()->frameGeometry()
                         : QGuiApplication::primaryScreen()->availableGeometry();
  move(area.center() - rect().center());
  show();
}

void BusyDialog::ShowStrip(int frame) {
  for (int i = 0; i < STRIP_FRAMES; ++i)
    if (QLabel* strip = Control(IDC_STRIP_FIRST + i)) strip->setVisible(i == frame);
}

int BusyDialog::VisibleStrip() const {
  for (int i = 0; i < STRIP_FRAMES; ++i) {
    QLabel* strip = Control(IDC_STRIP_FIRST + i);
    if (strip && !strip->isHidden()) return IDC_STRIP_FIRST + i;
  }
  return 0;
}

void BusyDialog::Step() {
  if (ended_) return;
  counter_ += STEP_SIZE;
  ShowStrip((counter_ / STEP_SIZE) % STRIP_FRAMES);
  if (counter_ % (2 * STEP_SIZE) == 0) blink_ = !blink_;
  if (QLabel* loading = Control(IDC_LOADING)) loading->setVisible(blink_);
  if (counter_ >= LAST_COUNT) {
    done(QDialog::Accepted);
    return;
  }
  repaint();
}

void BusyDialog::done(int result) {
  ended_ = true;
  QDialog::done(result);
}

void BusyDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, background_);
}

// Return, Escape and every other key do nothing here.
void BusyDialog::keyPressEvent(QKeyEvent* event) {
  event->accept();
}

// The window manager's close (Alt+F4, the title menu) is refused. Qt does not
// tell it apart from a close() in the program, so the program uses End().
void BusyDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  update();
}

// Shortcuts (Alt+F4 among them on some desktops) never reach a key handler of
// their own while the dialog is up.
bool BusyDialog::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  return QDialog::event(event);
}
