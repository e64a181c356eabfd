#include "app/RecordingCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A descriptor closed on every way out.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

bool WriteAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    length -= size_t(n);
  }
  return true;
}

// The part file beside the target: "<target>.<pid>.part", numbered on when
// one of that name is there already. The user's umask sets its permissions.
int OpenPart(const QByteArray& target, QByteArray& part) {
  for (int n = 0;; ++n) {
    part = target + '.' + QByteArray::number(::getpid()) + (n ? '.' + QByteArray::number(n) : QByteArray()) + ".part";
    const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
}

// Reads `in` to its end into `out` in pieces of kRecordingCopyChunk bytes; 0 or the error number.
int CopyPieces(int in, int out) {
  std::vector<char> chunk(kRecordingCopyChunk);
  for (;;) {
    const ssize_t n = ::read(in, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    if (!WriteAll(out, chunk.data(), size_t(n))) return errno;
  }
}

}  // namespace

QString CopyRecording(const QString& source, const QString& target) {
  Fd in{::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) return Reason(errno);
  const QByteArray targetName = QFile::encodeName(target);
  QByteArray part;
  Fd out{OpenPart(targetName, part)};
  if (out.fd < 0) return Reason(errno);
  // A file that is replaced keeps its permissions.
  struct stat old {};
  if (::stat(targetName.constData(), &old) == 0) ::fchmod(out.fd, old.st_mode & 07777);

  int error = CopyPieces(in.fd, out.fd);
  // On the disk before it takes the chosen name.
  if (error == 0 && ::fsync(out.fd) != 0) error = errno;
  const int closed = ::close(out.fd);
  out.fd = -1;
  if (error == 0 && closed != 0) error = errno;
  if (error == 0 && ::rename(part.constData(), targetName.constData()) != 0) error = errno;
  if (error == 0) return {};
  ::unlink(part.constData());
  return Reason(error);
}
