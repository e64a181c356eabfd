// libTeskDll.so's sim backend against a small socket server inside the test,
// which answers SimWire.h frames as each test scripts it, including the ways a
// broken or dying peer can answer.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"
#include "platform/teskdll/TeskDll.h"

namespace {

using simwire::RecvAll;
using simwire::SendAll;
using simwire::SimReply;
using simwire::SimRequest;
using Bytes = std::vector<unsigned char>;

// One request frame as the server received it.
struct Frame {
  int connection;  // 0 for the first accepted connection, 1 for the next...
  SimRequest request;
  Bytes payload;
};

Bytes Pattern(size_t length, unsigned seed) {
  Bytes b(length);
  for (size_t i = 0; i < length; ++i) b[i] = static_cast<unsigned char>(seed + i * 7);
  return b;
}

// The reply frame for `result` and `data`, as bytes.
Bytes ReplyBytes(int32_t result, const Bytes& data = {}) {
  SimReply reply{result, static_cast<uint32_t>(data.size())};
  Bytes out(sizeof reply);
  std::memcpy(out.data(), &reply, sizeof reply);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

bool Send(int fd, const Bytes& b) { return SendAll(fd, b.data(), b.size()); }

// A well-behaved camera: every request done, reads answered with a pattern.
Bytes DefaultAnswer(const Frame& f) {
  switch (f.request.op) {
    case simwire::OP_VENDOR_READ:
      return ReplyBytes(1, Pattern(f.request.length, f.request.request));
    case simwire::OP_BULK_IN:
      return ReplyBytes(static_cast<int32_t>(f.request.length), Pattern(f.request.length, 3));
    case simwire::OP_BULK_OUT:
      return ReplyBytes(static_cast<int32_t>(f.request.length));
    default:
      return ReplyBytes(1);
  }
}

// The server: accepts one connection at a time, reads frames, and lets the
// test's handler answer each. The handler writes to the connection itself and
// returns false to close it.
class FakeSim {
 public:
  using Handler = std::function<bool(int fd, const Frame&)>;

  explicit FakeSim(std::string path) : path_(std::move(path)) {
    listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(listen_, 4), 0);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeSim() {
    stop_ = true;
    shutdown(listen_, SHUT_RDWR);
    const int c = current_.load();
    if (c >= 0) shutdown(c, SHUT_RDWR);
    thread_.join();
    close(listen_);
    unlink(path_.c_str());
  }

  void SetHandler(Handler h) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(h);
  }
  std::vector<Frame> Frames() {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  // Frames of one op, in order.
  std::vector<Frame> Frames(simwire::Op op) {
    std::vector<Frame> out;
    for (Frame& f : Frames())
      if (f.request.op == op) out.push_back(f);
    return out;
  }
  int Connections() const { return connections_.load(); }
  // True once the client has closed every connection it opened (waited for
  // up to 30 s, which only a stuck client takes).
  bool WaitClientGone() {
    for (int i = 0; i < 3000 && current_.load() >= 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return current_.load() < 0;
  }

 private:
  void Serve() {
    while (!stop_) {
      const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR) continue;
        return;
      }
      current_ = fd;
      const int connection = connections_++;
      for (;;) {
        Frame f{connection, {}, {}};
        if (!RecvAll(fd, &f.request, sizeof f.request)) break;
        const bool hasPayload = f.request.op == simwire::OP_VENDOR_WRITE ||
                                f.request.op == simwire::OP_BULK_OUT ||
                                f.request.op == simwire::OP_CONTROL;
        if (hasPayload) {
          f.payload.resize(f.request.length);
          if (!RecvAll(fd, f.payload.data(), f.payload.size())) break;
        }
        Handler handler;
        {
          std::lock_guard lock(mutex_);
          frames_.push_back(f);
          handler = handler_;
        }
        const bool keep = handler ? handler(fd, f) : Send(fd, DefaultAnswer(f));
        if (!keep) break;
      }
      current_ = -1;
      close(fd);
    }
  }

  std::string path_;
  int listen_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> current_{-1};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  Handler handler_;
  std::vector<Frame> frames_;
};

class SimBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/teskdll-sim-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    socket_ = dir_ + "/cam.sock";
    sim_ = std::make_unique<FakeSim>(socket_);
    setenv("ORIN_CAMERA", ("sim:" + socket_).c_str(), 1);
  }
  void TearDown() override {
    Device_Close();
    sim_.reset();
    std::filesystem::remove_all(dir_);
  }

  std::string dir_, socket_;
  std::unique_ptr<FakeSim> sim_;
};

TEST_F(SimBackendTest, OpenAndCloseTalkToTheSimulator) {
  ASSERT_NE(Device_Open(), 0);
  Device_Close();
  EXPECT_TRUE(sim_->WaitClientGone());
  const auto frames = sim_->Frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].request.op, simwire::OP_OPEN);
  EXPECT_EQ(frames[1].request.op, simwire::OP_CLOSE);
}

TEST_F(SimBackendTest, CloseIsHarmlessWhenNothingIsOpenAndWhenCalledTwice) {
  Device_Close();
  ASSERT_NE(Device_Open(), 0);
  Device_Close();
  Device_Close();
  EXPECT_EQ(sim_->Frames(simwire::OP_CLOSE).size(), 1u);
}

TEST_F(SimBackendTest, TransfersAfterCloseFailWithoutTouchingTheSocket) {
  ASSERT_NE(Device_Open(), 0);
  Device_Close();
  unsigned char b[16] = {};
  EXPECT_EQ(Vendor_Write(0x44, 1, 0, 0, b), 0);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, b), 0);
  EXPECT_EQ(Bulk_IN(b, 16), 0);
  EXPECT_EQ(Bulk_OUT(b, 16), 0);
  EXPECT_EQ(sim_->Frames().size(), 2u);
}

TEST_F(SimBackendTest, OpenRefusedWhenNoCameraIsPluggedOrAnotherSessionHoldsIt) {
  std::atomic<int32_t> answer{0};
  sim_->SetHandler([&answer](int fd, const Frame& f) {
    return Send(fd, ReplyBytes(f.request.op == simwire::OP_OPEN ? answer.load() : 1));
  });
  errno = 0;
  EXPECT_EQ(Device_Open(), 0);
  EXPECT_EQ(errno, ENODEV);
  unsigned char b = 0;
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, &b), 0);
  answer = simwire::kOpenBusy;
  errno = 0;
  EXPECT_EQ(Device_Open(), 0);
  EXPECT_EQ(errno, EBUSY);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, &b), 0);
  EXPECT_TRUE(sim_->WaitClientGone()) << "a refused open keeps no connection";
  EXPECT_TRUE(sim_->Frames(simwire::OP_CLOSE).empty()) << "nothing to close";
}

TEST_F(SimBackendTest, OpenWhileOpenClosesTheOldSessionFirst) {
  ASSERT_NE(Device_Open(), 0);
  ASSERT_NE(Device_Open(), 0);
  Device_Close();
  EXPECT_TRUE(sim_->WaitClientGone());
  const auto frames = sim_->Frames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0].connection, 0);
  EXPECT_EQ(frames[0].request.op, simwire::OP_OPEN);
  EXPECT_EQ(frames[1].connection, 0);
  EXPECT_EQ(frames[1].request.op, simwire::OP_CLOSE);
  EXPECT_EQ(frames[2].connection, 1);
  EXPECT_EQ(frames[2].request.op, simwire::OP_OPEN);
  EXPECT_EQ(frames[3].connection, 1);
  EXPECT_EQ(frames[3].request.op, simwire::OP_CLOSE);
}

TEST(SimBackendNoServer, NoCameraWhenNothingListensOnThePath) {
  setenv("ORIN_CAMERA", "sim:/nonexistent/teskdll/cam.sock", 1);
  errno = 0;
  EXPECT_EQ(Device_Open(), 0);
  EXPECT_EQ(errno, ENODEV);
  unsigned char b[4] = {};
  EXPECT_EQ(Bulk_IN(b, 4), 0);
  EXPECT_EQ(Vendor_Write(0x41, 0, 0, 0, b), 0);
  Device_Close();
}

TEST(SimBackendNoServer, NoCameraForAnEmptyPathOrAnUnknownBackend) {
  setenv("ORIN_CAMERA", "sim:", 1);
  EXPECT_EQ(Device_Open(), 0);
  setenv("ORIN_CAMERA", "firewire", 1);
  EXPECT_EQ(Device_Open(), 0);
  setenv("ORIN_CAMERA", ("sim:" + std::string(200, 'x')).c_str(), 1);  // longer than sun_path
  EXPECT_EQ(Device_Open(), 0);
  Device_Close();
}

TEST_F(SimBackendTest, VendorWriteCarriesRequestValueIndexAndData) {
  ASSERT_NE(Device_Open(), 0);
  unsigned char name[13] = "M4V00001.ASF";
  EXPECT_EQ(Vendor_Write(0x59, 0x1234, 0xABCD, 13, name), 1);
  // value and index are 16 bits: the file size's halves of an upload
  EXPECT_EQ(Vendor_Write(0x58, 0x12345, 0x10002, 13, name), 1);
  const auto w = sim_->Frames(simwire::OP_VENDOR_WRITE);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].request.request, 0x59);
  EXPECT_EQ(w[0].request.value, 0x1234);
  EXPECT_EQ(w[0].request.index, 0xABCD);
  EXPECT_EQ(w[0].request.length, 13u);
  EXPECT_EQ(w[0].payload, Bytes(name, name + 13));
  EXPECT_EQ(w[1].request.value, 0x2345);
  EXPECT_EQ(w[1].request.index, 0x0002);
}

TEST_F(SimBackendTest, VendorWriteOfLengthZeroSendsNothingFromData) {
  ASSERT_NE(Device_Open(), 0);
  unsigned char unused = 0x5A;
  EXPECT_EQ(Vendor_Write(0x44, 0x101, 0, 0, &unused), 1);
  EXPECT_EQ(Vendor_Write(0x41, 0, 0, 0, nullptr), 1);  // a null pointer with length 0 is fine too
  const auto w = sim_->Frames(simwire::OP_VENDOR_WRITE);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].request.request, 0x44);
  EXPECT_EQ(w[0].request.value, 0x101);
  EXPECT_EQ(w[0].request.length, 0u);
  EXPECT_TRUE(w[0].payload.empty());
  EXPECT_EQ(w[1].request.request, 0x41);  // the next frame was read in step: no stray byte
}

TEST_F(SimBackendTest, VendorWriteReportsTheSimulatorsFailure) {
  sim_->SetHandler([](int fd, const Frame& f) {
    return Send(fd, f.request.op == simwire::OP_VENDOR_WRITE ? ReplyBytes(0) : DefaultAnswer(f));
  });
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[9] = "DCIM";
  EXPECT_EQ(Vendor_Write(0x52, 0, 0, 9, b), 0);
  EXPECT_EQ(Vendor_Write(0x52, 0, 0, 9, b), 0);  // the connection stays good: a plain failure
  EXPECT_EQ(sim_->Frames(simwire::OP_VENDOR_WRITE).size(), 2u);
}

TEST_F(SimBackendTest, VendorReadDeliversTheBytes) {
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[5] = {};
  EXPECT_EQ(Vendor_Read(0x54, 7, 9, 5, b), 1);
  EXPECT_EQ(Bytes(b, b + 5), Pattern(5, 0x54));
  EXPECT_EQ(Vendor_Read(0x60, 0, 0, 0, nullptr), 1);  // nothing to read is done at once
  const auto r = sim_->Frames(simwire::OP_VENDOR_READ);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].request.request, 0x54);
  EXPECT_EQ(r[0].request.value, 7);
  EXPECT_EQ(r[0].request.index, 9);
  EXPECT_EQ(r[0].request.length, 5u);
}

TEST_F(SimBackendTest, FailedVendorReadLeavesDataUnchanged) {
  int call = 0;
  sim_->SetHandler([&call](int fd, const Frame& f) {
    if (f.request.op != simwire::OP_VENDOR_READ) return Send(fd, DefaultAnswer(f));
    ++call;
    if (call == 1) return Send(fd, ReplyBytes(0));                 // refused
    if (call == 2) return Send(fd, ReplyBytes(0, Pattern(5, 1)));  // refused, with bytes
    return Send(fd, ReplyBytes(1, Pattern(3, 1)));                 // "done" but short
  });
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 5, b), 0);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 5, b), 0);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 5, b), 0);
  EXPECT_EQ(Bytes(b, b + 5), Bytes(5, 9));
  EXPECT_EQ(sim_->Frames(simwire::OP_VENDOR_READ).size(), 3u);  // all three in step
}

TEST_F(SimBackendTest, BulkInReturnsWhatArrivedFullOrShort) {
  int call = 0;
  sim_->SetHandler([&call](int fd, const Frame& f) {
    if (f.request.op != simwire::OP_BULK_IN) return Send(fd, DefaultAnswer(f));
    const size_t n = ++call == 1 ? f.request.length : 100;
    return Send(fd, ReplyBytes(static_cast<int32_t>(n), Pattern(n, 3)));
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes b(16384);
  EXPECT_EQ(Bulk_IN(b.data(), 16384), 16384);
  EXPECT_EQ(b, Pattern(16384, 3));
  EXPECT_EQ(Bulk_IN(b.data(), 16384), 100);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 100), Pattern(100, 3));
  const auto r = sim_->Frames(simwire::OP_BULK_IN);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].request.length, 16384u);
}

TEST_F(SimBackendTest, BulkOutSendsTheBytesAndAZeroLengthBlock) {
  ASSERT_NE(Device_Open(), 0);
  Bytes data = Pattern(16384, 11);
  EXPECT_EQ(Bulk_OUT(data.data(), 16384), 16384);
  EXPECT_EQ(Bulk_OUT(data.data(), 0), 0);
  const auto w = sim_->Frames(simwire::OP_BULK_OUT);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].payload, data);
  EXPECT_EQ(w[1].request.length, 0u);
  EXPECT_TRUE(w[1].payload.empty());
}

TEST_F(SimBackendTest, BulkOutReturnsWhatTheSimulatorAccepted) {
  sim_->SetHandler([](int fd, const Frame& f) {
    return Send(fd, f.request.op == simwire::OP_BULK_OUT ? ReplyBytes(1000) : DefaultAnswer(f));
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes data(16384);
  EXPECT_EQ(Bulk_OUT(data.data(), 16384), 1000);
}

TEST_F(SimBackendTest, TransfersLargerThanOneFrameAreSplit) {
  ASSERT_NE(Device_Open(), 0);
  const int length = static_cast<int>(2 * simwire::kMaxPayload + 1000);
  Bytes data = Pattern(length, 5);
  EXPECT_EQ(Bulk_OUT(data.data(), length), length);
  Bytes in(length);
  EXPECT_EQ(Bulk_IN(in.data(), length), length);
  const auto w = sim_->Frames(simwire::OP_BULK_OUT);
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[0].request.length, simwire::kMaxPayload);
  EXPECT_EQ(w[2].request.length, 1000u);
  Bytes joined;
  for (const Frame& f : w) joined.insert(joined.end(), f.payload.begin(), f.payload.end());
  EXPECT_EQ(joined, data);
  EXPECT_EQ(sim_->Frames(simwire::OP_BULK_IN).size(), 3u);
}

TEST_F(SimBackendTest, BadArgumentsFailWithoutReachingTheSimulator) {
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[4] = {};
  EXPECT_EQ(Vendor_Write(0x52, 0, 0, -1, b), 0);
  EXPECT_EQ(Vendor_Write(0x52, 0, 0, 9, nullptr), 0);
  EXPECT_EQ(Vendor_Write(0x52, 0, 0, 0x10000, b), 0);  // beyond a control transfer's 16 bits
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, -5, b), 0);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, nullptr), 0);
  EXPECT_EQ(Bulk_IN(b, -1), 0);
  EXPECT_EQ(Bulk_IN(nullptr, 16), 0);
  EXPECT_EQ(Bulk_OUT(b, -16384), 0);
  EXPECT_EQ(Bulk_OUT(nullptr, 1), 0);
  EXPECT_EQ(sim_->Frames().size(), 1u);  // only the open
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, b), 1);  // and the session is still good
}

TEST_F(SimBackendTest, PeerDyingMidTransferFailsThisAndEveryLaterTransfer) {
  sim_->SetHandler([](int fd, const Frame& f) {
    if (f.request.op != simwire::OP_BULK_IN) return Send(fd, DefaultAnswer(f));
    Bytes partial = ReplyBytes(100, Pattern(100, 3));
    partial.resize(sizeof(SimReply) + 10);  // header and 10 of the 100 bytes, then gone
    Send(fd, partial);
    return false;
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes b(16384);
  EXPECT_EQ(Bulk_IN(b.data(), 16384), 0);
  // The socket is dead: nothing may raise SIGPIPE (which would end this test
  // binary), and everything fails.
  Bytes big(1 << 20);
  EXPECT_EQ(Bulk_OUT(big.data(), static_cast<int>(big.size())), 0);
  EXPECT_EQ(Vendor_Write(0x41, 0, 0, 0, b.data()), 0);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, b.data()), 0);
  EXPECT_EQ(Bulk_IN(b.data(), 32), 0);
  Device_Close();
  // A new open gets a new connection and works again.
  sim_->SetHandler({});
  ASSERT_NE(Device_Open(), 0);
  EXPECT_EQ(Bulk_IN(b.data(), 32), 32);
}

TEST_F(SimBackendTest, PeerClosingBeforeTheReplyFails) {
  sim_->SetHandler([](int fd, const Frame& f) {
    if (f.request.op == simwire::OP_VENDOR_WRITE) return false;  // hang up unanswered
    return Send(fd, DefaultAnswer(f));
  });
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[13] = "A.TXT";
  EXPECT_EQ(Vendor_Write(0x59, 0, 0, 13, b), 0);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, b), 0);
}

TEST_F(SimBackendTest, SendingToAVanishedPeerFailsWithoutSigpipe) {
  sim_->SetHandler([](int fd, const Frame& f) {
    Send(fd, DefaultAnswer(f));
    return false;  // answers the open, then the simulator is gone
  });
  ASSERT_NE(Device_Open(), 0);
  ASSERT_TRUE(sim_->WaitClientGone());
  // The first send meets a closed peer (EPIPE); without MSG_NOSIGNAL the
  // SIGPIPE would end this test binary.
  Bytes big(1 << 20);
  EXPECT_EQ(Bulk_OUT(big.data(), static_cast<int>(big.size())), 0);
  EXPECT_EQ(Vendor_Write(0x41, 0, 0, 0, big.data()), 0);
  EXPECT_EQ(Bulk_IN(big.data(), 16384), 0);
}

TEST_F(SimBackendTest, ReplyLongerThanAskedIsABrokenPeer) {
  sim_->SetHandler([](int fd, const Frame& f) {
    if (f.request.op == simwire::OP_BULK_IN)
      return Send(fd, ReplyBytes(static_cast<int32_t>(f.request.length * 2),
                                 Pattern(f.request.length * 2, 1)));
    return Send(fd, DefaultAnswer(f));
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes b(64, 0xEE);
  EXPECT_EQ(Bulk_IN(b.data(), 16), 0);
  EXPECT_EQ(Bytes(b.begin() + 16, b.end()), Bytes(48, 0xEE));  // nothing past the 16 bytes
  // The connection was dropped: no further frame reaches the simulator.
  EXPECT_TRUE(sim_->WaitClientGone());
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, b.data()), 0);
  EXPECT_EQ(sim_->Frames().size(), 2u);
}

TEST_F(SimBackendTest, VendorReadReplyLongerThanAskedLeavesDataUnchanged) {
  sim_->SetHandler([](int fd, const Frame& f) {
    if (f.request.op == simwire::OP_VENDOR_READ) return Send(fd, ReplyBytes(1, Pattern(8, 1)));
    return Send(fd, DefaultAnswer(f));
  });
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[16];
  std::memset(b, 0x77, sizeof b);
  EXPECT_EQ(Vendor_Read(0x45, 0, 0, 5, b), 0);
  EXPECT_EQ(Bytes(b, b + 16), Bytes(16, 0x77));
  EXPECT_TRUE(sim_->WaitClientGone());
}

TEST_F(SimBackendTest, BytesBeyondTheReplyFrameAreABrokenPeer) {
  sim_->SetHandler([](int fd, const Frame& f) {
    if (f.request.op != simwire::OP_BULK_IN) return Send(fd, DefaultAnswer(f));
    Bytes reply = ReplyBytes(10, Pattern(10, 1));
    reply.resize(reply.size() + 6, 0x42);  // an unasked tail in the same write
    return Send(fd, reply);
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes b(64, 0xEE);
  EXPECT_EQ(Bulk_IN(b.data(), 32), 0);
  EXPECT_EQ(Bytes(b.begin() + 32, b.end()), Bytes(32, 0xEE));
  EXPECT_TRUE(sim_->WaitClientGone());
}

TEST_F(SimBackendTest, BulkCountThatDisagreesWithTheDataIsABrokenPeer) {
  sim_->SetHandler([](int fd, const Frame& f) {
    if (f.request.op == simwire::OP_BULK_IN) return Send(fd, ReplyBytes(20, Pattern(10, 1)));
    if (f.request.op == simwire::OP_BULK_OUT) return Send(fd, ReplyBytes(f.request.length + 1));
    return Send(fd, DefaultAnswer(f));
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes b(32);
  EXPECT_EQ(Bulk_IN(b.data(), 32), 0);
  ASSERT_NE(Device_Open(), 0);
  EXPECT_EQ(Bulk_OUT(b.data(), 32), 0);
  EXPECT_TRUE(sim_->WaitClientGone());
}

TEST_F(SimBackendTest, RepliesArrivingInPiecesAreJoined) {
  sim_->SetHandler([](int fd, const Frame& f) {
    const Bytes reply = DefaultAnswer(f);
    for (size_t i = 0; i < reply.size();) {  // a few bytes at a time, with pauses
      const size_t n = std::min<size_t>(i < 16 ? 3 : 4096, reply.size() - i);
      if (!SendAll(fd, reply.data() + i, n)) return false;
      i += n;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes b(16384);
  EXPECT_EQ(Bulk_IN(b.data(), 16384), 16384);
  EXPECT_EQ(b, Pattern(16384, 3));
  unsigned char s[5] = {};
  EXPECT_EQ(Vendor_Read(0x45, 0, 0, 5, s), 1);
  EXPECT_EQ(Bytes(s, s + 5), Pattern(5, 0x45));
}

}  // namespace
