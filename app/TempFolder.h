// The program's private temporary folder "OrinMedia51Temp": still captures,
// the recording file and fetched camera files go there while the program runs.
//
// Where it lives: ORIN_TEMP_DIR names the folder itself when set; otherwise it
// is OrinMedia51Temp inside the program's own cache folder,
// $XDG_CACHE_HOME/OrinMedia51 (~/.cache/OrinMedia51), kept at mode 0700 and
// trusted only as a real folder owned by the user, never through a link.
// It is on disk, not in $XDG_RUNTIME_DIR: that is a RAM file system of about a
// tenth of the memory, too small for a long recording (about 72 kB a second,
// some 770 MB for three hours). Nor a fixed name in a world-writable /tmp,
// where another user could plant a link that the delete at exit follows.
#pragma once
#include <filesystem>

// The folder's path; empty when no safe place exists.
std::filesystem::path TempFolderPath();
// The program's own cache folder ($XDG_CACHE_HOME/OrinMedia51), made with mode
// 0700 when missing; empty when it is not a real folder of the user's.
std::filesystem::path PrivateCacheFolder();
// Creates the folder; an existing one is fine. False when it could not be made.
bool CreateTempFolder();
// Deletes everything inside the folder. Links are removed as links, never followed.
void EmptyTempFolder();
// Deletes the folder's contents and the folder itself.
void RemoveTempFolder();

// Deletes everything inside `folder` without following links; read-only
// entries are deleted too. Returns false when something could not be removed.
bool DeleteTreeContents(const std::filesystem::path& folder);
