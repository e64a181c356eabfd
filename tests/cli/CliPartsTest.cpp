// The pieces of orin-cam's command line that need no camera: the flags, the
// JSON it writes, where an import files a camera file and what counts as
// already on the PC.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/Args.h"
#include "cli/ImportCommand.h"
#include "cli/Json.h"
#include "tests/cli/CliTestKit.h"

TEST(CliArgs, FlagsStandAnywhereAndWrongOnesAreTold) {
  Args a = ParseArgs({"A.JPG", "--to", "/pc", "B.JPG", "--skip"}, {"--skip", "--replace"}, {"--to"});
  EXPECT_EQ(a.error, "");
  EXPECT_EQ(a.operands, (std::vector<std::string>{"A.JPG", "B.JPG"}));
  EXPECT_EQ(a.Value("--to"), "/pc");
  EXPECT_TRUE(a.Has("--skip"));
  EXPECT_FALSE(a.Has("--replace"));

  EXPECT_EQ(ParseArgs({"--frob"}, {"--skip"}).error, "unknown flag --frob");
  EXPECT_EQ(ParseArgs({"--to"}, {}, {"--to"}).error, "--to needs a value");
  EXPECT_EQ(ParseArgs({"--to", "a", "--to", "b"}, {}, {"--to"}).error, "--to is given twice");
  EXPECT_EQ(ParseArgs({"--json", "--json"}, {"--json"}).error, "--json is given twice");
  // A value may look like anything, a flag included.
  EXPECT_EQ(ParseArgs({"--to", "--skip"}, {"--skip"}, {"--to"}).Value("--to"), "--skip");
}

TEST(CliArgs, SecondsAreWholeNumbersInTheirRange) {
  EXPECT_EQ(ParseSeconds("1", 1, 10800), 1);
  EXPECT_EQ(ParseSeconds("10800", 1, 10800), 10800);
  for (const char* bad : {"0", "10801", "-1", "2.5", "", "3s", "99999999999"})
    EXPECT_FALSE(ParseSeconds(bad, 1, 10800).has_value()) << bad;
}

TEST(CliJson, StringsAreValidWhateverTheBytes) {
  EXPECT_EQ(JsonString("DCAM0001.JPG"), "\"DCAM0001.JPG\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString(std::string("t\tn\n\x01", 5)), "\"t\\u0009n\\u000a\\u0001\"");
  EXPECT_EQ(JsonString("\xe9\x7f"), "\"\\u00e9\\u007f\"");
  EXPECT_EQ(JsonNumber(std::nullopt), "null");
  EXPECT_EQ(JsonNumber(4294967295u), "4294967295");
}

TEST(CliImport, FilesGoToThePcFolderOrTheirCameraDay) {
  CamEntry e;
  e.year = 2003, e.month = 9, e.day = 7, e.hour = 10, e.minute = 25;
  EXPECT_EQ(ImportFolderFor("/pc", e, false), fs::path("/pc"));
  EXPECT_EQ(ImportFolderFor("/pc", e, true), fs::path("/pc/2003-09-07"));
  // A record without a calendar date (month 0, or 31 April) is filed as undated.
  CamEntry none;
  EXPECT_EQ(ImportFolderFor("/pc", none, true), fs::path("/pc/undated"));
  CamEntry april = e;
  april.month = 4, april.day = 31;
  EXPECT_EQ(ImportFolderFor("/pc", april, true), fs::path("/pc/undated"));
}

TEST(CliImport, OnlyARegularFileOfTheSameSizeCountsAsThere) {
  char pattern[] = "/tmp/orin-presence-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path dir = pattern;
  EXPECT_EQ(PresenceOf(dir / "A.JPG", 5), Presence::Missing);
  WriteFile(dir / "A.JPG", "12345");
  EXPECT_EQ(PresenceOf(dir / "A.JPG", 5), Presence::Same);
  EXPECT_EQ(PresenceOf(dir / "A.JPG", 6), Presence::Different);
  fs::create_directory(dir / "B.JPG");
  EXPECT_EQ(PresenceOf(dir / "B.JPG", 4096), Presence::Different);
  // A link is never taken for the file it points to, nor followed when written.
  fs::create_symlink(dir / "A.JPG", dir / "C.JPG");
  EXPECT_EQ(PresenceOf(dir / "C.JPG", 5), Presence::Different);
  fs::create_symlink(dir / "nowhere", dir / "D.JPG");
  EXPECT_EQ(PresenceOf(dir / "D.JPG", 5), Presence::Different);
  fs::remove_all(dir);
}

TEST(CliImport, RatesReadAsAUserWritesThem) {
  EXPECT_EQ(RateText(12300000, 1.0), "12.3 MB/s");
  EXPECT_EQ(RateText(850000, 1.0), "850 kB/s");
  EXPECT_EQ(RateText(0, 0.0), "0 kB/s");
}
