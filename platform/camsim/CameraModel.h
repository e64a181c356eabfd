// The camera's firmware, modelled: the device side of the six driver calls.
//
// The Memory Stick is a host folder holding the camera's tree. The model is
// used in-process by tests and wrapped by the orin-camsim daemon, which serves
// it over a Unix socket (SimWire.h). It is safe to call from several threads:
// one client's transfers and another's control commands may meet.
#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace camsim {

struct ModelOptions {
  std::filesystem::path stick;                 // the Memory Stick's host folder
  uint64_t capacityBytes = 64ull * 1024 * 1024;  // total bytes the stick reports
  // Sleeps of the simulator's own real-time behaviour (bulk throttling, the
  // live stream's pace). Tests give one that returns at once.
  std::function<void(std::chrono::microseconds)> sleep;
  // The camera's video-mode byte: 1 for frames of 320 x 240, 0 for 352 x 288.
  uint8_t videoMode = 1;
  // One line per request, for the daemon's stderr log. May be empty.
  std::function<void(const std::string&)> log;
};

class CameraModel {
 public:
  explicit CameraModel(ModelOptions options);
  ~CameraModel();
  CameraModel(const CameraModel&) = delete;
  CameraModel& operator=(const CameraModel&) = delete;

  // Device_Open: a session token > 0, or 0 when there is none to give: the
  // camera is unplugged, or another session holds it (then `busy` is set).
  // Like a USB interface, the camera serves one program at a time: its one
  // current folder, bulk pipe and stream belong to that session until Close
  // or the next unplug, after which the session's transfers fail.
  int Open(bool* busy = nullptr);
  void Close(int session);

  // The transfers of a session. Results follow the driver functions:
  // control transfers non-zero when done, bulk transfers the byte count.
  int VendorWrite(int session, int request, int value, int index, int length, const void* data);
  int VendorRead(int session, int request, int value, int index, int length, void* data);
  int BulkIn(int session, void* data, int length);
  int BulkOut(int session, const void* data, int length);

  // One command line of orin-camsim-ctl ("unplug", "examine 3", ...).
  // Returns true when done; `reply` gets the text to print.
  bool Control(const std::string& command, std::string& reply);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace camsim
