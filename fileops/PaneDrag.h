// Dragging rows from one file pane onto the other, made by hand from the
// list's own mouse events so that it behaves alike on every display and in
// offscreen tests.
//
// A left-button press on a row followed by a move of the drag distance
// begins a drag: an image of the pressed row follows the cursor with its hot
// spot at (8, 8). While the button is down the list keeps the mouse wherever
// the cursor goes, so every move and the release arrive here; each move notes
// the window under the cursor. The release ends the drag and reports the
// source list and the window noted at the last move (none before the first
// move, or outside the program). What a drop copies is the window's choice.
//
// A press on a row of a several-row selection, without Ctrl or Shift, keeps
// the selection until the release, so that the whole selection can be dragged;
// a release without a drag then selects that row alone, as a click does.
#pragma once
#include <QAbstractItemView>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QLabel;
class QWidget;

class PaneDrag : public QObject {
  Q_OBJECT

 public:
  static constexpr QPoint kHotSpot{8, 8};

  explicit PaneDrag(QObject* parent = nullptr);
  ~PaneDrag() override;

  // Lets a list be the source of drags.
  void Watch(QAbstractItemView* view);

  bool Dragging() const { return dragging_; }
  QAbstractItemView* DragSource() const { return source_; }
  QWidget* DropTarget() const { return target_; }
  // The window showing the drag image; nullptr when no drag ran yet.
  QWidget* DragImage() const;

  // The widget of this program under a screen point, the drag image left out.
  QWidget* WindowUnder(QPoint global) const;

 signals:
  // The release of a drag: the list it began in and the window under the
  // cursor at the last move (nullptr when there was none).
  void dropped(QAbstractItemView* source, QWidget* target);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAbstractItemView* ViewOf(QObject* viewport) const;
  bool Press(QAbstractItemView* view, class QMouseEvent* event);
  bool Move(QAbstractItemView* view, QMouseEvent* event);
  bool Release(QAbstractItemView* view, QMouseEvent* event);
  void BeginDrag(QAbstractItemView* view, int row, QPoint global);
  void MoveDrag(QPoint global);
  void EndDrag();

  // Each watched view with its viewport, noted once: a view being destroyed
  // must not be asked for its viewport while its viewport's events still come.
  struct Watched {
    QAbstractItemView* view;
    QObject* viewport;
  };
  QList<Watched> views_;
  QLabel* image_ = nullptr;
  bool dragging_ = false;
  QPointer<QAbstractItemView> source_;
  QPointer<QWidget> target_;
  // The press that may grow into a drag.
  QPointer<QAbstractItemView> pressView_;
  int pressRow_ = -1;
  QPoint pressAt_;
  bool keptSelection_ = false;  // the press was held back to keep a several-row selection
};
