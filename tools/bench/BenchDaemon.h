// The orin-camsim daemon as the benchmarks run it: a child process on a
// socket in the benchmark's scratch folder, its log in camsim.log there,
// stopped with SIGTERM. Header-only; each benchmark has its own main.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "camera/CameraDriver.h"
#include "camera/CameraProtocol.h"
#include "platform/camsim/WireIo.h"

namespace bench {

[[noreturn]] inline void Fail(const char* benchmark, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", benchmark, what.c_str());
  std::exit(1);
}

struct Daemon {
  pid_t pid = -1;
  std::string socket;
};

// Starts `program` serving `stick` on dir/cam.sock with the extra arguments,
// and waits (up to 5 s) until the socket answers.
inline Daemon StartDaemon(const char* benchmark, const std::string& program, const std::filesystem::path& dir,
                          const std::filesystem::path& stick, std::vector<std::string> extra = {}) {
  Daemon d;
  d.socket = (dir / "cam.sock").string();
  const std::string log = (dir / "camsim.log").string();
  std::filesystem::create_directories(stick);
  std::vector<std::string> args = {program, "--socket", d.socket, "--stick", stick.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  d.pid = fork();
  if (d.pid == 0) {
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) dup2(fd, 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  for (int i = 0; i < 500; ++i) {
    int fd = simwire::ConnectUnix(d.socket);
    if (fd >= 0) {
      close(fd);
      return d;
    }
    int status;
    if (waitpid(d.pid, &status, WNOHANG) == d.pid) Fail(benchmark, "orin-camsim exited at start; see " + log);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Fail(benchmark, "orin-camsim does not answer on " + d.socket);
}

inline void StopDaemon(Daemon& d) {
  if (d.pid <= 0) return;
  kill(d.pid, SIGTERM);
  waitpid(d.pid, nullptr, 0);
  d.pid = -1;
}

// The program's driver library opened on the daemon's socket and put in
// PC-camera mode, as the window does; the camera's video mode.
inline uint8_t OpenCameraMode(const char* benchmark, const Daemon& d) {
  setenv("ORIN_CAMERA", ("sim:" + d.socket).c_str(), 1);
  CameraDriver& driver = TeskDllDriver();
  if (!driver.Device_Open()) Fail(benchmark, "Device_Open found no camera on " + d.socket);
  uint8_t none = 0, mode = 1;
  if (!driver.Vendor_Write(REQ_SET_MODE, MODE_CAMERA, 0, 0, &none)) Fail(benchmark, "REQ_SET_MODE failed");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the camera's mode change
  driver.Vendor_Read(REQ_GET_VIDEO_MODE, 0, 0, 1, &mode);
  return mode;
}

}  // namespace bench
