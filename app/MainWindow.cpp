#include "app/MainWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/ControlTable.h"
#include "app/MediaApp.h"
#include "app/ProgramFolder.h"
#include "app/TempFolder.h"
#include "platform/imaging/BitmapWindow.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "platform/ui/PowerWatch.h"
#include "platform/ui/WindowLookup.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "skin/GradientMenuResource.h"
#include "video/PreviewGraph.h"

MainWindow::MainWindow(CameraDriver& driver, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint),
      camera_(driver, ui_) {
  setObjectName("MainWindow");
  setFixedSize(kWindowWidth, kWindowHeight);
  RouteCommands();
  cameraMode_.SetPreviewGraph(std::make_unique<GstPreviewGraph>());
  cameraMode_.Capture().viewStill = [this](const QString& still) { preview_.ViewPcPicture(still); };
  cameraMode_.Player().hideStill = [this] { preview_.HideStill(); };
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

// ---------------------------------------------------------------- commands

void MainWindow::Route(int id, std::function<void()> handler, bool ignoredWhileBusy) {
  auto run = [this, handler = std::move(handler), ignoredWhileBusy] {
    if (ignoredWhileBusy && fileOps_.Busy()) return;
    handler();
  };
  if (auto* button = ControlAs<QAbstractButton>(id)) connect(button, &QAbstractButton::clicked, this, run);
}

// The command table: each control's command, its owner, and whether it is
// ignored while a copy or format runs; then the timers.
void MainWindow::RouteCommands() {
  Route(ctl::CLOSE, [this] { EndWindow(); }, true);
  Route(ctl::MINIMIZE, [this] { showMinimized(); }, true);
  Route(ctl::HELP, [this] { preview_.OnHelp(); }, true);
  Route(ctl::TO_CAMERA_MODE, [this] { connection_.OnToCameraMode(); }, true);
  Route(ctl::TO_STORAGE_MODE, [this] { connection_.OnToStorageMode(); }, true);
  Route(ctl::PC_ADD_FOLDER, [this] { fileOps_.OnPcAddFolder(); }, true);
  Route(ctl::PC_DELETE, [this] { fileOps_.OnPcDelete(); }, true);
  Route(ctl::COPY_TO_CAMERA, [this] { fileOps_.OnCopyToCamera(); }, true);
  Route(ctl::CAM_ADD_FOLDER, [this] { fileOps_.OnCamAddFolder(); }, true);
  Route(ctl::CAM_DELETE, [this] { fileOps_.OnCamDelete(); }, true);
  Route(ctl::COPY_TO_PC, [this] { fileOps_.OnCopyToPc(); }, true);
  Route(ctl::FORMAT, [this] { fileOps_.OnFormat(); }, true);
  Route(ctl::RECORD, [this] { cameraMode_.Recording().OnStartRecording(); }, true);
  Route(ctl::STOP_RECORD, [this] { cameraMode_.Recording().OnStopRecording(); }, true);
  Route(ctl::CAPTURE, [this] { cameraMode_.Capture().OnCaptureStill(); }, true);
  Route(ctl::PLAY, [this] { cameraMode_.OnPlayMovie(); }, true);
  Route(ctl::STOP_PLAY, [this] { cameraMode_.Player().OnStopMovie(); }, true);
  Route(ctl::RECORD_TIME, [this] { cameraMode_.Recording().OnRecordingTime(); }, true);
  Route(ctl::EMAIL, [this] { preview_.OnEmail(); }, true);
  Route(ctl::PHOTO_EDITOR, [this] { preview_.OnPhotoEditor(); }, true);

  // A poll due while a file operation starts must not re-list the stick under
  // the worker, which stops the poll itself once it runs and restarts it at its end.
  connect(&Timer(TimerId::StoragePoll), &QTimer::timeout, this, [this] {
    if (!fileOps_.Busy()) connection_.OnStoragePoll();
  });
  connect(&Timer(TimerId::DeferredPreviewStart), &QTimer::timeout, this,
          [this] { connection_.OnDeferredPreviewStart(); });
  connect(&Timer(TimerId::TimedRecordingClock), &QTimer::timeout, this,
          [this] { cameraMode_.Recording().OnTimedTick(); });
  connect(&Timer(TimerId::ToggleRecordingClock), &QTimer::timeout, this,
          [this] { cameraMode_.Recording().OnToggleTick(); });
  connect(&Timer(TimerId::CameraReopen), &QTimer::timeout, this, [this] { connection_.OnReopenCamera(); });
  connect(&Timer(TimerId::PlayClock), &QTimer::timeout, this, [this] { cameraMode_.Player().OnPlayClock(); });

  auto* recordMode = ControlAs<QComboBox>(ctl::RECORD_MODE_BOX);
  connect(recordMode, &QComboBox::currentIndexChanged, this, [this](int index) { settings_.recordMode = index; });
}

void MainWindow::MenuCommand(int id) {
  struct MenuRoute {
    int id;
    void (FileOpsController::*handler)();
    bool ignoredWhileBusy;
  };
  static const MenuRoute kRoutes[] = {
      {PaneMenu::kPcCopy, &FileOpsController::OnCopyToCamera, true},
      {PaneMenu::kPcDelete, &FileOpsController::OnPcDelete, true},
      {PaneMenu::kPcRename, &FileOpsController::OnPcRename, false},
      {PaneMenu::kCamDelete, &FileOpsController::OnCamDelete, true},
      {PaneMenu::kCamCopy, &FileOpsController::OnCopyToPc, true},
      {PaneMenu::kCamRename, &FileOpsController::OnCamRename, false},
  };
  for (const MenuRoute& r : kRoutes)
    if (r.id == id && !(r.ignoredWhileBusy && fileOps_.Busy())) (fileOps_.*r.handler)();
}

// The panes' notifications: the path label, double-clicked files and
// folders, the menus' file commands, and clicks for the preview. The panes
// themselves skip double-clicks, header clicks and menus while a copy runs.
void MainWindow::ConnectPanes() {
  panes_.isBusy = [this] { return fileOps_.Busy(); };
  connect(&panes_.pc, &PcPane::pathChanged, this, [this](const QString& path) {
    settings_.currentPath = path;
    shell_.ShowPcPath(path);
  });
  connect(&panes_.pc, &PcPane::pictureOpened, this, [this](const QString& path) { preview_.ViewPcPicture(path); });
  connect(&panes_.cam, &CamPane::pictureOpened, this,
          [this](const QString& name) { preview_.ViewCameraPicture(name); });
  connect(&panes_.cam, &CamPane::folderChosen, this, &MainWindow::OnCameraFolderChosen);
  connect(&panes_.pc, &PcPane::movieOpened, this, [this](const QString& path) { cameraMode_.PlayMovie(path, true); });
  connect(&panes_.cam, &CamPane::movieOpened, this,
          [this](const QString& name) { cameraMode_.PlayMovie(name, false); });
  connect(&panes_, &FilePanes::menuCommand, this, &MainWindow::MenuCommand);
  connect(panes_.pc.View(), &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (!fileOps_.Busy()) preview_.PreviewPcRow(index.row());
  });
  connect(panes_.cam.View(), &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (!fileOps_.Busy()) preview_.PreviewCameraRow(index.row());
  });
}

// A double-click on a camera folder: the camera moves there, with the storage poll stopped.
void MainWindow::OnCameraFolderChosen(const QString& name) {
  Timer(TimerId::StoragePoll).stop();
  camera_.ChangeCamFolder(name.toStdString());
  camera_.ListCamFolder();
  panes_.cam.FillCamPane();
  Timer(TimerId::StoragePoll).start(500);
}

void MainWindow::Command(int id) {
  if (auto* button = ControlAs<QAbstractButton>(id)) button->click();
}

// ---------------------------------------------------------------- window behaviour

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (isMinimized()) {
    QIcon icon = resources::Icon(105);
    icon.paint(&p, rect());
    return;
  }
  // While video shows, its rectangle is left out so the picture is not overdrawn.
  if (cameraMode_.VideoShows())
    p.setClipRegion(QRegion(rect()).subtracted(Control(ctl::VIDEO_FRAME)->geometry()));
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

void MainWindow::moveEvent(QMoveEvent* event) {
  cameraMode_.FitVideo();
  QDialog::moveEvent(event);
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
  if (event->type() == QEvent::KeyPress && fileOps_.PaneKey(watched, key)) return true;
  if (key == Qt::Key_F1) {
    if (event->type() == QEvent::KeyPress && !fileOps_.Busy()) preview_.OnHelp();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The window manager's close (Alt+F4, the task bar) counts as the close button:
  // refused while a copy runs.
  if (fileOps_.Busy()) {
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
  shell_.StepBusyDialog();
}

int MainWindow::Run() {
  if (!StartUp()) return 0;
  return exec();
}

bool MainWindow::StartUp() {
  // 1. The busy dialog, then the window's own initialisation.
  shell_.OpenBusyDialog();
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
  shell_.SetupButtons();
  StartupStep(0);
  // 6. The recording time, shown as minutes and seconds.
  settings_ = ReadSettings();
  shell_.SetupLabels();
  shell_.ShowRecordingTime(settings_.timeToRecord);
  StartupStep(0);
  // 7. The panes' selection and fonts, the elapsed-time label.
  shell_.SetPaneFonts();
  shell_.SetLabelFonts();
  StartupStep(0);
  // 8. The PC pane's folder.
  if (settings_.currentPath.isEmpty()) settings_.currentPath = QDir::currentPath();
  panes_.pc.ListPcFolder(settings_.currentPath);
  panes_.pc.FillPcPane();
  StartupStep(0);
  // 9. The recording mode.
  ControlAs<QComboBox>(ctl::RECORD_MODE_BOX)->setCurrentIndex(settings_.recordMode);
  StartupStep(0);
  // 10. The camera pane's rows, the picture window inside the picture frame.
  preview_.CreatePictureWindow();
  StartupStep(0);
  // 11. The program folder (beside the executable, not the current directory,
  // so that an installed program finds its siblings from any folder), the camera layout.
  preview_.SetProgramFolder(ProgramFolder());
  shell_.ApplyModeLayout(camera_.MediaReady());
  StartupStep(0);
  // 12. The temporary folder (errors are ignored).
  CreateTempFolder();
  StartupStep(0);
  show();
  // 13. The camera; without one the program ends.
  const bool found = connection_.OpenCameraAtStartUp();
  // A recording left by a program that ended while it recorded is offered
  // once the window is up, before anything empties the temporary folder.
  cameraMode_.Recording().OfferLeftRecording();
  if (!found) {
    EmptyTempFolder();
    EndWindow();
  }
  return !ended_;
}

// ---------------------------------------------------------------- shutdown

void MainWindow::RunDestructionSteps() {
  if (destroyed_) return;
  destroyed_ = true;
  fileOps_.EndTransfer();
  timers_.StopRepeating();
  camera_.ClearLists();
  panes_.pc.listing = PcListing{};
  panes_.pc.View()->Model()->SetRows({});
  panes_.cam.View()->Model()->SetRows({});
  cameraMode_.StopRecordingAtEnd();
  WriteSettings(settings_);
  cameraMode_.StopAll();
  camera_.Release();
  RemoveTempFolder();
  CloseWindowsTitled("Orin Image Viewer");
  shell_.CloseBusyDialog();
}

// At the end of the log-on the camera is released while its flag is left as
// it was: the log-on may yet go on.
void MainWindow::ReleaseCameraForShutdown() {
  cameraMode_.Recording().StopAtLogOnEnd();
  cameraMode_.StopMovieIfPlaying();  // with Play shown again
  cameraMode_.StopAll();
  camera_.ReleaseAtLogOnEnd();
}

void MainWindow::OnShutdownQuery() {
  timers_.StopRepeating();
  ReleaseCameraForShutdown();
}

void MainWindow::OnShutdownNotice() { ReleaseCameraForShutdown(); }

void MainWindow::OnSuspendRequest() {
  ShowMessageBox(this, resources::String(ids::SUSPEND_DENIED), MsgIcon::Information);
}
