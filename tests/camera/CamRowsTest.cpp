// The camera pane's row texts.
#include <gtest/gtest.h>

#include "camera/CamRows.h"

namespace {
constexpr uint64_t MB = 1048576;

CamEntry Entry(std::string name, std::string ext, uint32_t size, bool folder) {
  CamEntry e;
  e.name = name;
  e.extension = ext;
  e.displayName = folder ? name : name + "." + ext;
  e.size = size;
  e.isFolder = folder;
  return e;
}
}  // namespace

TEST(CamRows, NominalCapacityRoundsUpToTheMarketedSize) {
  EXPECT_EQ(NominalCapacityMb(62 * MB), 64);
  EXPECT_EQ(NominalCapacityMb(3 * MB), 3);
  EXPECT_EQ(NominalCapacityMb(4 * MB + MB / 2), 4);  // rounded down first
  EXPECT_EQ(NominalCapacityMb(5 * MB), 8);
  EXPECT_EQ(NominalCapacityMb(1024 * MB), 1024);
  EXPECT_EQ(NominalCapacityMb(1025 * MB), 1025);
  EXPECT_EQ(NominalCapacityMb(2000 * MB), 2000);
  EXPECT_EQ(NominalCapacityMb(0), 0);
}

TEST(CamRows, SizesAndDatesAreFormattedAsThePanesShowThem) {
  EXPECT_EQ(SizeTextKb(0), "0 KB");
  EXPECT_EQ(SizeTextKb(1), "1 KB");
  EXPECT_EQ(SizeTextKb(1023), "1 KB");
  EXPECT_EQ(SizeTextKb(1024), "2 KB");
  EXPECT_EQ(SizeTextKb(999 * 1024), "1,000 KB");
  EXPECT_EQ(SizeTextKb(1234566ull * 1024), "1,234,567 KB");
  EXPECT_EQ(DateText(2003, 9, 7, 8, 5), "2003- 9- 7 08:05");
  EXPECT_EQ(CapacityText(30 * MB + MB / 2, 62 * MB), "31.5 MB / 64 MB");
  // A camera that claims more free than total space shows nothing used.
  EXPECT_EQ(CapacityText(70 * MB, 62 * MB), "0.0 MB / 64 MB");
}

TEST(CamRows, RowsCarryTheirImagesAndOnlyTheTextsTheyHave) {
  CamEntryList folders = {Entry("MemoryStick", "", 30 * MB, true), Entry("..", "", 0, true),
                          Entry("100QXCAM", "", 0, true)};
  folders[2].year = 2003, folders[2].month = 9, folders[2].day = 17, folders[2].hour = 10, folders[2].minute = 25;
  CamEntryList files = {Entry("DCAM0001", "JPG", 1024, false), Entry("DCAM0002", "asf", 0, false),
                        Entry("DCAM0003", "TXT", 5, false)};
  auto rows = BuildCamRows(folders, files, 62 * MB);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0].image, IMG_STICK);
  EXPECT_EQ(rows[0].sizeText, "32.0 MB / 64 MB");
  EXPECT_EQ(rows[0].dateText, "");
  EXPECT_EQ(rows[1].image, IMG_PARENT);
  EXPECT_EQ(rows[1].sizeText, "");
  EXPECT_EQ(rows[2].image, IMG_FOLDER);
  EXPECT_EQ(rows[2].dateText, "2003- 9-17 10:25");
  EXPECT_EQ(rows[3].text, "DCAM0001.JPG");
  EXPECT_EQ(rows[3].image, IMG_PICTURE);
  EXPECT_EQ(rows[3].sizeText, "2 KB");
  EXPECT_EQ(rows[3].dateText, "   0- 0- 0 00:00");  // every file row has a date
  EXPECT_EQ(rows[4].image, IMG_MOVIE);
  EXPECT_EQ(rows[4].sizeText, "0 KB");
  EXPECT_EQ(rows[5].image, IMG_FILE);
  EXPECT_EQ(rows[5].entry, &files[2]);

  // Free 0: the root row has no size text; the placeholder is a stick too.
  auto empty = BuildCamRows({Entry("MemoryStick", "", 0, true)}, {}, 62 * MB);
  EXPECT_EQ(empty[0].sizeText, "");
  EXPECT_EQ(FolderRow(Entry("Non MemoryStick", "", 0, true), 0).image, IMG_STICK);
}
