// The Memory Stick's requests: records, listing, folders, files and capacity.
#include <utime.h>

#include "tests/camsim/CamsimFixture.h"

namespace camsim_test {
namespace {

void SetMtime(const fs::path& p, time_t t) {
  utimbuf u{t, t};
  utime(p.c_str(), &u);
}

class StorageTest : public CamsimTest {};

TEST_F(StorageTest, RecordsCarryNameExtensionFatTimeAndSize) {
  Put("DCIM/100QXCAM/DCAM0001.JPG", std::string(1234, 'a'));
  Put("DCIM/100QXCAM/AB.JP", "");
  SetMtime(Stick() / "DCIM/100QXCAM/DCAM0001.JPG", LocalTime(2003, 9, 17, 10, 25));
  ASSERT_EQ(Cd("DCIM"), kStatusOk);
  ASSERT_EQ(Cd("100QXCAM"), kStatusOk);

  uint8_t dummy = 0;
  ASSERT_NE(driver.Vendor_Write(REQ_LIST_DIR, 0, 0, 0, &dummy), 0);
  uint8_t raw[6][32];
  for (int i = 0; i < 5; ++i) ASSERT_EQ(driver.Bulk_IN(raw[i], 32), 32) << i;
  EXPECT_EQ(driver.Bulk_IN(raw[5], 32), 0) << "nothing after the end record";
  EXPECT_EQ(Status(), kStatusListed);

  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw[0]), 11), std::string(".\0\0\0\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw[1]), 11), std::string("..\0\0\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(raw[0][11], 0x10);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw[2]), 11), std::string("AB\0\0\0\0\0\0JP\0", 11));
  const uint8_t* r = raw[3];
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r), 11), "DCAM0001JPG");
  EXPECT_EQ(r[22] | r[23] << 8, 10 * 2048 + 25 * 32);
  EXPECT_EQ(r[24] | r[25] << 8, (2003 - 1980) * 512 + 9 * 32 + 17);
  EXPECT_EQ(uint32_t(r[28] | r[29] << 8 | r[30] << 16 | r[31] << 24), 1234u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(raw[4][i], 0xFF);
}

TEST_F(StorageTest, RootHasNoDotEntriesAndListsFoldersAsStored) {
  fs::create_directories(Stick() / "DCIM");
  fs::create_directories(Stick() / "qxmov");
  auto rows = List();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "DCIM");
  EXPECT_EQ(rows[0].attr, 0x10);
  EXPECT_EQ(rows[0].size, 0u);
  EXPECT_EQ(rows[1].name, "qxmov");
  fs::remove_all(Stick() / "DCIM");
  fs::remove_all(Stick() / "qxmov");
  uint8_t status = 0;
  EXPECT_TRUE(List(&status).empty()) << "an empty root is the end record alone";
  EXPECT_EQ(status, kStatusListed);
}

TEST_F(StorageTest, NamesFatCannotHoldAreNotListed) {
  for (const char* n : {"LONGNAME1.JPG", "A.B.JPG", "PLUS+.JPG", "SP ACE.JPG", "NOEXT", "DOT.JPEG", "\xC3\xA9T\xC3\xA9.JPG"})
    Put(std::string("D/") + n);
  fs::create_directories(Stick() / "D/FOLD.ER");
  fs::create_directories(Stick() / "D/TOOLONGFOLDER");
  Put("D/GOOD.JPG");
  Put("D/good2.jpg");
  fs::create_symlink(Stick() / "D/GOOD.JPG", Stick() / "D/LINK.JPG");
  fs::create_directory_symlink(Stick(), Stick() / "D/LOOP");
  ASSERT_EQ(Cd("D"), kStatusOk);
  EXPECT_EQ(Names(), (std::vector<std::string>{".", "..", "GOOD.JPG", "good2.jpg"}));
}

TEST_F(StorageTest, ChangeDirMatchesCaseInsensitivelyAndKnowsRootAndParent) {
  fs::create_directories(Stick() / "DCIM/100QXCAM");
  Put("DCIM/FILE.JPG");
  EXPECT_EQ(Cd("dcim"), kStatusOk);
  EXPECT_EQ(Cd("100qxcam"), kStatusOk);
  EXPECT_EQ(Cd(".."), kStatusOk);
  EXPECT_EQ(Names(), (std::vector<std::string>{".", "..", "100QXCAM", "FILE.JPG"}));
  EXPECT_NE(Cd("NOSUCH"), kStatusOk);
  EXPECT_NE(Cd("FILE.JPG"), kStatusOk) << "a file is no directory";
  EXPECT_EQ(Cd("100QXCAM"), kStatusOk);
  EXPECT_EQ(Cd("\\"), kStatusOk);
  EXPECT_EQ(Names(), (std::vector<std::string>{"DCIM"}));
  uint8_t s = Cd("..");
  EXPECT_NE(s, kStatusOk) << "the root has no parent";
  EXPECT_NE(s, kStatusListed);
}

TEST_F(StorageTest, MakeDirStampsTheFolderAndRefusesClashes) {
  EXPECT_EQ(Mkdir("DCIM", 0x2F315320), kStatusOk);  // 2003-09-17 10:25
  EXPECT_EQ(MtimeOf(Stick() / "DCIM"), LocalTime(2003, 9, 17, 10, 25));
  EXPECT_NE(Mkdir("dcim"), kStatusOk) << "FAT names ignore case";
  EXPECT_NE(Mkdir("NINECHARS"), kStatusOk);
  EXPECT_NE(Mkdir("A.B"), kStatusOk);
  EXPECT_NE(Mkdir(""), kStatusOk);
  EXPECT_TRUE(fs::is_directory(Stick() / "DCIM"));
  EXPECT_EQ(std::distance(fs::directory_iterator(Stick()), fs::directory_iterator()), 1);
}

TEST_F(StorageTest, DeleteAndRenameWorkInTheCurrentDirectory) {
  Put("F/DCAM0001.JPG", "one");
  Put("F/DCAM0002.JPG", "two");
  Put("F/SUB/KEEP.JPG");
  ASSERT_EQ(Cd("F"), kStatusOk);
  EXPECT_EQ(Ren("dcam0001.jpg", "DSCF0009.JPG"), kStatusOk);
  EXPECT_EQ(Slurp("F/DSCF0009.JPG"), "one");
  EXPECT_NE(Ren("DSCF0009.JPG", "dcam0002.JPG"), kStatusOk) << "would overwrite another file";
  EXPECT_EQ(Slurp("F/DCAM0002.JPG"), "two");
  EXPECT_EQ(Ren("DSCF0009.JPG", "dscf0009.jpg"), kStatusOk) << "a change of case alone";
  EXPECT_TRUE(fs::exists(Stick() / "F/dscf0009.jpg"));
  EXPECT_NE(Ren("NOSUCH.JPG", "OTHER.JPG"), kStatusOk);
  EXPECT_NE(Ren("DCAM0002.JPG", "NOEXT"), kStatusOk);

  EXPECT_EQ(Del("DCAM0002.JPG"), kStatusOk);
  EXPECT_FALSE(fs::exists(Stick() / "F/DCAM0002.JPG"));
  EXPECT_NE(Del("DCAM0002.JPG"), kStatusOk);
  EXPECT_NE(Del("SUB"), kStatusOk) << "a folder with files stays";
  EXPECT_TRUE(fs::exists(Stick() / "F/SUB/KEEP.JPG"));
}

TEST_F(StorageTest, UploadUsesFullBlocksAndAnEmptyLastBlock) {
  fs::create_directories(Stick() / "DCIM/100QXCAM");
  Cd("DCIM");
  Cd("100QXCAM");
  std::string body(32768, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = char(i * 7);
  std::vector<int> blocks;
  EXPECT_EQ(Upload("DCAM0001.JPG", body, 0x2F315320, &blocks), kStatusOk);
  EXPECT_EQ(blocks, (std::vector<int>{16384, 16384, 0}));
  EXPECT_EQ(Slurp("DCIM/100QXCAM/DCAM0001.JPG"), body);
  EXPECT_EQ(MtimeOf(Stick() / "DCIM/100QXCAM/DCAM0001.JPG"), LocalTime(2003, 9, 17, 10, 25));

  blocks.clear();
  EXPECT_EQ(Upload("DCAM0002.JPG", std::string(40000, 'q'), 0x2F315320, &blocks), kStatusOk);
  EXPECT_EQ(blocks, (std::vector<int>{16384, 16384, 7232}));
  EXPECT_EQ(Slurp("DCIM/100QXCAM/DCAM0002.JPG"), std::string(40000, 'q'));

  blocks.clear();
  EXPECT_EQ(Upload("EMPTY001.JPG", "", 0x2F315320, &blocks), kStatusOk);
  EXPECT_EQ(blocks, (std::vector<int>{0}));
  EXPECT_TRUE(fs::exists(Stick() / "DCIM/100QXCAM/EMPTY001.JPG"));
}

TEST_F(StorageTest, AnUploadCutShortLeavesNothingBehind) {
  Put("M/OLD00001.ASF", "old");
  Cd("M");
  uint32_t size = 20000;
  EXPECT_EQ(Named(REQ_WRITE_FILE, "DCAM0001.ASF", 13, "", 0, 0x2F315320, int(size & 0xFFFF), int(size >> 16)), kStatusOk);
  std::string block(16384, 'z');
  EXPECT_EQ(driver.Bulk_OUT(block.data(), 16384), 16384);
  EXPECT_FALSE(fs::exists(Stick() / "M/DCAM0001.ASF")) << "not there until complete";
  EXPECT_EQ(Cd("\\"), kStatusOk);  // the program moves on: the upload is over
  EXPECT_EQ(driver.Bulk_OUT(block.data(), 100), 0) << "no upload waits for data";
  EXPECT_EQ(Cd("M"), kStatusOk);
  EXPECT_EQ(Names(), (std::vector<std::string>{".", "..", "OLD00001.ASF"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(Stick() / "M"), fs::directory_iterator()), 1);
}

TEST_F(StorageTest, UploadNeverReplacesAFileOfTheSameNameInAnyCaseAndTakesNoExtraBytes) {
  Put("M/dcam0001.asf", "old");
  Cd("M");
  uint32_t size = 10;
  EXPECT_EQ(Named(REQ_WRITE_FILE, "DCAM0001.ASF", 13, "", 0, 0, int(size), 0), kStatusExists);
  EXPECT_EQ(driver.Bulk_OUT(const_cast<char*>("0123456789"), 10), 0) << "no upload takes the body";
  EXPECT_EQ(Names(), (std::vector<std::string>{".", "..", "dcam0001.asf"}));
  EXPECT_EQ(Slurp("M/dcam0001.asf"), "old");
  EXPECT_EQ(Del("DCAM0001.ASF"), kStatusOk);  // the program's way to replace it
  EXPECT_EQ(Named(REQ_WRITE_FILE, "DCAM0001.ASF", 13, "", 0, 0, int(size), 0), kStatusOk);
  EXPECT_EQ(driver.Bulk_OUT(const_cast<char*>("0123456789ABCDEF"), 16), 10) << "only the announced size";
  EXPECT_EQ(Names(), (std::vector<std::string>{".", "..", "DCAM0001.ASF"}));
  EXPECT_EQ(Slurp("M/DCAM0001.ASF"), "0123456789");
}

TEST_F(StorageTest, DownloadEndsWithAnEmptyReadAfterAWholeBlock) {
  std::string body(32768, 'k');
  body[0] = 'A';
  body.back() = 'Z';
  Put("F/DCAM0001.JPG", body);
  Put("F/DCAM0002.JPG", std::string(100, 'm'));
  Cd("F");
  std::vector<int> reads;
  EXPECT_EQ(Download("dcam0001.JPG", 32768, &reads), body);
  EXPECT_EQ(reads, (std::vector<int>{16384, 16384, 0}));
  EXPECT_EQ(Status(), kStatusOk);
  // One read of the whole file (the preview's way), then nothing more.
  Named(REQ_READ_FILE, "DCAM0002.JPG", 13);
  std::vector<char> whole(100);
  EXPECT_EQ(driver.Bulk_IN(whole.data(), 100), 100);
  EXPECT_EQ(driver.Bulk_IN(whole.data(), 100), 0);
  EXPECT_NE(Named(REQ_READ_FILE, "NOSUCH.JPG", 13), kStatusOk);
  EXPECT_EQ(driver.Bulk_IN(whole.data(), 100), 0) << "a failed read leaves nothing on the pipe";
}

class SmallStickTest : public CamsimTest {
 protected:
  SmallStickTest() : CamsimTest(4 * kClusterSize) {}
};

TEST_F(SmallStickTest, CapacityCountsClustersAndRefusesWritesThatDoNotFit) {
  uint8_t cap[8];
  auto capacity = [&](uint32_t& freeBytes, uint32_t& total) {
    ASSERT_NE(driver.Vendor_Read(REQ_GET_CAPACITY, 0, 0, 8, cap), 0);
    freeBytes = uint32_t(cap[0] | cap[1] << 8 | cap[2] << 16 | cap[3] << 24);
    total = uint32_t(cap[4] | cap[5] << 8 | cap[6] << 16 | uint32_t(cap[7]) << 24);
  };
  uint32_t freeBytes = 0, total = 0;
  capacity(freeBytes, total);
  EXPECT_EQ(total, 4 * kClusterSize);
  EXPECT_EQ(freeBytes, total);
  Put("F/ONE00001.JPG", "1");  // one cluster for the folder, one for the file
  capacity(freeBytes, total);
  EXPECT_EQ(freeBytes, 2 * kClusterSize);
  Cd("F");
  std::vector<int> blocks;
  EXPECT_NE(Upload("BIG00001.JPG", std::string(3 * kClusterSize, 'b'), 0, &blocks), kStatusOk);
  EXPECT_EQ(blocks.front(), 0) << "the body is not taken";
  EXPECT_FALSE(fs::exists(Stick() / "F/BIG00001.JPG"));
  EXPECT_EQ(Upload("FIT00001.JPG", std::string(2 * kClusterSize, 'b'), 0), kStatusOk);
  capacity(freeBytes, total);
  EXPECT_EQ(freeBytes, 0u);
  Put("F/HOST.BIN", std::string(3 * kClusterSize, 'h'));  // the host overfills the stick
  capacity(freeBytes, total);
  EXPECT_EQ(freeBytes, 0u) << "free never goes below zero";
}

TEST_F(StorageTest, FormatEmptiesTheStickFolderOnly) {
  TempStick outside;
  std::ofstream(outside.Path() / "KEEP.JPG") << "keep";
  Put("DCIM/100QXCAM/DCAM0001.JPG");
  fs::create_directory_symlink(outside.Path(), Stick() / "DCIM/OUT");
  Cd("DCIM");
  uint8_t none = 0;
  ASSERT_NE(driver.Vendor_Write(REQ_FORMAT, 0, 0, 0, &none), 0);
  EXPECT_EQ(Status(), kStatusOk);
  EXPECT_TRUE(fs::exists(Stick()));
  EXPECT_TRUE(fs::is_empty(Stick()));
  EXPECT_TRUE(fs::exists(outside.Path() / "KEEP.JPG"));
  EXPECT_TRUE(List().empty()) << "back at the root after a format";
}

TEST_F(StorageTest, MediaStatusAndReadyFollowTheStick) {
  auto media = [&]() {
    std::vector<uint8_t> m(5, 0xEE);
    EXPECT_NE(driver.Vendor_Read(REQ_MEDIA_STATUS, 0, 0, 5, m.data()), 0);
    return std::vector<int>{m[0], m[2], m[3], m[4]};
  };
  auto ready = [&]() {
    uint8_t r = 0xEE;
    EXPECT_NE(driver.Vendor_Read(REQ_MEDIA_READY, 0, 0, 1, &r), 0);
    return r;
  };
  EXPECT_EQ(media(), (std::vector<int>{1, 0, 0, 1}));
  EXPECT_NE(ready(), 0);
  Ctl("protect on");
  EXPECT_EQ(media(), (std::vector<int>{1, 0, 1, 1}));
  Ctl("stick unformatted");
  EXPECT_EQ(media(), (std::vector<int>{1, '#', 1, 1}));
  EXPECT_EQ(ready(), 0);
  Ctl("stick unsupported");
  EXPECT_EQ(media(), (std::vector<int>{1, '%', 1, 1}));
  Ctl("eject");
  EXPECT_EQ(media()[3], 0);
  EXPECT_EQ(ready(), 0);
}

TEST_F(StorageTest, FormatMakesAnUnformattedStickUsableButNotAnUnsupportedOne) {
  Put("JUNK.TXT");
  Ctl("stick unformatted");
  EXPECT_NE(Mkdir("DCIM"), kStatusOk);
  uint8_t none = 0;
  driver.Vendor_Write(REQ_FORMAT, 0, 0, 0, &none);
  EXPECT_EQ(Status(), kStatusOk);
  EXPECT_EQ(Mkdir("DCIM"), kStatusOk);
  Ctl("stick unsupported");
  driver.Vendor_Write(REQ_FORMAT, 0, 0, 0, &none);
  EXPECT_NE(Status(), kStatusOk);
  EXPECT_TRUE(fs::exists(Stick() / "DCIM"));
}

TEST(FatTimeTest, PacksAndUnpacksLocalTime) {
  time_t t = LocalTime(2003, 9, 17, 10, 25);
  EXPECT_EQ(PackFatTime(t), 0x2F315320u);
  EXPECT_EQ(UnpackFatTime(0x2F315320u), t);
  EXPECT_FALSE(UnpackFatTime(0).has_value()) << "month and day 0";
  EXPECT_FALSE(UnpackFatTime(PackFatTime(LocalTime(2003, 2, 28, 0, 0)) + (3u << 16)).has_value()) << "31 February";
  EXPECT_EQ(PackFatTime(LocalTime(1975, 5, 5, 5, 5)) >> 16, (1u << 5) | 1u) << "before 1980: its first day";
}

TEST_F(StorageTest, ReadingTheStatusMakesItTheLastRequest) {
  uint8_t dummy = 0;
  ASSERT_NE(driver.Vendor_Write(REQ_LIST_DIR, 0, 0, 0, &dummy), 0);
  EXPECT_EQ(Status(), kStatusListed);
  EXPECT_EQ(Status(), kStatusOk) << "a readiness check after a listing sees the status read's own success";
  EXPECT_EQ(Cd("NOSUCH"), kStatusNotFound);
  EXPECT_EQ(Status(), kStatusOk);
  uint8_t ready = 0;
  ASSERT_NE(driver.Vendor_Read(REQ_MEDIA_READY, 0, 0, 1, &ready), 0);
  EXPECT_EQ(Status(), kStatusOk);
}

}  // namespace
}  // namespace camsim_test
