// Delete, rename, new folder and format on the camera; the PC pane's own commands.
#include <unistd.h>

#include "fileops/CameraFileOps.h"
#include "fileops/PcFileOps.h"
#include "resources/StringIds.h"
#include "tests/fileops/FileOpsTestKit.h"

namespace {

using CameraChanges = FileOpsSim;

std::string Field(const std::vector<uint8_t>& bytes, size_t from, size_t width) {
  std::string s(bytes.begin() + from, bytes.begin() + from + width);
  return s.substr(0, s.find('\0'));
}

TEST_F(CameraChanges, DeleteAsksOnceForSeveralAndIsSilentAboutFolders) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), "a");
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), "b");
  Connect({"DCIM", "100QXCAM"});
  BatchOutcome out = DeleteOnCamera(link, ui, {Row(".."), Row("DCAM0001.JPG"), Row("DCAM0002.JPG")});
  EXPECT_EQ(ui.asked, std::vector<std::string>{Msg(ids::DELETE_FILES_QUESTION)});
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(out.done, 2);
  EXPECT_TRUE(fs::is_empty(Cam("DCIM/100QXCAM")));
  EXPECT_EQ(link.files.size(), 0u);
  EXPECT_EQ(ui.previewClears, 1);
}

TEST_F(CameraChanges, DeleteOfOneRowAsksAboutItOrRefusesAFolder) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), "a");
  Connect({"DCIM", "100QXCAM"});
  ui.answers = {false};
  DeleteOnCamera(link, ui, {Row("DCAM0001.JPG")});
  EXPECT_EQ(ui.asked, std::vector<std::string>{FileMessage("DCAM0001.JPG", ids::DELETE_FILE_QUESTION)});
  EXPECT_TRUE(fs::exists(Cam("DCIM/100QXCAM/DCAM0001.JPG")));
  DeleteOnCamera(link, ui, {Row("..")});
  EXPECT_EQ(ui.shown, std::vector<std::string>{Msg(ids::COULD_NOT_DELETE_FOLDER)});
  EXPECT_EQ(ui.camFills, 2) << "the folder is read again each time";
  ASSERT_TRUE(sim.Control("protect on"));
  DeleteOnCamera(link, ui, {Row("DCAM0001.JPG")});
  EXPECT_EQ(camUi.messages, std::vector<int>{ids::WRITE_PROTECTED});
  EXPECT_TRUE(fs::exists(Cam("DCIM/100QXCAM/DCAM0001.JPG")));
}

TEST_F(CameraChanges, RenameSendsBothNamesAndRefusesTakenNumbers) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0005.JPG"), "5");
  WriteFile(Cam("DCIM/100QXCAM/ABCD0006.JPG"), "6");
  Connect({"DCIM", "100QXCAM"});
  // A taken number under another prefix, a malformed name, then a free number.
  ui.names = {"DCAM0006.JPG", "DCAM12.JPG", "DCAM0007.JPG"};
  EXPECT_EQ(RenameOnCamera(link, ui, {Row("DCAM0005.JPG")}), 1);
  EXPECT_EQ(ui.shown, (std::vector<std::string>{Msg(ids::NUMBER_EXISTS), Msg(ids::NAME_FORMAT)}));
  auto sent = driver.WritesOf(REQ_RENAME);
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0].size(), 26u);
  EXPECT_EQ(Field(sent[0], 0, 13), "DCAM0005.JPG");
  EXPECT_EQ(Field(sent[0], 13, 13), "DCAM0007.JPG");
  EXPECT_TRUE(fs::exists(Cam("DCIM/100QXCAM/DCAM0007.JPG")));
  EXPECT_EQ(ui.renamedSelection, "DCAM0007.JPG");

  ui.shown.clear();
  EXPECT_EQ(RenameOnCamera(link, ui, {Row("..")}), 0);
  EXPECT_EQ(ui.shown, std::vector<std::string>{Msg(ids::COULD_NOT_RENAME_FOLDER)});
}

TEST_F(CameraChanges, NewFolderNumbersAndPlaces) {
  Connect({"DCIM"});
  ui.names = {"099QXCAM", "1000QXCAM", "100QXCAM", "999QXCAM"};
  EXPECT_EQ(AddCameraFolder(link, ui), 1);
  EXPECT_EQ(ui.shown, (std::vector<std::string>{Msg(ids::NAME_FORMAT), Msg(ids::NAME_FORMAT), Msg(ids::FILE_EXISTS)}));
  EXPECT_TRUE(fs::is_directory(Cam("DCIM/999QXCAM")));
  EXPECT_FALSE(fs::exists(Cam("DCIM/099QXCAM")));
  auto made = driver.WritesOf(REQ_MAKE_DIR);
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(Field(made[0], 0, 9), "999QXCAM");

  ui.shown.clear();
  ui.dialogs = 0;
  ASSERT_TRUE(link.ChangeCamFolder("100QXCAM"));
  EXPECT_EQ(AddCameraFolder(link, ui), 0);
  ASSERT_TRUE(link.ChangeCamFolder("\\"));
  EXPECT_EQ(AddCameraFolder(link, ui), 0);
  EXPECT_EQ(ui.shown, std::vector<std::string>(2, Msg(ids::COULD_NOT_MAKE_FOLDER_HERE)));
  EXPECT_EQ(ui.dialogs, 0);
}

TEST_F(CameraChanges, FormatAnsweredNoLeavesTheCamera) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), "keep");
  Connect({"DCIM", "100QXCAM"});
  ui.answers = {false};
  EXPECT_EQ(FormatMemoryStick(link, ui, progress), 0);
  EXPECT_TRUE(fs::exists(Cam("DCIM/100QXCAM/DCAM0001.JPG")));
  EXPECT_TRUE(driver.WritesOf(REQ_FORMAT).empty());
  EXPECT_TRUE(ui.pcEnabled && ui.camEnabled);
  EXPECT_EQ(progress.closes, 1);
}

TEST_F(CameraChanges, FormatRestoresTheDefaultFolders) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), "gone");
  WriteFile(Cam("DCIM/105QXCAM/DCAM0009.JPG"), "gone");
  Connect({"DCIM", "100QXCAM"});
  EXPECT_EQ(FormatMemoryStick(link, ui, progress), 1);
  EXPECT_EQ(ui.shown, std::vector<std::string>{Msg(ids::FORMAT_SUCCESSFUL)});
  EXPECT_TRUE(fs::is_directory(Cam("DCIM/100QXCAM")));
  EXPECT_TRUE(fs::is_directory(Cam("QXMOV/100QXMSC")));
  EXPECT_FALSE(fs::exists(Cam("DCIM/105QXCAM")));
  EXPECT_TRUE(fs::is_empty(Cam("DCIM/100QXCAM")));
  EXPECT_EQ(link.camPath, "\\");
  EXPECT_EQ(link.PaneRowNames(), (std::vector<std::string>{"MemoryStick", "DCIM", "QXMOV"}));
  EXPECT_TRUE(ui.pcEnabled && ui.camEnabled && ui.buttonsShown);
  EXPECT_EQ(progress.steps, 27);
}

TEST_F(CameraChanges, FormatIsNoSuccessWhenItsRequestOrADefaultFolderFails) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), "kept");
  Connect({});
  ASSERT_TRUE(sim.Control("fail-at 2"));  // the write-protect read, then the format request
  EXPECT_EQ(FormatMemoryStick(link, ui, progress), 0);
  EXPECT_TRUE(fs::exists(Cam("DCIM/100QXCAM/DCAM0001.JPG"))) << "nothing was formatted";
  EXPECT_FALSE(link.DeviceOpen()) << "a request that never reached the camera: the camera is gone";
  EXPECT_EQ(camUi.messages, std::vector<int>{ids::DEVICE_NOT_FOUND});
  EXPECT_TRUE(ui.shown.empty()) << "no success told";
  EXPECT_EQ(progress.closes, 1);

  Connect({});
  camUi.messages.clear();
  ASSERT_TRUE(sim.Control("status 5 REQ_MAKE_DIR"));  // the camera refuses the first default folder
  EXPECT_EQ(FormatMemoryStick(link, ui, progress), 0);
  EXPECT_FALSE(fs::exists(Cam("DCIM/100QXCAM/DCAM0001.JPG"))) << "formatted";
  EXPECT_FALSE(fs::exists(Cam("DCIM")));
  EXPECT_EQ(camUi.messages, (std::vector<int>{ids::FAILED_TO_CREATE_FOLDER, ids::ERROR_READING_STICK}))
      << "and then DCIM cannot be entered";
  EXPECT_TRUE(ui.shown.empty()) << "no success told";
}

// The PC pane's folders and files (no drive and no ".." rows).
class PcChanges : public FileOpsSim {
 protected:
  PcSelection Select(std::initializer_list<std::pair<const char*, bool>> rows) {
    PcSelection s{pc, {}};
    for (auto& [name, folder] : rows) s.rows.push_back({name, folder, false, {}});
    return s;
  }
};

TEST_F(PcChanges, FolderWithReadOnlyFilesGoesAndLinksAreNotFollowed) {
  fs::path outside = pc.parent_path() / (pc.filename().string() + "-outside");
  WriteFile(outside / "precious.txt", "keep");
  WriteFile(pc / "album/a.jpg", "a");
  WriteFile(pc / "album/deep/b.jpg", "b");
  fs::permissions(pc / "album/a.jpg", fs::perms::owner_read);
  fs::permissions(pc / "album/deep", fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_directory_symlink(outside, pc / "album/link");
  fs::create_symlink(outside / "precious.txt", pc / "album/file-link");
  DeleteOnPc(ui, Select({{"album", true}}));
  EXPECT_EQ(ui.asked, std::vector<std::string>{FileMessage((pc / "album").string(), ids::DELETE_FOLDER_QUESTION)});
  EXPECT_FALSE(fs::exists(pc / "album"));
  EXPECT_EQ(ReadFile(outside / "precious.txt"), "keep");
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(ui.pcRefreshes, 1);
  fs::remove_all(outside);
}

TEST_F(PcChanges, SeveralRowsAskOnceAndDriveRowsAreSkipped) {
  WriteFile(pc / "one.txt", "1");
  WriteFile(pc / "two/three.txt", "3");
  PcSelection s = Select({{"two", true}, {"one.txt", false}});
  s.rows.insert(s.rows.begin(), PcFileRow{"/media/usb", true, true, {}});
  DeleteOnPc(ui, s);
  EXPECT_EQ(ui.asked, std::vector<std::string>{Msg(ids::DELETE_FILES_QUESTION)});
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_TRUE(fs::is_empty(pc));

  WriteFile(pc / "four.txt", "4");
  ui.answers = {false};
  DeleteOnPc(ui, Select({{"four.txt", false}}));
  EXPECT_TRUE(fs::exists(pc / "four.txt"));
  EXPECT_EQ(ui.pcRefreshes, 1) << "No to a single file leaves the pane as it was";
}

TEST_F(PcChanges, NamesRenameAndNewFolder) {
  WriteFile(pc / "a.txt", "a");
  EXPECT_EQ(CheckPcName(0, pc, "a.txt"), ids::FILE_EXISTS_PC);  // its own name
  EXPECT_EQ(CheckPcName(0, pc, ""), ids::NO_FILE_NAME);
  EXPECT_EQ(CheckPcName(1, pc, "a.txt"), ids::FOLDER_EXISTS);
  EXPECT_EQ(CheckPcName(1, pc, ""), ids::NO_FOLDER_NAME);
  EXPECT_EQ(CheckPcName(0, pc, "b.txt"), 0);

  ui.names = {"b.txt"};
  RenameOnPc(ui, Select({{"a.txt", false}}));
  EXPECT_EQ(ReadFile(pc / "b.txt"), "a");
  ui.names = {"new"};
  AddPcFolder(ui, pc);
  EXPECT_TRUE(fs::is_directory(pc / "new"));
  PcSelection parent{pc, {{"..", true, false, {}}}};
  RenameOnPc(ui, parent);
  EXPECT_EQ(ui.shown, std::vector<std::string>{Msg(ids::SELECT_FILE_FOLDER)});
}

// A name that is not one path component changes nothing, whoever asked for it.
TEST_F(PcChanges, NamesOutsideTheFolderShownAreRefused) {
  const fs::path shown = pc / "shown";  // its parent is still the test's own folder
  WriteFile(shown / "a.txt", "a");
  fs::create_directories(shown / "a");
  const std::vector<std::string> bad = {"../x.jpg", "a/b", ".", "..", std::string("b\0.txt", 6), shown.string() + "/c"};
  for (const std::string& name : bad) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(IsOnePathPart(name));
    EXPECT_EQ(CheckPcName(0, shown, name), ids::PC_NAME_ONE_PART);
    EXPECT_EQ(CheckPcName(1, shown, name), ids::PC_NAME_ONE_PART);
    ui.shown.clear();
    ui.names = {name};
    RenameOnPc(ui, PcSelection{shown, {{"a.txt", false, false, {}}}});
    ui.names = {name};
    AddPcFolder(ui, shown);
    EXPECT_EQ(ui.shown, (std::vector<std::string>{Msg(ids::PC_NAME_ONE_PART), Msg(ids::PC_NAME_ONE_PART)}));
    EXPECT_EQ(ReadFile(shown / "a.txt"), "a");
    EXPECT_TRUE(fs::is_empty(shown / "a"));
    EXPECT_EQ(std::distance(fs::directory_iterator(shown), fs::directory_iterator()), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(pc), fs::directory_iterator()), 1);
  }
  EXPECT_TRUE(IsOnePathPart("..a"));
  EXPECT_TRUE(IsOnePathPart(".hidden"));
}

}  // namespace
