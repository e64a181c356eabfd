// The PC pane's entries: the drives and the listed folder's folders and files,
// read from the file system, and the small rules the pane shows them by
// (icons, the path's normal form). Plain C++; drives come from PcDrives.h.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A last-write time in local time; all zero and not valid when unknown.
struct PcDate {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool valid = false;
  // One number that orders dates; 0 for an unknown date.
  int64_t Key() const;
};

enum class DriveKind { Fixed, Removable, CdRom };

struct PcEntry {
  std::string name;      // a drive's display name, a folder or file name, or ".."
  std::string path;      // a drive's mount point; else the listed folder, "/" and the name
  uint32_t size = 0;     // file length, low 32 bits; 0 for drives and folders
  bool isFolder = false; // drives, folders and ".."
  bool isDrive = false;
  DriveKind driveKind = DriveKind::Fixed;
  PcDate modified;       // zero for drives
};

// What the PC pane shows: drives then folders, the files, and the folder shown.
struct PcListing {
  std::vector<PcEntry> folders;  // drives (mount-point order), "..", folders
  std::vector<PcEntry> files;
  std::string currentPath;       // no trailing "/" except for "/" itself
  size_t driveCount = 0;         // the first driveCount folder entries are drives
  bool readable = true;          // false when the folder could not be read
};

// Icons of the PC pane's image list (bitmap 157).
enum : int {
  PC_IMG_FOLDER = 0,
  PC_IMG_PARENT = 1,
  PC_IMG_FILE = 2,
  PC_IMG_FIXED = 3,
  PC_IMG_REMOVABLE = 4,
  PC_IMG_CDROM = 5,
  PC_IMG_MOVIE = 6,
  PC_IMG_PICTURE = 7,
};

// The path made absolute and lexical: "." and empty parts dropped, ".." takes
// away the part before it, no trailing "/". "/data/Movies/Clips/.." is
// "/data/Movies"; "/data/.." is "/". A relative path is taken from `base`.
std::string NormalisePcPath(const std::string& path, const std::string& base = "/");
// The listed folder's path joined with a name.
std::string JoinPcPath(const std::string& folder, const std::string& name);
// The image of a folder-list entry and of a file-list entry.
int PcFolderImage(const PcEntry& entry);
int PcFileImage(const std::string& name);  // by the last three characters, lower-cased
// The part of the name after its last ".", lower-cased; empty without a ".".
std::string PcFileType(const std::string& name);

// Rebuilds `listing` for `path`: the given drives, then ".." (except at "/"
// or a drive's mount point) and the folder's folders in the order the file
// system returns them, and its files likewise. A folder that cannot be read
// leaves the drives alone, with the current path still the one asked for.
void ListPcFolder(PcListing& listing, const std::string& path, const std::vector<PcEntry>& drives);
