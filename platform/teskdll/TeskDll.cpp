// The six exported functions: pick a backend at Device_Open, check arguments,
// forward to the backend. See TeskDll.h for the interface, Backend.h for the
// time-outs, README.md for the whole behaviour.
//
// The callers never call from two threads at once; a lock is still taken so
// that a mistaken overlap (say, Device_Close while a transfer waits) cannot
// free the session under a running call. It is uncontended and costs nothing
// measurable next to a transfer.
#pragma GCC visibility push(default)
#include "platform/teskdll/TeskDll.h"
#pragma GCC visibility pop

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/teskdll/Backend.h"

namespace {

std::mutex gMutex;
std::unique_ptr<teskdll::Backend> gCamera;

// The backend the environment asks for; nullptr when none can be opened, with
// `busy` set when the camera is held by another program.
std::unique_ptr<teskdll::Backend> OpenFromEnvironment(bool& busy) {
  const char* camera = std::getenv("ORIN_CAMERA");
  if (camera == nullptr || *camera == '\0' || std::strcmp(camera, "usb") == 0)
    return teskdll::OpenUsb(std::getenv("ORIN_USB_ID"), busy);
  if (std::strncmp(camera, "sim:", 4) == 0) return teskdll::OpenSim(camera + 4, busy);
  return nullptr;  // an unknown backend: no camera
}

bool ValidBuffer(int length, const void* data) {
  return length >= 0 && (data != nullptr || length == 0);
}

bool ValidControl(int length, const void* data) {
  return ValidBuffer(length, data) && length <= teskdll::kMaxControlLength;
}

}  // namespace

extern "C" {

int Device_Open(void) {
  std::lock_guard lock(gMutex);
  gCamera.reset();  // a second open first closes the old session
  bool busy = false;
  gCamera = OpenFromEnvironment(busy);
  if (gCamera) return 1;
  errno = busy ? EBUSY : ENODEV;  // set last: nothing after it may change it
  return 0;
}

void Device_Close(void) {
  std::lock_guard lock(gMutex);
  gCamera.reset();
}

int Vendor_Write(int request, int value, int index, int length, void* data) {
  std::lock_guard lock(gMutex);
  if (!gCamera || !ValidControl(length, data)) return 0;
  static const unsigned char kNothing = 0;  // a valid pointer for length 0
  return gCamera->VendorWrite(static_cast<uint8_t>(request), static_cast<uint16_t>(value),
                              static_cast<uint16_t>(index), length,
                              data != nullptr ? data : &kNothing);
}

int Vendor_Read(int request, int value, int index, int length, void* data) {
  std::lock_guard lock(gMutex);
  if (!gCamera || !ValidControl(length, data)) return 0;
  unsigned char nothing = 0;
  return gCamera->VendorRead(static_cast<uint8_t>(request), static_cast<uint16_t>(value),
                             static_cast<uint16_t>(index), length,
                             data != nullptr ? data : &nothing);
}

int Bulk_IN(void* data, int length) {
  std::lock_guard lock(gMutex);
  if (!gCamera || !ValidBuffer(length, data)) return 0;
  unsigned char nothing = 0;
  return gCamera->BulkIn(data != nullptr ? data : &nothing, length);
}

int Bulk_OUT(void* data, int length) {
  std::lock_guard lock(gMutex);
  if (!gCamera || !ValidBuffer(length, data)) return 0;
  static const unsigned char kNothing = 0;
  return gCamera->BulkOut(data != nullptr ? data : &kNothing, length);
}

}  // extern "C"
