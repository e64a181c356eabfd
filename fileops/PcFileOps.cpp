#include "fileops/PcFileOps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "resources/StringIds.h"

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;  // a file, a folder and a dangling link count alike
}

bool IsRealFolder(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Drive rows and the ".." row are not the user's files.
bool Guarded(const PcFileRow& row) { return row.isDrive || row.name == ".."; }

// A folder is emptied through its own permissions: without read, write and
// search permission for its owner nothing inside it could go.
void OpenUpFolder(const fs::path& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IRWXU) != S_IRWXU)
    ::chmod(p.c_str(), (st.st_mode & 07777) | S_IRWXU);
}

}  // namespace

bool IsOnePathPart(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

int CheckPcName(int mode, const fs::path& folder, const std::string& name) {
  if (name.empty()) return mode == 1 ? ids::NO_FOLDER_NAME : ids::NO_FILE_NAME;
  if (!IsOnePathPart(name)) return ids::PC_NAME_ONE_PART;
  if (Exists(folder / name)) return mode == 1 ? ids::FOLDER_EXISTS : ids::FILE_EXISTS_PC;
  return 0;
}

bool ForceDeleteFile(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISLNK(st.st_mode)) ::chmod(path.c_str(), (st.st_mode & 07777) | S_IRUSR | S_IWUSR);
  OpenUpFolder(path.parent_path());
  return ::unlink(path.c_str()) == 0;
}

bool DeleteFolderContents(FileOpsUi& ui, const fs::path& path) {
  OpenUpFolder(path);
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(it->path());
  for (const fs::path& entry : entries) {
    if (IsRealFolder(entry)) {  // a link to a folder is a link: removed below, never entered
      DeleteFolderContents(ui, entry);
      if (::rmdir(entry.c_str()) != 0) {
        ui.ShowMessage(ids::COULD_NOT_DELETE_FOLDER, MsgIcon::Error);
        return false;
      }
    } else if (::unlink(entry.c_str()) != 0 && !ForceDeleteFile(entry)) {
      ui.ShowMessage(ids::COULD_NOT_DELETE_FILE, MsgIcon::Error);
      return false;
    }
  }
  return true;
}

void AddPcFolder(FileOpsUi& ui, const fs::path& folder) {
  if (auto name = ui.AskPcName(1, folder.string(), std::string())) {
    // Checked once more here: the name must stay inside the folder shown.
    if (int refusal = CheckPcName(1, folder, *name))
      ui.ShowMessage(refusal, MsgIcon::Error);
    else if (::mkdir((folder / *name).c_str(), 0777) != 0)
      ui.ShowText(std::strerror(errno), MsgIcon::Error);  // the folder shown is gone, read-only, full
  }
  ui.RefreshPcPane();
}

void DeleteOnPc(FileOpsUi& ui, const PcSelection& s) {
  if (s.rows.empty()) {
    ui.ShowMessage(ids::SELECT_FILE_FOLDER, MsgIcon::Information);
    return;
  }
  const bool several = s.rows.size() > 1;
  if (several && !ui.AskId(ids::DELETE_FILES_QUESTION, MsgIcon::Exclamation, AskButtons::YesNo)) return;
  for (const PcFileRow& row : s.rows) {
    if (Guarded(row)) {
      if (!several) ui.ShowMessage(ids::SELECT_FILE_FOLDER, MsgIcon::Error);
      continue;
    }
    fs::path path = s.folder / row.name;
    if (row.isFolder && IsRealFolder(path)) {
      if (!several && !ui.AskFile(path.string(), ids::DELETE_FOLDER_QUESTION, MsgIcon::Exclamation, AskButtons::YesNo))
        return;
      DeleteFolderContents(ui, path);
      if (::rmdir(path.c_str()) != 0) {
        ui.ShowFile(path.string(), ids::COULD_NOT_DELETE_FOLDER, MsgIcon::Error);
        break;
      }
    } else {
      // A file, or a link shown as a folder: the entry itself goes, never what it points at.
      int question = row.isFolder ? ids::DELETE_FOLDER_QUESTION : ids::DELETE_FILE_QUESTION;
      if (!several && !ui.AskFile(path.string(), question, MsgIcon::Exclamation, AskButtons::YesNo)) return;
      if (::unlink(path.c_str()) != 0) ForceDeleteFile(path);
    }
  }
  ui.ClearPreview();
  ui.RefreshPcPane();
}

void RenameOnPc(FileOpsUi& ui, const PcSelection& s) {
  if (s.rows.empty() || Guarded(s.rows.front())) {
    ui.ShowMessage(ids::SELECT_FILE_FOLDER, MsgIcon::Error);
    return;
  }
  const std::string& oldName = s.rows.front().name;
  auto newName = ui.AskPcName(0, s.folder.string(), oldName);
  if (!newName) return;
  // Checked once more here: the name must stay inside the folder shown, and
  // nothing of that name may be replaced by the rename.
  if (int refusal = CheckPcName(0, s.folder, *newName))
    ui.ShowMessage(refusal, MsgIcon::Error);
  else
    ::rename((s.folder / oldName).c_str(), (s.folder / *newName).c_str());
  ui.RefreshPcPane();
}
