// The list control of a file pane: a report-style list of rows with several
// rows selectable, full-row selection that stays visible without the focus,
// 16 x 16 images from a shared image list, Detail (Name, Size, Date) or List
// (Name alone, no header) view. It reports double-clicks, header clicks, the
// right-click and the commands of its context menu; what they do is up to
// the pane that owns it.
#pragma once
#include <QIcon>
#include <QList>
#include <QTreeView>

#include "browser/PaneModel.h"

// The cells of a 16 x 16 image strip (bitmap 157 for the PC pane, 127 for the
// camera pane), magenta transparent; an empty list when the bitmap is missing.
QList<QIcon> LoadPaneImages(int bitmapId);

class FilePane : public QTreeView {
  Q_OBJECT
 public:
  explicit FilePane(QWidget* parent = nullptr);

  PaneModel* Model() const { return model_; }
  // Rebuilds the columns for the view: Name 130, Size 80 (right-aligned),
  // Date 130 with the header shown, or Name 208 without a header.
  void SetView(PaneView view);
  // Scrolls so that `rows` rows are above the top of the view.
  void ScrollPastRows(int rows);
  // The rows now selected, in row order.
  QList<int> SelectedRows() const;

 signals:
  void rowDoubleClicked(int row);   // -1 when no row was hit
  void columnClicked(int column);
  void menuRequested(QPoint globalPos);
  void menuCommand(int id);          // a command chosen in the pane's context menu

 protected:
  bool event(QEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  PaneModel* model_;
};
