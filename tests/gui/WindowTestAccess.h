// The window tests' narrow way in: state that the program changes only from a
// running copy, a playing movie or a camera that failed mid-request, set here
// directly, and the window interface as the file operations see it.
#pragma once
#include "app/MainWindow.h"

struct WindowTestAccess {
  // As while a transfer or format thread runs.
  static void SetOperationFlag(MainWindow& w, bool set) { w.fileOps_.operationFlag_ = set; }
  // As while a movie plays.
  static void SetMoviePlaying(MainWindow& w, bool playing) { w.cameraMode_.player_.playing_ = playing; }
  static void SetSelectedImage(MainWindow& w, const QString& path) { w.preview_.selectedImage_ = path; }
  // The camera closed as a failed request closes it, without the message.
  static void CloseCamera(MainWindow& w) { w.camera_.CloseDevice(); }
  // The camera's current folder read and shown again.
  static void Relist(MainWindow& w) {
    w.camera_.ListCamFolder();
    w.panes_.cam.FillCamPane();
  }
  // The window interface the file operations and the camera code call.
  static FileOpsUi& Ui(MainWindow& w) { return w.ui_; }
  // The graph the live preview feeds.
  static PreviewGraph* Graph(MainWindow& w) { return w.cameraMode_.graph_.get(); }
};
