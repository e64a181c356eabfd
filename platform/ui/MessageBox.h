// Message boxes of the program: caption "Orin Media 5.1", the design's icons.
// Tests script the answers: with a script installed no box is shown, every
// box is logged, and the next scripted answer is given (Ok/Yes when none is left).
#pragma once
#include <QString>
#include <QStringList>
#include <deque>

#include "platform/ui/MessageTypes.h"

class QWidget;

MsgAnswer ShowMessageBox(QWidget* parent, const QString& text, MsgIcon icon,
                         MsgButtons buttons = MsgButtons::Ok);

// Tests only.
struct MessageBoxScript {
  std::deque<MsgAnswer> answers;
  QStringList shown;     // the texts, in order
  QList<MsgIcon> icons;  // their icons
  QList<MsgButtons> buttons;  // their buttons
};
void SetMessageBoxScript(MessageBoxScript* script);  // nullptr: real boxes again
