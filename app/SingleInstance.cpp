#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

std::string SingleInstance::LockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::filesystem::path dir =
      (runtime && *runtime) ? std::filesystem::path(runtime) : std::filesystem::temp_directory_path();
  return (dir / "mutex_KorvaneOrin50").string();
}

SingleInstance::Result SingleInstance::Acquire() {
  if (fd_ >= 0) return Result::Acquired;
  // O_NOFOLLOW: in a shared temporary folder another user could plant a link here.
  int fd = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = std::strerror(errno);
    return Result::Failed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return Result::AlreadyRunning;
    error_ = std::strerror(err);
    return Result::Failed;
  }
  fd_ = fd;
  return Result::Acquired;
}
