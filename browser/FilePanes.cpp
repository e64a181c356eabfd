#include "browser/FilePanes.h"

#include "skin/CGradientMenu.h"
#include "skin/GradientMenuResource.h"

FilePanes::FilePanes(FilePane* pcView, FilePane* camView, const CameraLink& camera, QObject* parent)
    : QObject(parent),
      pcImages(LoadPaneImages(157)),
      camImages(LoadPaneImages(127)),
      pc(pcView, &pcImages),
      cam(camView, &camImages, camera) {
  Connect(pcView, PaneMenu::kPcMenu, [this](int row) { pc.DoubleClick(row); });
  Connect(camView, PaneMenu::kCamMenu, [this](int row) { cam.DoubleClick(row); });
}

void FilePanes::Connect(FilePane* view, int menuId, const std::function<void(int)>& doubleClick) {
  connect(view, &FilePane::rowDoubleClicked, this, [this, doubleClick](int row) {
    if (!Busy()) doubleClick(row);
  });
  connect(view, &FilePane::columnClicked, this, [this, view](int column) { SortPaneByColumn(view, column); });
  connect(view, &FilePane::menuRequested, this, [this, view, menuId](QPoint at) {
    if (!Busy()) ShowPaneMenu(menuId, view_ == PaneView::Detail, at, view);
  });
  connect(view, &FilePane::menuCommand, this, [this](int id) {
    if (!ViewCommand(id)) emit menuCommand(id);
  });
}

void FilePanes::SetPaneViewMode(PaneView view) {
  if (view == view_) return;
  view_ = view;
  pc.View()->SetView(view);
  pc.FillPcPane();
  cam.View()->SetView(view);
  cam.FillCamPane();
}

void FilePanes::SortPaneByColumn(FilePane* pane, int column) {
  if (Busy()) return;
  pane->Model()->SortByColumn(column);
}

bool FilePanes::ViewCommand(int commandId) {
  switch (commandId) {
    case PaneMenu::kPcDetail:
    case PaneMenu::kCamDetail:
      SetPaneViewMode(PaneView::Detail);
      return true;
    case PaneMenu::kPcList:
    case PaneMenu::kCamList:
      SetPaneViewMode(PaneView::List);
      return true;
    default:
      return false;
  }
}
