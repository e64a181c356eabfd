// The program's string table: every text of the program under its number,
// exactly as the program shows it (misspellings and trailing blanks included).
#pragma once
#include <string>
#include <string_view>

// The compiled-in text of string `id`; empty for an unknown id.
std::string_view DefaultString(int id);

// The text of string `id` with "%s" style arguments already applied by the caller.
// Where a message concerns one file the program shows "%s\n\n%s": the name, a blank
// line and the message.
std::string FileMessage(std::string_view fileName, int id);
