// The copy batches between the PC and the camera, and the whole-file fetch
// into the temporary folder. They run on the transfer thread (or in orin-cam)
// with the storage poll stopped; every word to the user goes through the UI
// interfaces, so the loops themselves never touch a widget.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "camera/CameraLink.h"
#include "fileops/FileOpsUi.h"

// The camera pane's selection when a download starts, top to bottom as the
// pane showed it, and the PC folder the files go to.
struct DownloadRequest {
  std::vector<CamFileRow> rows;
  std::filesystem::path pcFolder;
};

// One PC row of the selection, as the PC pane showed it when the command started.
struct PcFileRow {
  std::string name;       // the row's Name text
  bool isFolder = false;  // a drive, folder or ".." row
  bool isDrive = false;   // a drive row
  std::optional<uint64_t> size;  // the file's size; none when it could not be read
};
struct UploadRequest {
  std::vector<PcFileRow> rows;  // top to bottom as the pane showed them
  std::filesystem::path pcFolder;
};

BatchOutcome DownloadBatch(CameraLink& link, FileOpsUi& ui, ProgressSink& progress,
                           const DownloadRequest& request);
// 1 go on with the next file, 0 stop the batch. `copied` tells whether it arrived.
int DownloadFile(CameraLink& link, FileOpsUi& ui, ProgressSink& progress,
                 const std::filesystem::path& pcFolder, const std::string& name, uint32_t size,
                 BatchOutcome& outcome);

BatchOutcome UploadBatch(CameraLink& link, FileOpsUi& ui, ProgressSink& progress,
                         const UploadRequest& request);
int UploadFile(CameraLink& link, FileOpsUi& ui, ProgressSink& progress,
               const std::filesystem::path& pcFolder, const std::string& name, uint32_t size,
               BatchOutcome& outcome);

// One camera file of the current folder, whole, into `folder` (the temporary
// folder). The caller has stopped the storage poll and checked size and
// connection. The path of the file when it arrived and the status check
// under `statusRequest` (0 or REQ_READ_FILE) passed; nothing otherwise.
std::optional<std::filesystem::path> FetchToTemp(CameraLink& link, FileOpsUi& ui,
                                                 const std::filesystem::path& folder,
                                                 const std::string& name, uint32_t size,
                                                 int statusRequest);

// The save step of a recording or a still: `source` (in the temporary
// folder) copied to `target` in chunks of `chunkBytes`, written beside the
// target and renamed into its place once whole, so that `target` is either
// the whole copy or as it was. 0 when saved; otherwise the errno of the step
// that failed, with `failedPath` the file it concerns (the source or the target).
constexpr size_t kSaveChunkBytes = 5242880;
int SaveCopy(const std::filesystem::path& source, const std::filesystem::path& target, std::string& failedPath,
             size_t chunkBytes = kSaveChunkBytes);

// File times: a camera date taken as local time becomes the file's last-write
// time (seconds 0; access time untouched), unless it is no calendar time
// (false, the file keeps its time); a PC file's last-write time in local time,
// to the minute, for the camera.
bool SetLastWriteTime(const std::filesystem::path& file, const CamDateTime& local);
std::optional<CamDateTime> LastWriteTimeLocal(const std::filesystem::path& file);
