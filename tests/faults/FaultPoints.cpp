#include "tests/faults/FaultPoints.h"

#include <set>
#include <sstream>

namespace faults {

const char* const kDeviceNotFound = "Device is not found.\n\nComfirm connection with computer or device mode.";

namespace {

const char* const kFailedToRead = "Failed to read file.";
const char* const kFailedToWrite = "Failed to write file.";

// The requests whose result goes through the status check at once, so that
// the status read right after them is theirs.
const std::set<std::string> kCheckedRequests = {"REQ_CHANGE_DIR", "REQ_LIST_DIR", "REQ_MAKE_DIR",
                                                "REQ_DELETE",     "REQ_RENAME",   "REQ_SET_MODE"};

// The message of a failed status after `request`; "" is the bare readiness
// test, whose failed status read means the camera is gone.
std::string StatusMessage(const std::string& request) {
  if (request.empty()) return kDeviceNotFound;
  if (request == "REQ_CHANGE_DIR" || request == "REQ_LIST_DIR" || request == "REQ_GET_CAPACITY")
    return "Error in reading Memory Stick.";
  if (request == "REQ_FORMAT") return "Failed to format.";
  if (request == "REQ_MAKE_DIR") return "Failed to create folder.";
  if (request == "REQ_DELETE") return "Failed to delete.";
  if (request == "REQ_RENAME") return "Failed to rename.";
  if (request == "REQ_WRITE_FILE" || request == "REQ_READ_FILE") return "Failed to copy.";
  return "Error! Cannot execute this process.";
}

// The last control transfer before `at`, over the bulk transfers between.
const Transfer* ControlBefore(const std::vector<Transfer>& trace, size_t at) {
  while (at > 0) {
    const Transfer& t = trace[--at];
    if (!t.bulk) return &t;
  }
  return nullptr;
}

const Transfer* ControlAfter(const std::vector<Transfer>& trace, size_t at) {
  for (size_t i = at + 1; i < trace.size(); ++i)
    if (!trace[i].bulk) return &trace[i];
  return nullptr;
}

// The request whose status a status read at `at` checks; "" for the bare readiness test.
std::string StatusSubject(const std::vector<Transfer>& trace, size_t at) {
  const Transfer* before = ControlBefore(trace, at);
  return before && before->out && kCheckedRequests.count(before->request) ? before->request : "";
}

Expectation ExpectControlFault(const std::vector<Transfer>& trace, size_t at) {
  const Transfer& t = trace[at];
  Expectation e;
  if (t.request == "REQ_GET_STATUS") {
    // The status then is the transfer's own result, 1, which passes a listing
    // only. The camera, not asked, still holds that listing's 1: a readiness
    // test reading it next fails.
    std::string subject = StatusSubject(trace, at);
    const Transfer* next = ControlAfter(trace, at);
    if (subject != "REQ_LIST_DIR")
      e.message = StatusMessage(subject);
    else if (next && next->request == "REQ_GET_STATUS")
      e.message = StatusMessage("REQ_SET_MODE");  // the table's text for any other request, 0 included
    else
      e.mustSucceed = true;
  } else if (t.request == "REQ_READ_FILE") {
    e.message = kFailedToRead;  // the body never comes
  } else if (t.request == "REQ_WRITE_FILE") {
    e.message = kFailedToWrite;  // the camera takes no body
  } else if (t.request == "REQ_SET_MODE" && t.value == 0) {
    e.mustSucceed = true;  // the camera is let go after the work
  } else if (t.request == "REQ_GET_CAPACITY") {
    // An unread capacity leaves the root row without a size; of the two reads
    // before an upload only the second counts.
    const Transfer* next = ControlAfter(trace, at);
    e.mustSucceed = next && (next->request == "REQ_LIST_DIR" || next->request == "REQ_GET_CAPACITY");
  } else {
    e.message = kDeviceNotFound;
  }
  return e;
}

Expectation ExpectBulkFault(const std::vector<Transfer>& trace, size_t at) {
  const Transfer& t = trace[at];
  const Transfer* owner = ControlBefore(trace, at);
  Expectation e;
  if (t.asked == 0) {
    e.mustSucceed = true;  // the closing empty block: nothing to lose
  } else if (owner && owner->request == "REQ_LIST_DIR") {
    // A short read ends a listing: at its end record that is no loss; before
    // it the rows read so far are all the program has, and what it then says
    // depends on the row that went missing.
    e.mustSucceed = at + 1 == trace.size() || !trace[at + 1].bulk;
  } else if (owner && owner->request == "REQ_READ_FILE") {
    e.message = kFailedToRead;
  } else if (owner && owner->request == "REQ_WRITE_FILE") {
    e.message = kFailedToWrite;
  }
  return e;
}

}  // namespace

std::optional<std::vector<Transfer>> ParseTrace(const std::string& text) {
  std::vector<Transfer> trace;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream in(line);
    Transfer t;
    std::string kind, dir, word;
    in >> kind >> t.number >> dir;
    t.line = line;
    if (kind == "control") {
      in >> t.request >> word >> std::hex >> t.value;
      if (word != "value" || (dir != "write" && dir != "read")) return std::nullopt;
      t.out = dir == "write";
    } else if (kind == "bulk") {
      t.bulk = true;
      in >> t.asked >> t.moved;
      if (dir != "in" && dir != "out") return std::nullopt;
      t.out = dir == "out";
    } else {
      return std::nullopt;  // "... N more": the trace was cut
    }
    if (in.fail()) return std::nullopt;
    trace.push_back(t);
  }
  return trace;
}

const char* KindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::Control: return "fail-at";
    case FaultKind::BulkNone: return "fail-bulk-at";
    case FaultKind::BulkPart: return "fail-bulk-at (half)";
    case FaultKind::UnplugControl: return "unplug-at";
    case FaultKind::UnplugBulk: return "unplug-at-bulk";
  }
  return "?";
}

std::string FaultPoint::Command() const {
  std::string k = std::to_string(this->k);
  switch (kind) {
    case FaultKind::Control: return "fail-at " + k;
    case FaultKind::BulkNone: return "fail-bulk-at " + k;
    case FaultKind::BulkPart: return "fail-bulk-at " + k + " " + std::to_string(bytes);
    case FaultKind::UnplugControl: return "unplug-at " + k;
    case FaultKind::UnplugBulk: return "unplug-at-bulk " + k;
  }
  return "";
}

std::vector<FaultPoint> FaultPointsOf(const std::vector<Transfer>& trace) {
  std::vector<FaultPoint> points;
  for (size_t i = 0; i < trace.size(); ++i) {
    const Transfer& t = trace[i];
    if (!t.bulk) {
      points.push_back({FaultKind::Control, i, t.number, 0});
      points.push_back({FaultKind::UnplugControl, i, t.number, 0});
      continue;
    }
    points.push_back({FaultKind::BulkNone, i, t.number, 0});
    if (t.asked >= 2) points.push_back({FaultKind::BulkPart, i, t.number, t.asked / 2});
    points.push_back({FaultKind::UnplugBulk, i, t.number, 0});
  }
  return points;
}

Expectation Expect(const std::vector<Transfer>& trace, const FaultPoint& point) {
  const Transfer& t = trace[point.at];
  switch (point.kind) {
    case FaultKind::Control: return ExpectControlFault(trace, point.at);
    case FaultKind::BulkNone:
    case FaultKind::BulkPart: return ExpectBulkFault(trace, point.at);
    case FaultKind::UnplugControl:
    case FaultKind::UnplugBulk: {
      Expectation e;
      // Vanishing as the camera is let go loses nothing. A status read that
      // fails stands for the status 1, which fails its request with the
      // request's own message; anywhere else the user learns that the camera
      // is gone.
      std::string subject = !t.bulk && t.request == "REQ_GET_STATUS" ? StatusSubject(trace, point.at) : "";
      if (point.at + 1 == trace.size() && !t.bulk && t.request == "REQ_SET_MODE" && t.value == 0)
        e.mustSucceed = true;
      else if (!subject.empty() && subject != "REQ_LIST_DIR")
        e.message = StatusMessage(subject);
      else
        e.message = kDeviceNotFound;
      return e;
    }
  }
  return {};
}

const std::vector<std::string>& KnownMessages() {
  static const std::vector<std::string> texts = {
      kDeviceNotFound,
      kFailedToRead,
      kFailedToWrite,
      "Failed to delete.",
      "Error in reading Memory Stick.",
      "Failed to format.",
      "Failed to create folder.",
      "Failed to rename.",
      "Failed to copy.",
      "Error! Cannot execute this process.",
      "Not enough space in Memory Stick.",
      "No Memory!",
      "Could not change folder name.",
      // orin-cam's own, when a listing cut short lacks the row it looks for
      "orin-cam: no folder ",
      "orin-cam: no file ",
  };
  return texts;
}

}  // namespace faults
