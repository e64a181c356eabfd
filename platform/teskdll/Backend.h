// Inside libTeskDll.so: what a backend offers, and the two ways to get one.
//
// TeskDll.cpp checks the arguments of the six exported functions (negative
// lengths, null data, control lengths beyond 16 bits) before a backend sees
// them, so a backend may rely on: 0 <= length, data non-null when length > 0,
// and length <= 0xFFFF for control transfers.
#pragma once
#include <cstdint>
#include <memory>

namespace teskdll {

// Time-outs, the same for both backends:
//   control transfers: 2 s (the camera answers a vendor request at once)
//   bulk transfers:    5 s (the camera starts a bulk block within moments of
//                      the request that announced it; 5 s also covers a slow
//                      Memory Stick read)
// The sim backend applies its bulk time-out to every wait on the socket, because
// one socket time-out stays set for the whole connection.
constexpr unsigned kControlTimeoutMs = 2000;
constexpr unsigned kBulkTimeoutMs = 5000;

// The largest control transfer: USB's wLength is 16 bits.
constexpr int kMaxControlLength = 0xFFFF;

// One open camera. Destroying it releases everything it holds. After the camera
// vanishes (device unplugged, socket closed, broken peer) every transfer returns 0.
class Backend {
 public:
  virtual ~Backend() = default;
  // Control transfers: 1 when done, 0 when not. VendorRead leaves data untouched on failure.
  virtual int VendorWrite(uint8_t request, uint16_t value, uint16_t index, int length,
                          const void* data) = 0;
  virtual int VendorRead(uint8_t request, uint16_t value, uint16_t index, int length,
                         void* data) = 0;
  // Bulk transfers: the number of bytes moved (0 on failure). BulkOut with length 0
  // sends a zero-length block.
  virtual int BulkIn(void* data, int length) = 0;
  virtual int BulkOut(const void* data, int length) = 0;
};

// The camera simulator behind the Unix stream socket `path` (SimWire.h).
// nullptr when nothing listens there or the simulator has no camera plugged;
// `busy` is then set when the simulator serves another program's session.
std::unique_ptr<Backend> OpenSim(const char* path, bool& busy);

// The first USB device whose vendor:product is `usbId` ("vvvv:pppp", hex); a
// null or empty `usbId` means the camera's id this library was built with
// (kDefaultUsbId). nullptr when the id is malformed or no such device can be
// opened; `busy` is then set when a matching device's interface is claimed elsewhere.
std::unique_ptr<Backend> OpenUsb(const char* usbId, bool& busy);

// The camera's id when the environment names none: the build's ORIN_USB_ID,
// which the installed udev rule also opens to the logged-in user.
inline constexpr const char* kDefaultUsbId = ORIN_DEFAULT_USB_ID;

}  // namespace teskdll
