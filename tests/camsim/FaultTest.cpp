// Fault injection, sessions across unplug, stick states and the camera-mode requests.
#include "tests/camsim/CamsimFixture.h"

namespace camsim_test {
namespace {

class FaultTest : public CamsimTest {};

TEST_F(FaultTest, OneSessionAtATimeAndUnplugKillsItUntilTheClientOpensAgain) {
  Put("DCIM/X.JPG");
  SimDriver other(driver.Model());
  bool busy = false;
  EXPECT_EQ(other.Model().Open(&busy), 0) << "the camera serves one program";
  EXPECT_TRUE(busy);
  ASSERT_EQ(Cd("DCIM"), kStatusOk);
  Ctl("unplug");
  uint8_t s = 0;
  EXPECT_EQ(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
  EXPECT_EQ(other.Device_Open(), 0) << "nothing to open while unplugged";
  EXPECT_EQ(other.Model().Open(&busy), 0);
  EXPECT_FALSE(busy) << "absent, not busy";
  Ctl("plug");
  EXPECT_EQ(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0) << "an old handle stays dead after plug";
  ASSERT_NE(other.Device_Open(), 0) << "the dead session no longer holds the camera";
  EXPECT_EQ(driver.Bulk_IN(&s, 1), 0);
  EXPECT_EQ(other.Model().Open(&busy), 0);
  EXPECT_TRUE(busy);
  other.Device_Close();
  ASSERT_NE(driver.Device_Open(), 0) << "free again once closed";
  EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
}

TEST_F(FaultTest, UnplugDuringADownloadAndAnUploadEndsBoth) {
  Put("F/BIG00001.JPG", std::string(50000, 'b'));
  Cd("F");
  Named(REQ_READ_FILE, "BIG00001.JPG", 13);
  std::vector<char> buf(16384);
  EXPECT_EQ(driver.Bulk_IN(buf.data(), 16384), 16384);
  Named(REQ_WRITE_FILE, "NEW00001.JPG", 13, "", 0, 0, 20000, 0);
  Ctl("unplug");
  Ctl("plug");
  ASSERT_NE(driver.Device_Open(), 0);
  EXPECT_EQ(driver.Bulk_IN(buf.data(), 16384), 0) << "the rebooted camera has nothing waiting";
  EXPECT_EQ(driver.Bulk_OUT(buf.data(), 16384), 0);
  EXPECT_FALSE(fs::exists(Stick() / "F/NEW00001.JPG"));
  EXPECT_EQ(Names(), std::vector<std::string>{"F"}) << "back at the root after the reboot";
}

TEST_F(FaultTest, FailNextFailsExactlyThatManyControlTransfers) {
  Ctl("fail-next 2");
  uint8_t s = 0;
  EXPECT_EQ(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
  EXPECT_EQ(driver.Vendor_Write(REQ_LIST_DIR, 0, 0, 0, &s), 0);
  EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
}

TEST_F(FaultTest, FailAtFailsExactlyTheKthControlTransferFromNowAndNothingElse) {
  Put("DCIM/X.JPG");
  Ctl("fail-at 3");
  uint8_t s = 0;
  EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
  EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
  uint8_t field[9] = "DCIM";
  EXPECT_EQ(driver.Vendor_Write(REQ_CHANGE_DIR, 0, 0, 9, field), 0) << "the third one fails";
  EXPECT_EQ(Names(), std::vector<std::string>{"DCIM"}) << "the failed request was not carried out";
  EXPECT_EQ(Cd("DCIM"), kStatusOk) << "once only";
  std::string reply;
  ASSERT_TRUE(driver.Model().Control("count", reply));
  EXPECT_EQ(reply, "control 7, bulk 2") << "failed transfers count too";
}

TEST_F(FaultTest, FailBulkAtMovesNoneOrPartOfOneBulkTransfer) {
  Put("F/DCAM0001.JPG", std::string(40000, 'f'));
  Cd("F");
  Ctl("fail-bulk-at 2");
  std::vector<int> reads;
  EXPECT_EQ(Download("DCAM0001.JPG", 40000, &reads).size(), 16384u);
  EXPECT_EQ(reads, (std::vector<int>{16384, 0})) << "the second read delivers nothing";
  Ctl("fail-bulk-at 1 100");
  reads.clear();
  EXPECT_EQ(Download("DCAM0001.JPG", 40000, &reads).size(), 100u);
  EXPECT_EQ(Download("DCAM0001.JPG", 40000).size(), 40000u) << "the next download is whole";

  Ctl("fail-bulk-at 2 1000");
  std::vector<int> blocks;
  Upload("NEW00001.JPG", std::string(20000, 'n'), 0, &blocks);
  EXPECT_EQ(blocks, (std::vector<int>{16384, 1000}));
  EXPECT_EQ(Status(), kStatusOk) << "the next request drops the incomplete upload";
  EXPECT_EQ(Names(), (std::vector<std::string>{".", "..", "DCAM0001.JPG"})) << "nothing partial appears";
  EXPECT_EQ(Upload("NEW00001.JPG", std::string(20000, 'n'), 0), kStatusOk);
  EXPECT_EQ(Slurp("F/NEW00001.JPG"), std::string(20000, 'n'));
}

TEST_F(FaultTest, UnplugAtAControlOrBulkTransferLeavesTheCameraUnpluggedUntilPlug) {
  Put("F/DCAM0001.JPG", std::string(40000, 'f'));
  Ctl("unplug-at 2");
  uint8_t s = 0;
  EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
  EXPECT_EQ(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
  EXPECT_EQ(driver.Device_Open(), 0) << "still unplugged";
  Ctl("plug");
  ASSERT_NE(driver.Device_Open(), 0);
  Cd("F");
  Ctl("unplug-at-bulk 3");
  std::vector<int> reads;
  Download("DCAM0001.JPG", 40000, &reads);
  EXPECT_EQ(reads, (std::vector<int>{16384, 16384, 0}));
  EXPECT_EQ(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
  std::string reply;
  ASSERT_TRUE(driver.Model().Control("status", reply));
  EXPECT_NE(reply.find("unplugged"), std::string::npos) << reply;
}

TEST_F(FaultTest, CountAndTraceTellEveryTransferSinceTheReset) {
  Put("F/DCAM0001.JPG", std::string(16384, 'f'));
  Ctl("count reset");
  Cd("F");
  Download("DCAM0001.JPG", 16384);
  Upload("NEW00001.JPG", "abc", 0);
  std::string reply;
  ASSERT_TRUE(driver.Model().Control("count", reply));
  EXPECT_EQ(reply, "control 6, bulk 3");
  ASSERT_TRUE(driver.Model().Control("trace", reply));
  EXPECT_EQ(reply,
            "control 1 write REQ_CHANGE_DIR value 0x00\n"
            "control 2 read REQ_GET_STATUS value 0x00\n"
            "control 3 write REQ_READ_FILE value 0x00\n"
            "control 4 read REQ_GET_STATUS value 0x00\n"
            "bulk 1 in 16384 16384\n"
            "bulk 2 in 0 0\n"
            "control 5 write REQ_WRITE_FILE value 0x03\n"
            "control 6 read REQ_GET_STATUS value 0x00\n"
            "bulk 3 out 3 3");
  Ctl("count reset");
  ASSERT_TRUE(driver.Model().Control("trace", reply));
  EXPECT_EQ(reply, "");
  Ctl("fail-at 1");
  Ctl("fail-at 0");
  EXPECT_EQ(Cd("\\"), kStatusOk) << "K 0 took the fault back";
  for (const char* bad : {"fail-at", "fail-at -1", "fail-at x", "fail-at 1 2", "unplug-at-bulk 1 5", "fail-bulk-at 1 -3",
                          "count now"})
    EXPECT_FALSE(driver.Model().Control(bad, reply)) << bad;
}

TEST_F(FaultTest, AnUploadWaitingForItsBodyEndsWithItsSession) {
  Put("F/DCAM0001.JPG");
  Cd("F");
  uint8_t field[17] = "NEW00001.JPG";
  ASSERT_NE(driver.Vendor_Write(REQ_WRITE_FILE, 20000, 0, 17, field), 0);
  char block[16384] = {};
  ASSERT_EQ(driver.Bulk_OUT(block, 16384), 16384);
  ASSERT_FALSE(fs::is_empty(Stick() / "F" / ".camsim-upload"));
  driver.Device_Close();
  EXPECT_EQ(std::distance(fs::directory_iterator(Stick() / "F"), fs::directory_iterator()), 1)
      << "only DCAM0001.JPG: no trace of the upload";
}

TEST_F(FaultTest, ExamineHoldsByteZeroForTheNextReads) {
  Ctl("examine 3");
  uint8_t m[5];
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(driver.Vendor_Read(REQ_MEDIA_STATUS, 0, 0, 5, m), 0);
    EXPECT_EQ(m[0], 0) << i;
  }
  ASSERT_NE(driver.Vendor_Read(REQ_MEDIA_STATUS, 0, 0, 5, m), 0);
  EXPECT_EQ(m[0], 1);
}

TEST_F(FaultTest, InjectedStatusAnswersOnceAndTheFailedRequestDoesNothing) {
  Ctl("status 0x23 REQ_MAKE_DIR");
  EXPECT_EQ(Mkdir("DCIM"), 0x23);
  EXPECT_FALSE(fs::exists(Stick() / "DCIM"));
  EXPECT_EQ(Mkdir("DCIM"), kStatusOk) << "only the next one";
  Ctl("status 1 0x52");  // 1 is a failure for anything but a listing
  EXPECT_EQ(Cd("DCIM"), 1);
  EXPECT_EQ(Names(), std::vector<std::string>{"DCIM"});
  Ctl("status 36 83");
  uint8_t status = 0;
  EXPECT_TRUE(List(&status).empty()) << "a failed listing sends no records";
  EXPECT_EQ(status, 0x24);
  Ctl("status 0x23 REQ_GET_STATUS");
  EXPECT_EQ(Status(), 0x23);
  std::string reply;
  EXPECT_FALSE(driver.Model().Control("status 0x123 REQ_MAKE_DIR", reply));
  EXPECT_FALSE(driver.Model().Control("status 5 NOT_A_REQUEST", reply));
  EXPECT_FALSE(driver.Model().Control("fail-next many", reply));
  EXPECT_FALSE(driver.Model().Control("protect maybe", reply));
  EXPECT_FALSE(driver.Model().Control("", reply));
}

TEST_F(FaultTest, ShortBulkCutsTheNextListingOrFileReadOnly) {
  Put("F/DCAM0001.JPG", std::string(16384, 'f'));
  Cd("F");
  Ctl("short-bulk");
  EXPECT_EQ(Names(), std::vector<std::string>{}) << "the first 32-byte read comes back short";
  EXPECT_EQ(Names().size(), 3u);
  Ctl("short-bulk");
  EXPECT_EQ(Download("DCAM0001.JPG", 16384).size(), 8192u);
  EXPECT_EQ(Download("DCAM0001.JPG", 16384).size(), 16384u);
}

TEST_F(FaultTest, WithoutAUsableStickStorageRequestsFail) {
  Put("DCIM/100QXCAM/DCAM0001.JPG");
  Cd("DCIM");
  Ctl("eject");
  uint8_t status = 0;
  EXPECT_TRUE(List(&status).empty());
  EXPECT_NE(status, kStatusListed);
  EXPECT_NE(Cd("100QXCAM"), kStatusOk);
  Ctl("insert");
  EXPECT_EQ(Names(), std::vector<std::string>{"DCIM"}) << "a stick put back starts at the root";
  Ctl("stick unformatted");
  EXPECT_NE(Cd("DCIM"), kStatusOk);
  EXPECT_NE(Named(REQ_READ_FILE, "DCAM0001.JPG", 13), kStatusOk);
  uint8_t cap[8];
  ASSERT_NE(driver.Vendor_Read(REQ_GET_CAPACITY, 0, 0, 8, cap), 0);
  EXPECT_NE(Status(), kStatusOk);
  EXPECT_TRUE(fs::exists(Stick() / "DCIM/100QXCAM/DCAM0001.JPG"));
}

TEST_F(FaultTest, WriteProtectionRefusesChangesButNotReads) {
  Put("F/DCAM0001.JPG", "data");
  Ctl("protect on");
  EXPECT_NE(Mkdir("DCIM"), kStatusOk);
  ASSERT_EQ(Cd("F"), kStatusOk);
  EXPECT_NE(Del("DCAM0001.JPG"), kStatusOk);
  EXPECT_NE(Ren("DCAM0001.JPG", "DCAM0002.JPG"), kStatusOk);
  EXPECT_NE(Upload("DCAM0003.JPG", "abc", 0), kStatusOk);
  uint8_t none = 0;
  driver.Vendor_Write(REQ_FORMAT, 0, 0, 0, &none);
  EXPECT_NE(Status(), kStatusOk);
  EXPECT_EQ(Download("DCAM0001.JPG", 4), "data");
  EXPECT_EQ(Names(), (std::vector<std::string>{".", "..", "DCAM0001.JPG"}));
  Ctl("protect off");
  EXPECT_EQ(Del("DCAM0001.JPG"), kStatusOk);
}

TEST_F(FaultTest, UnknownRequestsStallAndMalformedOnesFail) {
  uint8_t buf[4] = {};
  EXPECT_EQ(driver.Vendor_Write(0x7A, 0, 0, 0, buf), 0);
  EXPECT_EQ(driver.Vendor_Read(REQ_LIST_DIR, 0, 0, 1, buf), 0) << "wrong direction";
  EXPECT_NE(driver.Vendor_Write(REQ_CHANGE_DIR, 0, 0, 4, buf), 0);
  EXPECT_EQ(Status(), kStatusRefused) << "wrong length";
  EXPECT_NE(driver.Vendor_Write(REQ_SET_MODE, 7, 0, 0, buf), 0);
  EXPECT_EQ(Status(), kStatusRefused);
}

TEST_F(FaultTest, CameraModeRequestsAnswerOnlyInCameraMode) {
  uint8_t none = 0, poll[5];
  EXPECT_NE(driver.Vendor_Write(REQ_STREAM_START, 0, 0, 0, &none), 0);
  EXPECT_NE(Status(), kStatusOk) << "no stream outside camera mode";
  ASSERT_NE(driver.Vendor_Read(REQ_STREAM_POLL, 0, 0, 5, poll), 0);
  EXPECT_EQ(std::vector<uint8_t>(poll, poll + 5), (std::vector<uint8_t>{1, 0, 0, 0, 0})) << "stream over";

  driver.Vendor_Write(REQ_SET_MODE, kModeCamera, 0, 0, &none);
  EXPECT_EQ(Status(), kStatusOk);
  uint8_t videoMode = 0;
  ASSERT_NE(driver.Vendor_Read(REQ_GET_VIDEO_MODE, 0, 0, 1, &videoMode), 0);
  EXPECT_EQ(videoMode, 1);
  driver.Vendor_Write(REQ_STREAM_START, 0, 0, 0, &none);
  EXPECT_EQ(Status(), kStatusOk);
  ASSERT_NE(driver.Vendor_Read(REQ_STREAM_POLL, 0, 0, 5, poll), 0);
  EXPECT_EQ(std::vector<uint8_t>(poll, poll + 5), (std::vector<uint8_t>{1, 0x9F, 0x02, 0, 0})) << "the header waits";
  uint8_t block[64];
  EXPECT_EQ(driver.Bulk_IN(block, 64), 64);
  driver.Vendor_Write(REQ_STREAM_STOP, 0, 0, 0, &none);
  EXPECT_EQ(driver.Bulk_IN(block, 64), 0) << "a stopped stream drops the rest";
  driver.Vendor_Write(REQ_STILL_CAPTURE, 0, 0, 0, &none);
  ASSERT_NE(driver.Vendor_Read(REQ_STILL_POLL, 0, 0, 5, poll), 0);
  EXPECT_EQ(poll[0], 0) << "a still is not ready at the first poll";

  driver.Vendor_Write(REQ_SET_MODE, kModeStorage, 0, 0, &none);
  ASSERT_NE(driver.Vendor_Read(REQ_STREAM_POLL, 0, 0, 5, poll), 0);
  EXPECT_EQ(std::vector<uint8_t>(poll, poll + 5), (std::vector<uint8_t>{1, 0, 0, 0, 0})) << "left camera mode";
}

TEST(SpeedTest, BulkDataIsThrottledThroughTheSleepHook) {
  TempStick stick;
  std::ofstream(stick.Path() / "BIG.BIN") << std::string(1000000, 'b');
  std::ofstream(stick.Path() / "FILE.JPG") << std::string(1000000, 'b');
  std::chrono::microseconds slept{0};
  ModelOptions o;
  o.stick = stick.Path();
  o.sleep = [&](std::chrono::microseconds d) { slept += d; };
  SimDriver driver(std::move(o));
  ASSERT_NE(driver.Device_Open(), 0);
  auto readAll = [&]() {
    uint8_t field[13] = "FILE.JPG";
    driver.Vendor_Write(REQ_READ_FILE, 0, 0, 13, field);
    std::vector<char> buf(16384);
    slept = std::chrono::microseconds(0);
    while (driver.Bulk_IN(buf.data(), 16384) > 0) {
    }
    return slept.count();
  };
  std::string reply;
  ASSERT_TRUE(driver.Model().Control("speed full", reply));
  EXPECT_NEAR(readAll(), 1000000, 20000) << "about 1 MB/s";
  ASSERT_TRUE(driver.Model().Control("speed high", reply));
  EXPECT_NEAR(readAll(), 1000000 / 35, 2000) << "about 35 MB/s";
  ASSERT_TRUE(driver.Model().Control("speed unlimited", reply));
  EXPECT_EQ(readAll(), 0);
}

TEST(StatusReportTest, DescribesTheCamera) {
  TempStick stick;
  SimDriver driver(stick.Path());
  std::string reply;
  driver.Model().Control("protect on", reply);
  ASSERT_TRUE(driver.Model().Control("status", reply));
  EXPECT_NE(reply.find("plugged in"), std::string::npos) << reply;
  EXPECT_NE(reply.find("write-protected"), std::string::npos) << reply;
}

}  // namespace
}  // namespace camsim_test
