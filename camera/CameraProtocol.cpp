#include "camera/CameraProtocol.h"

#include <algorithm>
#include <ctime>

namespace {

template <size_t N>
std::optional<std::array<uint8_t, N>> MakeField(std::string_view name) {
  if (name.size() >= N) return std::nullopt;  // no room for the terminating zero
  std::array<uint8_t, N> field{};
  std::copy(name.begin(), name.end(), field.begin());
  return field;
}

// Bytes [from, from + width) up to the first zero byte.
template <size_t N>
std::string FieldText(const std::array<uint8_t, N>& bytes, size_t from, size_t width) {
  std::string text;
  for (size_t i = from; i < from + width && i < N && bytes[i] != 0; ++i)
    text.push_back(static_cast<char>(bytes[i]));
  return text;
}

}  // namespace

std::optional<FileNameField> MakeFileNameField(std::string_view name) {
  return MakeField<kFileNameField>(name);
}

std::optional<FolderNameField> MakeFolderNameField(std::string_view name) {
  return MakeField<kFolderNameField>(name);
}

uint32_t PackFatTime(const CamDateTime& t) {
  // (year + 68) keeps its low 7 bits: the same as year - 1980 for 1980..2107.
  uint32_t date = (static_cast<uint32_t>(t.year + 68) & 0x7F) << 9 |
                  (static_cast<uint32_t>(t.month) & 0x0F) << 5 |
                  (static_cast<uint32_t>(t.day) & 0x1F);
  uint32_t time = (static_cast<uint32_t>(t.hour) & 0x1F) << 11 |
                  (static_cast<uint32_t>(t.minute) & 0x3F) << 5;
  return date << 16 | time;
}

std::array<uint8_t, 4> FatTimeBytes(const CamDateTime& t) {
  uint32_t v = PackFatTime(t);
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

CamDateTime DecodeFatTime(uint16_t time, uint16_t date) {
  CamDateTime t;
  t.year = date / 512 + 1980;
  t.month = (date / 32) % 16;
  t.day = date % 32;
  t.hour = time / 2048;
  t.minute = (time / 32) % 64;
  return t;
}

bool IsCalendarTime(const CamDateTime& t) {
  if (t.year < 1980 || t.year > 2107 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  return t.day <= kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
}

CamDateTime LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

PollReply DecodePollReply(const std::array<uint8_t, kPollReplyLength>& reply) {
  return {reply[0] != 0, ReadLe32(&reply[1])};
}

VideoFormat DecodeVideoMode(uint8_t mode, VideoFormat previous) {
  if (mode == 1 || mode == 3) return {320, 240};
  if (mode == 0 || mode == 2) return {352, 288};
  return previous;
}

Capacity DecodeCapacity(const std::array<uint8_t, kCapacityReplyLength>& reply) {
  return {ReadLe32(&reply[0]), ReadLe32(&reply[4])};
}

MediaStatus DecodeMediaStatus(const std::array<uint8_t, kMediaStatusReplyLength>& reply) {
  MediaStatus s;
  s.settled = reply[0] != 0;
  s.notFormatted = reply[2] == MEDIA_NOT_FORMATTED;
  s.notSupported = reply[2] == MEDIA_NOT_SUPPORTED;
  s.writeProtected = reply[3] == 1;
  s.present = reply[4] != 0;
  return s;
}

DirRecord DecodeDirRecord(const std::array<uint8_t, kDirRecordLength>& record) {
  DirRecord r;
  r.endOfListing = std::all_of(record.begin(), record.begin() + 8, [](uint8_t b) { return b == 0xFF; });
  if (r.endOfListing) return r;
  r.name = FieldText(record, 0, 8);
  r.extension = FieldText(record, 8, 3);
  r.time = ReadLe16(&record[22]);
  r.date = ReadLe16(&record[24]);
  r.size = ReadLe32(&record[28]);
  return r;
}

bool IsSafeCameraName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || u < 0x20 || u == 0x7F;
  });
}
