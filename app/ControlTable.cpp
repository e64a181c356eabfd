#include "app/ControlTable.h"

#include <algorithm>
#include <array>

#include "resources/StringIds.h"

namespace {

using K = ControlKind;

// Id, kind, x, y, width, height, hidden, disabled, tooltip, hover bitmap, normal bitmap, transparent.
constexpr ControlSpec kControls[] = {
    {ctl::CLOSE, K::Button, 345, 6, 13, 13, false, false, ids::TIP_CLOSE, 110, 109, false},
    {ctl::HELP, K::Button, 317, 6, 13, 13, false, false, ids::TIP_HELP, 112, 111, false},
    {ctl::MINIMIZE, K::Button, 331, 6, 13, 13, false, false, ids::TIP_MINIMIZE, 114, 113, false},
    {ctl::PC_PANE, K::List, 13, 59, 113, 90, false, true},
    {ctl::CAM_PANE, K::List, 13, 172, 113, 90, false, true},
    {ctl::PC_ADD_FOLDER, K::Button, 14, 152, 34, 7, false, false, ids::TIP_ADD_FOLDER, 143, 164, false},
    {ctl::PC_DELETE, K::Button, 50, 152, 21, 7, false, false, ids::TIP_DELETE_FILE, 145, 144, false},
    {ctl::COPY_TO_CAMERA, K::Button, 73, 152, 22, 7, false, false, ids::TIP_COPY_FILE, 149, 148, false},
    {ctl::CAM_ADD_FOLDER, K::Button, 14, 265, 34, 7, false, false, ids::TIP_ADD_FOLDER, 143, 164, true},
    {ctl::CAM_DELETE, K::Button, 51, 265, 21, 7, false, false, ids::TIP_DELETE_FILE, 145, 144, false},
    {ctl::COPY_TO_PC, K::Button, 75, 265, 22, 7, false, false, ids::TIP_COPY_FILE, 151, 150, false},
    {ctl::FORMAT, K::Button, 100, 265, 23, 7, false, false, ids::TIP_FORMAT, 147, 146, false},
    {ctl::RECORD, K::Button, 242, 190, 17, 17, false, false, ids::TIP_RECORD, 133, 135, true},
    {ctl::STOP_RECORD, K::Button, 242, 190, 17, 17, true, false, ids::TIP_STOP_RECORD, 134, 0, true},
    {ctl::CAPTURE, K::Button, 264, 190, 17, 17, false, false, ids::TIP_IMAGE_CAPTURE, 130, 132, false},
    {ctl::PLAY, K::Button, 162, 191, 16, 16, true, false, ids::TIP_PLAY, 153, 155, true},
    {ctl::STOP_PLAY, K::Button, 162, 191, 16, 16, true, false, ids::TIP_STOP_PLAY, 152, 154, true},
    {ctl::RECORD_TIME, K::Button, 242, 227, 17, 17, false, false, ids::TIP_RECORDING_TIME, 142, 141, true},
    {ctl::EMAIL, K::Button, 343, 216, 16, 16, false, false, ids::TIP_EMAIL, 138, 136, false},
    {ctl::PHOTO_EDITOR, K::Button, 343, 236, 16, 16, false, false, ids::TIP_PHOTO_EDITOR, 140, 139, false},
    {ctl::TO_CAMERA_MODE, K::Button, 156, 228, 28, 10, false, false, 0, 161, 162, true},
    {ctl::TO_STORAGE_MODE, K::Button, 156, 240, 28, 10, false, false, 0, 159, 163, true},
    {ctl::RECORD_MODE_BOX, K::DropDown, 190, 228, 51, 39},
    {ctl::VIDEO_FRAME, K::BlackFrame, 155, 67, 161, 121},
    {ctl::PICTURE_FRAME, K::BlackFrame, 155, 67, 161, 121},
    {ctl::PC_PATH_LABEL, K::Text, 53, 50, 74, 8},
    {ctl::TIME_LABEL, K::Text, 188, 195, 46, 9, true},
    {ctl::RECORD_MINUTES, K::Text, 187, 242, 14, 9},
    {ctl::RECORD_SECONDS, K::Text, 218, 242, 9, 10},
    {ctl::DECO_1012, K::Picture, 261, 191, 0, 0, false, false, 0, 115},
    {ctl::DECO_1014, K::Picture, 186, 221, 0, 0, false, false, 0, 116},
    {ctl::DECO_1015, K::Picture, 261, 220, 0, 0, false, false, 0, 116},
    {ctl::DECO_1016, K::Picture, 157, 220, 0, 0, false, false, 0, 128},
    {ctl::DECO_1018, K::Picture, 191, 220, 0, 0, false, false, 0, 129},
    {ctl::DECO_1022, K::Picture, 190, 241, 0, 0, true, false, 0, 156},
    {ctl::DECO_1041, K::Picture, 264, 190, 0, 0, true, false, 0, 131},
    {ctl::DECO_1043, K::Picture, 342, 215, 0, 0, true, false, 0, 137},
    {ctl::LABEL_CAMERA, K::Picture, 156, 227, 0, 0, false, false, 0, 160},
    {ctl::LABEL_STORAGE, K::Picture, 156, 239, 0, 0, false, false, 0, 158},
};

}  // namespace

std::span<const ControlSpec> MainControls() { return kControls; }

const ControlSpec* FindControl(int id) {
  auto it = std::find_if(std::begin(kControls), std::end(kControls),
                         [id](const ControlSpec& c) { return c.id == id; });
  return it == std::end(kControls) ? nullptr : it;
}
