// The six driver functions as an object, so that the camera code can run
// against libTeskDll.so in the product and against the in-process simulator
// in tests. Results are those of the driver library.
#pragma once

class CameraDriver {
 public:
  virtual ~CameraDriver() = default;
  virtual int Device_Open() = 0;
  virtual void Device_Close() = 0;
  virtual int Vendor_Write(int request, int value, int index, int length, void* data) = 0;
  virtual int Vendor_Read(int request, int value, int index, int length, void* data) = 0;
  virtual int Bulk_IN(void* data, int length) = 0;
  virtual int Bulk_OUT(void* data, int length) = 0;
};

// The driver library itself (libTeskDll.so).
CameraDriver& TeskDllDriver();
