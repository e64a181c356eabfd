// The two file panes together: the PC pane and the camera pane share their
// view mode (Detail or List, Detail at start), each keeps its own column sort
// directions, and their image lists live here. Double-clicks, header clicks
// and the context menus (106 for the PC pane, 107 for the camera pane) do
// nothing while the window's operation flag is set.
#pragma once
#include <QIcon>
#include <QList>
#include <QObject>
#include <functional>

#include "browser/CamPane.h"
#include "browser/FilePane.h"
#include "browser/PcPane.h"

class FilePanes : public QObject {
  Q_OBJECT
 public:
  FilePanes(FilePane* pcView, FilePane* camView, const CameraLink& camera, QObject* parent = nullptr);

  // The image lists; declared first so that the panes may refer to them.
  const QList<QIcon> pcImages;   // bitmap 157
  const QList<QIcon> camImages;  // bitmap 127
  PcPane pc;
  CamPane cam;

  // Whether the window's operation flag is set.
  std::function<bool()> isBusy;

  PaneView ViewMode() const { return view_; }
  // Both panes to Detail or List: their columns rebuilt and their rows
  // refilled from the lists they hold. Nothing when the mode is already set.
  void SetPaneViewMode(PaneView view);
  // The header click of a pane.
  void SortPaneByColumn(FilePane* pane, int column);
  // The view-mode commands 32781 to 32784; false for any other command.
  bool ViewCommand(int commandId);

 signals:
  // The context menus' other commands (Delete, Copy, Rename) for the window.
  void menuCommand(int commandId);

 private:
  bool Busy() const { return isBusy && isBusy(); }
  void Connect(FilePane* view, int menuId, const std::function<void(int)>& doubleClick);

  PaneView view_ = PaneView::Detail;
};
