// The changes the user makes to the camera's storage from the camera pane:
// delete, renumber a file, a new DCF folder, and the format. The window checks
// the operation flag before calling; `rows` are the camera pane's selected
// rows, top to bottom as the pane shows them.
#pragma once
#include <vector>

#include "camera/CameraLink.h"
#include "fileops/FileOpsUi.h"

BatchOutcome DeleteOnCamera(CameraLink& link, FileOpsUi& ui, const std::vector<CamFileRow>& rows);
// 1 when the file took its new name.
int RenameOnCamera(CameraLink& link, FileOpsUi& ui, const std::vector<CamFileRow>& rows);
// 1 when the folder was made.
int AddCameraFolder(CameraLink& link, FileOpsUi& ui);
// Asks first; 1 when the Memory Stick was formatted and the default folders made.
// Runs on the format thread behind `progress` (range 36, "Formatting...").
int FormatMemoryStick(CameraLink& link, FileOpsUi& ui, ProgressSink& progress);
