// orin-camsim: the camera simulator daemon. Serves the camera model on a Unix
// socket (SimWire.h), one thread per client, until SIGINT or SIGTERM.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/camsim/CameraModel.h"
#include "platform/camsim/Requests.h"
#include "platform/camsim/SampleStick.h"
#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"

namespace {

namespace fs = std::filesystem;

std::mutex logMutex;

void LogLine(const std::string& line) {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  localtime_r(&ts.tv_sec, &t);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03ld", t.tm_hour, t.tm_min, t.tm_sec, ts.tv_nsec / 1000000);
  std::lock_guard lock(logMutex);
  std::fprintf(stderr, "orin-camsim %s %s\n", stamp, line.c_str());
  std::fflush(stderr);
}

int Usage(const char* why) {
  std::fprintf(stderr,
               "orin-camsim: %s\n"
               "usage: orin-camsim --socket PATH --stick DIR [--capacity-mb N] [--sample]\n"
               "                   [--video 320x240|352x288]\n",
               why);
  return 2;
}

struct Options {
  std::string socketPath;
  fs::path stick;
  uint64_t capacityMb = 64;
  bool sample = false;
  uint8_t videoMode = 1;  // the camera's video-mode byte: 1 for 320 x 240, 0 for 352 x 288
};

bool ParseArgs(int argc, char** argv, Options& o, std::string& why) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--socket" && hasValue) {
      o.socketPath = argv[++i];
    } else if (a == "--stick" && hasValue) {
      o.stick = argv[++i];
    } else if (a == "--capacity-mb" && hasValue) {
      auto v = camsim::ParseNumber(argv[++i], 4095);  // the capacity reply is 32 bits wide
      if (!v || *v == 0) {
        why = "--capacity-mb takes a number from 1 to 4095";
        return false;
      }
      o.capacityMb = uint64_t(*v);
    } else if (a == "--video" && hasValue) {
      std::string size = argv[++i];
      if (size != "320x240" && size != "352x288") {
        why = "--video takes 320x240 or 352x288";
        return false;
      }
      o.videoMode = size == "320x240" ? 1 : 0;
    } else if (a == "--sample") {
      o.sample = true;
    } else {
      why = "unknown or incomplete argument " + a;
      return false;
    }
  }
  if (o.socketPath.empty() || o.stick.empty()) {
    why = "--socket and --stick are required";
    return false;
  }
  return true;
}

// One client: its own session, requests answered in order.
void Serve(int fd, camsim::CameraModel& model, int clientId) {
  int session = 0;
  std::vector<uint8_t> payload, data;
  for (;;) {
    simwire::SimRequest req;
    if (!simwire::RecvAll(fd, &req, sizeof req)) break;
    bool carriesPayload = req.op == simwire::OP_VENDOR_WRITE || req.op == simwire::OP_BULK_OUT || req.op == simwire::OP_CONTROL;
    if (req.length > simwire::kMaxPayload) {
      LogLine("client " + std::to_string(clientId) + ": frame of " + std::to_string(req.length) + " bytes, closing");
      break;
    }
    payload.assign(carriesPayload ? req.length : 0, 0);
    if (!payload.empty() && !simwire::RecvAll(fd, payload.data(), payload.size())) break;
    simwire::SimReply reply{0, 0};
    data.clear();
    int len = int(req.length);
    switch (req.op) {
      case simwire::OP_OPEN:
        if (session) model.Close(session);
        session = model.Open();
        reply.result = session ? 1 : 0;
        break;
      case simwire::OP_CLOSE:
        if (session) model.Close(session);
        session = 0;
        reply.result = 1;
        break;
      case simwire::OP_VENDOR_WRITE:
        reply.result = model.VendorWrite(session, req.request, req.value, req.index, len, payload.data());
        break;
      case simwire::OP_VENDOR_READ:
        data.assign(req.length, 0);
        reply.result = model.VendorRead(session, req.request, req.value, req.index, len, data.data());
        if (!reply.result) data.clear();
        break;
      case simwire::OP_BULK_IN:
        data.assign(req.length, 0);
        reply.result = model.BulkIn(session, data.data(), len);
        data.resize(size_t(std::max(reply.result, 0)));
        break;
      case simwire::OP_BULK_OUT:
        reply.result = model.BulkOut(session, payload.data(), len);
        break;
      case simwire::OP_CONTROL: {
        std::string text;
        reply.result = model.Control(std::string(payload.begin(), payload.end()), text) ? 1 : 0;
        data.assign(text.begin(), text.end());
        break;
      }
      default:
        LogLine("client " + std::to_string(clientId) + ": unknown operation " + std::to_string(req.op) + ", closing");
        if (session) model.Close(session);
        return;
    }
    reply.dataLength = uint32_t(data.size());
    if (!simwire::SendAll(fd, &reply, sizeof reply) || (!data.empty() && !simwire::SendAll(fd, data.data(), data.size())))
      break;
  }
  if (session) model.Close(session);
}

// Binds `path`, replacing a stale socket left by an earlier run but never a
// live simulator's socket or a file that is no socket.
int Listen(const std::string& path, std::string& why) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      why = path + " exists and is not a socket";
      return -1;
    }
    int probe = simwire::ConnectUnix(path);
    if (probe >= 0) {
      close(probe);
      why = "another simulator already answers on " + path;
      return -1;
    }
    unlink(path.c_str());
  }
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) {
    why = "socket path too long: " + path;
    return -1;
  }
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
    why = "cannot listen on " + path + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

struct Client {
  int fd;
  std::thread thread;
  std::atomic<bool> done{false};
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string why;
  if (!ParseArgs(argc, argv, o, why)) return Usage(why.c_str());

  std::error_code ec;
  fs::create_directories(o.stick, ec);
  if (!fs::is_directory(o.stick, ec)) return Usage(("the stick folder " + o.stick.string() + " is not a folder").c_str());
  if (o.sample) {
    if (!fs::is_empty(o.stick, ec))
      LogLine("the stick folder is not empty; --sample leaves it as it is");
    else if (!camsim::FillSampleStick(o.stick, why))
      return Usage(why.c_str());
  }

  // The signals arrive on a descriptor the main loop polls; every thread
  // started below inherits the blocked mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  int sigFd = signalfd(-1, &signals, SFD_CLOEXEC);

  int listenFd = Listen(o.socketPath, why);
  if (listenFd < 0 || sigFd < 0) {
    std::fprintf(stderr, "orin-camsim: %s\n", why.c_str());
    return 1;
  }

  camsim::ModelOptions mo;
  mo.videoMode = o.videoMode;
  mo.stick = o.stick;
  mo.capacityBytes = std::min<uint64_t>(o.capacityMb * 1024 * 1024, 0xFFFFFFFFu);
  mo.log = LogLine;
  camsim::CameraModel model(std::move(mo));
  LogLine("serving " + o.stick.string() + " (" + std::to_string(o.capacityMb) + " MB) on " + o.socketPath);

  std::list<Client> clients;
  int nextClient = 1;
  for (;;) {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {sigFd, POLLIN, 0}};
    if (poll(fds, 2, 1000) < 0 && errno != EINTR) break;
    if (fds[1].revents & POLLIN) {
      signalfd_siginfo info;
      if (read(sigFd, &info, sizeof info) > 0) LogLine(std::string("stopping on ") + strsignal(int(info.ssi_signo)));
      break;
    }
    for (auto it = clients.begin(); it != clients.end();) {
      if (it->done) {
        it->thread.join();
        close(it->fd);
        it = clients.erase(it);
      } else {
        ++it;
      }
    }
    if (fds[0].revents & POLLIN) {
      int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      Client& c = clients.emplace_back();
      c.fd = fd;
      int id = nextClient++;
      c.thread = std::thread([&model, &c, id] {
        Serve(c.fd, model, id);
        c.done = true;
      });
    }
  }
  close(listenFd);
  unlink(o.socketPath.c_str());
  for (auto& c : clients) shutdown(c.fd, SHUT_RDWR);  // wakes each client thread
  for (auto& c : clients) {
    c.thread.join();
    close(c.fd);
  }
  LogLine("stopped");
  return 0;
}
