// A USB camera that libusb finds, opens and drives as hardware, whose
// firmware is the simulator's camera model (camsim::CameraModel, the model
// orin-camsim serves). Runs under umockdev's preload (`umockdev-wrapper`):
// the device sits in umockdev's sysfs and /dev/bus/usb, and every usbdevfs
// ioctl on its node is answered here:
//
//   CLAIMINTERFACE 0        model.Open: the claim is the camera's session;
//                           EBUSY while another descriptor holds it
//   RELEASEINTERFACE 0, or
//   the descriptor closed   model.Close
//   SUBMITURB, control      a vendor request to the device: model.VendorWrite
//                           or model.VendorRead by the direction bit of
//                           bmRequestType; anything else stalls
//   SUBMITURB, bulk         endpoint 0x81 model.BulkIn, 0x02 model.BulkOut
//   REAPURB(NDELAY)         the finished URBs in order, EAGAIN when none;
//                           allowed after an unplug, as the kernel allows it
//   a transfer the model    the URB ends with -EPIPE (a stall), which libusb
//   fails                   reports as LIBUSB_ERROR_PIPE
//   unplugged               every other ioctl answers ENODEV
//
// Every URB finishes as it is submitted: the model answers at once (its own
// sleeps are a hook the caller makes instant), so nothing is ever pending.
// Where a real camera would NAK until the host's time-out (a bulk-in with
// nothing to send, a bulk-out the camera does not take), the URB ends at
// once: with no bytes, or with a stall. The caller sees the same count.
#pragma once
#include <umockdev.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

#include "platform/camsim/CameraModel.h"

class EmulatedUsbCamera {
 public:
  // The id to put into ORIN_USB_ID.
  static constexpr const char* kUsbId = "3a5c:0501";
  static constexpr const char* kDevNode = "/dev/bus/usb/001/001";

  // Plugs a camera running `model` into umockdev's testbed. `model` must
  // outlive this object. Fails the running test outside umockdev's preload.
  explicit EmulatedUsbCamera(camsim::CameraModel& model);
  ~EmulatedUsbCamera();
  EmulatedUsbCamera(const EmulatedUsbCamera&) = delete;
  EmulatedUsbCamera& operator=(const EmulatedUsbCamera&) = delete;

  // False when umockdev could not set the device up.
  bool Ready() const { return ready_; }

  // The cable. Unplug powers the model down (its sessions die with it) and
  // makes the device answer ENODEV; Plug gives a fresh camera.
  void Unplug();
  void Plug();
  // Pulls the cable once `bytes` more bytes have crossed the bulk pipes: the
  // URB that reaches the mark moves the bytes up to it and ends with
  // -ESHUTDOWN, as the kernel ends the URBs of a device that went away.
  void UnplugAfterBulkBytes(uint64_t bytes);

  // What crossed the cable since the camera was plugged in.
  struct Traffic {
    int controlIn = 0, controlOut = 0, bulkIn = 0, bulkOut = 0;
    int stalls = 0;       // transfers the camera failed
    int zeroLengthOut = 0;  // bulk-out URBs without data
    uint64_t bytesIn = 0, bytesOut = 0;  // bulk bytes
  };
  Traffic Seen() const;
  bool Plugged() const;

 private:
  // One open descriptor of the device node: its claim and its finished URBs.
  struct Descriptor {
    int session = 0;     // the claim; 0 when not claimed
    bool dead = false;   // opened on a camera that has since been unplugged
    std::deque<UMockdevIoctlData*> done;
  };

  static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);

  gboolean Handle(UMockdevIoctlClient* client);
  gboolean Claim(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg);
  gboolean Submit(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg);
  gboolean Reap(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg);
  // A vendor control transfer: the setup packet, then the data stage.
  // Result: bytes of the data stage moved, or -1 for a stall.
  int Control(int session, const uint8_t* setup, uint8_t* data);
  // A bulk transfer; `status` becomes the URB's status.
  int Bulk(int session, uint8_t endpoint, uint8_t* data, int length, int& status);
  void VanishLocked();
  static void Drop(Descriptor& fd);

  camsim::CameraModel& model_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  bool ready_ = false;

  mutable std::mutex mutex_;  // everything below; the handler runs on umockdev's thread
  bool plugged_ = true;
  std::optional<uint64_t> unplugAfter_;
  std::map<UMockdevIoctlClient*, Descriptor> descriptors_;
  Traffic traffic_;
};
