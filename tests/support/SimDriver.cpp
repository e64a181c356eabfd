#include "tests/support/SimDriver.h"

#include <stdlib.h>

#include <system_error>

namespace {

camsim::ModelOptions InstantOptions(const std::filesystem::path& stick, uint64_t capacityBytes) {
  camsim::ModelOptions o;
  o.stick = stick;
  o.capacityBytes = capacityBytes;
  o.sleep = [](std::chrono::microseconds) {};
  return o;
}

}  // namespace

TempStick::TempStick() {
  std::string pattern = (std::filesystem::temp_directory_path() / "camsim-stick-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
  path_ = pattern;
}

TempStick::~TempStick() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

SimDriver::SimDriver(const std::filesystem::path& stick, uint64_t capacityBytes)
    : SimDriver(InstantOptions(stick, capacityBytes)) {}

SimDriver::SimDriver(camsim::ModelOptions options)
    : owned_(std::make_unique<camsim::CameraModel>(std::move(options))), model_(owned_.get()) {}

SimDriver::SimDriver(camsim::CameraModel& model) : model_(&model) {}

SimDriver::~SimDriver() { Device_Close(); }

bool SimDriver::Control(const std::string& command) {
  std::string reply;
  return model_->Control(command, reply);
}

int SimDriver::Device_Open() {
  Device_Close();
  session_ = model_->Open();
  return session_ != 0 ? 1 : 0;
}

void SimDriver::Device_Close() {
  if (session_ != 0) model_->Close(session_);
  session_ = 0;
}

int SimDriver::Vendor_Write(int request, int value, int index, int length, void* data) {
  return model_->VendorWrite(session_, request, value, index, length, data);
}

int SimDriver::Vendor_Read(int request, int value, int index, int length, void* data) {
  return model_->VendorRead(session_, request, value, index, length, data);
}

int SimDriver::Bulk_IN(void* data, int length) { return model_->BulkIn(session_, data, length); }

int SimDriver::Bulk_OUT(void* data, int length) { return model_->BulkOut(session_, data, length); }
