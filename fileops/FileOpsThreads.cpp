#include "fileops/FileOpsThreads.h"

#include <QCoreApplication>
#include <QThread>
#include <exception>
#include <optional>

#include "fileops/CameraFileOps.h"
#include "fileops/FileOpsLog.h"
#include "platform/ui/GuiThread.h"
#include "platform/ui/WaitCursor.h"
#include "resources/StringIds.h"

namespace {

std::function<void()> g_threadStartHook;

// The worker's view of the progress dialog. The cancel flag is read directly;
// everything else runs on the GUI thread. Once the dialog is closed the
// calls do nothing.
class DialogProgress final : public ProgressSink {
 public:
  explicit DialogProgress(QPointer<ProgressDialog> dialog) : dialog_(std::move(dialog)) {}
  void SetFileText(const std::string& name, bool copying) override {
    if (copying) qCDebug(lcFileOps).noquote() << "copying" << QString::fromStdString(name);
    On([&](ProgressDialog& d) { d.SetFileText(name, copying); });
  }
  void SetRange(int n) override { On([&](ProgressDialog& d) { d.SetRange(n); }); }
  void Step() override { On([&](ProgressDialog& d) { d.Step(); }); }
  void SetMessage(const std::string& text) override { On([&](ProgressDialog& d) { d.SetMessage(text); }); }
  bool CancelRequested() override { return cancel_ || (cancel_ = OnGuiThread([&] { return dialog_ && dialog_->CancelRequested(); })); }
  void Activate() override {
    On([](ProgressDialog& d) {
      d.raise();
      d.activateWindow();
    });
  }
  void Close() override {
    RunOnGuiThread([&] {
      if (dialog_) {
        cancel_ = dialog_->CancelRequested();
        dialog_->close();
        dialog_->deleteLater();
        dialog_.clear();
      }
    });
  }

 private:
  template <typename F>
  void On(F&& f) {
    RunOnGuiThread([&] {
      if (dialog_) f(*dialog_);
    });
  }
  QPointer<ProgressDialog> dialog_;  // touched on the GUI thread only
  bool cancel_ = false;
};

}  // namespace

TransferThread::TransferThread(FileOpsContext context, std::function<void(FileOpsUi&, ProgressSink&)> work,
                               bool format)
    : context_(context) {
  dialog_ = new ProgressDialog(context.owner);
  dialog_->setAttribute(Qt::WA_DeleteOnClose, false);
  if (format) {
    dialog_->SetFileText(std::string(), false);
    dialog_->SetRange(36);
  }
  dialog_->show();
  context_.operationFlag = true;  // taken before the thread starts: a second command is ignored
  try {
    if (g_threadStartHook) g_threadStartHook();
    thread_ = std::thread([this, work = std::move(work), format] {
      FileOpsUi& ui = context_.ui;
      DialogProgress progress(dialog_);
      ui.EnablePcPane(false);
      ui.EnableCameraPane(false);
      work(ui, progress);
      progress.Close();  // the batch closed it already unless it ended early
      if (!format) {     // the format enables what stays usable itself
        ui.EnablePcPane(true);
        ui.EnableCameraPane(true);
      } else {
        ui.EnablePcPane(true);
      }
      RunOnGuiThread([this] { context_.operationFlag = false; });
      finished_ = true;
    });
  } catch (const std::exception&) {
    // Refused by the system (std::system_error when no thread is left,
    // std::bad_alloc without memory): the batch never ran, so nothing of it
    // is left behind.
    delete dialog_.data();
    context_.operationFlag = false;
    finished_ = true;
    return;
  }
  started_ = true;
}

TransferThread::~TransferThread() {
  // The worker may be waiting for the GUI thread: serve it until it is done.
  while (!finished_) {
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    else
      std::this_thread::yield();
  }
  if (thread_.joinable()) thread_.join();
  delete dialog_.data();
}

namespace {

// The thread, or nothing after telling the user that it could not be started
// (with the wait cursor gone by then).
std::unique_ptr<TransferThread> Start(FileOpsContext context, std::function<void(FileOpsUi&, ProgressSink&)> work,
                                      bool format, bool waitCursor) {
  std::unique_ptr<TransferThread> thread;
  {
    std::optional<WaitCursor> wait;
    if (waitCursor) wait.emplace();
    thread = std::make_unique<TransferThread>(context, std::move(work), format);
  }
  if (thread->Started()) return thread;
  qCDebug(lcFileOps) << "the system refused the worker thread";
  context.ui.ShowMessage(ids::CANNOT_EXECUTE, MsgIcon::Error);
  return nullptr;
}

}  // namespace

std::unique_ptr<TransferThread> StartDownload(FileOpsContext context, DownloadRequest request) {
  if (context.operationFlag) return nullptr;
  CameraLink& link = context.link;
  qCDebug(lcFileOps).noquote() << "download of" << request.rows.size() << "rows to"
                               << QString::fromStdString(request.pcFolder.string());
  return Start(
      context,
      [&link, request](FileOpsUi& ui, ProgressSink& p) {
        const BatchOutcome outcome = DownloadBatch(link, ui, p, request);
        qCDebug(lcFileOps).noquote() << "download ended:" << Describe(outcome);
      },
      false, true);
}

std::unique_ptr<TransferThread> StartUpload(FileOpsContext context, UploadRequest request) {
  if (context.operationFlag) return nullptr;
  CameraLink& link = context.link;
  qCDebug(lcFileOps).noquote() << "upload of" << request.rows.size() << "rows from"
                               << QString::fromStdString(request.pcFolder.string());
  return Start(
      context,
      [&link, request](FileOpsUi& ui, ProgressSink& p) {
        const BatchOutcome outcome = UploadBatch(link, ui, p, request);
        qCDebug(lcFileOps).noquote() << "upload ended:" << Describe(outcome);
      },
      false, true);
}

std::unique_ptr<TransferThread> StartFormat(FileOpsContext context) {
  if (context.operationFlag) return nullptr;
  CameraLink& link = context.link;
  qCDebug(lcFileOps) << "format";
  return Start(
      context,
      [&link](FileOpsUi& ui, ProgressSink& p) {
        const int formatted = FormatMemoryStick(link, ui, p);
        qCDebug(lcFileOps) << "format ended:" << (formatted ? "formatted" : "not formatted");
      },
      true, false);
}

void SetThreadStartHook(std::function<void()> hook) { g_threadStartHook = std::move(hook); }
