// orin-cam's camera-mode commands over the same core as the window: the
// camera in camera mode, the streaming worker with a preview graph that only
// takes the frames, and the save step's safe copy out of orin-cam's own
// temporary folder.
//
//   record --seconds N --to FILE.asf: N seconds of the live stream from its
//     first recorded block, the header completed by StopRecording, saved to
//     FILE. SIGINT, SIGTERM or SIGHUP stop it early and what was recorded is
//     saved; a stream that ends on its own (the camera lost or out of camera
//     mode, its audio format changed) is saved as far as it came.
//   still --to FILE.jpg: one capture through the still converter with the
//     table of the program folder, the JPEG saved to FILE.
#pragma once
#include <string>
#include <vector>

struct CliContext;

int RunRecord(CliContext& cx, const std::vector<std::string>& args);
int RunStill(CliContext& cx, const std::vector<std::string>& args);
