// The file operations as the window offers them: the copies between the
// panes (buttons, menus, drag and drop), the camera's delete, rename, new
// folder and format, the PC pane's new folder, delete and rename, and the
// Delete key in either pane. It holds the operation flag and the running
// transfer or format thread. GUI thread only; the window checks the
// operation flag before a command marked so gets here.
#pragma once
#include <memory>

#include "fileops/FileOpsThreads.h"

class CameraConnection;
class FilePanes;
class PaneDrag;
class QAbstractItemView;
class QObject;
class QWidget;
class WindowShell;
struct AppSettings;
struct PcSelection;

class FileOpsController {
 public:
  FileOpsController(CameraConnection& camera, FileOpsUi& ui, FilePanes& panes, WindowShell& shell,
                    const AppSettings& settings);
  ~FileOpsController();

  // The operation flag: a transfer or format thread runs.
  bool Busy() const { return operationFlag_; }
  // The running transfer or format, if any.
  TransferThread* Transfer() const { return transfer_.get(); }
  // Rows dragged from one pane onto the other.
  PaneDrag* Drag() const { return paneDrag_; }

  // The camera side and the copies.
  void OnCopyToPc();
  void OnCopyToCamera();
  void OnCamAddFolder();
  void OnCamDelete();
  void OnCamRename();
  void OnFormat();
  // The PC side.
  void OnPcAddFolder();
  void OnPcDelete();
  void OnPcRename();
  // The end of a drag between the panes: a copy when it went from one pane onto the other.
  void OnPaneDrop(QAbstractItemView* source, QWidget* target);
  // The Delete key in a pane is that pane's delete command; true when it was one.
  bool PaneKey(QObject* watched, int key);

  // Advances the progress dialog of the running batch, if it shows one.
  void StepProgress();
  // At the end of the program: a copy still running is cancelled, and its
  // current file finished, before the camera goes.
  void EndTransfer();

 private:
  friend struct WindowTestAccess;

  FileOpsContext Context();
  PcSelection PcPaneSelection() const;

  CameraConnection& camera_;
  FileOpsUi& ui_;
  FilePanes& panes_;
  WindowShell& shell_;
  const AppSettings& settings_;
  bool operationFlag_ = false;
  std::unique_ptr<TransferThread> transfer_;
  PaneDrag* paneDrag_ = nullptr;  // a child of the window
};
