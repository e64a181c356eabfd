// The window interface from a worker thread: every call runs on the GUI
// thread, a question's answer comes back to the worker, and a call made on the
// GUI thread itself runs at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <thread>

#include "app/GuiThreadUi.h"
#include "resources/StringIds.h"

namespace {

// Remembers on which thread each call ran.
class ThreadNotingUi final : public FileOpsUi {
 public:
  std::vector<std::string> calls;
  bool offGuiThread = false;

  void Note(const std::string& call) {
    calls.push_back(call);
    if (QThread::currentThread() != qApp->thread()) offGuiThread = true;
  }
  void ShowText(const std::string& text, MsgIcon) override { Note("text " + text); }
  void FillCamPane() override { Note("fill"); }
  void StartStoragePoll(int ms) override { Note("poll " + std::to_string(ms)); }
  bool Ask(const std::string& text, MsgIcon, AskButtons) override {
    Note("ask " + text);
    return true;
  }
  std::optional<std::string> AskFolderNumber(const std::string& suffix) override {
    Note("folder " + suffix);
    return "101" + suffix;
  }
  std::optional<std::string> AskFileNumber(const std::string&) override { return std::nullopt; }
  std::optional<std::string> AskPcName(int, const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

TEST(GuiThreadUi, CarriesEveryCallToTheGuiThreadAndTheAnswersBack) {
  ThreadNotingUi window;
  GuiThreadUi ui(window);
  std::atomic<bool> done{false};
  bool answered = false;
  std::optional<std::string> folder;
  std::thread worker([&] {
    ui.ShowText("Copying", MsgIcon::Information);
    ui.FillCamPane();
    answered = ui.Ask("Replace?", MsgIcon::Question, AskButtons::OkCancel);
    folder = ui.AskFolderNumber("QXCAM");
    ui.StartStoragePoll(500);
    done = true;
  });
  QElapsedTimer clock;
  clock.start();
  while (!done && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  ASSERT_TRUE(done);
  EXPECT_FALSE(window.offGuiThread);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"text Copying", "fill", "ask Replace?", "folder QXCAM",
                                                    "poll 500"}));
  EXPECT_TRUE(answered);
  EXPECT_EQ(folder, "101QXCAM");

  // On the GUI thread the call simply runs, with no event loop turning.
  ui.ShowMessage(ids::DEVICE_NOT_FOUND, MsgIcon::Warning);
  EXPECT_EQ(window.calls.back().substr(0, 5), "text ");
}

}  // namespace
