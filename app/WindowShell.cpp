#include "app/WindowShell.h"

#include <QBitmap>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>

#include "app/ControlTable.h"
#include "browser/FilePane.h"
#include "resources/Resources.h"
#include "skin/BusyDialog.h"
#include "skin/CSkinButton.h"
#include "skin/CSkinLabel.h"
#include "video/VideoFrame.h"

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);
const QColor kLimitColourCamera(138, 166, 193);
const QColor kLimitColourStorage(208, 220, 233);

// A picture static: the bitmap at its own size, magenta left out.
QPixmap MaskedPixmap(int bitmapId) {
  QImage image = resources::BitmapImage(bitmapId);
  if (image.isNull()) return {};
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(kMagenta, Qt::MaskInColor)));
  return pixmap;
}

}  // namespace

WindowShell::WindowShell(QDialog& window) : window_(window) {
  for (const ControlSpec& control : MainControls()) {
    QWidget* w = CreateControl(control);
    w->setObjectName(QString("control%1").arg(control.id));
    w->move(Px(control.x), Px(control.y));
    if (control.width > 0) w->resize(Px(control.width), Px(control.height));
    // A drop-down list's height is that of its open list; closed it is one line.
    if (control.kind == ControlKind::DropDown) w->resize(Px(control.width), w->sizeHint().height());
    w->setVisible(!control.hidden);
    w->setEnabled(!control.disabled);
    controls_.insert(control.id, w);
  }
  // The picture frame and the video frame share one place; the picture frame is above.
  Control(ctl::PICTURE_FRAME)->raise();
}

QWidget* WindowShell::CreateControl(const ControlSpec& control) {
  QWidget* parent = &window_;
  switch (control.kind) {
    case ControlKind::Button:
      return new CSkinButton(parent);
    case ControlKind::List:
      return new FilePane(parent);
    case ControlKind::DropDown: {
      auto* box = new QComboBox(parent);
      box->addItems({"Timed  Record", "Toggle Record"});
      return box;
    }
    case ControlKind::BlackFrame: {
      // The live preview and the player draw into the video frame.
      if (control.id == ctl::VIDEO_FRAME) return new VideoFrame(parent);
      auto* frame = new QFrame(parent);
      frame->setAutoFillBackground(true);
      QPalette p = frame->palette();
      p.setColor(QPalette::Window, Qt::black);
      frame->setPalette(p);
      return frame;
    }
    case ControlKind::Text:
      return new CSkinLabel(parent);
    case ControlKind::Picture: {
      auto* picture = new QLabel(parent);
      QPixmap pixmap = MaskedPixmap(control.hoverBitmap);
      picture->setPixmap(pixmap);
      picture->resize(pixmap.size());
      if (!pixmap.mask().isNull()) picture->setMask(pixmap.mask());
      picture->setAttribute(Qt::WA_TransparentForMouseEvents);
      return picture;
    }
  }
  return new QWidget(parent);
}

FilePane* WindowShell::PcPaneView() const { return ControlAs<FilePane>(ctl::PC_PANE); }

FilePane* WindowShell::CamPaneView() const { return ControlAs<FilePane>(ctl::CAM_PANE); }

// ---------------------------------------------------------------- start-up

void WindowShell::SetupButtons() {
  for (const ControlSpec& control : MainControls()) {
    if (control.kind != ControlKind::Button) continue;
    auto* button = ControlAs<CSkinButton>(control.id);
    button->SetBitmaps(control.hoverBitmap, kMagenta, control.normalBitmap, kMagenta);
    button->SetBorder(false, true);
    if (control.tooltip) button->SetTooltipText(control.tooltip, true);
    if (control.transparent) button->DrawTransparent(true);
  }
}

void WindowShell::SetupLabels() {
  struct LabelSetup {
    int id;
    QColor colour;
    int points;
  };
  const LabelSetup labels[] = {
      {ctl::PC_PATH_LABEL, QColor(255, 255, 181), 9},
      {ctl::RECORD_MINUTES, kLimitColourCamera, 10},
      {ctl::RECORD_SECONDS, kLimitColourCamera, 10},
      {ctl::TIME_LABEL, QColor(255, 0, 0), 12},
  };
  for (const LabelSetup& l : labels) {
    auto* label = ControlAs<CSkinLabel>(l.id);
    label->SetFontName("Fixedsys");
    label->SetTextColor(l.colour);
    label->SetFontSize(l.points);
    label->SetFontBold(true);
    label->SetTransparent(true);
    // Text lies on the skin and on its decorations: the storage layout's
    // greyed time panel 1022 is under the limit numbers.
    label->raise();
  }
  // The limit numbers stand right-aligned in their display, beside "min" and "sec".
  for (int id : {ctl::RECORD_MINUTES, ctl::RECORD_SECONDS})
    ControlAs<CSkinLabel>(id)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ControlAs<CSkinLabel>(ctl::TIME_LABEL)->SetText("00 : 00");
}

void WindowShell::SetLabelFonts() {
  for (int id : {ctl::PC_PATH_LABEL, ctl::RECORD_MINUTES, ctl::RECORD_SECONDS}) {
    auto* label = ControlAs<CSkinLabel>(id);
    label->SetFontName("MS Sans Serif");
    label->SetFontSize(8);
  }
}

void WindowShell::SetPaneFonts() {
  QFont paneFont("MS Sans Serif");
  paneFont.setStyleHint(QFont::SansSerif);
  paneFont.setPixelSize(12);
  for (int id : {ctl::PC_PANE, ctl::CAM_PANE, ctl::RECORD_MODE_BOX}) Control(id)->setFont(paneFont);
}

void WindowShell::ShowRecordingTime(int seconds) {
  ControlAs<CSkinLabel>(ctl::RECORD_MINUTES)->SetText(QString::number(seconds / 60));
  ControlAs<CSkinLabel>(ctl::RECORD_SECONDS)->SetText(QString::number(seconds % 60));
}

// ---------------------------------------------------------------- layouts

void WindowShell::ApplyModeLayout(bool mediaReady) {
  const bool cameraLayout = layoutFlag_;  // 1: the camera layout goes up now
  auto show = [this](int id, bool shown) { Control(id)->setVisible(shown); };
  show(ctl::TO_CAMERA_MODE, !cameraLayout);
  show(ctl::LABEL_STORAGE, !cameraLayout);
  show(ctl::TO_STORAGE_MODE, cameraLayout);
  show(ctl::LABEL_CAMERA, cameraLayout);
  show(ctl::PC_ADD_FOLDER, !cameraLayout);
  show(ctl::PC_DELETE, !cameraLayout);
  Control(ctl::RECORD_MODE_BOX)->setEnabled(cameraLayout);
  const QColor limit = cameraLayout ? kLimitColourCamera : kLimitColourStorage;
  ControlAs<CSkinLabel>(ctl::RECORD_MINUTES)->SetTextColor(limit);
  ControlAs<CSkinLabel>(ctl::RECORD_SECONDS)->SetTextColor(limit);
  for (int id : {ctl::CAM_ADD_FOLDER, ctl::CAM_DELETE, ctl::COPY_TO_PC, ctl::FORMAT, ctl::COPY_TO_CAMERA}) {
    if (cameraLayout) show(id, false);
    else if (mediaReady) show(id, true);
  }
  Control(ctl::CAM_PANE)->setEnabled(!cameraLayout && mediaReady);
  for (int id : {ctl::DECO_1012, ctl::DECO_1014, ctl::DECO_1015, ctl::DECO_1018}) show(id, cameraLayout);
  for (int id : {ctl::RECORD, ctl::CAPTURE, ctl::RECORD_TIME}) show(id, cameraLayout);
  for (int id : {ctl::EMAIL, ctl::PHOTO_EDITOR, ctl::DECO_1022}) show(id, !cameraLayout);
  Control(ctl::PC_PANE)->setEnabled(!cameraLayout);
  for (int id : {ctl::STOP_RECORD, ctl::PLAY, ctl::STOP_PLAY}) show(id, false);
  layoutFlag_ = !layoutFlag_;
  Repaint();
}

// ---------------------------------------------------------------- widget steps

void WindowShell::ShowCameraButtons(bool shown) {
  for (int id : {ctl::CAM_DELETE, ctl::COPY_TO_PC, ctl::CAM_ADD_FOLDER, ctl::COPY_TO_CAMERA})
    Control(id)->setVisible(shown);
}

void WindowShell::ShowFormatButton(bool shown) { Control(ctl::FORMAT)->setVisible(shown); }

void WindowShell::EnableCameraPane(bool enabled) { Control(ctl::CAM_PANE)->setEnabled(enabled); }

void WindowShell::EnablePcPane(bool enabled) { Control(ctl::PC_PANE)->setEnabled(enabled); }

void WindowShell::ShowVideoFrame(bool shown) { Control(ctl::VIDEO_FRAME)->setVisible(shown); }

void WindowShell::ShowPictureFrame(bool shown) { Control(ctl::PICTURE_FRAME)->setVisible(shown); }

void WindowShell::HidePlayButtons() {
  Control(ctl::PLAY)->hide();
  Control(ctl::STOP_PLAY)->hide();
}

void WindowShell::ShowPcPath(const QString& path) {
  auto* label = ControlAs<CSkinLabel>(ctl::PC_PATH_LABEL);
  label->SetText(path);
  label->SetTooltipText(path, true);
}

void WindowShell::Repaint() {
  window_.update();
  window_.repaint();
}

// ---------------------------------------------------------------- busy dialog

void WindowShell::OpenBusyDialog() {
  busy_ = new BusyDialog(nullptr);
  busy_->setAttribute(Qt::WA_DeleteOnClose);
  if (busy_->Initialize()) {
    busy_->ShowModeless();
    busyDialogShown_ = true;
  }
}

void WindowShell::StepBusyDialog() {
  if (busy_) busy_->Step();
}

void WindowShell::CloseBusyDialog() {
  if (busy_) {
    busy_->done(0);
    busy_->deleteLater();
    busy_ = nullptr;
  }
  busyDialogShown_ = false;
}
