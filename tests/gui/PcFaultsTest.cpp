// The PC failing the window's copies and commands: a PC folder that vanishes
// while shown, a PC file gone, unreadable or cut short between its selection
// and its copy, a read-only or full PC folder, and PC names the camera's file
// system cannot hold. Each case tells the user why, keeps every earlier file
// as it was and commits nothing half-sent on the camera.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <sys/stat.h>

#include "camera/CameraProtocol.h"
#include "fileops/NameDialog.h"
#include "resources/StringIds.h"
#include "tests/gui/PcLimits.h"
#include "tests/gui/StorageWindow.h"

namespace fs = std::filesystem;

namespace {

class PcFaultsTest : public StorageWindow {
 protected:
  static QString SystemText(int error) { return QString::fromUtf8(std::strerror(error)); }
  static std::string Random(size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
  }
  // The one message the user saw, and its icon.
  void ExpectOneMessage(const QString& text, MsgIcon icon) {
    ASSERT_EQ(boxes_.shown.size(), 1) << boxes_.shown.join("|").toStdString();
    EXPECT_EQ(boxes_.shown[0], text);
    EXPECT_EQ(boxes_.icons[0], icon);
  }
  // Nothing but `names` in the folder: no partial file of a download beside them.
  static void ExpectOnly(const fs::path& folder, std::set<std::string> names) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.insert(entry.path().filename().string());
    EXPECT_EQ(found, names);
  }
  // The camera's picture folder holds exactly these files (no hidden
  // upload left behind either).
  void ExpectCameraHolds(std::set<std::string> names) { ExpectOnly(CamFolder(), std::move(names)); }
  bool CameraWasAskedToWrite() {
    for (const auto& call : recorder_.Calls())
      if (call.kind == 'W' && call.request == REQ_WRITE_FILE) return true;
    return false;
  }
  void ExpectTheWindowGoesOn() {
    EXPECT_FALSE(window_->FileOps().Busy());
    EXPECT_TRUE(Enabled(ctl::PC_PANE));
    EXPECT_TRUE(Enabled(ctl::CAM_PANE));
    EXPECT_TRUE(window_->Camera().DeviceOpen());
    EXPECT_TRUE(window_->Timer(TimerId::StoragePoll).isActive());
  }
  std::set<std::string> SampleFiles() { return {"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0003.JPG", "DCAM0004.JPG"}; }
};

// ---------------------------------------------------------------- a folder that vanishes

TEST_F(PcFaultsTest, AFolderThatVanishesWhileShownIsNeitherCopiedIntoNorGivenFolders) {
  const fs::path shown = pcFolder_ / "shown";
  fs::create_directories(shown);
  StoreSetting("CurrentPath", QString::fromStdString(shown.string()));
  MainWindow& w = InStorage();
  ASSERT_EQ(w.Panes()->pc.CurrentPath().toStdString(), shown.string());
  fs::remove_all(shown);

  // Read again: no rows of its own, the path still the one asked for.
  w.Panes()->pc.Refresh();
  EXPECT_EQ(w.Panes()->pc.CurrentPath().toStdString(), shown.string());
  EXPECT_EQ(w.Panes()->pc.listing.files.size(), 0u);
  EXPECT_EQ(RowOf(ctl::PC_PANE, ".."), -1);
  EXPECT_TRUE(boxes_.shown.isEmpty());

  // A copy into it: the system's reason, and the folder is not made.
  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0002.JPG"});
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  ExpectOneMessage(SystemText(ENOENT), MsgIcon::Error);
  EXPECT_FALSE(fs::exists(shown));
  ExpectTheWindowGoesOn();

  // A new folder in it: the system's reason, nothing made.
  boxes_ = {};
  bool asked = false;
  AnswerDialog<PcNameDialog>("OK", [](PcNameDialog& d) { d.Edit()->setText("new"); }, &asked);
  w.Command(ctl::PC_ADD_FOLDER);
  EXPECT_TRUE(asked);
  ExpectOneMessage(SystemText(ENOENT), MsgIcon::Error);
  EXPECT_FALSE(fs::exists(shown));
  ExpectOnly(pcFolder_, {});

  // The folder back: everything works there again.
  fs::create_directories(shown);
  boxes_ = {};
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  EXPECT_TRUE(Bytes(shown / "DCAM0002.JPG") == Bytes(CamFolder() / "DCAM0002.JPG"));
  EXPECT_GE(RowOf(ctl::PC_PANE, "DCAM0001.JPG"), 0);
}

// ---------------------------------------------------------------- uploads

TEST_F(PcFaultsTest, APcFileGoneOrUnreadableAfterItsSelectionEndsTheUploadWithTheSystemsReason) {
  const std::string first = Random(40000, 1), second = Random(30000, 2);
  Write(pcFolder_ / "DCAM0010.JPG", first);
  Write(pcFolder_ / "DCAM0011.JPG", second);
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();

  // Gone: the first file goes whole, the second is not found.
  Select(ctl::PC_PANE, {"DCAM0010.JPG", "DCAM0011.JPG"});
  fs::remove(pcFolder_ / "DCAM0011.JPG");
  w.Command(ctl::COPY_TO_CAMERA);
  WaitForTransfer();
  ExpectOneMessage(SystemText(ENOENT), MsgIcon::Error);
  EXPECT_TRUE(Bytes(CamFolder() / "DCAM0010.JPG") == first);
  auto expected = SampleFiles();
  expected.insert("DCAM0010.JPG");
  ExpectCameraHolds(expected);
  EXPECT_GE(RowOf(ctl::CAM_PANE, "DCAM0010.JPG"), 0);
  ExpectTheWindowGoesOn();

  // Unreadable: refused by the system before anything is sent.
  Write(pcFolder_ / "DCAM0011.JPG", second);
  ASSERT_EQ(::chmod((pcFolder_ / "DCAM0011.JPG").c_str(), 0), 0);
  w.Panes()->pc.Refresh();
  Select(ctl::PC_PANE, {"DCAM0011.JPG"});
  boxes_ = {};
  recorder_.ClearCalls();
  {
    PermissionsHold asAUser;
    w.Command(ctl::COPY_TO_CAMERA);
    WaitForTransfer();
  }
  ExpectOneMessage(SystemText(EACCES), MsgIcon::Error);
  EXPECT_FALSE(CameraWasAskedToWrite());
  ExpectCameraHolds(expected);
  EXPECT_EQ(Bytes(pcFolder_ / "DCAM0011.JPG"), second);
  ExpectTheWindowGoesOn();
}

// The PC file fails once the camera has been told a file is coming: what
// the camera received of it is never committed under the file's name.
TEST_F(PcFaultsTest, APcFileThatFailsWhileItIsSentLeavesNothingOnTheCamera) {
  const std::string bytes = Random(40000, 3);
  Write(pcFolder_ / "DCAM0012.JPG", bytes);
  Write(pcFolder_ / "DCAM0013.JPG", bytes);
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();

  // Replaced by a folder after its selection: it opens, but cannot be read.
  Select(ctl::PC_PANE, {"DCAM0012.JPG"});
  fs::remove(pcFolder_ / "DCAM0012.JPG");
  fs::create_directory(pcFolder_ / "DCAM0012.JPG");
  w.Command(ctl::COPY_TO_CAMERA);
  WaitForTransfer();
  ExpectOneMessage(SystemText(EISDIR), MsgIcon::Error);
  EXPECT_TRUE(CameraWasAskedToWrite());
  ExpectCameraHolds(SampleFiles());
  EXPECT_EQ(RowOf(ctl::CAM_PANE, "DCAM0012.JPG"), -1);
  ExpectTheWindowGoesOn();

  // Cut short by someone else once its first block has gone.
  const fs::path cut = pcFolder_ / "DCAM0013.JPG";
  recorder_.afterBulkOut = [cut] { ::truncate(cut.c_str(), kBulkBlock); };
  Select(ctl::PC_PANE, {"DCAM0013.JPG"});
  boxes_ = {};
  w.Command(ctl::COPY_TO_CAMERA);
  WaitForTransfer();
  recorder_.afterBulkOut = nullptr;
  ExpectOneMessage(Text(ids::FAILED_TO_WRITE_FILE), MsgIcon::Error);
  ExpectCameraHolds(SampleFiles());
  ExpectTheWindowGoesOn();

  // The camera takes the next file whole.
  Write(cut, bytes);
  boxes_ = {};
  w.Command(ctl::COPY_TO_CAMERA);
  WaitForTransfer();
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  EXPECT_TRUE(Bytes(CamFolder() / "DCAM0013.JPG") == bytes);
}

// Names whose characters a FAT camera cannot hold are refused one by one
// with the name-format message, before anything is asked of the camera;
// the name that fits still goes.
TEST_F(PcFaultsTest, PcNamesTheCameraCannotHoldAreRefusedByName) {
  const std::vector<std::string> unholdable = {
      "DC:M0020.JPG",         // a FAT reserved character
      "DC*M0021.JPG",         // another
      "DC M0022.JPG",         // a blank
      "DC\xc3\x84" "0023.JPG",  // "DCÄ0023.JPG": twelve bytes, two of them one letter
      "DC\xc4M0024.JPG",      // a byte that is no character of the PC's encoding
      "DCAM0025.JPG.",        // a trailing dot FAT drops
  };
  for (const std::string& name : unholdable) Write(pcFolder_ / name, "picture");
  Write(pcFolder_ / "dcam0026.jpg", "picture");
  MainWindow& w = InStorage();
  w.Panes()->pc.Refresh();
  QItemSelectionModel* selection = View(ctl::PC_PANE)->selectionModel();
  selection->clearSelection();
  for (int row = 0; row < View(ctl::PC_PANE)->model()->rowCount(); ++row)
    if (const PcEntry* e = w.Panes()->pc.EntryOf(row); e && !e->isFolder)
      selection->select(View(ctl::PC_PANE)->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  recorder_.ClearCalls();
  w.Command(ctl::COPY_TO_CAMERA);
  WaitForTransfer();

  ASSERT_EQ(boxes_.shown.size(), static_cast<int>(unholdable.size())) << boxes_.shown.join("|").toStdString();
  QStringList expected;
  for (const std::string& name : unholdable)
    expected << QString::fromStdString(FileMessage(name, ids::NAME_FORMAT));
  // In the order the pane shows them.
  std::sort(expected.begin(), expected.end());
  QStringList shown = boxes_.shown;
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, expected);
  for (MsgIcon icon : boxes_.icons) EXPECT_EQ(icon, MsgIcon::Exclamation);
  int writes = 0;
  for (const auto& call : recorder_.Calls()) writes += call.kind == 'W' && call.request == REQ_WRITE_FILE;
  EXPECT_EQ(writes, 1);
  auto holds = SampleFiles();
  holds.insert("DCAM0026.JPG");
  ExpectCameraHolds(holds);
  ExpectTheWindowGoesOn();
}

// ---------------------------------------------------------------- downloads

TEST_F(PcFaultsTest, AReadOnlyPcFolderRefusesTheCopyAndKeepsItsFile) {
  Write(pcFolder_ / "DCAM0001.JPG", "mine");
  MainWindow& w = InStorage();
  ASSERT_EQ(::chmod(pcFolder_.c_str(), 0555), 0);
  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0002.JPG"});
  boxes_.answers = {MsgAnswer::Ok};  // replace it
  {
    PermissionsHold asAUser;
    w.Command(ctl::COPY_TO_PC);
    WaitForTransfer();
  }
  ::chmod(pcFolder_.c_str(), 0755);
  ASSERT_EQ(boxes_.shown.size(), 2) << boxes_.shown.join("|").toStdString();
  EXPECT_EQ(boxes_.shown[1], SystemText(EACCES));
  EXPECT_EQ(boxes_.icons[1], MsgIcon::Error);
  EXPECT_EQ(Bytes(pcFolder_ / "DCAM0001.JPG"), "mine");
  ExpectOnly(pcFolder_, {"DCAM0001.JPG"});
  ExpectTheWindowGoesOn();
}

TEST_F(PcFaultsTest, AFullPcFolderEndsTheCopyWithTheSystemsReasonAndKeepsTheEarlierFile) {
  const std::string big = Random(100000, 4);
  Write(CamFolder() / "DCAM0001.JPG", big);
  Write(pcFolder_ / "DCAM0001.JPG", "mine");
  MainWindow& w = InStorage();
  Select(ctl::CAM_PANE, {"DCAM0001.JPG", "DCAM0002.JPG"});
  boxes_.answers = {MsgAnswer::Ok};  // replace it
  {
    FileSizeLimit full(50000);
    w.Command(ctl::COPY_TO_PC);
    WaitForTransfer();
  }
  ASSERT_EQ(boxes_.shown.size(), 2) << boxes_.shown.join("|").toStdString();
  EXPECT_EQ(boxes_.shown[1], SystemText(EFBIG));
  EXPECT_EQ(boxes_.icons[1], MsgIcon::Error);
  EXPECT_EQ(Bytes(pcFolder_ / "DCAM0001.JPG"), "mine");
  ExpectOnly(pcFolder_, {"DCAM0001.JPG"});
  ExpectTheWindowGoesOn();

  // With room again the same copy succeeds, the camera's pipe drained.
  boxes_ = {};
  boxes_.answers = {MsgAnswer::Ok};
  w.Command(ctl::COPY_TO_PC);
  WaitForTransfer();
  EXPECT_EQ(boxes_.shown.size(), 1) << boxes_.shown.join("|").toStdString();
  EXPECT_TRUE(Bytes(pcFolder_ / "DCAM0001.JPG") == big);
  EXPECT_TRUE(Bytes(pcFolder_ / "DCAM0002.JPG") == Bytes(CamFolder() / "DCAM0002.JPG"));
}

}  // namespace
