// The power watch against a login manager of our own on a private bus: the
// inhibitors it takes, with their reasons, and the sleep it hears of.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QTemporaryDir>

#include "platform/ui/PowerWatch.h"

// logind's Manager as far as the watch uses it; it lives on its own thread so
// that the watch's blocking calls are answered.
class FakeLogind : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

 public:
  struct Inhibitor {
    QString what, who, why, mode;
  };
  QList<Inhibitor> Taken() {
    QMutexLocker lock(&mutex_);
    return taken_;
  }

 public slots:
  QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
    {
      QMutexLocker lock(&mutex_);
      taken_.append({what, who, why, mode});
    }
    int ends[2];
    if (::pipe(ends) != 0) return {};
    QDBusUnixFileDescriptor lock(ends[0]);  // dups it
    ::close(ends[0]);
    ::close(ends[1]);
    return lock;
  }

 private:
  QMutex mutex_;
  QList<Inhibitor> taken_;
};

class PowerWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.isValid());
    bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                               "--address=unix:path=" + scratch_.filePath("system_bus_socket")});
    ASSERT_TRUE(bus_.waitForStarted()) << "dbus-daemon is missing";
    while (!bus_.canReadLine()) ASSERT_TRUE(bus_.waitForReadyRead(10000)) << "the bus gave no address";
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    // The watch talks to "the system bus": ours, for the whole of this process.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address_.toUtf8());

    QDBusConnection logindBus = QDBusConnection::connectToBus(address_, "fake-logind");
    ASSERT_TRUE(logindBus.isConnected());
    logind_.moveToThread(&thread_);
    thread_.start();
    ASSERT_TRUE(logindBus.registerObject("/org/freedesktop/login1", &logind_, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(logindBus.registerService("org.freedesktop.login1"));
  }
  void TearDown() override {
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus("fake-logind");
    bus_.terminate();
    bus_.waitForFinished();
  }

  QTemporaryDir scratch_;
  QProcess bus_;
  QString address_;
  QThread thread_;
  FakeLogind logind_;
};

TEST_F(PowerWatchTest, SleepIsBlockedWithTheGivenReasonAndAnnouncedSleepIsReported) {
  PowerWatch watch("System suspending operation denied!");
  EXPECT_TRUE(watch.Active());
  const QList<FakeLogind::Inhibitor> taken = logind_.Taken();
  ASSERT_EQ(taken.size(), 2);
  EXPECT_EQ(taken[0].what.toStdString(), "sleep");
  EXPECT_EQ(taken[0].who.toStdString(), "Orin Media 5.1");
  EXPECT_EQ(taken[0].why.toStdString(), "System suspending operation denied!");
  EXPECT_EQ(taken[0].mode.toStdString(), "block");
  EXPECT_EQ(taken[1].what.toStdString(), "shutdown");
  EXPECT_EQ(taken[1].mode.toStdString(), "delay");

  // A sleep that comes all the same (forced by the administrator) is reported.
  QSignalSpy suspend(&watch, &PowerWatch::suspendRequested);
  QDBusMessage sleep =
      QDBusMessage::createSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
  sleep << true;
  ASSERT_TRUE(QDBusConnection("fake-logind").send(sleep));
  EXPECT_TRUE(suspend.wait(10000));
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "PowerWatchTest.moc"
