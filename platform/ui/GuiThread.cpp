#include "platform/ui/GuiThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// The calls of the workers waiting for the GUI thread, and the object on the
// GUI thread that runs them when an event tells it one is waiting.
//
// Everything a call and its worker share passes through this object's lock,
// not through what Qt carries between the threads: Qt hands its events over
// through futexes inside its own library, which ThreadSanitizer does not see,
// so what a call read of its worker (and the worker then read of the call)
// would look like a race. The event itself only wakes the GUI thread; the
// object never looks into it.
class GuiCallRunner final : public QObject {
 public:
  struct Waiting {
    const std::function<void()>* call;
    bool done = false;
  };

  // Runs `call` on the GUI thread and waits for it there.
  void Run(const std::function<void()>& call) {
    Waiting waiting{&call};
    std::unique_lock<std::mutex> held(lock_);
    queue_.push_back(&waiting);
    QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    doneSignal_.wait(held, [&] { return waiting.done; });
  }

 protected:
  bool event(QEvent* e) override {
    RunWaiting();
    return QObject::event(e);
  }

 private:
  void RunWaiting() {
    std::unique_lock<std::mutex> held(lock_);
    while (!queue_.empty()) {
      Waiting* next = queue_.front();
      queue_.pop_front();
      held.unlock();  // the call may ask the user, serving events meanwhile
      (*next->call)();
      held.lock();
      next->done = true;
      doneSignal_.notify_all();
    }
  }

  std::mutex lock_;
  std::condition_variable doneSignal_;
  std::deque<Waiting*> queue_;
};

GuiCallRunner& Runner(QCoreApplication* app) {
  // Made by whichever thread calls first, then handed to the GUI thread;
  // it lives as long as the process.
  static GuiCallRunner* runner = [app] {
    auto* made = new GuiCallRunner;
    made->moveToThread(app->thread());
    return made;
  }();
  return *runner;
}

}  // namespace

void RunOnGuiThread(const std::function<void()>& call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    call();
    return;
  }
  Runner(app).Run(call);
}
