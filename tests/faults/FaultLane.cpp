#include "tests/faults/FaultLane.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "platform/camsim/SimWire.h"
#include "platform/camsim/WireIo.h"

extern char** environ;

namespace faults {

namespace {

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Starts `argv` with stdin from /dev/null and stdout and stderr into files;
// `extraEnv` ("NAME=value") is added to this process's environment.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, const fs::path& out,
            const fs::path& err) {
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (std::none_of(extraEnv.begin(), extraEnv.end(), [&](const auto& x) { return nameOf(x) == nameOf(entry); }))
      env.push_back(entry);
  }
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for `pid` to end, at most `limitMs`; a child still running then is
// killed. Fills the ending into `r`.
void Reap(pid_t pid, int limitMs, RunResult& r) {
  int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0) {
    pollfd p{pidfd, POLLIN, 0};
    int n;
    do n = poll(&p, 1, limitMs);
    while (n < 0 && errno == EINTR);
    close(pidfd);
    if (n == 0) {
      r.hung = true;
      kill(pid, SIGKILL);
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status) && !r.hung) r.signal = WTERMSIG(status);
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
}

void SnapshotInto(const fs::path& root, const fs::path& dir, Tree& tree) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    std::string rel = fs::relative(entry.path(), root).generic_string();
    auto type = entry.symlink_status(ec).type();
    Node node;
    if (type == fs::file_type::directory) {
      node.folder = true;
      tree[rel] = node;
      SnapshotInto(root, entry.path(), tree);
      continue;
    }
    struct stat st {};
    lstat(entry.path().c_str(), &st);
    node.mtime = st.st_mtime;
    node.content = type == fs::file_type::regular ? Slurp(entry.path()) : "<special>";
    tree[rel] = node;
  }
}

}  // namespace

Tree Snapshot(const fs::path& root) {
  Tree tree;
  SnapshotInto(root, root, tree);
  return tree;
}

void Plant(const fs::path& root, const Tree& tree) {
  std::error_code ec;
  fs::create_directories(root, ec);
  for (const auto& entry : fs::directory_iterator(root, ec)) fs::remove_all(entry.path(), ec);
  for (const auto& [rel, node] : tree) {  // a folder sorts before what it holds
    fs::path path = root / rel;
    if (node.folder) {
      fs::create_directories(path, ec);
      continue;
    }
    fs::create_directories(path.parent_path(), ec);
    std::ofstream(path, std::ios::binary) << node.content;
    timespec times[2] = {{node.mtime, 0}, {node.mtime, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
}

time_t LocalMinute(int year, int month, int day, int hour, int minute) {
  tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_isdst = -1;
  return mktime(&t);
}

Node FileOf(size_t size, unsigned seed, time_t mtime) {
  std::mt19937 random(seed);
  Node node;
  node.content.resize(size);
  for (char& c : node.content) c = static_cast<char>(random());
  node.mtime = mtime;
  return node;
}

Node Folder() {
  Node node;
  node.folder = true;
  return node;
}

std::string DescribeDifference(const Tree& want, const Tree& got) {
  std::ostringstream s;
  auto describe = [](const Node& n) {
    if (n.folder) return std::string("a folder");
    return std::to_string(n.content.size()) + " bytes dated " + std::to_string(n.mtime);
  };
  for (const auto& [path, node] : want) {
    auto it = got.find(path);
    if (it == got.end())
      s << "  missing " << path << "\n";
    else if (!(it->second == node))
      s << "  " << path << ": " << describe(it->second) << " instead of " << describe(node)
        << (it->second.content != node.content ? " (other bytes)" : "") << "\n";
  }
  for (const auto& [path, node] : got)
    if (!want.count(path)) s << "  unexpected " << path << " (" << describe(node) << ")\n";
  return s.str();
}

Lane::Lane(const fs::path& binDir, const fs::path& scratch) : binDir_(binDir), scratch_(scratch) {
  std::error_code ec;
  fs::create_directories(Stick(), ec);
  fs::create_directories(Pc(), ec);
  fs::path socket = scratch_ / "cam.sock";
  daemon_ = Spawn({(binDir_ / "orin-camsim").string(), "--socket", socket.string(), "--stick", Stick().string()}, {},
                  "/dev/null", Log());
  if (daemon_ < 0) return;
  // The daemon listens once it has set up; until then connections are refused.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!ready_ && std::chrono::steady_clock::now() < until) {
    ready_ = Ctl("speed unlimited").has_value();
    if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

Lane::~Lane() { Stop(); }

RunResult Lane::Stop() {
  RunResult r;
  if (daemon_ <= 0) return r;
  r.started = true;
  kill(daemon_, SIGTERM);
  Reap(daemon_, 30000, r);
  daemon_ = -1;
  r.err = Slurp(Log());
  return r;
}

std::optional<std::string> Lane::Ctl(const std::string& command) const {
  int fd = simwire::ConnectUnix((scratch_ / "cam.sock").string());
  if (fd < 0) return std::nullopt;
  simwire::SimRequest req{};
  req.op = simwire::OP_CONTROL;
  req.length = static_cast<uint32_t>(command.size());
  simwire::SimReply reply{};
  std::string text;
  bool ok = simwire::SendAll(fd, &req, sizeof req) && simwire::SendAll(fd, command.data(), command.size()) &&
            simwire::RecvAll(fd, &reply, sizeof reply) && reply.dataLength <= simwire::kMaxPayload;
  if (ok) {
    text.resize(reply.dataLength);
    ok = text.empty() || simwire::RecvAll(fd, text.data(), text.size());
  }
  close(fd);
  if (!ok || reply.result != 1) return std::nullopt;
  return text;
}

RunResult Lane::Cam(const std::vector<std::string>& args, int limitMs) const {
  std::vector<std::string> argv = {(binDir_ / "orin-cam").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  RunResult r;
  fs::path out = scratch_ / "cam.out", err = scratch_ / "cam.err";
  pid_t pid = Spawn(argv, {"ORIN_CAMERA=sim:" + (scratch_ / "cam.sock").string(), "XDG_CACHE_HOME=" + Cache().string()},
                    out, err);
  if (pid < 0) return r;
  r.started = true;
  Reap(pid, limitMs, r);
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

RunResult Lane::Tool(const std::vector<std::string>& argv, int limitMs) const {
  RunResult r;
  fs::path out = scratch_ / "tool.out", err = scratch_ / "tool.err";
  std::vector<std::string> withPath = {"/usr/bin/env"};
  withPath.insert(withPath.end(), argv.begin(), argv.end());
  pid_t pid = Spawn(withPath, {}, out, err);
  if (pid < 0) return r;
  r.started = true;
  Reap(pid, limitMs, r);
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

bool Lane::WaitForNoSession(int limitMs) const {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    auto status = Ctl("status");
    if (status && status->find(" 0 open session(s)") != std::string::npos) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void Lane::Plant(const Trees& trees) const {
  faults::Plant(Stick(), trees.stick);
  faults::Plant(Pc(), trees.pc);
}

Trees Lane::Snapshot() const { return {faults::Snapshot(Stick()), faults::Snapshot(Pc())}; }

}  // namespace faults
