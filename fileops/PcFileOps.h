// The PC pane's own file commands: a new folder, delete (whole folders with
// everything in them) and rename, in the folder the pane shows. They run on
// the user-interface thread; the window checks the operation flag first.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "fileops/FileOpsUi.h"
#include "fileops/Transfer.h"

// The PC pane when the command starts.
struct PcSelection {
  std::filesystem::path folder;  // the current path
  std::vector<PcFileRow> rows;   // the selected rows, top to bottom as the pane shows them
};

void AddPcFolder(FileOpsUi& ui, const std::filesystem::path& folder);
void DeleteOnPc(FileOpsUi& ui, const PcSelection& selection);
void RenameOnPc(FileOpsUi& ui, const PcSelection& selection);

// Empties `path`, reporting the first failure ("Could not delete folder." /
// "Could not delete file."). Links are removed as links, never followed.
bool DeleteFolderContents(FileOpsUi& ui, const std::filesystem::path& path);
// Deletes a file that its permissions protect: it loses its read-only state
// (and its folder gains the owner's write permission) first.
bool ForceDeleteFile(const std::filesystem::path& path);

// The check of the PC naming dialog's OK: 0 when `name` may be used in
// `folder`, else the string id to show (129/130 new folder, 131/132 rename,
// PC_NAME_ONE_PART for a name that is not one path component).
int CheckPcName(int mode, const std::filesystem::path& folder, const std::string& name);
// One component of a path: not ".", not "..", no "/" and no NUL, so that it
// names something in the folder shown and nowhere else.
bool IsOnePathPart(const std::string& name);
