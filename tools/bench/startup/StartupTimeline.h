// One start of the program laid out in time from its two logs: the camera
// simulator's (every request the camera saw, and the open) and the program's
// pacing log (ORIN_PACING_LOG=1: every fixed wait as it began). Both stamp
// their lines HH:MM:SS.mmm by the wall clock. The time from the start to the
// first REQ_STREAM_START splits into the fixed waits and the gaps between
// them, which are the program's own work (the overhead).
#pragma once
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace startup {

// The window's deferred preview start (timer 2) is a Qt timer, not a pacing
// wait: it is on the path but never in the pacing log.
inline constexpr int kTimer2Ms = 400;

struct LogEvent {
  long ms = 0;         // since local midnight
  int waitMs = -1;     // a fixed wait of this length; -1: a camera request
  std::string what;    // the request ("REQ_SET_MODE mode 0x01", "open")
};

// "HH:MM:SS.mmm" to milliseconds since midnight.
std::optional<long> ParseStamp(std::string_view stamp);
// The simulator's log: "open" and each request the camera answered.
std::vector<LogEvent> ReadCamsimLog(std::istream& log);
// The program's standard error: each fixed wait of the main thread.
std::vector<LogEvent> ReadPacingLog(std::istream& log);

// The program's work between two fixed waits (or before the first, or after
// the last up to the stream request).
struct Gap {
  std::string before;                 // the wait it leads to, by its name
  long overheadMs = 0;
  std::vector<std::string> requests;  // what the camera saw meanwhile
};

struct StartupRun {
  bool reachedStream = false;
  long totalMs = 0;       // start to the first REQ_STREAM_START
  long waitsMs = 0;       // the pacing waits of the main thread before it
  long designedMs = 0;    // waitsMs plus timer 2
  long designFigureMs = 0;  // the same path as the design's figures add up
  bool matchesDesign = false;  // the waits came in the design's order and lengths
  int unsettledMediaAnswers = 0;
  std::vector<Gap> gaps;
};

// `startMs`: the wall-clock time (since midnight) the program was started.
StartupRun Analyse(long startMs, const std::vector<LogEvent>& camera, const std::vector<LogEvent>& waits);

}  // namespace startup
