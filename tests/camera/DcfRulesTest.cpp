// The DCF naming rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/DcfRules.h"

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

TEST(DcfFolderNames, FormAloneForTheListing) {
  for (const char* ok : {"100QXCAM", "999", "100ABCDE", "101_X", "100qxmsc"})
    EXPECT_EQ(IsValidDcfFolderName(ok), DcfVerdict::Ok) << ok;
  for (const char* bad : {"099QXCAM", "1000QXCAM", "ABC", "10", "", "100QX-AM", "1A0QXCAM", "100QXCAM1"})
    EXPECT_EQ(IsValidDcfFolderName(bad), DcfVerdict::BadForm) << bad;
}

TEST(DcfFolderNames, TakenAgainstThePaneRowsWithFormFirst) {
  std::vector<std::string> rows = {"MemoryStick", "..", "100QXCAM", "1000QXCAM"};
  EXPECT_EQ(IsValidDcfFolderName("100QXCAM", rows), DcfVerdict::Taken);
  EXPECT_EQ(IsValidDcfFolderName("099QXCAM", rows), DcfVerdict::BadForm);
  EXPECT_EQ(IsValidDcfFolderName("1000QXCAM", rows), DcfVerdict::BadForm);  // a row, but no form
  // Row 0 is the stick itself, never a clash; a free number passes.
  std::vector<std::string> root = {"MemoryStick", "101QXCAM"};
  EXPECT_EQ(IsValidDcfFolderName("MemoryStick", root), DcfVerdict::BadForm);
  EXPECT_EQ(IsValidDcfFolderName("101QXCAM", std::vector<std::string>{"101QXCAM"}), DcfVerdict::Ok);
  EXPECT_EQ(IsValidDcfFolderName("101QXCAM", rows), DcfVerdict::Ok);
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
