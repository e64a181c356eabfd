// What the streaming worker's tests put around it: a window that keeps the
// messages the worker posts, a preview that draws nothing, and a wait for a
// condition another thread makes true.
#pragma once
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "video/StreamWorker.h"

namespace test_support {

// Keeps every message the worker posts, for the test thread to read.
class MessageOwner : public StreamOwnerWindow {
 public:
  void PostStreamMessage(unsigned message) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
  }
  std::vector<unsigned> Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  std::mutex mutex_;
  std::vector<unsigned> messages_;
};

// The preview graph is not under test: it only has to agree.
class QuietPreview : public PreviewGraph {
 public:
  void SetWindows(void*, StreamOwnerWindow*) override {}
  bool Build() override { return true; }
  void WireAndRun() override {}
  bool TearDown() override { return true; }
  void HideVideo() override {}
  void ShowVideo() override {}
};

// True once `done` holds; false when `limit` passes first, which only a
// stuck worker reaches.
template <typename F>
bool WaitUntil(F done, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace test_support
