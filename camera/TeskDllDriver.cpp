// TeskDllDriver: the CameraDriver of the product, over libTeskDll.so.
#include "camera/CameraDriver.h"
#include "platform/teskdll/TeskDll.h"

namespace {

class TeskDllCameraDriver final : public CameraDriver {
 public:
  int Device_Open() override { return ::Device_Open(); }
  void Device_Close() override { ::Device_Close(); }
  int Vendor_Write(int request, int value, int index, int length, void* data) override {
    return ::Vendor_Write(request, value, index, length, data);
  }
  int Vendor_Read(int request, int value, int index, int length, void* data) override {
    return ::Vendor_Read(request, value, index, length, data);
  }
  int Bulk_IN(void* data, int length) override { return ::Bulk_IN(data, length); }
  int Bulk_OUT(void* data, int length) override { return ::Bulk_OUT(data, length); }
};

}  // namespace

CameraDriver& TeskDllDriver() {
  static TeskDllCameraDriver driver;
  return driver;
}
