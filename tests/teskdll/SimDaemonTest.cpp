// libTeskDll.so's sim backend against the real orin-camsim daemon process: a
// download and an upload over the socket, an unplug and replug through the
// daemon's control operation, and the daemon dying under an open session.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"
#include "platform/teskdll/TeskDll.h"

#ifndef CAMSIM_DAEMON
#error "CAMSIM_DAEMON names the orin-camsim binary"
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

constexpr int REQ_SET_MODE = 0x44;
constexpr int REQ_READ_FILE = 0x59;
constexpr int REQ_WRITE_FILE = 0x58;
constexpr int REQ_GET_STATUS = 0x61;

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 29 + (i >> 8));
  return b;
}

Bytes NameField(const char* name) {
  Bytes field(13, 0);
  std::memcpy(field.data(), name, std::strlen(name));
  return field;
}

class SimDaemonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/teskdll-daemon-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    stick_ = dir_ / "stick";
    fs::create_directories(stick_);
    socket_ = (dir_ / "cam.sock").string();
    pid_ = fork();
    if (pid_ == 0) {
      const std::string log = (dir_ / "camsim.log").string();
      if (!freopen(log.c_str(), "w", stderr)) _exit(126);
      execl(CAMSIM_DAEMON, CAMSIM_DAEMON, "--socket", socket_.c_str(), "--stick", stick_.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 3000; ++i) {  // until it takes connections (30 s only if stuck)
      const int fd = simwire::ConnectUnix(socket_);
      if (fd >= 0) {
        close(fd);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(Control("speed unlimited")) << "orin-camsim did not start";
    setenv("ORIN_CAMERA", ("sim:" + socket_).c_str(), 1);
  }
  void TearDown() override {
    Device_Close();
    StopDaemon();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void StopDaemon() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  // One orin-camsim-ctl command on a side connection; true when done.
  bool Control(const std::string& command) {
    const int fd = simwire::ConnectUnix(socket_);
    if (fd < 0) return false;
    simwire::SimRequest r{};
    r.op = simwire::OP_CONTROL;
    r.length = static_cast<uint32_t>(command.size());
    std::string frame(reinterpret_cast<const char*>(&r), sizeof r);
    frame += command;
    simwire::SimReply reply{};
    std::string text;
    bool ok = simwire::SendAll(fd, frame.data(), frame.size()) &&
              simwire::RecvAll(fd, &reply, sizeof reply) && reply.dataLength < 4096;
    if (ok) {
      text.resize(reply.dataLength);
      ok = simwire::RecvAll(fd, text.data(), text.size());
    }
    close(fd);
    return ok && reply.result != 0;
  }

  // Open and switch to storage mode.
  void OpenStorage() {
    ASSERT_NE(Device_Open(), 0);
    unsigned char none = 0;
    ASSERT_EQ(Vendor_Write(REQ_SET_MODE, 1, 0, 0, &none), 1);
  }

  unsigned char Status() {
    unsigned char status = 0xEE;
    EXPECT_EQ(Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &status), 1);
    return status;
  }

  fs::path dir_, stick_;
  std::string socket_;
  pid_t pid_ = -1;
};

TEST_F(SimDaemonTest, DownloadsAFileInBlocksOf16384) {
  const Bytes body = Pattern(2 * 16384 + 1000);
  std::ofstream(stick_ / "MOV00001.ASF", std::ios::binary)
      .write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
  OpenStorage();
  Bytes name = NameField("MOV00001.ASF");
  ASSERT_EQ(Vendor_Write(REQ_READ_FILE, 0, 0, 13, name.data()), 1);
  EXPECT_EQ(Status(), 0);
  Bytes got, block(16384);
  std::vector<int> counts;
  for (;;) {
    const int n = Bulk_IN(block.data(), 16384);
    counts.push_back(n);
    got.insert(got.end(), block.begin(), block.begin() + std::max(n, 0));
    if (n < 16384) break;
  }
  EXPECT_EQ(counts, (std::vector<int>{16384, 16384, 1000}));
  EXPECT_EQ(got, body);
}

TEST_F(SimDaemonTest, UploadsAFileWithBulkOutAndAnEmptyLastBlock) {
  OpenStorage();
  const Bytes body = Pattern(16384);
  Bytes header = NameField("UP000001.JPG");
  header.resize(17, 0);  // then a timestamp of 4 bytes: 2003-09-17 10:25
  const unsigned char stamp[4] = {0x20, 0x53, 0x31, 0x2F};
  std::memcpy(header.data() + 13, stamp, 4);
  ASSERT_EQ(Vendor_Write(REQ_WRITE_FILE, static_cast<int>(body.size() & 0xFFFF),
                         static_cast<int>(body.size() >> 16), 17, header.data()),
            1);
  EXPECT_EQ(Status(), 0);
  Bytes copy = body;
  EXPECT_EQ(Bulk_OUT(copy.data(), 16384), 16384);
  EXPECT_EQ(Bulk_OUT(copy.data(), 0), 0);
  Device_Close();
  std::ifstream in(stick_ / "UP000001.JPG", std::ios::binary);
  ASSERT_TRUE(in.good());
  const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, body);
}

TEST_F(SimDaemonTest, UnplugFailsTheSessionAndReplugOpensAgain) {
  OpenStorage();
  EXPECT_EQ(Status(), 0);
  ASSERT_TRUE(Control("unplug"));
  unsigned char b[16] = {};
  EXPECT_EQ(Vendor_Read(REQ_GET_STATUS, 0, 0, 1, b), 0);
  EXPECT_EQ(Vendor_Write(REQ_SET_MODE, 1, 0, 0, b), 0);
  EXPECT_EQ(Bulk_IN(b, 16), 0);
  EXPECT_EQ(Device_Open(), 0);  // no camera plugged
  ASSERT_TRUE(Control("plug"));
  OpenStorage();
  EXPECT_EQ(Status(), 0);
}

TEST_F(SimDaemonTest, DaemonDyingUnderAnOpenSessionFailsEveryTransfer) {
  OpenStorage();
  StopDaemon();
  Bytes big(1 << 20);
  EXPECT_EQ(Bulk_OUT(big.data(), static_cast<int>(big.size())), 0);
  EXPECT_EQ(Vendor_Read(REQ_GET_STATUS, 0, 0, 1, big.data()), 0);
  EXPECT_EQ(Bulk_IN(big.data(), 16384), 0);
  Device_Close();
  EXPECT_EQ(Device_Open(), 0);  // nothing listens any more
}

}  // namespace
