// The transfer and format threads. The starters run on the GUI thread: they
// make the progress dialog, take the operation flag and start the worker,
// which runs the batch logic and reaches the window only through the
// window's GUI-thread interface (each call to the window or the dialog is
// carried to the GUI thread and waited for).
#pragma once
#include <QPointer>
#include <functional>
#include <memory>
#include <thread>

#include "camera/CameraLink.h"
#include "fileops/FileOpsUi.h"
#include "fileops/ProgressDialog.h"
#include "fileops/Transfer.h"

class QWidget;

// What a starter needs of the window. `ui` is called from the worker thread as
// well as from the GUI thread: the window passes its GUI-thread interface,
// which carries each call to the GUI thread. `operationFlag` is read and
// written on the GUI thread only.
struct FileOpsContext {
  CameraLink& link;
  FileOpsUi& ui;
  bool& operationFlag;
  QWidget* owner = nullptr;
};

// One transfer or format thread. Destroying it waits for the worker, with the
// GUI thread's events still served so that the worker's calls can complete.
class TransferThread {
 public:
  TransferThread(FileOpsContext context, std::function<void(FileOpsUi&, ProgressSink&)> work, bool format);
  ~TransferThread();
  TransferThread(const TransferThread&) = delete;
  TransferThread& operator=(const TransferThread&) = delete;
  // False when the system refused the thread: nothing ran, the operation
  // flag is clear again and the progress dialog is gone.
  bool Started() const { return started_; }
  bool Finished() const { return finished_; }
  ProgressDialog* Dialog() const { return dialog_.data(); }

 private:
  FileOpsContext context_;
  QPointer<ProgressDialog> dialog_;
  bool started_ = false;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// Each returns the running thread; nothing when the operation flag was set, or
// when no thread could be started ("Error! Cannot execute this process." has
// been shown then). The copies show the wait cursor while they start.
std::unique_ptr<TransferThread> StartDownload(FileOpsContext context, DownloadRequest request);
std::unique_ptr<TransferThread> StartUpload(FileOpsContext context, UploadRequest request);
std::unique_ptr<TransferThread> StartFormat(FileOpsContext context);

// Tests only: runs just before a worker thread is made, and may throw
// std::system_error as the system does when it refuses a thread.
void SetThreadStartHook(std::function<void()> hook);
