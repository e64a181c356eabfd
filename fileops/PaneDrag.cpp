#include "fileops/PaneDrag.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>

namespace {

// The row as the list draws it, every column, cut to the visible part.
QPixmap RowImage(QAbstractItemView* view, int row) {
  const QModelIndex first = view->model()->index(row, 0);
  QRect rect = view->visualRect(first);
  for (int column = 1; column < view->model()->columnCount(); ++column)
    rect = rect.united(view->visualRect(view->model()->index(row, column)));
  rect = rect.intersected(view->viewport()->rect());
  if (rect.isEmpty()) return {};
  return view->viewport()->grab(rect);
}

bool PlainPress(const QMouseEvent* event) {
  return !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
}

}  // namespace

PaneDrag::PaneDrag(QObject* parent) : QObject(parent) {}

PaneDrag::~PaneDrag() { delete image_; }

void PaneDrag::Watch(QAbstractItemView* view) {
  views_.push_back({view, view->viewport()});
  view->viewport()->installEventFilter(this);
}

QWidget* PaneDrag::DragImage() const { return image_; }

QAbstractItemView* PaneDrag::ViewOf(QObject* viewport) const {
  for (const Watched& w : views_)
    if (w.viewport == viewport) return w.view;
  return nullptr;
}

bool PaneDrag::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
    return false;
  QAbstractItemView* view = ViewOf(watched);
  if (!view) return false;
  switch (type) {
    case QEvent::MouseButtonPress:
      return Press(view, static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
      return Move(view, static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
      return Release(view, static_cast<QMouseEvent*>(event));
    default:
      return false;
  }
}

bool PaneDrag::Press(QAbstractItemView* view, QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  const QModelIndex index = view->indexAt(event->position().toPoint());
  pressView_ = view;
  pressRow_ = index.isValid() ? index.row() : -1;
  pressAt_ = event->globalPosition().toPoint();
  keptSelection_ = false;
  QItemSelectionModel* selection = view->selectionModel();
  if (index.isValid() && PlainPress(event) && selection && selection->isRowSelected(pressRow_) &&
      selection->selectedRows().size() > 1) {
    // The list would drop the rest of the selection now; hold the press back.
    keptSelection_ = true;
    view->setFocus(Qt::MouseFocusReason);
    return true;
  }
  return false;
}

bool PaneDrag::Move(QAbstractItemView* view, QMouseEvent* event) {
  const QPoint global = event->globalPosition().toPoint();
  if (dragging_) {
    MoveDrag(global);
    return true;
  }
  if (pressView_ != view || pressRow_ < 0 || !(event->buttons() & Qt::LeftButton)) return false;
  if ((global - pressAt_).manhattanLength() >= QApplication::startDragDistance()) {
    BeginDrag(view, pressRow_, global);
    return true;
  }
  return keptSelection_;
}

bool PaneDrag::Release(QAbstractItemView* view, QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  const bool held = keptSelection_ && pressView_ == view;
  const int pressedRow = pressRow_;
  pressView_ = nullptr;
  pressRow_ = -1;
  keptSelection_ = false;
  if (dragging_) {
    EndDrag();
    // The list saw the press unless it was held back; let it finish its own click.
    return held;
  }
  if (!held) return false;
  // No drag came of the held press: it was a click on that row.
  const QModelIndex index = view->model()->index(pressedRow, 0);
  view->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (view->indexAt(event->position().toPoint()).row() == pressedRow) emit view->clicked(index);
  return true;
}

void PaneDrag::BeginDrag(QAbstractItemView* view, int row, QPoint global) {
  if (!image_) {
    image_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                     Qt::WindowDoesNotAcceptFocus);
    image_->setAttribute(Qt::WA_TransparentForMouseEvents);
    image_->setAttribute(Qt::WA_ShowWithoutActivating);
    image_->setObjectName("dragImage");
  }
  QPixmap pixmap = RowImage(view, row);
  if (pixmap.isNull()) {
    pixmap = QPixmap(16, 16);
    pixmap.fill(Qt::transparent);
  }
  image_->setPixmap(pixmap);
  image_->resize(pixmap.size() / pixmap.devicePixelRatio());
  image_->move(global - kHotSpot);
  image_->show();
  dragging_ = true;
  source_ = view;
  target_ = nullptr;
}

void PaneDrag::MoveDrag(QPoint global) {
  if (image_) image_->move(global - kHotSpot);
  target_ = WindowUnder(global);
}

void PaneDrag::EndDrag() {
  dragging_ = false;
  if (image_) image_->hide();
  QAbstractItemView* source = source_;
  QWidget* target = target_;
  source_ = nullptr;
  target_ = nullptr;
  if (source) emit dropped(source, target);
}

QWidget* PaneDrag::WindowUnder(QPoint global) const {
  QWidget* under = QApplication::widgetAt(global);
  if (under && under->window() != image_) return under;
  // The display answered with the drag image itself, or cannot say which
  // window is where (an offscreen display): look among our own windows.
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top == image_ || !top->isVisible() || top->isMinimized()) continue;
    if (!top->geometry().contains(global)) continue;
    const QPoint local = top->mapFromGlobal(global);
    if (!top->mask().isEmpty() && !top->mask().contains(local)) continue;
    QWidget* child = top->childAt(local);
    return child ? child : top;
  }
  return nullptr;
}
