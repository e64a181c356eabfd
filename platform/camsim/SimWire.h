// The wire between libTeskDll.so's sim backend and the orin-camsim daemon.
//
// One Unix stream socket per client. The client sends a request frame, the
// daemon answers with exactly one reply frame; nothing is sent unasked.
//
//   request: SimRequest (16 bytes, little-endian) then `length` payload bytes
//            for OP_VENDOR_WRITE, OP_BULK_OUT and OP_CONTROL (none otherwise)
//   reply:   SimReply (8 bytes) then `dataLength` bytes
//
//   OP_OPEN          result 1 and a fresh session; 0 when no camera is plugged;
//                    kOpenBusy while another client's session holds the camera
//                    (one program at a time, as a claimed USB interface)
//   OP_CLOSE         result 1; the session ends
//   OP_VENDOR_WRITE  result non-zero when the control transfer succeeded
//   OP_VENDOR_READ   result non-zero on success, then `length` bytes of data
//   OP_BULK_IN       result = bytes delivered (<= length), then those bytes
//   OP_BULK_OUT      result = bytes accepted
//   OP_CONTROL       payload: one command line of orin-camsim-ctl;
//                    result 1 when done, 0 when refused; data: the reply text
//
// A session opened before an unplug stays dead: every transfer on it fails
// until the client opens again, as a real USB handle would. A session ends at
// OP_CLOSE or when its connection closes. A connection that holds no session
// and sends nothing for the daemon's idle time-out is closed.
#pragma once
#include <cstdint>

namespace simwire {

enum Op : uint8_t {
  OP_OPEN = 1,
  OP_CLOSE = 2,
  OP_VENDOR_WRITE = 3,
  OP_VENDOR_READ = 4,
  OP_BULK_IN = 5,
  OP_BULK_OUT = 6,
  OP_CONTROL = 7,
};

#pragma pack(push, 1)
struct SimRequest {
  uint8_t op;
  uint8_t request;   // vendor request code
  uint16_t value;
  uint16_t index;
  uint16_t reserved;
  uint32_t length;   // control length, bulk length, or control text length
  uint32_t reserved2;
};
struct SimReply {
  int32_t result;
  uint32_t dataLength;
};
#pragma pack(pop)
static_assert(sizeof(SimRequest) == 16);
static_assert(sizeof(SimReply) == 8);

// OP_OPEN's result when the camera is there but another session holds it.
constexpr int32_t kOpenBusy = -1;

// Largest payload either side accepts in one frame; anything larger is a broken peer.
constexpr uint32_t kMaxPayload = 1u << 20;

}  // namespace simwire
