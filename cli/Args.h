// The words after orin-cam's command word: its operands and the flags it
// takes, each flag either a switch (--replace) or one with a value (--to X).
// Flags may stand anywhere among the operands.
#pragma once
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct Args {
  std::vector<std::string> operands;
  std::set<std::string> switches;
  std::map<std::string, std::string> values;
  std::string error;  // why the words are no command line of this command; empty when they are

  bool Has(const std::string& flag) const { return switches.count(flag) > 0; }
  std::optional<std::string> Value(const std::string& flag) const;
};

// Splits `words` by the command's `switches` and `valued` flags. Any other
// word starting with "--", a flag given twice or a value missing is an error.
Args ParseArgs(const std::vector<std::string>& words, std::initializer_list<const char*> switches,
               std::initializer_list<const char*> valued = {});

// Says on stderr why a command line is wrong; the usage status (2).
int UsageError(const std::string& why);

// A whole number of seconds from `text`, within [min, max]; nothing otherwise.
std::optional<int> ParseSeconds(const std::string& text, int min, int max);
