// What comes back over the simulator's socket as libTeskDll.so's sim backend
// reads it: a peer on the socket answers each request frame it receives with
// a reply frame taken from the input (the 8-byte reply header, whatever its
// result and data length say, then that many data bytes, zeros where the
// input has ended), and hangs up when the input ends. The driver functions
// run one storage and stream session over it.
// Whatever the peer sends, a call must return within the driver's time-out,
// a control read must leave the caller's data untouched when it fails, and a
// bulk read must report no more than it was asked for.
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"
#include "platform/teskdll/TeskDll.h"
#include "tests/fuzz/ScratchFolder.h"

namespace {

[[noreturn]] void Breach(const char* what) {
  std::fprintf(stderr, "sim backend: %s\n", what);
  std::abort();
}

// The listening socket, made once for the run; the driver is pointed at it.
int Listener(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0)
    Breach("cannot listen");
  setenv("ORIN_CAMERA", ("sim:" + path.string()).c_str(), 1);
  return fd;
}

// The peer: for every request frame, a reply frame from the input. The frame
// is always sent whole, so that the driver never waits for bytes that will
// not come; one whose data length is more than the request's length goes as
// the header alone (the driver hangs up on it).
void Answer(int fd, const uint8_t* data, size_t size) {
  size_t at = 0;
  for (;;) {
    simwire::SimRequest request;
    if (!simwire::RecvAll(fd, &request, sizeof request)) break;
    const bool payload = request.op == simwire::OP_VENDOR_WRITE || request.op == simwire::OP_BULK_OUT ||
                         request.op == simwire::OP_CONTROL;
    std::vector<uint8_t> skip(payload ? request.length : 0);
    if (!skip.empty() && !simwire::RecvAll(fd, skip.data(), skip.size())) break;
    if (size - at < sizeof(simwire::SimReply)) break;
    simwire::SimReply reply;
    std::memcpy(&reply, data + at, sizeof reply);
    at += sizeof reply;
    std::vector<uint8_t> frame(data + at - sizeof reply, data + at);
    if (reply.dataLength <= request.length) {
      const size_t have = std::min<size_t>(reply.dataLength, size - at);
      frame.insert(frame.end(), data + at, data + at + have);
      frame.resize(sizeof reply + reply.dataLength, 0);
      at += have;
    }
    if (!simwire::SendAll(fd, frame.data(), frame.size())) break;
  }
  shutdown(fd, SHUT_RDWR);
}

// A control read into a guarded buffer: untouched unless it succeeded.
void ControlRead(int request, int length) {
  std::vector<uint8_t> buffer(static_cast<size_t>(length), 0xA5);
  if (Vendor_Read(request, 0, 0, length, buffer.data()) == 0)
    for (uint8_t b : buffer)
      if (b != 0xA5) Breach("a failed control read changed the caller's data");
}

void BulkRead(int length) {
  std::vector<uint8_t> buffer(static_cast<size_t>(length));
  const int got = Bulk_IN(buffer.data(), length);
  if (got < 0 || got > length) Breach("a bulk read reported more than it was asked for");
}

void Session() {
  if (!Device_Open()) return;
  uint8_t none = 0;
  Vendor_Write(0x44, 1, 0, 0, &none);
  ControlRead(0x54, 5);
  ControlRead(0x61, 1);
  ControlRead(0x50, 8);
  uint8_t name[9] = "DCIM";
  Vendor_Write(0x52, 0, 0, sizeof name, name);
  Vendor_Write(0x53, 0, 0, 0, &none);
  for (int i = 0; i < 3; ++i) BulkRead(32);
  BulkRead(16384);
  BulkRead(int(simwire::kMaxPayload) + 4096);  // two frames
  std::vector<uint8_t> block(100, 0x5A);
  const int sent = Bulk_OUT(block.data(), int(block.size()));
  if (sent < 0 || sent > int(block.size())) Breach("a bulk write reported more than it sent");
  Bulk_OUT(block.data(), 0);
  ControlRead(0x45, 5);
  BulkRead(262144);
  Device_Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScratchFolder scratch;
  static const int listener = Listener(scratch.Path() / "camera.sock");
  static const bool quietPipes = signal(SIGPIPE, SIG_IGN) != SIG_ERR;
  (void)quietPipes;
  std::thread peer([&] {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    Answer(fd, data, size);
    close(fd);
  });
  Session();
  Device_Close();
  peer.join();
  return 0;
}
