// The sibling programs: the viewer counter, the hand-over of camera stills,
// the help document's messages. Substitute programs in a scratch program
// folder write down the argument they were started with.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "browser/OutsideTools.h"
#include "resources/StringIds.h"

namespace {

class ToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QDir::currentPath();
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir_.filePath("cache")));
    for (const char* name : {"Pictor", "Vuv40.exe"}) {
      QFile script(dir_.filePath(name));
      script.open(QIODevice::WriteOnly);
      script.write(QString("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1/%2.log'\n")
                       .arg(dir_.path(), name).toUtf8());
      script.close();
      script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    tools_.showError = [this](int id) { errors_.push_back(id); };
  }
  void TearDown() override { QDir::setCurrent(saved_); }

  // The arguments a substitute program was started with, once `count` arrived.
  QStringList Arguments(const char* program, int count) {
    QElapsedTimer clock;
    clock.start();
    QStringList lines;
    while (clock.elapsed() < 30000) {  // the limit only ends a stuck test
      QFile log(dir_.filePath(QString(program) + ".log"));
      if (log.open(QIODevice::ReadOnly)) lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
      if (lines.size() >= count) break;
      QThread::msleep(20);
    }
    return lines;
  }

  QTemporaryDir dir_;
  QString saved_;
  OutsideTools tools_{dir_.path()};
  std::vector<int> errors_;
};

}  // namespace

TEST_F(ToolsTest, ViewerCounterRunsFromZeroToSixAndOnlyForTheViewer) {
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(tools_.LaunchTool("Pictor.exe", "/pics/a.jpg"));
  EXPECT_TRUE(tools_.LaunchTool("Vuv40.exe", "/pics/a.jpg"));
  EXPECT_EQ(tools_.ViewerCounter(), 1);
  QStringList got = Arguments("Pictor", 8);
  got.sort();  // detached starts may finish in any order
  QStringList want;
  for (int digit : {0, 1, 2, 3, 4, 5, 6, 0}) want << QString("/pics/a.jpg%1").arg(digit);
  want.sort();
  EXPECT_EQ(got, want);
  EXPECT_EQ(Arguments("Vuv40.exe", 1), QStringList{"/pics/a.jpg"});
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ToolsTest, MissingProgramSaysItCannotOpen) {
  EXPECT_FALSE(tools_.LaunchTool("Postlet.exe", "My Command"));
  EXPECT_EQ(errors_, std::vector<int>{ids::CANNOT_OPEN_FILE});
}

TEST_F(ToolsTest, HandOverCopiesUnderTheGivenNameAndReplaces) {
  QFile still(dir_.filePath("still.jpg"));
  still.open(QIODevice::WriteOnly);
  still.write("first");
  still.close();
  const QString copy = OutsideTools::HandOver(still.fileName(), "DCAM0001.JPG");
  ASSERT_FALSE(copy.isEmpty());
  EXPECT_TRUE(copy.startsWith(dir_.filePath("cache/OrinMedia51/handover")));
  still.open(QIODevice::WriteOnly);
  still.write("second");
  still.close();
  EXPECT_EQ(OutsideTools::HandOver(still.fileName(), "DCAM0001.JPG"), copy);
  QFile got(copy);
  got.open(QIODevice::ReadOnly);
  EXPECT_EQ(got.readAll(), "second");
}

TEST_F(ToolsTest, HelpWithoutItsDocumentNamesWhatIsMissing) {
  tools_.OpenHelp();
  ASSERT_EQ(errors_.size(), 1u);
  // Without a PDF reader the reader is named; with one, the missing file.
  EXPECT_TRUE(errors_[0] == ids::PDF_READER_MISSING || errors_[0] == ids::HELP_FILE_MISSING);
}
