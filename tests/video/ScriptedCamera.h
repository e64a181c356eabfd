// A camera whose live stream follows a script, for the streaming worker's
// tests, and fakes of the worker's window and preview graph. Every call is
// written to one shared log, so the order of steps can be checked.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "camera/CameraDriver.h"
#include "camera/CameraProtocol.h"
#include "tests/video/AsfBuilders.h"
#include "video/StreamWorker.h"

class EventLog {
 public:
  void Add(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
    cv_.notify_all();
  }
  std::vector<std::string> Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
  }
  int Count(const std::string& entry) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto& e : entries_) n += e == entry;
    return n;
  }
  // Waits until `entry` has been logged `times` times; the limit only ends a
  // test that is stuck.
  bool WaitFor(const std::string& entry, int times = 1) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(30), [&] {
      int n = 0;
      for (const auto& e : entries_) n += e == entry;
      return n >= times;
    });
  }
  // Position of the first `entry`, -1 when absent.
  int IndexOf(const std::string& entry) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i] == entry) return int(i);
    return -1;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> entries_;
};

class ScriptedCamera : public CameraDriver {
 public:
  struct Step {
    enum Kind { Block, Idle, Fail, Gate } kind = Block;
    uint32_t announced = 0;    // length in the poll reply
    asfbuild::Bytes delivered; // what Bulk_IN then gives (may be shorter)
  };

  explicit ScriptedCamera(EventLog& log) : log_(log) {}

  void Block(const asfbuild::Bytes& data) { Push({Step::Block, uint32_t(data.size()), data}); }
  void ShortBlock(uint32_t announced, const asfbuild::Bytes& data) { Push({Step::Block, announced, data}); }
  void Announce(uint32_t length) { Push({Step::Block, length, {}}); }
  void Idle() { Push({Step::Idle, 0, {}}); }
  void FailPoll() { Push({Step::Fail, 0, {}}); }
  // The poll blocks here until Open(); logged as "gate".
  void Gate() { Push({Step::Gate, 0, {}}); }
  // Once the script has run out: answer "nothing ready" instead of ending.
  void IdleWhenDone() {
    std::lock_guard<std::mutex> lock(mutex_);
    idleWhenDone_ = true;
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    gateOpen_ = true;
    cv_.notify_all();
  }

  int Device_Open() override { return 1; }
  void Device_Close() override {}
  int Vendor_Write(int request, int, int, int, void*) override {
    log_.Add(Name(request));
    return 1;
  }
  int Vendor_Read(int request, int, int, int length, void* data) override {
    log_.Add(Name(request));
    if (request != REQ_STREAM_POLL || length != 5) return 0;
    Step step = Next();
    uint8_t* reply = static_cast<uint8_t*>(data);
    std::memset(reply, 0, 5);
    switch (step.kind) {
      case Step::Fail:
        return 0;
      case Step::Idle:
        return 1;
      case Step::Gate:
      case Step::Block:
        reply[0] = 1;
        for (int i = 0; i < 4; ++i) reply[1 + i] = uint8_t(step.announced >> (8 * i));
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = step.delivered;
        return 1;
    }
    return 0;
  }
  int Bulk_IN(void* data, int length) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const size_t n = std::min(pending_.size(), size_t(length));
    std::memcpy(data, pending_.data(), n);
    pending_.erase(pending_.begin(), pending_.begin() + n);
    log_.Add("bulk");
    return int(n);
  }
  int Bulk_OUT(void*, int) override { return 0; }

 private:
  static std::string Name(int request) {
    switch (request) {
      case REQ_STREAM_START: return "start";
      case REQ_STREAM_STOP: return "stop";
      case REQ_STREAM_POLL: return "poll";
      default: return "request " + std::to_string(request);
    }
  }
  void Push(Step step) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_.push_back(std::move(step));
  }
  // An empty script answers length 0: the camera left PC-camera mode.
  Step Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!script_.empty() && script_.front().kind == Step::Gate) {
      script_.pop_front();
      log_.Add("gate");
      cv_.wait(lock, [this] { return gateOpen_; });
      gateOpen_ = false;
    }
    if (script_.empty()) return {idleWhenDone_ ? Step::Idle : Step::Block, 0, {}};
    Step step = std::move(script_.front());
    script_.pop_front();
    return step;
  }

  EventLog& log_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Step> script_;
  asfbuild::Bytes pending_;
  bool gateOpen_ = false;
  bool idleWhenDone_ = false;
};

class FakeOwner : public StreamOwnerWindow {
 public:
  explicit FakeOwner(EventLog& log) : log_(log) {}
  void PostStreamMessage(unsigned message) override {
    log_.Add(message == WM_STREAM_ENDED           ? "WM_STREAM_ENDED"
             : message == WM_AUDIO_FORMAT_CHANGED ? "WM_AUDIO_FORMAT_CHANGED"
             : message == WM_RECORD_WRITE_FAILED  ? "WM_RECORD_WRITE_FAILED"
                                                  : "message " + std::to_string(message));
  }

 private:
  EventLog& log_;
};

class FakePreview : public PreviewGraph {
 public:
  explicit FakePreview(EventLog& log) : log_(log) {}
  void SetWindows(void*, StreamOwnerWindow*) override { log_.Add("windows"); }
  bool Build() override {
    log_.Add("build");
    return buildResult;
  }
  void WireAndRun() override { log_.Add("run"); }
  bool TearDown() override {
    log_.Add("teardown");
    return true;
  }
  void HideVideo() override { log_.Add("hide"); }
  void ShowVideo() override { log_.Add("show"); }
  bool buildResult = true;

 private:
  EventLog& log_;
};
