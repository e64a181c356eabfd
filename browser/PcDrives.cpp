#include "browser/PcDrives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <fstream>

namespace {

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  return path == folder || path.rfind(folder + "/", 0) == 0;
}

// "1" in a sysfs "removable" file.
bool ReadsOne(const std::string& file) {
  std::ifstream in(file);
  char c = 0;
  return in.get(c) && c == '1';
}

}  // namespace

bool IsUserDataMount(const MountInfo& mount) {
  static const char* const kPseudo[] = {
      "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup", "cgroup2", "securityfs",
      "debugfs", "tracefs", "pstore", "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs",
      "autofs", "binfmt_misc", "efivarfs", "nsfs", "rpc_pipefs", "selinuxfs", "squashfs", "rootfs"};
  if (!mount.isFolder || mount.mountPoint.empty() || mount.mountPoint[0] != '/') return false;
  for (const char* type : kPseudo)
    if (mount.fsType == type) return false;
  // udisks mounts the user's removable drives below /run/media/USER.
  if (mount.mountPoint.rfind("/run/media/", 0) == 0) return true;
  for (const char* folder : {"/proc", "/sys", "/dev", "/run"})
    if (StartsWithFolder(mount.mountPoint, folder)) return false;
  return true;
}

DriveKind DriveKindOf(const MountInfo& mount, const std::string& sysRoot) {
  if (mount.fsType == "iso9660" || mount.fsType == "udf") return DriveKind::CdRom;
  if (mount.device.rfind("/dev/", 0) != 0) return DriveKind::Fixed;
  const std::string name = mount.device.substr(5);
  if (name.rfind("sr", 0) == 0) return DriveKind::CdRom;
  // A partition's own folder has no "removable"; its disk's folder, one up, has.
  const std::string block = sysRoot + "/class/block/" + name;
  if (ReadsOne(block + "/removable") || ReadsOne(block + "/../removable")) return DriveKind::Removable;
  return DriveKind::Fixed;
}

std::vector<PcEntry> DrivesFromMounts(std::vector<MountInfo> mounts, const std::string& sysRoot) {
  std::stable_sort(mounts.begin(), mounts.end(),
            [](const MountInfo& a, const MountInfo& b) { return a.mountPoint < b.mountPoint; });
  std::vector<PcEntry> drives;
  for (const MountInfo& mount : mounts) {
    if (!IsUserDataMount(mount)) continue;
    // One row per mount point: the last mount over a folder is the one seen.
    if (!drives.empty() && drives.back().path == mount.mountPoint) drives.pop_back();
    PcEntry drive;
    drive.name = mount.label.empty() ? mount.mountPoint : mount.label + " (" + mount.mountPoint + ")";
    drive.path = mount.mountPoint;
    drive.isFolder = true;
    drive.isDrive = true;
    drive.driveKind = DriveKindOf(mount, sysRoot);
    drives.push_back(std::move(drive));
  }
  return drives;
}

std::vector<MountInfo> ReadMounts() {
  std::vector<MountInfo> mounts;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    MountInfo mount;
    mount.mountPoint = QFile::encodeName(volume.rootPath()).toStdString();
    mount.fsType = volume.fileSystemType().toStdString();
    mount.device = volume.device().toStdString();
    const QString label = volume.name();
    mount.label = QFile::encodeName(label).toStdString();
    mount.isFolder = QFileInfo(volume.rootPath()).isDir();
    mounts.push_back(std::move(mount));
  }
  return mounts;
}

std::vector<PcEntry> ListDrives() { return DrivesFromMounts(ReadMounts()); }
