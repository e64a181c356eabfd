// One lane of the fault matrix: an orin-camsim daemon of its own over a
// scratch folder (its Memory Stick folder, a PC folder and its socket), the
// simulator's control commands over its wire, and orin-cam runs against it
// with a time limit that only ends a stuck run. Lanes share nothing, so
// several run side by side.
#pragma once
#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace faults {

namespace fs = std::filesystem;

// A file or folder as the checks compare it. Folders' own times change with
// their entries and are not compared.
struct Node {
  bool folder = false;
  std::string content;  // a file's bytes; "<special>" for anything that is neither
  time_t mtime = 0;     // a file's last-write time
  bool operator==(const Node&) const = default;
};
// Relative path ("DCIM/100QXCAM/DCAM0001.JPG") to its node.
using Tree = std::map<std::string, Node>;

// The stick folder and the PC folder together.
struct Trees {
  Tree stick, pc;
  bool operator==(const Trees&) const = default;
};

Tree Snapshot(const fs::path& root);
// Empties `root` and writes `tree` into it, files with their times.
void Plant(const fs::path& root, const Tree& tree);
// The local time of a calendar minute, as the camera dates files.
time_t LocalMinute(int year, int month, int day, int hour, int minute);
// A file node of `size` bytes that no other file of the matrix shares.
Node FileOf(size_t size, unsigned seed, time_t mtime);
Node Folder();
// One line per difference between two trees, for a report.
std::string DescribeDifference(const Tree& want, const Tree& got);

struct RunResult {
  bool started = false;
  bool hung = false;  // still running at the time limit, then killed
  int signal = 0;     // ended by this signal
  int exitCode = -1;
  std::string out, err;
  bool EndedNormally() const { return started && !hung && signal == 0; }
};

class Lane {
 public:
  // Starts `binDir`/orin-camsim over `scratch`/stick; Ready() tells whether it listens.
  Lane(const fs::path& binDir, const fs::path& scratch);
  ~Lane();
  Lane(const Lane&) = delete;
  Lane& operator=(const Lane&) = delete;

  bool Ready() const { return ready_; }
  // Ends the daemon with SIGTERM, as a user would; how it ended. Its log is
  // complete then (a sanitizer's report at exit included).
  RunResult Stop();
  fs::path Stick() const { return scratch_ / "stick"; }
  fs::path Pc() const { return scratch_ / "pc"; }
  fs::path Log() const { return scratch_ / "daemon.log"; }
  // orin-cam's private cache folder (XDG_CACHE_HOME) in this lane's runs.
  fs::path Cache() const { return scratch_ / "cache"; }

  // One control command over the simulator's wire: its reply, or nothing
  // when the simulator refused it or did not answer.
  std::optional<std::string> Ctl(const std::string& command) const;
  // Runs orin-cam with `args` against this lane's camera.
  RunResult Cam(const std::vector<std::string>& args, int limitMs) const;
  // Runs an outside program (a judge such as ffprobe) found on PATH.
  RunResult Tool(const std::vector<std::string>& argv, int limitMs) const;
  // Waits until no session holds the camera (a dead client's connection is
  // closed by the daemon a moment after the client ends).
  bool WaitForNoSession(int limitMs) const;
  // Plants both trees.
  void Plant(const Trees& trees) const;
  Trees Snapshot() const;

 private:
  fs::path binDir_, scratch_;
  pid_t daemon_ = -1;
  bool ready_ = false;
};

}  // namespace faults
