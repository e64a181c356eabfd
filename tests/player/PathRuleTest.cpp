// Which files go through the ASF reader: the eight Windows Media spellings,
// exactly as written, anywhere in the path.
#include <gtest/gtest.h>

#include "video/MoviePlayer.h"

namespace {

TEST(PathRule, EachOfTheEightSpellingsTakesTheAsfReader) {
  for (const char* spelling : {".asf", ".ASF", ".mp4s", ".MP4S", ".wma", ".WMA", ".wmv", ".WMV"}) {
    SCOPED_TRACE(spelling);
    EXPECT_TRUE(IsWindowsMediaPath(std::string("/home/u/clip") + spelling));
    EXPECT_TRUE(IsWindowsMediaPath(std::string("/home/u/x") + spelling + "/clip.mp4")) << "inside a folder name";
    EXPECT_TRUE(IsWindowsMediaPath(std::string("clip") + spelling + "x")) << "not only at the end";
  }
}

TEST(PathRule, MixedCaseAndOtherTypesAreRenderedWhole) {
  for (const char* path : {"clip.Asf", "clip.aSF", "clip.Wmv", "clip.wMA", "clip.Mp4s", "clip.mp4", "clip.MP4",
                           "clip.avi", "clipasf", "/home/u/asf/wmv", ""}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(IsWindowsMediaPath(path));
  }
}

}  // namespace
