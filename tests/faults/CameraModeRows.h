// The camera-mode rows of the fault matrix: `orin-cam still` and
// `orin-cam record`, with the entry into PC-camera mode and the way back out
// that they make. Their result is a picture or a movie judged by outside
// programs, not a folder compared byte for byte: the live picture changes
// from run to run, and a recording's stream polls follow the clock.
#pragma once
#include <string>
#include <vector>

#include "tests/faults/FaultLane.h"
#include "tests/faults/FaultPoints.h"

namespace faults {

struct CameraRow {
  std::string name;
  std::string file;  // the result's name in the lane's PC folder
  std::vector<std::string> (*args)(const fs::path& target);
  // Where faults go: every transfer of a clean run, or a bounded sample of
  // a run whose length follows the clock.
  std::vector<FaultPoint> (*points)(const std::vector<Transfer>& trace);
  // "" when `target` is a whole result (run through `lane`'s judges).
  std::string (*judge)(const Lane& lane, const fs::path& target);
  // A run the camera broke off may keep what it made (a recording ended by
  // the camera is saved as far as it went); otherwise a failed run leaves
  // no file.
  bool failedRunMayKeep = false;
};

const std::vector<CameraRow>& CameraRows();

// The problems with a run of `row` with a fault placed at `point` of the
// clean `trace`: exit status against messages, the result, leftovers. The
// run ended normally. Whether the fault struck where it was placed is
// StruckAsPlaced's to say.
std::vector<std::string> CheckCameraRun(const Lane& lane, const CameraRow& row, const std::vector<Transfer>& trace,
                                        const FaultPoint& point, const RunResult& run);

// Whether the fault placed at `point` of the clean `trace` struck the same
// transfer in the run whose trace is `faulted`: the same request, or a bulk
// transfer the same way. Until the fault strikes, a run meets the camera the
// clean run met, so a miss means the threads were scheduled otherwise (the
// streaming worker polls the stream until the program's command reaches it)
// and the run is made again.
bool StruckAsPlaced(const std::vector<Transfer>& trace, const FaultPoint& point, const std::vector<Transfer>& faulted);

// The problems with a clean run of `row` (exit 0, a whole result, nothing left over).
std::vector<std::string> CheckCleanCameraRun(const Lane& lane, const CameraRow& row, const RunResult& run);

}  // namespace faults
