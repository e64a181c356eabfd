// What the file operations need of the window: messages and questions, the
// progress dialog of a batch, the panes and the preview. MainWindow implements
// FileOpsUi, ProgressDialog stands behind ProgressSink, orin-cam answers both on
// the terminal, and tests script them. Plain C++: the transfer loops stay free
// of widgets and run in tests against the in-process simulator.
#pragma once
#include <optional>
#include <string>

#include "platform/ui/MessageTypes.h"

enum class AskButtons { YesNo, OkCancel };

class FileOpsUi {
 public:
  virtual ~FileOpsUi() = default;

  // A message box captioned "Orin Media 5.1" with `text` as it stands.
  virtual void ShowText(const std::string& text, MsgIcon icon) = 0;
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

  // Panes, window and preview: what only the window has. A user interface
  // without them (the terminal, a benchmark) keeps these defaults, which do nothing.
  virtual void EnablePcPane(bool /*enabled*/) {}
  virtual void EnableCamPane(bool /*enabled*/) {}
  // Buttons 1058, 1059, 1057, 1056 and 1060 shown again after a format.
  virtual void ShowCameraButtons() {}
  virtual void RefreshPcPane() {}  // ListPcFolder of the current path, then FillPcPane
  virtual void FillCamPane() {}    // the camera pane from the camera lists
  virtual void Repaint() {}
  virtual void StopStoragePoll() {}
  virtual void StartStoragePoll(int /*ms*/) {}

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

  // Helpers over ShowText/Ask with the string table.
  void Show(int stringId, MsgIcon icon);
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
