// The program's private temporary folder "OrinMedia51Temp": still captures,
// the recording file and fetched camera files go there while the program runs.
//
// Where it lives: ORIN_TEMP_DIR names the folder itself when set; otherwise it
// is OrinMedia51Temp inside $XDG_RUNTIME_DIR; without a runtime folder it is
// OrinMedia51Temp inside /tmp/orinmedia51-<uid>, a folder of mode 0700 that
// must be a real folder owned by the user. A fixed name in a world-writable
// /tmp would let another user plant a link that the delete at exit follows.
#pragma once
#include <filesystem>

// The folder's path; empty when no safe place exists.
std::filesystem::path TempFolderPath();
// Creates the folder; an existing one is fine. False when it could not be made.
bool CreateTempFolder();
// Deletes everything inside the folder. Links are removed as links, never followed.
void EmptyTempFolder();
// Deletes the folder's contents and the folder itself.
void RemoveTempFolder();

// Deletes everything inside `folder` without following links; read-only
// entries are deleted too. Returns false when something could not be removed.
bool DeleteTreeContents(const std::filesystem::path& folder);
