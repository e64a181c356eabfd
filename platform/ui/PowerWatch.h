// The PC's power and log-on events, from systemd-logind on the system bus.
//
// While it lives, the program holds a "block" inhibitor for sleep, so logind
// refuses a suspend and the desktop shows the inhibitor's reason, and a
// "delay" inhibitor for shutdown, so the camera can be released first. suspendRequested() is raised
// when logind announces a sleep nonetheless; shutdownNotice() when the machine
// is going down. Without a system bus nothing is held and nothing is raised.
#pragma once
#include <QDBusUnixFileDescriptor>
#include <QObject>

class PowerWatch : public QObject {
  Q_OBJECT
 public:
  // `suspendReason`: the text the desktop shows when it refuses a suspend.
  explicit PowerWatch(const QString& suspendReason, QObject* parent = nullptr);
  bool Active() const { return active_; }

 signals:
  void suspendRequested();
  void shutdownNotice();

 private slots:
  void OnPrepareForSleep(bool start);
  void OnPrepareForShutdown(bool start);

 private:
  QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& why, const QString& mode);
  QDBusUnixFileDescriptor sleepLock_, shutdownLock_;
  bool active_ = false;
};
