#include "platform/ui/Pacing.h"

#include <atomic>
#include <chrono>
#include <thread>

void RealPacing::Wait(int ms) {
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
