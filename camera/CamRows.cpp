#include "camera/CamRows.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string EntryDate(const CamEntry& e) { return DateText(e.year, e.month, e.day, e.hour, e.minute); }

}  // namespace

int NominalCapacityMb(uint64_t totalBytes) {
  uint64_t n = totalBytes / 1048576;
  if (n <= 4 || n > 1024) return static_cast<int>(std::min<uint64_t>(n, INT32_MAX));
  for (int size : {8, 16, 32, 64, 128, 256, 512, 1024})
    if (static_cast<uint64_t>(size) >= n) return size;
  return static_cast<int>(n);
}

std::string CapacityText(uint32_t freeBytes, uint64_t totalBytes) {
  // A camera reporting more free than total space shows nothing used.
  uint64_t used = totalBytes > freeBytes ? totalBytes - freeBytes : 0;
  char text[64];
  std::snprintf(text, sizeof text, "%.1f MB / %d MB", static_cast<double>(used) / 1048576.0,
                NominalCapacityMb(totalBytes));
  return text;
}

std::string SizeTextKb(uint64_t bytes) {
  std::string digits = std::to_string(bytes == 0 ? 0 : bytes / 1024 + 1);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return grouped + " KB";
}

std::string DateText(int year, int month, int day, int hour, int minute) {
  char text[64];
  std::snprintf(text, sizeof text, "%4d-%2d-%2d %.2d:%.2d", year, month, day, hour, minute);
  return text;
}

CamRow FolderRow(const CamEntry& e, uint64_t totalBytes) {
  CamRow row;
  row.text = e.name;
  row.entry = &e;
  if (e.name == "..")
    row.image = IMG_PARENT;
  else if (e.name.find("MemoryStick") != std::string::npos)
    row.image = IMG_STICK;
  else
    row.image = IMG_FOLDER;
  if (e.size != 0) row.sizeText = CapacityText(e.size, totalBytes);
  if (e.month != 0) row.dateText = EntryDate(e);
  return row;
}

CamRow FileRow(const CamEntry& e) {
  CamRow row;
  row.text = e.displayName;
  row.entry = &e;
  std::string type = Lower(e.extension);
  row.image = type == "jpg" ? IMG_PICTURE : type == "asf" ? IMG_MOVIE : IMG_FILE;
  row.sizeText = SizeTextKb(e.size);
  row.dateText = EntryDate(e);
  return row;
}

std::vector<CamRow> BuildCamRows(const CamEntryList& folders, const CamEntryList& files,
                                 uint64_t totalBytes) {
  std::vector<CamRow> rows;
  rows.reserve(folders.size() + files.size());
  for (const CamEntry& e : folders) rows.push_back(FolderRow(e, totalBytes));
  for (const CamEntry& e : files) rows.push_back(FileRow(e));
  return rows;
}
