// libPIXA.so through its three exported functions: the table file it is made
// ready with, what it refuses, and its JPEGs judged by an outside decoder
// against the picture the simulated camera's sensor recorded.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/camsim/TestPicture.h"
#include "platform/pixa/PIXA.h"
#include "platform/pixa/PixaFormat.h"
#include "platform/pixa/PixaSensor.h"
#include "tests/pixa/JpegJudge.h"

namespace {

namespace fs = std::filesystem;
using namespace pixa;

class Converter : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "pixa-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch = pattern;
  }
  void TearDown() override {
    ReleasePIXA();
    std::error_code ec;
    fs::remove_all(scratch, ec);
  }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (fs::path(scratch) / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }

  // The still in a still buffer, converted; the JPEG's bytes or empty, and the result.
  int Convert(const std::vector<uint8_t>& still, std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> buffer(PIXA_BUFFER_BYTES, 0xEE);
    std::copy(still.begin(), still.end(), buffer.begin());
    uint32_t length = uint32_t(still.size());
    const int result = RunPIXA2JpegFile(buffer.data(), &length);
    jpeg.clear();
    if (result == PIXA_OK) {
      EXPECT_LE(length, PIXA_BUFFER_BYTES);
      jpeg.assign(buffer.begin(), buffer.begin() + length);
    } else {
      EXPECT_EQ(length, still.size()) << "a failure leaves the length alone";
    }
    return result;
  }

  jpeg_judge::Picture Judge(const std::vector<uint8_t>& jpeg, const std::string& name) {
    return jpeg_judge::Decode(Write(name, jpeg));
  }

  std::string scratch;
};

// The simulator's test picture as its sensor records it at 640 x 480.
std::vector<uint8_t> ScenePicture(int64_t frame) { return camsim::TestPicture(320, 240, frame).Rgb(640, 480); }

TEST_F(Converter, TheInstalledTableIsReadyAndReleased) {
  ASSERT_EQ(ReadyPIXA(PIXA_TABLE), PIXA_OK);
  std::vector<uint8_t> jpeg;
  const std::vector<uint8_t> rgb = ScenePicture(0);
  const std::vector<uint8_t> still = EncodeStill(rgb.data(), DefaultSensor(), DefaultTable());
  EXPECT_EQ(Convert(still, jpeg), PIXA_OK);
  ReleasePIXA();
  EXPECT_EQ(Convert(still, jpeg), PIXA_ERR_NOT_READY) << "no table after the release";
  ReleasePIXA();  // harmless twice
  ASSERT_EQ(ReadyPIXA(PIXA_TABLE), PIXA_OK);
  ASSERT_EQ(ReadyPIXA(PIXA_TABLE), PIXA_OK) << "ready again replaces the table";
  EXPECT_EQ(Convert(still, jpeg), PIXA_OK);
}

TEST_F(Converter, BadTableFilesLeaveNoTable) {
  const std::vector<uint8_t> good = WriteTable(DefaultTable());
  std::vector<uint8_t> cut(good.begin(), good.end() - 1), longer = good, wrongVersion = good;
  longer.push_back(0);
  wrongVersion[4] = 9;
  const std::vector<uint8_t> huge(10 * 1024 * 1024, 0x50);
  const std::string paths[] = {Write("cut.tbl", cut), Write("long.tbl", longer), Write("version.tbl", wrongVersion),
                               Write("huge.tbl", huge), Write("empty.tbl", {}), scratch + "/missing.tbl", scratch};
  const std::vector<uint8_t> rgb = ScenePicture(3);
  const std::vector<uint8_t> still = EncodeStill(rgb.data(), DefaultSensor(), DefaultTable());
  std::vector<uint8_t> jpeg;
  for (const std::string& path : paths) {
    ASSERT_EQ(ReadyPIXA(PIXA_TABLE), PIXA_OK);
    EXPECT_EQ(ReadyPIXA(path.c_str()), PIXA_ERR_TABLE) << path;
    EXPECT_EQ(Convert(still, jpeg), PIXA_ERR_NOT_READY) << "a failed ReadyPIXA drops the old table too: " << path;
  }
  EXPECT_EQ(ReadyPIXA(nullptr), PIXA_ERR_ARGUMENT);
  EXPECT_EQ(ReadyPIXA(Write("good.tbl", good).c_str()), PIXA_OK);
  EXPECT_EQ(Convert(still, jpeg), PIXA_OK);
}

TEST_F(Converter, RefusesArgumentsAndStillsItCannotRead) {
  ASSERT_EQ(ReadyPIXA(PIXA_TABLE), PIXA_OK);
  std::vector<uint8_t> buffer(PIXA_BUFFER_BYTES);
  uint32_t length = 100;
  EXPECT_EQ(RunPIXA2JpegFile(nullptr, &length), PIXA_ERR_ARGUMENT);
  EXPECT_EQ(RunPIXA2JpegFile(buffer.data(), nullptr), PIXA_ERR_ARGUMENT);
  length = PIXA_BUFFER_BYTES + 1;
  EXPECT_EQ(RunPIXA2JpegFile(buffer.data(), &length), PIXA_ERR_ARGUMENT) << "more than the buffer holds";
  EXPECT_EQ(length, PIXA_BUFFER_BYTES + 1);

  const std::vector<uint8_t> rgb = ScenePicture(5);
  const std::vector<uint8_t> still = EncodeStill(rgb.data(), DefaultSensor(), DefaultTable());
  std::vector<uint8_t> jpeg, damaged = still, cut(still.begin(), still.end() - 1);
  damaged[0] ^= 0x5A;
  EXPECT_EQ(Convert(damaged, jpeg), PIXA_ERR_STILL);
  EXPECT_EQ(Convert(cut, jpeg), PIXA_ERR_STILL);
  EXPECT_EQ(Convert({}, jpeg), PIXA_ERR_STILL);
  // Random bytes behind a valid-looking start are no still either.
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    std::vector<uint8_t> noise(size_t(random() % 64), 0);
    for (uint8_t& b : noise) b = uint8_t(random());
    noise.insert(noise.begin(), {'P', 'I', 'X', 'A', 1, 0, 32, 0});
    EXPECT_EQ(Convert(noise, jpeg), PIXA_ERR_STILL);
  }
}

// The simulator's test picture, recorded by its sensor and converted with
// the installed table, decodes to 640 x 480 and shows that picture, region
// by region. The margin of kLevels is the deepest shadows': an 8-bit sensor
// has few levels there, and the sRGB curve spreads each over several.
constexpr double kLevels = 12.0;
TEST_F(Converter, StillsOfTheTestPictureDecodeToThePicture) {
  ASSERT_EQ(ReadyPIXA(PIXA_TABLE), PIXA_OK);
  for (int64_t frame : {0, 17, 42}) {
    const std::vector<uint8_t> rgb = ScenePicture(frame);
    const std::vector<uint8_t> still = EncodeStill(rgb.data(), DefaultSensor(), DefaultTable());
    ASSERT_EQ(still.size(), 307232u);
    std::vector<uint8_t> jpeg;
    ASSERT_EQ(Convert(still, jpeg), PIXA_OK);
    const jpeg_judge::Picture p = Judge(jpeg, "frame" + std::to_string(frame) + ".jpg");
    ASSERT_EQ(p.error, "");
    ASSERT_EQ(p.width, 640);
    ASSERT_EQ(p.height, 480);
    const jpeg_judge::Comparison c = jpeg_judge::Compare(p, rgb, 16, 12);
    EXPECT_LT(c.worst, kLevels) << "frame " << frame << ", " << c.where;
    EXPECT_GT(c.gotSpread, 40.0) << "not blank";
  }
}

TEST_F(Converter, EveryBayerPatternAndBlackLevelDevelopsTheSamePicture) {
  ASSERT_EQ(ReadyPIXA(PIXA_TABLE), PIXA_OK);
  const std::vector<uint8_t> rgb = ScenePicture(30);
  // Each pattern with its own black level; the gains stay the sensor's, since
  // higher gains leave still fewer sensor levels in the shadows.
  const uint16_t blackLevels[] = {16, 0, 32, 8};
  for (Bayer pattern : {Bayer::RGGB, Bayer::GRBG, Bayer::GBRG, Bayer::BGGR}) {
    StillHeader sensor = DefaultSensor();
    sensor.pattern = pattern;
    sensor.blackLevel = blackLevels[int(pattern)];
    std::vector<uint8_t> jpeg;
    ASSERT_EQ(Convert(EncodeStill(rgb.data(), sensor, DefaultTable()), jpeg), PIXA_OK);
    const jpeg_judge::Picture p = Judge(jpeg, "pattern" + std::to_string(int(pattern)) + ".jpg");
    ASSERT_EQ(p.error, "");
    const jpeg_judge::Comparison c = jpeg_judge::Compare(p, rgb, 16, 12);
    EXPECT_LT(c.worst, kLevels) << "pattern " << int(pattern) << ", " << c.where;
  }
}

// The table is what the converter applies: a flat tone curve gives a flat
// picture, and a matrix that swaps red and blue swaps them in the JPEG.
TEST_F(Converter, TheTablesCurveAndMatrixAreApplied) {
  const std::vector<uint8_t> rgb = ScenePicture(8);
  const std::vector<uint8_t> still = EncodeStill(rgb.data(), DefaultSensor(), DefaultTable());

  Table flat = DefaultTable();
  flat.tone.fill(200);
  ASSERT_EQ(ReadyPIXA(Write("flat.tbl", WriteTable(flat)).c_str()), PIXA_OK);
  std::vector<uint8_t> jpeg;
  ASSERT_EQ(Convert(still, jpeg), PIXA_OK);
  jpeg_judge::Picture p = Judge(jpeg, "flat.jpg");
  ASSERT_EQ(p.error, "");
  const jpeg_judge::Comparison c = jpeg_judge::Compare(p, std::vector<uint8_t>(rgb.size(), 200), 8, 6);
  EXPECT_LT(c.worst, 2.0) << c.where;

  Table swapped = DefaultTable();
  for (int col = 0; col < 3; ++col) std::swap(swapped.matrix[size_t(col)], swapped.matrix[size_t(6 + col)]);
  ASSERT_EQ(ReadyPIXA(Write("swapped.tbl", WriteTable(swapped)).c_str()), PIXA_OK);
  ASSERT_EQ(Convert(still, jpeg), PIXA_OK);
  p = Judge(jpeg, "swapped.jpg");
  ASSERT_EQ(p.error, "");
  std::vector<uint8_t> expected = rgb;
  for (size_t i = 0; i < expected.size(); i += 3) std::swap(expected[i], expected[i + 2]);
  EXPECT_LT(jpeg_judge::Compare(p, expected, 16, 12).worst, kLevels);
  EXPECT_GT(jpeg_judge::Compare(p, rgb, 16, 12).worst, 40.0) << "red and blue did change places";
}

// A still of sensor noise makes a JPEG too large at the first quality: the
// converter steps the quality down until it fits, or fails at the lowest.
TEST_F(Converter, AJpegThatDoesNotFitIsMadeAgainAtLowerQuality) {
  std::mt19937 random(11);
  std::vector<uint8_t> mosaic(640 * 480);
  for (uint8_t& v : mosaic) v = uint8_t(random());
  const std::vector<uint8_t> still = WriteStill(DefaultSensor(), mosaic);

  Table best = DefaultTable();
  best.quality = 100;
  best.qualityStep = 10;
  best.lowestQuality = 10;
  ASSERT_EQ(ReadyPIXA(Write("best.tbl", WriteTable(best)).c_str()), PIXA_OK);
  std::vector<uint8_t> jpeg;
  ASSERT_EQ(Convert(still, jpeg), PIXA_OK);
  const jpeg_judge::Picture p = Judge(jpeg, "noise.jpg");
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(p.width, 640);

  Table only100 = best;
  only100.lowestQuality = 100;
  ASSERT_EQ(ReadyPIXA(Write("only100.tbl", WriteTable(only100)).c_str()), PIXA_OK);
  EXPECT_EQ(Convert(still, jpeg), PIXA_ERR_DOES_NOT_FIT) << "at quality 100 noise does not fit: the step-down was needed";
}

}  // namespace
