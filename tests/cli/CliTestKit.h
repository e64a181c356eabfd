// orin-cam's command line run in-process against the simulator, with instant
// protocol pacing: its exit status, what it printed on stdout and on stderr
// (the process's fd 2, where every message goes), and a PC folder of its own.
#pragma once
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/TerminalUi.h"
#include "platform/ui/Pacing.h"
#include "tests/support/SimDriver.h"

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out, err;
};

inline std::string Slurp(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  return s;
}

inline std::string SlurpFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const fs::path& p, const std::string& bytes, time_t mtime = 0) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
  if (mtime) {
    timespec times[2] = {{mtime, 0}, {mtime, 0}};
    utimensat(AT_FDCWD, p.c_str(), times, 0);
  }
}

inline time_t LocalMinute(int year, int month, int day, int hour, int minute) {
  tm t{};
  t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day, t.tm_hour = hour, t.tm_min = minute;
  t.tm_isdst = -1;
  return mktime(&t);
}

inline time_t MTime(const fs::path& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mtime;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPacing(&pacing);
    std::string pattern = (fs::temp_directory_path() / "orin-cli-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    pc = pattern;
  }
  void TearDown() override {
    SetPacing(nullptr);
    std::error_code ec;
    fs::remove_all(pc, ec);
  }

  // orin-cam ARGS... against `driver`.
  CliRun Run(CameraDriver& driver, std::vector<std::string> args) {
    args.insert(args.begin(), "orin-cam");
    CliRun r;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(fileno(err), 2);
    TerminalUi ui(stderr);
    r.status = RunCli(driver, ui, args, out, stderr);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    r.out = Slurp(out);
    r.err = Slurp(err);
    std::fclose(out);
    std::fclose(err);
    return r;
  }
  CliRun Run(std::vector<std::string> args) { return Run(camera, std::move(args)); }

  // A file on the camera's stick, dated as the camera keeps dates.
  void OnStick(const std::string& path, const std::string& bytes, time_t mtime = LocalMinute(2003, 9, 17, 10, 25)) {
    WriteFile(stick.Path() / path, bytes, mtime);
  }

  InstantPacing pacing;
  TempStick stick;
  SimDriver camera{stick.Path()};
  fs::path pc;
};

#define EXPECT_HAS(haystack, needle) EXPECT_NE(std::string(haystack).find(needle), std::string::npos) << (haystack)
#define EXPECT_HAS_NOT(haystack, needle) EXPECT_EQ(std::string(haystack).find(needle), std::string::npos) << (haystack)
