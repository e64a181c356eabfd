// The PC pane in the window: the naming dialogs refuse names that leave the
// folder shown, and the mode switches read the PC folder again.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "fileops/NameDialog.h"
#include "resources/StringIds.h"
#include "tests/gui/StorageWindow.h"

namespace fs = std::filesystem;

namespace {

class PcPaneWindowTest : public StorageWindow {
 protected:
  // Names that are not one path component, a NUL among them.
  const QStringList badNames_ = {"../x.jpg", "a/b", ".", "..", QString("b") + QChar(0) + ".txt"};

  // At the next PC naming dialog: each bad name in turn with OK, each
  // refused while the dialog stays open; then Cancel.
  void RefuseEachBadName(bool* stayedOpen) {
    QTimer::singleShot(0, [this, stayedOpen] {
      auto* dialog = qobject_cast<PcNameDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      QPushButton* ok = nullptr;
      for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == "OK") ok = button;
      *stayedOpen = ok != nullptr;
      for (const QString& name : badNames_) {
        dialog->Edit()->setText(name);
        if (ok) ok->click();
        *stayedOpen = *stayedOpen && dialog->isVisible();
      }
      dialog->reject();
    });
  }
  // The PC folder and its parent hold what they held before.
  void ExpectNothingChanged() {
    EXPECT_EQ(Bytes(pcFolder_ / "a.txt"), "a");
    EXPECT_TRUE(fs::is_empty(pcFolder_ / "a"));
    EXPECT_FALSE(fs::exists(pcFolder_.parent_path() / "x.jpg"));
    EXPECT_FALSE(fs::exists(pcFolder_ / "b"));
    EXPECT_EQ(std::distance(fs::directory_iterator(pcFolder_), fs::directory_iterator()), 2);
  }
  QStringList Refusals() const {
    QStringList texts;
    for (int i = 0; i < badNames_.size(); ++i) texts << Text(ids::PC_NAME_ONE_PART);
    return texts;
  }
};

TEST_F(PcPaneWindowTest, NamingDialogsRefuseNamesOutsideTheFolderShown) {
  Write(pcFolder_ / "a.txt", "a");
  fs::create_directories(pcFolder_ / "a");
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();

  Select(ctl::PC_PANE, {"a.txt"});
  bool stayedOpen = false;
  RefuseEachBadName(&stayedOpen);
  w.FileOps().OnPcRename();
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(boxes_.shown, Refusals());
  for (MsgIcon icon : boxes_.icons) EXPECT_EQ(icon, MsgIcon::Error);
  ExpectNothingChanged();

  boxes_ = MessageBoxScript{};
  stayedOpen = false;
  RefuseEachBadName(&stayedOpen);
  w.Command(ctl::PC_ADD_FOLDER);
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(boxes_.shown, Refusals());
  ExpectNothingChanged();
}

TEST_F(PcPaneWindowTest, ModeSwitchesReadThePcFolderAgain) {
  MainWindow& w = Started();
  Write(pcFolder_ / "arrived.jpg", "new");
  ASSERT_EQ(RowOf(ctl::PC_PANE, "arrived.jpg"), -1);
  w.Command(ctl::TO_STORAGE_MODE);
  EXPECT_GE(RowOf(ctl::PC_PANE, "arrived.jpg"), 0);
  EXPECT_EQ(w.Panes()->pc.CurrentPath().toStdString(), pcFolder_.string());

  fs::remove(pcFolder_ / "arrived.jpg");
  Write(pcFolder_ / "later.jpg", "new");
  w.Command(ctl::TO_CAMERA_MODE);
  EXPECT_GE(RowOf(ctl::PC_PANE, "later.jpg"), 0);
  EXPECT_EQ(RowOf(ctl::PC_PANE, "arrived.jpg"), -1);
  EXPECT_EQ(w.Panes()->pc.CurrentPath().toStdString(), pcFolder_.string());
}

}  // namespace
