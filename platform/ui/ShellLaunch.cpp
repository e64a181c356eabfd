#include "platform/ui/ShellLaunch.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>

namespace {

// The desktop's default program for `mimeType` (a desktop file's name); empty when none.
QString DefaultProgram(const QString& mimeType) {
  QProcess query;
  query.start("xdg-mime", {"query", "default", mimeType});
  if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
    return {};
  return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

// The type or one it belongs to has a program. Every file is some kind of
// application/octet-stream: a program for that alone does not count.
bool HasProgramFor(const QMimeType& type) {
  QStringList names{type.name()};
  names << type.allAncestors();
  for (const QString& name : names)
    if (name != "application/octet-stream" && !DefaultProgram(name).isEmpty()) return true;
  return false;
}

}  // namespace

bool LaunchProgram(const QString& programFolder, const QString& name, const QStringList& arguments) {
  QStringList candidates{name};
  if (name.endsWith(".exe", Qt::CaseInsensitive)) candidates << name.left(name.size() - 4);
  for (const QString& candidate : candidates) {
    const QFileInfo program(programFolder + "/" + candidate);
    if (program.isFile() && program.isExecutable() &&
        QProcess::startDetached(program.absoluteFilePath(), arguments, programFolder))
      return true;
  }
  return false;
}

bool OpenDocument(const QString& path) {
  if (!HasProgramFor(QMimeDatabase().mimeTypeForFile(path))) return false;
  return QProcess::startDetached("xdg-open", {path});
}

bool HasPdfReader() { return HasProgramFor(QMimeDatabase().mimeTypeForName("application/pdf")); }
