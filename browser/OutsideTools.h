// The sibling programs and the help document beside the program: the image
// viewer "Pictor.exe", the e-mail sender "Postlet.exe", the photo editor
// "Vuv40.exe" and "Orin Media 5_1.pdf". Each is started detached with at most
// one argument; nothing else passes between them and the program.
#pragma once
#include <QString>
#include <functional>

#include "platform/ui/ShellLaunch.h"

class OutsideTools {
 public:
  explicit OutsideTools(QString programFolder) : programFolder_(std::move(programFolder)) {}

  // Starts `program` (a sibling's name, or a document's path) with `argument`
  // (none when empty). The image viewer's argument gets the viewer counter's
  // digit appended, and the counter moves on (0 to 6). False when nothing
  // could be started; the caller has then shown "Cannot open this file.".
  bool LaunchTool(const QString& program, const QString& argument);
  int ViewerCounter() const { return viewerCounter_; }

  // The help document from the program folder. It opens only where the desktop
  // has a PDF reader; otherwise, or when the document is missing, the message
  // that names what is missing is shown here.
  void OpenHelp();

  // Where a camera still is copied for the photo editor and the viewer: it
  // survives the temporary folder. Created when missing.
  static QString HandOverFolder();
  // Copies `file` into the hand-over folder under `name`, replacing an older
  // copy; the copy's path, or empty when it could not be made.
  static QString HandOver(const QString& file, const QString& name);

  // Shows a message by string id (the window's message box); tests replace it.
  std::function<void(int stringId)> showError;
  // Opens a document with the desktop's program for its type (xdg-open); tests
  // replace it, since the offscreen platform opens nothing.
  std::function<bool(const QString& path)> openDocument = OpenDocument;

 private:
  QString programFolder_;
  int viewerCounter_ = 0;
};
