// The program's one main window: a frameless 730 x 554 dialog drawn over its
// background picture. It is the composition root: it makes the window shell
// (controls and layouts), the two panes, the camera connection and the
// controllers that each own one concern (the connection's window steps, camera
// mode, the file operations, the preview of a click), routes every command to
// its owner through one command table, keeps the window's own behaviour
// (painting, dragging, keys, closing) and runs the start-up and shutdown steps
// in their order.
#pragma once
#include <QDialog>
#include <QPixmap>
#include <QPoint>

#include "app/CameraModeController.h"
#include "app/ConnectionController.h"
#include "app/FileOpsController.h"
#include "app/GuiThreadUi.h"
#include "app/PreviewController.h"
#include "app/Settings.h"
#include "app/WindowShell.h"
#include "app/WindowTimers.h"
#include "app/WindowUi.h"
#include "browser/FilePanes.h"
#include "camera/CameraConnection.h"

class PowerWatch;

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MainWindow(CameraDriver& driver, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up, then the window's own loop until it ends; the result of the dialog.
  int Run();
  // Runs the start-up steps; false when the window ended itself on the way.
  bool StartUp();
  // Ends the window as its close button does (the destruction steps run once).
  void EndWindow();
  // Sends a command as if its control had been used.
  void Command(int id);
  // Sends a pane menu's command (Delete, Copy, Rename) as if it had been chosen.
  void MenuCommand(int id);

  // --- the parts, for the tests that drive the window ---
  WindowShell& Shell() { return shell_; }
  const CameraConnection& Camera() const { return camera_; }
  ConnectionController& Connection() { return connection_; }
  CameraModeController& CameraMode() { return cameraMode_; }
  FileOpsController& FileOps() { return fileOps_; }
  PreviewController& Preview() { return preview_; }
  FilePanes* Panes() { return &panes_; }
  QTimer& Timer(TimerId id) { return timers_(id); }
  QWidget* Control(int id) const { return shell_.Control(id); }
  template <typename T>
  T* ControlAs(int id) const { return shell_.ControlAs<T>(id); }

  // Shut-down and power (the session manager and logind).
  void OnShutdownQuery();
  void OnShutdownNotice();
  void OnSuspendRequest();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  friend struct WindowTestAccess;

  void RouteCommands();
  void Route(int id, std::function<void()> handler, bool ignoredWhileBusy);
  void ConnectPanes();
  void OnCameraFolderChosen(const QString& name);
  void StartupStep(int ms);
  void RunDestructionSteps();
  void ReleaseCameraForShutdown();

  // Declared in the order they are made: the window interface holds the
  // parts made after it, which it is not called on before they are.
  AppSettings settings_;  // recording mode, recording time, PC path
  WindowTimers timers_{this};
  WindowShell shell_{*this};
  WindowUi windowUi_{shell_, panes_, timers_, fileOps_, preview_, cameraMode_};
  // The camera code and the file operations may run on the transfer or format
  // thread: they reach the window through this, which carries each call to
  // the GUI thread.
  GuiThreadUi ui_{windowUi_};
  CameraConnection camera_;
  FilePanes panes_{shell_.PcPaneView(), shell_.CamPaneView(), camera_};
  CameraModeController cameraMode_{camera_, shell_, timers_, ui_, settings_};
  ConnectionController connection_{camera_, shell_, panes_, timers_, cameraMode_, ui_};
  PreviewController preview_{camera_, shell_, panes_, timers_, cameraMode_, ui_};
  FileOpsController fileOps_{camera_, ui_, panes_, shell_, settings_};

  PowerWatch* power_ = nullptr;
  QPixmap background_;
  QPoint dragOffset_;
  bool dragging_ = false;
  bool destroyed_ = false;  // the destruction steps have run
  bool ended_ = false;      // the window was ended during start-up
};
