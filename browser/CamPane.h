// The camera pane: the rows of the camera's current folder, from the camera
// link's lists, and the double-click that moves the camera or opens a file.
#pragma once
#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "browser/FilePane.h"
#include "camera/CameraLink.h"

class CamPane : public QObject {
  Q_OBJECT

 public:
  CamPane(FilePane* view, const QList<QIcon>* images, const CameraLink& camera);

  // Rebuilds every row from the camera link's folder and file lists.
  void FillCamPane();
  // A double-click on a row (-1: no row hit): the storage row stands for "\",
  // a text shorter than 9 characters is a folder or ".." to move to, a longer
  // one a file: a movie (".ASF") is played, a still (".JPG") is shown.
  void DoubleClick(int row);

  // The entry behind a row, or nullptr once the lists were read again.
  const CamEntry* EntryOf(int row) const;
  // A row as the user sees it, whatever the column sort (an empty name when
  // there is no such row), and the selected rows top to bottom: what every
  // command that starts from the selection acts on.
  CamFileRow FileRowOf(int row) const;
  std::vector<CamFileRow> SelectedRows() const;
  FilePane* View() const { return view_; }

 signals:
  // A double-click on a folder row, "..", or the storage row ("\"): the camera
  // is to move there (ChangeCamFolder, list, fill).
  void folderChosen(const QString& name);
  // A double-click on a movie (the player) or a still (the image viewer).
  void movieOpened(const QString& name);
  void pictureOpened(const QString& name);

 private:
  FilePane* view_;
  const CameraLink& camera_;
};
