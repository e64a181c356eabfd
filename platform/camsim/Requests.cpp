#include "platform/camsim/Requests.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace camsim {

std::string RequestName(int request) {
  if (std::string_view name = RequestCodeName(request); !name.empty()) return std::string(name);
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%02x", request & 0xFF);
  return buf;
}

std::optional<long> ParseNumber(const std::string& text, long max) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  size_t start = hex ? 2 : 0;
  for (size_t i = start; i < text.size(); ++i)
    if (hex ? !std::isxdigit(static_cast<unsigned char>(text[i])) : !std::isdigit(static_cast<unsigned char>(text[i])))
      return std::nullopt;
  long v = std::strtol(text.c_str() + start, nullptr, hex ? 16 : 10);
  if (v < 0 || v > max) return std::nullopt;
  return v;
}

std::optional<int> ParseRequest(const std::string& text) {
  std::string upper;
  for (char c : text) upper += char(std::toupper(static_cast<unsigned char>(c)));
  for (int code : kRequestCodes)
    if (upper == RequestCodeName(code)) return code;
  if (auto v = ParseNumber(text, 0xFF)) return int(*v);
  return std::nullopt;
}

}  // namespace camsim
