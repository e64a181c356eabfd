// Whatever a broken or hostile camera sends, the listing stays within its
// buffers, ends, and turns no unsafe name into a row.
#include <gtest/gtest.h>

#include "camera/CameraLink.h"
#include "platform/ui/Pacing.h"
#include "tests/camera/CameraTestKit.h"

namespace {

class HostileCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPacing(&pacing);
    link.OpenDevice();
  }
  void TearDown() override { SetPacing(nullptr); }
  // Puts the link in `path` without asking the camera.
  void At(const char* path, int kind) {
    link.camPath = path;
    link.parentKind = kind;
  }

  InstantPacing pacing;
  ScriptedCamera camera;
  RecordingUi ui;
  CameraLink link{camera, ui};
};

using Names = std::vector<std::string>;

TEST_F(HostileCamera, UnsafeNamesNeverBecomeRows) {
  At("100QXCAM", 1);
  camera.QueueRecord("..", "");
  camera.QueueRecord("..", "JPG");
  camera.QueueRecord("DC/M0001", "JPG");
  camera.QueueRecord("DC\\M0002", "JPG");
  camera.QueueRecord("DC\x01M0003", "JPG");
  camera.QueueRecord("DCAM0004", "J\nG");
  camera.QueueRecord("/", "");
  camera.QueueRecord("DCAM0005", "JPG");
  camera.QueueEnd();
  link.ListCamFolder();
  EXPECT_EQ(link.PaneRowNames(), (Names{"MemoryStick", "..", "DCAM0005.JPG"}));

  At("DCIM", 1);
  camera.QueueRecord("100/..", "");
  camera.QueueRecord("100\\QX", "");
  camera.QueueRecord("100\x1b", "");
  camera.QueueRecord(".", "");
  camera.QueueRecord("101QXCAM", "");
  camera.QueueEnd();
  link.ListCamFolder();
  EXPECT_EQ(link.PaneRowNames(), (Names{"MemoryStick", "101QXCAM"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HostileCamera, CountsBeyondTheAskedLengthAreHeldToIt) {
  At("DCIM", 1);
  camera.QueueRecord("100QXCAM", "");
  camera.bulk.back().claimed = 1 << 20;  // claims more than the 32 bytes asked
  camera.QueueRecord("101QXCAM", "");
  camera.bulk.back().claimed = -5;      // a negative count ends the listing
  camera.QueueRecord("102QXCAM", "");
  link.ListCamFolder();
  EXPECT_EQ(link.PaneRowNames(), (Names{"MemoryStick", "100QXCAM"}));

  // A download whose pieces claim too much still counts only what fits.
  camera.bulk.clear();
  camera.bulk.push_back({std::vector<uint8_t>(100, 1), 1 << 20});
  uint64_t sunk = 0;
  auto r = link.ReadCameraFile("DCAM0001.JPG", 100, [&](const uint8_t*, int n) {
    sunk += static_cast<uint64_t>(n);
    return true;
  }, nullptr);
  EXPECT_EQ(r.total, 100u);
  EXPECT_EQ(sunk, 100u);
}

TEST_F(HostileCamera, AShortReadEndsTheListingKeepingTheRowsSoFar) {
  At("DCIM", 1);
  camera.QueueRecord("100QXCAM", "");
  camera.QueueRecord("101QXCAM", "");
  camera.bulk.push_back({std::vector<uint8_t>(20, 'A')});
  camera.QueueRecord("102QXCAM", "");
  link.ListCamFolder();
  EXPECT_EQ(link.PaneRowNames(), (Names{"MemoryStick", "100QXCAM", "101QXCAM"}));
}

TEST_F(HostileCamera, AnEndlessListingStillEnds) {
  At("DCIM", 1);
  camera.endless = true;
  link.ListCamFolder();
  EXPECT_EQ(link.folders.size(), 1u + 65536u);
}

TEST_F(HostileCamera, EmptyListingIsJustTheRootRow) {
  At("100QXCAM", 1);
  camera.QueueEnd();
  link.ListCamFolder();
  EXPECT_EQ(link.PaneRowNames(), (Names{"MemoryStick"}));
  At("100QXCAM", 1);
  link.ListCamFolder();  // nothing at all on the pipe
  EXPECT_EQ(link.PaneRowNames(), (Names{"MemoryStick"}));
}

}  // namespace
