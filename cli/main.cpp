// orin-cam: the camera's Memory Stick, recordings and stills from the command
// line, over the same camera code as the window.
#include <string>
#include <vector>

#include "camera/CameraDriver.h"
#include "cli/Commands.h"
#include "cli/Signals.h"
#include "cli/TerminalUi.h"

int main(int argc, char** argv) {
  InstallSignalHandlers();
  TerminalUi ui;
  std::vector<std::string> args(argv, argv + argc);
  return RunCli(TeskDllDriver(), ui, args, stdout, stderr);
}
