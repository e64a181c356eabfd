// The DCF naming rules that keep names on the camera in the camera's own form:
// picture and movie folders "100QXCAM" / "100QXMSC", files "DCAM0001.JPG".
// Pure functions of a name and what the camera pane currently holds.
#pragma once
#include <span>
#include <string>
#include <string_view>

#include "camera/CamEntry.h"

// "AAAA9999.EXT": four letters, digits or "_", a number 0001..9999, a dot and
// "JPG" below DCIM or "ASF" below QXMOV (any case). No name is valid in the root.
bool IsValidDcfFileName(std::string_view name, int parentKind);

// What the folder-name check found; the caller tells the user (Taken:
// "A file with the name you specified already exists.", BadForm: "File(Folder)
// name doesn't met the format.").
enum class DcfVerdict { Ok, Taken, BadForm };

// Three digits 100..999, then at most five letters, digits or "_". A name
// equal to one of the pane's rows (row 0, the root row, excepted) is taken;
// a fault of form counts before a clash. The listing passes no rows.
DcfVerdict IsValidDcfFolderName(std::string_view name, std::span<const std::string> paneRowNames = {});

// Name clash within the folder shown.
enum : int { CLASH_NONE = 0, CLASH_NAME = 1, CLASH_NUMBER = 2 };
// CLASH_NAME: a file of that exact name exists; CLASH_NUMBER: a file with the
// same four-digit number exists, whatever its prefix or type.
int FindNameClash(std::string_view name, const CamEntryList& files);
