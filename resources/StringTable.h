// The program's string table: every text of the program under its number,
// exactly as the program shows it (misspellings and trailing blanks included).
//
// A resource library (TESKRES) may hold texts of its own: once they are set
// here, every text the program shows comes from them where they hold one.
#pragma once
#include <map>
#include <string>
#include <string_view>

// The compiled-in text of string `id`; empty for an unknown id.
std::string_view DefaultString(int id);

// The text of string `id` as the program shows it: the resource library's
// when it holds one, else the compiled-in one. Safe from any thread.
std::string StringText(int id);
// The resource library's texts by number (an empty table: none).
void SetOverrideStrings(std::map<int, std::string> texts);

// Where a message concerns one file the program shows "%s\n\n%s": the name, a
// blank line and the text of string `id`.
std::string FileMessage(std::string_view fileName, int id);
