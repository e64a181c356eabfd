// PixaConverter: the StillConverter of the product, over libPIXA.so.
#include "video/StillCapture.h"

namespace {

class PixaLibraryConverter final : public StillConverter {
 public:
  int ReadyPIXA(const char* tablePath) override { return ::ReadyPIXA(tablePath); }
  int RunPIXA2JpegFile(uint8_t* data, uint32_t* length) override { return ::RunPIXA2JpegFile(data, length); }
  void ReleasePIXA() override { ::ReleasePIXA(); }
};

}  // namespace

StillConverter& PixaConverter() {
  static PixaLibraryConverter converter;
  return converter;
}
