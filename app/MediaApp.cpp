#include "app/MediaApp.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include "app/MainWindow.h"
#include "app/ProgramFolder.h"
#include "app/SingleInstance.h"
#include "app/TempFolder.h"
#include "camera/CameraDriver.h"
#include "camera/CameraLog.h"
#include "platform/imaging/BitmapWindow.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Pacing.h"
#include "resources/Resources.h"

namespace {

// SIGTERM and SIGINT close the window like its close button, so that the
// camera is released and the temporary folder removed on the way out.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void CatchTerminationSignals(MainWindow& window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(g_signalPipe[0], &byte, 1);
    window.EndWindow();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int MediaApp::Run(int argc, char** argv, CameraDriver& driver) {
  QApplication app(argc, argv);
  app.setApplicationName("OrinMedia51");
  app.setQuitOnLastWindowClosed(false);

  SingleInstance instance;
  switch (instance.Acquire()) {
    case SingleInstance::Result::AlreadyRunning:
      return 0;  // a second start ends at once, silently
    case SingleInstance::Result::Failed:
      ShowMessageBox(nullptr, QString::fromStdString(instance.ErrorText()), MsgIcon::Error);
      return 1;
    case SingleInstance::Result::Acquired:
      break;
  }

  resources::LoadOverride(ProgramFolder());  // silently the program's own when absent
  int status = 0;
  {
    // Every request goes through the one driver: "orin.camera" sees them all.
    LoggedDriver logged(driver);
    MainWindow window(logged);
    CatchTerminationSignals(window);
    GetPacing().Wait(1000);
    status = window.Run();
  }
  Exit(driver);
  return status;
}

void MediaApp::Exit(CameraDriver& driver) {
  resources::UnloadOverride();
  BitmapWindow::UnloadLibraries(kImagingMask);
  driver.Device_Close();
  // The window removes the folder on its way out; a start-up that failed early
  // may not have got that far.
  RemoveTempFolder();
}
