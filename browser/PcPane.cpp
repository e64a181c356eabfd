#include "browser/PcPane.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "browser/PcDrives.h"
#include "camera/CamRows.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ShellLaunch.h"
#include "platform/ui/WaitCursor.h"
#include "resources/Resources.h"
#include "resources/StringIds.h"

namespace {

QString DateTextOf(const PcDate& d) {
  if (!d.valid) return {};
  return QString::fromLatin1(DateText(d.year, d.month, d.day, d.hour, d.minute));
}

}  // namespace

PcPane::PcPane(FilePane* view, const QList<QIcon>* images) : readDrives(ListDrives), view_(view) {
  view_->Model()->SetImages(images);
}

void PcPane::ListPcFolder(const std::string& path) {
  const std::string here = QFile::encodeName(QDir::currentPath()).toStdString();
  ::ListPcFolder(listing, NormalisePcPath(path, here), readDrives ? readDrives() : std::vector<PcEntry>{});
}

void PcPane::ListPcFolder(const QString& path) { ListPcFolder(QFile::encodeName(path).toStdString()); }

PaneRow PcPane::FolderRow(const PcEntry& entry, int index, bool detail) const {
  PaneRow row;
  row.text = QFile::decodeName(entry.name.c_str());
  row.image = PcFolderImage(entry);
  row.pinned = entry.isDrive || entry.name == "..";
  row.folder = true;
  row.dateKey = entry.modified.Key();
  row.entry = index;
  // Drives and ".." show no size and no date.
  if (detail && !row.pinned) row.dateText = DateTextOf(entry.modified);
  return row;
}

PaneRow PcPane::FileRow(const PcEntry& entry, int index, bool detail) const {
  PaneRow row;
  row.text = QFile::decodeName(entry.name.c_str());
  row.image = PcFileImage(entry.name);
  row.size = entry.size;
  row.dateKey = entry.modified.Key();
  row.entry = index;
  if (detail) {
    row.sizeText = QString::fromLatin1(SizeTextKb(entry.size));
    row.dateText = DateTextOf(entry.modified);
  }
  return row;
}

void PcPane::FillPcPane() {
  const bool detail = view_->Model()->View() == PaneView::Detail;
  std::vector<PaneRow> rows;
  rows.reserve(listing.folders.size() + listing.files.size());
  for (size_t i = 0; i < listing.folders.size(); ++i)
    rows.push_back(FolderRow(listing.folders[i], static_cast<int>(i), detail));
  folderRowCount_ = static_cast<int>(rows.size());
  for (size_t i = 0; i < listing.files.size(); ++i)
    rows.push_back(FileRow(listing.files[i], static_cast<int>(i), detail));
  view_->Model()->SetRows(std::move(rows));
  emit pathChanged(CurrentPath());
  view_->ScrollPastRows(static_cast<int>(listing.driveCount));
}

void PcPane::Refresh() {
  ListPcFolder(listing.currentPath);
  FillPcPane();
}

QString PcPane::CurrentPath() const { return QFile::decodeName(listing.currentPath.c_str()); }

const PcEntry* PcPane::EntryOf(int row) const {
  if (row < 0 || row >= view_->Model()->RowCount()) return nullptr;
  // The row's own record travels with it through a sort.
  const PaneRow& r = view_->Model()->Row(row);
  const std::vector<PcEntry>& list = r.folder ? listing.folders : listing.files;
  if (r.entry < 0 || static_cast<size_t>(r.entry) >= list.size()) return nullptr;
  const PcEntry& e = list[static_cast<size_t>(r.entry)];
  return QFile::decodeName(e.name.c_str()) == r.text ? &e : nullptr;
}

std::vector<PcEntry> PcPane::SelectedEntries() const {
  std::vector<PcEntry> entries;
  for (int row : view_->SelectedRows())
    if (const PcEntry* e = EntryOf(row)) entries.push_back(*e);
  return entries;
}

void PcPane::DoubleClick(int row) {
  WaitCursor wait;
  const PcEntry* hit = EntryOf(row);
  if (!hit) return;
  // Copy: listing the folder replaces the entry.
  const PcEntry entry = *hit;
  if (entry.isFolder) {
    ListPcFolder(entry.path);
    FillPcPane();
    return;
  }
  OpenFile(entry);
}

void PcPane::OpenFile(const PcEntry& entry) {
  const QString path = QFile::decodeName(entry.path.c_str());
  const std::string type = PcFileType(entry.name);
  if (type == "jpg") {
    emit pictureOpened(path);
  } else if (type == "asf") {
    emit movieOpened(path);
  } else if (!OpenDocument(path)) {
    ShowMessageBox(view_->window(), resources::String(ids::CANNOT_OPEN_FILE), MsgIcon::Error);
  }
}
