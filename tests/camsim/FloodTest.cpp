// The daemon under more connections than it has room for: idle connections
// time out, a full descriptor table or a thread that cannot start costs no
// processor time and no crash, and every way the daemon ends removes its socket.
#include <memory>

#include "tests/camsim/DaemonFixture.h"

namespace camsim_daemon_test {
namespace {

using Clients = std::vector<std::unique_ptr<WireClient>>;

// Connections the daemon has hung up on: a read answers the end at once.
int HungUp(const Clients& clients) {
  int n = 0;
  for (const auto& c : clients) {
    char byte;
    n += recv(c->Fd(), &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
  }
  return n;
}

[[maybe_unused]] int OpenDescriptors(pid_t pid) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) ++n;
  return n;
}

[[maybe_unused]] long VmSizeKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmSize:", 0) == 0) return std::stol(line.substr(7));
  return -1;
}

[[maybe_unused]] bool SetLimit(pid_t pid, enum __rlimit_resource resource, rlim_t value) {
  rlimit limit{value, value};
  return prlimit(pid, resource, &limit, nullptr) == 0;
}

// A new client is served once the others are gone. (The helpers here are
// unused in the sanitizer builds, which leave out the tests that starve the daemon.)
[[maybe_unused]] bool ServesANewClient(const fs::path& socket) {
  return WaitUntil([&] {
    WireClient c(socket);
    return c.Connected() && c.Open() == 1 && c.Status() == kStatusOk;
  });
}

TEST_F(DaemonTest, IdleConnectionsTimeOutButASilentSessionStays) {
  Start({"--idle-timeout-ms", "300"});
  ASSERT_TRUE(WaitForSocket()) << Log();
  WireClient session(Socket());
  ASSERT_EQ(session.Open(), 1);
  Clients idle;
  idle.push_back(std::make_unique<WireClient>(Socket()));
  ASSERT_TRUE(WaitUntil([&] { return HungUp(idle) == 1; })) << Log();
  EXPECT_EQ(session.Status(), kStatusOk) << "a session waits as long as its program";
  EXPECT_EQ(session.Close(), 1);
  idle.push_back(std::make_unique<WireClient>(Socket()));
  ASSERT_TRUE(WaitUntil([&] { return HungUp(idle) == 2 && LogCount("without a session, closing") >= 3; }))
      << "a closed session's connection is idle again\n"
      << Log();
  EXPECT_EQ(session.Open(), -99) << "hung up";
  EXPECT_EQ(Stop(SIGTERM), 0);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers' runtimes take descriptors of their own while the daemon starts
// threads: with none left they fail inside their own bookkeeping, not ours.
TEST_F(DaemonTest, DISABLED_AFullDescriptorTableBacksOffWithoutSpinning) {}
#else
TEST_F(DaemonTest, AFullDescriptorTableBacksOffWithoutSpinning) {
  Start({"--idle-timeout-ms", "500"});
  ASSERT_TRUE(WaitForSocket()) << Log();
  // Room for four clients beyond what the daemon holds now.
  ASSERT_TRUE(SetLimit(pid_, RLIMIT_NOFILE, rlim_t(OpenDescriptors(pid_) + 4)));
  Clients clients;
  for (int i = 0; i < 12; ++i) {  // within the listen backlog: every connect goes through
    clients.push_back(std::make_unique<WireClient>(Socket()));
    ASSERT_TRUE(clients.back()->Connected());
  }
  ASSERT_TRUE(WaitUntil([&] { return LogCount("cannot accept") > 0; })) << Log();

  // While it waits for room and the idle connections time out, one batch after
  // another, the daemon hardly uses the processor.
  const long ticks = sysconf(_SC_CLK_TCK);
  const long cpuBefore = CpuTicks();
  const auto wallBefore = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitUntil([&] { return HungUp(clients) == 12; }, 60)) << Log();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
  const double cpu = double(CpuTicks() - cpuBefore) / double(ticks);
  // A daemon that spins takes a whole core; the margin is for thread starts,
  // page faults and a busy machine's accounting, not for a loop.
  EXPECT_LT(cpu, 0.35 * wall + 0.15) << "processor " << cpu << " s over " << wall << " s";
  EXPECT_GE(LogCount("accepting again"), 1) << "it went on accepting as room came back\n" << Log();

  clients.clear();
  EXPECT_TRUE(ServesANewClient(Socket())) << Log();
  EXPECT_EQ(Stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(Socket()));
}
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
TEST_F(DaemonTest, DISABLED_AThreadThatCannotStartClosesItsConnection) {}  // the sanitizers need address space of their own
#else
TEST_F(DaemonTest, AThreadThatCannotStartClosesItsConnection) {
  childLimits = {{RLIMIT_STACK, rlim_t(256) << 20}};  // every client thread takes a 256 MB stack
  Start({});
  ASSERT_TRUE(WaitForSocket()) << Log();
  // Room for about two client threads, far from six.
  ASSERT_TRUE(SetLimit(pid_, RLIMIT_AS, rlim_t(VmSizeKb(pid_) + 600 * 1024) * 1024));
  Clients clients;
  for (int i = 0; i < 6; ++i) clients.push_back(std::make_unique<WireClient>(Socket()));
  // How many threads fit depends on what else the process has mapped at the
  // moment (malloc arenas come and go), so only "several are refused" is certain.
  ASSERT_TRUE(WaitUntil([&] { return LogCount("no thread to serve it") >= 2; })) << Log();
  EXPECT_TRUE(WaitUntil([&] { return HungUp(clients) >= LogCount("no thread to serve it"); }))
      << "the refused connections are closed\n" << Log();
  EXPECT_EQ(waitpid(pid_, nullptr, WNOHANG), 0) << "the daemon goes on\n" << Log();

  clients.clear();
  EXPECT_TRUE(ServesANewClient(Socket())) << Log();
  EXPECT_EQ(Stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(Socket()));
}
#endif

TEST_F(DaemonTest, EveryEndRemovesTheSocketFile) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGABRT, SIGSEGV}) {
    Start({});
    ASSERT_TRUE(WaitForSocket()) << strsignal(sig) << "\n" << Log();
    WireClient c(Socket());
    ASSERT_EQ(c.Open(), 1);
    const int status = Stop(sig);
    EXPECT_EQ(status, sig == SIGABRT || sig == SIGSEGV ? 128 + sig : 0) << strsignal(sig);
    EXPECT_FALSE(fs::exists(Socket())) << strsignal(sig);
  }
}

}  // namespace
}  // namespace camsim_daemon_test
