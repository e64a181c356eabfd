// The usb backend: the six calls over libusb-1.0.
//
// Device_Open makes its own libusb context, takes the first device whose
// vendor:product is ORIN_USB_ID (unset or empty: kDefaultUsbId, the id the
// library was built with) that can be opened, finds the first bulk-in
// and the first bulk-out endpoint of interface 0 (alternate setting 0) in the
// active configuration, detaches a kernel driver bound to interface 0 (and
// gives it back at close) and claims the interface. Device_Close releases the
// interface, closes the device and ends the context. An interface another
// program has claimed (LIBUSB_ERROR_BUSY) makes the camera busy, not absent.
//
// Control transfers are vendor requests to the device: request type 0x40 (host
// to device) and 0xC0 (device to host). A control transfer is done only when
// all `length` bytes moved; a control read lands in a scratch buffer first, so
// the caller's data stays untouched on failure. Bulk transfers return the bytes
// moved even when the transfer ended by time-out or overflow (the kernel never
// writes past the buffer). A zero-length Bulk_OUT is a zero-length bulk
// transfer. Time-outs: 2 s for control, 5 s for bulk (Backend.h).
//
// When the device is gone (LIBUSB_ERROR_NO_DEVICE) the backend remembers it and
// every later transfer returns 0 without touching libusb.
#include <libusb.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/teskdll/Backend.h"

namespace teskdll {
namespace {

// Vendor request, recipient device: host to device, and device to host.
constexpr uint8_t kVendorOut = 0x40;
constexpr uint8_t kVendorIn = 0xC0;
static_assert(kVendorOut == (uint8_t{LIBUSB_REQUEST_TYPE_VENDOR} | uint8_t{LIBUSB_RECIPIENT_DEVICE} |
                             uint8_t{LIBUSB_ENDPOINT_OUT}));
static_assert(kVendorIn == (uint8_t{LIBUSB_REQUEST_TYPE_VENDOR} | uint8_t{LIBUSB_RECIPIENT_DEVICE} |
                            uint8_t{LIBUSB_ENDPOINT_IN}));
constexpr int kInterface = 0;

// "vvvv:pppp", four hex digits each; false for anything else.
bool ParseUsbId(const char* text, uint16_t& vendor, uint16_t& product) {
  if (text == nullptr || std::strlen(text) != 9 || text[4] != ':') return false;
  for (int i = 0; i < 9; ++i)
    if (i != 4 && !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  vendor = static_cast<uint16_t>(std::strtoul(text, nullptr, 16));
  product = static_cast<uint16_t>(std::strtoul(text + 5, nullptr, 16));
  return true;
}

// The first bulk-in and bulk-out endpoint addresses of interface 0, alternate setting 0.
bool FindBulkEndpoints(const libusb_config_descriptor* config, uint8_t& in, uint8_t& out) {
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    if (interface.num_altsetting < 1) continue;
    const libusb_interface_descriptor& setting = interface.altsetting[0];
    if (setting.bInterfaceNumber != kInterface) continue;
    bool haveIn = false, haveOut = false;
    for (int e = 0; e < setting.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& ep = setting.endpoint[e];
      if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
      if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
        if (!haveIn) in = ep.bEndpointAddress, haveIn = true;
      } else if (!haveOut) {
        out = ep.bEndpointAddress, haveOut = true;
      }
    }
    return haveIn && haveOut;
  }
  return false;
}

class UsbBackend final : public Backend {
 public:
  explicit UsbBackend(libusb_context* context) : context_(context) {}
  ~UsbBackend() override {
    if (handle_ != nullptr) {
      if (claimed_) libusb_release_interface(handle_, kInterface);
      if (detached_) libusb_attach_kernel_driver(handle_, kInterface);
      libusb_close(handle_);
    }
    libusb_exit(context_);
  }

  // Opens `device` as the camera; false (nothing held) when it will not serve,
  // with `busy` set when another program has claimed its interface.
  bool Open(libusb_device* device, bool& busy) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0) return false;
    const bool found = FindBulkEndpoints(config, in_, out_);
    libusb_free_config_descriptor(config);
    if (!found || libusb_open(device, &handle_) != 0) return false;
    if (libusb_kernel_driver_active(handle_, kInterface) == 1)
      detached_ = libusb_detach_kernel_driver(handle_, kInterface) == 0;
    const int claim = libusb_claim_interface(handle_, kInterface);
    claimed_ = claim == 0;
    if (claimed_) return true;
    if (claim == LIBUSB_ERROR_BUSY) busy = true;
    if (detached_) libusb_attach_kernel_driver(handle_, kInterface);
    detached_ = false;
    libusb_close(handle_);
    handle_ = nullptr;
    return false;
  }

  int VendorWrite(uint8_t request, uint16_t value, uint16_t index, int length,
                  const void* data) override {
    if (gone_) return 0;
    const int r = libusb_control_transfer(
        handle_, kVendorOut, request, value, index,
        static_cast<unsigned char*>(const_cast<void*>(data)), static_cast<uint16_t>(length),
        kControlTimeoutMs);
    Note(r);
    return r == length ? 1 : 0;
  }

  int VendorRead(uint8_t request, uint16_t value, uint16_t index, int length,
                 void* data) override {
    if (gone_) return 0;
    if (scratch_.size() <= static_cast<size_t>(length)) scratch_.resize(length + 1);
    const int r = libusb_control_transfer(handle_, kVendorIn, request, value, index,
                                          scratch_.data(), static_cast<uint16_t>(length),
                                          kControlTimeoutMs);
    Note(r);
    if (r != length) return 0;
    std::memcpy(data, scratch_.data(), length);
    return 1;
  }

  int BulkIn(void* data, int length) override {
    return Bulk(in_, static_cast<unsigned char*>(data), length);
  }

  int BulkOut(const void* data, int length) override {
    return Bulk(out_, static_cast<unsigned char*>(const_cast<void*>(data)), length);
  }

 private:
  int Bulk(uint8_t endpoint, unsigned char* data, int length) {
    if (gone_) return 0;
    int moved = 0;
    const int r = libusb_bulk_transfer(handle_, endpoint, data, length, &moved, kBulkTimeoutMs);
    Note(r);
    if (r == LIBUSB_ERROR_PIPE) libusb_clear_halt(handle_, endpoint);
    if (r == 0 || r == LIBUSB_ERROR_TIMEOUT || r == LIBUSB_ERROR_OVERFLOW) return moved;
    return 0;
  }

  void Note(int result) {
    if (result == LIBUSB_ERROR_NO_DEVICE) gone_ = true;
  }

  libusb_context* context_;
  libusb_device_handle* handle_ = nullptr;
  uint8_t in_ = 0, out_ = 0;
  bool claimed_ = false, detached_ = false, gone_ = false;
  std::vector<unsigned char> scratch_;
};

}  // namespace

std::unique_ptr<Backend> OpenUsb(const char* usbId, bool& busy) {
  if (usbId == nullptr || *usbId == '\0') usbId = kDefaultUsbId;
  uint16_t vendor = 0, product = 0;
  if (!ParseUsbId(usbId, vendor, product)) return nullptr;
  libusb_context* context = nullptr;
  if (libusb_init(&context) != 0) return nullptr;
  auto camera = std::make_unique<UsbBackend>(context);  // owns the context from here

  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  bool opened = false;
  for (ssize_t i = 0; i < count && !opened; ++i) {
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(list[i], &descriptor) != 0) continue;
    if (descriptor.idVendor == vendor && descriptor.idProduct == product)
      opened = camera->Open(list[i], busy);
  }
  if (count >= 0) libusb_free_device_list(list, 1);
  if (!opened) return nullptr;
  return camera;
}

}  // namespace teskdll
