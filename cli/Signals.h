// How orin-cam meets SIGINT, SIGTERM and SIGHUP. As a rule the download's
// partial file goes with the process and the signal then ends it as always
// (the target is only ever replaced by a finished file; the camera's session
// ends with the process's connection). While a recording runs, the first
// such signal only asks it to stop, so that what was recorded is saved; a
// second one ends the process as a rule.
#pragma once

void InstallSignalHandlers();
// From now on the first signal writes its number (one byte) to `fd` instead
// of ending the process; -1 returns to the rule.
void RedirectStopSignals(int fd);
