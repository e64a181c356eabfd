// The camera pane's rows as texts: what each row shows in the Name, Size and
// Date columns and which image it carries. Pure; the pane draws them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "camera/CamEntry.h"

// Images of the camera pane's 16 x 16 image list.
enum : int {
  IMG_FOLDER = 0,
  IMG_PARENT = 1,
  IMG_FILE = 2,
  IMG_STICK = 3,
  IMG_MOVIE = 4,
  IMG_PICTURE = 5,
};

struct CamRow {
  std::string text;      // Name column
  int image = IMG_FOLDER;
  std::string sizeText;  // Size column (Detail view); may be empty
  std::string dateText;  // Date column (Detail view); may be empty
  const CamEntry* entry = nullptr;  // the row's entry, owned by the lists passed in
};

// The marketed size in MB of a stick of `totalBytes`: 62 MB reads as 64.
int NominalCapacityMb(uint64_t totalBytes);
// "%.1f MB / %d MB": used space, then the nominal capacity.
std::string CapacityText(uint32_t freeBytes, uint64_t totalBytes);
// Kilobytes as the panes show them: 0 for an empty file, else bytes / 1024 + 1,
// grouped by "," and followed by " KB".
std::string SizeTextKb(uint64_t bytes);
// "%4d-%2d-%2d %.2d:%.2d".
std::string DateText(int year, int month, int day, int hour, int minute);

CamRow FolderRow(const CamEntry& e, uint64_t totalBytes);
CamRow FileRow(const CamEntry& e);
// Folder rows first, then file rows, each in list order.
std::vector<CamRow> BuildCamRows(const CamEntryList& folders, const CamEntryList& files,
                                 uint64_t totalBytes);
