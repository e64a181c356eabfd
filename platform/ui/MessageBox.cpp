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

bool Scripted(const QString& text, MsgIcon icon, MsgButtons buttons, MsgAnswer& answer) {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  if (!g_script) return false;
  g_script->shown << text;
  g_script->icons << icon;
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
    QMessageBox box(ToQt(icon), "Orin Media 5.1", text,
                    buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    parent);
    const int result = box.exec();
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return result == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
  });
}

void SetMessageBoxScript(MessageBoxScript* script) {
  std::lock_guard<std::mutex> lock(g_scriptMutex);
  g_script = script;
}
