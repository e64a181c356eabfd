// The "orin.camera" log: every request the program sends passes the logged
// driver and, with the category switched on, is written with its outcome.
#include <gtest/gtest.h>

#include "camera/CameraLog.h"
#include "platform/camproto/CameraWire.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SimDriver.h"

namespace {

class CameraLogTest : public ::testing::Test {
 protected:
  int SetMode(int mode) {
    uint8_t none = 0;
    return logged.Vendor_Write(REQ_SET_MODE, mode, 0, 0, &none);
  }
  uint8_t Status() {
    uint8_t status = 0xEE;
    logged.Vendor_Read(REQ_GET_STATUS, 0, 0, kStatusReplyLength, &status);
    return status;
  }

  TempStick stick;
  SimDriver sim{stick.Path()};
  LoggedDriver logged{sim};
};

TEST_F(CameraLogTest, SilentUnlessSwitchedOn) {
  LogCapture log("");
  ASSERT_TRUE(logged.Device_Open());
  EXPECT_TRUE(SetMode(MODE_STORAGE));
  EXPECT_EQ(Status(), STATUS_OK);
  EXPECT_TRUE(log.Matching("orin.camera", "").isEmpty()) << log.Lines().join("\n").toStdString();
}

TEST_F(CameraLogTest, EachRequestWithItsOutcomeAndTheCamerasStatus) {
  LogCapture log("orin.camera.debug=true");
  ASSERT_TRUE(logged.Device_Open());
  EXPECT_TRUE(SetMode(MODE_CAMERA));
  EXPECT_EQ(Status(), STATUS_OK);
  ASSERT_TRUE(sim.Control("status 5 REQ_SET_MODE"));
  SetMode(MODE_STORAGE);
  EXPECT_EQ(Status(), 5);
  ASSERT_TRUE(sim.Control("fail-next 1"));
  EXPECT_FALSE(SetMode(MODE_STORAGE));
  uint8_t root[kFolderNameField] = {'\\'};
  logged.Vendor_Write(REQ_CHANGE_DIR, 0, 0, kFolderNameField, root);
  // A stream poll that finds nothing waiting is left out.
  uint8_t poll[kPollReplyLength] = {};
  logged.Vendor_Read(REQ_STREAM_POLL, 0, 0, kPollReplyLength, poll);
  logged.Device_Close();

  EXPECT_EQ(log.Matching("orin.camera", "Device_Open -> open").size(), 1);
  EXPECT_EQ(log.Matching("orin.camera", "REQ_SET_MODE value 0x101 index 0 length 0 -> ok").size(), 1);
  EXPECT_EQ(log.Matching("orin.camera", "REQ_GET_STATUS -> ok [00] status 0x00").size(), 1);
  EXPECT_EQ(log.Matching("orin.camera", "REQ_GET_STATUS -> ok [05] status 0x05").size(), 1);
  EXPECT_EQ(log.Matching("orin.camera", "REQ_SET_MODE value 0x1 index 0 length 0 -> FAILED").size(), 1);
  EXPECT_EQ(log.Matching("orin.camera", "REQ_CHANGE_DIR \"\\\" value 0x0 index 0 length 9 ->").size(), 1);
  EXPECT_TRUE(log.Matching("orin.camera", "REQ_STREAM_POLL").isEmpty());
  EXPECT_EQ(log.Matching("orin.camera", "Device_Close").size(), 1);
}

}  // namespace
