// One session of the program with a camera, as the camera-replies fuzz target
// and its seed generator run it: storage mode with the media check, the
// default folders, a walk through every folder the camera lists with a
// download of every file shown there, an upload, a delete and a rename in a
// folder of files, a new folder in a top folder, a format, the storage
// poll's media check, and the stream's and the still's poll replies.
//
// What the program must hold whatever the camera answers is checked as it
// goes, and a breach aborts: rows carry only names the camera pane may show
// where they stand; a downloaded file lands in the PC folder, whole, under a
// name the camera listed there; nothing else appears on the PC side and the
// file to upload stays as it was.
#pragma once
#include <filesystem>

#include "camera/CameraDriver.h"

// `scratch` is a folder of the caller's; the session keeps "pc" and "src"
// folders in it.
void RunCameraSession(CameraDriver& camera, const std::filesystem::path& scratch);
