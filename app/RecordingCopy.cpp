#include "app/RecordingCopy.h"

#include <QFile>
#include <QSaveFile>
#include <vector>

QString CopyRecording(const QString& source, const QString& target) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return in.errorString();
  // Written beside the target and renamed over it on commit.
  QSaveFile out(target);
  if (!out.open(QIODevice::WriteOnly)) return out.errorString();
  std::vector<char> chunk(kRecordingCopyChunk);
  for (;;) {
    const qint64 n = in.read(chunk.data(), kRecordingCopyChunk);
    if (n < 0) {
      out.cancelWriting();
      return in.errorString();
    }
    if (n > 0 && out.write(chunk.data(), n) != n) {
      const QString reason = out.errorString();
      out.cancelWriting();
      return reason;
    }
    if (n < kRecordingCopyChunk) break;  // the last, shorter piece
  }
  if (!out.commit()) return out.errorString();
  return {};
}
