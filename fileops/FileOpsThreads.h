// The transfer and format threads. The starters run on the GUI thread: they
// make the progress dialog, take the operation flag and start the worker,
// which runs the batch logic and reaches the window only through the
// GUI-thread marshalling helper (each call to the window or the dialog is
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

// What a starter needs of the window. `ui` is the window's own FileOpsUi, used
// on the GUI thread only; `operationFlag` is read and written on the GUI thread only.
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

// A FileOpsUi that carries every call to the GUI thread and runs it on `inner` there.
class MarshalledFileOpsUi final : public FileOpsUi {
 public:
  explicit MarshalledFileOpsUi(FileOpsUi& inner) : inner_(inner) {}
  void ShowText(const std::string& text, MsgIcon icon) override;
  bool Ask(const std::string& text, MsgIcon icon, AskButtons buttons) override;
  std::optional<std::string> AskFileNumber(const std::string& oldName) override;
  std::optional<std::string> AskFolderNumber(const std::string& suffix) override;
  std::optional<std::string> AskPcName(int mode, const std::string& folder, const std::string& initial) override;
  void EnablePcPane(bool enabled) override;
  void EnableCamPane(bool enabled) override;
  void ShowCameraButtons() override;
  void RefreshPcPane() override;
  void FillCamPane() override;
  void Repaint() override;
  void StopStoragePoll() override;
  void StartStoragePoll(int ms) override;
  void ClearPreviewPicture() override;
  void ClearPreviewRest() override;
  void ForgetSelection() override;
  void SelectionRenamed(const std::string& newName) override;

 private:
  FileOpsUi& inner_;
};

// A CameraUi that does the same, for the CameraLink the worker uses: MainWindow
// builds its CameraLink over one of these wrapped around itself.
class MarshalledCameraUi final : public CameraUi {
 public:
  explicit MarshalledCameraUi(CameraUi& inner) : inner_(inner) {}
  void ShowMessage(int stringId, MsgIcon icon) override;
  void FillCamPane() override;
  void ShowCameraButtons(bool shown) override;
  void EnableCameraPane(bool enabled) override;
  void ShowFormatButton(bool shown) override;
  void Repaint() override;
  void CloseBusyDialog() override;
  void StepProgress() override;
  void StopStoragePoll() override;
  void StartStoragePoll(int ms) override;

 private:
  CameraUi& inner_;
};
