// The camera's stills as the host sees them over the driver calls: when a
// capture is taken, the poll replies, the still on the bulk pipe and what
// the next-still commands change.
#include <gtest/gtest.h>

#include <regex>

#include "platform/camsim/LiveSource.h"
#include "platform/camsim/Requests.h"
#include "platform/camsim/TestPicture.h"
#include "platform/pixa/PixaFormat.h"
#include "platform/pixa/PixaSensor.h"
#include "tests/support/SimDriver.h"

namespace camsim_still_test {

using namespace camsim;

class Stills : public ::testing::Test {
 protected:
  Stills() : driver(Options(stick.Path())) {}
  static ModelOptions Options(const std::filesystem::path& path) {
    ModelOptions o;
    o.stick = path;
    o.sleep = [](std::chrono::microseconds) {};
    return o;
  }
  void SetUp() override { ASSERT_NE(driver.Device_Open(), 0); }

  uint8_t Write(int request, int value = 0) {
    uint8_t none = 0;
    EXPECT_NE(driver.Vendor_Write(request, value, 0, 0, &none), 0);
    uint8_t s = 0xEE;
    EXPECT_NE(driver.Vendor_Read(REQ_GET_STATUS, 0, 0, 1, &s), 0);
    return s;
  }
  // The poll reply as (ready, length).
  std::pair<int, uint32_t> Poll() {
    uint8_t r[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_NE(driver.Vendor_Read(REQ_STILL_POLL, 0, 0, 5, r), 0);
    return {r[0], Le32(r + 1)};
  }
  std::string Ctl(const std::string& command, bool expectDone = true) {
    std::string reply;
    EXPECT_EQ(driver.Model().Control(command, reply), expectDone) << command << ": " << reply;
    return reply;
  }

  TempStick stick;
  SimDriver driver;
};

TEST_F(Stills, AStillIsReadyAtTheFourthPollAndComesWholeOnTheBulkPipe) {
  EXPECT_EQ(Write(REQ_STILL_CAPTURE), kStatusWrongMode) << "not in storage mode";
  ASSERT_EQ(Write(REQ_SET_MODE, kModeCamera), kStatusOk);
  EXPECT_EQ(Poll(), std::make_pair(0, 0u)) << "nothing captured yet";
  ASSERT_EQ(Write(REQ_STILL_CAPTURE), kStatusOk);
  for (int i = 1; i < kStillReadyPoll; ++i) EXPECT_EQ(Poll(), std::make_pair(0, 0u)) << "poll " << i;
  EXPECT_EQ(Poll(), std::make_pair(1, 307232u));
  EXPECT_EQ(Poll(), std::make_pair(1, 307232u)) << "ready until it is read";

  // In two reads, as a host with a smaller buffer would take it.
  std::vector<uint8_t> still(307232 + 100);
  EXPECT_EQ(driver.Bulk_IN(still.data(), 100000), 100000);
  EXPECT_EQ(driver.Bulk_IN(still.data() + 100000, int(still.size()) - 100000), 307232 - 100000);
  still.resize(307232);
  EXPECT_EQ(driver.Bulk_IN(still.data(), 10), 0) << "nothing more";
  EXPECT_EQ(Poll(), std::make_pair(0, 0u)) << "delivered";

  // It is the scene's first frame (no stream ran), as the sensor records it.
  pixa::Still parsed;
  ASSERT_EQ(pixa::ParseStill(still.data(), still.size(), parsed), pixa::FormatError::None);
  const std::vector<uint8_t> rgb = TestPicture(320, 240, 0).Rgb(kStillWidth, kStillHeight);
  EXPECT_EQ(still, pixa::EncodeStill(rgb.data(), pixa::DefaultSensor(), pixa::DefaultTable()));
  EXPECT_NE(Ctl("status").find("still of frame 0 (normal): 6 polls since the capture, 307232 bytes sent"),
            std::string::npos)
      << Ctl("status");
}

TEST_F(Stills, TheLiveStreamAndStillsTakeTurns) {
  ASSERT_EQ(Write(REQ_SET_MODE, kModeCamera), kStatusOk);
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  EXPECT_EQ(Write(REQ_STILL_CAPTURE), kStatusBusy) << "not while the stream runs";
  ASSERT_EQ(Write(REQ_STREAM_STOP), kStatusOk);
  ASSERT_EQ(Write(REQ_STILL_CAPTURE), kStatusOk);
  Ctl("next-still ready-on 1");  // only the next capture; this one is ready at poll 4
  for (int i = 0; i < kStillReadyPoll; ++i) Poll();
  // Back to live before the still was read: the still is gone.
  ASSERT_EQ(Write(REQ_STREAM_START), kStatusOk);
  ASSERT_EQ(Write(REQ_STREAM_STOP), kStatusOk);
  EXPECT_EQ(Poll(), std::make_pair(0, 0u));
  ASSERT_EQ(Write(REQ_STILL_CAPTURE), kStatusOk);
  EXPECT_EQ(Poll(), std::make_pair(1, 307232u)) << "the ready-on setting came with this capture";
  // Leaving camera mode drops it too.
  ASSERT_EQ(Write(REQ_SET_MODE, kModeStorage), kStatusOk);
  EXPECT_EQ(Poll(), std::make_pair(0, 0u));
}

TEST_F(Stills, ALateStillHoldsEachPollInsideTheControlTimeOut) {
  std::vector<std::chrono::microseconds> held;
  ModelOptions o = Options(stick.Path());
  o.sleep = [&](std::chrono::microseconds d) { held.push_back(d); };
  SimDriver late(o);
  ASSERT_NE(late.Device_Open(), 0);
  uint8_t none = 0, r[5];
  late.Vendor_Write(REQ_SET_MODE, kModeCamera, 0, 0, &none);
  std::string reply;
  ASSERT_TRUE(late.Model().Control("next-still late", reply));
  const auto captured = std::chrono::steady_clock::now();
  late.Vendor_Write(REQ_STILL_CAPTURE, 0, 0, 0, &none);
  int polls = 0;
  do {
    ASSERT_NE(late.Vendor_Read(REQ_STILL_POLL, 0, 0, 5, r), 0);
    ++polls;
  } while (r[0] == 0 && polls < 100);
  EXPECT_EQ(r[0], 1);
  // The camera's clock is real time plus what the hook skipped.
  std::chrono::microseconds total =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - captured);
  for (auto d : held) {
    EXPECT_LE(d, kLateStillPollHold) << "a driver's control transfer gives up after 2 s";
    total += d;
  }
  EXPECT_GE(total, std::chrono::microseconds(kLateStillDelay)) << "ready only 16 s after the capture";
  EXPECT_LE(polls, 26) << "ready before the program's poll limit, after its 15 s wait";
}

TEST_F(Stills, NextStillCommandsAreListedAndCheckThemselves) {
  EXPECT_NE(Ctl("help").find("next-still normal|never|late|undecodable|oversize|cut-short"), std::string::npos);
  EXPECT_NE(Ctl("help").find("next-still ready-on N"), std::string::npos);
  Ctl("next-still sometimes", false);
  Ctl("next-still ready-on 0", false);
  Ctl("next-still ready-on 1001", false);
  Ctl("next-still ready-on x", false);
  Ctl("next-still", false);
  Ctl("next-still never now", false);
  EXPECT_EQ(Ctl("next-still ready-on 26"), "the next still is ready at poll 26");
  EXPECT_NE(Ctl("status").find("next still normal ready at poll 26"), std::string::npos);
}

}  // namespace camsim_still_test
