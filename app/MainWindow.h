// The program's one main window: a frameless 730 x 554 dialog drawn over its
// background picture, holding the PC pane, the camera pane, the camera and
// recording controls and the tool buttons. It owns every state that lives
// longer than one command, routes every command to its handler, and runs the
// program's start-up and shutdown steps in their order.
#pragma once
#include <QDialog>
#include <QMap>
#include <QPointer>

#include "skin/BusyDialog.h"
#include <QTimer>
#include <functional>
#include <memory>

#include "app/GuiThreadUi.h"
#include "app/Settings.h"
#include "app/WindowTimers.h"
#include "camera/CameraConnection.h"
#include "fileops/FileOpsThreads.h"
#include "video/StreamWorker.h"

class BitmapWindow;
class BusyDialog;
class CSkinButton;
class CSkinLabel;
class PowerWatch;
class QComboBox;
class QFrame;
class QTreeView;
class FilePanes;
class OutsideTools;
class PaneDrag;
class QAbstractItemView;

class MainWindow : public QDialog,
                   public FileOpsUi,
                   public StreamOwnerWindow {
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

  // --- state the commands use ---
  bool layoutFlag = true;      // 1 while the storage layout is shown; 1 before start-up
  bool operationFlag = false;  // a transfer or format thread runs
  bool busyDialogShown = false;
  bool recording = false;      // a recording runs (the recording controls set it)
  bool previewRunning = false; // the live preview runs
  bool moviePlaying = false;   // the player plays
  AppSettings settings;        // recording mode, recording time, PC path
  QString programFolder;       // siblings, table file, help document (app/ProgramFolder.h)
  QString currentSelection;    // the movie chosen for the Play button
  QString selectedImage;       // the still shown in the picture window
  bool selectionOnPc = false;  // the current selection is a PC path, not a camera name

 private:
  // The camera code and the file operations may run on the transfer or format
  // thread: they reach the window through this, which carries each call to
  // the GUI thread.
  GuiThreadUi ui_{*this};

 public:
  CameraConnection camera;

  // The control of that id (see ControlTable.h), or nullptr.
  QWidget* Control(int id) const { return controls_.value(id); }
  template <typename T>
  T* ControlAs(int id) const { return qobject_cast<T*>(controls_.value(id)); }
  QTimer& Timer(TimerId id) { return timers_(id); }
  BitmapWindow* PictureWindow() const { return pictureWindow_; }
  FilePanes* Panes() const { return panes_; }
  BusyDialog* Busy() const { return busy_; }

  // Applies the camera layout when the layout flag is 1 and the storage layout
  // when it is 0, then inverts the flag.
  void ApplyModeLayout();

  // Sends a command as if its control had been used.
  void Command(int id);

  // --- the window interface (CameraUi and its FileOpsUi extension), GUI thread only ---
  void ShowText(const std::string& text, MsgIcon icon) override;
  void FillCamPane() override;
  void ShowCameraButtons(bool shown) override;
  void EnableCameraPane(bool enabled) override;
  void ShowFormatButton(bool shown) override;
  void Repaint() override;
  void CloseBusyDialog() override;
  void StepProgress() override;
  void StopStoragePoll() override;
  void StartStoragePoll(int ms) override;

  bool Ask(const std::string& text, MsgIcon icon, AskButtons buttons) override;
  std::optional<std::string> AskFileNumber(const std::string& oldName) override;
  std::optional<std::string> AskFolderNumber(const std::string& suffix) override;
  std::optional<std::string> AskPcName(int mode, const std::string& folder,
                                       const std::string& initial) override;
  void EnablePcPane(bool enabled) override;
  void RefreshPcPane() override;
  void ClearPreviewPicture() override;
  void ClearPreviewRest() override;
  void ForgetSelection() override;
  void SelectionRenamed(const std::string& newName) override;

  // The camera file commands and the copies between the panes.
  void OnCopyToPc();
  void OnCopyToCamera();
  void OnCamAddFolder();
  void OnCamDelete();
  void OnCamRename();
  void OnFormat();
  void OnPcAddFolder();
  void OnPcDelete();
  void OnPcRename();
  // The PC pane's folder and selected rows, for the PC-side operations.
  struct PcSelection PcPaneSelection() const;
  // The running transfer or format, if any.
  TransferThread* Transfer() const { return transfer_.get(); }

  // The sibling programs and the help document.
  void OnHelp();
  void OnEmail();
  void OnPhotoEditor();
  void ViewPcPicture(const QString& path);
  void ViewCameraPicture(const QString& name);
  OutsideTools* Tools() const { return tools_.get(); }

  // Handlers of the commands that the next parts of the program fill in.
  // Each one is named after its command; until then it does nothing.
  void OnViewDetail();
  void OnViewList();
  void OnStartRecording() {}
  void OnStopRecording() {}
  void OnCaptureStill() {}
  void OnPlayMovie() {}
  void OnStopMovie() {}
  void OnRecordingTime() {}
  // The selection preview of a click on a row (-1: no row hit).
  void PreviewCameraRow(int row);
  void PreviewPcRow(int row);
  // The end of a drag between the panes: a copy when it went from one pane onto the other.
  void OnPaneDrop(QAbstractItemView* source, QWidget* target);
  PaneDrag* Drag() const { return paneDrag_; }
  void OnStoragePoll();
  void OnDeferredPreviewStart();
  void OnReopenCamera();
  void OnRecordingClock() {}
  void OnPlayClock() {}

  // Shut-down and power (the session manager and logind).
  void OnShutdownQuery();
  void OnShutdownNotice();
  void OnSuspendRequest();

  // Switches between camera and storage mode (buttons 1044 and 1045).
  void OnToCameraMode();
  void OnToStorageMode();

  // The camera connection: the storage poll's one round (1 while the camera
  // answers), the way back into camera mode, and the worker's two messages.
  int PollStorage();
  int EnterCameraMode();
  void OnStreamEnded(bool linkLost);
  void OnAudioFormatChanged();

  // The live preview around the streaming worker. A window without a preview
  // graph (no video support) starts no stream.
  void SetPreviewGraph(std::unique_ptr<PreviewGraph> graph);
  StreamWorker* Worker() const { return worker_.get(); }
  bool StartStreaming(uint8_t videoMode);
  void StopStreaming();
  void ResumeStream();
  // --- StreamOwnerWindow: the worker's messages arrive as posted events ---
  void PostStreamMessage(unsigned message) override;
  // Whether a movie is chosen for the Play button (the player fills this in).
  bool movieSelected = false;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void customEvent(QEvent* event) override;
  void done(int result) override;

 private:
  void CreateControls();
  QWidget* CreateControl(const struct ControlSpec& control);
  void SetupButtons();
  void SetupLabels();
  void SetLabelFonts();
  void RouteCommands();
  void ConnectPanes();
  void Route(int id, void (MainWindow::*handler)(), bool ignoredWhileBusy);
  void StartupStep(int ms);
  void ShowRecordingTime();
  void OpenCameraAtStartUp();
  void ReleaseCameraForShutdown();
  void RunDestructionSteps();
  bool VideoShows() const;
  void EndStreamThread();
  void StopRecordingForLoss();
  void ConnectPreviewAndDrag();
  bool PaneKey(QObject* watched, int key);
  bool ShowStill(const QString& path, bool cameraStill);
  void FetchCameraStill(const QString& name);
  void PreviewFolderRow();
  void StopMovieIfPlaying();
  void ResetPlayClock();

  std::unique_ptr<PreviewGraph> preview_;
  std::unique_ptr<StreamWorker> worker_;
  std::unique_ptr<TransferThread> transfer_;
  std::unique_ptr<OutsideTools> tools_;
  uint8_t startupVideoMode_ = 1;
  QMap<int, QWidget*> controls_;
  WindowTimers timers_{this};
  QPointer<BusyDialog> busy_;
  BitmapWindow* pictureWindow_ = nullptr;
  FilePanes* panes_ = nullptr;  // the PC pane 1033 and the camera pane 1034
  PaneDrag* paneDrag_ = nullptr; // rows dragged from one pane onto the other
  PowerWatch* power_ = nullptr;
  QPixmap background_;
  QPoint dragOffset_;
  bool dragging_ = false;
  bool destroyed_ = false;  // the destruction steps have run
  bool ended_ = false;      // the window was ended during start-up
};
