// A started window with its live stream running in the camera layout, and
// what the recording, capture and player tests share: serving the window's
// events until a condition holds, and a user at the window's own modal
// dialogs (the recording-time dialog, the save dialog, Qt's overwrite
// question), who answers each with the next scripted step.
#pragma once
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/ControlTable.h"
#include "app/RecordingTimeDialog.h"
#include "skin/CSkinLabel.h"
#include "tests/gui/WindowFixture.h"

// Test failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Looks for a modal dialog of the window from whichever event loop runs, and
// gives each new one the next step; one that comes with no step left is
// cancelled and counted, so that no test waits on a dialog it did not expect.
class DialogUser : public QObject {
 public:
  using Step = std::function<void(QDialog&)>;
  DialogUser() {
    look_.setInterval(5);
    connect(&look_, &QTimer::timeout, this, &DialogUser::Look);
    look_.start();
  }
  void Then(Step step) { steps_.push_back(std::move(step)); }
  size_t Left() const { return steps_.size(); }
  QStringList titles;  // of every dialog met, in order
  int unexpected = 0;

  // The save dialog: `path` typed into its name field and Save pressed.
  static Step SaveAs(const QString& path) {
    return [path](QDialog& d) {
      auto& dialog = dynamic_cast<QFileDialog&>(d);
      dialog.findChild<QLineEdit*>("fileNameEdit")->setText(path);
      static_cast<QDialog&>(dialog).accept();  // Save pressed
    };
  }
  static Step Cancel() {
    return [](QDialog& d) { d.reject(); };
  }
  // A question of Qt's own (the overwrite prompt) answered Yes.
  static Step Yes() {
    return [](QDialog& d) { dynamic_cast<QMessageBox&>(d).button(QMessageBox::Yes)->click(); };
  }
  static Step RecordingTime(const QString& minutes, const QString& seconds) {
    return [minutes, seconds](QDialog& d) {
      auto& dialog = dynamic_cast<RecordingTimeDialog&>(d);
      dialog.Edit(RecordingTimeDialog::kMinutesEdit)->setText(minutes);
      dialog.Edit(RecordingTimeDialog::kSecondsEdit)->setText(seconds);
      dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
  }

 private:
  void Look() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool()) return;
    dialog->setProperty("answered", true);
    titles << dialog->windowTitle();
    if (steps_.empty()) {
      ++unexpected;
      dialog->reject();
      return;
    }
    // Answered from a queued call, not from this timer's slot: a step that
    // opens a dialog of its own (Save opening the overwrite question) would
    // otherwise wait in a slot that Qt does not enter again.
    QMetaObject::invokeMethod(
        this,
        [this, d = QPointer<QDialog>(dialog), step = std::move(steps_.front())] {
          if (d) step(*d);
        },
        Qt::QueuedConnection);
    steps_.pop_front();
  }
  QTimer look_;
  std::deque<Step> steps_;
};

class CameraWindow : public WindowFixture {
 protected:
  void TearDown() override {
    EXPECT_EQ(user_.unexpected, 0) << user_.titles.join("|").toStdString();
    WindowFixture::TearDown();
  }
  MainWindow& Streaming() {
    MainWindow& w = Started();
    w.Timer(TimerId::DeferredPreviewStart).stop();
    w.Connection().OnDeferredPreviewStart();
    EXPECT_TRUE(w.CameraMode().PreviewRunning());
    return w;
  }
  // The time label's text while it is shown; empty while it is hidden.
  QString Clock() {
    return Shown(ctl::TIME_LABEL) ? window_->ControlAs<CSkinLabel>(ctl::TIME_LABEL)->text() : QString();
  }
  // Records until `packets` data packets of this recording reached "Temp.ASF"
  // (the worker counts from zero once it has taken the recording).
  void RecordPackets(uint64_t packets) {
    StreamWorker* worker = window_->CameraMode().Worker();
    ASSERT_TRUE(ServeUntil([&] { return worker->Recording() && worker->PacketsWritten() >= packets; }));
  }
  static std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::filesystem::path TempAsf() const { return scratch_ / "OrinMedia51Temp" / "Temp.ASF"; }
  QString Saved(const char* name) const { return QString::fromStdString((scratch_ / name).string()); }

  DialogUser user_;
};
