// CameraUi on a terminal: messages go to stderr in the program's own words.
// There are no widgets: the pane hooks have nothing to change, and the rows
// are printed by the command once it is done. What the window passes over in
// silence (a camera status 0x23 or 0x24) still gets a line, and a stick the
// camera keeps examining is given up after the --timeout.
#pragma once
#include <cstdio>

#include "camera/CameraUi.h"

class TerminalUi final : public CameraUi {
 public:
  static constexpr int kDefaultExamineTimeoutS = 30;

  explicit TerminalUi(std::FILE* out = stderr) : out_(out) {}
  void ShowText(const std::string& text, MsgIcon icon) override;
  void QuietFailure(int request, uint8_t status) override;
  bool KeepWaitingForStick(int waitedMs) override;

  void SetExamineTimeout(int seconds) { examineTimeoutS_ = seconds; }
  std::FILE* Out() const { return out_; }

 private:
  std::FILE* out_;
  int examineTimeoutS_ = kDefaultExamineTimeoutS;
};
