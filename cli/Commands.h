// The commands of orin-cam. Each takes its arguments after the command word,
// prints its result on stdout and its messages on stderr (through the
// terminal's UI), and answers the exit status (cli/ExitStatus.h).
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class CameraDriver;
class TerminalUi;

// What every command works with.
struct CliContext {
  CameraDriver& driver;
  TerminalUi& ui;
  std::FILE* out;
};

struct CliCommand {
  const char* name;
  const char* usage;  // arguments, for the help text
  const char* help;
  int (*run)(CliContext& cx, const std::vector<std::string>& args);
};

const std::vector<CliCommand>& CliCommands();
// Runs argv[1..]: the global flags (--timeout S, anywhere; --version, help),
// then the command. Prints the usage for a wrong command line (status 2).
int RunCli(CameraDriver& driver, TerminalUi& ui, const std::vector<std::string>& argv, std::FILE* out,
           std::FILE* err);
