#include "tests/faults/CameraModeRows.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace faults {

namespace {

constexpr int kJudgeLimitMs = 60000;
const char* const kNotFound = "Device is not found.";
const char* const kCannotExecute = "Error! Cannot execute this process.";

// Every text these commands tell the user about a failure.
const std::vector<std::string> kCameraModeMessages = {kNotFound, "Failed to capture Image.", kCannotExecute,
                                                      "orin-cam: nothing was recorded"};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> StillArgs(const fs::path& target) { return {"still", "--to", target.string(), "--quiet"}; }
std::vector<std::string> RecordArgs(const fs::path& target) {
  return {"record", "--seconds", "1", "--to", target.string(), "--quiet"};
}

// A still's transfers are the same from run to run, but for the stream polls
// the worker makes before the capture command reaches it: every transfer of
// it gets every fault.
std::vector<FaultPoint> EveryPoint(const std::vector<Transfer>& trace) { return FaultPointsOf(trace); }

// A recording polls the stream as the clock goes, so its transfers after the
// header differ from run to run. Faults go at every control transfer up to
// the header (camera mode, the stream's start, its restart for the
// recording), at the first poll after it and one half-way, and at the
// header's bulk transfer, the first data block and one half-way. The way out
// (stream stop, release mode) is the still's, where every transfer is tried.
std::vector<FaultPoint> RecordSample(const std::vector<Transfer>& trace) {
  auto firstBulk = std::find_if(trace.begin(), trace.end(), [](const Transfer& t) { return t.bulk; });
  if (firstBulk == trace.end()) return {};
  const size_t header = size_t(firstBulk - trace.begin());
  int controls = 0, bulks = 0;
  for (const Transfer& t : trace) (t.bulk ? bulks : controls)++;
  const int controlsBeforeHeader = int(std::count_if(trace.begin(), firstBulk, [](const Transfer& t) { return !t.bulk; }));
  const std::set<int> controlSample = {controlsBeforeHeader + 1, controls / 2};
  const std::set<int> bulkSample = {1, 2, bulks / 2};
  std::vector<FaultPoint> sample;
  for (const FaultPoint& p : FaultPointsOf(trace)) {
    const Transfer& t = trace[p.at];
    if (t.bulk ? bulkSample.count(t.number) : p.at < header || controlSample.count(t.number)) sample.push_back(p);
  }
  return sample;
}

// A JPEG a standard decoder takes whole: 640 x 480, not one flat colour.
std::string JudgeStill(const Lane& lane, const fs::path& target) {
  RunResult r = lane.Tool({"djpeg", "-pnm", target.string()}, kJudgeLimitMs);
  if (!r.EndedNormally() || r.exitCode != 0 || !r.err.empty()) return "djpeg refused it: " + r.err;
  const std::string head = "P6\n640 480\n255\n";
  if (r.out.compare(0, head.size(), head) != 0) return "not a 640 x 480 picture: " + r.out.substr(0, 16);
  std::set<char> values(r.out.begin() + std::ptrdiff_t(head.size()), r.out.end());
  return values.size() > 16 ? "" : "a blank picture";
}

// An ASF that ffprobe reads whole, with its video and audio streams and at
// least one video packet.
std::string JudgeRecording(const Lane& lane, const fs::path& target) {
  RunResult r = lane.Tool({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                           "stream=codec_type,nb_read_packets", "-of", "csv=p=0", target.string()},
                          kJudgeLimitMs);
  if (!r.EndedNormally() || r.exitCode != 0 || !r.err.empty()) return "ffprobe refused it: " + r.err;
  std::istringstream lines(r.out);
  bool audio = false;
  long videoPackets = -1;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("audio,", 0) == 0) audio = true;
    if (line.rfind("video,", 0) == 0) videoPackets = std::atol(line.c_str() + 6);
  }
  if (!audio || videoPackets < 0) return "not a video and an audio stream: " + r.out;
  return videoPackets > 0 ? "" : "no video packet";
}

// What a run leaves in the PC folder besides its result, and in the cache.
std::vector<std::string> Leftovers(const Lane& lane, const CameraRow& row) {
  std::vector<std::string> problems;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(lane.Pc(), ec))
    if (e.path().filename() != row.file) problems.push_back("left in the PC folder: " + e.path().filename().string());
  for (const auto& e : fs::directory_iterator(lane.Cache() / "OrinMedia51", ec))
    if (e.path().filename().string().rfind("orin-cam-", 0) == 0)
      problems.push_back("a temporary folder stayed: " + e.path().filename().string());
  return problems;
}

}  // namespace

const std::vector<CameraRow>& CameraRows() {
  static const std::vector<CameraRow> rows = {
      {"still", "still.jpg", StillArgs, EveryPoint, JudgeStill, false},
      {"record", "clip.asf", RecordArgs, RecordSample, JudgeRecording, true},
  };
  return rows;
}

std::vector<std::string> CheckCleanCameraRun(const Lane& lane, const CameraRow& row, const RunResult& run) {
  std::vector<std::string> problems = Leftovers(lane, row);
  if (run.exitCode != 0) problems.push_back("exit " + std::to_string(run.exitCode) + ": " + run.err);
  const fs::path target = lane.Pc() / row.file;
  if (!fs::exists(target))
    problems.push_back("no " + row.file);
  else if (std::string verdict = row.judge(lane, target); !verdict.empty())
    problems.push_back(row.file + ": " + verdict);
  return problems;
}

namespace {

// Where the transfer numbered as `at` stands in `trace`; its end when the run
// made no such transfer.
std::vector<Transfer>::const_iterator Numbered(const std::vector<Transfer>& trace, const Transfer& at) {
  return std::find_if(trace.begin(), trace.end(),
                      [&](const Transfer& t) { return t.bulk == at.bulk && t.number == at.number; });
}

}  // namespace

bool StruckAsPlaced(const std::vector<Transfer>& trace, const FaultPoint& point, const std::vector<Transfer>& faulted) {
  const Transfer& at = trace[point.at];
  auto struck = Numbered(faulted, at);
  return struck != faulted.end() && struck->request == at.request && struck->value == at.value && struck->out == at.out;
}

std::vector<std::string> CheckCameraRun(const Lane& lane, const CameraRow& row, const std::vector<Transfer>& trace,
                                        const FaultPoint& point, const RunResult& run) {
  std::vector<std::string> problems = Leftovers(lane, row);
  const Transfer& at = trace[point.at];

  // Exit 3 exactly when the user is told that the camera is not found.
  const bool notFound = Has(run.err, kNotFound);
  if ((run.exitCode == 3) != notFound)
    problems.push_back("exit " + std::to_string(run.exitCode) + (notFound ? " after" : " without") + " \"" + kNotFound +
                       "\": " + run.err);
  const bool unplugged = point.kind == FaultKind::UnplugControl || point.kind == FaultKind::UnplugBulk;
  // A status read that fails stands for a refusal of the request before it.
  const bool statusRead = !at.bulk && at.request == "REQ_GET_STATUS";
  if (run.exitCode != 0 && unplugged && !notFound && !(statusRead && Has(run.err, kCannotExecute)))
    problems.push_back("the camera vanished and the user was not told: " + run.err);
  if (run.exitCode != 0 && std::none_of(kCameraModeMessages.begin(), kCameraModeMessages.end(),
                                        [&](const std::string& m) { return Has(run.err, m); }))
    problems.push_back("exit " + std::to_string(run.exitCode) + " without a message: " + run.err);

  const fs::path target = lane.Pc() / row.file;
  if (fs::exists(target)) {
    if (run.exitCode != 0 && !row.failedRunMayKeep) problems.push_back("a failed run left " + row.file);
    if (std::string verdict = row.judge(lane, target); !verdict.empty())
      problems.push_back(row.file + " is not whole: " + verdict);
  } else if (run.exitCode == 0) {
    problems.push_back("exit 0 without " + row.file);
  }
  return problems;
}

}  // namespace faults
