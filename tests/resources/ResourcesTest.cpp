// The resource lookup: the program's own resources, and a TESKRES.rcc in the
// program folder taking precedence for what it holds.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace {

// Writes a resource file with one bitmap and two strings, as a restyled
// TESKRES.rcc would hold them.
QString MakeOverride(const QTemporaryDir& dir) {
  QDir(dir.path()).mkpath("src/bitmaps");
  QImage red(40, 30, QImage::Format_RGB32);
  red.fill(Qt::red);
  red.save(dir.filePath("src/bitmaps/108.png"));
  QFile strings(dir.filePath("src/strings.txt"));
  strings.open(QIODevice::WriteOnly);
  strings.write("134\tNo stick here!\n171\tline one\\nline two\nnot a line\n"
                "153\tReplace it?\n180\tFolders again...\n");
  strings.close();
  QFile qrc(dir.filePath("src/teskres.qrc"));
  qrc.open(QIODevice::WriteOnly);
  qrc.write("<RCC><qresource prefix=\"/\"><file>bitmaps/108.png</file><file>strings.txt</file>"
            "</qresource></RCC>");
  qrc.close();
  QProcess rcc;
  rcc.setWorkingDirectory(dir.filePath("src"));
  rcc.start(ORIN_RCC, {"-binary", "teskres.qrc", "-o", dir.filePath("TESKRES.rcc")});
  rcc.waitForFinished();
  return dir.path();
}

}  // namespace

TEST(ResourcesTest, ProgramResourcesServeWithoutAnOverride) {
  EXPECT_FALSE(resources::LoadOverride("/nonexistent"));
  EXPECT_EQ(resources::String(ids::NO_MEMORY), "No Memory!");
  EXPECT_EQ(resources::BitmapImage(108).size(), QSize(730, 554));
  EXPECT_FALSE(resources::Icon(105).isNull());
  EXPECT_TRUE(resources::BitmapImage(9999).isNull());
}

TEST(ResourcesTest, OverrideTakesPrecedenceForWhatItHolds) {
  QTemporaryDir dir;
  ASSERT_TRUE(resources::LoadOverride(MakeOverride(dir)));
  EXPECT_EQ(resources::BitmapImage(108).size(), QSize(40, 30));
  EXPECT_EQ(resources::String(134), "No stick here!");
  EXPECT_EQ(resources::String(171), "line one\nline two");
  // The program's other lookups, the file operations' among them, see the same texts.
  EXPECT_EQ(StringText(ids::ADD_DEFAULT_FOLDER), "Folders again...");
  EXPECT_EQ(FileMessage("DCAM0001.JPG", ids::REPLACE_QUESTION), "DCAM0001.JPG\n\nReplace it?");
  // What the override does not hold still comes from the program.
  EXPECT_EQ(resources::BitmapImage(109).size(), QSize(28, 28));
  EXPECT_EQ(resources::String(ids::WRITE_PROTECTED), "Memory Stick is write protected.");

  resources::UnloadOverride();
  EXPECT_EQ(resources::BitmapImage(108).size(), QSize(730, 554));
  EXPECT_EQ(resources::String(134), "No Memory!");
  EXPECT_EQ(StringText(ids::ADD_DEFAULT_FOLDER), "Add Default Folder...");
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
