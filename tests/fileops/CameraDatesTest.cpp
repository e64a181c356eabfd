// Camera dates on copied files: a record's date becomes the PC copy's
// last-write time when it names a real minute, and only then.
#include <ctime>

#include "fileops/Transfer.h"
#include "tests/fileops/FileOpsTestKit.h"

TEST(CalendarTime, OnlyRealMinutesOfThePackedRangeAreDates) {
  for (CamDateTime t : {CamDateTime{1980, 1, 1, 0, 0}, CamDateTime{2004, 2, 29, 23, 59},
                        CamDateTime{2000, 2, 29, 12, 0}, CamDateTime{2107, 12, 31, 23, 59}})
    EXPECT_TRUE(IsCalendarTime(t)) << t.year << "-" << t.month << "-" << t.day;
  // What empty or garbled record fields decode to.
  for (CamDateTime t : {CamDateTime{1980, 0, 0, 0, 0}, CamDateTime{1980, 0, 1, 0, 0}, CamDateTime{1980, 1, 0, 0, 0},
                        CamDateTime{2003, 2, 29, 0, 0}, CamDateTime{1900, 2, 29, 0, 0}, CamDateTime{2003, 4, 31, 0, 0},
                        CamDateTime{2003, 13, 1, 0, 0}, CamDateTime{2003, 15, 31, 0, 0}, CamDateTime{2003, 1, 1, 24, 0},
                        CamDateTime{2003, 1, 1, 31, 63}, CamDateTime{1979, 12, 31, 23, 59}})
    EXPECT_FALSE(IsCalendarTime(t)) << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute;
}

using CameraDatesTest = FileOpsSim;

TEST_F(CameraDatesTest, ARecordWithoutAUsableDateLeavesTheCopyTheTimeOfItsWriting) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(100));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), Pattern(200));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0003.JPG"), Pattern(300));
  SetMtime(Cam("DCIM/100QXCAM/DCAM0003.JPG"), Local(2003, 9, 17, 10, 25));
  Connect({"DCIM", "100QXCAM"});
  // Month and day 0, as a camera whose clock was never set writes them; and
  // the 30th of February.
  for (CamEntry& e : link.files) {
    if (e.displayName == "DCAM0001.JPG") e.year = 1980, e.month = 0, e.day = 0, e.hour = 0, e.minute = 0;
    if (e.displayName == "DCAM0002.JPG") e.year = 2004, e.month = 2, e.day = 30;
  }
  const std::time_t before = std::time(nullptr) - 1;  // file times come from a coarser clock
  BatchOutcome outcome;
  EXPECT_EQ(DownloadFile(link, ui, progress, pc, "DCAM0001.JPG", 100, outcome), 1);
  EXPECT_EQ(DownloadFile(link, ui, progress, pc, "DCAM0002.JPG", 200, outcome), 1);
  EXPECT_EQ(DownloadFile(link, ui, progress, pc, "DCAM0003.JPG", 300, outcome), 1);
  EXPECT_EQ(outcome.done, 3);
  EXPECT_GE(Mtime(pc / "DCAM0001.JPG"), before);
  EXPECT_GE(Mtime(pc / "DCAM0002.JPG"), before);
  EXPECT_EQ(Mtime(pc / "DCAM0003.JPG"), Local(2003, 9, 17, 10, 25));
  EXPECT_TRUE(ui.shown.empty());

  // Called on its own, the time setter refuses such a date and touches nothing.
  SetMtime(pc / "DCAM0003.JPG", Local(2001, 1, 2, 3, 4));
  EXPECT_FALSE(SetLastWriteTime(pc / "DCAM0003.JPG", {1980, 0, 0, 0, 0}));
  EXPECT_EQ(Mtime(pc / "DCAM0003.JPG"), Local(2001, 1, 2, 3, 4));
}
