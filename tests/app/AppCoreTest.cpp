#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/ProgramFolder.h"
#include "app/Settings.h"
#include "app/SingleInstance.h"
#include "app/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A scratch folder per test, removed afterwards.
class Scratch {
 public:
  Scratch() {
    char tmpl[] = "/tmp/orin-app-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~Scratch() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class EnvVar {
 public:
  EnvVar(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvVar() {
    if (had_) ::setenv(name_, old_.c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

void Touch(const fs::path& p, const char* text = "x") { std::ofstream(p) << text; }

}  // namespace

class SettingsTest : public ::testing::Test {
 protected:
  Scratch config_;
  EnvVar xdg_{"XDG_CONFIG_HOME", config_.path().string()};
  void SetUp() override { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(config_.path().string())); }
  void Store(const char* key, const QVariant& value) {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tesk51UISetting", "OrinMedia51");
    s.setValue(QString("OrinDataHeader/") + key, value);
  }
};

TEST_F(SettingsTest, FirstStartGivesTheDefaults) {
  AppSettings s = ReadSettings();
  EXPECT_TRUE(s.currentPath.isEmpty());
  EXPECT_EQ(s.recordMode, 0);
  EXPECT_EQ(s.timeToRecord, 90);
}

TEST_F(SettingsTest, StoredValuesRoundTripAndZeroTimeMeansNinety) {
  WriteSettings({"/home/user/Pictures", 1, 7});
  AppSettings s = ReadSettings();
  EXPECT_EQ(s.currentPath, "/home/user/Pictures");
  EXPECT_EQ(s.recordMode, 1);
  EXPECT_EQ(s.timeToRecord, 7);
  EXPECT_TRUE(fs::exists(config_.path() / "Tesk51UISetting" / "OrinMedia51.conf"));

  Store("TimeToRecord", 0);
  EXPECT_EQ(ReadSettings().timeToRecord, 90);
}

TEST_F(SettingsTest, DamagedValuesFallBackToDefaults) {
  Store("TimeToRecord", "abc");
  Store("RecordMode", 5);
  EXPECT_EQ(ReadSettings().timeToRecord, 90);
  EXPECT_EQ(ReadSettings().recordMode, 0);
  Store("TimeToRecord", -30);
  EXPECT_EQ(ReadSettings().timeToRecord, 90);
}

TEST(SingleInstanceTest, SecondInstanceIsRefusedUntilTheFirstEnds) {
  Scratch runtime;
  EnvVar xdg("XDG_RUNTIME_DIR", runtime.path().string());
  SingleInstance first;
  ASSERT_EQ(first.Acquire(), SingleInstance::Result::Acquired);

  // Another process, as a second start of the program would be.
  pid_t child = ::fork();
  if (child == 0) {
    SingleInstance second;
    ::_exit(second.Acquire() == SingleInstance::Result::AlreadyRunning ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  {  // the same process opening it again is refused too
    SingleInstance again;
    EXPECT_EQ(again.Acquire(), SingleInstance::Result::AlreadyRunning);
  }
}

TEST(SingleInstanceTest, LockIsFreedWhenItsOwnerEnds) {
  Scratch runtime;
  EnvVar xdg("XDG_RUNTIME_DIR", runtime.path().string());
  { SingleInstance first; ASSERT_EQ(first.Acquire(), SingleInstance::Result::Acquired); }
  SingleInstance next;
  EXPECT_EQ(next.Acquire(), SingleInstance::Result::Acquired);
}

TEST(SingleInstanceTest, UnusableFolderGivesTheSystemText) {
  EnvVar xdg("XDG_RUNTIME_DIR", "/nonexistent/orin");
  SingleInstance lock;
  EXPECT_EQ(lock.Acquire(), SingleInstance::Result::Failed);
  EXPECT_EQ(lock.ErrorText(), "No such file or directory");
}

TEST(TempFolderTest, PlacesFollowTheEnvironment) {
  Scratch s;
  {
    EnvVar named("ORIN_TEMP_DIR", (s.path() / "mine").string());
    EXPECT_EQ(TempFolderPath(), s.path() / "mine");
  }
  ::unsetenv("ORIN_TEMP_DIR");
  {
    // On disk in the cache home, never in the small RAM runtime folder.
    EnvVar runtime("XDG_RUNTIME_DIR", (s.path() / "run").string());
    EnvVar cache("XDG_CACHE_HOME", (s.path() / "cache").string());
    EXPECT_EQ(TempFolderPath(), s.path() / "cache" / "OrinMedia51" / "OrinMedia51Temp");
  }
  {
    EnvVar cache("XDG_CACHE_HOME", "relative/cache");  // not absolute: ignored
    EnvVar home("HOME", (s.path() / "home").string());
    EXPECT_EQ(TempFolderPath(), s.path() / "home" / ".cache" / "OrinMedia51" / "OrinMedia51Temp");
  }
}

TEST(TempFolderTest, CacheFolderIsPrivateAndNeverALink) {
  ::unsetenv("ORIN_TEMP_DIR");
  Scratch s;
  EnvVar cache("XDG_CACHE_HOME", s.path().string());
  const fs::path ours = s.path() / "OrinMedia51";
  ASSERT_EQ(TempFolderPath(), ours / "OrinMedia51Temp");
  struct stat st {};
  ASSERT_EQ(::lstat(ours.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 077, 0u);
  EXPECT_EQ(st.st_uid, ::getuid());

  // A folder left open to others is closed again.
  fs::permissions(ours, fs::perms::all);
  ASSERT_FALSE(TempFolderPath().empty());
  ASSERT_EQ(::lstat(ours.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);

  // A link planted in its place is never followed: no temporary folder at all,
  // and nothing is made or changed behind the link.
  fs::remove_all(ours);
  fs::create_directory(s.path() / "elsewhere");
  fs::permissions(s.path() / "elsewhere", fs::perms::all);
  fs::create_directory_symlink(s.path() / "elsewhere", ours);
  EXPECT_TRUE(TempFolderPath().empty());
  EXPECT_FALSE(CreateTempFolder());
  EXPECT_TRUE(fs::is_empty(s.path() / "elsewhere"));
  ASSERT_EQ(::stat((s.path() / "elsewhere").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0777u);
}

TEST(TempFolderTest, CreatedThenRemovedWithEverythingInside) {
  Scratch s;
  EnvVar named("ORIN_TEMP_DIR", (s.path() / "OrinMedia51Temp").string());
  ASSERT_TRUE(CreateTempFolder());
  ASSERT_TRUE(CreateTempFolder());  // an existing folder is fine
  fs::path t = TempFolderPath();
  Touch(t / "Temp.ASF");
  fs::create_directories(t / "sub" / "deeper");
  Touch(t / "sub" / "deeper" / "Temp0001.JPG");
  fs::permissions(t / "sub" / "deeper" / "Temp0001.JPG", fs::perms::owner_read);
  fs::permissions(t / "sub" / "deeper", fs::perms::owner_read | fs::perms::owner_exec);

  EmptyTempFolder();
  EXPECT_TRUE(fs::is_directory(t));
  EXPECT_TRUE(fs::is_empty(t));

  Touch(t / "Temp.JPG");
  RemoveTempFolder();
  EXPECT_FALSE(fs::exists(t));
}

TEST(TempFolderTest, LinksInsideAreRemovedNotFollowed) {
  Scratch s;
  fs::path outside = s.path() / "outside";
  fs::create_directories(outside);
  Touch(outside / "precious.txt");
  EnvVar named("ORIN_TEMP_DIR", (s.path() / "tmpfolder").string());
  ASSERT_TRUE(CreateTempFolder());
  fs::create_directory_symlink(outside, TempFolderPath() / "link-to-folder");
  fs::create_symlink(outside / "precious.txt", TempFolderPath() / "link-to-file");

  RemoveTempFolder();
  EXPECT_FALSE(fs::exists(TempFolderPath()));
  EXPECT_TRUE(fs::exists(outside / "precious.txt"));
}

TEST(TempFolderTest, FolderThatBecameALinkLeavesItsTargetAlone) {
  Scratch s;
  fs::path target = s.path() / "target";
  fs::create_directories(target);
  Touch(target / "keep.txt");
  fs::create_directory_symlink(target, s.path() / "temp");
  EnvVar named("ORIN_TEMP_DIR", (s.path() / "temp").string());
  EmptyTempFolder();
  RemoveTempFolder();
  EXPECT_TRUE(fs::exists(target / "keep.txt"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(s.path() / "temp")));
}

// An installed program keeps its siblings in PREFIX/lib/orinmedia; a program in
// the build tree has them beside it. A plain file of the folder's name, or no
// installed folder at all, leaves the executable's own folder.
TEST(ProgramFolderTest, InstalledFolderWhenPresentElseTheExecutablesOwn) {
  Scratch s;
  const QString prefix = QString::fromStdString(s.path().string());
  fs::create_directories(s.path() / "bin");
  EXPECT_EQ(ProgramFolderFor(prefix + "/bin", "../lib/orinmedia"), prefix + "/bin");
  fs::create_directories(s.path() / "lib");
  Touch(s.path() / "lib" / "orinmedia");
  EXPECT_EQ(ProgramFolderFor(prefix + "/bin", "../lib/orinmedia"), prefix + "/bin");
  fs::remove(s.path() / "lib" / "orinmedia");
  fs::create_directories(s.path() / "lib" / "orinmedia");
  EXPECT_EQ(ProgramFolderFor(prefix + "/bin", "../lib/orinmedia"), prefix + "/lib/orinmedia");
  EXPECT_EQ(ProgramFolderFor(prefix + "/bin/", "../lib/orinmedia/"), prefix + "/lib/orinmedia");
  EXPECT_EQ(ProgramFolderFor(prefix + "/bin", ""), prefix + "/bin");
}
