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
//   DISCARDURB              a URB the silent camera holds ends with -ENOENT
//   a transfer the model    the URB ends with -EPIPE (a stall), which libusb
//   fails                   reports as LIBUSB_ERROR_PIPE
//   unplugged               every other ioctl answers ENODEV
//
// Every URB finishes as it is submitted, unless the test makes the camera
// fall silent: the model answers at once (its own sleeps are a hook the
// caller makes instant). Where the model has nothing to send on bulk-in, or
// does not take a bulk-out block, the URB ends at once with no bytes or with
// a stall, where a real camera might NAK until the host's time-out; the
// caller sees the same count.
//
// What umockdev cannot show, and where it is covered instead:
//  - Time on the wire: URBs finish at once (or, for a silent camera, when
//    the host discards them), so bandwidth and the camera's real pace are
//    not seen here. The pace is the model's own (its bulk speed and the live
//    stream's real-time blocks), run by the daemon and measured by
//    bench_driver. The backend's bulk time-out does run here, for real, when
//    the camera falls silent (FallSilentAfterBulkBytes).
//  - The kernel: no driver binds to the device, so detaching and giving back
//    a kernel driver is tested with scripted ioctls (tests/teskdll,
//    UsbBackendTest); udev's permissions on /dev/bus/usb are not emulated.
//  - Hotplug: an unplug sends no uevent and leaves the device in sysfs, and
//    the usbfs descriptor never polls as POLLERR. The backend enumerates at
//    every Device_Open and learns of a vanished camera from the URB that ends
//    with -ESHUTDOWN and the ioctls that answer ENODEV, which this gives.
//  - Packets: no max-packet splitting, zero-length packets on the wire, data
//    toggles or babble; a transfer is one URB (NO_PACKET_SIZE_LIM).
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
  // The camera falls silent once `bytes` more bytes have crossed the bulk
  // pipes: the URB that reaches the mark moves the bytes up to it and then
  // stays pending (the camera NAKs), as does every later bulk URB, until the
  // host gives up and discards it (libusb's time-out). Control transfers
  // still work. SpeakAgain ends the silence for the URBs submitted after it.
  void FallSilentAfterBulkBytes(uint64_t bytes);
  void SpeakAgain();

  // What crossed the cable since the camera was plugged in.
  struct Traffic {
    int controlIn = 0, controlOut = 0, bulkIn = 0, bulkOut = 0;
    int stalls = 0;       // transfers the camera failed
    int discarded = 0;    // URBs the host gave up on
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
    // URBs the silent camera holds, by their address in the client.
    std::map<uint64_t, UMockdevIoctlData*> pending;
  };

  static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);

  gboolean Handle(UMockdevIoctlClient* client);
  gboolean Claim(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg);
  gboolean Submit(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg);
  gboolean Reap(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg);
  gboolean Discard(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg);
  // A vendor control transfer: the setup packet, then the data stage.
  // Result: bytes of the data stage moved, or -1 for a stall.
  int Control(int session, const uint8_t* setup, uint8_t* data);
  // A bulk transfer; `status` becomes the URB's status. `held` is set when
  // the silent camera keeps the URB pending.
  int Bulk(int session, uint8_t endpoint, uint8_t* data, int length, int& status, bool& held);
  void VanishLocked();
  static void Drop(Descriptor& fd);

  camsim::CameraModel& model_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  bool ready_ = false;

  mutable std::mutex mutex_;  // everything below; the handler runs on umockdev's thread
  bool plugged_ = true;
  std::optional<uint64_t> unplugAfter_;
  std::optional<uint64_t> silentAfter_;
  bool silent_ = false;
  std::map<UMockdevIoctlClient*, Descriptor> descriptors_;
  Traffic traffic_;
};
