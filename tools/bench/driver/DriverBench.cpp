// Benchmark of libTeskDll.so's sim backend against the real orin-camsim daemon.
//
//   bench_driver [--daemon PATH] [--mb N] [--runs N] [--calls N]
//
// (a) Bulk-in throughput: a file of N MB (default 64) on the simulated Memory
//     Stick is read with REQ_READ_FILE and Bulk_IN loops of 16384 bytes, as a
//     download does. Measured in the same run against two baselines:
//       - stream copy: the same bytes read from the host file and written into
//         a plain Unix stream socket, read back in 16384-byte reads (the goal's
//         baseline);
//       - request/reply copy: the same bytes, 16384 at a time, each asked for by
//         a 16-byte request and answered by a trivial in-process server: the
//         floor of any one-request-one-reply wire, with no daemon and no library.
// (b) Control round trip: REQ_GET_STATUS (0x61, read 1 byte) through the
//     library, the same frame written by hand on a second connection to the
//     daemon, and the same sizes ping-ponged with a trivial in-process server.
//
// The daemon is started with its bulk pacing off ("speed unlimited"), so that
// the figures are the software's own. MB are 10^6 bytes. Each throughput is the
// median of --runs runs (default 5). Goals: ratio to the stream copy >= 0.8 and
// >= 200 MB/s through the library.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/camproto/CameraWire.h"
#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"
#include "tools/bench/BenchDaemon.h"
#include "platform/teskdll/TeskDll.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kBlock = kBulkBlock;
constexpr const char* kFileName = "BENCH.BIN";

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_driver", what); }

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One hand-written frame exchange on a raw connection; the reply's data goes to `data`.
bool RawCall(int fd, simwire::Op op, uint8_t request, uint32_t length, const void* payload,
             simwire::SimReply& reply, std::vector<char>& data) {
  simwire::SimRequest r{};
  r.op = op;
  r.request = request;
  r.length = length;
  if (!simwire::SendAll(fd, &r, sizeof r)) return false;
  if (payload && length && !simwire::SendAll(fd, payload, length)) return false;
  if (!simwire::RecvAll(fd, &reply, sizeof reply) || reply.dataLength > simwire::kMaxPayload) return false;
  data.resize(reply.dataLength);
  return simwire::RecvAll(fd, data.data(), data.size());
}

// (a) through the library: REQ_READ_FILE, then Bulk_IN of 16384 until a short block.
double LibraryRead(uint64_t size, std::vector<char>& buffer) {
  unsigned char name[13] = {};
  std::memcpy(name, kFileName, std::strlen(kFileName));
  auto start = Clock::now();
  if (!Vendor_Write(REQ_READ_FILE, 0, 0, 13, name)) Fail("REQ_READ_FILE failed");
  uint64_t total = 0;
  for (;;) {
    int n = Bulk_IN(buffer.data(), kBlock);
    total += uint64_t(n > 0 ? n : 0);
    if (n < kBlock) break;
  }
  auto end = Clock::now();
  if (total != size) Fail("read " + std::to_string(total) + " of " + std::to_string(size) + " bytes");
  return Seconds(start, end);
}

// The same download with hand-written frames on a raw connection to the same
// daemon: what the daemon and the wire cost without the library.
double RawRead(int fd, uint64_t size, std::vector<char>& buffer) {
  unsigned char name[13] = {};
  std::memcpy(name, kFileName, std::strlen(kFileName));
  simwire::SimReply reply;
  std::vector<char> none;
  auto start = Clock::now();
  if (!RawCall(fd, simwire::OP_VENDOR_WRITE, REQ_READ_FILE, 13, name, reply, none) || !reply.result)
    Fail("raw REQ_READ_FILE failed");
  uint64_t total = 0;
  for (;;) {
    simwire::SimRequest r{};
    r.op = simwire::OP_BULK_IN;
    r.length = kBlock;
    if (!simwire::SendAll(fd, &r, sizeof r) || !simwire::RecvAll(fd, &reply, sizeof reply) ||
        reply.dataLength > uint32_t(kBlock) || !simwire::RecvAll(fd, buffer.data(), reply.dataLength))
      Fail("raw bulk-in broke");
    total += reply.dataLength;
    if (reply.dataLength < uint32_t(kBlock)) break;
  }
  auto end = Clock::now();
  if (total != size) Fail("raw read moved " + std::to_string(total) + " bytes");
  return Seconds(start, end);
}

// Baseline: the host file's bytes through a plain Unix stream socket.
double StreamCopy(const fs::path& file, uint64_t size) {
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) Fail("socketpair");
  auto start = Clock::now();
  std::thread writer([&] {
    int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> b(kBlock);
    for (ssize_t n; (n = read(in, b.data(), b.size())) > 0;)
      if (!simwire::SendAll(sv[0], b.data(), size_t(n))) break;
    close(in);
    shutdown(sv[0], SHUT_WR);
  });
  std::vector<char> b(kBlock);
  uint64_t total = 0;
  for (ssize_t n; (n = recv(sv[1], b.data(), b.size(), 0)) > 0;) total += uint64_t(n);
  auto end = Clock::now();
  writer.join();
  close(sv[0]);
  close(sv[1]);
  if (total != size) Fail("stream copy moved " + std::to_string(total) + " bytes");
  return Seconds(start, end);
}

// Second baseline: one 16-byte request, one 8-byte header and block reply, in step.
double RequestReplyCopy(const fs::path& file, uint64_t size) {
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) Fail("socketpair");
  auto start = Clock::now();
  std::thread server([&] {
    int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> b(sizeof(simwire::SimReply) + kBlock);
    simwire::SimRequest r;
    while (simwire::RecvAll(sv[0], &r, sizeof r)) {
      ssize_t n = read(in, b.data() + sizeof(simwire::SimReply), std::min<uint32_t>(r.length, kBlock));
      simwire::SimReply reply{int32_t(n), uint32_t(n)};
      std::memcpy(b.data(), &reply, sizeof reply);
      if (!simwire::SendAll(sv[0], b.data(), sizeof reply + size_t(n))) break;
    }
    close(in);
  });
  std::vector<char> b(kBlock);
  uint64_t total = 0;
  for (;;) {
    simwire::SimRequest r{};
    r.op = simwire::OP_BULK_IN;
    r.length = kBlock;
    simwire::SimReply reply;
    if (!simwire::SendAll(sv[1], &r, sizeof r) || !simwire::RecvAll(sv[1], &reply, sizeof reply) ||
        !simwire::RecvAll(sv[1], b.data(), reply.dataLength))
      Fail("request/reply copy broke");
    total += reply.dataLength;
    if (reply.dataLength < uint32_t(kBlock)) break;
  }
  auto end = Clock::now();
  shutdown(sv[1], SHUT_WR);
  server.join();
  close(sv[0]);
  close(sv[1]);
  if (total != size) Fail("request/reply copy moved " + std::to_string(total) + " bytes");
  return Seconds(start, end);
}

// Floor of (b): a 16-byte request answered by an 8-byte header and 1 byte, in
// step, by a trivial server thread in this process. Microseconds per call.
double PingPong(int calls) {
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) Fail("socketpair");
  std::thread server([&] {
    simwire::SimRequest r;
    char answer[sizeof(simwire::SimReply) + 1] = {};
    const simwire::SimReply reply{1, 1};
    std::memcpy(answer, &reply, sizeof reply);
    while (simwire::RecvAll(sv[0], &r, sizeof r))
      if (!simwire::SendAll(sv[0], answer, sizeof answer)) break;
  });
  simwire::SimRequest r{};
  r.op = simwire::OP_VENDOR_READ;
  r.request = REQ_GET_STATUS;
  r.length = 1;
  char answer[sizeof(simwire::SimReply) + 1];
  auto one = [&] {
    if (!simwire::SendAll(sv[1], &r, sizeof r) || !simwire::RecvAll(sv[1], answer, sizeof answer)) Fail("ping-pong broke");
  };
  for (int i = 0; i < 1000; ++i) one();
  auto start = Clock::now();
  for (int i = 0; i < calls; ++i) one();
  const double us = Seconds(start, Clock::now()) * 1e6 / calls;
  shutdown(sv[1], SHUT_WR);
  server.join();
  close(sv[0]);
  close(sv[1]);
  return us;
}

}  // namespace

int main(int argc, char** argv) {
  std::string daemon = (fs::read_symlink("/proc/self/exe").parent_path() / "orin-camsim").string();
  uint64_t megabytes = 64;
  int runs = 5, calls = 20000;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--daemon") daemon = argv[i + 1];
    else if (a == "--mb") megabytes = std::strtoull(argv[i + 1], nullptr, 10);
    else if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    else if (a == "--calls") calls = std::max(1, std::atoi(argv[i + 1]));
    else Fail("unknown option " + a);
  }
  if (access(daemon.c_str(), X_OK) != 0) Fail("no orin-camsim at " + daemon + " (use --daemon)");
  signal(SIGPIPE, SIG_IGN);

  char tmpl[] = "/tmp/bench-driver-XXXXXX";
  if (!mkdtemp(tmpl)) Fail("mkdtemp");
  const fs::path dir = tmpl, stick = dir / "stick", file = stick / kFileName;
  fs::create_directories(stick);
  const uint64_t size = megabytes * 1000 * 1000 + 1234;  // not a multiple of the block
  {
    std::vector<char> chunk(1 << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = char(i * 131 + (i >> 9));
    int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (uint64_t left = size; left > 0;) {
      size_t n = size_t(std::min<uint64_t>(left, chunk.size()));
      if (write(out, chunk.data(), n) != ssize_t(n)) Fail("writing the stick file");
      left -= n;
    }
    close(out);
  }

  bench::Daemon d = bench::StartDaemon("bench_driver", daemon, dir, stick, {"--capacity-mb", "1024"});
  {  // the model's own bulk pacing off, on a side connection
    int fd = simwire::ConnectUnix(d.socket);
    const std::string cmd = "speed unlimited";
    simwire::SimReply reply;
    std::vector<char> text;
    if (fd < 0 || !RawCall(fd, simwire::OP_CONTROL, 0, uint32_t(cmd.size()), cmd.data(), reply, text) ||
        reply.result == 0)
      Fail("control \"speed unlimited\" refused: " + std::string(text.begin(), text.end()));
    close(fd);
  }
  setenv("ORIN_CAMERA", ("sim:" + d.socket).c_str(), 1);
  if (!Device_Open()) Fail("Device_Open found no camera on " + d.socket);
  unsigned char none = 0;
  if (!Vendor_Write(REQ_SET_MODE, MODE_STORAGE, 0, 0, &none)) Fail("REQ_SET_MODE storage failed");

  // The camera serves one session at a time: the library's session and the
  // raw connection's, for the hand-written figures, take turns.
  simwire::SimReply reply;
  std::vector<char> data;
  auto rawSession = [&] {
    Device_Close();
    int conn = simwire::ConnectUnix(d.socket);
    if (conn < 0 || !RawCall(conn, simwire::OP_OPEN, 0, 0, nullptr, reply, data) || reply.result != 1)
      Fail("raw OP_OPEN failed");
    return conn;
  };
  auto librarySession = [&](int conn) {
    RawCall(conn, simwire::OP_CLOSE, 0, 0, nullptr, reply, data);
    close(conn);
    if (!Device_Open()) Fail("Device_Open found no camera on " + d.socket);
  };

  std::vector<char> buffer(kBlock);
  LibraryRead(size, buffer);  // warm the page cache and both processes
  std::vector<double> lib, raw, stream, rr;
  for (int r = 0; r < runs; ++r) {
    lib.push_back(LibraryRead(size, buffer));
    int fd = rawSession();
    raw.push_back(RawRead(fd, size, buffer));
    librarySession(fd);
    stream.push_back(StreamCopy(file, size));
    rr.push_back(RequestReplyCopy(file, size));
  }
  const double mb = double(size) / 1e6;
  const double libRate = mb / Median(lib), rawRate = mb / Median(raw);
  const double streamRate = mb / Median(stream), rrRate = mb / Median(rr);

  // (b) control round trip through the library.
  unsigned char status = 0;
  for (int i = 0; i < 1000; ++i) Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &status);
  auto t0 = Clock::now();
  for (int i = 0; i < calls; ++i)
    if (!Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &status)) Fail("REQ_GET_STATUS failed");
  const double libUs = Seconds(t0, Clock::now()) * 1e6 / calls;
  int fd = rawSession();

  // The same frame by hand.
  for (int i = 0; i < 1000; ++i) RawCall(fd, simwire::OP_VENDOR_READ, REQ_GET_STATUS, 1, nullptr, reply, data);
  t0 = Clock::now();
  for (int i = 0; i < calls; ++i)
    if (!RawCall(fd, simwire::OP_VENDOR_READ, REQ_GET_STATUS, 1, nullptr, reply, data)) Fail("raw read failed");
  const double rawUs = Seconds(t0, Clock::now()) * 1e6 / calls;
  close(fd);
  const double pingUs = PingPong(calls);
  bench::StopDaemon(d);
  fs::remove_all(dir);

  std::printf("bulk-in, %.1f MB file, 16384-byte reads, median of %d runs:\n", mb, runs);
  std::printf("  libTeskDll.so -> orin-camsim    %8.1f MB/s\n", libRate);
  std::printf("  hand-written frames, same daemon%8.1f MB/s\n", rawRate);
  std::printf("  plain Unix-socket stream copy   %8.1f MB/s\n", streamRate);
  std::printf("  plain request/reply copy        %8.1f MB/s\n", rrRate);
  std::printf("  ratio library / stream copy     %8.2f   (goal >= 0.80)\n", libRate / streamRate);
  std::printf("  ratio library / hand-written    %8.2f\n", libRate / rawRate);
  std::printf("  ratio library / request-reply   %8.2f\n", libRate / rrRate);
  std::printf("control round trip, REQ_GET_STATUS read 1 byte, %d calls:\n", calls);
  std::printf("  libTeskDll.so -> orin-camsim    %8.2f us/call\n", libUs);
  std::printf("  hand-written frame, same daemon %8.2f us/call\n", rawUs);
  std::printf("  plain request/reply, no daemon  %8.2f us/call\n", pingUs);
  std::printf("goals: %s >= 200 MB/s, %s ratio >= 0.8\n", libRate >= 200 ? "met" : "MISSED",
              libRate / streamRate >= 0.8 ? "met" : "MISSED");
  return 0;
}
