// The sim backend: the six calls as SimWire.h frames over a Unix stream socket
// to orin-camsim, one connection per open camera.
//
// Every call is one request frame and one reply frame. A request goes out in a
// single sendmsg (header and payload gathered, no copy); a reply comes in with
// recvmsg scattering the header and the data straight into the caller's buffer
// (Bulk_IN) or into a scratch buffer (Vendor_Read, whose data must stay
// untouched on failure). A reply is checked against what was asked before it
// is believed: more data than asked, a count that does not match the data, or
// bytes beyond the frame mean a broken peer, and the connection is dropped.
// A dropped connection (also: peer closed, time-out, send error) makes every
// later transfer return 0 until the next Device_Open. Sends use MSG_NOSIGNAL,
// so a dead peer never raises SIGPIPE; EINTR and partial reads and writes are
// resumed.
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/camsim/SimWire.h"
#include "platform/teskdll/Backend.h"

namespace teskdll {
namespace {

using simwire::SimReply;
using simwire::SimRequest;

class SimBackend final : public Backend {
 public:
  explicit SimBackend(int fd) : fd_(fd) {}
  ~SimBackend() override {
    if (session_ && fd_ >= 0) {  // wait for the answer, so that the session is over on return
      SimReply reply;
      if (Send(Request(simwire::OP_CLOSE, 0), nullptr, 0)) ReadReply(reply, nullptr, 0);
    }
    Drop();
  }

  // OP_OPEN on the fresh connection: true when the simulator has a camera for
  // us; `busy` when it has one but another program's session holds it.
  bool Open(bool& busy) {
    SimReply reply;
    const bool answered = Transact(Request(simwire::OP_OPEN, 0), nullptr, 0, reply, nullptr, 0);
    session_ = answered && reply.result > 0;
    busy = answered && reply.result == simwire::kOpenBusy;
    return session_;
  }

  int VendorWrite(uint8_t request, uint16_t value, uint16_t index, int length,
                  const void* data) override {
    SimReply reply;
    if (!Transact(Request(simwire::OP_VENDOR_WRITE, length, request, value, index), data,
                  length, reply, nullptr, 0))
      return 0;
    return reply.result != 0 ? 1 : 0;
  }

  int VendorRead(uint8_t request, uint16_t value, uint16_t index, int length,
                 void* data) override {
    if (scratch_.size() < static_cast<size_t>(length)) scratch_.resize(length);
    SimReply reply;
    if (!Transact(Request(simwire::OP_VENDOR_READ, length, request, value, index), nullptr, 0,
                  reply, scratch_.data(), length))
      return 0;
    if (reply.result == 0 || reply.dataLength != static_cast<uint32_t>(length)) return 0;
    if (length > 0) std::memcpy(data, scratch_.data(), length);
    return 1;
  }

  // A bulk transfer larger than one frame may carry goes out as several frames,
  // and ends early at the first short one, as a USB transfer ends at a short packet.
  int BulkIn(void* data, int length) override {
    auto* bytes = static_cast<unsigned char*>(data);
    int done = 0;
    do {
      const uint32_t piece = Piece(length - done);
      SimReply reply;
      if (!Transact(Request(simwire::OP_BULK_IN, piece), nullptr, 0, reply, bytes + done, piece))
        return 0;
      if (reply.result < 0 || static_cast<uint32_t>(reply.result) != reply.dataLength) {
        Drop();  // the count does not describe the data: a broken peer
        return 0;
      }
      done += reply.result;
      if (reply.dataLength < piece) break;
    } while (done < length);
    return done;
  }

  int BulkOut(const void* data, int length) override {
    const auto* bytes = static_cast<const unsigned char*>(data);
    int done = 0;
    do {  // at least one frame: length 0 is a zero-length block
      const uint32_t piece = Piece(length - done);
      SimReply reply;
      if (!Transact(Request(simwire::OP_BULK_OUT, piece), bytes + done, piece, reply, nullptr, 0))
        return 0;
      if (reply.result < 0 || static_cast<uint32_t>(reply.result) > piece) {
        Drop();  // accepted more than was sent: a broken peer
        return 0;
      }
      done += reply.result;
      if (static_cast<uint32_t>(reply.result) < piece) break;
    } while (done < length);
    return done;
  }

 private:
  static uint32_t Piece(int remaining) {
    return remaining < static_cast<int>(simwire::kMaxPayload) ? static_cast<uint32_t>(remaining)
                                                               : simwire::kMaxPayload;
  }

  static SimRequest Request(simwire::Op op, uint32_t length, uint8_t request = 0,
                            uint16_t value = 0, uint16_t index = 0) {
    SimRequest r{};
    r.op = op;
    r.request = request;
    r.value = value;
    r.index = index;
    r.length = length;
    return r;
  }

  // One request and its reply; false (and the connection dropped) when the
  // exchange failed. `reply.dataLength` bytes, at most `capacity`, land in `data`.
  bool Transact(const SimRequest& request, const void* payload, uint32_t payloadLength,
                SimReply& reply, void* data, uint32_t capacity) {
    if (fd_ < 0) return false;
    if (!Send(request, payload, payloadLength) || !ReadReply(reply, data, capacity)) {
      Drop();
      return false;
    }
    return true;
  }

  bool Send(const SimRequest& request, const void* payload, uint32_t payloadLength) {
    iovec iov[2] = {{const_cast<SimRequest*>(&request), sizeof request},
                    {const_cast<void*>(payload), payloadLength}};
    const size_t total = sizeof request + payloadLength;
    size_t sent = 0;
    while (sent < total) {
      iovec rest[2];
      msghdr msg{};
      msg.msg_iov = rest;
      msg.msg_iovlen = Remaining(iov, sent, total, rest);
      const ssize_t n = sendmsg(fd_, &msg, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  // Reads exactly one reply frame. Until its header is in, reads ask for as
  // much as the largest acceptable frame, so that a whole reply usually takes
  // one call; never more than `capacity` data bytes are asked for, so the
  // caller's buffer is never overrun whatever the peer sends.
  bool ReadReply(SimReply& reply, void* data, uint32_t capacity) {
    iovec iov[2] = {{&reply, sizeof reply}, {data, capacity}};
    size_t want = sizeof reply + capacity;  // the frame's length, once the header is in
    size_t got = 0;
    for (;;) {
      if (got >= sizeof reply) {
        if (reply.dataLength > capacity) return false;  // more than asked
        want = sizeof reply + reply.dataLength;
        if (got > want) return false;  // bytes beyond the frame: nothing is sent unasked
        if (got == want) return true;
      }
      iovec rest[2];
      msghdr msg{};
      msg.msg_iov = rest;
      msg.msg_iovlen = Remaining(iov, got, want, rest);
      const ssize_t n = recvmsg(fd_, &msg, 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;  // error or time-out
      }
      if (n == 0) return false;  // the peer closed
      got += static_cast<size_t>(n);
    }
  }

  // The part of `iov` from byte `from` up to byte `to`, as at most two entries in `rest`.
  static size_t Remaining(const iovec (&iov)[2], size_t from, size_t to, iovec (&rest)[2]) {
    size_t count = 0;
    size_t start = 0;
    for (const iovec& v : iov) {
      const size_t end = start + v.iov_len;
      const size_t lo = from > start ? from : start;
      const size_t hi = to < end ? to : end;
      if (lo < hi) rest[count++] = {static_cast<char*>(v.iov_base) + (lo - start), hi - lo};
      start = end;
    }
    return count;
  }

  void Drop() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  int fd_;
  bool session_ = false;  // OP_OPEN succeeded: OP_CLOSE is owed
  std::vector<unsigned char> scratch_;
};

}  // namespace

std::unique_ptr<Backend> OpenSim(const char* path, bool& busy) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t length = std::strlen(path);
  if (length == 0 || length >= sizeof address.sun_path) return nullptr;
  std::memcpy(address.sun_path, path, length);

  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  const timeval timeout{kBulkTimeoutMs / 1000, (kBulkTimeoutMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  int r;
  do {
    r = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (r < 0 && errno == EINTR);
  if (r < 0 && errno != EISCONN) {  // EISCONN: an interrupted connect that went through
    close(fd);
    return nullptr;
  }
  auto camera = std::make_unique<SimBackend>(fd);
  if (!camera->Open(busy)) return nullptr;  // the destructor closes the socket
  return camera;
}

}  // namespace teskdll
