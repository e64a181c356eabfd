#include "browser/OutsideTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/ui/ShellLaunch.h"
#include "resources/StringIds.h"

bool OutsideTools::LaunchTool(const QString& program, const QString& argument) {
  QDir::setCurrent(programFolder_);
  QString arg = argument;
  if (program == "Pictor.exe") {
    arg = QString("%1%2").arg(argument).arg(viewerCounter_);
    viewerCounter_ = (viewerCounter_ + 1) % 7;
  }
  // A sibling program of the program folder, or else a document for the desktop.
  bool started = LaunchProgram(programFolder_, program, arg.isEmpty() ? QStringList() : QStringList{arg});
  if (!started && QFileInfo(program).isAbsolute() && QFileInfo::exists(program))
    started = openDocument(program);
  if (!started && showError) showError(ids::CANNOT_OPEN_FILE);
  return started;
}

void OutsideTools::OpenHelp() {
  QDir::setCurrent(programFolder_);
  const QString help = programFolder_ + "/Orin Media 5_1.pdf";
  // Without a PDF reader xdg-open would start, fail and leave the user with
  // nothing: only a desktop that has a reader counts as having opened it.
  const bool reader = HasPdfReader();
  if (reader && QFileInfo::exists(help) && openDocument(help)) return;
  if (!showError) return;
  if (!reader || QFileInfo::exists(help))
    showError(ids::PDF_READER_MISSING);
  else
    showError(ids::HELP_FILE_MISSING);
}

QString OutsideTools::HandOverFolder() {
  const QString folder =
      QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/OrinMedia51/handover";
  QDir().mkpath(folder);
  return folder;
}

QString OutsideTools::HandOver(const QString& file, const QString& name) {
  const QString copy = HandOverFolder() + "/" + name;
  QFile::remove(copy);
  return QFile::copy(file, copy) ? copy : QString();
}
