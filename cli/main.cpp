// orin-cam: the camera's Memory Stick from the command line, over the same
// camera code as the window.
#include <signal.h>

#include <string>
#include <vector>

#include "camera/CameraDriver.h"
#include "cli/Commands.h"
#include "cli/TerminalUi.h"
#include "fileops/PartFiles.h"

namespace {

// Interrupted, terminated or hung up: a download's partial file goes with the
// process (the target is only ever replaced by a finished file). The camera's
// session ends with the process's connection.
void EndOnSignal(int sig) {
  RemovePartFileInProgress();
  raise(sig);  // the handler was reset: the signal now ends the process as it always does
}

void RemovePartFileOnSignals() {
  struct sigaction action {};
  action.sa_handler = EndOnSignal;
  action.sa_flags = SA_RESETHAND;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // e.g. SIGINT in a script's background job: it stays ignored
    sigaction(sig, &action, nullptr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  RemovePartFileOnSignals();
  TerminalUi ui;
  std::vector<std::string> args(argv, argv + argc);
  return RunCli(TeskDllDriver(), ui, args, stdout, stderr);
}
