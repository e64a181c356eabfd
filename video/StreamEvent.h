// An auto-reset event: Set wakes one waiter (or the next one to wait) and
// the wake consumes the signal.
#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

class AutoResetEvent {
 public:
  void Set() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      signalled_ = true;
    }
    cv_.notify_one();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
  }
  // Zero-wait test; takes the signal when it was set.
  bool TryWait() { return WaitFor(std::chrono::milliseconds(0)); }
  bool WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cv_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_ = false;
};
