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

// The help document opens only where the desktop has a PDF reader (a stand-in
// xdg-mime answers for the desktop); otherwise the message names the reader,
// and with a reader but no document it names the missing help file.
TEST_F(ToolsTest, HelpOpensWithAReaderElseNamesWhatIsMissing) {
  const QString bin = dir_.filePath("bin");
  QDir().mkpath(bin);
  QFile mime(bin + "/xdg-mime");
  mime.open(QIODevice::WriteOnly);
  mime.write(QString("#!/bin/sh\ncat '%1/reader' 2>/dev/null\nexit 0\n").arg(dir_.path()).toUtf8());
  mime.close();
  mime.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QFile::encodeName(bin) + ":" + path);
  QStringList opened;
  tools_.openDocument = [&opened](const QString& document) { return opened << document, true; };
  const QString help = dir_.filePath("Orin Media 5_1.pdf");
  auto helpGives = [&](bool reader, bool document) {
    QFile::remove(dir_.filePath("reader"));
    QFile::remove(help);
    if (reader) QFile::copy(dir_.filePath("Pictor"), dir_.filePath("reader"));  // any text will do
    if (document) QFile::copy(dir_.filePath("Pictor"), help);
    errors_.clear();
    opened.clear();
    tools_.OpenHelp();
    return errors_;
  };

  EXPECT_EQ(helpGives(true, true), std::vector<int>{});
  EXPECT_EQ(opened, QStringList{help});
  EXPECT_EQ(helpGives(false, true), std::vector<int>{ids::PDF_READER_MISSING});
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_EQ(helpGives(true, false), std::vector<int>{ids::HELP_FILE_MISSING});
  EXPECT_EQ(helpGives(false, false), std::vector<int>{ids::PDF_READER_MISSING});
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_EQ(QDir::currentPath(), QDir(dir_.path()).canonicalPath());  // the program folder, as for every launch
  qputenv("PATH", path);
}
