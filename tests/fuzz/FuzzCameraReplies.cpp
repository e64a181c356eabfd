// The camera's answers as the program decodes them: any bytes as the replies
// to a whole session (ReplyScript.h says how they are taken), with the status
// byte, the media-status, capacity and poll replies, the video-mode byte and
// the 32-byte directory records all from the input.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/CameraSession.h"
#include "tests/fuzz/ReplyScript.h"
#include "tests/fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScratchFolder scratch;
  ReplayCamera camera(data, size);
  RunCameraSession(camera, scratch.Path());
  return 0;
}
