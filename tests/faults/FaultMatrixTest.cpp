// The fault matrix: every batch operation of orin-cam against the simulator
// daemon, once clean and then once for every fault point of the clean run:
// each control transfer failing, each bulk transfer moving nothing or half
// of its bytes, the camera vanishing at each transfer. After every run: no
// crash, no hang, no failure reported as success, the user told what went
// wrong, every file as before or as done, and a clean run of the same
// operation that works as the first one did (after "plug" when the camera
// vanished).
//
// Settings from the environment:
//   FAULT_LANES   daemons working side by side (48); the runs mostly wait
//                 out the camera's protocol pauses, so lanes cost little CPU
//   FAULT_OPS     the rows to run, "get,put" (all)
//   FAULT_STRIDE  place a fault at every n-th point only (1: every point)
//   FAULT_BIN_DIR the folder of orin-cam and orin-camsim (this test's own)
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "tests/faults/CameraModeRows.h"
#include "tests/faults/FaultLane.h"
#include "tests/faults/FaultOperations.h"
#include "tests/faults/FaultPoints.h"

namespace faults {
namespace {

// Only a stuck run meets this: the longest clean run takes a few seconds.
constexpr int kRunLimitMs = 60000;
constexpr int kSessionLimitMs = 10000;

std::string Env(const char* name, const std::string& otherwise) {
  const char* v = getenv(name);
  return v && *v ? v : otherwise;
}

int EnvNumber(const char* name, int otherwise) {
  int n = std::atoi(Env(name, std::to_string(otherwise)).c_str());
  return n > 0 ? n : otherwise;
}

// A scratch folder of the test's own, removed with everything in it.
class Scratch {
 public:
  Scratch() {
    std::string templ = (fs::temp_directory_path() / "orin-faults-XXXXXX").string();
    if (mkdtemp(templ.data())) path_ = templ;
  }
  ~Scratch() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// What the clean run of one row did: the end it must reach again.
struct Plan {
  const Operation* op = nullptr;
  Trees done;
  std::string out;
  std::string count;  // "control C, bulk B"
  std::vector<Transfer> trace;
  std::vector<FaultPoint> points;
};

// The outcome of one faulted run, for the counts.
struct PointResult {
  bool succeeded = false;  // exit 0 (then all was done)
  std::vector<std::string> problems;
};

std::string Quoted(const std::string& text) {
  std::string q;
  for (char c : text) q += c == '\n' ? std::string("\\n") : std::string(1, c);
  return q;
}

std::string Ending(const RunResult& r) {
  if (!r.started) return "orin-cam did not start";
  if (r.hung) return "hung: still running after " + std::to_string(kRunLimitMs / 1000) + " s";
  if (r.signal) return "ended by signal " + std::to_string(r.signal) + " (" + strsignal(r.signal) + ")";
  return "";
}

bool SanitizerSpoke(const std::string& err) {
  return err.find("Sanitizer") != std::string::npos || err.find("runtime error:") != std::string::npos;
}

// Runs the row once without a fault, as the faulted runs' reference and as
// the check that the program goes on after one: the run must succeed, reach
// the plan's end and make the same transfers.
std::vector<std::string> CleanRun(const Lane& lane, const Operation& op, const Plan* reference, Plan* out) {
  std::vector<std::string> problems;
  lane.Plant(op.before);
  if (!lane.Ctl("count reset")) problems.push_back("the simulator did not answer");
  RunResult r = lane.Cam(op.args(lane), kRunLimitMs);
  if (!Ending(r).empty()) problems.push_back(Ending(r));
  if (r.exitCode != 0) problems.push_back("exit " + std::to_string(r.exitCode) + ", stderr \"" + Quoted(r.err) + "\"");
  if (SanitizerSpoke(r.err)) problems.push_back("a sanitizer spoke: " + r.err);
  if (!lane.WaitForNoSession(kSessionLimitMs)) problems.push_back("the camera stayed held after the run");
  Trees after = lane.Snapshot();
  std::string count = lane.Ctl("count").value_or("?");
  if (out) {
    out->done = after;
    out->out = r.out;
    out->count = count;
    auto trace = ParseTrace(lane.Ctl("trace").value_or(""));
    if (!trace) problems.push_back("the simulator's trace was not understood");
    out->trace = trace.value_or(std::vector<Transfer>{});
    out->points = FaultPointsOf(out->trace);
    if (std::string done = op.checkDone(op.before, after, r.out); !done.empty()) problems.push_back(done);
  }
  if (reference) {
    if (!(after == reference->done))
      problems.push_back("the folders differ from the first clean run's:\n" +
                         DescribeDifference(reference->done.stick, after.stick) +
                         DescribeDifference(reference->done.pc, after.pc));
    if (r.out != reference->out) problems.push_back("stdout \"" + Quoted(r.out) + "\" instead of \"" + Quoted(reference->out) + "\"");
    if (count != reference->count) problems.push_back("transfers: " + count + " instead of " + reference->count);
  }
  return problems;
}

// The same request or the same bulk transfer asked for, whatever it moved.
bool SameTransfer(const Transfer& a, const Transfer& b) {
  return a.bulk == b.bulk && a.number == b.number && a.out == b.out && a.request == b.request && a.value == b.value &&
         a.asked == b.asked;
}

// One faulted run and the clean run after it.
PointResult RunPoint(const Lane& lane, const Plan& plan, const FaultPoint& point) {
  PointResult result;
  auto& problems = result.problems;
  const Operation& op = *plan.op;
  lane.Plant(op.before);
  if (!lane.Ctl("count reset") || !lane.Ctl(point.Command())) {
    problems.push_back("the simulator refused \"" + point.Command() + "\"");
    return result;
  }
  RunResult r = lane.Cam(op.args(lane), kRunLimitMs);
  if (!Ending(r).empty()) problems.push_back(Ending(r));
  if (SanitizerSpoke(r.err)) problems.push_back("a sanitizer spoke: " + r.err);
  if (!lane.WaitForNoSession(kSessionLimitMs)) problems.push_back("the camera stayed held after the run");

  // The fault struck the very transfer the clean run made at that point,
  // after the same transfers as there.
  auto trace = ParseTrace(lane.Ctl("trace").value_or("")).value_or(std::vector<Transfer>{});
  bool struck = trace.size() > point.at && SameTransfer(trace[point.at], plan.trace[point.at]);
  for (size_t i = 0; struck && i < point.at; ++i) struck = trace[i].line == plan.trace[i].line;
  if (!struck) {
    problems.push_back("the run never made the transfer the fault was placed at");
    lane.Ctl(point.Command().substr(0, point.Command().find(' ')) + " 0");
  }

  Trees after = lane.Snapshot();
  Expectation expect = Expect(plan.trace, point);
  result.succeeded = r.EndedNormally() && r.exitCode == 0;
  if (result.succeeded) {
    if (!(after == plan.done))
      problems.push_back("exit 0, but the work was not all done:\n" + DescribeDifference(plan.done.stick, after.stick) +
                         DescribeDifference(plan.done.pc, after.pc));
    if (r.out != plan.out) problems.push_back("exit 0 with stdout \"" + Quoted(r.out) + "\" instead of \"" + Quoted(plan.out) + "\"");
  } else if (r.EndedNormally()) {
    if (expect.mustSucceed)
      problems.push_back("the fault touched nothing the operation needs, yet exit " + std::to_string(r.exitCode) +
                         ", stderr \"" + Quoted(r.err) + "\"");
    else if (expect.message && r.err.find(*expect.message) == std::string::npos)
      problems.push_back("exit " + std::to_string(r.exitCode) + " without \"" + Quoted(*expect.message) +
                         "\": stderr \"" + Quoted(r.err) + "\"");
    else if (!expect.message && std::none_of(KnownMessages().begin(), KnownMessages().end(),
                                             [&](const std::string& m) { return r.err.find(m) != std::string::npos; }))
      problems.push_back("exit " + std::to_string(r.exitCode) + " without a message: stderr \"" + Quoted(r.err) + "\"");
    if (std::string left = op.checkAfterFailure(op.before, plan.done, after); !left.empty())
      problems.push_back("after the failed run:\n" + left);
  }

  // The program goes on.
  if (point.kind == FaultKind::UnplugControl || point.kind == FaultKind::UnplugBulk) lane.Ctl("plug");
  for (const auto& p : CleanRun(lane, op, &plan, nullptr)) problems.push_back("next clean run: " + p);
  return result;
}

// Runs `work(lane, i)` for i in [0, count) on every lane at once.
void OnLanes(const std::vector<std::unique_ptr<Lane>>& lanes, size_t count,
             const std::function<void(const Lane&, size_t)>& work) {
  std::atomic<size_t> next{0};
  std::vector<std::thread> threads;
  for (const auto& lane : lanes)
    threads.emplace_back([&, l = lane.get()] {
      for (size_t i; (i = next++) < count;) work(*l, i);
    });
  for (auto& t : threads) t.join();
}

// `count` lanes, each a simulator daemon of its own with its folders under
// `scratch`, run by the orin-cam and orin-camsim beside this test (or in
// FAULT_BIN_DIR).
void StartLanes(const Scratch& scratch, int count, std::vector<std::unique_ptr<Lane>>& lanes) {
  const fs::path binDir = Env("FAULT_BIN_DIR", fs::read_symlink("/proc/self/exe").parent_path().string());
  ASSERT_TRUE(fs::exists(binDir / "orin-cam") && fs::exists(binDir / "orin-camsim")) << binDir;
  ASSERT_FALSE(scratch.Path().empty());
  for (int i = 0; i < count; ++i) {
    lanes.push_back(std::make_unique<Lane>(binDir, scratch.Path() / ("lane" + std::to_string(i))));
    ASSERT_TRUE(lanes.back()->Ready()) << "lane " << i << ": the simulator did not start";
  }
}

TEST(FaultMatrix, EveryFaultPointOfEveryBatchOperation) {
  const size_t stride = static_cast<size_t>(EnvNumber("FAULT_STRIDE", 1));
  const std::string wanted = "," + Env("FAULT_OPS", "") + ",";
  Scratch scratch;
  std::vector<std::unique_ptr<Lane>> lanes;
  ASSERT_NO_FATAL_FAILURE(StartLanes(scratch, EnvNumber("FAULT_LANES", 48), lanes));

  std::vector<Plan> plans;
  for (const Operation& op : Operations())
    if (wanted == ",," || wanted.find("," + op.name + ",") != std::string::npos) plans.emplace_back().op = &op;
  ASSERT_FALSE(plans.empty()) << "FAULT_OPS names no row";
  std::vector<std::vector<std::string>> cleanProblems(plans.size());
  OnLanes(lanes, plans.size(), [&](const Lane& lane, size_t i) {
    cleanProblems[i] = CleanRun(lane, *plans[i].op, nullptr, &plans[i]);
  });
  for (size_t i = 0; i < plans.size(); ++i)
    for (const auto& p : cleanProblems[i]) ADD_FAILURE() << plans[i].op->name << ", clean run: " << p;
  if (::testing::Test::HasFailure()) return;

  // Every point of every row, or every stride-th one and each row's last.
  struct Item {
    size_t plan, point;
  };
  std::vector<Item> items;
  for (size_t p = 0; p < plans.size(); ++p)
    for (size_t i = 0; i < plans[p].points.size(); ++i)
      if (i % stride == 0 || i + 1 == plans[p].points.size()) items.push_back({p, i});
  std::vector<PointResult> results(items.size());
  auto started = std::chrono::steady_clock::now();
  OnLanes(lanes, items.size(), [&](const Lane& lane, size_t i) {
    results[i] = RunPoint(lane, plans[items[i].plan], plans[items[i].plan].points[items[i].point]);
  });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  // The counts, row by row and fault by fault, then every problem found.
  std::ostringstream report;
  report << "fault matrix: " << items.size() << " faults placed on " << lanes.size() << " lanes in " << static_cast<int>(seconds)
         << " s\n";
  report << "operation  transfers             fault                 runs  exit 0  failed  problems\n";
  size_t problemCount = 0;
  for (size_t p = 0; p < plans.size(); ++p) {
    for (int kind = 0; kind < kFaultKinds; ++kind) {
      int runs = 0, ok = 0, failed = 0, bad = 0;
      for (size_t i = 0; i < items.size(); ++i) {
        const FaultPoint& point = plans[p].points[items[i].point];
        if (items[i].plan != p || static_cast<int>(point.kind) != kind) continue;
        ++runs;
        (results[i].succeeded ? ok : failed)++;
        if (!results[i].problems.empty()) ++bad;
      }
      char line[160];
      std::snprintf(line, sizeof line, "%-10s %-21s %-21s %4d  %6d  %6d  %8d\n", kind == 0 ? plans[p].op->name.c_str() : "",
                    kind == 0 ? plans[p].count.c_str() : "", KindName(static_cast<FaultKind>(kind)), runs, ok, failed, bad);
      report << line;
    }
  }
  std::printf("%s", report.str().c_str());
  for (size_t i = 0; i < items.size(); ++i) {
    const Plan& plan = plans[items[i].plan];
    const FaultPoint& point = plan.points[items[i].point];
    for (const auto& problem : results[i].problems) {
      ++problemCount;
      ADD_FAILURE() << plan.op->name << ", " << point.Command() << " [" << plan.trace[point.at].line << "]: " << problem;
    }
  }
  EXPECT_EQ(problemCount, 0u);
  // Every simulator went through all of it and ends cleanly.
  for (size_t l = 0; l < lanes.size(); ++l) {
    RunResult daemon = lanes[l]->Stop();
    EXPECT_TRUE(daemon.EndedNormally() && daemon.exitCode == 0) << "lane " << l << "'s simulator: " << Ending(daemon)
                                                                << " exit " << daemon.exitCode;
    EXPECT_FALSE(SanitizerSpoke(daemon.err)) << "lane " << l << "'s simulator: " << daemon.err.substr(daemon.err.size() > 4000 ? daemon.err.size() - 4000 : 0);
  }
}

// The camera-mode rows: each is run clean for its trace, then once with a
// fault at each of its points and once clean after it. Few lanes: each run
// streams live video in real time.
constexpr int kCameraLanes = 8;

struct CameraItem {
  const CameraRow* row;
  const std::vector<Transfer>* trace;
  FaultPoint point;
};

// How often a camera-mode point is run when the run keeps going another way
// before the transfer its fault was placed at (see StruckAsPlaced).
constexpr int kCameraAttempts = 4;
std::atomic<int> g_missedRuns{0};  // runs made again, for the summary line

std::vector<std::string> RunCameraPoint(const Lane& lane, const CameraItem& item) {
  std::vector<std::string> problems;
  const CameraRow& row = *item.row;
  const std::vector<std::string> args = row.args(lane.Pc() / row.file);
  const bool unplugs = item.point.kind == FaultKind::UnplugControl || item.point.kind == FaultKind::UnplugBulk;
  std::vector<std::string> missed;
  for (int attempt = 1; attempt <= kCameraAttempts; ++attempt) {
    problems.clear();
    lane.Plant({});
    if (!lane.Ctl("count reset") || !lane.Ctl(item.point.Command())) return {"the simulator refused " + item.point.Command()};
    RunResult r = lane.Cam(args, kRunLimitMs);
    if (!Ending(r).empty()) problems.push_back(Ending(r));
    if (SanitizerSpoke(r.err)) problems.push_back("a sanitizer spoke: " + r.err);
    if (!lane.WaitForNoSession(kSessionLimitMs)) problems.push_back("the camera stayed held after the run");
    const std::string traced = lane.Ctl("trace").value_or("");
    auto faulted = ParseTrace(traced);
    if (!faulted) problems.push_back("the simulator's trace was not understood");
    if (r.EndedNormally())
      for (const auto& p : CheckCameraRun(lane, row, *item.trace, item.point, r))
        problems.push_back(p);
    lane.Ctl(item.point.Command().substr(0, item.point.Command().find(' ')) + " 0");  // unstruck: taken back
    if (unplugs) lane.Ctl("plug");
    if (!faulted || StruckAsPlaced(*item.trace, item.point, *faulted)) break;
    if (attempt == kCameraAttempts) {
      problems.push_back("the run never made the transfer the fault was placed at; its trace:\n" + traced);
      break;
    }
    // What the run found at the transfer the fault did strike still counts.
    for (const auto& p : problems) missed.push_back("a run whose fault struck another transfer: " + p);
    ++g_missedRuns;
  }
  problems.insert(problems.end(), missed.begin(), missed.end());

  // The next command works.
  lane.Plant({});
  RunResult next = lane.Cam(args, kRunLimitMs);
  if (!Ending(next).empty()) problems.push_back("next run: " + Ending(next));
  if (!lane.WaitForNoSession(kSessionLimitMs)) problems.push_back("next run: the camera stayed held");
  if (next.EndedNormally())
    for (const auto& p : CheckCleanCameraRun(lane, row, next)) problems.push_back("next run: " + p);
  return problems;
}

TEST(FaultMatrix, EveryCameraModeFaultOfStillAndRecord) {
  Scratch scratch;
  std::vector<std::unique_ptr<Lane>> lanes;
  ASSERT_NO_FATAL_FAILURE(StartLanes(scratch, std::min(EnvNumber("FAULT_LANES", kCameraLanes), kCameraLanes), lanes));

  const auto& rows = CameraRows();
  std::vector<std::vector<Transfer>> traces(rows.size());
  std::vector<std::vector<std::string>> cleanProblems(rows.size());
  OnLanes(lanes, rows.size(), [&](const Lane& lane, size_t i) {
    lane.Plant({});
    lane.Ctl("count reset");
    RunResult r = lane.Cam(rows[i].args(lane.Pc() / rows[i].file), kRunLimitMs);
    auto& problems = cleanProblems[i];
    if (!Ending(r).empty()) problems.push_back(Ending(r));
    if (!lane.WaitForNoSession(kSessionLimitMs)) problems.push_back("the camera stayed held after the run");
    if (r.EndedNormally())
      for (const auto& p : CheckCleanCameraRun(lane, rows[i], r)) problems.push_back(p);
    auto trace = ParseTrace(lane.Ctl("trace").value_or(""));
    if (!trace || trace->empty()) problems.push_back("the simulator's trace was not understood");
    traces[i] = trace.value_or(std::vector<Transfer>{});
  });
  for (size_t i = 0; i < rows.size(); ++i)
    for (const auto& p : cleanProblems[i]) ADD_FAILURE() << rows[i].name << ", clean run: " << p;
  if (::testing::Test::HasFailure()) return;

  std::vector<CameraItem> items;
  for (size_t i = 0; i < rows.size(); ++i)
    for (const FaultPoint& point : rows[i].points(traces[i])) items.push_back({&rows[i], &traces[i], point});
  std::vector<std::vector<std::string>> results(items.size());
  auto started = std::chrono::steady_clock::now();
  OnLanes(lanes, items.size(), [&](const Lane& lane, size_t i) { results[i] = RunCameraPoint(lane, items[i]); });
  std::printf("camera-mode faults: %zu placed on %zu lanes in %d s; %d runs made again as their fault struck another transfer\n",
              items.size(), lanes.size(),
              static_cast<int>(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()),
              g_missedRuns.load());
  for (size_t i = 0; i < items.size(); ++i)
    for (const auto& problem : results[i])
      ADD_FAILURE() << items[i].row->name << ", " << items[i].point.Command() << " ["
                    << (*items[i].trace)[items[i].point.at].line << "]: " << problem;
  for (size_t l = 0; l < lanes.size(); ++l) {
    RunResult daemon = lanes[l]->Stop();
    EXPECT_TRUE(daemon.EndedNormally() && daemon.exitCode == 0) << "lane " << l << "'s simulator: " << Ending(daemon);
    EXPECT_FALSE(SanitizerSpoke(daemon.err)) << "lane " << l << "'s simulator spoke";
  }
}

}  // namespace
}  // namespace faults
