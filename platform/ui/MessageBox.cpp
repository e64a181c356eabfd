#include "platform/ui/MessageBox.h"

#include <QMessageBox>
#include <mutex>

#include "platform/ui/GuiThread.h"

namespace {

std::mutex g_scriptMutex;
MessageBoxScript* g_script = nullptr;

QMessageBox::Icon ToQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Warning:
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::Ok: break;
  }
  return QMessageBox::Ok;
}

bool Scripted(const QString& text, MsgIcon icon, MsgButtons buttons, MsgAnswer& answer) {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  if (!g_script) return false;
  g_script->shown << text;
  g_script->icons << icon;
  g_script->buttons << buttons;
  if (g_script->answers.empty()) {
    answer = buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
  } else {
    answer = g_script->answers.front();
    g_script->answers.pop_front();
  }
  return true;
}

}  // namespace

MsgAnswer ShowMessageBox(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) {
  MsgAnswer answer = MsgAnswer::Ok;
  if (Scripted(text, icon, buttons, answer)) return answer;
  return OnGuiThread([&] {
    QMessageBox box(ToQt(icon), "Orin Media 5.1", text, ToQt(buttons), parent);
    switch (box.exec()) {
      case QMessageBox::Ok: return MsgAnswer::Ok;
      case QMessageBox::Yes: return MsgAnswer::Yes;
      case QMessageBox::No: return MsgAnswer::No;
      case QMessageBox::Cancel: return MsgAnswer::Cancel;
      default: break;
    }
    // A box closed otherwise answers as its last button would.
    if (buttons == MsgButtons::YesNo) return MsgAnswer::No;
    return buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::Ok;
  });
}

void SetMessageBoxScript(MessageBoxScript* script) {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  g_script = script;
}
