// The camera connection on its own, against the in-process simulator with
// instant pacing and no window: the start-up, the storage poll's media
// states, the loss and re-opening of the camera, camera-mode entry and the
// ways out of it. Each test checks the requests, the waits and what the
// user is told.
#include <gtest/gtest.h>

#include <filesystem>

#include "camera/CameraConnection.h"
#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"
#include "tests/camera/CameraTestKit.h"
#include "tests/support/SimDriver.h"

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;
using Calls = std::vector<std::string>;
using Waits = std::vector<int>;
using StartUpModes = CameraConnection::StartUpModes;
using SessionStart = CameraConnection::SessionStart;

class CameraConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPacing(&pacing); }
  void TearDown() override { SetPacing(nullptr); }

  void Control(const std::string& command) { ASSERT_TRUE(sim.Control(command)) << command; }
  // Forgets what was sent, waited and told so far.
  void Mark() {
    driver.calls.clear();
    pacing.Clear();
    ui.messages.clear();
  }
  // The requests since the last mark, without the status and media reads
  // that every check makes in between.
  Calls Sent() const {
    Calls sent;
    for (const std::string& c : driver.calls)
      if (c == "open" || c == "close" || c.rfind("REQ_SET_MODE", 0) == 0 || c == "REQ_GET_VIDEO_MODE?")
        sent.push_back(c);
    return sent;
  }
  // The first start-up steps that end with the stick listed (no camera mode yet).
  void StartInStorage() {
    ASSERT_TRUE(connection.OpenAtStartUp());
    ASSERT_EQ(connection.EnterStorageMode(), 1);
    Mark();
  }
  Names Rows() const { return connection.PaneRowNames(); }

  InstantPacing pacing;
  TempStick stick;
  SimDriver sim{stick.Path()};
  CountingDriver driver{sim};
  RecordingUi ui;
  CameraConnection connection{driver, ui};
};

TEST_F(CameraConnectionTest, StartUpListsTheStickThenEntersCameraModeWithItsVideoMode) {
  fs::create_directories(stick.Path() / "DCIM/100QXCAM");
  ASSERT_TRUE(connection.OpenAtStartUp());
  uint8_t videoMode = 9;
  EXPECT_EQ(connection.EnterModesAtStartUp(videoMode), StartUpModes::CameraMode);
  EXPECT_EQ(videoMode, 1);  // frames of 320 x 240
  EXPECT_EQ(Sent(), (Calls{"open", "REQ_SET_MODE 1", "REQ_SET_MODE 257", "REQ_GET_VIDEO_MODE?"}));
  EXPECT_EQ(pacing.Waits(), (Waits{200, 500, 200, 200, 200, 200, 200, 200}));
  EXPECT_EQ(connection.Media(), MediaState::Listed);
  EXPECT_TRUE(connection.MediaReady());
  EXPECT_FALSE(connection.MediaNotified());  // the start-up's listing tells nothing yet
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "DCIM"}));
  EXPECT_TRUE(ui.messages.empty());

  // A camera of the larger frames gives its own byte.
  TempStick other;
  camsim::ModelOptions options;
  options.stick = other.Path();
  options.videoMode = 0;
  SimDriver large(options);
  CameraConnection second(large, ui);
  ASSERT_TRUE(second.OpenAtStartUp());
  EXPECT_EQ(second.EnterModesAtStartUp(videoMode), StartUpModes::CameraMode);
  EXPECT_EQ(videoMode, 0);  // frames of 352 x 288
}

TEST_F(CameraConnectionTest, StartUpWithoutCameraOrWithoutCameraMode) {
  Control("unplug");
  EXPECT_FALSE(connection.OpenAtStartUp());
  connection.NoCameraAtStartUp();
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::DEVICE_NOT_FOUND_AT_START}));
  EXPECT_EQ(ui.icons.back(), MsgIcon::Warning);
  EXPECT_EQ(ui.busyCloses, 1);
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
  EXPECT_EQ(connection.Media(), MediaState::NoneUsable);
  EXPECT_FALSE(connection.MediaReady());
  EXPECT_TRUE(connection.LinkLost());
  EXPECT_EQ(pacing.Waits(), (Waits{200, 500}));

  // A camera that will not give its video mode is closed again.
  Control("plug");
  Mark();
  driver.fails = [](int request, int) { return request == REQ_GET_VIDEO_MODE; };
  ASSERT_TRUE(connection.OpenAtStartUp());
  uint8_t videoMode = 0;
  EXPECT_EQ(connection.EnterModesAtStartUp(videoMode), StartUpModes::CameraModeRefused);
  EXPECT_FALSE(connection.DeviceOpen());
  EXPECT_EQ(Sent().back(), "close");

  // One that goes away during the media check ends the start-up there.
  driver.fails = [](int request, int) { return request == REQ_MEDIA_STATUS; };
  ASSERT_TRUE(connection.OpenAtStartUp());
  Mark();
  EXPECT_EQ(connection.EnterModesAtStartUp(videoMode), StartUpModes::CameraLost);
  EXPECT_EQ(Sent(), (Calls{"REQ_SET_MODE 1", "close"}));
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::DEVICE_NOT_FOUND}));
}

TEST_F(CameraConnectionTest, PollKeepsAListedStickAndTellsItsRemovalOnce) {
  OpenInStorage(connection);  // as after the user chose storage mode
  Mark();
  EXPECT_EQ(connection.PollStorage(), 1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(connection.Media(), MediaState::Listed);
  EXPECT_TRUE(pacing.Waits().empty());

  Control("eject");
  EXPECT_EQ(connection.PollStorage(), 1);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::NO_MEMORY}));
  EXPECT_EQ(ui.icons.back(), MsgIcon::Information);
  EXPECT_EQ(connection.Media(), MediaState::NoneUsable);
  EXPECT_FALSE(connection.MediaReady());
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
  EXPECT_FALSE(ui.paneEnabled);
  EXPECT_FALSE(ui.buttonsShown);
  EXPECT_FALSE(ui.formatShown);
  EXPECT_EQ(connection.PollStorage(), 1);  // said once
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(CameraConnectionTest, RemovalAfterTheStartUpListingIsToldByTheFirstLookAtTheEmptyCamera) {
  StartInStorage();
  ASSERT_FALSE(connection.MediaNotified());
  Control("eject");
  EXPECT_EQ(connection.PollStorage(), 1);
  // The media check's first look without a stick marks it, so the listed
  // stick's loss is told.
  EXPECT_TRUE(connection.MediaNotified());
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::NO_MEMORY}));
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
}

TEST_F(CameraConnectionTest, PollTellsAnUnformattedOrUnsupportedStickButNotAsNoMemory) {
  OpenInStorage(connection);
  Mark();
  Control("stick unformatted");
  EXPECT_EQ(connection.PollStorage(), 1);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::NOT_FORMATTED}));
  EXPECT_EQ(ui.icons.back(), MsgIcon::Error);
  EXPECT_FALSE(connection.MediaNotified());
  EXPECT_TRUE(connection.UnformattedStick());
  EXPECT_EQ(Rows(), (Names{"MemoryStick"}));
  EXPECT_TRUE(ui.formatShown);  // the Format button stays offered
  EXPECT_EQ(connection.Media(), MediaState::NoneUsable);
  EXPECT_EQ(connection.PollStorage(), 1);
  EXPECT_EQ(ui.messages.size(), 1u);

  // The user chooses storage mode again with an unsupported stick: told once.
  Control("stick unsupported");
  connection.BeginStorageSwitch();
  ui.messages.clear();
  EXPECT_EQ(connection.PollStorage(), 1);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::NOT_SUPPORTED}));
  EXPECT_FALSE(connection.UnformattedStick());
  EXPECT_FALSE(ui.formatShown);
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
}

TEST_F(CameraConnectionTest, PollListsANewStickWithItsDefaultFolders) {
  Control("eject");
  ASSERT_EQ(connection.OpenStorageSession(), SessionStart::NoStick);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::NO_MEMORY}));
  EXPECT_EQ(connection.Media(), MediaState::NoneUsable);
  Mark();
  Control("insert");
  EXPECT_EQ(connection.PollStorage(), 1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(connection.Media(), MediaState::Listed);
  EXPECT_TRUE(connection.MediaNotified());
  EXPECT_TRUE(ui.paneEnabled);
  EXPECT_TRUE(ui.buttonsShown);
  EXPECT_TRUE(ui.formatShown);
  for (const char* folder : {"DCIM", "QXMOV", "DCIM/100QXCAM", "QXMOV/100QXMSC"})
    EXPECT_TRUE(fs::is_directory(stick.Path() / folder)) << folder;
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "DCIM", "QXMOV"}));
  EXPECT_EQ(connection.camPath, "\\");
}

TEST_F(CameraConnectionTest, PollReopensALostCameraInStorageMode) {
  OpenInStorage(connection);
  Mark();
  Control("unplug");
  EXPECT_EQ(connection.PollStorage(), 0);
  EXPECT_FALSE(connection.DeviceOpen());
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::DEVICE_NOT_FOUND}));
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
  EXPECT_EQ(pacing.Waits(), (Waits{2000}));
  Mark();
  EXPECT_EQ(connection.PollStorage(), 0);  // still away: nothing more is said
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Sent(), (Calls{"open"}));

  Control("plug");
  Mark();
  EXPECT_EQ(connection.PollStorage(), 1);
  EXPECT_TRUE(connection.DeviceOpen());
  EXPECT_EQ(Sent(), (Calls{"open", "REQ_SET_MODE 1"}));
  EXPECT_EQ(pacing.Waits(), (Waits{500, 500}));
  EXPECT_EQ(connection.Media(), MediaState::Listed);  // found again as a new stick
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "DCIM", "QXMOV"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CameraConnectionTest, CameraModeIsEnteredWithTheModeSentAgainOnlyAfterALostLink) {
  StartInStorage();
  // The stream ended on a failed poll: the camera is closed and the link lost.
  connection.StreamEnded(true);
  EXPECT_FALSE(connection.DeviceOpen());
  EXPECT_TRUE(connection.LinkLost());
  EXPECT_FALSE(connection.EnterCameraMode());  // closed: nothing is sent
  Control("unplug");
  Mark();
  EXPECT_FALSE(connection.Reopen());
  EXPECT_TRUE(pacing.Waits().empty());

  Control("plug");
  Mark();
  ASSERT_TRUE(connection.Reopen());
  EXPECT_EQ(pacing.Waits(), (Waits{300}));
  auto videoMode = connection.EnterCameraMode();
  ASSERT_TRUE(videoMode);
  EXPECT_EQ(*videoMode, 1);
  EXPECT_EQ(Sent(), (Calls{"open", "REQ_SET_MODE 257", "REQ_GET_VIDEO_MODE?"}));
  EXPECT_EQ(pacing.Waits(), (Waits{300, 1000, 1000}));
  connection.StreamRunning();
  EXPECT_FALSE(connection.LinkLost());

  // Ended for another reason: no mode sent again, no wait before it.
  connection.StreamEnded(false);
  Mark();
  ASSERT_TRUE(connection.Reopen());
  ASSERT_TRUE(connection.EnterCameraMode());
  EXPECT_EQ(Sent(), (Calls{"open", "REQ_GET_VIDEO_MODE?"}));
  EXPECT_EQ(pacing.Waits(), (Waits{1000, 1000}));

  // A video mode that cannot be read leaves the camera open without a preview.
  Control("fail-next 1");
  EXPECT_FALSE(connection.EnterCameraMode());
  EXPECT_TRUE(connection.DeviceOpen());
}

TEST_F(CameraConnectionTest, TheSwitchToCameraModeWithoutACameraCountsAsALostLink) {
  Control("unplug");
  connection.StreamEnded(false);
  EXPECT_FALSE(connection.SwitchToCameraMode());
  EXPECT_TRUE(connection.LinkLost());
  EXPECT_EQ(Sent(), (Calls{"close"}));

  Control("plug");
  ASSERT_TRUE(connection.OpenAtStartUp());
  Mark();
  auto videoMode = connection.SwitchToCameraMode();
  ASSERT_TRUE(videoMode);
  EXPECT_EQ(*videoMode, 1);
  EXPECT_EQ(Sent(), (Calls{"REQ_SET_MODE 257", "REQ_GET_VIDEO_MODE?"}));
  EXPECT_EQ(pacing.Waits(), (Waits{500}));
}

TEST_F(CameraConnectionTest, LeavingCameraModeForStorageListsTheStickFromItsRoot) {
  fs::create_directories(stick.Path() / "DCIM/100QXCAM/");
  ASSERT_TRUE(connection.OpenAtStartUp());
  uint8_t videoMode = 0;
  ASSERT_EQ(connection.EnterModesAtStartUp(videoMode), StartUpModes::CameraMode);
  Mark();
  connection.BeginStorageSwitch();
  EXPECT_TRUE(connection.MediaNotified());
  connection.SendStorageMode();
  ASSERT_EQ(connection.PollStorage(), 1);
  connection.ListStickAfterSwitch();
  EXPECT_EQ(Sent(), (Calls{"REQ_SET_MODE 1"}));
  EXPECT_EQ(pacing.Waits(), (Waits{200, 300}));
  EXPECT_EQ(Rows(), (Names{"MemoryStick", "DCIM", "QXMOV"}));  // the default folders were made
  EXPECT_TRUE(fs::is_directory(stick.Path() / "QXMOV/100QXMSC"));
  EXPECT_TRUE(ui.messages.empty());

  // Without a usable stick the storage layout gets the placeholder.
  connection.DropStick();
  EXPECT_FALSE(connection.MediaReady());
  EXPECT_EQ(Rows(), (Names{"Non MemoryStick"}));
  EXPECT_FALSE(ui.paneEnabled);
}

TEST_F(CameraConnectionTest, ReleasedWithModeZeroThenClosed) {
  OpenInStorage(connection);
  Mark();
  connection.ReleaseAtLogOnEnd();  // the log-on may go on: the flag stays
  EXPECT_EQ(Sent(), (Calls{"REQ_SET_MODE 0", "close"}));
  EXPECT_EQ(pacing.Waits(), (Waits{200}));
  EXPECT_TRUE(connection.DeviceOpen());

  ASSERT_TRUE(connection.OpenAtStartUp());
  Mark();
  connection.Release();
  EXPECT_EQ(Sent(), (Calls{"REQ_SET_MODE 0", "close"}));
  EXPECT_EQ(pacing.Waits(), (Waits{200}));
  EXPECT_FALSE(connection.DeviceOpen());
  Mark();
  connection.Release();  // closed: nothing more
  EXPECT_TRUE(driver.calls.empty());

  // orin-cam's end: no preview ran, so no wait.
  ASSERT_EQ(connection.OpenStorageSession(), SessionStart::Ready);
  Mark();
  connection.EndSession();
  EXPECT_EQ(Sent(), (Calls{"REQ_SET_MODE 0", "close"}));
  EXPECT_TRUE(pacing.Waits().empty());
}

TEST_F(CameraConnectionTest, StorageSessionTellsEachWayItCanEnd) {
  Control("unplug");
  EXPECT_EQ(connection.OpenStorageSession(), SessionStart::NoCamera);
  EXPECT_TRUE(ui.messages.empty());  // the caller tells a missing camera from a busy one
  Control("plug");
  Control("status 5 REQ_SET_MODE");
  EXPECT_EQ(connection.OpenStorageSession(), SessionStart::Failed);
  EXPECT_EQ(ui.messages, (std::vector<int>{ids::CANNOT_EXECUTE}));
  Mark();
  EXPECT_EQ(connection.OpenStorageSession(), SessionStart::Ready);
  EXPECT_EQ(pacing.Waits(), (Waits{500}));
  EXPECT_EQ(Rows(), (Names{"MemoryStick"}));
}

}  // namespace
