#include "cli/Signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "fileops/PartFiles.h"

namespace {

std::atomic<int> gStopFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

void OnSignal(int sig) {
  // Only the first signal is redirected: the fd is taken as it is used.
  const int fd = gStopFd.exchange(-1);
  if (fd >= 0) {
    const char byte = static_cast<char>(sig);
    const int saved = errno;
    [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    errno = saved;
    return;
  }
  RemovePartFileInProgress();
  ::signal(sig, SIG_DFL);
  ::raise(sig);  // the signal now ends the process as it always does
}

}  // namespace

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, sig);  // one handler at a time
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;  // e.g. SIGINT in a script's background job: it stays ignored
    sigaction(sig, &action, nullptr);
  }
}

void RedirectStopSignals(int fd) { gStopFd.store(fd); }
