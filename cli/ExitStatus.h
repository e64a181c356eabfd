// orin-cam's exit statuses: one meaning each, the same for every command, as
// the manual page's EXIT STATUS lists them.
#pragma once

enum ExitStatus : int {
  kExitDone = 0,      // everything the command was asked to do was done
  kExitFailed = 1,    // something was not done: a file failed, the camera or stick refused
  kExitUsage = 2,     // the command line is wrong; nothing was done
  kExitNoCamera = 3,  // no camera, the camera held by another program or lost on
                      // the way, or still examining its stick after --timeout
};
