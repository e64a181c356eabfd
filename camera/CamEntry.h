// One row of the camera pane.
#pragma once
#include <cstdint>
#include <string>
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
