// A real orin-camsim process for tests: started from bin/ on a socket in a
// scratch folder, a client that speaks its wire, orin-cam run against it.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/camsim/Requests.h"
#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"
#include "tests/support/SimDriver.h"

namespace camsim_daemon_test {

namespace fs = std::filesystem;
using namespace camsim;

inline fs::path BinDir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

// A client of the wire, as the driver library's sim backend speaks it.
class WireClient {
 public:
  explicit WireClient(const fs::path& socket) : fd_(simwire::ConnectUnix(socket.string())) {}
  ~WireClient() {
    if (fd_ >= 0) close(fd_);
  }
  bool Connected() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

  // Sends one frame; answers the result, or -99 when the daemon hung up.
  int Call(uint8_t op, uint8_t request, uint16_t value, uint16_t index, uint32_t length, const void* payload,
           std::vector<uint8_t>* data = nullptr) {
    simwire::SimRequest req{op, request, value, index, 0, length, 0};
    if (!simwire::SendAll(fd_, &req, sizeof req)) return -99;
    if (payload && length && !simwire::SendAll(fd_, payload, length)) return -99;
    simwire::SimReply reply;
    if (!simwire::RecvAll(fd_, &reply, sizeof reply)) return -99;
    std::vector<uint8_t> got(reply.dataLength);
    if (!got.empty() && !simwire::RecvAll(fd_, got.data(), got.size())) return -99;
    if (data) *data = std::move(got);
    return reply.result;
  }
  int Open() { return Call(simwire::OP_OPEN, 0, 0, 0, 0, nullptr); }
  int Close() { return Call(simwire::OP_CLOSE, 0, 0, 0, 0, nullptr); }
  int Write(uint8_t request, const std::string& field, uint32_t length) {
    std::vector<uint8_t> p(length + 1, 0);
    std::memcpy(p.data(), field.data(), std::min<size_t>(field.size(), length));
    return Call(simwire::OP_VENDOR_WRITE, request, 0, 0, length, p.data());
  }
  int Status() {
    std::vector<uint8_t> d;
    return Call(simwire::OP_VENDOR_READ, REQ_GET_STATUS, 0, 0, 1, nullptr, &d) && d.size() == 1 ? d[0] : -1;
  }
  std::vector<uint8_t> BulkIn(uint32_t length) {
    std::vector<uint8_t> d;
    Call(simwire::OP_BULK_IN, 0, 0, 0, length, nullptr, &d);
    return d;
  }
  int Raw(const void* data, size_t n) { return simwire::SendAll(fd_, data, n) ? 1 : 0; }

 private:
  int fd_;
};

class DaemonTest : public ::testing::Test {
 protected:
  void TearDown() override { Stop(SIGKILL); }

  fs::path Socket() const { return work.Path() / "cam.sock"; }
  fs::path StickDir() const { return work.Path() / "stick"; }

  pid_t Start(std::vector<std::string> extra = {"--sample"}) {
    std::vector<std::string> args = {(BinDir() / "orin-camsim").string(), "--socket", Socket().string(), "--stick",
                                     StickDir().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that died
      for (auto [resource, value] : childLimits) {
        rlimit limit{value, value};
        setrlimit(resource, &limit);
      }
      std::string log = (work.Path() / "daemon.log").string();
      freopen(log.c_str(), "w", stderr);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid_;
  }

  // Waits until the daemon takes connections; the limit (30 s) only ends a
  // test whose daemon never comes up.
  bool WaitForSocket() {
    for (int i = 0; i < 3000; ++i) {
      int fd = simwire::ConnectUnix(Socket().string());
      if (fd >= 0) {
        close(fd);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Sends `sig` and answers the exit status (-1 when it had not ended after
  // 30 s, which only a stuck daemon takes).
  int Stop(int sig) {
    if (pid_ <= 0) return -1;
    kill(pid_, sig);
    int status = 0;
    for (int i = 0; i < 3000; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  // Runs orin-camsim-ctl; answers its exit status and puts its output in `out`.
  int Ctl(const std::string& args, std::string* out = nullptr, const fs::path* socket = nullptr) {
    std::string cmd = (BinDir() / "orin-camsim-ctl").string() + " --socket " + (socket ? *socket : Socket()).string() +
                      " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string text;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Log() {
    std::ifstream in(work.Path() / "daemon.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // How many lines of the log hold `text`.
  int LogCount(const std::string& text) {
    std::istringstream in(Log());
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
    return n;
  }

  // orin-cam over the daemon's socket; answers its exit status, `out` gets stdout and stderr.
  int OrinCam(const std::string& args, std::string* out = nullptr) {
    std::string cmd = "ORIN_CAMERA=sim:" + Socket().string() + " " + (BinDir() / "orin-cam").string() + " " + args +
                      " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string text;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The daemon's processor time so far (user and system), in clock ticks.
  long CpuTicks() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
    std::string stat(std::istreambuf_iterator<char>(in), {});
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));  // the name may hold blanks
    std::vector<std::string> fields;
    for (std::string f; rest >> f;) fields.push_back(f);
    return fields.size() > 12 ? std::stol(fields[11]) + std::stol(fields[12]) : -1;
  }

  // Limits the child sets before it runs the daemon.
  std::vector<std::pair<__rlimit_resource_t, rlim_t>> childLimits;

  TempStick work;
  pid_t pid_ = 0;
};


// Polls `done` until it holds or `seconds` pass; true when it held.
inline bool WaitUntil(const std::function<bool()>& done, int seconds = 20) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace camsim_daemon_test
