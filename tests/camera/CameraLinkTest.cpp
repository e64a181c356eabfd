// The camera link against the in-process camera simulator, with instant pacing.
#include <gtest/gtest.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "camera/CameraLink.h"
#include "camera/CamRows.h"
#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"
#include "tests/camera/CameraTestKit.h"
#include "tests/support/SimDriver.h"

namespace fs = std::filesystem;

namespace {

class CameraLinkSim : public ::testing::Test {
 protected:
  void SetUp() override { SetPacing(&pacing); }
  void TearDown() override { SetPacing(nullptr); }

  void Folder(const fs::path& p) { fs::create_directories(stick.Path() / p); }
  void File(const fs::path& p, size_t size, char fill = 'x') {
    fs::create_directories((stick.Path() / p).parent_path());
    std::ofstream(stick.Path() / p, std::ios::binary) << std::string(size, fill);
  }
  void Control(const std::string& command) { ASSERT_TRUE(sim.Control(command)) << command; }

  // The shared storage start-up: open, storage mode, media checked, root listed.
  void Connect() {
    OpenInStorage(link);
    pacing.Clear();
  }
  // Walks from the root and lists.
  void Go(std::initializer_list<const char*> path) {
    for (const char* part : path) ASSERT_TRUE(link.ChangeCamFolder(part)) << part;
    ASSERT_TRUE(link.ListCamFolder());
  }
  std::vector<std::string> Rows() const { return link.PaneRowNames(); }

  InstantPacing pacing;
  TempStick stick;
  SimDriver sim{stick.Path(), 62ull * 1048576};
  CountingDriver driver{sim};
  RecordingUi ui;
  CameraConnection link{driver, ui};
};

using Names = std::vector<std::string>;

TEST_F(CameraLinkSim, ListingShowsOnlyWhatEachLevelMayHold) {
  Folder("DCIM/100QXCAM/SUB");
  Folder("DCIM/100ABCDE");
  Folder("DCIM/099QXCAM");
  Folder("DCIM/ABC");
  File("DCIM/DCAM0001.JPG", 10);
  Folder("QXMOV/100QXMSC");
  Folder("MISC");
  File("README.TXT", 10);
  File("DCIM/100QXCAM/dcam0001.jpg", 2000);
  File("DCIM/100QXCAM/DCAM0000.JPG", 10);
  File("DCIM/100QXCAM/DCAM0001.TXT", 10);
  File("QXMOV/100QXMSC/MOV_0001.ASF", 10);
  File("QXMOV/100QXMSC/DCAM0002.JPG", 10);
  Connect();

  auto sorted = [](Names n) {
    std::sort(n.begin() + 1, n.end());
    return n;
  };
  EXPECT_EQ(sorted(Rows()), (Names{"MemoryStick", "DCIM", "QXMOV"}));
  Go({"DCIM"});
  EXPECT_EQ(link.parentKind, 1);
  EXPECT_EQ(sorted(Rows()), (Names{"MemoryStick", "..", "100ABCDE", "100QXCAM"}));
  Go({"100QXCAM"});
  EXPECT_EQ(link.camPath, "100QXCAM");
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "..", "dcam0001.jpg"}));
  ASSERT_EQ(link.files.size(), 1u);
  EXPECT_EQ(link.files[0].size, 2000u);
  Go({"..", "..", "QXMOV"});
  EXPECT_EQ(link.camPath, "QXMOV");
  EXPECT_EQ(link.parentKind, 2);
  Go({"100QXMSC"});
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "..", "MOV_0001.ASF"}));
  Go({"..", ".."});
  EXPECT_EQ(link.camPath, "\\");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CameraLinkSim, RootRowCarriesCapacityAndFileRowsTheirDates) {
  File("DCIM/100QXCAM/DCAM0001.JPG", 3000);
  struct tm t{};
  t.tm_year = 103, t.tm_mon = 8, t.tm_mday = 17, t.tm_hour = 10, t.tm_min = 25, t.tm_isdst = -1;
  utimbuf times{mktime(&t), mktime(&t)};
  ASSERT_EQ(utime((stick.Path() / "DCIM/100QXCAM/DCAM0001.JPG").c_str(), &times), 0);
  Connect();
  EXPECT_EQ(link.totalCapacity, 62ull * 1048576);
  Go({"DCIM", "100QXCAM"});
  auto rows = BuildCamRows(link.folders, link.files, link.totalCapacity);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[0].sizeText.find(" MB / 64 MB"), std::string::npos) << rows[0].sizeText;
  EXPECT_EQ(rows[2].sizeText, "3 KB");
  EXPECT_EQ(rows[2].dateText, "2003- 9-17 10:25");
}

TEST_F(CameraLinkSim, StatusOneIsSuccessOnlyForTheListing) {
  Folder("DCIM/100QXCAM");
  Connect();
  Control("status 1 REQ_LIST_DIR");
  ASSERT_TRUE(link.ChangeCamFolder("\\"));
  EXPECT_TRUE(link.ListCamFolder());
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "DCIM"}));
  EXPECT_TRUE(ui.messages.empty());

  Control("status 1 REQ_CHANGE_DIR");
  EXPECT_FALSE(link.ChangeCamFolder("DCIM"));
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::ERROR_READING_STICK}));
  EXPECT_EQ(ui.icons.back(), MsgIcon::Error);
  EXPECT_EQ(link.parentKind, 0);  // the kind follows only a move that worked
  EXPECT_EQ(link.camPath, "DCIM");  // the path moves whatever the outcome
}

TEST_F(CameraLinkSim, BusyStatusFailsSilentlyAndTheStoragePollComesBack) {
  Connect();
  Control("status 0x23 REQ_MAKE_DIR");
  EXPECT_FALSE(link.MakeCameraFolder("DCIM"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.pollStops, 1);
  EXPECT_EQ(ui.pollStarts, 1);
  EXPECT_EQ(ui.lastPollMs, 500);

  Control("status 5 REQ_DELETE");
  EXPECT_FALSE(link.DeleteCameraFile("DCAM0001.JPG"));
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::FAILED_TO_DELETE}));
  EXPECT_EQ(ui.pollStarts, 2);
}

TEST_F(CameraLinkSim, LosingTheCameraClosesItAndShowsThePlaceholder) {
  Folder("DCIM/100QXCAM");
  Connect();
  Control("unplug");
  EXPECT_FALSE(link.ListCamFolder());
  EXPECT_FALSE(link.DeviceOpen());
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::DEVICE_NOT_FOUND}));
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
  EXPECT_FALSE(ui.paneEnabled);
  EXPECT_FALSE(ui.buttonsShown);
  EXPECT_EQ(pacing.Waits(), (std::vector<int>{2000}));
  // Once closed, nothing more is sent and nothing more is said.
  EXPECT_FALSE(link.CheckCamStatus(0, 1));
  EXPECT_FALSE(link.ChangeCamFolder("DCIM"));
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(CameraLinkSim, FailedControlTransferMidListingIsTheCameraGone) {
  Connect();
  Control("fail-next 1");
  EXPECT_FALSE(link.ListCamFolder());  // the readiness check's status read fails
  EXPECT_FALSE(link.DeviceOpen());
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
}

TEST_F(CameraLinkSim, UploadSendsWholeBlocksThenAnEmptyOneAndWaits) {
  Folder("DCIM/100QXCAM");
  Connect();
  Go({"DCIM", "100QXCAM"});
  std::string body(32768, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  size_t offset = 0;
  auto source = [&](uint8_t* buf, int n) {
    int k = static_cast<int>(std::min<size_t>(n, body.size() - offset));
    std::memcpy(buf, body.data() + offset, k);
    offset += k;
    return k;
  };
  int blocks = 0;
  EXPECT_TRUE(link.WriteCameraFile("DCAM0001.JPG", 32768, {2003, 9, 17, 10, 25}, source, [&] { ++blocks; }));
  EXPECT_EQ(driver.bulkOut, (std::vector<int>{16384, 16384, 0}));
  EXPECT_EQ(blocks, 3);
  EXPECT_EQ(pacing.Waits(), (std::vector<int>{500}));
  std::ifstream in(stick.Path() / "DCIM/100QXCAM/DCAM0001.JPG", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), body);

  // A source that comes up short is not a complete upload.
  offset = body.size() - 100;
  EXPECT_FALSE(link.WriteCameraFile("DCAM0002.JPG", 32768, {2003, 9, 17, 10, 25}, source, nullptr));
}

TEST_F(CameraLinkSim, DownloadReadsPiecesUntilAShortOne) {
  File("DCIM/100QXCAM/DCAM0001.JPG", 32768, 'a');
  File("DCIM/100QXCAM/DCAM0002.JPG", 20000, 'b');
  Connect();
  Go({"DCIM", "100QXCAM"});
  std::string got;
  auto sink = [&](const uint8_t* p, int n) {
    got.append(reinterpret_cast<const char*>(p), n);
    return true;
  };
  driver.bulkInAsked.clear();
  auto r = link.ReadCameraFile("DCAM0001.JPG", 32768, sink, nullptr);
  EXPECT_EQ(r.total, 32768u);
  EXPECT_EQ(got, std::string(32768, 'a'));
  EXPECT_EQ(driver.bulkInAsked, (std::vector<int>{16384, 16384, 0}));  // the empty read ends it

  got.clear();
  driver.bulkInAsked.clear();
  Control("short-bulk");
  r = link.ReadCameraFile("DCAM0002.JPG", 20000, sink, nullptr);
  EXPECT_LT(r.total, 20000u);
  EXPECT_EQ(driver.bulkInAsked.size(), 1u);

  // A sink that fails still drains the camera, and says so.
  int calls = 0;
  r = link.ReadCameraFile("DCAM0002.JPG", 20000, [&](const uint8_t*, int) { return ++calls > 5; }, nullptr);
  EXPECT_EQ(r.total, 20000u);
  EXPECT_FALSE(r.sinkOk);
  EXPECT_EQ(calls, 1);

  auto whole = link.ReadWholeFile("DCAM0002.JPG", 20000, REQ_READ_FILE);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size(), 20000u);
  EXPECT_FALSE(link.ReadWholeFile("DCAM0002.JPG", 20001, 0));
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::FAILED_TO_READ_FILE}));
}

TEST_F(CameraLinkSim, CapacityBeforeAnUploadIsTheSecondOfTwoReads) {
  Connect();
  auto c = link.ReadCapacityForUpload();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->totalBytes, 62u * 1048576);
  EXPECT_EQ(pacing.Waits(), (std::vector<int>{100}));
  Control("fail-next 2");
  EXPECT_FALSE(link.ReadCapacityForUpload());
  Control("fail-next 1");
  Capacity none = link.ReadCapacity();
  EXPECT_EQ(none.freeBytes, 0u);
  EXPECT_EQ(none.totalBytes, 0u);
}

TEST_F(CameraLinkSim, MediaCheckAsksAgainEvery300MsWhileExamining) {
  ASSERT_TRUE(link.OpenDevice());
  Control("examine 4");
  EXPECT_EQ(link.CheckMedia(), 1);
  EXPECT_EQ(pacing.Waits(), (std::vector<int>{300, 300, 300, 300}));
}

TEST_F(CameraLinkSim, MediaProblemsAreToldOnceAndLeaveThePlaceholder) {
  ASSERT_TRUE(link.OpenDevice());
  // No stick at the first check: the placeholder, no message.
  Control("eject");
  EXPECT_EQ(link.CheckMedia(), 0);
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
  EXPECT_TRUE(link.MediaNotified());
  EXPECT_TRUE(ui.messages.empty());

  // An unformatted stick after a listing was shown: told, "MemoryStick", Format offered.
  Control("insert");
  Control("stick unformatted");
  EXPECT_EQ(link.CheckMedia(), 0);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::NOT_FORMATTED}));
  EXPECT_EQ(Rows(), (Names{"MemoryStick"}));
  EXPECT_TRUE(link.UnformattedStick());
  EXPECT_TRUE(ui.formatShown);
  EXPECT_EQ(link.CheckMedia(), 0);  // once only
  EXPECT_EQ(ui.messages.size(), 1u);

  Control("stick unsupported");
  link.BeginStorageSwitch();  // the user chose storage mode again: problems are told
  EXPECT_EQ(link.CheckMedia(), 0);
  EXPECT_EQ(ui.messages.back(), ids::NOT_SUPPORTED);
  EXPECT_FALSE(link.UnformattedStick());
}

TEST_F(CameraLinkSim, WriteProtectionStopsChangesBeforeTheyStart) {
  Connect();
  EXPECT_EQ(link.CheckWriteProtect(), 1);
  EXPECT_EQ(ui.pollStarts, 0);  // left stopped for the command that follows
  Control("protect on");
  EXPECT_EQ(link.CheckWriteProtect(), 0);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::WRITE_PROTECTED}));
  EXPECT_EQ(ui.icons.back(), MsgIcon::Information);
  EXPECT_EQ(ui.pollStarts, 1);
  Control("unplug");
  EXPECT_EQ(link.CheckWriteProtect(), 0);  // no answer is no permission
  EXPECT_FALSE(link.DeviceOpen());
}

TEST_F(CameraLinkSim, DefaultFoldersAreMadeWhereMissing) {
  Connect();
  ASSERT_TRUE(link.ChangeCamFolder("\\"));
  EXPECT_EQ(link.EnsureDefaultFolders(), 1);
  for (const char* p : {"DCIM", "QXMOV", "DCIM/100QXCAM", "QXMOV/100QXMSC"})
    EXPECT_TRUE(fs::is_directory(stick.Path() / p)) << p;
  EXPECT_EQ(link.camPath, "\\");
  EXPECT_EQ(link.parentKind, 0);
  EXPECT_EQ(ui.steps, 5);

  // An existing picture folder of another number is enough.
  fs::remove_all(stick.Path() / "DCIM");
  Folder("DCIM/105QXCAM");
  ASSERT_TRUE(link.ChangeCamFolder("\\"));
  link.EnsureDefaultFolders();
  EXPECT_FALSE(fs::exists(stick.Path() / "DCIM/100QXCAM"));
  EXPECT_TRUE(ui.messages.empty()) << ::testing::PrintToString(ui.messages);
}

TEST_F(CameraLinkSim, DefaultFoldersAreOnlyMadeFromAListingThatWorked) {
  Connect();
  ASSERT_TRUE(link.ChangeCamFolder("\\"));
  Control("status 5 REQ_CHANGE_DIR");
  EXPECT_EQ(link.EnsureDefaultFolders(), 0) << "100QXCAM is not there";
  EXPECT_FALSE(fs::exists(stick.Path() / "100QXCAM"));  // not in the root
  EXPECT_TRUE(fs::is_directory(stick.Path() / "QXMOV/100QXMSC"));

  // A root that could not be listed is not taken as empty.
  ASSERT_TRUE(link.ChangeCamFolder("\\"));
  Control("status 5 REQ_LIST_DIR");
  ui.messages.clear();
  EXPECT_EQ(link.EnsureDefaultFolders(), 0);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::ERROR_READING_STICK}));
}

TEST_F(CameraLinkSim, MadeFoldersCarryTheTimeOfMaking) {
  Folder("DCIM");
  Connect();
  Go({"DCIM"});
  std::time_t before = std::time(nullptr);
  EXPECT_TRUE(link.MakeCameraFolder("101QXCAM"));
  ASSERT_TRUE(link.ListCamFolder());
  ASSERT_EQ(Rows().back(), "101QXCAM");
  const CamEntry& made = link.folders.back();
  std::tm local{};
  localtime_r(&before, &local);
  EXPECT_EQ(made.year, local.tm_year + 1900);
  EXPECT_EQ(made.month, local.tm_mon + 1);
  EXPECT_EQ(made.day, local.tm_mday);
}

TEST_F(CameraLinkSim, RenameSendsBothNames) {
  File("DCIM/100QXCAM/DCAM0005.JPG", 10);
  Connect();
  Go({"DCIM", "100QXCAM"});
  EXPECT_TRUE(link.RenameCameraFile("DCAM0005.JPG", "DCAM0007.JPG"));
  ASSERT_TRUE(link.ListCamFolder());
  EXPECT_EQ(Rows().back(), "DCAM0007.JPG");
}

TEST_F(CameraLinkSim, EnterStorageModeListsTheRootOrFallsBackToThePlaceholder) {
  Folder("DCIM");
  ASSERT_TRUE(link.OpenDevice());
  EXPECT_EQ(link.EnterStorageMode(), 1);
  EXPECT_EQ(link.Media(), MediaState::Listed);
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "DCIM"}));
  EXPECT_EQ(pacing.Waits().front(), 500);

  Control("eject");
  EXPECT_EQ(link.EnterStorageMode(), 0);
  EXPECT_EQ(link.Media(), MediaState::NoneUsable);
  EXPECT_FALSE(link.MediaReady());
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
}

}  // namespace
