// Shared pieces of the player tests: a scratch folder with movies made by
// ffmpeg, the window's two sides the player reaches (its messages and the
// posted WM_ASFCOMPLETE) and waiting on a condition.
#pragma once
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/CameraUi.h"
#include "resources/Resources.h"
#include "video/MoviePlayer.h"

namespace playertest {

// Polls `done` until it holds; false after `ms` (a bound against a hang, far
// beyond what any step needs).
inline bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The window's message boxes, by their texts.
class RecordingUi : public CameraUi {
 public:
  void ShowText(const std::string& text, MsgIcon icon) override {
    texts.push_back(text);
    icons.push_back(icon);
  }
  std::vector<std::string> texts;
  std::vector<MsgIcon> icons;
};

// The notify window: messages arrive from the graph's threads.
class PostedMessages : public StreamOwnerWindow {
 public:
  void PostStreamMessage(unsigned message) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      posted_.push_back(message);
    }
    arrived_.notify_all();
  }
  // Waits until `message` has been posted at least `count` times.
  bool WaitFor(unsigned message, size_t count = 1, int ms = 20000) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return Count(message) >= count; });
  }
  size_t Posted(unsigned message) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Count(message);
  }

 private:
  size_t Count(unsigned message) const {
    size_t n = 0;
    for (unsigned m : posted_) n += m == message;
    return n;
  }
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<unsigned> posted_;
};

// A scratch folder of the test's own, removed at its end.
class Scratch {
 public:
  std::string Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }
  // Runs ffmpeg on lavfi's test picture and tone for `seconds`; `codecs` are
  // its output options. The path made, or "" when ffmpeg failed.
  std::string Movie(const std::string& name, const std::string& codecs, int seconds = 1,
                    int audioRate = 16000) const {
    const std::string path = Path(name);
    const std::string d = std::to_string(seconds);
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=15:duration=" +
                                d + " -f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(audioRate) +
                                ":duration=" + d + " " + codecs + " '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : "";
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace playertest
