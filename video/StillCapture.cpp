#include "video/StillCapture.h"

#include <strings.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "camera/CameraProtocol.h"
#include "platform/ui/Pacing.h"

namespace {

namespace fs = std::filesystem;

// Waits of the still protocol: before the capture request, before each status read.
constexpr int kCaptureDelayMs = 500;
constexpr int kPollIntervalMs = 200;

// A still announced larger than the buffer is read and thrown away piece by
// piece, so that the bulk pipe is in step again when the stream restarts.
uint32_t Drain(CameraDriver& driver, uint32_t length, std::vector<uint8_t>& buffer) {
  uint32_t drained = 0;
  while (drained < length) {
    const uint32_t piece = std::min<uint32_t>(length - drained, uint32_t(buffer.size()));
    const int n = driver.Bulk_IN(buffer.data(), int(piece));
    if (n <= 0) break;
    drained += uint32_t(n);
    if (uint32_t(n) != piece) break;
  }
  return drained;
}

// The still announced ready: read it into the still buffer, convert it and
// append the JPEG to `file`.
void Receive(CameraDriver& driver, StillConverter& converter, std::FILE* file, StillOutcome& outcome) {
  std::vector<uint8_t> buffer(kStillBufferBytes);
  if (outcome.announced > kStillBufferBytes) {
    outcome.received = Drain(driver, outcome.announced, buffer);
    outcome.result = StillResult::TooLarge;
    return;
  }
  const int n = outcome.announced == 0 ? 0 : driver.Bulk_IN(buffer.data(), int(outcome.announced));
  outcome.received = n > 0 ? uint32_t(n) : 0;
  if (outcome.received != outcome.announced) {
    outcome.result = StillResult::CutShort;  // a still that did not arrive whole is not converted
    return;
  }
  uint32_t length = outcome.received;
  outcome.converterResult = converter.RunPIXA2JpegFile(buffer.data(), &length);
  if (outcome.converterResult != 0 || length > kStillBufferBytes) {
    outcome.result = StillResult::ConverterFailed;
    return;
  }
  outcome.jpegBytes = length;
  if (std::fwrite(buffer.data(), 1, length, file) != length || std::fflush(file) != 0) {
    outcome.result = StillResult::FileFailed;
    return;
  }
  outcome.result = StillResult::Taken;
}

// "Temp*.JPG" as the Windows file system matches it: letters in any case.
bool MatchesTempJpg(const std::string& name) {
  return name.size() >= 8 && strncasecmp(name.c_str(), "Temp", 4) == 0 &&
         strcasecmp(name.c_str() + name.size() - 4, ".JPG") == 0;
}

}  // namespace

const char* Describe(StillResult result) {
  switch (result) {
    case StillResult::Taken: return "taken";
    case StillResult::NeverReady: return "the camera never had the still ready";
    case StillResult::TooLarge: return "the still is larger than the still buffer";
    case StillResult::CutShort: return "the still arrived cut short";
    case StillResult::ConverterFailed: return "the converter could not convert the still";
    case StillResult::FileFailed: return "Temp.JPG could not be written";
  }
  return "unknown";
}

StillOutcome TakeStill(CameraDriver& driver, StillConverter& converter, const std::string& tablePath,
                       const std::string& outputPath) {
  StillOutcome outcome;
  // A table that cannot be read shows as a converter failure below; the
  // camera's still is taken all the same, as the camera expects.
  converter.ReadyPIXA(tablePath.c_str());
  std::FILE* file = std::fopen(outputPath.c_str(), "wb");
  if (!file) {
    converter.ReleasePIXA();
    return outcome;
  }

  Pacing& pacing = GetPacing();
  pacing.Wait(kCaptureDelayMs);
  uint8_t none = 0;
  driver.Vendor_Write(REQ_STILL_CAPTURE, 0, 0, 0, &none);
  int notReady = 0;
  for (;;) {
    pacing.Wait(kPollIntervalMs);
    // Cleared before each read: a read that fails leaves it as it was and
    // then counts as not ready, never as an old length.
    std::array<uint8_t, kPollReplyLength> status{};
    driver.Vendor_Read(REQ_STILL_POLL, 0, 0, kPollReplyLength, status.data());
    ++outcome.polls;
    const PollReply reply = DecodePollReply(status);
    if (reply.waiting) {
      outcome.announced = reply.length;
      Receive(driver, converter, file, outcome);
      break;
    }
    if (++notReady >= kStillPollLimit) {
      outcome.result = StillResult::NeverReady;
      break;
    }
  }
  converter.ReleasePIXA();
  // Whatever went wrong, the capture file is left empty.
  if (outcome.result != StillResult::Taken && ftruncate(fileno(file), 0) != 0) outcome.result = StillResult::FileFailed;
  if (std::fclose(file) != 0 && outcome.result == StillResult::Taken) {
    outcome.result = StillResult::FileFailed;
    std::FILE* empty = std::fopen(outputPath.c_str(), "wb");
    if (empty) std::fclose(empty);
  }
  return outcome;
}

StillCapturer::StillCapturer(const std::string& tableFolder, StillConverter& converter)
    : tablePath_(tableFolder + "/" + kTableFileName), converter_(converter) {}

StreamWorker::StillCapture StillCapturer::Hook() {
  return [this](CameraDriver& driver, const std::string& outputPath) {
    const StillOutcome outcome = TakeStill(driver, converter_, tablePath_, outputPath);
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = outcome;
  };
}

std::optional<StillOutcome> StillCapturer::LastOutcome() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

std::optional<std::string> CopyToNumberedStill(const std::string& tempFolder) {
  const fs::path folder(tempFolder);
  const fs::path still = folder / kCaptureFileName;
  std::error_code ec;
  const auto size = fs::file_size(still, ec);
  if (ec || size == 0) return std::nullopt;  // no picture was taken: nothing to number

  int count = 0;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (MatchesTempJpg(it->path().filename().string())) ++count;
  if (ec) return std::nullopt;

  char name[32];
  std::snprintf(name, sizeof name, "Temp%.4d.JPG", count == 0 ? 0 : count - 1);
  const fs::path copy = folder / name;
  fs::copy_file(still, copy, fs::copy_options::overwrite_existing, ec);
  if (ec) return std::nullopt;
  return copy.string();
}
