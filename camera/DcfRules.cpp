#include "camera/DcfRules.h"

#include <algorithm>
#include <optional>


namespace {

// ASCII classes only: camera names are bytes, and the locale must not widen them.
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The value of `text` when it is all digits and not empty.
std::optional<int> DecimalValue(std::string_view text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit)) return std::nullopt;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

bool IsValidDcfFileName(std::string_view name, int parentKind) {
  if (name.size() != 12) return false;
  if (!std::all_of(name.begin(), name.begin() + 4, IsNameChar)) return false;
  auto number = DecimalValue(name.substr(4, 4));
  if (!number || *number < 1) return false;
  // The camera keeps 8.3 names: without the dot it would store another name.
  if (name[8] != '.') return false;
  std::string type;
  for (char c : name.substr(9)) type.push_back(Upper(c));
  if (parentKind == PARENT_DCIM) return type == "JPG";
  if (parentKind == PARENT_QXMOV) return type == "ASF";
  return false;
}

DcfVerdict IsValidDcfFolderName(std::string_view name, std::span<const std::string> paneRowNames) {
  if (name.size() < 3 || name.size() > 8) return DcfVerdict::BadForm;
  auto number = DecimalValue(name.substr(0, 3));
  if (!number || *number < 100) return DcfVerdict::BadForm;
  if (!std::all_of(name.begin() + 3, name.end(), IsNameChar)) return DcfVerdict::BadForm;
  if (paneRowNames.size() > 1 &&
      std::find(paneRowNames.begin() + 1, paneRowNames.end(), name) != paneRowNames.end())
    return DcfVerdict::Taken;
  return DcfVerdict::Ok;
}

int FindNameClash(std::string_view name, const CamEntryList& files) {
  if (std::any_of(files.begin(), files.end(), [&](const CamEntry& e) { return e.displayName == name; }))
    return CLASH_NAME;
  if (name.size() < 8) return CLASH_NONE;
  auto wanted = DecimalValue(name.substr(4, 4));
  if (!wanted) return CLASH_NONE;
  for (const CamEntry& e : files) {
    std::string_view shown = e.displayName;
    if (shown.size() < 8) continue;  // no four characters after the prefix
    if (DecimalValue(shown.substr(4, 4)) == wanted) return CLASH_NUMBER;
  }
  return CLASH_NONE;
}
