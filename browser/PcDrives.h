// The PC's "drives": the mounted file systems that hold user data, in
// mount-point order, each with the kind that picks its icon.
//
// Left out: pseudo and memory file systems (proc, sysfs, cgroup, tmpfs and
// the like), anything mounted under /proc, /sys, /dev or /run but for the
// removable drives that udisks mounts below /run/media/USER (others mount
// them below /media/USER), and mounts that are not folders (single files
// bound into a container). A drive is a CD-ROM
// when it holds iso9660 or udf or sits on an sr device, removable when its
// block device (or the disk of its partition) says 1 in /sys/block/*/removable,
// fixed otherwise. Its row text is the volume label followed by the mount
// point in brackets, or the mount point alone when it has no label.
#pragma once
#include <string>
#include <vector>

#include "browser/PcFolder.h"

struct MountInfo {
  std::string mountPoint;
  std::string fsType;
  std::string device;  // "/dev/sdb1"; may be empty or not a device
  std::string label;   // may be empty
  bool isFolder = true;
};

// Whether a mounted file system is one the user keeps data on.
bool IsUserDataMount(const MountInfo& mount);
// The kind of a drive; `sysRoot` is where sysfs is mounted ("/sys").
DriveKind DriveKindOf(const MountInfo& mount, const std::string& sysRoot = "/sys");
// The drive entries of these mounts, in mount-point order.
std::vector<PcEntry> DrivesFromMounts(std::vector<MountInfo> mounts, const std::string& sysRoot = "/sys");
// The mounts of this machine, read now.
std::vector<MountInfo> ReadMounts();
// DrivesFromMounts(ReadMounts()).
std::vector<PcEntry> ListDrives();
