// The commands of orin-cam. Each takes its arguments after the command word,
// prints its result on stdout and its messages through the session's UI, and
// answers the exit status.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class CameraDriver;
class CameraUi;

struct CliCommand {
  const char* name;
  const char* usage;  // arguments, for the help text
  const char* help;
  int (*run)(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& args, std::FILE* out);
};

const std::vector<CliCommand>& CliCommands();
// Runs argv[1..]; prints usage for an unknown command.
int RunCli(CameraDriver& driver, CameraUi& ui, const std::vector<std::string>& argv, std::FILE* out,
           std::FILE* err);
