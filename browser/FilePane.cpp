#include "browser/FilePane.h"

#include <QBitmap>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

#include "resources/Resources.h"
#include "skin/CGradientMenu.h"

namespace {
constexpr int kCell = 16;
}

QList<QIcon> LoadPaneImages(int bitmapId) {
  QList<QIcon> images;
  const QImage strip = resources::BitmapImage(bitmapId).convertToFormat(QImage::Format_ARGB32);
  for (int x = 0; x + kCell <= strip.width(); x += kCell) {
    QImage cell = strip.copy(x, 0, kCell, kCell);
    QPixmap pixmap = QPixmap::fromImage(cell);
    pixmap.setMask(QBitmap::fromImage(cell.createMaskFromColor(qRgb(255, 0, 255), Qt::MaskInColor)));
    images.push_back(QIcon(pixmap));
  }
  return images;
}

FilePane::FilePane(QWidget* parent) : QTreeView(parent), model_(new PaneModel(this)) {
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);  // keeps a folder of many thousands of files quick
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setIconSize(QSize(kCell, kCell));
  setSortingEnabled(false);  // the pane sorts by its own rules on a header click
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(true);
  header()->setSectionsMovable(false);
  header()->setSectionResizeMode(QHeaderView::Interactive);
  connect(header(), &QHeaderView::sectionClicked, this, &FilePane::columnClicked);

  // The selection looks the same with or without the focus.
  QPalette p = palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
  setPalette(p);

  QFont paneFont("MS Sans Serif");
  paneFont.setStyleHint(QFont::SansSerif);
  paneFont.setPixelSize(12);
  paneFont.setWeight(QFont::Normal);
  setFont(paneFont);
  SetView(PaneView::Detail);
}

void FilePane::SetView(PaneView view) {
  setUpdatesEnabled(false);
  model_->SetView(view);
  if (view == PaneView::Detail) {
    header()->resizeSection(0, 130);
    header()->resizeSection(1, 80);
    header()->resizeSection(2, 130);
    setHeaderHidden(false);
  } else {
    header()->resizeSection(0, 208);
    setHeaderHidden(true);
  }
  setUpdatesEnabled(true);
}

void FilePane::ScrollPastRows(int rows) {
  if (rows <= 0 || rows >= model_->RowCount()) {
    scrollToTop();
    return;
  }
  scrollTo(model_->index(rows, 0), QAbstractItemView::PositionAtTop);
}

QList<int> FilePane::SelectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

bool FilePane::event(QEvent* event) {
  if (event->type() == GradientMenuEvent::EventType()) {
    auto* menuEvent = static_cast<GradientMenuEvent*>(event);
    if (menuEvent->message == MenuMessage::WM_COMMAND) emit menuCommand(menuEvent->item);
    return true;
  }
  return QTreeView::event(event);
}

void FilePane::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  emit rowDoubleClicked(index.isValid() ? index.row() : -1);
  event->accept();
}

void FilePane::contextMenuEvent(QContextMenuEvent* event) {
  emit menuRequested(event->globalPos());
  event->accept();
}
