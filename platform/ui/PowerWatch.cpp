#include "platform/ui/PowerWatch.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace {
constexpr char kService[] = "org.freedesktop.login1";
constexpr char kPath[] = "/org/freedesktop/login1";
constexpr char kInterface[] = "org.freedesktop.login1.Manager";
}  // namespace

PowerWatch::PowerWatch(const QString& suspendReason, QObject* parent) : QObject(parent) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  sleepLock_ = Inhibit("sleep", suspendReason, "block");
  shutdownLock_ = Inhibit("shutdown", "The camera is released first", "delay");
  bus.connect(kService, kPath, kInterface, "PrepareForSleep", this, SLOT(OnPrepareForSleep(bool)));
  bus.connect(kService, kPath, kInterface, "PrepareForShutdown", this,
              SLOT(OnPrepareForShutdown(bool)));
  active_ = sleepLock_.isValid() || shutdownLock_.isValid();
}

QDBusUnixFileDescriptor PowerWatch::Inhibit(const QString& what, const QString& why, const QString& mode) {
  QDBusInterface manager(kService, kPath, kInterface, QDBusConnection::systemBus());
  if (!manager.isValid()) return {};
  QDBusReply<QDBusUnixFileDescriptor> reply = manager.call("Inhibit", what, "Orin Media 5.1", why, mode);
  return reply.isValid() ? reply.value() : QDBusUnixFileDescriptor();
}

void PowerWatch::OnPrepareForSleep(bool start) {
  if (start) emit suspendRequested();
}

void PowerWatch::OnPrepareForShutdown(bool start) {
  if (!start) return;
  emit shutdownNotice();
  shutdownLock_ = QDBusUnixFileDescriptor();  // let the shutdown go on
}
