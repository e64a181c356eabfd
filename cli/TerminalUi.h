// CameraUi on a terminal: messages go to stderr in the program's own words.
// There are no widgets: the pane hooks have nothing to change, and the rows
// are printed by the command once it is done.
#pragma once
#include <cstdio>
#include <vector>

#include "camera/CameraUi.h"

class TerminalUi final : public CameraUi {
 public:
  explicit TerminalUi(std::FILE* out = stderr) : out_(out) {}
  void ShowMessage(int stringId, MsgIcon icon) override;

  // The string ids shown so far, in order.
  const std::vector<int>& Shown() const { return shown_; }

 private:
  std::FILE* out_;
  std::vector<int> shown_;
};
