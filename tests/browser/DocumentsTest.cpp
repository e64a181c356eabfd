// Documents opened through the desktop, in a desktop of our own: scratch XDG
// folders that hold the MIME database and, where a test wants one, a program
// for some types; a stand-in xdg-open first on the PATH writes down what it
// was asked to open.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "browser/OutsideTools.h"
#include "platform/ui/ShellLaunch.h"
#include "resources/StringIds.h"

class DocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    for (const char* name : {"PATH", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                             "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS"})
      saved_.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
    // A plain desktop: xdg-mime answers from the XDG folders alone.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS"})
      qunsetenv(name);
    for (const char* folder : {"bin", "data/applications", "system/mime", "config", "system-config", "program"})
      QDir().mkpath(Path(folder));
    qputenv("XDG_DATA_HOME", QFile::encodeName(Path("data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(Path("system")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(Path("system-config")));
    // The MIME database itself, copied, so that file types are known.
    for (const char* file : {"mime.cache", "types"})
      ASSERT_TRUE(QFile::copy(QString("/usr/share/mime/") + file, Path(QString("system/mime/") + file))) << file;
    WriteScript("bin/xdg-open", QString("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(Path("opened.log")));
    qputenv("PATH", QFile::encodeName(Path("bin")) + ":" + saved_[0].value);
    tools_.showError = [this](int id) { errors_.push_back(id); };
  }
  void TearDown() override {
    for (const Saved& s : saved_) s.set ? qputenv(s.name, s.value) : qunsetenv(s.name);
    QDir::setCurrent(cwd_);
  }

  QString Path(const QString& relative) const { return dir_.filePath(relative); }
  void Write(const QString& relative, const QByteArray& bytes) {
    QFile file(Path(relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  void WriteScript(const QString& relative, const QString& text) {
    Write(relative, text.toUtf8());
    QFile(Path(relative)).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  // A program of the desktop for `types`.
  void InstallProgram(const QString& types) {
    Write("data/applications/orin-test-viewer.desktop",
          QString("[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\nMimeType=%1\n").arg(types).toUtf8());
  }
  // What the stand-in xdg-open was given, once `count` documents arrived.
  QStringList Opened(int count) {
    QStringList lines;
    // A document that never arrives shows as too few lines in the caller's check.
    (void)QTest::qWaitFor([&] {
      QFile log(Path("opened.log"));
      lines = log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts)
                                            : QStringList();
      return lines.size() >= count;
    }, 5000);
    return lines;
  }

  struct Saved {
    const char* name;
    QByteArray value;
    bool set;
  };
  QTemporaryDir dir_;
  QList<Saved> saved_;
  QString cwd_ = QDir::currentPath();
  OutsideTools tools_{dir_.filePath("program")};
  std::vector<int> errors_;
};

TEST_F(DocumentsTest, AFileNoProgramTakesCannotBeOpened) {
  Write("notes.txt", "some notes\n");
  EXPECT_FALSE(OpenDocument(Path("notes.txt")));
  EXPECT_FALSE(tools_.LaunchTool(Path("notes.txt"), QString()));
  EXPECT_EQ(errors_, std::vector<int>{ids::CANNOT_OPEN_FILE});

  // A program for PDF documents does not open text.
  InstallProgram("application/pdf;");
  EXPECT_FALSE(OpenDocument(Path("notes.txt")));
  // Nor does a program that takes any file at all.
  InstallProgram("application/octet-stream;");
  Write("data.bin", QByteArray("\x00\x01\x02\x03\xfe\xff", 6));
  EXPECT_FALSE(OpenDocument(Path("data.bin")));
  EXPECT_FALSE(QFile::exists(Path("opened.log")));
}

TEST_F(DocumentsTest, AFileOfATypeWithAProgramOpensThroughXdgOpen) {
  InstallProgram("text/plain;");
  Write("notes.txt", "some notes\n");
  Write("main.c", "int main(void) { return 0; }\n");  // C source is a kind of plain text
  EXPECT_TRUE(OpenDocument(Path("notes.txt")));
  EXPECT_TRUE(tools_.LaunchTool(Path("main.c"), QString()));
  EXPECT_EQ(Opened(2), (QStringList{Path("notes.txt"), Path("main.c")}));
  EXPECT_TRUE(errors_.empty());
}

TEST_F(DocumentsTest, HelpWithoutAPdfReaderSaysSoWhetherOrNotTheDocumentIsThere) {
  EXPECT_FALSE(HasPdfReader());
  tools_.OpenHelp();  // no document either
  Write("program/Orin Media 5_1.pdf", "%PDF-1.4\n%%EOF\n");
  tools_.OpenHelp();
  EXPECT_EQ(errors_, (std::vector<int>{ids::PDF_READER_MISSING, ids::PDF_READER_MISSING}));
  EXPECT_FALSE(QFile::exists(Path("opened.log")));

  // With a reader the document opens; without the document the help file is missing.
  InstallProgram("application/pdf;");
  EXPECT_TRUE(HasPdfReader());
  errors_.clear();
  tools_.OpenHelp();
  EXPECT_EQ(Opened(1), QStringList{Path("program/Orin Media 5_1.pdf")});
  EXPECT_TRUE(errors_.empty());
  QFile::remove(Path("program/Orin Media 5_1.pdf"));
  tools_.OpenHelp();
  EXPECT_EQ(errors_, std::vector<int>{ids::HELP_FILE_MISSING});
}
