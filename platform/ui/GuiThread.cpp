#include "platform/ui/GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

void RunOnGuiThread(const std::function<void()>& call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    call();
    return;
  }
  QMetaObject::invokeMethod(app, [&call] { call(); }, Qt::BlockingQueuedConnection);
}
