// The rows of one file pane (PC or camera) as a Qt table model: the Name,
// Size and Date texts, the image, and what the column sort needs. In List
// view the model offers the Name column alone.
#pragma once
#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

enum class PaneView { Detail, List };

struct PaneRow {
  QString text;      // Name column
  QString sizeText;  // Size column (Detail view); may be empty
  QString dateText;  // Date column (Detail view); may be empty
  int image = 0;
  bool pinned = false;  // drive, storage entry or "..": always on top
  bool folder = false;
  uint32_t size = 0;
  int64_t dateKey = 0;  // larger is later
  int entry = -1;       // index into the pane's folder list (folders) or file list (files)
};

// The comparison of the column sort: pinned rows first (among themselves as
// they are), then folders before files, then by the column: Name without
// regard to case, Size, Date. s = +1 sorts A to Z, smallest first and newest
// first; s = -1 the reverse. Rows that compare equal keep their order.
bool PaneRowBefore(const PaneRow& a, const PaneRow& b, int column, int s);

class PaneModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit PaneModel(QObject* parent = nullptr);

  // The image list the rows' images index into; owned by the caller.
  void SetImages(const QList<QIcon>* images) { images_ = images; }
  void SetView(PaneView view);
  PaneView View() const { return view_; }

  // Replaces every row, in the given order.
  void SetRows(std::vector<PaneRow> rows);
  const PaneRow& Row(int row) const { return rows_.at(static_cast<size_t>(row)); }
  int RowCount() const { return static_cast<int>(rows_.size()); }

  // Flips the column's direction flag and sorts by it; kept selections follow their rows.
  void SortByColumn(int column);
  bool DirectionFlag(int column) const { return flags_.at(static_cast<size_t>(column)); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<PaneRow> rows_;
  std::array<bool, 3> flags_{};  // one direction flag per column, clear at start
  PaneView view_ = PaneView::Detail;
  const QList<QIcon>* images_ = nullptr;
};
