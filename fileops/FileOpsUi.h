// The one window interface: what the camera code asks of the user interface
// (CameraUi: messages, the camera pane, the storage poll) and what the file
// operations add to it (questions, naming dialogs, the PC pane, the preview).
// The window implements it once, carrying every call to the GUI thread;
// ProgressDialog stands behind ProgressSink; orin-cam answers both on the
// terminal; tests script them. Plain C++: the transfer loops stay free of
// widgets and run in tests against the in-process simulator.
#pragma once
#include <optional>
#include <string>

#include "camera/CameraUi.h"

enum class AskButtons { YesNo, OkCancel };

class FileOpsUi : public CameraUi {
 public:
  // A question; true for Yes (YesNo) or OK (OkCancel), false for every other answer.
  virtual bool Ask(const std::string& text, MsgIcon icon, AskButtons buttons) = 0;

  // The naming dialog in file mode for `oldName` (result: prefix, number, type)
  // and in folder mode with `suffix` (result: number and suffix); nothing on Cancel.
  virtual std::optional<std::string> AskFileNumber(const std::string& oldName) = 0;
  virtual std::optional<std::string> AskFolderNumber(const std::string& suffix) = 0;
  // The PC naming dialog: mode 1 a new folder, 0 a rename; `initial` fills the
  // edit. The dialog itself refuses empty and taken names (CheckPcName).
  virtual std::optional<std::string> AskPcName(int mode, const std::string& folder,
                                               const std::string& initial) = 0;

  // The PC pane and the preview: what only the window has. A user interface
  // without them (the terminal, a benchmark) keeps these defaults, which do nothing.
  virtual void EnablePcPane(bool /*enabled*/) {}
  virtual void RefreshPcPane() {}  // ListPcFolder of the current path, then FillPcPane

  // The preview: the picture half (selected image, picture window, frames
  // 1071 and 1069) and the rest (current selection, playback, time display,
  // Play and Stop). ClearPreview is both in that order.
  virtual void ClearPreviewPicture() {}
  virtual void ClearPreviewRest() {}
  void ClearPreview() {
    ClearPreviewPicture();
    ClearPreviewRest();
  }
  // Forgets the current selection only.
  virtual void ForgetSelection() {}
  // After a rename: the current selection becomes the new name.
  virtual void SelectionRenamed(const std::string& /*newName*/) {}

  // The operating system's text for `error`, met on `path`. The window shows
  // the text as it stands (the default); a terminal names the path too
  // ("/x/y: No space left on device").
  virtual void ShowSystemError(const std::string& path, int error);

  // Helpers over ShowText/Ask with the string table.
  void ShowFile(const std::string& name, int stringId, MsgIcon icon);  // "%s\n\n%s"
  bool AskId(int stringId, MsgIcon icon, AskButtons buttons);
  bool AskFile(const std::string& name, int stringId, MsgIcon icon, AskButtons buttons);
};

// The progress dialog of a batch or a format.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // copying: the name, "\n\n" and " Copying...", Cancel shown; otherwise
  // "\n" and "Formatting...", Cancel hidden.
  virtual void SetFileText(const std::string& name, bool copying) = 0;
  virtual void SetRange(int n) = 0;
  virtual void Step() = 0;
  virtual void SetMessage(const std::string& text) = 0;  // "\n" and the text
  virtual bool CancelRequested() = 0;
  virtual void Activate() = 0;
  virtual void Close() = 0;
};

// What a batch did, for callers that must know (orin-cam's exit status).
struct BatchOutcome {
  int done = 0;     // files copied
  int skipped = 0;  // files the user chose not to replace
  int refused = 0;  // rows refused before any transfer (folders, names, size 0)
  int failed = 0;   // changes the camera refused (delete, rename, new folder)
  bool stopped = false;  // the batch ended on an error
};
