#include "cli/Args.h"

#include <algorithm>
#include <cstdio>

#include "cli/ExitStatus.h"

std::optional<std::string> Args::Value(const std::string& flag) const {
  auto it = values.find(flag);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

Args ParseArgs(const std::vector<std::string>& words, std::initializer_list<const char*> switches,
               std::initializer_list<const char*> valued) {
  auto among = [](const std::string& word, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return word == n; });
  };
  Args a;
  for (size_t i = 0; i < words.size() && a.error.empty(); ++i) {
    const std::string& w = words[i];
    if (among(w, switches)) {
      if (!a.switches.insert(w).second) a.error = w + " is given twice";
    } else if (among(w, valued)) {
      if (i + 1 >= words.size())
        a.error = w + " needs a value";
      else if (!a.values.emplace(w, words[++i]).second)
        a.error = w + " is given twice";
    } else if (w.rfind("--", 0) == 0) {
      a.error = "unknown flag " + w;
    } else {
      a.operands.push_back(w);
    }
  }
  return a;
}

std::optional<int> ParseSeconds(const std::string& text, int min, int max) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int n = std::stoi(text);
  if (n < min || n > max) return std::nullopt;
  return n;
}

int UsageError(const std::string& why) {
  std::fprintf(stderr, "orin-cam: %s\n", why.c_str());
  return kExitUsage;
}
