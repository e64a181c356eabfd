// The driver functions over an in-process camera simulator, for tests.
//
//   TempStick stick;                       // a fresh, empty stick folder
//   SimDriver driver(stick.Path());        // a camera model over it
//   driver.Device_Open();
//   std::string reply;
//   driver.Model().Control("eject", reply);
//
// The model's own real-time sleeps (bulk throttling) return at once unless
// the options given say otherwise.
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "camera/CameraDriver.h"
#include "platform/camsim/CameraModel.h"

// A stick folder under the temporary folder, removed with everything in it.
class TempStick {
 public:
  TempStick();
  ~TempStick();
  TempStick(const TempStick&) = delete;
  TempStick& operator=(const TempStick&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class SimDriver : public CameraDriver {
 public:
  // Owns a model over the stick folder `stick`.
  explicit SimDriver(const std::filesystem::path& stick, uint64_t capacityBytes = 64ull * 1024 * 1024);
  explicit SimDriver(camsim::ModelOptions options);
  // Drives a model owned elsewhere (several drivers may share one camera).
  explicit SimDriver(camsim::CameraModel& model);
  ~SimDriver() override;

  camsim::CameraModel& Model() { return *model_; }
  // Runs a control command; true when the model accepted it.
  bool Control(const std::string& command);
  int Session() const { return session_; }

  int Device_Open() override;
  void Device_Close() override;
  int Vendor_Write(int request, int value, int index, int length, void* data) override;
  int Vendor_Read(int request, int value, int index, int length, void* data) override;
  int Bulk_IN(void* data, int length) override;
  int Bulk_OUT(void* data, int length) override;

 private:
  std::unique_ptr<camsim::CameraModel> owned_;
  camsim::CameraModel* model_;
  int session_ = 0;
};
