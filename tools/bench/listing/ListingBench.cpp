// Listing a DCF folder of 9,999 files: the time per listing through the
// in-process camera model and, when the simulator daemon sits beside this
// program, through libTeskDll.so and the daemon's socket. The baseline is
// decoding the same records from memory, measured in the same run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "camera/CameraConnection.h"
#include "platform/ui/Pacing.h"
#include "tests/support/SimDriver.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 9999;

class QuietUi final : public CameraUi {
 public:
  void ShowText(const std::string& text, MsgIcon) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Mean seconds per listing of DCIM/100QXCAM over `rounds`.
double TimeListings(CameraDriver& driver, int rounds) {
  QuietUi ui;
  CameraConnection link(driver, ui);
  if (link.OpenStorageSession() != CameraConnection::SessionStart::Ready) return -1;
  link.ChangeCamFolder("DCIM");
  link.ChangeCamFolder("100QXCAM");
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    link.ListCamFolder();
    link.ChangeCamFolder("\\");  // moves the camera's status off the listing's
    link.ChangeCamFolder("DCIM");
    link.ChangeCamFolder("100QXCAM");
  }
  double per = Seconds(std::chrono::steady_clock::now() - start) / rounds;
  if (link.files.size() != kFiles) std::fprintf(stderr, "listed %zu files, not %d\n", link.files.size(), kFiles);
  link.EndSession();
  return per;
}

double TimeDecodeBaseline(int rounds) {
  std::array<uint8_t, kDirRecordLength> rec{};
  std::memcpy(rec.data(), "DCAM0001JPG", 11);
  size_t sink = 0;
  auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r)
    for (int i = 0; i < kFiles + 2; ++i) {
      rec[7] = static_cast<uint8_t>('0' + (i % 9) + 1);
      sink += DecodeDirRecord(rec).name.size();
    }
  double per = Seconds(std::chrono::steady_clock::now() - start) / rounds;
  if (sink == 0) std::fprintf(stderr, "nothing decoded\n");
  return per;
}

}  // namespace

int main(int argc, char** argv) {
  InstantPacing instant;  // the model's protocol waits are not what is measured
  SetPacing(&instant);
  TempStick stick;
  fs::path folder = stick.Path() / "DCIM" / "100QXCAM";
  fs::create_directories(folder);
  for (int i = 1; i <= kFiles; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "DCAM%04d.JPG", i);
    std::ofstream(folder / name) << "x";
  }

  double baseline = TimeDecodeBaseline(20);
  std::printf("decode %d records from memory (baseline): %8.3f ms\n", kFiles + 2, baseline * 1e3);
  SimDriver model(stick.Path());
  double inProcess = TimeListings(model, 10);
  std::printf("listing through the in-process model:      %8.3f ms  (%.1fx baseline)\n", inProcess * 1e3,
              inProcess / baseline);

  fs::path daemon = fs::path(argv[0]).parent_path() / "orin-camsim";
  if (argc > 1 || !fs::exists(daemon)) return 0;
  fs::path socket = stick.Path().parent_path() / ("listing-bench-" + std::to_string(getpid()) + ".sock");
  std::string socketArg = socket.string(), stickArg = stick.Path().string(), daemonArg = daemon.string();
  char* args[] = {daemonArg.data(), const_cast<char*>("--socket"), socketArg.data(),
                  const_cast<char*>("--stick"), stickArg.data(), nullptr};
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawn(&pid, daemonArg.c_str(), &actions, nullptr, args, environ) != 0) return 1;
  posix_spawn_file_actions_destroy(&actions);
  for (int i = 0; i < 100 && !fs::exists(socket); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  setenv("ORIN_CAMERA", ("sim:" + socketArg).c_str(), 1);
  double overSocket = TimeListings(TeskDllDriver(), 5);
  std::printf("listing through libTeskDll.so and daemon:  %8.3f ms  (%.1fx baseline)\n", overSocket * 1e3,
              overSocket / baseline);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  fs::remove(socket);
  return 0;
}
