// The partial files of downloads: a sweep takes only what an ended run left,
// and the one being written can be removed from a signal handler.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fileops/PartFiles.h"
#include "tests/support/SimDriver.h"

namespace {

namespace fs = std::filesystem;

TEST(PartFiles, TheSweepTakesOnlyWhatNoRunningDownloadHoldsAndASignalTakesTheRunningOne) {
  TempStick scratch;  // a private folder, removed with everything in it
  const fs::path dir = scratch.Path() / "pc";
  fs::create_directories(dir);
  auto touch = [](const fs::path& p) { std::ofstream(p) << "x"; };
  const fs::path target = dir / "DCAM0001.JPG";
  touch(target);
  touch(dir / ".DCAM0001.JPG.part-Ab12Cd");  // left by a run that ended
  touch(dir / ".DCAM0001.JPG.part-abc");     // not what a download makes
  touch(dir / ".DCAM0002.JPG.part-Ab12Cd");  // another name's
  touch(scratch.Path() / "outside");
  fs::create_symlink(scratch.Path() / "outside", dir / ".DCAM0001.JPG.part-Lnk123");
  const std::string running = (dir / ".DCAM0001.JPG.part-Zz99Yy").string();
  int fd = ::open(running.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  NotePartFile(fd, running);

  SweepStalePartFiles(target);
  EXPECT_FALSE(fs::exists(dir / ".DCAM0001.JPG.part-Ab12Cd"));
  EXPECT_TRUE(fs::exists(running)) << "a download still writing keeps its file";
  EXPECT_TRUE(fs::exists(target));
  EXPECT_TRUE(fs::exists(dir / ".DCAM0001.JPG.part-abc"));
  EXPECT_TRUE(fs::exists(dir / ".DCAM0002.JPG.part-Ab12Cd"));
  EXPECT_TRUE(fs::is_symlink(dir / ".DCAM0001.JPG.part-Lnk123")) << "links are never followed nor taken";
  EXPECT_TRUE(fs::exists(scratch.Path() / "outside"));

  RemovePartFileInProgress();
  EXPECT_FALSE(fs::exists(running));
  ::close(fd);
  ForgetPartFile();
  touch(running);
  RemovePartFileInProgress();
  EXPECT_TRUE(fs::exists(running)) << "nothing in progress: nothing removed";
}

}  // namespace
