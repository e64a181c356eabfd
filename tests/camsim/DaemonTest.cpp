// orin-camsim and orin-camsim-ctl as built, over a real socket.
#include "tests/camsim/DaemonFixture.h"

namespace camsim_daemon_test {
namespace {

TEST_F(DaemonTest, ServesTheSampleStickAndStopsCleanlyOnSigterm) {
  Start();
  ASSERT_TRUE(WaitForSocket()) << Log();
  WireClient c(Socket());
  ASSERT_EQ(c.Open(), 1);
  ASSERT_NE(c.Write(REQ_CHANGE_DIR, "DCIM", 9), 0);
  ASSERT_NE(c.Write(REQ_CHANGE_DIR, "100QXCAM", 9), 0);
  ASSERT_NE(c.Write(REQ_LIST_DIR, "", 0), 0);
  std::vector<std::string> names;
  for (auto r = c.BulkIn(32); r.size() == 32 && r[0] != 0xFF; r = c.BulkIn(32))
    names.push_back(std::string(reinterpret_cast<char*>(r.data()), strnlen(reinterpret_cast<char*>(r.data()), 8)));
  EXPECT_EQ(c.Status(), kStatusListed);
  ASSERT_GE(names.size(), 5u);
  EXPECT_EQ(names[0], ".");
  EXPECT_EQ(names[2], "DCAM0001");

  ASSERT_NE(c.Write(REQ_READ_FILE, "DCAM0001.JPG", 13), 0);
  std::string body;
  for (std::vector<uint8_t> got; (got = c.BulkIn(16384)).size() > 0;) body.append(got.begin(), got.end());
  std::ifstream on(StickDir() / "DCIM/100QXCAM/DCAM0001.JPG", std::ios::binary);
  EXPECT_EQ(body, std::string(std::istreambuf_iterator<char>(on), {}));
  ASSERT_GE(body.size(), 4u);
  EXPECT_EQ(uint8_t(body[0]), 0xFF);
  EXPECT_EQ(uint8_t(body[1]), 0xD8) << "a JPEG picture";
  EXPECT_TRUE(fs::is_directory(StickDir() / "QXMOV/100QXMSC"));
  EXPECT_TRUE(fs::is_directory(StickDir() / "DCIM/101QXCAM"));

  EXPECT_EQ(Stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(Socket()));
  EXPECT_NE(Log().find("REQ_READ_FILE \"DCAM0001.JPG\""), std::string::npos) << Log();
}

TEST_F(DaemonTest, ControlCommandsReachTheCameraWhileAClientIsConnected) {
  Start();
  ASSERT_TRUE(WaitForSocket());
  WireClient c(Socket());
  ASSERT_EQ(c.Open(), 1);
  std::string out;
  EXPECT_EQ(Ctl("unplug", &out), 0) << out;
  EXPECT_EQ(c.Status(), -1) << "the session died with the unplug";
  EXPECT_EQ(c.Open(), 0);
  EXPECT_EQ(Ctl("plug"), 0);
  EXPECT_EQ(c.Status(), -1) << "still dead until opened again";
  ASSERT_EQ(c.Open(), 1);
  EXPECT_EQ(c.Status(), kStatusOk);

  EXPECT_EQ(Ctl("status 0x23 REQ_CHANGE_DIR"), 0);
  c.Write(REQ_CHANGE_DIR, "DCIM", 9);
  EXPECT_EQ(c.Status(), 0x23);
  EXPECT_EQ(Ctl("status", &out), 0);
  EXPECT_NE(out.find("Memory Stick: formatted"), std::string::npos) << out;
  EXPECT_EQ(Ctl("frobnicate", &out), 1);
  EXPECT_NE(out.find("unknown"), std::string::npos) << out;
  EXPECT_EQ(Stop(SIGINT), 0);
  EXPECT_EQ(Ctl("status", &out), 1) << "no daemon answers";
  EXPECT_NE(out.find("no simulator answers"), std::string::npos) << out;
}

TEST_F(DaemonTest, ABrokenPeerIsDroppedAndOthersGoOn) {
  Start();
  ASSERT_TRUE(WaitForSocket());
  WireClient bad(Socket()), good(Socket());
  ASSERT_EQ(good.Open(), 1);
  simwire::SimRequest huge{simwire::OP_BULK_OUT, 0, 0, 0, 0, simwire::kMaxPayload + 1, 0};
  bad.Raw(&huge, sizeof huge);
  EXPECT_EQ(bad.Call(simwire::OP_OPEN, 0, 0, 0, 0, nullptr), -99) << "the daemon hangs up on it";
  simwire::SimRequest odd{99, 0, 0, 0, 0, 0, 0};
  WireClient bad2(Socket());
  bad2.Raw(&odd, sizeof odd);
  EXPECT_EQ(bad2.Call(simwire::OP_OPEN, 0, 0, 0, 0, nullptr), -99);
  EXPECT_EQ(good.Status(), kStatusOk);
  EXPECT_EQ(Stop(SIGTERM), 0);
}

TEST_F(DaemonTest, AStaleSocketIsReplacedButAnyOtherFileIsLeftAlone) {
  {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, Socket().c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(fd);  // the socket file stays behind, with nobody listening
  }
  Start({});
  ASSERT_TRUE(WaitForSocket()) << Log();
  EXPECT_EQ(Stop(SIGTERM), 0);

  std::ofstream(Socket()) << "not a socket";
  Start({});
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
  EXPECT_TRUE(fs::is_regular_file(Socket()));
  EXPECT_NE(Log().find("not a socket"), std::string::npos) << Log();
}

TEST_F(DaemonTest, SampleLeavesAFilledStickAsItIs) {
  fs::create_directories(StickDir());
  std::ofstream(StickDir() / "MINE.TXT") << "mine";
  Start();
  ASSERT_TRUE(WaitForSocket());
  EXPECT_FALSE(fs::exists(StickDir() / "DCIM"));
  EXPECT_TRUE(fs::exists(StickDir() / "MINE.TXT"));
  EXPECT_EQ(Stop(SIGTERM), 0);
}

TEST_F(DaemonTest, StreamsThe352x288PictureInRealTime) {
  Start({"--video", "352x288"});
  ASSERT_TRUE(WaitForSocket());
  WireClient c(Socket());
  ASSERT_EQ(c.Open(), 1);
  ASSERT_EQ(c.Call(simwire::OP_VENDOR_WRITE, REQ_SET_MODE, 0x101, 0, 0, nullptr), 1);
  std::vector<uint8_t> d;
  ASSERT_EQ(c.Call(simwire::OP_VENDOR_READ, REQ_GET_VIDEO_MODE, 0, 0, 1, nullptr, &d), 1);
  EXPECT_EQ(d, std::vector<uint8_t>{0});
  ASSERT_EQ(c.Call(simwire::OP_VENDOR_WRITE, REQ_STREAM_START, 0, 0, 0, nullptr), 1);
  const auto start = std::chrono::steady_clock::now();
  int blocks = 0;
  uint32_t first = 0;
  while (blocks < 16) {  // the header and a second of frames
    ASSERT_EQ(c.Call(simwire::OP_VENDOR_READ, REQ_STREAM_POLL, 0, 0, 5, nullptr, &d), 1);
    ASSERT_EQ(d.size(), 5u);
    if (d[0] == 0) continue;
    const uint32_t length = uint32_t(d[1] | d[2] << 8 | d[3] << 16 | uint32_t(d[4]) << 24);
    if (blocks == 0) first = length;
    EXPECT_EQ(c.BulkIn(length).size(), length);
    ++blocks;
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(first, 671u);
  // Fifteen frames a second: never sooner than their times. A busy machine may
  // deliver them late, so the upper limit only catches a stream far too slow.
  EXPECT_GE(ms.count(), 900) << "fifteen frames a second";
  EXPECT_LT(ms.count(), 10000) << "fifteen frames a second";
}

TEST_F(DaemonTest, AnUnknownFrameSizeIsRefused) {
  Start({"--video", "640x480"});
  int status = 0;
  ASSERT_EQ(waitpid(pid_, &status, 0), pid_);
  pid_ = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

}  // namespace
}  // namespace camsim_daemon_test
