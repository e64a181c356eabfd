// The camera connection seen from the window: the storage mode with and
// without a usable Memory Stick, sticks coming and going under the poll.
#include <QTreeView>
#include <filesystem>

#include "app/ControlTable.h"
#include "camera/CameraProtocol.h"
#include "resources/StringIds.h"
#include "tests/gui/WindowFixture.h"
#include "tests/gui/WindowTestAccess.h"

namespace fs = std::filesystem;

namespace {

class LifecycleTest : public WindowFixture {
 protected:
  MainWindow& InStorageMode() {
    MainWindow& w = Started();
    w.Command(ctl::TO_STORAGE_MODE);
    return w;
  }
  QStringList PaneNames() {
    QStringList names;
    for (const CamEntry& e : window_->Camera().folders) names << QString::fromStdString(e.name);
    for (const CamEntry& e : window_->Camera().files) names << QString::fromStdString(e.displayName);
    return names;
  }
  int PaneRowCount() { return window_->ControlAs<QTreeView>(ctl::CAM_PANE)->model()->rowCount(); }
};

}  // namespace

TEST_F(LifecycleTest, StorageModeListsTheRootWithItsDefaultFolders) {
  MainWindow& w = InStorageMode();
  EXPECT_TRUE(boxes_.shown.isEmpty()) << boxes_.shown.join("|").toStdString();
  EXPECT_EQ(PaneNames(), (QStringList{"MemoryStick", "DCIM", "QXMOV"}));
  EXPECT_EQ(PaneRowCount(), 3);
  EXPECT_TRUE(w.Timer(TimerId::StoragePoll).isActive());
  for (const char* folder : {"DCIM", "QXMOV", "DCIM/100QXCAM", "QXMOV/100QXMSC"})
    EXPECT_TRUE(fs::is_directory(stick_.Path() / folder)) << folder;
}

TEST_F(LifecycleTest, StorageModeWithoutStickSaysNoMemory) {
  sim_.Control("eject");
  MainWindow& w = InStorageMode();
  ASSERT_EQ(boxes_.shown.size(), 1);
  EXPECT_EQ(boxes_.shown[0], "No Memory!");
  EXPECT_EQ(boxes_.icons[0], MsgIcon::Information);
  EXPECT_EQ(PaneNames(), QStringList{"Non MemoryStick"});
  EXPECT_FALSE(w.Control(ctl::CAM_PANE)->isEnabled());
  EXPECT_FALSE(w.Control(ctl::FORMAT)->isVisibleTo(&w));
  EXPECT_FALSE(w.Control(ctl::CAM_DELETE)->isVisibleTo(&w));
}

TEST_F(LifecycleTest, UnformattedStickIsNamedAndOffersTheFormat) {
  sim_.Control("stick unformatted");
  MainWindow& w = InStorageMode();
  EXPECT_EQ(boxes_.shown, QStringList{"Memory Stick is not formatted."});
  EXPECT_EQ(PaneNames(), QStringList{"MemoryStick"});
  EXPECT_TRUE(w.Control(ctl::FORMAT)->isVisibleTo(&w));
  EXPECT_FALSE(w.Control(ctl::CAM_PANE)->isEnabled());
}

TEST_F(LifecycleTest, StickRemovedAndInsertedUnderThePoll) {
  MainWindow& w = InStorageMode();
  sim_.Control("eject");
  w.Connection().PollStorage();
  EXPECT_EQ(boxes_.shown, QStringList{"No Memory!"});
  EXPECT_EQ(PaneNames(), QStringList{"Non MemoryStick"});
  w.Connection().PollStorage();  // said once only
  EXPECT_EQ(boxes_.shown.size(), 1);

  fs::remove_all(stick_.Path() / "QXMOV");
  sim_.Control("insert");
  w.Connection().PollStorage();
  EXPECT_EQ(PaneNames(), (QStringList{"MemoryStick", "DCIM", "QXMOV"}));
  EXPECT_TRUE(w.Control(ctl::CAM_PANE)->isEnabled());
  EXPECT_TRUE(w.Control(ctl::CAM_DELETE)->isVisibleTo(&w));
  EXPECT_TRUE(fs::is_directory(stick_.Path() / "QXMOV" / "100QXMSC"));
  EXPECT_EQ(boxes_.shown.size(), 1);
}

TEST_F(LifecycleTest, CameraUnpluggedInStorageModeComesBackUnderThePoll) {
  MainWindow& w = InStorageMode();
  sim_.Control("unplug");
  EXPECT_EQ(w.Connection().PollStorage(), 0);
  EXPECT_FALSE(w.Camera().DeviceOpen());
  EXPECT_TRUE(boxes_.shown.contains(Text(ids::DEVICE_NOT_FOUND)));
  EXPECT_EQ(PaneNames(), QStringList{"Non MemoryStick"});
  EXPECT_EQ(w.Connection().PollStorage(), 0);  // still away: nothing more is said
  const int said = boxes_.shown.size();

  sim_.Control("plug");
  EXPECT_EQ(w.Connection().PollStorage(), 1);
  EXPECT_TRUE(w.Camera().DeviceOpen());
  EXPECT_EQ(PaneNames(), (QStringList{"MemoryStick", "DCIM", "QXMOV"}));
  EXPECT_EQ(boxes_.shown.size(), said);
}

TEST_F(LifecycleTest, StorageModeWithoutCameraSaysSoAndPolls) {
  MainWindow& w = Started();
  sim_.Control("unplug");
  WindowTestAccess::CloseCamera(w);
  w.Command(ctl::TO_STORAGE_MODE);
  EXPECT_EQ(boxes_.shown, QStringList{Text(ids::DEVICE_NOT_FOUND)});
  EXPECT_EQ(boxes_.icons[0], MsgIcon::Warning);
  EXPECT_TRUE(w.Shell().LayoutFlag());
  EXPECT_TRUE(w.Timer(TimerId::StoragePoll).isActive());
}

TEST_F(LifecycleTest, ReopenInCameraLayoutKeepsTryingEverySecond) {
  MainWindow& w = Started();
  sim_.Control("unplug");
  WindowTestAccess::CloseCamera(w);
  w.Connection().OnReopenCamera();
  EXPECT_FALSE(w.Camera().DeviceOpen());
  EXPECT_TRUE(w.Timer(TimerId::CameraReopen).isActive());
  EXPECT_EQ(w.Timer(TimerId::CameraReopen).interval(), 1000);
  sim_.Control("plug");
  w.Connection().OnReopenCamera();
  EXPECT_TRUE(w.Camera().DeviceOpen());
  EXPECT_FALSE(w.Timer(TimerId::CameraReopen).isActive());
}

TEST_F(LifecycleTest, BackToCameraModeSendsTheCameraMode) {
  MainWindow& w = InStorageMode();
  recorder_.ClearCalls();
  w.Command(ctl::TO_CAMERA_MODE);
  EXPECT_FALSE(w.Shell().LayoutFlag());
  EXPECT_FALSE(w.Timer(TimerId::StoragePoll).isActive());
  bool cameraMode = false;
  for (const auto& c : recorder_.Calls()) cameraMode |= c.kind == 'W' && c.request == REQ_SET_MODE && c.value == MODE_CAMERA;
  EXPECT_TRUE(cameraMode);
}
