// The single-instance lock: an exclusive lock on the file "mutex_KorvaneOrin50"
// in the user's runtime folder ($XDG_RUNTIME_DIR, else the system's temporary
// folder). The kernel releases it when the process ends, however it ends.
#pragma once
#include <string>

class SingleInstance {
 public:
  enum class Result { Acquired, AlreadyRunning, Failed };

  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the lock. On Failed, ErrorText() holds the system's text for the error.
  Result Acquire();
  const std::string& ErrorText() const { return error_; }

  static std::string LockPath();

 private:
  int fd_ = -1;
  std::string error_;
};
