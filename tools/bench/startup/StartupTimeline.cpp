#include "StartupTimeline.h"

#include <algorithm>
#include <cstdio>

namespace startup {

namespace {

constexpr long kDayMs = 24L * 3600 * 1000;

struct NamedWait {
  int ms;
  std::string name;
};

// The fixed waits from the start to the stream request, as the start-up is
// laid out: the application's wait, the busy dialog's two timed steps, the
// open, storage mode (and 300 ms for each answer of a stick still being
// examined), camera mode and the video-mode read.
std::vector<NamedWait> DesignPath(int unsettledMediaAnswers) {
  std::vector<NamedWait> path = {{1000, "the application's 1000 ms"},
                                 {200, "busy dialog step 1 (200 ms)"},
                                 {200, "busy dialog step 2 (200 ms)"},
                                 {200, "the open's 200 ms"},
                                 {500, "storage mode's 500 ms"}};
  for (int i = 0; i < unsettledMediaAnswers; ++i) path.push_back({300, "the media check's 300 ms"});
  path.push_back({200, "the 200 ms before camera mode"});
  for (int i = 1; i <= 3; ++i) path.push_back({200, "camera mode's 200 ms (" + std::to_string(i) + " of 3)"});
  for (int i = 1; i <= 2; ++i) path.push_back({200, "video mode's 200 ms (" + std::to_string(i) + " of 2)"});
  return path;
}

// The untimed start-up steps end with a zero wait each (the busy dialog's
// advance); the k-th zero wait closes step k + 1.
const char* const kStepNames[] = {"step 2 (imaging libraries)",
                                  "step 3 (background bitmap)",
                                  "step 4 (caption, icon, region)",
                                  "step 5 (skinned buttons)",
                                  "step 6 (settings, recording time)",
                                  "step 7 (fonts, labels)",
                                  "step 8 (PC pane listed)",
                                  "step 9 (recording mode)",
                                  "step 10 (picture window)",
                                  "step 11 (program folder, camera layout)",
                                  "step 12 (temporary folder)"};

// A line "<tag> HH:MM:SS.mmm rest": the stamp and the rest.
bool SplitLine(const std::string& line, std::string_view tag, long& ms, std::string& rest) {
  if (line.rfind(tag, 0) != 0 || line.size() < tag.size() + 13 || line[tag.size()] != ' ') return false;
  auto stamp = ParseStamp(std::string_view(line).substr(tag.size() + 1, 12));
  if (!stamp) return false;
  ms = *stamp;
  rest = line.size() > tag.size() + 14 ? line.substr(tag.size() + 14) : std::string();
  return true;
}

}  // namespace

std::optional<long> ParseStamp(std::string_view s) {
  if (s.size() != 12 || s[2] != ':' || s[5] != ':' || s[8] != '.') return std::nullopt;
  long parts[4] = {};
  const int at[4] = {0, 3, 6, 9}, width[4] = {2, 2, 2, 3};
  for (int p = 0; p < 4; ++p)
    for (int i = 0; i < width[p]; ++i) {
      const char c = s[size_t(at[p] + i)];
      if (c < '0' || c > '9') return std::nullopt;
      parts[p] = parts[p] * 10 + (c - '0');
    }
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 60) return std::nullopt;
  return ((parts[0] * 60 + parts[1]) * 60 + parts[2]) * 1000 + parts[3];
}

std::vector<LogEvent> ReadCamsimLog(std::istream& log) {
  std::vector<LogEvent> events;
  std::string line, rest;
  long ms;
  while (std::getline(log, line)) {
    if (!SplitLine(line, "orin-camsim", ms, rest)) continue;
    if (rest.rfind("open: session", 0) == 0) {
      events.push_back({ms, -1, "open"});
      continue;
    }
    // "session N REQ_NAME detail": the request, with the mode for REQ_SET_MODE.
    const size_t req = rest.find(" REQ_");
    if (rest.rfind("session ", 0) != 0 || req == std::string::npos) continue;
    std::string what = rest.substr(req + 1, rest.find(' ', req + 1) - req - 1);
    if (what == "REQ_SET_MODE") {
      const size_t mode = rest.find("mode ", req + 1);
      if (mode != std::string::npos) what += " " + rest.substr(mode + 5, rest.find(' ', mode + 5) - mode - 5);
    }
    events.push_back({ms, -1, what});
  }
  return events;
}

std::vector<LogEvent> ReadPacingLog(std::istream& log) {
  std::vector<LogEvent> events;
  std::string line, rest;
  long ms;
  while (std::getline(log, line)) {
    int waitMs = 0;
    char thread[8] = {};
    if (!SplitLine(line, "orin-pacing", ms, rest)) continue;
    // Only the main thread's waits are on the start-up path.
    if (std::sscanf(rest.c_str(), "wait %d ms %7s", &waitMs, thread) != 2 || std::string(thread) != "main") continue;
    events.push_back({ms, waitMs, "wait"});
  }
  return events;
}

StartupRun Analyse(long startMs, const std::vector<LogEvent>& camera, const std::vector<LogEvent>& waits) {
  // Stamps after midnight belong to the next day.
  auto normal = [startMs](long ms) { return ms < startMs - kDayMs / 2 ? ms + kDayMs : ms; };
  StartupRun run;
  long end = 0;
  std::vector<LogEvent> requests;
  for (const LogEvent& e : camera) {
    const long ms = normal(e.ms);
    if (ms < startMs) continue;
    if (e.what == "REQ_STREAM_START") {
      end = ms;
      run.reachedStream = true;
      break;
    }
    requests.push_back({ms, -1, e.what});
    if (e.what == "REQ_MEDIA_STATUS") ++run.unsettledMediaAnswers;
  }
  if (!run.reachedStream) return run;
  run.unsettledMediaAnswers = std::max(0, run.unsettledMediaAnswers - 1);
  run.totalMs = end - startMs;

  std::vector<LogEvent> path;
  for (const LogEvent& w : waits)
    if (const long ms = normal(w.ms); ms >= startMs && ms <= end) path.push_back({ms, w.waitMs, w.what});

  // Name the waits after the design's path when they follow it.
  const std::vector<NamedWait> design = DesignPath(run.unsettledMediaAnswers);
  std::vector<int> timed;
  for (const LogEvent& w : path)
    if (w.waitMs > 0) timed.push_back(w.waitMs);
  run.matchesDesign = timed.size() == design.size() &&
                      std::equal(timed.begin(), timed.end(), design.begin(),
                                 [](int ms, const NamedWait& d) { return ms == d.ms; });
  for (const NamedWait& d : design) run.designFigureMs += d.ms;
  run.designFigureMs += kTimer2Ms;

  long cursor = startMs;
  size_t next = 0, timedIndex = 0, zeroIndex = 0;
  auto takeRequests = [&](long until, Gap& gap) {
    for (; next < requests.size() && requests[next].ms <= until; ++next) gap.requests.push_back(requests[next].what);
  };
  for (const LogEvent& w : path) {
    Gap gap;
    if (w.waitMs == 0)
      gap.before = zeroIndex < std::size(kStepNames) ? std::string("the end of start-up ") + kStepNames[zeroIndex]
                                                     : "a zero wait";
    else
      gap.before = run.matchesDesign ? design[timedIndex].name : "a wait of " + std::to_string(w.waitMs) + " ms";
    if (w.waitMs == 0) ++zeroIndex;
    else ++timedIndex;
    gap.overheadMs = w.ms - cursor;
    takeRequests(w.ms, gap);
    run.gaps.push_back(std::move(gap));
    run.waitsMs += w.waitMs;
    cursor = w.ms + w.waitMs;
  }
  Gap last;
  last.before = "REQ_STREAM_START (timer 2's 400 ms taken out)";
  last.overheadMs = end - cursor - kTimer2Ms;
  takeRequests(end, last);
  run.gaps.push_back(std::move(last));
  run.designedMs = run.waitsMs + kTimer2Ms;
  return run;
}

}  // namespace startup
