#include "cli/Json.h"

#include <cstdio>

std::string JsonString(std::string_view text) {
  std::string s = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      s += '\\';
      s += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      s += ch;
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      s += esc;
    }
  }
  return s + "\"";
}

std::string JsonNumber(std::optional<uint64_t> n) { return n ? std::to_string(*n) : "null"; }
