// One row of the camera pane, and where the camera's current folder lies.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CamEntry {
  std::string name;         // up to 8 characters, or a placeholder text
  std::string extension;    // up to 3 characters; empty for folders
  std::string displayName;  // name + "." + extension; the text of a file row
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  uint32_t size = 0;        // bytes; for the root row the free bytes
  bool isFolder = false;
};

using CamEntryList = std::vector<CamEntry>;

// Parent kinds: the top folder the camera's current folder lies under, which
// decides the file type a DCF name there must carry.
enum : int { PARENT_ROOT = 0, PARENT_DCIM = 1, PARENT_QXMOV = 2 };

// A camera pane row as a command takes it: the text the user saw on it and
// whether it is a folder row (a folder, "..", or the storage row on top).
struct CamFileRow {
  std::string name;
  bool isFolder = false;
};

inline CamFileRow AsFileRow(const CamEntry& e) { return {e.isFolder ? e.name : e.displayName, e.isFolder}; }

// Folders are never copied, deleted or renamed: a folder row, or a text of 8
// characters or fewer (no 8.3 file name is that short).
inline bool IsFolderRow(const CamFileRow& row) { return row.isFolder || row.name.size() <= 8; }

// The last entry of `files` named `name`. The camera's file system ignores the
// case of letters and a listing may show a name in lower case, so the letters
// are compared without it. nullptr when none is.
inline const CamEntry* LastCamEntryNamed(const CamEntryList& files, std::string_view name) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  auto same = [&](const CamEntry& e) {
    return std::equal(e.displayName.begin(), e.displayName.end(), name.begin(), name.end(),
                      [&](char a, char b) { return upper(a) == upper(b); });
  };
  auto it = std::find_if(files.rbegin(), files.rend(), same);
  return it == files.rend() ? nullptr : &*it;
}
