// The PC pane: one folder of the PC's file system under the PC's drives.
// It lists a folder (ListPcFolder), shows the lists as rows (FillPcPane), and
// follows a double-click: into a drive, a folder or "..", or opening a file.
#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "browser/FilePane.h"
#include "browser/PcFolder.h"

class PcPane : public QObject {
  Q_OBJECT

 public:
  PcPane(FilePane* view, const QList<QIcon>* images);

  PcListing listing;

  // Reads the drives and the folder at `path` ("/a/b/.." stands for "/a")
  // into the lists and makes it the current path. The rows stay as they are.
  void ListPcFolder(const std::string& path);
  void ListPcFolder(const QString& path);
  // Replaces every row from the lists, tells the path label, and scrolls the
  // drive rows out of sight.
  void FillPcPane();
  // Both of the above with the current path: after a change on the PC.
  void Refresh();

  // Opens a drive, folder or "..", or the file, of a row (-1: no row hit).
  void DoubleClick(int row);

  QString CurrentPath() const;
  int FolderRowCount() const { return folderRowCount_; }
  // The entry behind a row as the user sees it, whatever the column sort;
  // nullptr when there is no such row or the lists were read again since.
  const PcEntry* EntryOf(int row) const;
  // The entries of the selected rows, top to bottom: what every command
  // that starts from the selection acts on.
  std::vector<PcEntry> SelectedEntries() const;
  FilePane* View() const { return view_; }

  // The drive rows; the machine's mounted file systems unless replaced.
  std::function<std::vector<PcEntry>()> readDrives;

 signals:
  // The rows were filled for `path` (the path label's text and tooltip).
  void pathChanged(const QString& path);
  // A double-click on a ".jpg" file (the image viewer) or an ".asf" file (the player).
  void pictureOpened(const QString& path);
  void movieOpened(const QString& path);

 private:
  PaneRow FolderRow(const PcEntry& entry, int index, bool detail) const;
  PaneRow FileRow(const PcEntry& entry, int index, bool detail) const;
  void OpenFile(const PcEntry& entry);

  FilePane* view_;
  int folderRowCount_ = 0;
};
