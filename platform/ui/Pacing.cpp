#include "platform/ui/Pacing.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// ORIN_PACING_LOG=1 writes every wait to stderr with the wall-clock time it
// began (as the simulator stamps its log), so that a run can be laid against
// its fixed waits. Read once; off, a wait costs one test more.
bool WaitsLogged() {
  static const bool logged = [] {
    const char* value = std::getenv("ORIN_PACING_LOG");
    return value && *value && std::strcmp(value, "0") != 0;
  }();
  return logged;
}

void LogWait(int ms) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  const bool mainThread = syscall(SYS_gettid) == getpid();
  std::fprintf(stderr, "orin-pacing %02d:%02d:%02d.%03ld wait %d ms%s\n", local.tm_hour, local.tm_min,
               local.tm_sec, now.tv_nsec / 1000000, ms, mainThread ? " main" : "");
  std::fflush(stderr);
}

}  // namespace

void RealPacing::Wait(int ms) {
  if (WaitsLogged()) LogWait(ms);
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void InstantPacing::Wait(int ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  waits_.push_back(ms);
}

std::vector<int> InstantPacing::Waits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waits_;
}

void InstantPacing::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  waits_.clear();
}

namespace {
RealPacing g_real;
std::atomic<Pacing*> g_current{&g_real};
}  // namespace

Pacing& GetPacing() { return *g_current.load(); }

void SetPacing(Pacing* pacing) { g_current.store(pacing ? pacing : &g_real); }
