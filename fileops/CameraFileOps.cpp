#include "fileops/CameraFileOps.h"

#include "camera/DcfRules.h"
#include "platform/ui/Pacing.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace {

void Relist(CameraLink& link, FileOpsUi& ui) {
  link.ListCamFolder();
  ui.FillCamPane();
}

}  // namespace

BatchOutcome DeleteOnCamera(CameraLink& link, FileOpsUi& ui, const std::vector<CamFileRow>& rows) {
  BatchOutcome outcome;
  if (rows.empty()) {
    ui.ShowMessage(ids::SELECT_FILE_FOLDER, MsgIcon::Information);
    return outcome;
  }
  const bool several = rows.size() > 1;
  if (several && !ui.AskId(ids::DELETE_FILES_QUESTION, MsgIcon::Exclamation, AskButtons::YesNo))
    return outcome;
  if (!link.CheckWriteProtect()) {
    ++outcome.failed;
    return outcome;
  }
  ui.StartStoragePoll(500);  // each delete stops and arms it around itself
  for (const CamFileRow& row : rows) {
    const std::string& name = row.name;
    if (IsFolderRow(row)) {
      if (!several) ui.ShowMessage(ids::COULD_NOT_DELETE_FOLDER, MsgIcon::Exclamation);
      ++outcome.refused;
      continue;
    }
    if (!several && !ui.AskFile(name, ids::DELETE_FILE_QUESTION, MsgIcon::Exclamation, AskButtons::YesNo)) {
      ++outcome.skipped;
      break;
    }
    if (link.DeleteCameraFile(name))
      ++outcome.done;
    else
      ++outcome.failed;
  }
  ui.ClearPreview();
  ui.StopStoragePoll();
  Relist(link, ui);
  ui.StartStoragePoll(500);
  return outcome;
}

int RenameOnCamera(CameraLink& link, FileOpsUi& ui, const std::vector<CamFileRow>& rows) {
  if (!link.DeviceOpen()) return 0;
  if (!link.CheckWriteProtect()) return 0;
  const CamFileRow row = rows.empty() ? CamFileRow{} : rows.front();  // none: an empty name
  const std::string& oldName = row.name;
  if (IsFolderRow(row)) {
    ui.ShowMessage(ids::COULD_NOT_RENAME_FOLDER, MsgIcon::Error);
    ui.StartStoragePoll(500);
    return 0;
  }
  std::string newName;
  for (;;) {
    auto answer = ui.AskFileNumber(oldName);
    if (!answer) {
      ui.StartStoragePoll(500);
      return 0;
    }
    newName = *answer;
    if (!IsValidDcfFileName(newName, link.parentKind)) {
      ui.ShowMessage(ids::NAME_FORMAT, MsgIcon::Exclamation);
      continue;
    }
    int clash = FindNameClash(newName, link.files);
    if (clash == CLASH_NAME) {
      ui.ShowMessage(ids::FILE_EXISTS, MsgIcon::Exclamation);
      continue;
    }
    if (clash == CLASH_NUMBER) {
      ui.ShowMessage(ids::NUMBER_EXISTS, MsgIcon::Exclamation);
      continue;
    }
    break;
  }
  if (!link.RenameCameraFile(oldName, newName)) {
    ui.StartStoragePoll(500);
    return 0;
  }
  ui.SelectionRenamed(newName);
  Relist(link, ui);
  ui.StartStoragePoll(500);
  return 1;
}

int AddCameraFolder(CameraLink& link, FileOpsUi& ui) {
  if (!link.CheckWriteProtect()) return 0;
  ui.StartStoragePoll(500);
  std::string suffix;
  if (link.camPath == "DCIM")
    suffix = "QXCAM";
  else if (link.camPath == "QXMOV")
    suffix = "QXMSC";
  else {
    ui.ShowMessage(ids::COULD_NOT_MAKE_FOLDER_HERE, MsgIcon::Exclamation);
    return 0;
  }
  std::string name;
  for (;;) {
    auto answer = ui.AskFolderNumber(suffix);
    if (!answer) return 0;
    name = *answer;
    const DcfVerdict verdict = IsValidDcfFolderName(name, link.PaneRowNames());
    if (verdict == DcfVerdict::Ok) break;
    ui.ShowMessage(verdict == DcfVerdict::Taken ? ids::FILE_EXISTS : ids::NAME_FORMAT, MsgIcon::Error);
  }
  int made = link.MakeCameraFolder(name);
  Relist(link, ui);
  return made;
}

int FormatMemoryStick(CameraLink& link, FileOpsUi& ui, ProgressSink& progress) {
  Pacing& pacing = GetPacing();
  if (!ui.AskId(ids::FORMAT_QUESTION, MsgIcon::Exclamation, AskButtons::YesNo)) {
    ui.EnablePcPane(true);
    ui.EnableCameraPane(true);
    progress.Close();
    return 0;
  }
  progress.Activate();
  ui.ForgetSelection();
  if (!link.DeviceOpen()) {
    ui.EnablePcPane(true);
    progress.Close();
    return 0;
  }
  if (!link.CheckWriteProtect()) {
    ui.EnablePcPane(true);
    ui.EnableCameraPane(true);
    progress.Close();
    return 0;
  }
  progress.Step();
  // The media check below tells the camera's outcome; a request that never
  // reached the camera formatted nothing: the camera is gone.
  if (!link.SendFormat()) {
    link.CheckCamStatus(REQ_FORMAT, 0);
    ui.EnablePcPane(true);
    progress.Close();
    ui.StartStoragePoll(500);
    return 0;
  }
  progress.Step();
  for (int i = 0; i < 20; ++i) {
    pacing.Wait(100);
    if (i < 19) progress.Step();
  }
  if (!link.CheckMedia()) {
    link.ResetCameraPane();
    ui.EnablePcPane(true);
    ui.ShowMessage(ids::FAILED_TO_FORMAT, MsgIcon::Error);
    progress.Close();
    ui.StartStoragePoll(500);
    return 0;
  }
  // A stick that was unformatted before is usable now: the listing must read it.
  link.StickFormatted();
  progress.SetMessage(StringText(ids::ADD_DEFAULT_FOLDER));
  link.ChangeCamFolder("\\");
  progress.Step();
  pacing.Wait(100);
  // A default folder that could not be made has been told by its request's
  // check: the format is then no success.
  const int folders = link.EnsureDefaultFolders();
  progress.Step();
  pacing.Wait(100);
  ui.ClearPreviewPicture();
  progress.Step();
  pacing.Wait(100);
  ui.ClearPreviewRest();
  progress.Step();
  pacing.Wait(100);
  progress.Step();
  pacing.Wait(100);
  Relist(link, ui);
  progress.Step();
  pacing.Wait(100);

  ui.StartStoragePoll(500);
  if (link.DeviceOpen()) {  // a camera lost on the way has had its pane reset
    ui.ShowCameraButtons(true);
    ui.ShowFormatButton(true);
    ui.EnableCameraPane(true);
  }
  ui.EnablePcPane(true);
  if (folders) ui.ShowMessage(ids::FORMAT_SUCCESSFUL, MsgIcon::Information);
  progress.Close();
  return folders;
}
