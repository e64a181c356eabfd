// The daemon serves one camera: one session at a time, as a USB interface is
// claimed by one program. A second program is told the camera is busy and
// changes nothing for the program that holds it.
#include "tests/camsim/DaemonFixture.h"

namespace camsim_daemon_test {
namespace {

class SessionTest : public DaemonTest {
 protected:
  void SetUp() override {
    fs::create_directories(StickDir() / "DCIM/100QXCAM");
    fs::create_directories(StickDir() / "DCIM/101QXCAM");
    fs::create_directories(StickDir() / "QXMOV/100QXMSC");
    std::ofstream(StickDir() / "DCIM/100QXCAM/DCAM0001.JPG") << "in 100";
    std::ofstream(StickDir() / "DCIM/101QXCAM/DCAM0001.JPG") << "in 101";
    Start({});
    ASSERT_TRUE(WaitForSocket()) << Log();
  }
  void TearDown() override {
    EXPECT_EQ(Stop(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(Socket()));
  }

  // The holder's request, then its status byte.
  static int Done(WireClient& c, uint8_t request, const std::string& field, uint32_t length) {
    return c.Write(request, field, length) == 1 ? c.Status() : -1;
  }
};

TEST_F(SessionTest, ASecondOpenIsBusyUntilTheFirstClosesOrItsConnectionEnds) {
  auto holder = std::make_unique<WireClient>(Socket());
  auto second = std::make_unique<WireClient>(Socket());
  ASSERT_EQ(holder->Open(), 1);
  EXPECT_EQ(second->Open(), simwire::kOpenBusy);
  EXPECT_EQ(second->Status(), -1) << "a refused open gives no session";
  EXPECT_EQ(holder->Close(), 1);
  ASSERT_EQ(second->Open(), 1) << "free as soon as the holder closed";
  EXPECT_EQ(holder->Open(), simwire::kOpenBusy);

  // A program that dies holding the camera gives it back with its connection.
  second = std::make_unique<WireClient>(Socket());
  EXPECT_TRUE(WaitUntil([&] { return holder->Open() == 1; })) << Log();
  std::string out;
  EXPECT_EQ(Ctl("status", &out), 0);
  EXPECT_NE(out.find("1 open session(s)"), std::string::npos) << out;

  // Unplugged, the camera is absent, not busy; plugged back, the old session is dead.
  EXPECT_EQ(Ctl("unplug"), 0);
  EXPECT_EQ(second->Open(), 0);
  EXPECT_EQ(Ctl("plug"), 0);
  ASSERT_EQ(second->Open(), 1);
  EXPECT_EQ(holder->Status(), -1);
}

TEST_F(SessionTest, OrinCamWhileAnotherProgramBrowsesSaysBusyAndLeavesItsFolder) {
  WireClient window(Socket());
  ASSERT_EQ(window.Open(), 1);
  ASSERT_EQ(window.Call(simwire::OP_VENDOR_WRITE, REQ_SET_MODE, kModeStorage, 0, 0, nullptr), 1);
  ASSERT_EQ(Done(window, REQ_CHANGE_DIR, "DCIM", 9), kStatusOk);
  ASSERT_EQ(Done(window, REQ_CHANGE_DIR, "100QXCAM", 9), kStatusOk);

  std::string out;
  EXPECT_EQ(OrinCam("ls DCIM/101QXCAM", &out), 3);
  EXPECT_EQ(out, "orin-cam: the camera is busy: another program is using it\n");
  EXPECT_EQ(OrinCam("rm DCIM/101QXCAM/DCAM0001.JPG", &out), 3) << out;

  // The window's Delete acts in the folder the window shows.
  ASSERT_EQ(Done(window, REQ_DELETE, "DCAM0001.JPG", 13), kStatusOk);
  EXPECT_FALSE(fs::exists(StickDir() / "DCIM/100QXCAM/DCAM0001.JPG"));
  EXPECT_TRUE(fs::exists(StickDir() / "DCIM/101QXCAM/DCAM0001.JPG"));
  EXPECT_EQ(window.Close(), 1);

  EXPECT_EQ(OrinCam("ls DCIM/101QXCAM", &out), 0) << out;
  EXPECT_NE(out.find("DCAM0001.JPG"), std::string::npos) << out;
}

TEST_F(SessionTest, OrinCamDuringTheLivePreviewLeavesTheStreamRunning) {
  WireClient window(Socket());
  ASSERT_EQ(window.Open(), 1);
  ASSERT_EQ(window.Call(simwire::OP_VENDOR_WRITE, REQ_SET_MODE, kModeCamera, 0, 0, nullptr), 1);
  ASSERT_EQ(window.Call(simwire::OP_VENDOR_WRITE, REQ_STREAM_START, 0, 0, 0, nullptr), 1);
  // Answers the length of the next block the camera announces (0: the stream is over).
  auto nextBlock = [&]() -> int64_t {
    for (;;) {
      std::vector<uint8_t> d;
      if (window.Call(simwire::OP_VENDOR_READ, REQ_STREAM_POLL, 0, 0, 5, nullptr, &d) != 1 || d.size() != 5) return -1;
      if (d[0] == 0) continue;
      const uint32_t length = uint32_t(d[1] | d[2] << 8 | d[3] << 16 | uint32_t(d[4]) << 24);
      if (length >= 50 && window.BulkIn(length).size() != length) return -1;
      return length;
    }
  };
  ASSERT_EQ(nextBlock(), 671) << "the stream header";
  ASSERT_GE(nextBlock(), 50);

  std::string out;
  EXPECT_EQ(OrinCam("ls", &out), 3);
  EXPECT_NE(out.find("busy"), std::string::npos) << out;
  EXPECT_EQ(OrinCam("info", &out), 3);
  EXPECT_NE(out.find("busy"), std::string::npos) << out;

  for (int i = 0; i < 3; ++i) EXPECT_GE(nextBlock(), 50) << "block " << i << " after orin-cam";
}

}  // namespace
}  // namespace camsim_daemon_test
