// A hostile client of the simulator daemon: any bytes as what one client
// sends on its socket, served by the daemon's own connection loop over a
// camera model on a scratch stick. The daemon must neither crash nor stall:
// the input ends with the client's write side shut, and the loop must then
// return (a stall shows as libFuzzer's time-out, -timeout). No request may
// make the camera pause longer than one transfer can take, nor reach outside
// the stick folder.
//
// The loop is the daemon's own Serve: its source is compiled in here, with
// its main renamed, because the daemon keeps it to itself.
#define main CamsimDaemonMain
#include "platform/camsim/CamsimDaemon.cpp"
#undef main

#include <sys/socket.h>

#include <fstream>

#include "tests/fuzz/ScratchFolder.h"

namespace {

// The longest pause of one transfer: a whole frame's payload (1 MiB) at the
// slowest bulk speed (1 MB/s), and some.
constexpr std::chrono::microseconds kLongestPause = std::chrono::seconds(2);
constexpr int kIdleMs = 10000;

void PutFile(const fs::path& path, size_t size) {
  std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

// The same small stick for every input, so that an input always does the same.
void FreshStick(const fs::path& stick) {
  std::error_code ec;
  fs::remove_all(stick, ec);
  fs::create_directories(stick / "DCIM" / "100QXCAM");
  fs::create_directories(stick / "QXMOV" / "100QXMSC");
  PutFile(stick / "DCIM" / "100QXCAM" / "DCAM0001.JPG", 3000);
  PutFile(stick / "QXMOV" / "100QXMSC" / "MOV_0001.ASF", 20000);
}

// On stdout: fuzz.sh closes this target's stderr, where the daemon logs.
[[noreturn]] void Breach(const char* what) {
  std::printf("simulator: %s\n", what);
  std::fflush(stdout);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScratchFolder scratch;
  static const bool quietPipes = signal(SIGPIPE, SIG_IGN) != SIG_ERR;  // as the daemon has it
  (void)quietPipes;
  const fs::path stick = scratch.Path() / "stick";
  FreshStick(stick);

  camsim::ModelOptions options;
  options.stick = stick;
  options.sleep = [](std::chrono::microseconds pause) {
    if (pause > kLongestPause) Breach("a request made the camera pause longer than any transfer takes");
  };
  camsim::CameraModel model(std::move(options));

  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) Breach("no socket pair");
  std::thread daemon([&] {
    Serve(fds[0], model, 1, kIdleMs);
    shutdown(fds[0], SHUT_RDWR);
  });
  std::thread replies([&] {
    char buffer[65536];
    while (read(fds[1], buffer, sizeof buffer) > 0) {
    }
  });
  simwire::SendAll(fds[1], data, size);  // fails only when the daemon hung up first
  shutdown(fds[1], SHUT_WR);
  daemon.join();
  replies.join();
  close(fds[0]);
  close(fds[1]);

  for (const auto& entry : fs::directory_iterator(scratch.Path()))
    if (entry.path().filename() != "stick") Breach("a file appeared outside the stick folder");
  return 0;
}
