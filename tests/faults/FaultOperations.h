// The rows of the fault matrix: each batch operation orin-cam offers, with
// the camera's and the PC's folders before it, its command line and what a
// run of it may leave behind. A further row (a camera-mode operation, the
// window's storage poll) brings its own set-up, command and checks, and the
// matrix runs it like the others.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "tests/faults/FaultLane.h"

namespace faults {

struct Operation {
  std::string name;
  Trees before;
  std::function<std::vector<std::string>(const Lane&)> args;
  // What a clean run must have done beyond exiting 0; "" when it did.
  std::function<std::string(const Trees& before, const Trees& done, const std::string& out)> checkDone;
  // Whether a failed run left `after` as it may; "" when it did. The rule of
  // most rows: every file and folder is as before or as done
  // (EachPathAsBeforeOrDone).
  std::function<std::string(const Trees& before, const Trees& done, const Trees& after)> checkAfterFailure;
};

const std::vector<Operation>& Operations();

// Every path of both folders is as it was before or as a clean run leaves
// it; "" when so. `mayVanish` may also be missing.
std::string EachPathAsBeforeOrDone(const Trees& before, const Trees& done, const Trees& after,
                                   const std::vector<std::string>& mayVanish = {});

}  // namespace faults
