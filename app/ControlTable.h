// The controls of the main window (dialog resource 101): one row per control
// with its kind, place, first state and artwork. Places are in dialog units;
// the window lays them out at twice that in pixels (730 x 554 in all).
#pragma once
#include <span>

enum class ControlKind {
  Button,      // CSkinButton
  List,        // a file pane
  DropDown,    // the recording-mode box
  BlackFrame,  // the video frame and the picture frame
  Text,        // CSkinLabel
  Picture,     // a decoration showing one bitmap at its own size
};

struct ControlSpec {
  int id;
  ControlKind kind;
  int x, y, width, height;  // dialog units; a picture's size comes from its bitmap
  bool hidden = false;
  bool disabled = false;
  int tooltip = 0;          // string id, 0 for none
  int hoverBitmap = 0;      // buttons: slot 0; pictures: the bitmap shown
  int normalBitmap = 0;     // buttons: slot 1, 0 for none
  bool transparent = false; // buttons painted on the captured skin
};

std::span<const ControlSpec> MainControls();
const ControlSpec* FindControl(int id);

// Pixels from dialog units.
constexpr int Px(int dialogUnits) { return dialogUnits * 2; }

constexpr int kWindowWidth = 730;
constexpr int kWindowHeight = 554;
constexpr int kDragBand = 70;      // a press above this y moves the window
constexpr int kCornerEllipse = 20; // the rounded region's corners

// Control ids the program refers to by name.
namespace ctl {
enum : int {
  CLOSE = 1001, HELP = 1002, MINIMIZE = 1003,
  PC_PANE = 1033, CAM_PANE = 1034,
  PC_ADD_FOLDER = 1054, PC_DELETE = 1055, COPY_TO_CAMERA = 1056,
  CAM_ADD_FOLDER = 1057, CAM_DELETE = 1058, COPY_TO_PC = 1059, FORMAT = 1060,
  RECORD = 1019, STOP_RECORD = 1027, CAPTURE = 1020, PLAY = 1021, STOP_PLAY = 1026,
  RECORD_TIME = 1025, EMAIL = 1023, PHOTO_EDITOR = 1024,
  TO_CAMERA_MODE = 1044, TO_STORAGE_MODE = 1045, RECORD_MODE_BOX = 1083,
  VIDEO_FRAME = 1069, PICTURE_FRAME = 1071, PC_PATH_LABEL = 1070, TIME_LABEL = 1096,
  RECORD_MINUTES = 1035, RECORD_SECONDS = 1036,
  DECO_1012 = 1012, DECO_1014 = 1014, DECO_1015 = 1015, DECO_1016 = 1016, DECO_1018 = 1018,
  DECO_1022 = 1022, DECO_1041 = 1041, DECO_1043 = 1043, LABEL_CAMERA = 1048, LABEL_STORAGE = 1049,
};
}  // namespace ctl
