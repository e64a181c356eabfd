// The few pieces of JSON orin-cam writes for scripts (ls --json, info --json).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// `text` as a JSON string, quotes included. Bytes outside printable ASCII are
// written as \u00XX (the byte as a Latin-1 character), so that the output is
// valid JSON whatever a camera puts into a name.
std::string JsonString(std::string_view text);
// A number, or null when there is none.
std::string JsonNumber(std::optional<uint64_t> n);
