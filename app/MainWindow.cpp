#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTreeView>
#include <QWindow>

#include "app/ControlTable.h"
#include "app/MediaApp.h"
#include "app/ProgramFolder.h"
#include "app/TempFolder.h"
#include "browser/FilePanes.h"
#include "browser/OutsideTools.h"
#include "skin/GradientMenuResource.h"
#include "camera/CamRows.h"
#include "camera/CameraProtocol.h"
#include "platform/imaging/BitmapWindow.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "platform/ui/PowerWatch.h"
#include "platform/ui/WindowLookup.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "skin/BusyDialog.h"
#include "skin/CSkinButton.h"
#include "skin/CSkinLabel.h"
#include "video/PreviewGraph.h"
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

MainWindow::MainWindow(CameraDriver& driver, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint),
      camera(driver, ui_) {
  setObjectName("MainWindow");
  setFixedSize(kWindowWidth, kWindowHeight);
  CreateControls();
  RouteCommands();
  SetPreviewGraph(std::make_unique<GstPreviewGraph>());
  ConnectPanes();
  qApp->installEventFilter(this);
  power_ = new PowerWatch(resources::String(ids::SUSPEND_DENIED), this);
  connect(power_, &PowerWatch::suspendRequested, this, &MainWindow::OnSuspendRequest);
  connect(power_, &PowerWatch::shutdownNotice, this, &MainWindow::OnShutdownNotice);
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { OnShutdownQuery(); });
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  RunDestructionSteps();
}

// ---------------------------------------------------------------- controls

void MainWindow::CreateControls() {
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

QWidget* MainWindow::CreateControl(const ControlSpec& control) {
  switch (control.kind) {
    case ControlKind::Button:
      return new CSkinButton(this);
    case ControlKind::List:
      return new FilePane(this);
    case ControlKind::DropDown: {
      auto* box = new QComboBox(this);
      box->addItems({"Timed  Record", "Toggle Record"});
      return box;
    }
    case ControlKind::BlackFrame: {
      // The live preview and the player draw into the video frame.
      if (control.id == ctl::VIDEO_FRAME) return new VideoFrame(this);
      auto* frame = new QFrame(this);
      frame->setAutoFillBackground(true);
      QPalette p = frame->palette();
      p.setColor(QPalette::Window, Qt::black);
      frame->setPalette(p);
      return frame;
    }
    case ControlKind::Text:
      return new CSkinLabel(this);
    case ControlKind::Picture: {
      auto* picture = new QLabel(this);
      QPixmap pixmap = MaskedPixmap(control.hoverBitmap);
      picture->setPixmap(pixmap);
      picture->resize(pixmap.size());
      if (!pixmap.mask().isNull()) picture->setMask(pixmap.mask());
      picture->setAttribute(Qt::WA_TransparentForMouseEvents);
      return picture;
    }
  }
  return new QWidget(this);
}

void MainWindow::SetupButtons() {
  for (const ControlSpec& control : MainControls()) {
    if (control.kind != ControlKind::Button) continue;
    auto* button = ControlAs<CSkinButton>(control.id);
    button->SetBitmaps(control.hoverBitmap, kMagenta, control.normalBitmap, kMagenta);
    button->SetBorder(false, true);
    if (control.tooltip) button->SetTooltipText(control.tooltip, true);
    if (control.transparent) button->DrawTransparent(true);
  }
}

void MainWindow::SetupLabels() {
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

// The later setting of three labels: the panes' face, 8 points.
void MainWindow::SetLabelFonts() {
  for (int id : {ctl::PC_PATH_LABEL, ctl::RECORD_MINUTES, ctl::RECORD_SECONDS}) {
    auto* label = ControlAs<CSkinLabel>(id);
    label->SetFontName("MS Sans Serif");
    label->SetFontSize(8);
  }
}

void MainWindow::ShowRecordingTime() {
  const int t = settings.timeToRecord;
  ControlAs<CSkinLabel>(ctl::RECORD_MINUTES)->SetText(QString::number(t / 60));
  ControlAs<CSkinLabel>(ctl::RECORD_SECONDS)->SetText(QString::number(t % 60));
}

// ---------------------------------------------------------------- commands

void MainWindow::Route(int id, void (MainWindow::*handler)(), bool ignoredWhileBusy) {
  QWidget* w = Control(id);
  auto run = [this, handler, ignoredWhileBusy] {
    if (ignoredWhileBusy && operationFlag) return;
    (this->*handler)();
  };
  if (auto* button = qobject_cast<QAbstractButton*>(w)) connect(button, &QAbstractButton::clicked, this, run);
}

void MainWindow::RouteCommands() {
  Route(ctl::CLOSE, &MainWindow::EndWindow, true);
  Route(ctl::MINIMIZE, &MainWindow::showMinimized, true);
  Route(ctl::HELP, &MainWindow::OnHelp, true);
  Route(ctl::TO_CAMERA_MODE, &MainWindow::OnToCameraMode, true);
  Route(ctl::TO_STORAGE_MODE, &MainWindow::OnToStorageMode, true);
  Route(ctl::PC_ADD_FOLDER, &MainWindow::OnPcAddFolder, true);
  Route(ctl::PC_DELETE, &MainWindow::OnPcDelete, true);
  Route(ctl::COPY_TO_CAMERA, &MainWindow::OnCopyToCamera, true);
  Route(ctl::CAM_ADD_FOLDER, &MainWindow::OnCamAddFolder, true);
  Route(ctl::CAM_DELETE, &MainWindow::OnCamDelete, true);
  Route(ctl::COPY_TO_PC, &MainWindow::OnCopyToPc, true);
  Route(ctl::FORMAT, &MainWindow::OnFormat, true);
  Route(ctl::RECORD, &MainWindow::OnStartRecording, true);
  Route(ctl::STOP_RECORD, &MainWindow::OnStopRecording, true);
  Route(ctl::CAPTURE, &MainWindow::OnCaptureStill, true);
  Route(ctl::PLAY, &MainWindow::OnPlayMovie, true);
  Route(ctl::STOP_PLAY, &MainWindow::OnStopMovie, true);
  Route(ctl::RECORD_TIME, &MainWindow::OnRecordingTime, true);
  Route(ctl::EMAIL, &MainWindow::OnEmail, true);
  Route(ctl::PHOTO_EDITOR, &MainWindow::OnPhotoEditor, true);

  connect(&Timer(TimerId::StoragePoll), &QTimer::timeout, this, &MainWindow::OnStoragePoll);
  connect(&Timer(TimerId::DeferredPreviewStart), &QTimer::timeout, this, &MainWindow::OnDeferredPreviewStart);
  connect(&Timer(TimerId::TimedRecordingClock), &QTimer::timeout, this, &MainWindow::OnRecordingClock);
  connect(&Timer(TimerId::ToggleRecordingClock), &QTimer::timeout, this, &MainWindow::OnRecordingClock);
  connect(&Timer(TimerId::CameraReopen), &QTimer::timeout, this, &MainWindow::OnReopenCamera);
  connect(&Timer(TimerId::PlayClock), &QTimer::timeout, this, &MainWindow::OnPlayClock);

  auto* recordMode = ControlAs<QComboBox>(ctl::RECORD_MODE_BOX);
  connect(recordMode, &QComboBox::currentIndexChanged, this,
          [this](int index) { settings.recordMode = index; });
}

// The panes' double-clicks, header clicks and context menus; the panes skip
// them while the operation flag is set.
void MainWindow::ConnectPanes() {
  panes_ = new FilePanes(ControlAs<FilePane>(ctl::PC_PANE), ControlAs<FilePane>(ctl::CAM_PANE), camera, this);
  panes_->isBusy = [this] { return operationFlag; };
  panes_->pc.onPathChanged = [this](const QString& path) {
    settings.currentPath = path;
    auto* label = ControlAs<CSkinLabel>(ctl::PC_PATH_LABEL);
    label->SetText(path);
    label->SetTooltipText(path, true);
  };
  panes_->pc.onViewPicture = [this](const QString& path) { ViewPcPicture(path); };
  panes_->cam.onViewPicture = [this](const QString& name) { ViewCameraPicture(name); };
  panes_->cam.onMoveCamera = [this](const std::string& name) {
    Timer(TimerId::StoragePoll).stop();
    camera.ChangeCamFolder(name);
    camera.ListCamFolder();
    FillCamPane();
    Timer(TimerId::StoragePoll).start(500);
  };
  panes_->onMenuCommand = [this](int id) {
    struct MenuRoute {
      int id;
      void (MainWindow::*handler)();
      bool ignoredWhileBusy;
    };
    static const MenuRoute kRoutes[] = {
        {PaneMenu::kPcCopy, &MainWindow::OnCopyToCamera, true},
        {PaneMenu::kPcDelete, &MainWindow::OnPcDelete, true},
        {PaneMenu::kPcRename, &MainWindow::OnPcRename, false},
        {PaneMenu::kCamDelete, &MainWindow::OnCamDelete, true},
        {PaneMenu::kCamCopy, &MainWindow::OnCopyToPc, true},
        {PaneMenu::kCamRename, &MainWindow::OnCamRename, false},
    };
    for (const MenuRoute& r : kRoutes)
      if (r.id == id && !(r.ignoredWhileBusy && operationFlag)) (this->*r.handler)();
  };
  ConnectPreviewAndDrag();
}

void MainWindow::OnViewDetail() { panes_->SetPaneViewMode(PaneView::Detail); }

void MainWindow::OnViewList() { panes_->SetPaneViewMode(PaneView::List); }

void MainWindow::Command(int id) {
  if (auto* button = ControlAs<QAbstractButton>(id)) button->click();
}

// ---------------------------------------------------------------- layouts

void MainWindow::ApplyModeLayout() {
  const bool cameraLayout = layoutFlag;  // 1: the camera layout goes up now
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
    else if (camera.MediaReady()) show(id, true);
  }
  Control(ctl::CAM_PANE)->setEnabled(!cameraLayout && camera.MediaReady());
  for (int id : {ctl::DECO_1012, ctl::DECO_1014, ctl::DECO_1015, ctl::DECO_1018}) show(id, cameraLayout);
  for (int id : {ctl::RECORD, ctl::CAPTURE, ctl::RECORD_TIME}) show(id, cameraLayout);
  for (int id : {ctl::EMAIL, ctl::PHOTO_EDITOR, ctl::DECO_1022}) show(id, !cameraLayout);
  Control(ctl::PC_PANE)->setEnabled(!cameraLayout);
  for (int id : {ctl::STOP_RECORD, ctl::PLAY, ctl::STOP_PLAY}) show(id, false);
  layoutFlag = !layoutFlag;
  Repaint();
}

// ---------------------------------------------------------------- window behaviour

bool MainWindow::VideoShows() const {
  return (previewRunning || moviePlaying) && Control(ctl::VIDEO_FRAME)->isVisible();
}

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (isMinimized()) {
    QIcon icon = resources::Icon(105);
    icon.paint(&p, rect());
    return;
  }
  // While video shows, its rectangle is left out so the picture is not overdrawn.
  if (VideoShows()) p.setClipRegion(QRegion(rect()).subtracted(Control(ctl::VIDEO_FRAME)->geometry()));
  p.drawPixmap(0, 0, kWindowWidth, kWindowHeight, background_);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  // A press in the top band moves the window as its caption would.
  if (event->button() == Qt::LeftButton && event->position().y() < kDragBand) {
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    return;
  }
  QDialog::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - dragOffset_);
    return;
  }
  QDialog::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QDialog::mouseReleaseEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape must not end the dialog.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space:
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Before any control of the window sees a key: Enter, Escape and Space are
  // swallowed, F1 opens the help document.
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
    return QDialog::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || (widget != this && !isAncestorOf(widget))) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Space)
    return true;
  if (event->type() == QEvent::KeyPress && PaneKey(watched, key)) return true;
  if (key == Qt::Key_F1) {
    if (event->type() == QEvent::KeyPress && !operationFlag) OnHelp();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The window manager's close (Alt+F4, the task bar) counts as the close button:
  // refused while a copy runs.
  if (operationFlag) {
    event->ignore();
    return;
  }
  event->accept();
  EndWindow();
}

void MainWindow::EndWindow() {
  if (isVisible() || !ended_) {
    ended_ = true;
    done(QDialog::Rejected);
  }
}

void MainWindow::done(int result) {
  RunDestructionSteps();
  QDialog::done(result);
}

// ---------------------------------------------------------------- start-up

void MainWindow::StartupStep(int ms) {
  GetPacing().Wait(ms);
  if (busy_) busy_->Step();
}

int MainWindow::Run() {
  if (!StartUp()) return 0;
  return exec();
}

bool MainWindow::StartUp() {
  // 1. The busy dialog, then the window's own initialisation.
  busy_ = new BusyDialog(nullptr);
  busy_->setAttribute(Qt::WA_DeleteOnClose);
  if (busy_->Initialize()) {
    busy_->ShowModeless();
    busyDialogShown = true;
  }
  StartupStep(200);
  StartupStep(200);
  // 2. The imaging support.
  BitmapWindow::LoadLibraries(kImagingMask);
  StartupStep(0);
  // 3. The background; without it the window stays unfinished.
  background_ = resources::Bitmap(108);
  if (background_.isNull()) return true;
  StartupStep(0);
  // 4. Caption, icon, the rounded region.
  setWindowTitle("Orin Media 5.1");
  setWindowIcon(resources::Icon(105));
  QPainterPath rounded;
  rounded.addRoundedRect(QRectF(0, 0, kWindowWidth, kWindowHeight), kCornerEllipse / 2.0,
                         kCornerEllipse / 2.0);
  setMask(QRegion(rounded.toFillPolygon().toPolygon()));
  StartupStep(0);
  // 5. The skinned buttons.
  SetupButtons();
  StartupStep(0);
  // 6. The recording time, shown as minutes and seconds.
  settings = ReadSettings();
  SetupLabels();
  ShowRecordingTime();
  StartupStep(0);
  // 7. The panes' selection and fonts, the elapsed-time label.
  QFont paneFont("MS Sans Serif");
  paneFont.setStyleHint(QFont::SansSerif);
  paneFont.setPixelSize(12);
  for (int id : {ctl::PC_PANE, ctl::CAM_PANE, ctl::RECORD_MODE_BOX}) Control(id)->setFont(paneFont);
  SetLabelFonts();
  StartupStep(0);
  // 8. The PC pane's folder.
  if (settings.currentPath.isEmpty()) settings.currentPath = QDir::currentPath();
  panes_->pc.ListPcFolder(settings.currentPath);
  panes_->pc.FillPcPane();
  StartupStep(0);
  // 9. The recording mode.
  ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->setCurrentIndex(settings.recordMode);
  StartupStep(0);
  // 10. The camera pane's rows, the picture window inside the picture frame.
  pictureWindow_ = new BitmapWindow(Control(ctl::PICTURE_FRAME), 901);
  pictureWindow_->SetZoomMode(0, 0);
  Control(ctl::PICTURE_FRAME)->hide();
  StartupStep(0);
  // 11. The program folder (beside the executable, not the current directory,
  // so that an installed program finds its siblings from any folder), the camera layout.
  programFolder = ProgramFolder();
  tools_ = std::make_unique<OutsideTools>(programFolder);
  tools_->showError = [this](int id) { ShowMessage(id, MsgIcon::Error); };
  ApplyModeLayout();
  StartupStep(0);
  // 12. The temporary folder (errors are ignored).
  CreateTempFolder();
  StartupStep(0);
  show();
  // 13. The camera.
  OpenCameraAtStartUp();
  return !ended_;
}

// ---------------------------------------------------------------- shutdown

void MainWindow::RunDestructionSteps() {
  if (destroyed_) return;
  destroyed_ = true;
  // A copy still running (the window ended by a signal): cancelled, and its
  // current file finished, before the camera goes.
  if (transfer_ && !transfer_->Finished()) {
    if (ProgressDialog* dialog = transfer_->Dialog()) dialog->CancelButton()->click();
  }
  transfer_.reset();
  timers_.StopRepeating();
  camera.ClearLists();
  if (panes_) {
    panes_->pc.listing = PcListing{};
    panes_->pc.View()->Model()->SetRows({});
    panes_->cam.View()->Model()->SetRows({});
  }
  if (recording) {
    if (worker_) worker_->StopRecording();
    recording = false;
    // Saving under a chosen name belongs to the recording controls.
    ShowMessageBox(this, resources::String(ids::SAVE_FILE_QUESTION), MsgIcon::Question, MsgButtons::YesNo);
  }
  WriteSettings(settings);
  StopStreaming();
  moviePlaying = false;
  camera.Release();
  RemoveTempFolder();
  CloseWindowsTitled("Orin Image Viewer");
  CloseBusyDialog();
}

// At the end of the log-on the camera is released while its flag is left as
// it was: the log-on may yet go on.
void MainWindow::ReleaseCameraForShutdown() {
  StopStreaming();
  moviePlaying = false;
  camera.ReleaseAtLogOnEnd();
}

void MainWindow::OnShutdownQuery() {
  timers_.StopRepeating();
  ReleaseCameraForShutdown();
}

void MainWindow::OnShutdownNotice() { ReleaseCameraForShutdown(); }

void MainWindow::OnSuspendRequest() {
  ShowMessageBox(this, resources::String(ids::SUSPEND_DENIED), MsgIcon::Information);
}

// ---------------------------------------------------------------- the window interface

void MainWindow::FillCamPane() { panes_->cam.FillCamPane(); }

void MainWindow::ShowCameraButtons(bool shown) {
  for (int id : {ctl::CAM_DELETE, ctl::COPY_TO_PC, ctl::CAM_ADD_FOLDER, ctl::COPY_TO_CAMERA})
    Control(id)->setVisible(shown);
}

void MainWindow::EnableCameraPane(bool enabled) { Control(ctl::CAM_PANE)->setEnabled(enabled); }

void MainWindow::ShowFormatButton(bool shown) { Control(ctl::FORMAT)->setVisible(shown); }

void MainWindow::Repaint() {
  update();
  repaint();
}

void MainWindow::CloseBusyDialog() {
  if (busy_) {
    busy_->done(0);
    busy_->deleteLater();
    busy_ = nullptr;
  }
  busyDialogShown = false;
}

void MainWindow::StepProgress() {
  if (transfer_ && transfer_->Dialog()) transfer_->Dialog()->Step();
}

void MainWindow::StopStoragePoll() { Timer(TimerId::StoragePoll).stop(); }

void MainWindow::StartStoragePoll(int ms) { Timer(TimerId::StoragePoll).start(ms); }
