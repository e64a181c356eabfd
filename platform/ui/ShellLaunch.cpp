#include "platform/ui/ShellLaunch.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

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

bool OpenDocument(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

bool HasPdfReader() {
  QProcess query;
  query.start("xdg-mime", {"query", "default", "application/pdf"});
  if (!query.waitForFinished(3000) || query.exitCode() != 0) return false;
  return !query.readAllStandardOutput().trimmed().isEmpty();
}
