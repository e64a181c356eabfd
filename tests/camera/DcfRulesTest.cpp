// The DCF naming rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/CameraUi.h"
#include "fileops/DcfRules.h"
#include "resources/StringIds.h"
#include "tests/camera/CameraTestKit.h"

TEST(DcfFileNames, FollowTheFormAndTheParentKind) {
  for (const char* ok : {"DCAM0001.JPG", "A_B10001.JPG", "dcam0001.jpg", "DCAM9999.Jpg"})
    EXPECT_TRUE(IsValidDcfFileName(ok, PARENT_DCIM)) << ok;
  for (const char* bad : {"DCAM0000.JPG", "DCAM001.JPG", "DCAM00001.JPG", "DCAM12.JPG", "DC-M0001.JPG",
                          "DCAM0O01.JPG", "DCAM0001.TXT", "DCAM0001.ASF", "DCAM0001_JPG", ""})
    EXPECT_FALSE(IsValidDcfFileName(bad, PARENT_DCIM)) << bad;
  EXPECT_TRUE(IsValidDcfFileName("DCAM0001.ASF", PARENT_QXMOV));
  EXPECT_FALSE(IsValidDcfFileName("DCAM0001.JPG", PARENT_QXMOV));
  EXPECT_FALSE(IsValidDcfFileName("DCAM0001.JPG", PARENT_ROOT));
  EXPECT_FALSE(IsValidDcfFileName("DCAM0001.ASF", PARENT_ROOT));
}

TEST(DcfFolderNames, QuietFormForTheListing) {
  std::vector<std::string> none;
  for (const char* ok : {"100QXCAM", "999", "100ABCDE", "101_X", "100qxmsc"})
    EXPECT_TRUE(IsValidDcfFolderName(ok, none, nullptr)) << ok;
  for (const char* bad : {"099QXCAM", "1000QXCAM", "ABC", "10", "", "100QX-AM", "1A0QXCAM", "100QXCAM1"})
    EXPECT_FALSE(IsValidDcfFolderName(bad, none, nullptr)) << bad;
}

TEST(DcfFolderNames, ToldToTheUserWithTakenBeforeForm) {
  std::vector<std::string> rows = {"MemoryStick", "..", "100QXCAM"};
  RecordingUi ui;
  EXPECT_FALSE(IsValidDcfFolderName("100QXCAM", rows, &ui));
  EXPECT_FALSE(IsValidDcfFolderName("099QXCAM", rows, &ui));
  EXPECT_FALSE(IsValidDcfFolderName("1000QXCAM", rows, &ui));
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::FILE_EXISTS, ids::NAME_FORMAT, ids::NAME_FORMAT}));
  EXPECT_EQ(ui.icons[0], MsgIcon::Error);
  // Row 0 is the stick itself, never a clash; a free number passes silently.
  std::vector<std::string> root = {"MemoryStick"};
  EXPECT_FALSE(IsValidDcfFolderName("MemoryStick", root, &ui));  // the form still applies
  EXPECT_TRUE(IsValidDcfFolderName("101QXCAM", rows, &ui));
  EXPECT_EQ(ui.messages.size(), 4u);
}

TEST(DcfNameClash, ByNameThenByNumberAcrossPrefixesAndTypes) {
  auto file = [](std::string shown) {
    CamEntry e;
    e.displayName = shown;
    return e;
  };
  CamEntryList files = {file("ABCD0005.JPG"), file("XYZWABCD.JPG"), file("DCAM0012.JPG")};
  EXPECT_EQ(FindNameClash("ABCD0005.JPG", files), CLASH_NAME);
  EXPECT_EQ(FindNameClash("abcd0005.jpg", files), CLASH_NUMBER);  // names compare exactly
  EXPECT_EQ(FindNameClash("DCAM0005.ASF", files), CLASH_NUMBER);
  EXPECT_EQ(FindNameClash("DCAM0012.JPG", files), CLASH_NAME);
  EXPECT_EQ(FindNameClash("DCAM0013.JPG", files), CLASH_NONE);
  EXPECT_EQ(FindNameClash("DCAM0013.JPG", {}), CLASH_NONE);
  EXPECT_EQ(FindNameClash("DC", files), CLASH_NONE);
}
