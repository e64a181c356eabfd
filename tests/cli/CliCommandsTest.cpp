// orin-cam's commands in-process against the simulator: the exit statuses,
// the messages a script can act on, the JSON of ls and info, and import.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>

#include "tests/camera/CameraTestKit.h"
#include "tests/cli/CliTestKit.h"

namespace {

std::string Trace(SimDriver& camera) {
  std::string reply;
  camera.Model().Control("trace", reply);
  return reply;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Every file below `root` by its path relative to it.
std::vector<std::string> Files(const fs::path& root) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (!e.is_directory()) files.push_back(fs::relative(e.path(), root).string());
  std::sort(files.begin(), files.end());
  return files;
}

// The sizes the bulk transfers of a trace asked for.
std::set<int> BulkSizes(const std::string& trace) {
  std::set<int> sizes;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream in(line);
    std::string kind, dir;
    int number = 0, asked = 0;
    if (in >> kind >> number >> dir >> asked && kind == "bulk") sizes.insert(asked);
  }
  return sizes;
}

std::string Bytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + i / 97) & 0xFF);
  return s;
}

}  // namespace

TEST_F(CliTest, ExitStatusesMeanTheSameForEveryCommand) {
  CliRun r = Run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "orin-cam (Orin Media 5.1) 5.1\n");

  // 2: the command line is wrong, and the camera is never asked.
  camera.Control("count reset");
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {},
           {"frob"},
           {"--timeout", "0", "info"},
           {"info", "--timeout"},
           {"ls", "--bogus"},
           {"info", "extra"},
           {"get", "DCIM/100QXCAM/DCAM0001.JPG", "--to", "/tmp", "--replace", "--skip"},
           {"put", "a.jpg", "--to", "DCIM/100QXCAM", "--skip", "--replace"},
           {"record", "--seconds", "0", "--to", "/tmp/x.asf"},
           {"record", "--to", "/tmp/x.asf"},
           {"import"},
       }) {
    r = Run(bad);
    EXPECT_EQ(r.status, 2) << testing::PrintToString(bad) << r.err;
    EXPECT_HAS(r.err, "usage");
  }
  EXPECT_HAS(Run({"get", "A", "--to", "/tmp", "--replace", "--skip"}).err, "--replace and --skip exclude each other");
  EXPECT_EQ(Trace(camera), "");

  // 3: no camera, and a camera lost during the command.
  camera.Control("unplug");
  for (const char* command : {"info", "ls", "import"}) {
    std::vector<std::string> args{command};
    if (std::string(command) == "import") args.push_back(pc.string());
    r = Run(args);
    EXPECT_EQ(r.status, 3) << command;
    EXPECT_HAS(r.err, "Device is not found.");
  }
  camera.Control("plug");
  OnStick("DCIM/100QXCAM/DCAM0001.JPG", Bytes(40000, 1));
  camera.Control("unplug-at-bulk 2");  // the camera goes while the root is listed
  r = Run({"get", "DCIM/100QXCAM/DCAM0001.JPG", "--to", pc.string()});
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_HAS(r.err, "Device is not found.");
  camera.Control("plug");

  // 1: the camera is there but something was not done.
  r = Run({"get", "DCIM/100QXCAM/DCAM0009.JPG", "--to", pc.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.err, "orin-cam: no file \"DCAM0009.JPG\" in DCIM/100QXCAM");
}

TEST_F(CliTest, AStickStillExaminedAfterTheTimeoutIsGivenUp) {
  OnStick("DCIM/100QXCAM/DCAM0001.JPG", "x");
  camera.Control("examine 1000000");
  CliRun r = Run({"--timeout", "2", "ls"});
  EXPECT_EQ(r.status, 3);
  EXPECT_HAS(r.err, "orin-cam: the camera is still examining its Memory Stick after 2 s: given up (--timeout)");
  EXPECT_HAS_NOT(r.err, "No Memory!");
  // Given up after 2 s of the check's own 300 ms waits: the read at 2.1 s is the last.
  const auto waits = pacing.Waits();
  EXPECT_EQ(std::count(waits.begin(), waits.end(), 300), 7);
  EXPECT_EQ(Count(Trace(camera), "REQ_MEDIA_STATUS"), 8);

  // A camera that settles within the time is waited for.
  camera.Control("examine 3");
  r = Run({"--timeout", "2", "ls"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_HAS(r.out, "DCIM");
}

TEST_F(CliTest, AStatusTheWindowPassesOverGetsALine) {
  fs::create_directories(stick.Path() / "DCIM/100QXCAM");
  camera.Control("status 0x23 REQ_MAKE_DIR");
  CliRun r = Run({"mkdir", "DCIM/101QXCAM"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "orin-cam: the camera refused REQ_MAKE_DIR with status 0x23\n");
  EXPECT_FALSE(fs::exists(stick.Path() / "DCIM/101QXCAM"));
}

TEST_F(CliTest, AListingCutShortIsAReadingErrorNotAMissingFolder) {
  OnStick("DCIM/100QXCAM/DCAM0001.JPG", "x");
  camera.Control("short-bulk");  // the root listing's first record comes half
  CliRun r = Run({"ls", "DCIM/100QXCAM"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error in reading Memory Stick.\n");

  r = Run({"ls", "DCIM/NOPE"});  // a folder that really is not there
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "orin-cam: no folder \"NOPE\" in DCIM\n");
}

TEST_F(CliTest, PutSaysWhatIsWrongWithThePcFile) {
  fs::create_directories(stick.Path() / "DCIM/100QXCAM");
  const fs::path missing = pc / "dcam0001.jpg", fifo = pc / "dcam0002.jpg", empty = pc / "dcam0003.jpg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteFile(empty, "");
  CliRun r = Run({"put", missing.string(), fifo.string(), "--to", "DCIM/100QXCAM"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, missing.string() + ": No such file or directory\n" + fifo.string() + ": not a regular file\n");
  // An empty file is the window's damaged file.
  r = Run({"put", empty.string(), "--to", "DCIM/100QXCAM"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "This file is damaged.    \n");
  EXPECT_TRUE(fs::is_empty(stick.Path() / "DCIM/100QXCAM"));
}

TEST_F(CliTest, RenameOfAMissingFileNamesIt) {
  OnStick("DCIM/100QXCAM/DCAM0001.JPG", "x");
  CliRun r = Run({"rename", "DCIM/100QXCAM/DCAM0009.JPG", "0007"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "orin-cam: no file \"DCAM0009.JPG\" in DCIM/100QXCAM\n");
}

TEST_F(CliTest, MkdirMakesOnlyTheFoldersTheWindowMakes) {
  fs::create_directories(stick.Path() / "DCIM/100QXCAM");
  fs::create_directories(stick.Path() / "QXMOV/100QXMSC");
  for (const char* refused : {"DCIM/101ABCDE", "DCIM/101QXMSC", "QXMOV/101QXCAM", "DCIM/1011QXCAM", "DCIM/10AQXCAM"}) {
    CliRun r = Run({"mkdir", refused});
    EXPECT_EQ(r.status, 1) << refused;
    EXPECT_HAS(r.err, "File(Folder) name doesn't met the format.");
  }
  EXPECT_EQ(Run({"mkdir", "DCIM/099QXCAM"}).status, 1);  // below 100: the naming rule's own refusal
  EXPECT_EQ(Run({"mkdir", "DCIM/101QXCAM"}).status, 0);
  EXPECT_EQ(Run({"mkdir", "QXMOV/101QXMSC"}).status, 0);
  std::vector<std::string> folders;
  for (const auto& e : fs::recursive_directory_iterator(stick.Path())) folders.push_back(fs::relative(e.path(), stick.Path()));
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (std::vector<std::string>{"DCIM", "DCIM/100QXCAM", "DCIM/101QXCAM", "QXMOV", "QXMOV/100QXMSC",
                                               "QXMOV/101QXMSC"}));
}

TEST_F(CliTest, SystemErrorsNameTheirPath) {
  OnStick("DCIM/100QXCAM/DCAM0001.JPG", Bytes(1000, 2));
  const fs::path gone = pc / "gone";
  CliRun r = Run({"get", "DCIM/100QXCAM/DCAM0001.JPG", "--to", gone.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, (gone / "DCAM0001.JPG").string() + ": No such file or directory\n");
  r = Run({"import", gone.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, gone.string() + ": No such file or directory\n");
  r = Run({"still", "--to", (gone / "a.jpg").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, gone.string() + ": No such file or directory\n");
}

TEST_F(CliTest, InfoTellsTheStickAsTheMediaCheckFoundIt) {
  fs::create_directories(stick.Path() / "DCIM");
  CliRun r = Run({"info", "--json"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::regex_match(r.out, std::regex(R"(\{"media":"ready","write_protected":false,"free":\d+,"total":67108864,"capacity":"0\.0 MB / 64 MB"\}\n)")))
      << r.out;

  camera.Control("eject");
  for (bool json : {false, true}) {
    r = Run(json ? std::vector<std::string>{"info", "--json"} : std::vector<std::string>{"info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No Memory!\n");
    EXPECT_EQ(r.out, json ? "{\"media\":\"none\",\"write_protected\":null,\"free\":null,\"total\":null,\"capacity\":null}\n"
                          : "media\tnone\n");
  }
  camera.Control("insert");
  camera.Control("stick unformatted");
  r = Run({"info", "--json"});
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.out, "{\"media\":\"unformatted\",");
  EXPECT_HAS(r.err, "Memory Stick is not formatted.");
}

TEST_F(CliTest, LsJsonListsTheFolderWithStableKeys) {
  OnStick("DCIM/100QXCAM/DCAM0001.JPG", Bytes(3000, 3), LocalMinute(2003, 9, 17, 10, 25));
  OnStick("DCIM/100QXCAM/DCAM0002.JPG", Bytes(5, 4), LocalMinute(2004, 12, 31, 23, 59));
  OnStick("DCIM/100QXCAM/NOTES.TXT", "not a picture");
  CliRun r = Run({"ls", "DCIM/100QXCAM", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::regex_match(
      r.out, std::regex(R"(\{"folder":"DCIM/100QXCAM","stick":\{"free":\d+,"total":67108864,"capacity":"0\.\d MB / 64 MB"\},)"
                        R"("entries":\[\{"name":"DCAM0001\.JPG","type":"file","size":3000,"date":"2003-09-17T10:25"\},)"
                        R"(\{"name":"DCAM0002\.JPG","type":"file","size":5,"date":"2004-12-31T23:59"\}\]\}\n)")))
      << r.out;
  r = Run({"ls", "--json"});
  EXPECT_TRUE(std::regex_search(r.out, std::regex(R"("folder":"","stick":.*"entries":\[\{"name":"DCIM","type":"folder","size":null,"date":"\d{4}-)")))
      << r.out;
}

// --- import

class ImportTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    OnStick("DCIM/100QXCAM/DCAM0001.JPG", Bytes(40000, 1), LocalMinute(2003, 9, 17, 10, 25));
    OnStick("DCIM/100QXCAM/DCAM0002.JPG", Bytes(16384, 2), LocalMinute(2003, 9, 17, 11, 0));
    OnStick("DCIM/100QXCAM/NOTES.TXT", "not the camera's");
    OnStick("DCIM/101QXCAM/DCAM0005.JPG", Bytes(100, 5), LocalMinute(2004, 1, 2, 3, 4));
    OnStick("DCIM/102ABCDE/DCAM0009.JPG", Bytes(10, 9));  // a DCF folder, but not the camera's pictures
    OnStick("QXMOV/100QXMSC/MOV_0001.ASF", Bytes(70000, 7), LocalMinute(2005, 6, 7, 8, 9));
  }
  const std::vector<std::string> kAll = {"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0005.JPG", "MOV_0001.ASF"};
  const std::map<std::string, std::string> kFrom = {{"DCAM0001.JPG", "DCIM/100QXCAM/DCAM0001.JPG"},
                                                    {"DCAM0002.JPG", "DCIM/100QXCAM/DCAM0002.JPG"},
                                                    {"DCAM0005.JPG", "DCIM/101QXCAM/DCAM0005.JPG"},
                                                    {"MOV_0001.ASF", "QXMOV/100QXMSC/MOV_0001.ASF"}};
  // Each PC file is the camera's, byte for byte, with the camera's time.
  void ExpectCopies(const fs::path& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      const fs::path camera = stick.Path() / kFrom.at(name), copy = folder / name;
      EXPECT_EQ(SlurpFile(copy), SlurpFile(camera)) << name;
      EXPECT_EQ(MTime(copy), MTime(camera)) << name;
    }
  }
};

TEST_F(ImportTest, SecondRunCopiesNothingAndReadsNoFileFromTheCamera) {
  CliRun r = Run({"import", pc.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files(pc), kAll);
  ExpectCopies(pc, kAll);
  EXPECT_EQ(r.out, (pc / "DCAM0001.JPG").string() + "\n" + (pc / "DCAM0002.JPG").string() + "\n" +
                       (pc / "DCAM0005.JPG").string() + "\n" + (pc / "MOV_0001.ASF").string() + "\n");
  EXPECT_HAS(r.err, "copied  DCIM/100QXCAM/DCAM0001.JPG  40000 bytes");
  EXPECT_HAS(r.err, "import: 4 copied, 0 skipped, 0 failed; 126484 bytes in ");

  camera.Control("count reset");
  r = Run({"import", pc.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_HAS(r.err, "import: 0 copied, 4 skipped, 0 failed; 0 bytes in ");
  EXPECT_HAS(r.err, "(nothing new: every file is already on the PC)");
  EXPECT_EQ(Count(Trace(camera), "REQ_READ_FILE"), 0);
  EXPECT_EQ(BulkSizes(Trace(camera)), std::set<int>{32});  // only listings' records moved
  ExpectCopies(pc, kAll);

  // --quiet: only what goes wrong is said.
  r = Run({"import", pc.string(), "--quiet"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST_F(ImportTest, AFileOfTheSameNameButAnotherSizeIsNeverReplaced) {
  WriteFile(pc / "DCAM0005.JPG", "mine");
  camera.Control("count reset");
  CliRun r = Run({"import", pc.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.err, "orin-cam: " + (pc / "DCAM0005.JPG").string() +
                        " is another file of that name (the camera's has 100 bytes): not replaced");
  EXPECT_HAS(r.err, "import: 3 copied, 0 skipped, 1 failed;");
  EXPECT_EQ(SlurpFile(pc / "DCAM0005.JPG"), "mine");
  EXPECT_EQ(Count(Trace(camera), "REQ_READ_FILE"), 3);
  ExpectCopies(pc, {"DCAM0001.JPG", "DCAM0002.JPG", "MOV_0001.ASF"});
}

TEST_F(ImportTest, ByDateFilesEachIntoItsCameraDay) {
  CliRun r = Run({"import", pc.string(), "--by-date"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files(pc), (std::vector<std::string>{"2003-09-17/DCAM0001.JPG", "2003-09-17/DCAM0002.JPG",
                                                 "2004-01-02/DCAM0005.JPG", "2005-06-07/MOV_0001.ASF"}));
  ExpectCopies(pc / "2003-09-17", {"DCAM0001.JPG", "DCAM0002.JPG"});
  ExpectCopies(pc / "2005-06-07", {"MOV_0001.ASF"});
  // The day folders are what a second run looks in.
  r = Run({"import", pc.string(), "--by-date"});
  EXPECT_HAS(r.err, "import: 0 copied, 4 skipped, 0 failed;");
}

TEST_F(ImportTest, AnImportBrokenOffLeavesWholeFilesAndARerunCompletesIt) {
  // The camera is unplugged at the second file's first block.
  CountingDriver driver(camera);
  bool armed = true;
  driver.onBulk = [&] {
    if (armed && std::count(driver.calls.begin(), driver.calls.end(), "REQ_READ_FILE 0") == 2) {
      camera.Control("unplug");
      armed = false;
    }
  };
  CliRun r = Run(driver, {"import", pc.string()});
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_HAS(r.err, "Device is not found.");
  EXPECT_HAS(r.err, "import: 1 copied, 0 skipped, 1 failed;");
  EXPECT_EQ(Files(pc), std::vector<std::string>{"DCAM0001.JPG"});  // whole files only: no part file stays
  ExpectCopies(pc, {"DCAM0001.JPG"});

  camera.Control("plug");
  r = Run(driver, {"import", pc.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_HAS(r.err, "import: 3 copied, 1 skipped, 0 failed;");
  EXPECT_EQ(Files(pc), kAll);
  ExpectCopies(pc, kAll);
}

TEST_F(ImportTest, AFullDiskStopsTheImportWithThePathAndARerunCompletesIt) {
  // The PC takes no file larger than 50,000 bytes: the movie meets a full disk.
  struct rlimit old {};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 50000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  CliRun r = Run({"import", pc.string()});
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(r.status, 1);
  EXPECT_HAS(r.err, (pc / "MOV_0001.ASF").string() + ": File too large\n");
  EXPECT_EQ(Files(pc), (std::vector<std::string>{"DCAM0001.JPG", "DCAM0002.JPG", "DCAM0005.JPG"}));

  r = Run({"import", pc.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_HAS(r.err, "import: 1 copied, 3 skipped, 0 failed;");
  ExpectCopies(pc, kAll);
}
