#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef ORIN_PROGRAM_FOLDER_FROM_BIN
#error "the build names the installed program folder relative to the programs' folder"
#endif

QString ProgramFolderFor(const QString& executableFolder, const QString& installedFromBin) {
  const QDir here(executableFolder);
  const QFileInfo installed(here.filePath(installedFromBin));
  if (!installedFromBin.isEmpty() && installed.isDir()) return QDir::cleanPath(installed.absoluteFilePath());
  return QDir::cleanPath(here.absolutePath());
}

QString ProgramFolder() {
  // applicationDirPath() comes from /proc/self/exe: the real file, whatever
  // link or relative path the program was started through.
  return ProgramFolderFor(QCoreApplication::applicationDirPath(), QStringLiteral(ORIN_PROGRAM_FOLDER_FROM_BIN));
}
