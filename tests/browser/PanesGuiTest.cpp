// The two panes as widgets, offscreen: rows, texts and icons of a fill,
// navigation by double-click, the shared view mode through the menus, and the
// commands that wait while the window is busy.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>

#include "browser/FilePanes.h"
#include "camera/CamRows.h"
#include "skin/CGradientMenu.h"
#include "skin/GradientMenuResource.h"
#include "tests/browser/PanesTestKit.h"
#include "tests/support/SimDriver.h"

namespace {

class NoUi final : public CameraUi {
 public:
  void ShowText(const std::string&, MsgIcon) override {}
};

CamEntry Cam(const std::string& name, const std::string& ext, uint32_t size, bool folder) {
  CamEntry e;
  e.name = name;
  e.extension = ext;
  e.displayName = ext.empty() ? name : name + "." + ext;
  e.size = size;
  e.isFolder = folder;
  e.year = 2003, e.month = 7, e.day = 5, e.hour = 9, e.minute = 5;
  return e;
}

class PanesTest : public ::testing::Test {
 protected:
  PanesTest() : driver(stick.Path()), camera(driver, ui), panes(&pcView, &camView, camera) {
    pcDrive.name = pcDrive.path = root.Str();
    pcDrive.isFolder = pcDrive.isDrive = true;
    // The scratch folder stands as the only drive, so that its root is a drive root.
    panes.pc.readDrives = [this] { return std::vector<PcEntry>{pcDrive}; };
    QObject::connect(&panes.pc, &PcPane::pathChanged, [this](const QString& p) { label = p; });
    panes.isBusy = [this] { return busy; };
  }

  QString Text(FilePane& v, int row, int column = 0) {
    return v.model()->index(row, column).data().toString();
  }
  int RowOf(FilePane& v, const QString& text) {
    for (int i = 0; i < v.Model()->RowCount(); ++i)
      if (v.Model()->Row(i).text == text) return i;
    return -1;
  }
  QStringList Column(FilePane& v) {
    QStringList texts;
    for (int i = 0; i < v.Model()->RowCount(); ++i) texts << v.Model()->Row(i).text;
    return texts;
  }

  ScratchFolder root;
  TempStick stick;
  SimDriver driver;
  NoUi ui;
  CameraLink camera;
  FilePane pcView, camView;
  FilePanes panes;
  PcEntry pcDrive;
  QString label;
  bool busy = false;
};

}  // namespace

TEST_F(PanesTest, SizesDatesAndIconsOfAFill) {
  root.File("Movies/zero.bin", 0);
  root.File("Movies/one.bin", 1);
  root.File("Movies/kilo.bin", 1024);
  root.File("Movies/mega.bin", 1048576);
  root.File("Movies/photo.jpeg", 10);
  root.File("Movies/PHOTO.JPG", 10);
  root.File("Movies/clip.asf", 10);
  root.Folder("Movies/Clips");
  panes.pc.ListPcFolder(root.Str() + "/Movies");
  panes.pc.FillPcPane();

  const struct { const char* name; const char* size; int image; } expected[] = {
      {"zero.bin", "0 KB", PC_IMG_FILE},      {"one.bin", "1 KB", PC_IMG_FILE},
      {"kilo.bin", "2 KB", PC_IMG_FILE},      {"mega.bin", "1,025 KB", PC_IMG_FILE},
      {"photo.jpeg", "1 KB", PC_IMG_FILE},    {"PHOTO.JPG", "1 KB", PC_IMG_PICTURE},
      {"clip.asf", "1 KB", PC_IMG_MOVIE},
  };
  for (const auto& e : expected) {
    const int row = RowOf(pcView, e.name);
    ASSERT_GE(row, 0) << e.name;
    EXPECT_EQ(Text(pcView, row, 1), e.size) << e.name;
    EXPECT_EQ(pcView.Model()->Row(row).image, e.image) << e.name;
    EXPECT_EQ(Text(pcView, row, 2).size(), 16) << e.name;  // "yyyy-mm-dd hh:mm"
  }
  // Drive row first, then "..", then the folder; no size on any of them, a date only on the folder.
  EXPECT_EQ(Column(pcView).mid(0, 3), (QStringList{QString::fromStdString(root.Str()), "..", "Clips"}));
  EXPECT_EQ(pcView.Model()->Row(0).image, PC_IMG_FIXED);
  EXPECT_EQ(pcView.Model()->Row(1).image, PC_IMG_PARENT);
  EXPECT_EQ(Text(pcView, 1, 2), "");
  EXPECT_EQ(Text(pcView, 2, 1), "");
  EXPECT_FALSE(Text(pcView, 2, 2).isEmpty());
  EXPECT_EQ(panes.pc.FolderRowCount(), 3);
  EXPECT_EQ(panes.pcImages.size(), 8);
  EXPECT_EQ(panes.camImages.size(), 6);
  EXPECT_FALSE(pcView.model()->index(0, 0).data(Qt::DecorationRole).isNull());
  EXPECT_EQ(label, QString::fromStdString(root.Str() + "/Movies"));
}

TEST_F(PanesTest, DoubleClicksGoIntoFoldersAndBackUpToTheDriveRoot) {
  root.File("Movies/Clips/a.txt", 1);
  panes.pc.ListPcFolder(root.Str() + "/Movies");
  panes.pc.FillPcPane();

  emit pcView.rowDoubleClicked(RowOf(pcView, "Clips"));
  EXPECT_EQ(label, QString::fromStdString(root.Str() + "/Movies/Clips"));
  EXPECT_EQ(Column(pcView).mid(1), (QStringList{"..", "a.txt"}));

  emit pcView.rowDoubleClicked(RowOf(pcView, ".."));
  EXPECT_EQ(label, QString::fromStdString(root.Str() + "/Movies"));
  emit pcView.rowDoubleClicked(RowOf(pcView, ".."));
  EXPECT_EQ(label, QString::fromStdString(root.Str()));
  EXPECT_EQ(RowOf(pcView, ".."), -1);  // a drive root has no way up
  EXPECT_GE(RowOf(pcView, "Movies"), 0);

  emit pcView.rowDoubleClicked(RowOf(pcView, "Movies"));
  emit pcView.rowDoubleClicked(0);  // the drive row opens the drive's root
  EXPECT_EQ(label, QString::fromStdString(root.Str()));
}

TEST_F(PanesTest, DoubleClickedFilesGoToTheViewerOrThePlayer) {
  root.File("shot.JPG", 5);
  root.File("take.asf", 5);
  QString viewed, played;
  QObject::connect(&panes.pc, &PcPane::pictureOpened, [&](const QString& p) { viewed = p; });
  QObject::connect(&panes.pc, &PcPane::movieOpened, [&](const QString& p) { played = p; });
  panes.pc.ListPcFolder(root.Str());
  panes.pc.FillPcPane();
  emit pcView.rowDoubleClicked(RowOf(pcView, "shot.JPG"));
  emit pcView.rowDoubleClicked(RowOf(pcView, "take.asf"));
  EXPECT_EQ(viewed, QString::fromStdString(root.Str() + "/shot.JPG"));
  EXPECT_EQ(played, QString::fromStdString(root.Str() + "/take.asf"));
}

TEST_F(PanesTest, AFolderThatCannotBeReadShowsTheDrivesAndTheAskedPath) {
  panes.pc.ListPcFolder(root.Str() + "/missing");
  panes.pc.FillPcPane();
  EXPECT_EQ(Column(pcView), QStringList{QString::fromStdString(root.Str())});
  EXPECT_EQ(label, QString::fromStdString(root.Str() + "/missing"));
}

TEST_F(PanesTest, ListChosenInTheCameraMenuChangesBothPanesAndTheCheckMark) {
  root.File("a.txt", 1);
  panes.pc.ListPcFolder(root.Str());
  panes.pc.FillPcPane();
  camera.folders = {Cam("MemoryStick", "", 0, true)};
  panes.cam.FillCamPane();

  // The command arrives as the menu sends it: posted to the pane that showed it.
  QCoreApplication::postEvent(&camView, new GradientMenuEvent(MenuMessage::WM_COMMAND, PaneMenu::kCamList));
  QCoreApplication::processEvents();
  EXPECT_EQ(panes.ViewMode(), PaneView::List);
  for (FilePane* v : {&pcView, &camView}) {
    EXPECT_EQ(v->model()->columnCount(), 1);
    EXPECT_TRUE(v->isHeaderHidden());
    EXPECT_EQ(v->header()->sectionSize(0), 208);
  }
  EXPECT_GE(RowOf(pcView, "a.txt"), 0);  // refilled from its lists
  auto pcMenu = BuildPaneMenu(PaneMenu::kPcMenu, panes.ViewMode() == PaneView::Detail);
  EXPECT_TRUE(pcMenu->FindItem(PaneMenu::kPcList)->Checked());
  EXPECT_FALSE(pcMenu->FindItem(PaneMenu::kPcDetail)->Checked());

  int other = 0;
  QObject::connect(&panes, &FilePanes::menuCommand, [&](int id) { other = id; });
  QCoreApplication::postEvent(&pcView, new GradientMenuEvent(MenuMessage::WM_COMMAND, PaneMenu::kPcDetail));
  QCoreApplication::postEvent(&pcView, new GradientMenuEvent(MenuMessage::WM_COMMAND, PaneMenu::kPcCopy));
  QCoreApplication::processEvents();
  EXPECT_EQ(panes.ViewMode(), PaneView::Detail);
  EXPECT_EQ(pcView.model()->columnCount(), 3);
  EXPECT_FALSE(camView.isHeaderHidden());
  EXPECT_EQ(camView.header()->sectionSize(1), 80);
  EXPECT_EQ(other, PaneMenu::kPcCopy);
}

TEST_F(PanesTest, ColumnClicksAndDoubleClicksWaitWhileBusy) {
  root.Folder("sub");
  root.File("b.txt", 1);
  root.File("a.txt", 1);
  panes.pc.ListPcFolder(root.Str());
  panes.pc.FillPcPane();
  busy = true;
  emit pcView.columnClicked(0);
  EXPECT_FALSE(pcView.Model()->DirectionFlag(0));
  emit pcView.rowDoubleClicked(RowOf(pcView, "sub"));
  EXPECT_EQ(label, QString::fromStdString(root.Str()));
  busy = false;
  emit pcView.columnClicked(0);
  EXPECT_EQ(Column(pcView).mid(2), (QStringList{"a.txt", "b.txt"}));
  EXPECT_EQ(pcView.Model()->Row(0).text, QString::fromStdString(root.Str()));
}

TEST_F(PanesTest, CameraRowsAndWhereTheirDoubleClicksLead) {
  camera.folders = {Cam("MemoryStick", "", 1048576, true), Cam("..", "", 0, true)};
  camera.files = {Cam("MOV_0001", "ASF", 1024, false), Cam("DCAM0001", "JPG", 1, false),
                  Cam("dcam0002", "jpg", 0, false)};
  camera.totalCapacity = 62ull * 1048576;
  panes.cam.FillCamPane();
  EXPECT_EQ(Column(camView), (QStringList{"MemoryStick", "..", "MOV_0001.ASF", "DCAM0001.JPG", "dcam0002.jpg"}));
  EXPECT_EQ(Text(camView, 0, 1), "61.0 MB / 64 MB");
  EXPECT_EQ(Text(camView, 2, 1), "2 KB");
  EXPECT_EQ(Text(camView, 2, 2), "2003- 7- 5 09:05");
  EXPECT_EQ(camView.Model()->Row(2).image, IMG_MOVIE);
  EXPECT_EQ(camView.Model()->Row(4).image, IMG_PICTURE);
  EXPECT_EQ(panes.cam.EntryOf(3)->size, 1u);

  std::vector<std::string> moves;
  QString played, viewed;
  QObject::connect(&panes.cam, &CamPane::folderChosen, [&](const QString& n) { moves.push_back(n.toStdString()); });
  QObject::connect(&panes.cam, &CamPane::movieOpened, [&](const QString& n) { played = n; });
  QObject::connect(&panes.cam, &CamPane::pictureOpened, [&](const QString& n) { viewed = n; });
  // Sorting by size keeps the storage row and ".." on top.
  emit camView.columnClicked(1);
  EXPECT_EQ(Column(camView), (QStringList{"MemoryStick", "..", "dcam0002.jpg", "DCAM0001.JPG", "MOV_0001.ASF"}));
  for (int row = 0; row < camView.Model()->RowCount(); ++row) emit camView.rowDoubleClicked(row);
  EXPECT_EQ(moves, (std::vector<std::string>{"\\", ".."}));
  EXPECT_EQ(played, "MOV_0001.ASF");
  EXPECT_EQ(viewed, "DCAM0001.JPG");  // the last still double-clicked in row order
  busy = true;
  emit camView.rowDoubleClicked(1);
  EXPECT_EQ(moves.size(), 2u);
}

// What the commands take from a pane: the rows as shown, top to bottom,
// whatever the sort, and never an entry that the row no longer shows.
TEST_F(PanesTest, SelectedRowsAreTheRowsShownWhateverTheSort) {
  camera.folders = {Cam("MemoryStick", "", 1048576, true), Cam("..", "", 0, true)};
  camera.files = {Cam("DCAM0001", "JPG", 30, false), Cam("DCAM0002", "JPG", 10, false),
                  Cam("DCAM0003", "JPG", 20, false)};
  panes.cam.FillCamPane();
  emit camView.columnClicked(1);
  emit camView.columnClicked(1);  // largest first
  ASSERT_EQ(Column(camView).mid(2), (QStringList{"DCAM0001.JPG", "DCAM0003.JPG", "DCAM0002.JPG"}));
  auto select = [](FilePane& v, std::initializer_list<int> rows) {
    v.selectionModel()->clearSelection();
    for (int row : rows)
      v.selectionModel()->select(v.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  };
  select(camView, {4, 0, 3});
  const std::vector<CamFileRow> cam = panes.cam.SelectedRows();
  ASSERT_EQ(cam.size(), 3u);
  EXPECT_EQ(cam[0].name, "MemoryStick");
  EXPECT_TRUE(cam[0].isFolder);
  EXPECT_EQ(cam[1].name, "DCAM0003.JPG");
  EXPECT_EQ(cam[2].name, "DCAM0002.JPG");
  EXPECT_FALSE(cam[1].isFolder || cam[2].isFolder);
  EXPECT_EQ(panes.cam.FileRowOf(1).name, "..");
  EXPECT_TRUE(panes.cam.FileRowOf(1).isFolder);
  EXPECT_EQ(panes.cam.FileRowOf(5).name, "");

  root.File("Movies/a.txt", 3);
  root.File("Movies/b.txt", 1);
  root.File("Movies/c.txt", 2);
  root.Folder("Movies/sub");
  panes.pc.ListPcFolder(root.Str() + "/Movies");
  panes.pc.FillPcPane();
  emit pcView.columnClicked(1);  // smallest first
  ASSERT_EQ(Column(pcView).mid(3), (QStringList{"b.txt", "c.txt", "a.txt"}));
  select(pcView, {5, 1, 3});
  const std::vector<PcEntry> pc = panes.pc.SelectedEntries();
  ASSERT_EQ(pc.size(), 3u);
  EXPECT_EQ(pc[0].name, "..");
  EXPECT_TRUE(pc[0].isFolder);
  EXPECT_EQ(pc[1].path, root.Str() + "/Movies/b.txt");
  EXPECT_EQ(pc[2].path, root.Str() + "/Movies/a.txt");
  EXPECT_TRUE(panes.pc.EntryOf(0)->isDrive);
  EXPECT_EQ(panes.pc.EntryOf(6), nullptr);

  // The folder read again but not shown again: a row whose entry went answers none.
  std::filesystem::remove(root.Path() / "Movies" / "b.txt");
  panes.pc.ListPcFolder(root.Str() + "/Movies");
  for (int row = 0; row < pcView.Model()->RowCount(); ++row) {
    if (const PcEntry* e = panes.pc.EntryOf(row)) {
      EXPECT_EQ(QString::fromStdString(e->name), pcView.Model()->Row(row).text);
    }
  }
  EXPECT_EQ(panes.pc.EntryOf(RowOf(pcView, "b.txt")), nullptr);
}
