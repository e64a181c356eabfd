// The DCF naming rules that keep names on the camera in the camera's own form:
// picture and movie folders "100QXCAM" / "100QXMSC", files "DCAM0001.JPG".
// Pure functions of a name and what the camera pane currently holds.
#pragma once
#include <span>
#include <string>
#include <string_view>

#include "camera/CamEntry.h"

class CameraUi;

// Parent kinds: where the camera's current folder lies.
enum : int { PARENT_ROOT = 0, PARENT_DCIM = 1, PARENT_QXMOV = 2 };

// "AAAA9999.EXT": four letters, digits or "_", a number 0001..9999, a dot and
// "JPG" below DCIM or "ASF" below QXMOV (any case). No name is valid in the root.
bool IsValidDcfFileName(std::string_view name, int parentKind);

// Three digits 100..999, then at most five letters, digits or "_". With
// `ui` given, a refused name is explained to the user, and a name equal to one
// of the pane's rows (row 0, the root row, excepted) is refused as taken.
bool IsValidDcfFolderName(std::string_view name, std::span<const std::string> paneRowNames,
                          CameraUi* ui);

// Name clash within the folder shown.
enum : int { CLASH_NONE = 0, CLASH_NAME = 1, CLASH_NUMBER = 2 };
// CLASH_NAME: a file of that exact name exists; CLASH_NUMBER: a file with the
// same four-digit number exists, whatever its prefix or type.
int FindNameClash(std::string_view name, const CamEntryList& files);
