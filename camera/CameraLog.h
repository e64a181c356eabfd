// The "orin.camera" logging category, off by default, and the driver that
// writes to it every request the program sends the camera with its outcome:
// all of the program's camera traffic (the window's, the transfer thread's,
// the streaming worker's) passes the one driver it is given.
//
//   QT_LOGGING_RULES="orin.camera.debug=true" orinmedia
//
// A stream poll that finds nothing waiting is left out: the worker asks every
// 2 ms. Bulk transfers are not requests and are not logged.
#pragma once
#include <QLoggingCategory>

#include "camera/CameraDriver.h"

Q_DECLARE_LOGGING_CATEGORY(lcCamera)

class LoggedDriver final : public CameraDriver {
 public:
  explicit LoggedDriver(CameraDriver& driver) : driver_(driver) {}

  int Device_Open() override;
  void Device_Close() override;
  int Vendor_Write(int request, int value, int index, int length, void* data) override;
  int Vendor_Read(int request, int value, int index, int length, void* data) override;
  int Bulk_IN(void* data, int length) override { return driver_.Bulk_IN(data, length); }
  int Bulk_OUT(void* data, int length) override { return driver_.Bulk_OUT(data, length); }

 private:
  CameraDriver& driver_;
};
