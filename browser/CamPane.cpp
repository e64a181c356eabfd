#include "browser/CamPane.h"

#include <QApplication>

#include "camera/CamRows.h"
#include "platform/ui/WaitCursor.h"

namespace {

int64_t CamDateKey(const CamEntry& e) {
  return ((((int64_t{e.year} * 13 + e.month) * 32 + e.day) * 24 + e.hour) * 60 + e.minute) * 60;
}

bool IsStorageRow(const QString& text) { return text.contains("MemoryStick"); }

}  // namespace

CamPane::CamPane(FilePane* view, const QList<QIcon>* images, const CameraLink& camera)
    : view_(view), camera_(camera) {
  view_->Model()->SetImages(images);
}

void CamPane::FillCamPane() {
  WaitCursor wait;
  const bool detail = view_->Model()->View() == PaneView::Detail;
  std::vector<PaneRow> rows;
  for (const CamRow& cam : BuildCamRows(camera_.folders, camera_.files, camera_.totalCapacity)) {
    PaneRow row;
    row.text = QString::fromStdString(cam.text);
    row.image = cam.image;
    if (detail) {
      row.sizeText = QString::fromStdString(cam.sizeText);
      row.dateText = QString::fromStdString(cam.dateText);
    }
    if (const CamEntry* e = cam.entry) {
      row.folder = e->isFolder;
      row.size = e->size;
      row.dateKey = CamDateKey(*e);
      const CamEntryList& list = e->isFolder ? camera_.folders : camera_.files;
      row.entry = static_cast<int>(e - list.data());
    }
    row.pinned = row.folder && (IsStorageRow(row.text) || row.text == "..");
    rows.push_back(std::move(row));
  }
  view_->Model()->SetRows(std::move(rows));
}

const CamEntry* CamPane::EntryOf(int row) const {
  if (row < 0 || row >= view_->Model()->RowCount()) return nullptr;
  const PaneRow& r = view_->Model()->Row(row);
  const CamEntryList& list = r.folder ? camera_.folders : camera_.files;
  if (r.entry < 0 || static_cast<size_t>(r.entry) >= list.size()) return nullptr;
  const CamEntry& e = list[static_cast<size_t>(r.entry)];
  const std::string& text = e.isFolder ? e.name : e.displayName;
  return QString::fromStdString(text) == r.text ? &e : nullptr;
}

CamFileRow CamPane::FileRowOf(int row) const {
  if (row < 0 || row >= view_->Model()->RowCount()) return {};
  // The row's own record travels with it through a sort.
  const PaneRow& r = view_->Model()->Row(row);
  return {r.text.toStdString(), r.folder};
}

std::vector<CamFileRow> CamPane::SelectedRows() const {
  std::vector<CamFileRow> rows;
  for (int row : view_->SelectedRows()) rows.push_back(FileRowOf(row));
  return rows;
}

void CamPane::DoubleClick(int row) {
  if (row < 0 || row >= view_->Model()->RowCount()) return;
  const PaneRow& r = view_->Model()->Row(row);
  const QString text = r.pinned && IsStorageRow(r.text) ? QStringLiteral("\\") : r.text;
  if (text.size() < 9) {
    emit folderChosen(text);
    return;
  }
  const QString upper = text.toUpper();
  if (upper.contains("ASF")) {
    emit movieOpened(text);
  } else if (upper.contains("JPG")) {
    emit pictureOpened(text);
  }
}
