#include "app/RecordingCopy.h"

#include <QFile>
#include <cstring>
#include <string>

#include "fileops/Transfer.h"

static_assert(kRecordingCopyChunk == qint64(kSaveChunkBytes));

QString CopyRecording(const QString& source, const QString& target) {
  std::string failedPath;
  const int error = SaveCopy(QFile::encodeName(source).toStdString(), QFile::encodeName(target).toStdString(),
                             failedPath);
  return error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
}
