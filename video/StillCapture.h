// Still capture: the capture the streaming worker runs on its own thread
// while the live stream is stopped (camera requests, the still converter,
// "Temp.JPG"), and the button side's numbered copy of the result.
//
// Plain C++: the camera through CameraDriver, the converter through
// StillConverter, every protocol wait through the pacing service.
#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "camera/CameraDriver.h"
#include "platform/pixa/PIXA.h"
#include "video/StreamWorker.h"

// The still converter library's three functions as an object, so that the
// capture runs against libPIXA.so in the product and tests can watch the calls.
class StillConverter {
 public:
  virtual ~StillConverter() = default;
  virtual int ReadyPIXA(const char* tablePath) = 0;
  virtual int RunPIXA2JpegFile(uint8_t* data, uint32_t* length) = 0;
  virtual void ReleasePIXA() = 0;
};

// The converter library itself (libPIXA.so).
StillConverter& PixaConverter();

// The still buffer: the raw still arrives in it and the JPEG leaves in it.
constexpr uint32_t kStillBufferBytes = PIXA_BUFFER_BYTES;
// Not-ready status reads before a capture gives up.
constexpr int kStillPollLimit = 26;
constexpr const char* kTableFileName = "pixa_tbl.tbl";
constexpr const char* kCaptureFileName = "Temp.JPG";

enum class StillResult {
  Taken,            // "Temp.JPG" holds the JPEG
  NeverReady,       // no ready status in kStillPollLimit reads
  TooLarge,         // the camera announced more than the still buffer holds
  CutShort,         // fewer bytes arrived than the camera announced
  ConverterFailed,  // RunPIXA2JpegFile gave a failure
  FileFailed,       // "Temp.JPG" could not be created or written
};
const char* Describe(StillResult result);

struct StillOutcome {
  StillResult result = StillResult::FileFailed;
  int polls = 0;             // status reads made
  uint32_t announced = 0;    // bytes the camera said it had
  uint32_t received = 0;     // bytes that came
  int converterResult = -1;  // RunPIXA2JpegFile's result, -1 when not called
  uint32_t jpegBytes = 0;
};

// One capture attempt, with the live stream stopped: ReadyPIXA, create
// `outputPath` empty, wait 500 ms, REQ_STILL_CAPTURE, then every 200 ms
// REQ_STILL_POLL until the still is ready (at most kStillPollLimit reads),
// read it, convert it, append the JPEG; ReleasePIXA once in every case.
// Whatever fails, `outputPath` is left empty.
StillOutcome TakeStill(CameraDriver& driver, StillConverter& converter, const std::string& tablePath,
                       const std::string& outputPath);

// The streaming worker's still hook: TakeStill with the table file of the
// program folder, its outcome kept for the window to ask after CaptureStill.
class StillCapturer {
 public:
  explicit StillCapturer(const std::string& tableFolder, StillConverter& converter = PixaConverter());
  // For StreamWorker::SetStillCapture; this object must outlive the worker's use.
  StreamWorker::StillCapture Hook();
  std::optional<StillOutcome> LastOutcome() const;

 private:
  const std::string tablePath_;
  StillConverter& converter_;
  mutable std::mutex mutex_;
  std::optional<StillOutcome> last_;
};

// The button side after a capture: counts the entries of `tempFolder` named
// like "Temp*.JPG" (k, "Temp.JPG" included; letters in any case, as the
// Windows file system matches them), copies "Temp.JPG" to "Temp%.4d.JPG"
// numbered k - 1 (0 when k is 0), created or replaced, and gives the copy's
// full path. Nothing when "Temp.JPG" is missing or empty (no picture was
// taken) or the copy fails.
std::optional<std::string> CopyToNumberedStill(const std::string& tempFolder);
