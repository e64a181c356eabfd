// Texts of a resource library reach the file operations: their messages,
// questions and progress texts come from the string table's lookup.
#include "fileops/CameraFileOps.h"
#include "fileops/Transfer.h"
#include "resources/StringIds.h"
#include "tests/fileops/FileOpsTestKit.h"

// Remembers the progress dialog's messages.
class MessageProgress final : public ProgressSink {
 public:
  std::vector<std::string> messages;
  void SetFileText(const std::string&, bool) override {}
  void SetRange(int) override {}
  void Step() override {}
  void SetMessage(const std::string& text) override { messages.push_back(text); }
  bool CancelRequested() override { return false; }
  void Activate() override {}
  void Close() override {}
};

class StringOverrideTest : public FileOpsSim {
 protected:
  void TearDown() override {
    SetOverrideStrings({});
    FileOpsSim::TearDown();
  }
};

TEST_F(StringOverrideTest, ReachMessagesQuestionsAndProgressTexts) {
  SetOverrideStrings({{ids::FORMAT_QUESTION, "Wipe it?"},
                      {ids::ADD_DEFAULT_FOLDER, "Folders again..."},
                      {ids::FORMAT_SUCCESSFUL, "Wiped."},
                      {ids::REPLACE_QUESTION, "Once more?"},
                      {ids::FILE_DAMAGED, "Broken."}});
  Connect({"DCIM", "100QXCAM"});
  MessageProgress formatting;
  EXPECT_EQ(FormatMemoryStick(link, ui, formatting), 1);
  EXPECT_EQ(ui.asked, std::vector<std::string>{"Wipe it?"});
  EXPECT_EQ(formatting.messages, std::vector<std::string>{"Folders again..."});
  EXPECT_EQ(ui.shown, std::vector<std::string>{"Wiped."});

  WriteFile(Cam("DCIM/100QXCAM/DCAM0001.JPG"), Pattern(10));
  WriteFile(Cam("DCIM/100QXCAM/DCAM0002.JPG"), "");
  WriteFile(pc / "DCAM0001.JPG", "mine");
  Connect({"DCIM", "100QXCAM"});
  ui.asked.clear(), ui.shown.clear();
  ui.answers = {false};
  BatchOutcome outcome;
  DownloadFile(link, ui, progress, pc, "DCAM0001.JPG", 10, outcome);
  DownloadFile(link, ui, progress, pc, "DCAM0002.JPG", 0, outcome);
  EXPECT_EQ(ui.asked, std::vector<std::string>{(pc / "DCAM0001.JPG").string() + "\n\nOnce more?"});
  EXPECT_EQ(ui.shown, std::vector<std::string>{"Broken."});

  // Without the library the program's own texts serve again.
  SetOverrideStrings({});
  EXPECT_EQ(StringText(ids::FILE_DAMAGED), "This file is damaged.    ");
  EXPECT_EQ(FileMessage("DCAM0001.JPG", ids::REPLACE_QUESTION),
            "DCAM0001.JPG\n\nA file with the name you specified already exists.\n\nReplace file?");
}
