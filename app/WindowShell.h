// The window shell: the main window's controls built from the control table,
// their look (skinned buttons, labels, fonts), the two layouts with the layout
// flag, the start-up's busy dialog, and the small widget steps the other parts
// of the window ask for (camera-pane buttons, panes enabled, Play and Stop,
// the path label, repainting). GUI thread only.
#pragma once
#include <QMap>
#include <QPointer>
#include <QString>

#include "skin/BusyDialog.h"

class FilePane;
class QDialog;
class QWidget;
struct ControlSpec;

class WindowShell {
 public:
  // Builds every control of the table as a child of `window`.
  explicit WindowShell(QDialog& window);

  QDialog& Window() const { return window_; }
  // The control of that id (see ControlTable.h), or nullptr.
  QWidget* Control(int id) const { return controls_.value(id); }
  template <typename T>
  T* ControlAs(int id) const { return qobject_cast<T*>(controls_.value(id)); }
  FilePane* PcPaneView() const;
  FilePane* CamPaneView() const;

  // --- start-up ---
  void SetupButtons();
  // The labels' faces and colours, the time label's template.
  void SetupLabels();
  // The later setting of three labels: the panes' face, 8 points.
  void SetLabelFonts();
  // The panes' and the recording-mode box's font.
  void SetPaneFonts();
  // The recording time as minutes and seconds.
  void ShowRecordingTime(int seconds);

  // --- layouts ---
  // 1 while the storage layout is shown, 0 while the camera layout is; 1 before start-up.
  bool LayoutFlag() const { return layoutFlag_; }
  // Applies the camera layout when the layout flag is 1 and the storage
  // layout when it is 0, then inverts the flag; the camera file buttons come
  // back and the camera pane is enabled only with a usable stick.
  void ApplyModeLayout(bool mediaReady);

  // --- widget steps ---
  // Buttons 1058, 1059, 1057 and 1056.
  void ShowCameraButtons(bool shown);
  void ShowFormatButton(bool shown);
  void EnableCameraPane(bool enabled);
  void EnablePcPane(bool enabled);
  void ShowVideoFrame(bool shown);
  void ShowPictureFrame(bool shown);
  // Play and Stop (1021, 1026) hidden, as when no movie is the selection.
  void HidePlayButtons();
  // The PC path label's text and tooltip.
  void ShowPcPath(const QString& path);
  void Repaint();

  // --- the start-up's busy dialog ---
  void OpenBusyDialog();
  // One step of the animation (nothing once it is closed).
  void StepBusyDialog();
  void CloseBusyDialog();
  BusyDialog* Busy() const { return busy_; }
  bool BusyDialogShown() const { return busyDialogShown_; }

 private:
  QWidget* CreateControl(const ControlSpec& control);

  QDialog& window_;
  QMap<int, QWidget*> controls_;
  bool layoutFlag_ = true;
  QPointer<BusyDialog> busy_;
  bool busyDialogShown_ = false;
};
