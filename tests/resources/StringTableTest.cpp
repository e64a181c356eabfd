#include <gtest/gtest.h>

#include "resources/StringIds.h"
#include "resources/StringTable.h"

// The texts are the program's own, byte for byte: these are the ones whose
// spelling or trailing blanks are easiest to "fix" by mistake.
TEST(StringTableTest, TextsKeepTheirExactSpelling) {
  EXPECT_EQ(DefaultString(ids::DEVICE_NOT_FOUND),
            "Device is not found.\n\nComfirm connection with computer or device mode.");
  EXPECT_EQ(DefaultString(ids::DEVICE_NOT_FOUND_AT_START), DefaultString(ids::DEVICE_NOT_FOUND));
  EXPECT_EQ(DefaultString(ids::COULD_NOT_MAKE_FOLDER_HERE), "Could not make a foler in this path.");
  EXPECT_EQ(DefaultString(ids::NAME_FORMAT), "File(Folder) name doesn't met the format.");
  EXPECT_EQ(DefaultString(ids::FILE_DAMAGED), "This file is damaged.    ");
  EXPECT_EQ(DefaultString(ids::COPYING), " Copying...");
  EXPECT_EQ(DefaultString(ids::REPLACE_QUESTION),
            "A file with the name you specified already exists.\n\nReplace file?");
  EXPECT_EQ(DefaultString(ids::TIP_PHOTO_EDITOR), "DovodAzereda");
  EXPECT_EQ(DefaultString(ids::PDF_READER_MISSING),
            "Acrobet Reader is not installed.   \n\nPlease, Install the Acrobet Reader in Orin Media 5.1 CD.    ");
}

TEST(StringTableTest, EveryMessageNumberHasAText) {
  for (int id = 108; id <= 185; ++id) {
    if (id == 128) continue;  // the one number between captions and messages
    EXPECT_FALSE(DefaultString(id).empty()) << id;
  }
  EXPECT_TRUE(DefaultString(128).empty());
  EXPECT_TRUE(DefaultString(9999).empty());
}

TEST(StringTableTest, FileMessagePutsTheNameAboveABlankLine) {
  EXPECT_EQ(FileMessage("DCAM0001.JPG", ids::DELETE_FILE_QUESTION), "DCAM0001.JPG\n\nDelete File?");
}
