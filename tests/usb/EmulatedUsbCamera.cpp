#include "tests/usb/EmulatedUsbCamera.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Device descriptor (vendor 0x3a5c, product 0x0501, one configuration), then
// the configuration: interface 0 with the bulk-in endpoint 0x81 and the
// bulk-out endpoint 0x02, 512-byte packets (high speed).
constexpr const char* kDescriptors =
    "12010002000000405c3a010500010000"
    "0001"
    "090220000101008032"
    "0904000002ff000000"
    "07058102000200"
    "07050202000200";
constexpr const char* kSysPath = "/devices/usb1";
constexpr uint8_t kBulkIn = 0x81;
constexpr uint8_t kBulkOut = 0x02;
constexpr unsigned kInterface = 0;
constexpr int kSetupBytes = 8;

gboolean Complete(UMockdevIoctlClient* client, long result, int error) {
  umockdev_ioctl_client_complete(client, result, error);
  return TRUE;
}

// The URB an ioctl names, by its address in the client's memory (as long as
// the argument has not been resolved).
uint64_t ClientAddress(UMockdevIoctlData* arg) {
  uint64_t address = 0;
  std::memcpy(&address, arg->data, std::min(sizeof address, size_t(arg->data_len)));
  return address;
}

}  // namespace

EmulatedUsbCamera::EmulatedUsbCamera(camsim::CameraModel& model) : model_(model) {
  testbed_ = umockdev_testbed_new();
  if (!umockdev_in_mock_environment()) {
    ADD_FAILURE() << "run this test under umockdev's preload: umockdev-wrapper <test>";
    return;
  }
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(OnIoctl), this);
  g_signal_connect(handler_, "client-vanished", G_CALLBACK(OnVanished), this);
  // The handler first, so that the node answers as soon as it exists.
  if (!umockdev_testbed_attach_ioctl(testbed_, kDevNode, handler_, nullptr)) {
    ADD_FAILURE() << "umockdev would not attach to " << kDevNode;
    return;
  }
  const std::string device = std::string("P: ") + kSysPath + "\n" +
                             "N: bus/usb/001/001\n"
                             "E: SUBSYSTEM=usb\n"
                             "E: DRIVER=usb\n"
                             "E: BUSNUM=001\n"
                             "E: DEVNUM=001\n"
                             "E: DEVNAME=" + kDevNode + "\n"
                             "E: DEVTYPE=usb_device\n"
                             "A: bConfigurationValue=1\\n\n"
                             "A: busnum=1\\n\n"
                             "A: devnum=1\\n\n"
                             "A: speed=480\\n\n"
                             "H: descriptors=" + kDescriptors + "\n";
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, device.c_str(), &error)) {
    ADD_FAILURE() << "umockdev would not add the camera: " << (error ? error->message : "");
    if (error) g_error_free(error);
    return;
  }
  ready_ = true;
}

EmulatedUsbCamera::~EmulatedUsbCamera() {
  if (handler_) g_object_unref(handler_);
  if (testbed_) g_object_unref(testbed_);
  std::lock_guard lock(mutex_);
  for (auto& [client, fd] : descriptors_) {
    if (fd.session) model_.Close(fd.session);
    Drop(fd);
  }
}

void EmulatedUsbCamera::Unplug() {
  std::lock_guard lock(mutex_);
  if (plugged_) VanishLocked();
}

void EmulatedUsbCamera::Plug() {
  std::lock_guard lock(mutex_);
  if (plugged_) return;
  std::string reply;
  model_.Control("plug", reply);
  plugged_ = true;
  traffic_ = {};
}

void EmulatedUsbCamera::UnplugAfterBulkBytes(uint64_t bytes) {
  std::lock_guard lock(mutex_);
  unplugAfter_ = bytes;
}

void EmulatedUsbCamera::FallSilentAfterBulkBytes(uint64_t bytes) {
  std::lock_guard lock(mutex_);
  silentAfter_ = bytes;
}

void EmulatedUsbCamera::SpeakAgain() {
  std::lock_guard lock(mutex_);
  silentAfter_.reset();
  silent_ = false;
}

EmulatedUsbCamera::Traffic EmulatedUsbCamera::Seen() const {
  std::lock_guard lock(mutex_);
  return traffic_;
}

bool EmulatedUsbCamera::Plugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

// The camera loses power: the model's sessions die with it, and every
// descriptor open on the old device stays dead, also after a new plug.
void EmulatedUsbCamera::VanishLocked() {
  plugged_ = false;
  unplugAfter_.reset();
  silentAfter_.reset();
  silent_ = false;
  for (auto& [client, fd] : descriptors_) {
    fd.session = 0;
    fd.dead = true;
    // The kernel ends the URBs of a vanished device.
    for (auto& [address, urb] : fd.pending) {
      reinterpret_cast<usbdevfs_urb*>(urb->data)->status = -ESHUTDOWN;
      fd.done.push_back(urb);
    }
    fd.pending.clear();
  }
  std::string reply;
  model_.Control("unplug", reply);
}

void EmulatedUsbCamera::Drop(Descriptor& fd) {
  for (UMockdevIoctlData* urb : fd.done) g_object_unref(urb);
  for (auto& [address, urb] : fd.pending) g_object_unref(urb);
  fd.done.clear();
  fd.pending.clear();
}

gboolean EmulatedUsbCamera::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  return static_cast<EmulatedUsbCamera*>(self)->Handle(client);
}

void EmulatedUsbCamera::OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* camera = static_cast<EmulatedUsbCamera*>(self);
  std::lock_guard lock(camera->mutex_);
  auto it = camera->descriptors_.find(client);
  if (it == camera->descriptors_.end()) return;
  if (it->second.session) camera->model_.Close(it->second.session);  // a program that died gives the camera back
  Drop(it->second);
  camera->descriptors_.erase(it);
}

gboolean EmulatedUsbCamera::Handle(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  auto [it, opened] = descriptors_.try_emplace(client);
  Descriptor& fd = it->second;
  if (opened) fd.dead = !plugged_;
  if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) return Reap(client, fd, arg);
  if (fd.dead) return Complete(client, -1, ENODEV);
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
      const uint32_t caps = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                            USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
      std::memcpy(d->data, &caps, sizeof caps);
      g_object_unref(d);
      return Complete(client, 0, 0);
    }
    case USBDEVFS_CLAIMINTERFACE:
      return Claim(client, fd, arg);
    case USBDEVFS_RELEASEINTERFACE:
      if (fd.session) model_.Close(fd.session);
      fd.session = 0;
      return Complete(client, 0, 0);
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
      return Complete(client, 0, 0);
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
      return Complete(client, -1, ENODATA);  // no kernel driver is bound to the camera
    case USBDEVFS_SUBMITURB:
      return Submit(client, fd, arg);
    case USBDEVFS_DISCARDURB:
      return Discard(client, fd, arg);
    default:
      return Complete(client, -1, ENOTTY);
  }
}

gboolean EmulatedUsbCamera::Claim(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg) {
  UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
  unsigned interface = 0;
  std::memcpy(&interface, d->data, sizeof interface);
  g_object_unref(d);
  if (interface != kInterface) return Complete(client, -1, ENOENT);
  if (fd.session) return Complete(client, 0, 0);  // already this descriptor's
  bool busy = false;
  fd.session = model_.Open(&busy);
  if (fd.session) return Complete(client, 0, 0);
  return Complete(client, -1, busy ? EBUSY : ENODEV);
}

gboolean EmulatedUsbCamera::Submit(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg) {
  const uint64_t address = ClientAddress(arg);  // before resolving, which points it at a local copy
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
  const bool control = urb->type == USBDEVFS_URB_TYPE_CONTROL && urb->endpoint == 0;
  const bool bulk = urb->type == USBDEVFS_URB_TYPE_BULK &&
                    (urb->endpoint == kBulkIn || urb->endpoint == kBulkOut);
  if ((!control && !bulk) || urb->buffer_length < (control ? kSetupBytes : 0)) {
    g_object_unref(urbData);
    return Complete(client, -1, control || bulk ? EINVAL : ENOENT);
  }
  UMockdevIoctlData* buffer = nullptr;  // none for a zero-length transfer
  if (urb->buffer_length > 0)
    buffer = umockdev_ioctl_data_resolve(urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer),
                                         size_t(urb->buffer_length), nullptr);
  auto* bytes = static_cast<uint8_t*>(urb->buffer);
  urb->status = 0;
  urb->actual_length = 0;
  if (control) {
    const int length = bytes[6] | bytes[7] << 8;
    if (kSetupBytes + length > urb->buffer_length) {
      urb->status = -EINVAL;
    } else {
      const int moved = Control(fd.session, bytes, bytes + kSetupBytes);
      if (moved < 0) {
        urb->status = -EPIPE;
        ++traffic_.stalls;
      } else {
        urb->actual_length = moved;
      }
    }
  } else {
    bool held = false;
    urb->actual_length = Bulk(fd.session, urb->endpoint, bytes, urb->buffer_length, urb->status, held);
    if (held) {
      // The bytes moved so far go back to the client now; the URB waits.
      if (buffer) g_object_unref(buffer);
      fd.pending[address] = urbData;
      return Complete(client, 0, 0);
    }
  }
  if (buffer) g_object_unref(buffer);
  fd.done.push_back(urbData);  // keeps the reference until reaped
  return Complete(client, 0, 0);
}

gboolean EmulatedUsbCamera::Discard(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg) {
  auto it = fd.pending.find(ClientAddress(arg));
  if (it == fd.pending.end()) return Complete(client, -1, EINVAL);  // finished already
  reinterpret_cast<usbdevfs_urb*>(it->second->data)->status = -ENOENT;
  fd.done.push_back(it->second);
  fd.pending.erase(it);
  ++traffic_.discarded;
  return Complete(client, 0, 0);
}

gboolean EmulatedUsbCamera::Reap(UMockdevIoctlClient* client, Descriptor& fd, UMockdevIoctlData* arg) {
  if (fd.done.empty()) return Complete(client, -1, fd.dead ? ENODEV : EAGAIN);
  UMockdevIoctlData* urb = fd.done.front();
  fd.done.pop_front();
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, urb);
  g_object_unref(slot);
  g_object_unref(urb);
  return Complete(client, 0, 0);
}

int EmulatedUsbCamera::Control(int session, const uint8_t* setup, uint8_t* data) {
  const uint8_t type = setup[0], request = setup[1];
  const int value = setup[2] | setup[3] << 8;
  const int index = setup[4] | setup[5] << 8;
  const int length = setup[6] | setup[7] << 8;
  // The camera speaks vendor requests to the device; it stalls the rest.
  if ((type & 0x7F) != 0x40) return -1;
  if (type & 0x80) {
    ++traffic_.controlIn;
    return model_.VendorRead(session, request, value, index, length, data) ? length : -1;
  }
  ++traffic_.controlOut;
  return model_.VendorWrite(session, request, value, index, length, data) ? length : -1;
}

int EmulatedUsbCamera::Bulk(int session, uint8_t endpoint, uint8_t* data, int length, int& status, bool& held) {
  if (silent_) {
    held = true;
    return 0;
  }
  int limit = length;
  const bool cut = unplugAfter_ && *unplugAfter_ < uint64_t(length);
  const bool hush = silentAfter_ && *silentAfter_ < uint64_t(length);
  if (cut) limit = int(*unplugAfter_);
  if (hush) limit = std::min(limit, int(*silentAfter_));
  int moved;
  if (endpoint == kBulkIn) {
    moved = session ? model_.BulkIn(session, data, limit) : 0;
    ++traffic_.bulkIn;
    traffic_.bytesIn += uint64_t(moved);
  } else {
    moved = session ? model_.BulkOut(session, data, limit) : 0;
    ++traffic_.bulkOut;
    traffic_.bytesOut += uint64_t(moved);
    if (length == 0) ++traffic_.zeroLengthOut;
  }
  if (unplugAfter_) *unplugAfter_ -= std::min<uint64_t>(*unplugAfter_, uint64_t(moved));
  if (silentAfter_) *silentAfter_ -= std::min<uint64_t>(*silentAfter_, uint64_t(moved));
  if (hush && !cut) {
    silent_ = true;
    silentAfter_.reset();
    held = true;
    return moved;
  }
  if (cut) {
    status = -ESHUTDOWN;
    VanishLocked();
  } else if ((endpoint == kBulkOut && moved < length) || !session) {
    status = -EPIPE;  // the camera did not take the block
    ++traffic_.stalls;
  }
  return moved;
}
