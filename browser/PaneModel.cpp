#include "browser/PaneModel.h"

#include <algorithm>
#include <numeric>

bool PaneRowBefore(const PaneRow& a, const PaneRow& b, int column, int s) {
  if (a.pinned || b.pinned) return a.pinned && !b.pinned;
  if (a.folder != b.folder) return a.folder;
  switch (column) {
    case 0: {
      const int c = a.text.toCaseFolded().compare(b.text.toCaseFolded());
      return s > 0 ? c < 0 : c > 0;
    }
    case 1:
      return s > 0 ? a.size < b.size : a.size > b.size;
    default:
      return s > 0 ? a.dateKey > b.dateKey : a.dateKey < b.dateKey;
  }
}

PaneModel::PaneModel(QObject* parent) : QAbstractTableModel(parent) {}

void PaneModel::SetView(PaneView view) {
  if (view == view_) return;
  beginResetModel();
  view_ = view;
  endResetModel();
}

void PaneModel::SetRows(std::vector<PaneRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void PaneModel::SortByColumn(int column) {
  if (column < 0 || column > 2) return;
  bool& flag = flags_[static_cast<size_t>(column)];
  flag = !flag;
  const int s = flag ? 1 : -1;

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  if (column == 0) {
    // Names folded once, not at every comparison: a folder of 100,000 files sorts at once.
    std::vector<QString> folded(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) folded[i] = rows_[i].text.toCaseFolded();
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const PaneRow& ra = rows_[static_cast<size_t>(a)];
      const PaneRow& rb = rows_[static_cast<size_t>(b)];
      if (ra.pinned || rb.pinned || ra.folder != rb.folder) return PaneRowBefore(ra, rb, column, s);
      const int c = folded[static_cast<size_t>(a)].compare(folded[static_cast<size_t>(b)]);
      return s > 0 ? c < 0 : c > 0;
    });
  } else {
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return PaneRowBefore(rows_[static_cast<size_t>(a)], rows_[static_cast<size_t>(b)], column, s);
    });
  }
  std::vector<PaneRow> sorted;
  sorted.reserve(rows_.size());
  std::vector<int> newRowOf(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    sorted.push_back(std::move(rows_[static_cast<size_t>(order[i])]));
    newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
  }
  rows_ = std::move(sorted);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before)
    after.push_back(index.isValid() ? createIndex(newRowOf[static_cast<size_t>(index.row())], index.column())
                                    : QModelIndex());
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int PaneModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PaneModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return view_ == PaneView::Detail ? 3 : 1;
}

QVariant PaneModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= RowCount()) return {};
  const PaneRow& row = rows_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      if (index.column() == 0) return row.text;
      return index.column() == 1 ? row.sizeText : row.dateText;
    case Qt::DecorationRole:
      if (index.column() == 0 && images_ && row.image >= 0 && row.image < images_->size())
        return images_->at(row.image);
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == 1) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
      return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant PaneModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) {
    static const char* const kTitles[] = {"Name", "Size", "Date"};
    if (section >= 0 && section < 3) return QString(kTitles[section]);
  }
  if (role == Qt::TextAlignmentRole)
    return QVariant((section == 1 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  return {};
}
