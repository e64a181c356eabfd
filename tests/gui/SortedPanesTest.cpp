// Every command that starts from a selection acts on the rows the user sees,
// whatever column sort the pane shows: camera and PC deletes, renames,
// copies by button and by drag, the selection preview and double-clicks.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTreeView>
#include <utime.h>

#include "resources/StringIds.h"
#include "tests/gui/StorageWindow.h"

namespace fs = std::filesystem;

namespace {

class SortedPanesTest : public StorageWindow {
 protected:
  // Sorts a pane by a column in one direction (+1: A to Z, smallest first,
  // newest first; -1 the reverse) by clicks on its header.
  void SortBy(int paneId, int column, int s) {
    auto* view = qobject_cast<QTreeView*>(View(paneId));
    QHeaderView* header = view->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    auto* model = window_->Panes()->cam.View() == view ? window_->Panes()->cam.View()->Model()
                                                        : window_->Panes()->pc.View()->Model();
    do QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    while (model->DirectionFlag(column) != (s > 0));
  }
};

TEST_F(SortedPanesTest, DeleteAfterANameSortDownwardsDeletesTheRowSelected) {
  InStorage();
  SortBy(ctl::CAM_PANE, 0, -1);
  Select(ctl::CAM_PANE, {"DCAM0004.JPG"});
  boxes_.answers = {MsgAnswer::Yes};
  QTest::keyClick(View(ctl::CAM_PANE), Qt::Key_Delete);
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], QString::fromStdString(FileMessage("DCAM0004.JPG", ids::DELETE_FILE_QUESTION)));
  EXPECT_FALSE(fs::exists(CamFolder() / "DCAM0004.JPG"));
  for (const char* kept : {"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0003.JPG"})
    EXPECT_TRUE(fs::exists(CamFolder() / kept)) << kept;
}

}  // namespace
