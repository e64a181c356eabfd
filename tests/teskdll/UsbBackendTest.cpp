// libTeskDll.so's usb backend against a USB camera emulated by umockdev: the
// device is in the mock sysfs and /dev/bus/usb, and this test answers its
// usbdevfs ioctls itself, so libusb enumerates, opens and talks to it as to
// real hardware. Runs under umockdev's preload: `umockdev-wrapper <this test>`.
#include <errno.h>
#include <gtest/gtest.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <stdlib.h>
#include <umockdev.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/teskdll/TeskDll.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The emulated camera has the id the library was built with, so that the
// default (no ORIN_USB_ID in the environment) can be tried as well.
constexpr const char* kUsbId = ORIN_DEFAULT_USB_ID;
constexpr const char* kDevNode = "/dev/bus/usb/001/001";

// "vvvv" of "vvvv:pppp" as the two little-endian bytes of a descriptor, in hex.
std::string LittleEndianHex(const std::string& hex4) { return hex4.substr(2, 2) + hex4.substr(0, 2); }

// Device descriptor (the vendor and product of kUsbId), then one configuration
// whose interface 0 has, in this order: an interrupt-in endpoint 0x83, the
// bulk-in 0x81, the bulk-out 0x02, a second bulk-in 0x84 and bulk-out 0x05.
// The backend must pick 0x81 and 0x02.
std::string Descriptors() {
  const std::string id = kUsbId;
  return "1201000200000040" + LittleEndianHex(id.substr(0, 4)) + LittleEndianHex(id.substr(5, 4)) +
         "00010000"
         "0001"
         "090235000101008032"
         "0904000005ff000000"
         "07058303080010"
         "07058102000200"
         "07050202000200"
         "07058402000200"
         "07050502000200";
}

struct Setup {
  uint8_t requestType, request;
  uint16_t value, index, length;
  Bytes data;  // what a host-to-device transfer carried
};

struct Urb {
  uint8_t type, endpoint;
  int bufferLength;
};

// The emulated camera's firmware and its view of the usbdevfs ioctls.
class MockCamera {
 public:
  std::mutex mutex;
  // What the host did.
  std::vector<Setup> controls;
  std::vector<Urb> urbs;
  std::vector<Bytes> bulkOut;
  std::vector<unsigned long> interfaceOps;  // USBDEVFS_CLAIMINTERFACE / RELEASEINTERFACE
  std::vector<int> driverOps;               // USBDEVFS_DISCONNECT / USBDEVFS_CONNECT
  // What the camera answers.
  Bytes controlReply;              // data of every device-to-host control transfer
  std::deque<Bytes> bulkInBlocks;  // one per bulk-in transfer
  bool kernelDriverBound = false;
  bool gone = false;     // unplugged: every ioctl fails with ENODEV
  bool claimedElsewhere = false;  // another program holds interface 0: claims fail with EBUSY

  gboolean Handle(UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    if (gone) return Complete(client, -1, ENODEV);
    switch (request) {
      case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
        const uint32_t caps = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                              USBDEVFS_CAP_BULK_CONTINUATION;
        std::memcpy(d->data, &caps, sizeof caps);
        g_object_unref(d);
        return Complete(client, 0, 0);
      }
      case USBDEVFS_CLAIMINTERFACE:
        if (claimedElsewhere) return Complete(client, -1, EBUSY);
        interfaceOps.push_back(request);
        return Complete(client, 0, 0);
      case USBDEVFS_RELEASEINTERFACE:
        interfaceOps.push_back(request);
        return Complete(client, 0, 0);
      case USBDEVFS_CLEAR_HALT:
      case USBDEVFS_RESETEP:
        return Complete(client, 0, 0);
      case USBDEVFS_GETDRIVER: {
        if (!kernelDriverBound) return Complete(client, -1, ENODATA);
        UMockdevIoctlData* d =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
        auto* g = reinterpret_cast<usbdevfs_getdriver*>(d->data);
        std::strcpy(g->driver, "mockcam");
        g_object_unref(d);
        return Complete(client, 0, 0);
      }
      case USBDEVFS_IOCTL: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
        const int code = reinterpret_cast<usbdevfs_ioctl*>(d->data)->ioctl_code;
        g_object_unref(d);
        if (code == static_cast<int>(USBDEVFS_DISCONNECT) && kernelDriverBound) {
          kernelDriverBound = false;
        } else if (code == static_cast<int>(USBDEVFS_CONNECT) && !kernelDriverBound) {
          kernelDriverBound = true;
        } else {
          return Complete(client, -1, ENODATA);
        }
        driverOps.push_back(code);
        return Complete(client, 0, 0);
      }
      case USBDEVFS_SUBMITURB:
        return Submit(client, arg);
      case USBDEVFS_REAPURB:
      case USBDEVFS_REAPURBNDELAY: {
        if (done_.empty()) return Complete(client, -1, EAGAIN);
        UMockdevIoctlData* urb = done_.front();
        done_.pop_front();
        UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(slot, 0, urb);
        g_object_unref(slot);
        g_object_unref(urb);
        return Complete(client, 0, 0);
      }
      case USBDEVFS_DISCARDURB:
        return Complete(client, -1, EINVAL);  // every URB completes at once: nothing to discard
      default:
        return Complete(client, -1, ENOTTY);
    }
  }

  ~MockCamera() {
    for (UMockdevIoctlData* urb : done_) g_object_unref(urb);
  }

 private:
  static gboolean Complete(UMockdevIoctlClient* client, long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
    return TRUE;
  }

  // Every URB completes at once; the answer is written now and reaped next.
  gboolean Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
        urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer), urb->buffer_length, nullptr);
    auto* bytes = static_cast<unsigned char*>(urb->buffer);
    urbs.push_back({urb->type, urb->endpoint, urb->buffer_length});
    urb->status = 0;
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
      Setup s{bytes[0], bytes[1], static_cast<uint16_t>(bytes[2] | bytes[3] << 8),
              static_cast<uint16_t>(bytes[4] | bytes[5] << 8),
              static_cast<uint16_t>(bytes[6] | bytes[7] << 8), {}};
      if (s.requestType & 0x80) {
        const size_t n = std::min<size_t>(s.length, controlReply.size());
        std::memcpy(bytes + 8, controlReply.data(), n);
        urb->actual_length = static_cast<int>(n);
      } else {
        s.data.assign(bytes + 8, bytes + 8 + s.length);
        urb->actual_length = s.length;
      }
      controls.push_back(std::move(s));
    } else if (urb->endpoint & 0x80) {
      Bytes block;
      if (!bulkInBlocks.empty()) {
        block = std::move(bulkInBlocks.front());
        bulkInBlocks.pop_front();
      }
      const size_t n = std::min<size_t>(block.size(), urb->buffer_length);
      std::memcpy(bytes, block.data(), n);
      urb->actual_length = static_cast<int>(n);
    } else {
      bulkOut.emplace_back(bytes, bytes + urb->buffer_length);
      urb->actual_length = urb->buffer_length;
    }
    if (buffer != nullptr) g_object_unref(buffer);  // none for a zero-length buffer
    done_.push_back(urbData);  // keeps the reference until reaped
    return Complete(client, 0, 0);
  }

  std::deque<UMockdevIoctlData*> done_;
};

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer camera) {
  return static_cast<MockCamera*>(camera)->Handle(client);
}

class UsbBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbed_ = umockdev_testbed_new();
    ASSERT_TRUE(umockdev_in_mock_environment())
        << "run this test under umockdev's preload: umockdev-wrapper <test>";
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(OnIoctl), &camera_);
    // The handler first, so that the device node answers as soon as it exists.
    ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed_, kDevNode, handler_, nullptr));
    const std::string device = std::string(
        "P: /devices/usb1\n"
        "N: bus/usb/001/001\n"
        "E: SUBSYSTEM=usb\n"
        "E: DRIVER=usb\n"
        "E: BUSNUM=001\n"
        "E: DEVNUM=001\n"
        "E: DEVNAME=/dev/bus/usb/001/001\n"
        "E: DEVTYPE=usb_device\n"
        "A: bConfigurationValue=1\\n\n"
        "A: busnum=1\\n\n"
        "A: devnum=1\\n\n"
        "A: speed=480\\n\n"
        "H: descriptors=") + Descriptors() + "\n";
    GError* error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, device.c_str(), &error))
        << (error ? error->message : "");
    setenv("ORIN_CAMERA", "usb", 1);
    setenv("ORIN_USB_ID", kUsbId, 1);
  }
  void TearDown() override {
    Device_Close();
    if (handler_) g_object_unref(handler_);
    if (testbed_) g_object_unref(testbed_);
  }

  template <typename F>
  auto Locked(F f) {
    std::lock_guard lock(camera_.mutex);
    return f(camera_);
  }

  MockCamera camera_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
};

TEST_F(UsbBackendTest, OpensTheMatchingDeviceAndClaimsInterfaceZero) {
  ASSERT_NE(Device_Open(), 0);
  Device_Close();
  Device_Close();  // harmless twice
  const auto ops = Locked([](MockCamera& c) { return c.interfaceOps; });
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0], static_cast<unsigned long>(USBDEVFS_CLAIMINTERFACE));
  EXPECT_EQ(ops[1], static_cast<unsigned long>(USBDEVFS_RELEASEINTERFACE));
}

TEST_F(UsbBackendTest, AnInterfaceClaimedByAnotherProgramIsBusyNotAbsent) {
  Locked([](MockCamera& c) { return c.claimedElsewhere = true; });
  errno = 0;
  EXPECT_EQ(Device_Open(), 0);
  EXPECT_EQ(errno, EBUSY);
  unsigned char b = 0;
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, &b), 0);
  Locked([](MockCamera& c) { return c.claimedElsewhere = false; });
  EXPECT_NE(Device_Open(), 0) << "free once the other program let go";
  setenv("ORIN_USB_ID", "3a5c:0502", 1);
  errno = 0;
  EXPECT_EQ(Device_Open(), 0);
  EXPECT_EQ(errno, ENODEV) << "no such device: absent";
}

TEST_F(UsbBackendTest, NoCameraWithoutAValidMatchingId) {
  const std::string id = kUsbId, vendor = id.substr(0, 4), product = id.substr(5, 4);
  // The same product number one higher names another device.
  char other[5];
  std::snprintf(other, sizeof other, "%04x", (std::stoi(product, nullptr, 16) + 1) & 0xFFFF);
  for (const std::string& bad : {vendor + product, vendor + ":" + product.substr(1), id + "1",
                                  "x" + id.substr(1), vendor + ":" + other, std::string("usb")}) {
    setenv("ORIN_USB_ID", bad.c_str(), 1);
    EXPECT_EQ(Device_Open(), 0) << bad;
  }
  unsetenv("ORIN_CAMERA");  // usb is the default
  std::string upper = id;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  setenv("ORIN_USB_ID", upper.c_str(), 1);
  EXPECT_NE(Device_Open(), 0);
}

// Without ORIN_USB_ID (unset or empty) the library looks for the camera's id
// it was built with, the one the installed udev rule opens to the user.
TEST_F(UsbBackendTest, NoIdInTheEnvironmentMeansTheBuiltInId) {
  unsetenv("ORIN_USB_ID");
  EXPECT_NE(Device_Open(), 0);
  Device_Close();
  setenv("ORIN_USB_ID", "", 1);
  EXPECT_NE(Device_Open(), 0);
}

TEST_F(UsbBackendTest, ControlTransfersBothWays) {
  Locked([](MockCamera& c) { return c.controlReply = {0x00, 0x11, 0x22, 0x33, 0x44}, 0; });
  ASSERT_NE(Device_Open(), 0);
  unsigned char name[13] = "M4V00001.ASF";
  EXPECT_EQ(Vendor_Write(0x59, 0x1234, 0xABCD, 13, name), 1);
  unsigned char unused = 0;
  EXPECT_EQ(Vendor_Write(0x44, 0x101, 0, 0, &unused), 1);
  unsigned char status = 0xFF;
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, &status), 1);
  EXPECT_EQ(status, 0x00);
  unsigned char poll[5] = {};
  EXPECT_EQ(Vendor_Read(0x45, 3, 4, 5, poll), 1);
  EXPECT_EQ(Bytes(poll, poll + 5), (Bytes{0x00, 0x11, 0x22, 0x33, 0x44}));

  const auto controls = Locked([](MockCamera& c) { return c.controls; });
  ASSERT_EQ(controls.size(), 4u);
  EXPECT_EQ(controls[0].requestType, 0x40);
  EXPECT_EQ(controls[0].request, 0x59);
  EXPECT_EQ(controls[0].value, 0x1234);
  EXPECT_EQ(controls[0].index, 0xABCD);
  EXPECT_EQ(controls[0].length, 13);
  EXPECT_EQ(controls[0].data, Bytes(name, name + 13));
  EXPECT_EQ(controls[1].requestType, 0x40);
  EXPECT_EQ(controls[1].request, 0x44);
  EXPECT_EQ(controls[1].value, 0x101);
  EXPECT_EQ(controls[1].length, 0);
  EXPECT_EQ(controls[2].requestType, 0xC0);
  EXPECT_EQ(controls[2].request, 0x61);
  EXPECT_EQ(controls[2].length, 1);
  EXPECT_EQ(controls[3].requestType, 0xC0);
  EXPECT_EQ(controls[3].value, 3);
  EXPECT_EQ(controls[3].index, 4);
  EXPECT_EQ(controls[3].length, 5);
}

TEST_F(UsbBackendTest, ShortControlReadFailsAndLeavesDataUnchanged) {
  Locked([](MockCamera& c) { return c.controlReply = {1, 2}, 0; });
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(Vendor_Read(0x54, 0, 0, 5, b), 0);
  EXPECT_EQ(Bytes(b, b + 5), Bytes(5, 9));
}

TEST_F(UsbBackendTest, BulkTransfersUseTheFirstBulkEndpointsOfInterfaceZero) {
  Bytes block(100);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 3);
  Locked([&](MockCamera& c) {
    c.bulkInBlocks = {Bytes(16384, 0xAB), block};
    return 0;
  });
  ASSERT_NE(Device_Open(), 0);
  Bytes in(16384);
  EXPECT_EQ(Bulk_IN(in.data(), 16384), 16384);
  EXPECT_EQ(in, Bytes(16384, 0xAB));
  EXPECT_EQ(Bulk_IN(in.data(), 16384), 100);  // a short block
  EXPECT_EQ(Bytes(in.begin(), in.begin() + 100), block);
  Bytes out(300, 0x5C);
  EXPECT_EQ(Bulk_OUT(out.data(), 300), 300);
  EXPECT_EQ(Bulk_OUT(out.data(), 0), 0);  // a zero-length block

  const auto urbs = Locked([](MockCamera& c) { return c.urbs; });
  const auto sent = Locked([](MockCamera& c) { return c.bulkOut; });
  ASSERT_EQ(urbs.size(), 4u);
  EXPECT_EQ(urbs[0].type, USBDEVFS_URB_TYPE_BULK);
  EXPECT_EQ(urbs[0].endpoint, 0x81);
  EXPECT_EQ(urbs[0].bufferLength, 16384);
  EXPECT_EQ(urbs[1].endpoint, 0x81);
  EXPECT_EQ(urbs[2].type, USBDEVFS_URB_TYPE_BULK);
  EXPECT_EQ(urbs[2].endpoint, 0x02);
  EXPECT_EQ(urbs[3].endpoint, 0x02);
  EXPECT_EQ(urbs[3].bufferLength, 0);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], out);
  EXPECT_TRUE(sent[1].empty());
}

TEST_F(UsbBackendTest, KernelDriverIsDetachedForTheSessionAndGivenBack) {
  Locked([](MockCamera& c) { return c.kernelDriverBound = true; });
  ASSERT_NE(Device_Open(), 0);
  EXPECT_FALSE(Locked([](MockCamera& c) { return c.kernelDriverBound; }));
  Device_Close();
  EXPECT_TRUE(Locked([](MockCamera& c) { return c.kernelDriverBound; }));
  const auto ops = Locked([](MockCamera& c) { return c.driverOps; });
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0], static_cast<int>(USBDEVFS_DISCONNECT));
  EXPECT_EQ(ops[1], static_cast<int>(USBDEVFS_CONNECT));
}

TEST_F(UsbBackendTest, VanishedDeviceMakesEveryTransferReturnZero) {
  Locked([](MockCamera& c) {
    c.controlReply = {7};
    c.bulkInBlocks = {Bytes(32, 1)};
    return 0;
  });
  ASSERT_NE(Device_Open(), 0);
  unsigned char b[32] = {};
  EXPECT_EQ(Bulk_IN(b, 32), 32);
  Locked([](MockCamera& c) { return c.gone = true; });
  std::memset(b, 0x66, sizeof b);
  EXPECT_EQ(Vendor_Read(0x61, 0, 0, 1, b), 0);
  EXPECT_EQ(b[0], 0x66);  // untouched
  EXPECT_EQ(Vendor_Write(0x41, 0, 0, 0, b), 0);
  EXPECT_EQ(Bulk_IN(b, 32), 0);
  EXPECT_EQ(Bulk_OUT(b, 32), 0);
  EXPECT_EQ(Bulk_OUT(b, 0), 0);
  Device_Close();
  EXPECT_EQ(Device_Open(), 0);  // still unplugged: no camera
}

}  // namespace
