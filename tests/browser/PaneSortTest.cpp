// The column sort of a pane: pinned rows, folders before files, the
// per-column direction flags, and selections that follow their rows.
#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QStringList>

#include "browser/PaneModel.h"

namespace {

PaneRow Pinned(const QString& text) {
  PaneRow r;
  r.text = text;
  r.pinned = r.folder = true;
  return r;
}
PaneRow Folder(const QString& text, int64_t date) {
  PaneRow r;
  r.text = text;
  r.folder = true;
  r.dateKey = date;
  return r;
}
PaneRow File(const QString& text, uint32_t size, int64_t date) {
  PaneRow r;
  r.text = text;
  r.size = size;
  r.dateKey = date;
  return r;
}

QStringList Texts(const PaneModel& m) {
  QStringList texts;
  for (int i = 0; i < m.RowCount(); ++i) texts << m.Row(i).text;
  return texts;
}

// Drives "/" and "/media/usb", "..", two folders, four files.
std::vector<PaneRow> Listing() {
  return {File("b.txt", 10, 300),      Pinned("/"),           Folder("zeta", 100),
          File("A.jpg", 3000, 100),    Pinned("/media/usb"),  File("c.asf", 20, 200),
          Pinned(".."),                Folder("Alpha", 500),  File("d.bin", 10, 200)};
}

}  // namespace

TEST(PaneSort, DateTwiceInARowIsNewestThenOldestAndNameBetweenKeepsTheDateFlag) {
  PaneModel m;
  m.SetRows(Listing());
  m.SortByColumn(2);
  EXPECT_EQ(Texts(m), (QStringList{"/", "/media/usb", "..", "Alpha", "zeta", "b.txt", "c.asf", "d.bin", "A.jpg"}));
  m.SortByColumn(0);
  EXPECT_EQ(Texts(m), (QStringList{"/", "/media/usb", "..", "Alpha", "zeta", "A.jpg", "b.txt", "c.asf", "d.bin"}));
  m.SortByColumn(2);  // the second click on Date, whatever came between
  EXPECT_EQ(Texts(m), (QStringList{"/", "/media/usb", "..", "zeta", "Alpha", "A.jpg", "c.asf", "d.bin", "b.txt"}));
  EXPECT_FALSE(m.DirectionFlag(2));
  EXPECT_TRUE(m.DirectionFlag(0));
}

TEST(PaneSort, NameAndSizeBothWaysKeepPinnedRowsInListingOrderAndFoldersFirst) {
  PaneModel m;
  m.SetRows(Listing());
  m.SortByColumn(0);
  m.SortByColumn(0);
  EXPECT_EQ(Texts(m), (QStringList{"/", "/media/usb", "..", "zeta", "Alpha", "d.bin", "c.asf", "b.txt", "A.jpg"}));
  m.SortByColumn(1);
  // Equal sizes keep the order they had.
  EXPECT_EQ(Texts(m), (QStringList{"/", "/media/usb", "..", "zeta", "Alpha", "d.bin", "b.txt", "c.asf", "A.jpg"}));
  m.SortByColumn(1);
  EXPECT_EQ(Texts(m).mid(5), (QStringList{"A.jpg", "c.asf", "d.bin", "b.txt"}));
  // Refilling keeps every flag: the next Size click sorts smallest first again.
  m.SetRows(Listing());
  m.SortByColumn(1);
  EXPECT_EQ(Texts(m).mid(5), (QStringList{"b.txt", "d.bin", "c.asf", "A.jpg"}));
}

TEST(PaneSort, SizesAboveTwoGigabytesCompareAsNumbers) {
  PaneModel m;
  m.SetRows({File("huge", 0xF0000000u, 0), File("small", 1, 0), File("mid", 0x80000001u, 0)});
  m.SortByColumn(1);
  EXPECT_EQ(Texts(m), (QStringList{"small", "mid", "huge"}));
}

TEST(PaneSort, TheSelectionFollowsItsRows) {
  PaneModel m;
  m.SetRows(Listing());
  QItemSelectionModel selection(&m);
  const int cAsf = 5;
  ASSERT_EQ(m.Row(cAsf).text, "c.asf");
  selection.select(m.index(cAsf, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  m.SortByColumn(0);
  const QModelIndexList rows = selection.selectedRows();
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(m.Row(rows[0].row()).text, "c.asf");
}

TEST(PaneSort, ListViewOffersTheNameColumnAlone) {
  PaneModel m;
  m.SetRows(Listing());
  EXPECT_EQ(m.columnCount(), 3);
  m.SetView(PaneView::List);
  EXPECT_EQ(m.columnCount(), 1);
  EXPECT_EQ(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Name");
  EXPECT_EQ(m.RowCount(), 9);
}
