#pragma once

// Reading and writing whole text files, and small text helpers.
//
// Stored files may come from older installations written in Windows-1252
// (µ and ³ occur in unit names). readTextFile() keeps valid UTF-8 as it is and
// converts anything else from Windows-1252, so the rest of the program sees
// UTF-8 only. Files are written in UTF-8.

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// Reads a whole file into *text as UTF-8. A byte-order mark is dropped.
// Returns false with a message naming the file when it cannot be read.
bool readTextFile(const std::string &path, std::string *text, std::string *error);

// Converts bytes to UTF-8: valid UTF-8 stays, otherwise Windows-1252 is assumed.
std::string toUtf8(std::string_view bytes);

// The code points of a UTF-8 text. A byte that does not start a valid
// sequence counts as one Windows-1252 character, so nothing is dropped.
std::u32string utf8CodePoints(std::string_view text);

// A UTF-8 text in Windows-1252 (for file formats that hold single-byte
// texts); characters the code page lacks become "?".
std::string utf8ToWindows1252(std::string_view text);

// Splits a text into lines at CRLF or LF (a lone CR also ends a line). A last
// line without a line end is kept; a final line end does not add an empty line.
std::vector<std::string> splitLines(std::string_view text);

// Writes bytes through a temporary file in the same folder and a rename, so a
// failed save leaves the old file whole. Returns false with a message on failure.
bool writeFileAtomically(const std::string &path, std::string_view bytes, std::string *error);

std::string trim(std::string_view s);    // removes blanks, tabs, CR and LF at both ends
std::string toLower(std::string_view s); // ASCII letters only
bool iequals(std::string_view a, std::string_view b);
bool startsWithI(std::string_view s, std::string_view prefix);
bool endsWithI(std::string_view s, std::string_view suffix);

} // namespace vesk
