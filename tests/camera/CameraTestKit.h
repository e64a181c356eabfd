// What the camera and file-operation tests share: a CameraUi that records
// what the user would have seen, a driver that counts what passes it, a
// scripted camera for answers the simulator never gives, and the one storage
// start-up every test connects with (the connection's own, as orin-cam's).
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "camera/CameraConnection.h"
#include "camera/CameraDriver.h"
#include "camera/CameraProtocol.h"
#include "camera/CameraUi.h"

class RecordingUi final : public CameraUi {
 public:
  std::vector<int> messages;
  std::vector<MsgIcon> icons;
  std::vector<std::string> texts;  // shown as they stand, not by string id
  int fills = 0, pollStops = 0, pollStarts = 0, steps = 0, busyCloses = 0, repaints = 0;
  bool buttonsShown = true, paneEnabled = true, formatShown = false;

  void ShowMessage(int id, MsgIcon icon) override {
    messages.push_back(id);
    icons.push_back(icon);
  }
  void ShowText(const std::string& text, MsgIcon icon) override {
    texts.push_back(text);
    icons.push_back(icon);
  }
  void FillCamPane() override { ++fills; }
  void ShowCameraButtons(bool shown) override { buttonsShown = shown; }
  void EnableCameraPane(bool enabled) override { paneEnabled = enabled; }
  void ShowFormatButton(bool shown) override { formatShown = shown; }
  void StepProgress() override { ++steps; }
  void CloseBusyDialog() override { ++busyCloses; }
  void Repaint() override { ++repaints; }
  void StopStoragePoll() override { ++pollStops; }
  void StartStoragePoll(int ms) override {
    ++pollStarts;
    lastPollMs = ms;
  }
  int lastPollMs = 0;
};

// A camera that answers every control transfer with success and status 0 and
// hands out the bulk-in blocks queued in `bulk`, as they stand: records with
// any bytes, and counts larger than asked.
class ScriptedCamera final : public CameraDriver {
 public:
  struct Block {
    std::vector<uint8_t> bytes;
    int claimed = INT_MIN;  // the count Bulk_IN answers; INT_MIN: the bytes delivered
  };
  std::deque<Block> bulk;
  bool endless = false;  // once `bulk` is used up, the same folder record for ever
  std::array<uint8_t, 8> capacity{0, 0, 0x10, 0, 0, 0, 0x40, 0};  // 1 MB free of 4 MB

  void QueueRecord(const std::string& name, const std::string& ext, uint32_t size = 0) {
    std::vector<uint8_t> rec(kDirRecordLength, 0);
    std::memcpy(rec.data(), name.data(), std::min<size_t>(name.size(), 8));
    std::memcpy(rec.data() + 8, ext.data(), std::min<size_t>(ext.size(), 3));
    rec[24] = 0x31, rec[25] = 0x2F;  // 2003-09-17
    std::memcpy(rec.data() + 28, &size, 4);
    bulk.push_back({rec});
  }
  void QueueEnd() { bulk.push_back({std::vector<uint8_t>(kDirRecordLength, 0xFF)}); }

  int Device_Open() override { return 1; }
  void Device_Close() override {}
  int Vendor_Write(int, int, int, int, void*) override { return 1; }
  int Vendor_Read(int request, int, int, int length, void* data) override {
    std::memset(data, 0, static_cast<size_t>(length));
    if (request == REQ_GET_CAPACITY) std::memcpy(data, capacity.data(), std::min<size_t>(length, 8));
    return 1;
  }
  int Bulk_IN(void* data, int length) override {
    if (bulk.empty() && endless) QueueRecord("100QXCAM", "");
    if (bulk.empty()) return 0;
    Block b = bulk.front();
    bulk.pop_front();
    std::memcpy(data, b.bytes.data(), std::min<size_t>(b.bytes.size(), static_cast<size_t>(length)));
    return b.claimed != INT_MIN ? b.claimed : static_cast<int>(b.bytes.size());
  }
  int Bulk_OUT(void*, int length) override { return length; }
};

// Forwards to another driver (the simulator), remembers bulk sizes and every
// vendor write.
class CountingDriver final : public CameraDriver {
 public:
  explicit CountingDriver(CameraDriver& inner) : inner_(inner) {}
  std::vector<int> bulkOut, bulkInAsked;
  std::vector<std::pair<int, std::vector<uint8_t>>> writes;
  // Opens, closes and control requests in order: "open", "close",
  // "REQ_SET_MODE 257" (a write with its value), "REQ_GET_STATUS?" (a read).
  std::vector<std::string> calls;
  std::function<void()> onBulk;  // runs before every bulk transfer
  // A control request this answers with a failed transfer instead of passing it on.
  std::function<bool(int request, int value)> fails;
  int Device_Open() override {
    calls.push_back("open");
    return inner_.Device_Open();
  }
  void Device_Close() override {
    calls.push_back("close");
    inner_.Device_Close();
  }
  int Vendor_Write(int r, int v, int i, int l, void* d) override {
    auto* p = static_cast<uint8_t*>(d);
    writes.push_back({r, std::vector<uint8_t>(p, p + (l > 0 ? l : 0))});
    calls.push_back(std::string(RequestCodeName(r)) + " " + std::to_string(v));
    if (fails && fails(r, v)) return 0;
    return inner_.Vendor_Write(r, v, i, l, d);
  }
  int Vendor_Read(int r, int v, int i, int l, void* d) override {
    calls.push_back(std::string(RequestCodeName(r)) + "?");
    if (fails && fails(r, v)) return 0;
    return inner_.Vendor_Read(r, v, i, l, d);
  }
  int Bulk_IN(void* d, int l) override {
    if (onBulk) onBulk();
    bulkInAsked.push_back(l);
    return inner_.Bulk_IN(d, l);
  }
  int Bulk_OUT(void* d, int l) override {
    if (onBulk) onBulk();
    bulkOut.push_back(l);
    return inner_.Bulk_OUT(d, l);
  }
  std::vector<std::vector<uint8_t>> WritesOf(int request) const {
    std::vector<std::vector<uint8_t>> out;
    for (auto& [r, bytes] : writes)
      if (r == request) out.push_back(bytes);
    return out;
  }

 private:
  CameraDriver& inner_;
};

// The storage start-up of every camera and file-operation test: the
// connection's storage session (open, storage mode, the stick checked, the
// root listed), then `path` ("DCIM", "100QXCAM") walked and listed.
inline void OpenInStorage(CameraConnection& connection, std::initializer_list<const char*> path = {}) {
  ASSERT_EQ(connection.OpenStorageSession(), CameraConnection::SessionStart::Ready);
  for (const char* part : path) ASSERT_TRUE(connection.ChangeCamFolder(part)) << part;
  ASSERT_TRUE(connection.ListCamFolder());
}
