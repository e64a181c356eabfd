// The string table. Numbers 108 (About), 109-123 (tooltips), 124-127 (dialog
// captions and labels) and 129-185 (messages). A few messages have no number
// of their own in the program's documents; they fill the free numbers of the
// message range (134, 136-138, 155, 159, 160, 166, 167, 170, 174, 175, 181-183
// and 185) and are reached through the names in StringIds.h. Texts this
// program adds of its own are numbered from 200.
#include "resources/StringTable.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

namespace {

// Set at start-up on the GUI thread, read by the transfer threads too.
std::mutex g_overrideMutex;
std::map<int, std::string> g_override;

struct Entry {
  int id;
  const char* text;
};

constexpr Entry kStrings[] = {
    {108, "&About Orin Media 5.1..."},
    {109, "Minimize"},
    {110, "Close"},
    {111, "Help"},
    {112, "DovodAzereda"},
    {113, "Play"},
    {114, "Stop"},
    {115, "Record"},
    {116, "Stop"},
    {117, "Image Capture"},
    {118, "Add Folder"},
    {119, "Delete file"},
    {120, "Copy file"},
    {121, "Format"},
    {122, "Recording Time Setting"},
    {123, "E-Mail"},
    {124, "Add Folder"},
    {125, "Rename"},
    {126, "Folder Name :"},
    {127, "File Name :"},
    {129, "There is no folder name."},
    {130, "A folder with the name you specified already exists."},
    {131, "There is no file name."},
    {132, "A file with the name you specified already exists."},
    {133, "Device is not found.\n\nComfirm connection with computer or device mode."},
    {134, "No Memory!"},
    {135, "Device is not found.\n\nComfirm connection with computer or device mode."},
    {136, "Memory Stick is not formatted."},
    {137, "This Memory Stick is not supported."},
    {138, "Cannot open this file."},
    {139, "Delete file?"},
    {140, "Select File(Folder)."},
    {141, "Delete Folder?"},
    {142, "Could not delete folder."},
    {143, "Delete File?"},
    {144, "Could not copy folder."},
    {145, "File(Folder) name doesn't met the format."},
    {146, "Could not delete file."},
    {147, "Failed to read file."},
    {148, "Could not make a foler in this path."},
    {149, "Could not copy folder."},
    {150, "All data on Memory Stick will be destroyed.\n\nProceed with Format?"},
    {151, "Format was successful."},
    {152, "Not enough space in Memory Stick."},
    {153, "A file with the name you specified already exists.\n\nReplace file?"},
    {154, "Failed to write file."},
    {155, "Failed to initialize."},
    {156, "A file with the name you specified already exists."},
    {157, "Could not change folder name."},
    {158, "Error in reading Memory Stick."},
    {159, "Save file?"},
    {160, "Stop Recording?"},
    {161, "Failed to create folder."},
    {162, "Failed to delete."},
    {163, "Failed to rename."},
    {164, "Failed to copy."},
    {165, "Error! Cannot execute this process."},
    {166, "Not supported format."},
    {167, "Select JPG File."},
    {168, "Failed to format."},
    {169, "Memory Stick is write protected."},
    {170, "Can't Find Orin Media 5.1Help File."},
    {171, "File name on left side will be changed to the file name on right side by using inputed number. \n( Range : 0001~9999, Ex. : DCAM0001 )"},
    {172, "Rename"},
    {173, "Could not copy a file to this path."},
    {174, "Acrobet Reader is not installed.   \n\nPlease, Install the Acrobet Reader in Orin Media 5.1 CD.    "},
    {175, "Failed to capture Image."},
    {176, "A file with the number you specified already exists."},
    {177, " Copying..."},
    {178, "Formatting..."},
    {179, "Enter Four digit number."},
    {180, "Add Default Folder..."},
    {181, "System suspending operation denied!"},
    {182, "Could not create video source filter!!"},
    {183, "Could not create MPEG4 Video Source Stream!!"},
    {184, "This file is damaged.    "},
    {185, "Audio Format is changed."},
    {200, "A name must be one file or folder name: it cannot contain \"/\" and cannot be \".\" or \"..\"."},
    {201, "Recording time is out of range.    \n\n( Range : 5 Sec. ~ 180 Min. )"},
    {202, "Please enter an integer between %1 and %2."},
    {203, "min"},
    {204, "sec"},
    {205, "Save File"},
    {206, "ASF Files (*.asf)"},
    {207, "Nothing was recorded: the camera's picture was not running."},
    {208, "The recording was stopped: its file could not be written."},
    {209, "A recording was not saved when the program last ended.\n\nSave it now?"},
};

}  // namespace

std::string_view DefaultString(int id) {
  auto it = std::find_if(std::begin(kStrings), std::end(kStrings),
                         [id](const Entry& e) { return e.id == id; });
  return it == std::end(kStrings) ? std::string_view() : std::string_view(it->text);
}

std::string StringText(int id) {
  {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    if (auto it = g_override.find(id); it != g_override.end()) return it->second;
  }
  return std::string(DefaultString(id));
}

void SetOverrideStrings(std::map<int, std::string> texts) {
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  g_override = std::move(texts);
}

std::string FileMessage(std::string_view fileName, int id) {
  std::string text(fileName);
  text += "\n\n";
  text += StringText(id);
  return text;
}
