// The PC listing without widgets: paths, icons, types, drives and the lists.
#include <gtest/gtest.h>

#include <algorithm>

#include "browser/PcDrives.h"
#include "browser/PcFolder.h"
#include "tests/browser/PanesTestKit.h"

namespace {

std::vector<std::string> Names(const std::vector<PcEntry>& entries) {
  std::vector<std::string> names;
  for (const PcEntry& e : entries) names.push_back(e.name);
  return names;
}

PcEntry Drive(const std::string& path) {
  PcEntry d;
  d.name = d.path = path;
  d.isFolder = d.isDrive = true;
  return d;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TEST(PcPath, NormalFormGoesUpLexicallyAndNeverPastTheRoot) {
  EXPECT_EQ(NormalisePcPath("/data/Movies/Clips/.."), "/data/Movies");
  EXPECT_EQ(NormalisePcPath("/data/.."), "/");
  EXPECT_EQ(NormalisePcPath("/.."), "/");
  EXPECT_EQ(NormalisePcPath("/data//Movies/./"), "/data/Movies");
  EXPECT_EQ(NormalisePcPath("Clips/..", "/data"), "/data");
  // A folder whose name only starts with two dots is not a way up.
  EXPECT_EQ(NormalisePcPath("/data/..b"), "/data/..b");
  EXPECT_EQ(JoinPcPath("/", "etc"), "/etc");
  EXPECT_EQ(JoinPcPath("/data", "a.jpg"), "/data/a.jpg");
}

TEST(PcIcons, FileIconByTheLastThreeCharactersAndTypeAfterTheLastDot) {
  EXPECT_EQ(PcFileImage("PHOTO.JPG"), PC_IMG_PICTURE);
  EXPECT_EQ(PcFileImage("photo.jpg"), PC_IMG_PICTURE);
  EXPECT_EQ(PcFileImage("photo.jpeg"), PC_IMG_FILE);
  EXPECT_EQ(PcFileImage("Clip.Asf"), PC_IMG_MOVIE);
  EXPECT_EQ(PcFileImage("jpg"), PC_IMG_PICTURE);  // three characters or fewer: compared whole
  EXPECT_EQ(PcFileImage("pg"), PC_IMG_FILE);
  EXPECT_EQ(PcFileType("a.b.JPG"), "jpg");
  EXPECT_EQ(PcFileType("README"), "");

  PcEntry up;
  up.name = "..";
  up.isFolder = true;
  EXPECT_EQ(PcFolderImage(up), PC_IMG_PARENT);
  PcEntry cd = Drive("/media/cd");
  cd.driveKind = DriveKind::CdRom;
  EXPECT_EQ(PcFolderImage(cd), PC_IMG_CDROM);
  cd.driveKind = DriveKind::Removable;
  EXPECT_EQ(PcFolderImage(cd), PC_IMG_REMOVABLE);
  EXPECT_EQ(PcFolderImage(Drive("/")), PC_IMG_FIXED);
}

TEST(PcListing, DrivesThenUpThenFoldersAndFilesWithSizesAndDates) {
  ScratchFolder root;
  root.Folder("sub/inner");
  root.File("sub/empty.txt", 0);
  root.File("sub/big.bin", (uintmax_t{1} << 32) + 5);  // low 32 bits: 5
  PcListing listing;
  const std::vector<PcEntry> drives{Drive("/"), Drive(root.Str())};
  ListPcFolder(listing, root.Str() + "/sub", drives);

  EXPECT_TRUE(listing.readable);
  EXPECT_EQ(listing.currentPath, root.Str() + "/sub");
  ASSERT_EQ(listing.folders.size(), 4u);
  EXPECT_EQ(listing.driveCount, 2u);
  EXPECT_EQ(listing.folders[2].name, "..");
  EXPECT_EQ(listing.folders[2].path, root.Str() + "/sub/..");
  EXPECT_EQ(listing.folders[3].name, "inner");
  EXPECT_TRUE(listing.folders[3].modified.valid);
  ASSERT_EQ(listing.files.size(), 2u);
  for (const PcEntry& f : listing.files) {
    EXPECT_FALSE(f.isFolder);
    EXPECT_EQ(f.size, f.name == "big.bin" ? 5u : 0u);
    EXPECT_EQ(f.path, root.Str() + "/sub/" + f.name);
  }
}

TEST(PcListing, NoWayUpAtADriveRootOrTheFileSystemRoot) {
  ScratchFolder root;
  root.Folder("a");
  PcListing listing;
  ListPcFolder(listing, root.Str(), {Drive("/"), Drive(root.Str())});
  EXPECT_FALSE(Has(Names(listing.folders), ".."));
  EXPECT_TRUE(Has(Names(listing.folders), "a"));
  ListPcFolder(listing, "/", {});
  EXPECT_FALSE(Has(Names(listing.folders), ".."));
}

TEST(PcListing, AFolderThatCannotBeReadKeepsTheDrivesAndTheAskedPath) {
  ScratchFolder root;
  PcListing listing;
  root.File("x.txt", 3);
  ListPcFolder(listing, root.Str(), {Drive("/")});
  ASSERT_EQ(listing.files.size(), 1u);

  const std::string gone = root.Str() + "/gone";
  ListPcFolder(listing, gone, {Drive("/")});
  EXPECT_FALSE(listing.readable);
  EXPECT_EQ(listing.currentPath, gone);
  EXPECT_EQ(Names(listing.folders), std::vector<std::string>{"/"});
  EXPECT_TRUE(listing.files.empty());
}

TEST(PcDrives, UserDataMountsInMountPointOrderWithTheirKinds) {
  ScratchFolder sys;
  sys.Folder("class/block/sdb/sdb1");
  std::ofstream(sys.Path() / "class/block/sdb/removable") << "1\n";
  sys.Folder("class/block/sda/sda2");
  std::ofstream(sys.Path() / "class/block/sda/removable") << "0\n";
  // sysfs links each partition under /class/block; a folder of the same shape serves.
  std::filesystem::create_directory_symlink(sys.Path() / "class/block/sdb/sdb1", sys.Path() / "class/block/sdb1");
  std::filesystem::create_directory_symlink(sys.Path() / "class/block/sda/sda2", sys.Path() / "class/block/sda2");

  std::vector<MountInfo> mounts{
      {"/media/usb", "vfat", "/dev/sdb1", "STICK", true},
      {"/proc", "proc", "proc", "", true},
      {"/", "ext4", "/dev/sda2", "", true},
      {"/run/user/1000", "tmpfs", "tmpfs", "", true},
      {"/media/cd", "iso9660", "/dev/sr0", "DISC", true},
      {"/etc/hosts", "ext4", "/dev/sda2", "", false},
      {"/sys/fs/cgroup", "cgroup2", "cgroup2", "", true},
  };
  const std::vector<PcEntry> drives = DrivesFromMounts(mounts, sys.Str());
  EXPECT_EQ(Names(drives), (std::vector<std::string>{"/", "DISC (/media/cd)", "STICK (/media/usb)"}));
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].driveKind, DriveKind::Fixed);
  EXPECT_EQ(drives[1].driveKind, DriveKind::CdRom);
  EXPECT_EQ(drives[2].driveKind, DriveKind::Removable);
  EXPECT_EQ(drives[2].path, "/media/usb");
  for (const PcEntry& d : drives) EXPECT_TRUE(d.isDrive && d.isFolder && !d.modified.valid);
}

TEST(PcDrives, ThisMachineHasTheRootAmongItsDrives) {
  const std::vector<PcEntry> drives = ListDrives();
  EXPECT_TRUE(std::any_of(drives.begin(), drives.end(), [](const PcEntry& d) { return d.path == "/"; }));
  EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end(),
                             [](const PcEntry& a, const PcEntry& b) { return a.path < b.path; }));
}

TEST(PcDrives, RemovableDrivesMountedForTheUserAreDrives) {
  ScratchFolder sys;
  sys.Folder("class/block/sdc/sdc1");
  std::ofstream(sys.Path() / "class/block/sdc/removable") << "1\n";
  std::filesystem::create_directory_symlink(sys.Path() / "class/block/sdc/sdc1", sys.Path() / "class/block/sdc1");

  std::vector<MountInfo> mounts{
      {"/", "ext4", "/dev/sda2", "", true},
      {"/run/media/alice/STICK", "vfat", "/dev/sdc1", "STICK", true},  // udisks
      {"/media/alice/CARD", "exfat", "/dev/sdd1", "CARD", true},      // others
      {"/run/media/alice/DVD", "udf", "/dev/sr0", "DVD", true},
      {"/run/user/1000/doc", "fuse.portal", "portal", "", true},
      {"/run/lock", "tmpfs", "tmpfs", "", true},
      {"/run/snapd/ns", "ext4", "/dev/sda2", "", true},
      {"/run/mediax", "ext4", "/dev/sda2", "", true},
  };
  const std::vector<PcEntry> drives = DrivesFromMounts(mounts, sys.Str());
  EXPECT_EQ(Names(drives), (std::vector<std::string>{"/", "CARD (/media/alice/CARD)", "DVD (/run/media/alice/DVD)",
                                                      "STICK (/run/media/alice/STICK)"}));
  ASSERT_EQ(drives.size(), 4u);
  EXPECT_EQ(drives[2].driveKind, DriveKind::CdRom);
  EXPECT_EQ(drives[3].driveKind, DriveKind::Removable);
  EXPECT_EQ(drives[3].path, "/run/media/alice/STICK");
}
