#include "platform/camsim/Requests.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace camsim {

namespace {

struct Named {
  int code;
  const char* name;
};

constexpr Named kNames[] = {
    {REQ_STREAM_START, "REQ_STREAM_START"},     {REQ_STREAM_STOP, "REQ_STREAM_STOP"},
    {REQ_SET_MODE, "REQ_SET_MODE"},             {REQ_STREAM_POLL, "REQ_STREAM_POLL"},
    {REQ_STILL_CAPTURE, "REQ_STILL_CAPTURE"},   {REQ_STILL_POLL, "REQ_STILL_POLL"},
    {REQ_GET_VIDEO_MODE, "REQ_GET_VIDEO_MODE"}, {REQ_GET_CAPACITY, "REQ_GET_CAPACITY"},
    {REQ_FORMAT, "REQ_FORMAT"},                 {REQ_CHANGE_DIR, "REQ_CHANGE_DIR"},
    {REQ_LIST_DIR, "REQ_LIST_DIR"},             {REQ_MEDIA_STATUS, "REQ_MEDIA_STATUS"},
    {REQ_MAKE_DIR, "REQ_MAKE_DIR"},             {REQ_DELETE, "REQ_DELETE"},
    {REQ_RENAME, "REQ_RENAME"},                 {REQ_WRITE_FILE, "REQ_WRITE_FILE"},
    {REQ_READ_FILE, "REQ_READ_FILE"},           {REQ_MEDIA_READY, "REQ_MEDIA_READY"},
    {REQ_GET_STATUS, "REQ_GET_STATUS"},
};

}  // namespace

std::string RequestName(int request) {
  for (const auto& n : kNames)
    if (n.code == request) return n.name;
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
  for (const auto& n : kNames)
    if (upper == n.name) return n.code;
  if (auto v = ParseNumber(text, 0xFF)) return int(*v);
  return std::nullopt;
}

}  // namespace camsim
