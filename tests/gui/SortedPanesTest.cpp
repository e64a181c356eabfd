// Every command that starts from a selection acts on the rows the user sees,
// whatever column sort the pane shows: camera and PC deletes, renames,
// copies by button and by drag, the selection preview, the Play selection
// and double-clicks, in both directions of every column.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <set>

#include "app/TempFolder.h"
#include "fileops/NameDialog.h"
#include "resources/StringIds.h"
#include "tests/gui/StorageWindow.h"
#include "tests/gui/WindowTestAccess.h"

namespace fs = std::filesystem;

namespace {

// Four files in each pane: their sizes and dates put them in another order
// for every column, none of them the order of their names.
struct Sample {
  int padding;  // bytes after the picture
  int year, month;
};
constexpr Sample kSamples[4] = {{3000, 2003, 5}, {1000, 2004, 1}, {4000, 2002, 1}, {2000, 2003, 1}};

// The samples as a sort shows them: s = +1 is A to Z, smallest first and
// newest first; s = -1 the reverse.
std::vector<int> Order(int column, int s) {
  static const std::vector<int> kUpwards[3] = {{0, 1, 2, 3}, {1, 3, 0, 2}, {1, 0, 3, 2}};
  std::vector<int> order = kUpwards[column];
  if (s < 0) std::reverse(order.begin(), order.end());
  return order;
}

struct Sort {
  int column, s;
};
constexpr Sort kSorts[] = {{0, 1}, {0, -1}, {1, 1}, {1, -1}, {2, 1}, {2, -1}};

std::string Describe(const Sort& sort) {
  static const char* const kNames[] = {"Name", "Size", "Date"};
  return std::string(kNames[sort.column]) + (sort.s > 0 ? " up" : " down");
}

void Stamp(const fs::path& file, int year, int month) {
  std::tm tm{};
  tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = 10, tm.tm_hour = 12, tm.tm_isdst = -1;
  const struct timespec times[2] = {{0, UTIME_OMIT}, {std::mktime(&tm), 0}};
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
}

class SortedPanesTest : public StorageWindow {
 protected:
  void SetUp() override {
    StorageWindow::SetUp();
    picture_ = Bytes(CamFolder() / "DCAM0001.JPG");
    WriteCamera();
    WritePc();
  }

  static std::string CamName(int i) { return "DCAM000" + std::to_string(i + 1) + ".JPG"; }
  static std::string PcName(int i) { return "DCAM001" + std::to_string(i + 1) + ".JPG"; }
  std::string Content(int i, char mark) const { return picture_ + std::string(kSamples[i].padding, mark); }
  std::string CamBytes(int i) const { return Content(i, 'c'); }
  std::string PcBytes(int i) const { return Content(i, 'p'); }

  // The four camera files alone in DCIM\100QXCAM, and the four PC files with
  // a folder in the PC folder.
  void WriteCamera() {
    for (const auto& entry : fs::directory_iterator(CamFolder())) fs::remove_all(entry.path());
    for (int i = 0; i < 4; ++i) {
      Write(CamFolder() / CamName(i), CamBytes(i));
      Stamp(CamFolder() / CamName(i), kSamples[i].year, kSamples[i].month);
    }
  }
  void WritePc() {
    for (const auto& entry : fs::directory_iterator(pcFolder_)) fs::remove_all(entry.path());
    fs::create_directories(pcFolder_ / "album");
    Write(pcFolder_ / "album" / "inside.jpg", "x");
    for (int i = 0; i < 4; ++i) {
      Write(pcFolder_ / PcName(i), PcBytes(i));
      Stamp(pcFolder_ / PcName(i), kSamples[i].year, kSamples[i].month);
    }
  }
  // Both sides as they were, read again: the panes show listing order.
  void Restore() {
    WriteCamera();
    WritePc();
    WindowTestAccess::Relist(*window_);
    window_->Panes()->pc.Refresh();
    boxes_ = MessageBoxScript{};
  }

  PaneModel* ModelOf(int paneId) {
    return (paneId == ctl::CAM_PANE ? window_->Panes()->cam.View() : window_->Panes()->pc.View())->Model();
  }
  // Sorts a pane the way the user does, by clicks on a column header.
  void SortBy(int paneId, const Sort& sort) {
    QHeaderView* header = qobject_cast<QTreeView*>(View(paneId))->header();
    const QPoint at(header->sectionViewportPosition(sort.column) + header->sectionSize(sort.column) / 2,
                    header->height() / 2);
    do QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    while (ModelOf(paneId)->DirectionFlag(sort.column) != (sort.s > 0));
  }
  // The file rows, top to bottom.
  std::vector<std::string> FilesShown(int paneId) {
    std::vector<std::string> names;
    for (int row = 0; row < ModelOf(paneId)->RowCount(); ++row)
      if (!ModelOf(paneId)->Row(row).folder) names.push_back(ModelOf(paneId)->Row(row).text.toStdString());
    return names;
  }
  // Sorts both panes and checks they show what the sort promises.
  void SortBoth(const Sort& sort) {
    SortBy(ctl::CAM_PANE, sort);
    SortBy(ctl::PC_PANE, sort);
    std::vector<std::string> cam, pc;
    for (int i : Order(sort.column, sort.s)) cam.push_back(CamName(i)), pc.push_back(PcName(i));
    ASSERT_EQ(FilesShown(ctl::CAM_PANE), cam);
    ASSERT_EQ(FilesShown(ctl::PC_PANE), pc);
  }
  // The file rows at these places from the top, selected; their names.
  std::vector<std::string> SelectShown(int paneId, std::initializer_list<int> places,
                                       std::initializer_list<QString> more = {}) {
    const std::vector<std::string> shown = FilesShown(paneId);
    std::vector<std::string> names;
    for (int place : places) names.push_back(shown.at(static_cast<size_t>(place)));
    QItemSelectionModel* selection = View(paneId)->selectionModel();
    selection->clearSelection();
    auto select = [&](const QString& text) {
      selection->select(View(paneId)->model()->index(RowOf(paneId, text), 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    for (const QString& text : more) select(text);
    for (const std::string& name : names) select(QString::fromStdString(name));
    return names;
  }
  // The names among `all` that are files in `folder`.
  static std::set<std::string> Present(const fs::path& folder, const std::vector<std::string>& all) {
    std::set<std::string> present;
    for (const std::string& name : all)
      if (fs::exists(folder / name)) present.insert(name);
    return present;
  }
  std::vector<std::string> CamNames() const { return {CamName(0), CamName(1), CamName(2), CamName(3)}; }
  std::vector<std::string> PcNames() const { return {PcName(0), PcName(1), PcName(2), PcName(3)}; }
  static std::set<std::string> Minus(std::vector<std::string> all, const std::vector<std::string>& gone) {
    std::set<std::string> rest(all.begin(), all.end());
    for (const std::string& name : gone) rest.erase(name);
    return rest;
  }
  std::string CamBytesOf(const std::string& name) const {
    for (int i = 0; i < 4; ++i)
      if (CamName(i) == name) return CamBytes(i);
    return {};
  }
  std::string PcBytesOf(const std::string& name) const {
    for (int i = 0; i < 4; ++i)
      if (PcName(i) == name) return PcBytes(i);
    return {};
  }

  std::string picture_;  // a JPEG of the sample stick
};

TEST_F(SortedPanesTest, DeleteAfterANameSortDownwardsDeletesTheRowSelected) {
  InStorage();
  SortBy(ctl::CAM_PANE, {0, -1});
  Select(ctl::CAM_PANE, {"DCAM0004.JPG"});
  boxes_.answers = {MsgAnswer::Yes};
  QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0].toStdString(), FileMessage("DCAM0004.JPG", ids::DELETE_FILE_QUESTION));
  EXPECT_EQ(Present(CamFolder(), CamNames()), (std::set<std::string>{"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0003.JPG"}));
}

TEST_F(SortedPanesTest, DeletesInBothPanesTakeTheRowsShown) {
  InStorage();
  for (const Sort& sort : kSorts) {
    SCOPED_TRACE(Describe(sort));
    Restore();
    SortBoth(sort);
    // One row: the question names it, Yes deletes it alone.
    auto chosen = SelectShown(ctl::CAM_PANE, {0});
    QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);
    ASSERT_EQ(boxes_.shown.size(), 1);
    EXPECT_EQ(boxes_.shown[0].toStdString(), FileMessage(chosen[0], ids::DELETE_FILE_QUESTION));
    EXPECT_EQ(Present(CamFolder(), CamNames()), Minus(CamNames(), chosen));

    chosen = SelectShown(ctl::PC_PANE, {0});
    QTest::keyClick(View(ctl::PC_PANE), Qt::Key_Delete);
    ASSERT_EQ(boxes_.shown.size(), 2);
    EXPECT_EQ(boxes_.shown[1].toStdString(), FileMessage((pcFolder_ / chosen[0]).string(), ids::DELETE_FILE_QUESTION));
    EXPECT_EQ(Present(pcFolder_, PcNames()), Minus(PcNames(), chosen));

    // Several rows with a folder among them, after the re-reading that the
    // deletes did and the same sort again: one question, the files shown go;
    // the camera's ".." row is passed over, the PC's folder goes with them.
    Restore();
    SortBoth(sort);
    chosen = SelectShown(ctl::CAM_PANE, {0, 2}, {".."});
    QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);
    EXPECT_EQ(Present(CamFolder(), CamNames()), Minus(CamNames(), chosen));
    EXPECT_TRUE(fs::is_directory(CamFolder()));
    chosen = SelectShown(ctl::PC_PANE, {1, 3}, {"album"});
    QTest::keyClick(View(ctl::PC_PANE), Qt::Key_Delete);
    EXPECT_EQ(Present(pcFolder_, PcNames()), Minus(PcNames(), chosen));
    EXPECT_FALSE(fs::exists(pcFolder_ / "album"));
    EXPECT_EQ(boxes_.shown, (QStringList{Text(ids::DELETE_FILES_QUESTION), Text(ids::DELETE_FILES_QUESTION)}));
  }
}

TEST_F(SortedPanesTest, CopiesByButtonAndByDragTakeTheRowsShown) {
  MainWindow& w = InStorage();
  for (const Sort& sort : kSorts) {
    SCOPED_TRACE(Describe(sort));
    Restore();
    SortBoth(sort);
    // Camera to PC by the button, one file; the ".." row is refused once.
    auto chosen = SelectShown(ctl::CAM_PANE, {0}, {".."});
    w.Command(ctl::COPY_TO_PC);
    WaitForTransfer();
    EXPECT_EQ(boxes_.shown, QStringList{Text(ids::COULD_NOT_COPY_FOLDER_UP)});
    EXPECT_EQ(Present(pcFolder_, CamNames()), std::set<std::string>(chosen.begin(), chosen.end()));
    EXPECT_TRUE(Bytes(pcFolder_ / chosen[0]) == CamBytesOf(chosen[0]));

    // PC to camera by the button, two files, after the re-reading and the sort again.
    Restore();
    SortBoth(sort);
    chosen = SelectShown(ctl::PC_PANE, {1, 2});
    w.Command(ctl::COPY_TO_CAMERA);
    WaitForTransfer();
    EXPECT_EQ(Present(CamFolder(), PcNames()), std::set<std::string>(chosen.begin(), chosen.end()));
    for (const std::string& name : chosen) EXPECT_TRUE(Bytes(CamFolder() / name) == PcBytesOf(name)) << name;

    // Both ways by dragging a several-row selection.
    Restore();
    SortBoth(sort);
    chosen = SelectShown(ctl::CAM_PANE, {1, 3});
    DragRow(ctl::CAM_PANE, QString::fromStdString(chosen[1]), w.Control(ctl::PC_PANE), Middle(ctl::PC_PANE));
    WaitForTransfer();
    EXPECT_EQ(Present(pcFolder_, CamNames()), std::set<std::string>(chosen.begin(), chosen.end()));
    for (const std::string& name : chosen) EXPECT_TRUE(Bytes(pcFolder_ / name) == CamBytesOf(name)) << name;

    Restore();
    SortBoth(sort);
    chosen = SelectShown(ctl::PC_PANE, {0, 3});
    DragRow(ctl::PC_PANE, QString::fromStdString(chosen[0]), w.Control(ctl::CAM_PANE), Middle(ctl::CAM_PANE));
    WaitForTransfer();
    EXPECT_EQ(Present(CamFolder(), PcNames()), std::set<std::string>(chosen.begin(), chosen.end()));
    for (const std::string& name : chosen) EXPECT_TRUE(Bytes(CamFolder() / name) == PcBytesOf(name)) << name;
    EXPECT_EQ(boxes_.shown, QStringList{}) << boxes_.shown.join("|").toStdString();
  }
}

TEST_F(SortedPanesTest, RenamesTakeTheTopRowOfTheSelectionShown) {
  MainWindow& w = InStorage();
  for (const Sort& sort : kSorts) {
    SCOPED_TRACE(Describe(sort));
    Restore();
    SortBoth(sort);
    // Two rows selected: the upper one as shown is renamed.
    auto chosen = SelectShown(ctl::CAM_PANE, {1, 2});
    bool seen = false;
    QString named;
    AnswerDialog<NameDialog>(
        Text(ids::BTN_RENAME).remove('&'),
        [&named](NameDialog& d) {
          named = qobject_cast<QLabel*>(d.ControlById(1101))->text();
          qobject_cast<QLineEdit*>(d.ControlById(1100))->setText("0042");
        },
        &seen);
    w.FileOps().OnCamRename();
    ASSERT_TRUE(seen);
    EXPECT_EQ(named.toStdString(), chosen[0] + "   =>  DCAM ");
    EXPECT_EQ(Present(CamFolder(), CamNames()), Minus(CamNames(), {chosen[0]}));
    EXPECT_TRUE(Bytes(CamFolder() / "DCAM0042.JPG") == CamBytesOf(chosen[0]));

    chosen = SelectShown(ctl::PC_PANE, {2, 3});
    seen = false;
    AnswerDialog<PcNameDialog>(
        "OK",
        [&named](PcNameDialog& d) {
          named = d.Edit()->text();
          d.Edit()->setText("renamed.jpg");
        },
        &seen);
    w.FileOps().OnPcRename();
    ASSERT_TRUE(seen);
    EXPECT_EQ(named.toStdString(), chosen[0]);
    EXPECT_EQ(Present(pcFolder_, PcNames()), Minus(PcNames(), {chosen[0]}));
    EXPECT_TRUE(Bytes(pcFolder_ / "renamed.jpg") == PcBytesOf(chosen[0]));
    EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  }
}

TEST_F(SortedPanesTest, PreviewAndDoubleClickTakeTheRowHit) {
  MainWindow& w = InStorage();
  QString viewed;
  // The viewer is not started: the double-clicks are only noted.
  QObject::disconnect(&w.Panes()->cam, &CamPane::pictureOpened, nullptr, nullptr);
  QObject::disconnect(&w.Panes()->pc, &PcPane::pictureOpened, nullptr, nullptr);
  QObject::connect(&w.Panes()->cam, &CamPane::pictureOpened, [&viewed](const QString& name) { viewed = name; });
  QObject::connect(&w.Panes()->pc, &PcPane::pictureOpened, [&viewed](const QString& path) { viewed = path; });
  for (const Sort& sort : kSorts) {
    SCOPED_TRACE(Describe(sort));
    Restore();
    SortBoth(sort);
    for (int place : {0, 3}) {
      const std::string cam = FilesShown(ctl::CAM_PANE).at(static_cast<size_t>(place));
      Click(ctl::CAM_PANE, QString::fromStdString(cam));
      EXPECT_EQ(w.Preview().SelectedImage().toStdString(), (TempFolderPath() / cam).string());
      EXPECT_TRUE(Bytes(TempFolderPath() / cam) == CamBytesOf(cam));
      QTest::mouseDClick(View(ctl::CAM_PANE)->viewport(), Qt::LeftButton, {}, RowCentre(ctl::CAM_PANE, QString::fromStdString(cam)));
      EXPECT_EQ(viewed.toStdString(), cam);

      const std::string pc = FilesShown(ctl::PC_PANE).at(static_cast<size_t>(place));
      Click(ctl::PC_PANE, QString::fromStdString(pc));
      EXPECT_EQ(w.Preview().SelectedImage().toStdString(), (pcFolder_ / pc).string());
      QTest::mouseDClick(View(ctl::PC_PANE)->viewport(), Qt::LeftButton, {}, RowCentre(ctl::PC_PANE, QString::fromStdString(pc)));
      EXPECT_EQ(viewed.toStdString(), (pcFolder_ / pc).string());
    }
    EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  }
}

TEST_F(SortedPanesTest, PlaySelectionIsTheMovieRowHit) {
  // Movies of three sizes and dates, alone in both panes.
  for (const std::string& name : PcNames()) fs::remove(pcFolder_ / name);
  const fs::path movies = stick_.Path() / "QXMOV" / "100QXMSC";
  fs::remove_all(movies);  // the sample stick's own movie
  fs::create_directories(movies);
  const char* const kCam[] = {"MOV00001.ASF", "MOV00002.ASF", "MOV00003.ASF"};
  const char* const kPc[] = {"a.asf", "b.asf", "c.asf"};
  for (int i = 0; i < 3; ++i) {
    Write(movies / kCam[i], std::string(static_cast<size_t>(kSamples[i].padding), 'm'));
    Stamp(movies / kCam[i], kSamples[i].year, kSamples[i].month);
    Write(pcFolder_ / kPc[i], std::string(static_cast<size_t>(kSamples[i].padding), 'm'));
    Stamp(pcFolder_ / kPc[i], kSamples[i].year, kSamples[i].month);
  }
  MainWindow& w = InStorage();
  MoveCamera("..");
  MoveCamera("..");
  MoveCamera("QXMOV");
  MoveCamera("100QXMSC");
  w.Panes()->pc.Refresh();
  QString played;
  QObject::connect(&w.Panes()->cam, &CamPane::movieOpened, [&played](const QString& name) { played = name; });
  QObject::connect(&w.Panes()->pc, &PcPane::movieOpened, [&played](const QString& path) { played = path; });
  for (const Sort& sort : kSorts) {
    SCOPED_TRACE(Describe(sort));
    SortBy(ctl::CAM_PANE, sort);
    SortBy(ctl::PC_PANE, sort);
    // The top movie as shown: the first of the three samples' order.
    std::vector<int> order = Order(sort.column, sort.s);
    order.erase(std::remove(order.begin(), order.end(), 3), order.end());
    const QString cam = kCam[order.front()];
    ASSERT_EQ(FilesShown(ctl::CAM_PANE).front(), cam.toStdString());
    Click(ctl::CAM_PANE, cam);
    EXPECT_EQ(w.CameraMode().CurrentSelection(), cam);
    EXPECT_FALSE(w.CameraMode().SelectionOnPc());
    EXPECT_TRUE(Shown(ctl::PLAY));
    QTest::mouseDClick(View(ctl::CAM_PANE)->viewport(), Qt::LeftButton, {}, RowCentre(ctl::CAM_PANE, cam));
    EXPECT_EQ(played, cam);

    const QString pc = kPc[order.back()];  // the bottom one this time
    ASSERT_EQ(FilesShown(ctl::PC_PANE).back(), pc.toStdString());
    Click(ctl::PC_PANE, pc);
    const QString path = QString::fromStdString((pcFolder_ / pc.toStdString()).string());
    EXPECT_EQ(w.CameraMode().CurrentSelection(), path);
    EXPECT_TRUE(w.CameraMode().SelectionOnPc());
    QTest::mouseDClick(View(ctl::PC_PANE)->viewport(), Qt::LeftButton, {}, RowCentre(ctl::PC_PANE, pc));
    EXPECT_EQ(played, path);
  }
}

// A re-reading shows the listing order again, sorted before or not: the
// commands then take the rows in that order.
TEST_F(SortedPanesTest, AfterARereadingTheListingOrderIsWhatCommandsTake) {
  InStorage();
  SortBy(ctl::CAM_PANE, {1, -1});
  Select(ctl::CAM_PANE, {"DCAM0003.JPG"});
  QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);  // the delete reads the folder again
  ASSERT_EQ(FilesShown(ctl::CAM_PANE), (std::vector<std::string>{"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0004.JPG"}));
  const std::vector<std::string> chosen = SelectShown(ctl::CAM_PANE, {2});
  ASSERT_EQ(chosen, std::vector<std::string>{"DCAM0004.JPG"});
  QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);
  EXPECT_EQ(Present(CamFolder(), CamNames()), (std::set<std::string>{"DCAM0001.JPG", "DCAM0002.JPG"}));
  EXPECT_EQ(boxes_.shown, (QStringList{QString::fromStdString(FileMessage("DCAM0003.JPG", ids::DELETE_FILE_QUESTION)),
                                       QString::fromStdString(FileMessage("DCAM0004.JPG", ids::DELETE_FILE_QUESTION))}));
}

}  // namespace
