// The transfers of a clean run as the simulator traces them, the faults the
// matrix places at each of them, and what the user must then be told.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace faults {

struct Transfer {
  bool bulk = false;
  int number = 0;            // among the control, or the bulk, transfers of the run, from 1
  bool out = false;          // a control write or a bulk write
  std::string request;       // a control transfer's request, "REQ_LIST_DIR"
  int value = 0;             // a control transfer's value field
  int asked = 0, moved = 0;  // a bulk transfer's bytes
  std::string line;          // as traced
};
// The lines of the simulator's "trace"; nothing when one of them is not understood.
std::optional<std::vector<Transfer>> ParseTrace(const std::string& text);

enum class FaultKind {
  Control,        // the control transfer fails
  BulkNone,       // the bulk transfer moves nothing
  BulkPart,       // the bulk transfer moves half of its bytes
  UnplugControl,  // the camera vanishes at the control transfer
  UnplugBulk,     // the camera vanishes at the bulk transfer
};
constexpr int kFaultKinds = 5;
const char* KindName(FaultKind kind);

struct FaultPoint {
  FaultKind kind;
  size_t at;  // the transfer it strikes, an index into the clean run's trace
  int k;      // that transfer's number among its kind: the K of the command
  int bytes;  // BulkPart: what the transfer still moves
  // The simulator's command that places it ("fail-bulk-at 3 8192").
  std::string Command() const;
};
// Every fault point of a clean run: each control transfer fails and vanishes,
// each bulk transfer moves nothing, half (when it asks for 2 bytes or more)
// and vanishes.
std::vector<FaultPoint> FaultPointsOf(const std::vector<Transfer>& trace);

// What the run with a fault must end in.
struct Expectation {
  // The fault changes nothing the operation needs: the run must succeed.
  bool mustSucceed = false;
  // The text the user must get when the run fails; none: which text depends
  // on what the lost data held, and any of KnownMessages() will do.
  std::optional<std::string> message;
};
Expectation Expect(const std::vector<Transfer>& trace, const FaultPoint& point);

extern const char* const kDeviceNotFound;
// Every text these operations tell the user about a failure.
const std::vector<std::string>& KnownMessages();

}  // namespace faults
