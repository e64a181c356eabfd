// Copy batches both ways against the in-process simulator.
#include <sys/resource.h>

#include <csignal>
#include <cstring>

#include "fileops/Transfer.h"
#include "resources/StringIds.h"
#include "tests/fileops/FileOpsTestKit.h"

namespace {

using Download = FileOpsSim;

TEST_F(Download, ChunksFolderRowsAndEmptyFiles) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(32768));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), Pattern(40000));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0003.JPG"), "");
  Connect({"DCIM", "100QXCAM"});
  // The root row, "..", two files, an empty file: each folder row refused once.
  DownloadRequest req{{RootRow(), Row(".."), Row("DCAM0001.JPG"), Row("DCAM0002.JPG"), Row("DCAM0003.JPG")}, pc};
  BatchOutcome out = DownloadBatch(link, ui, progress, req);

  EXPECT_EQ(out.done, 2);
  EXPECT_EQ(ReadFile(pc / "DCAM0001.JPG"), Pattern(32768));
  EXPECT_EQ(ReadFile(pc / "DCAM0002.JPG"), Pattern(40000));
  EXPECT_FALSE(fs::exists(pc / "DCAM0003.JPG"));
  // An exact multiple ends with a read that asks for nothing.
  std::vector<int> expected = {16384, 16384, 0, 16384, 16384, 40000 - 32768};
  EXPECT_EQ(driver.bulkInAsked, expected);
  EXPECT_EQ(ui.shown, (std::vector<std::string>{Msg(ids::COULD_NOT_COPY_FOLDER_UP), Msg(ids::COULD_NOT_COPY_FOLDER_UP),
                                                Msg(ids::FILE_DAMAGED)}));
  EXPECT_EQ(progress.ranges, (std::vector<int>{2, 100, 2, 100, 0, 100}));
  EXPECT_EQ(progress.steps, 6);
  EXPECT_EQ(progress.closes, 1);
  EXPECT_EQ(ui.pcRefreshes, 1);
  EXPECT_EQ(ui.pollStarts, 1);
  for (auto& e : fs::directory_iterator(pc)) EXPECT_NE(e.path().filename().string()[0], '.') << "part file left";
}

TEST_F(Download, NoSelectionTellsAndNeverStopsThePoll) {
  Connect({"DCIM", "100QXCAM"});
  DownloadBatch(link, ui, progress, {{}, pc});
  EXPECT_EQ(ui.shown, std::vector<std::string>{Msg(ids::SELECT_FILE_FOLDER)});
  EXPECT_EQ(ui.pollStops, 0);
  EXPECT_EQ(ui.camFills, 1);
}

TEST_F(Download, CancelFinishesTheCurrentFileWithItsTime) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(50000));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), Pattern(100));
  SetMtime(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Local(2003, 9, 17, 10, 25) + 41);
  Connect({"DCIM", "100QXCAM"});
  progress.onStep = [&] { progress.cancel = true; };  // pressed during the first piece
  BatchOutcome out = DownloadBatch(link, ui, progress, {{Row("DCAM0001.JPG"), Row("DCAM0002.JPG")}, pc});
  EXPECT_EQ(out.done, 1);
  EXPECT_EQ(ReadFile(pc / "DCAM0001.JPG"), Pattern(50000));
  // The camera's minute in local time, seconds 0.
  EXPECT_EQ(Mtime(pc / "DCAM0001.JPG"), Local(2003, 9, 17, 10, 25));
  EXPECT_FALSE(fs::exists(pc / "DCAM0002.JPG"));
}

TEST_F(Download, ReplaceQuestionCancelSkipsThatFileOnly) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(10));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), Pattern(20));
  WriteFile(pc / "DCAM0001.JPG", "mine");
  Connect({"DCIM", "100QXCAM"});
  ui.answers = {false};
  BatchOutcome out = DownloadBatch(link, ui, progress, {{Row("DCAM0001.JPG"), Row("DCAM0002.JPG")}, pc});
  EXPECT_EQ(ui.asked, std::vector<std::string>{FileMessage((pc / "DCAM0001.JPG").string(), ids::REPLACE_QUESTION)});
  EXPECT_EQ(ReadFile(pc / "DCAM0001.JPG"), "mine");
  EXPECT_EQ(ReadFile(pc / "DCAM0002.JPG"), Pattern(20));
  EXPECT_EQ(out.skipped, 1);
  EXPECT_EQ(out.done, 1);
  // Nothing was asked of the camera for the skipped file.
  EXPECT_EQ(driver.WritesOf(REQ_READ_FILE).size(), 1u);
}

TEST_F(Download, ShortReadLeavesTheEarlierFileAndNoPartialData) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(40000));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), Pattern(10));
  WriteFile(pc / "DCAM0001.JPG", "earlier");
  Connect({"DCIM", "100QXCAM"});
  ASSERT_TRUE(sim.Control("short-bulk"));
  BatchOutcome out = DownloadBatch(link, ui, progress, {{Row("DCAM0001.JPG"), Row("DCAM0002.JPG")}, pc});
  EXPECT_TRUE(out.stopped);
  EXPECT_EQ(ReadFile(pc / "DCAM0001.JPG"), "earlier");
  EXPECT_FALSE(fs::exists(pc / "DCAM0002.JPG")) << "the batch goes no further";
  EXPECT_EQ(std::distance(fs::directory_iterator(pc), fs::directory_iterator()), 1);
  ASSERT_FALSE(ui.shown.empty());
  EXPECT_EQ(ui.shown[0], Msg(ids::FAILED_TO_READ_FILE));
  EXPECT_EQ(ui.pcRefreshes, 1);
}

TEST_F(Download, CameraUnpluggedMidBatchEndsIt) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(70000));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), Pattern(10));
  Connect({"DCIM", "100QXCAM"});
  int pieces = 0;
  driver.onBulk = [&] {
    if (++pieces == 2) sim.Control("unplug");
  };
  BatchOutcome out = DownloadBatch(link, ui, progress, {{Row("DCAM0001.JPG"), Row("DCAM0002.JPG")}, pc});
  driver.onBulk = nullptr;
  EXPECT_TRUE(out.stopped);
  EXPECT_EQ(out.done, 0);
  EXPECT_TRUE(fs::is_empty(pc));
  EXPECT_EQ(progress.closes, 1);
}

TEST_F(Download, WriteFailureInMidFileShowsTheSystemTextAndStops) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(60000));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), Pattern(10));
  WriteFile(pc / "DCAM0001.JPG", "earlier");
  Connect({"DCIM", "100QXCAM"});
  // A disk that fills up after 20000 bytes: writes past it fail with EFBIG.
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 20000;
  setrlimit(RLIMIT_FSIZE, &small);
  BatchOutcome out = DownloadBatch(link, ui, progress, {{Row("DCAM0001.JPG"), Row("DCAM0002.JPG")}, pc});
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(out.stopped);
  EXPECT_EQ(ui.shown, std::vector<std::string>{std::strerror(EFBIG)});
  EXPECT_EQ(ReadFile(pc / "DCAM0001.JPG"), "earlier");
  EXPECT_EQ(std::distance(fs::directory_iterator(pc), fs::directory_iterator()), 1);
}

TEST_F(Download, WholeFileFetchReplacesTheTemporaryCopy) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(30000));
  Connect({"DCIM", "100QXCAM"});
  WriteFile(pc / "DCAM0001.JPG", "stale");
  auto got = FetchToTemp(link, ui, pc, "DCAM0001.JPG", 30000, 0);
  ASSERT_TRUE(got);
  EXPECT_EQ(ReadFile(*got), Pattern(30000));
  EXPECT_EQ(driver.bulkInAsked, std::vector<int>{30000});
  ASSERT_TRUE(sim.Control("short-bulk"));
  EXPECT_FALSE(FetchToTemp(link, ui, pc, "DCAM0001.JPG", 30000, 0));
  EXPECT_EQ(camUi.messages, std::vector<int>{ids::FAILED_TO_READ_FILE});
  EXPECT_EQ(ReadFile(pc / "DCAM0001.JPG"), Pattern(30000));
  EXPECT_FALSE(FetchToTemp(link, ui, pc, "../EVIL.JPG", 30000, 0));
}

using Upload = FileOpsSim;

UploadRequest Files(const fs::path& folder, std::initializer_list<const char*> names) {
  UploadRequest req{{}, folder};
  for (const char* n : names) {
    std::error_code ec;
    auto size = fs::file_size(folder / n, ec);
    req.rows.push_back({n, false, false, ec ? std::optional<uint64_t>() : size});
  }
  return req;
}

TEST_F(Upload, CameraNamesChunksAndTimes) {
  WriteFile(pc / "dcam0007.jpg", Pattern(32768));
  SetMtime(pc / "dcam0007.jpg", Local(2004, 2, 29, 23, 59) + 30);
  Connect({"DCIM", "100QXCAM"});
  BatchOutcome out = UploadBatch(link, ui, progress, Files(pc, {"dcam0007.jpg"}));
  EXPECT_EQ(out.done, 1);
  EXPECT_TRUE(ui.shown.empty()) << ui.shown[0];
  EXPECT_EQ(ReadFile(Cam("DCIM/100QXCAM/DCAM0007.JPG")), Pattern(32768));
  EXPECT_EQ(driver.bulkOut, (std::vector<int>{16384, 16384, 0}));
  EXPECT_EQ(Mtime(Cam("DCIM/100QXCAM/DCAM0007.JPG")), Local(2004, 2, 29, 23, 59));
  EXPECT_EQ(progress.steps, 3);
  EXPECT_EQ(link.PaneRowNames().back(), "DCAM0007.JPG") << "the camera folder is read again";
  EXPECT_EQ(ui.camFills, 1);
}

TEST_F(Upload, NumberClashAcrossPrefixesAndTypesWithinOneBatch) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(10));
  WriteFile(pc / "ABCD0001.JPG", Pattern(10));
  WriteFile(pc / "ABCD0002.JPG", Pattern(10));
  WriteFile(pc / "XYZW0002.JPG", Pattern(10));
  WriteFile(pc / "ABCD0003.ASF", Pattern(10));
  Connect({"DCIM", "100QXCAM"});
  BatchOutcome out = UploadBatch(link, ui, progress, Files(pc, {"ABCD0001.JPG", "ABCD0002.JPG", "XYZW0002.JPG", "ABCD0003.ASF"}));
  EXPECT_EQ(out.done, 1);
  EXPECT_EQ(ui.shown, (std::vector<std::string>{FileMessage("ABCD0001.JPG", ids::NUMBER_EXISTS),
                                                FileMessage("XYZW0002.JPG", ids::NUMBER_EXISTS),
                                                FileMessage("ABCD0003.ASF", ids::NAME_FORMAT)}));
  EXPECT_TRUE(fs::exists(Cam("DCIM/100QXCAM/ABCD0002.JPG")));
  EXPECT_FALSE(fs::exists(Cam("DCIM/100QXCAM/XYZW0002.JPG")));
}

TEST_F(Upload, ReplaceDeletesFirstAndFoldersAreRefusedEach) {
  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), "old");
  WriteFile(pc / "DCAM0001.JPG", Pattern(500));
  Connect({"DCIM", "100QXCAM"});
  UploadRequest req = Files(pc, {"DCAM0001.JPG"});
  req.rows.insert(req.rows.begin(), {{"..", true, false, {}}, {"sub", true, false, {}}});
  BatchOutcome out = UploadBatch(link, ui, progress, req);
  EXPECT_EQ(out.done, 1);
  EXPECT_EQ(ui.shown, (std::vector<std::string>{Msg(ids::COULD_NOT_COPY_FOLDER), Msg(ids::COULD_NOT_COPY_FOLDER)}));
  EXPECT_EQ(ui.asked, std::vector<std::string>{FileMessage("DCAM0001.JPG", ids::REPLACE_QUESTION)});
  EXPECT_EQ(ReadFile(Cam("DCIM/100QXCAM/DCAM0001.JPG")), Pattern(500));
  EXPECT_EQ(driver.WritesOf(REQ_DELETE).size(), 1u);
}

TEST_F(Upload, RefusedInTopFoldersOnceAndUnderWriteProtection) {
  WriteFile(pc / "DCAM0001.JPG", Pattern(5));
  WriteFile(pc / "DCAM0002.JPG", Pattern(5));
  Connect({"DCIM"});
  UploadBatch(link, ui, progress, Files(pc, {"DCAM0001.JPG", "DCAM0002.JPG"}));
  EXPECT_EQ(ui.shown, std::vector<std::string>{Msg(ids::COULD_NOT_COPY_HERE)});

  ui.shown.clear();
  ASSERT_TRUE(link.ChangeCamFolder("100QXCAM"));
  ASSERT_TRUE(sim.Control("protect on"));
  BatchOutcome out = UploadBatch(link, ui, progress, Files(pc, {"DCAM0001.JPG"}));
  EXPECT_TRUE(out.stopped);
  EXPECT_EQ(camUi.messages, std::vector<int>{ids::WRITE_PROTECTED});
  EXPECT_TRUE(fs::is_empty(Cam("DCIM/100QXCAM")));
  EXPECT_TRUE(driver.WritesOf(REQ_WRITE_FILE).empty());
}

TEST_F(Upload, FreeSpaceExactlyEqualIsSentOneByteMoreIsNot) {
  Connect({"DCIM", "100QXCAM"});
  uint32_t freeBytes = link.ReadCapacity().freeBytes;
  ASSERT_GT(freeBytes, 0u);
  WriteFile(pc / "DCAM0001.JPG", Pattern(freeBytes + 1));
  BatchOutcome out = UploadBatch(link, ui, progress, Files(pc, {"DCAM0001.JPG"}));
  EXPECT_EQ(ui.shown, std::vector<std::string>{Msg(ids::NOT_ENOUGH_SPACE)});
  EXPECT_EQ(out.done, 0);

  ui.shown.clear();
  fs::resize_file(pc / "DCAM0001.JPG", freeBytes);
  out = UploadBatch(link, ui, progress, Files(pc, {"DCAM0001.JPG"}));
  EXPECT_EQ(out.done, 1);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(fs::file_size(Cam("DCIM/100QXCAM/DCAM0001.JPG")), freeBytes);
}

TEST_F(Upload, FileTimesRoundTripToTheMinute) {
  WriteFile(pc / "DCAM0001.JPG", Pattern(100));
  SetMtime(pc / "DCAM0001.JPG", Local(2010, 7, 1, 8, 5) + 59);
  Connect({"DCIM", "100QXCAM"});
  UploadBatch(link, ui, progress, Files(pc, {"DCAM0001.JPG"}));
  fs::path back = pc / "back";
  fs::create_directories(back);
  DownloadBatch(link, ui, progress, {{Row("DCAM0001.JPG")}, back});
  EXPECT_EQ(Mtime(back / "DCAM0001.JPG"), Local(2010, 7, 1, 8, 5));
}

}  // namespace
