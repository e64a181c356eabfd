// The preview of a click and the programs a file is handed to: a click on a
// row of either pane shows a JPEG still in the picture window (a camera still
// fetched into the temporary folder first), makes an ASF movie the Play
// button's selection, or clears the preview for a folder row; the image
// viewer, the photo editor (with the selected still), the e-mail sender and
// the help document are started from here. GUI thread only; the window
// checks the operation flag before a click gets here.
#pragma once
#include <QString>
#include <memory>

class BitmapWindow;
class CameraConnection;
class CameraModeController;
class FileOpsUi;
class FilePanes;
class OutsideTools;
class WindowShell;
class WindowTimers;

class PreviewController {
 public:
  PreviewController(CameraConnection& camera, WindowShell& shell, FilePanes& panes, WindowTimers& timers,
                    CameraModeController& cameraMode, FileOpsUi& ui);
  ~PreviewController();

  // Start-up: the picture window inside the picture frame, then the sibling
  // programs of the program folder.
  void CreatePictureWindow();
  void SetProgramFolder(const QString& programFolder);
  BitmapWindow* PictureWindow() const { return pictureWindow_; }
  OutsideTools* Tools() const { return tools_.get(); }

  // The still shown in the picture window, for the photo editor.
  QString SelectedImage() const { return selectedImage_; }

  // A click on a row (-1: no row hit).
  void PreviewCameraRow(int row);
  void PreviewPcRow(int row);
  // The picture half of clearing the preview (selected image, picture
  // window, frames 1071 and 1069), and the rest (selection, playback, time
  // display, Play and Stop).
  void ClearPreviewPicture();
  void ClearPreviewRest();
  // No still over the video: the picture window's image released and the picture frame hidden.
  void HideStill();

  // The sibling programs and the help document.
  void OnHelp();
  void OnEmail();
  void OnPhotoEditor();
  void ViewPcPicture(const QString& path);
  void ViewCameraPicture(const QString& name);

 private:
  friend struct WindowTestAccess;

  bool ShowStill(const QString& path, bool cameraStill);
  void FetchCameraStill(const QString& name);
  void PreviewFolderRow();
  void ForgetSelection();

  CameraConnection& camera_;
  WindowShell& shell_;
  FilePanes& panes_;
  WindowTimers& timers_;
  CameraModeController& cameraMode_;
  FileOpsUi& ui_;
  BitmapWindow* pictureWindow_ = nullptr;  // a child of the picture frame
  std::unique_ptr<OutsideTools> tools_;
  QString selectedImage_;
};
