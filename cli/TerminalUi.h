// CameraUi on a terminal: messages go to stderr in the program's own words.
// There are no widgets: the pane hooks have nothing to change, and the rows
// are printed by the command once it is done.
#pragma once
#include <cstdio>

#include "camera/CameraUi.h"

class TerminalUi final : public CameraUi {
 public:
  explicit TerminalUi(std::FILE* out = stderr) : out_(out) {}
  void ShowText(const std::string& text, MsgIcon icon) override;

 private:
  std::FILE* out_;
};
