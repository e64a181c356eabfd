// orin-camsim: the camera simulator daemon. Serves the camera model on a Unix
// socket (SimWire.h), one thread per client, until SIGINT, SIGTERM or SIGHUP.
// The socket file is removed at every end, a fatal signal included.
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <list>
#include <mutex>
#include <string>
#include <system_error>
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
               "                   [--video 320x240|352x288] [--idle-timeout-ms N]\n",
               why);
  return 2;
}

struct Options {
  std::string socketPath;
  fs::path stick;
  uint64_t capacityMb = 64;
  bool sample = false;
  uint8_t videoMode = 1;  // the camera's video-mode byte: 1 for 320 x 240, 0 for 352 x 288
  int idleTimeoutMs = 10000;  // a connection without a session that stays silent this long is closed
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
    } else if (a == "--idle-timeout-ms" && hasValue) {
      auto v = camsim::ParseNumber(argv[++i], 3600000);
      if (!v || *v == 0) {
        why = "--idle-timeout-ms takes a number from 1 to 3600000";
        return false;
      }
      o.idleTimeoutMs = int(*v);
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

// How long a read on `fd` may wait; 0 waits for ever.
void SetReadLimit(int fd, int ms) {
  timeval limit{ms / 1000, (ms % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

// One client: its own session, requests answered in order. A connection that
// holds no session may stay silent for `idleMs` at most, so that idle
// connections cannot pile up; a session waits as long as its program.
void Serve(int fd, camsim::CameraModel& model, int clientId, int idleMs) {
  int session = 0;
  std::vector<uint8_t> payload, data;
  SetReadLimit(fd, idleMs);
  for (;;) {
    simwire::SimRequest req;
    if (!simwire::RecvAll(fd, &req, sizeof req)) {
      if (errno == EAGAIN || errno == EWOULDBLOCK)
        LogLine("client " + std::to_string(clientId) + ": silent for " + std::to_string(idleMs) +
                " ms without a session, closing");
      break;
    }
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
      case simwire::OP_OPEN: {
        if (session) model.Close(session);
        bool busy = false;
        session = model.Open(&busy);
        reply.result = session ? 1 : busy ? simwire::kOpenBusy : 0;
        SetReadLimit(fd, session ? 0 : idleMs);
        break;
      }
      case simwire::OP_CLOSE:
        if (session) model.Close(session);
        session = 0;
        reply.result = 1;
        SetReadLimit(fd, idleMs);
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

// A full descriptor table (or no kernel memory) makes accept fail until some
// connection closes: the daemon stops listening this long, then tries again,
// instead of spinning on a listening socket that stays readable.
constexpr int kAcceptBackoffMs = 100;

struct Client {
  int fd = -1;
  std::thread thread;
  std::atomic<bool> done{false};
};

// The connected clients. A finished client rings `Finished()`, so that its
// descriptor and thread are given back at once. Whatever ends the daemon, every
// client thread is woken and joined before the camera model they use goes away.
class Clients {
 public:
  Clients(camsim::CameraModel& model, int idleMs)
      : model_(model), idleMs_(idleMs), finished_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (finished_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }
  ~Clients() {
    for (auto& c : list_) shutdown(c.fd, SHUT_RDWR);  // wakes each client thread
    for (auto& c : list_) {
      c.thread.join();
      close(c.fd);
    }
    close(finished_);
  }
  Clients(const Clients&) = delete;
  Clients& operator=(const Clients&) = delete;

  // Serves `fd` on a thread of its own; a thread that cannot start (no memory
  // for its stack or its state) closes the connection.
  void Start(int fd) {
    int id = next_++;
    bool listed = false;
    try {
      Client& c = list_.emplace_back();
      listed = true;
      c.fd = fd;
      c.thread = std::thread([this, &c, id] {
        Serve(c.fd, model_, id, idleMs_);
        shutdown(c.fd, SHUT_RDWR);  // the peer learns it now, not when the descriptor is reaped
        c.done = true;
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(finished_, &one, sizeof one);
      });
    } catch (const std::exception& e) {  // std::system_error or std::bad_alloc
      if (listed) list_.pop_back();
      close(fd);
      LogLine("client " + std::to_string(id) + ": no thread to serve it (" + e.what() + "), closing");
    }
  }

  // Readable when a client has finished.
  int Finished() const { return finished_; }

  // Joins the clients that have finished and closes their connections.
  void Reap() {
    uint64_t count;
    [[maybe_unused]] ssize_t n = read(finished_, &count, sizeof count);
    for (auto it = list_.begin(); it != list_.end();) {
      if (it->done) {
        it->thread.join();
        close(it->fd);
        it = list_.erase(it);
      } else {
        ++it;
      }
    }
  }

 private:
  camsim::CameraModel& model_;
  int idleMs_;
  int next_ = 1;
  int finished_;
  std::list<Client> list_;
};

// The socket's path for the fatal-signal handler, which may only call
// async-signal-safe functions.
char gSocketPath[sizeof(sockaddr_un::sun_path)];

void RemoveSocketAndDie(int sig) {
  unlink(gSocketPath);
  raise(sig);  // the handler was reset: the signal now does what it always does
}

// A crash or an abort (an uncaught exception included) still removes the socket file.
void RemoveSocketOnFatalSignals(const std::string& path) {
  std::snprintf(gSocketPath, sizeof gSocketPath, "%s", path.c_str());
  struct sigaction action {};
  action.sa_handler = RemoveSocketAndDie;
  action.sa_flags = SA_RESETHAND;
  for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(sig, &action, nullptr);
}

// Accepts and serves clients until a stop signal arrives; 0, or 1 when polling failed.
int ServeUntilStopped(int listenFd, int sigFd, camsim::CameraModel& model, int idleMs) {
  Clients clients(model, idleMs);
  using Clock = std::chrono::steady_clock;
  Clock::time_point acceptAgain;  // while the descriptor table is full
  bool acceptStalled = false;
  for (;;) {
    bool paused = Clock::now() < acceptAgain;
    pollfd fds[3] = {{sigFd, POLLIN, 0}, {clients.Finished(), POLLIN, 0}, {paused ? -1 : listenFd, POLLIN, 0}};
    if (poll(fds, 3, paused ? kAcceptBackoffMs : -1) < 0 && errno != EINTR) {
      LogLine(std::string("poll failed: ") + std::strerror(errno));
      return 1;
    }
    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info;
      if (read(sigFd, &info, sizeof info) > 0) LogLine(std::string("stopping on ") + strsignal(int(info.ssi_signo)));
      return 0;
    }
    if (fds[1].revents & POLLIN) clients.Reap();
    if (!(fds[2].revents & POLLIN)) continue;
    int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        if (!acceptStalled) LogLine(std::string("cannot accept (") + std::strerror(errno) + "); waiting for connections to close");
        acceptStalled = true;
        acceptAgain = Clock::now() + std::chrono::milliseconds(kAcceptBackoffMs);
      }
      continue;
    }
    if (acceptStalled) LogLine("accepting again");
    acceptStalled = false;
    clients.Start(fd);
  }
}

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

  // The stop signals arrive on a descriptor the main loop polls; every thread
  // started below inherits the blocked mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  int sigFd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (sigFd < 0) {
    std::fprintf(stderr, "orin-camsim: no signal descriptor: %s\n", std::strerror(errno));
    return 1;
  }
  int listenFd = Listen(o.socketPath, why);
  if (listenFd < 0) {
    std::fprintf(stderr, "orin-camsim: %s\n", why.c_str());
    return 1;
  }
  RemoveSocketOnFatalSignals(o.socketPath);

  int rc = 1;
  try {
    camsim::ModelOptions mo;
    mo.videoMode = o.videoMode;
    mo.stick = o.stick;
    mo.capacityBytes = std::min<uint64_t>(o.capacityMb * 1024 * 1024, 0xFFFFFFFFu);
    mo.log = LogLine;
    camsim::CameraModel model(std::move(mo));
    LogLine("serving " + o.stick.string() + " (" + std::to_string(o.capacityMb) + " MB) on " + o.socketPath);
    rc = ServeUntilStopped(listenFd, sigFd, model, o.idleTimeoutMs);
  } catch (const std::exception& e) {
    LogLine(std::string("stopping on an error: ") + e.what());
  }
  close(listenFd);
  unlink(o.socketPath.c_str());
  LogLine("stopped");
  return rc;
}
