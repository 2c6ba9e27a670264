#pragma once

// Reading and writing whole text files, and small text helpers.
//
// Stored files may come from older installations written in Windows-1252
// (µ and ³ occur in unit names). readTextFile() keeps valid UTF-8 as it is and
// converts anything else from Windows-1252, so the rest of the program sees
// UTF-8 only. Files are written in UTF-8.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk {

// The line end of the files and messages the program writes, as Windows programs write them.
inline constexpr const char *kCrLf = "\r\n";

// Puts text into *error where the caller asked for the message (error not null).
inline void setError(std::string *error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

// The text in double quotes: "text".
inline std::string doubleQuoted(const std::string &text) {
    return "\"" + text + "\"";
}

// The same for a step that failed: false, to be returned.
inline bool fail(std::string *error, std::string text) {
    setError(error, std::move(text));
    return false;
}

// The largest text file read whole: far beyond any list, project, format or
// text table, and small enough that a wrong file cannot exhaust the memory.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{256} << 20;

// True when path names an existing regular file (through links). Otherwise
// false with a message naming it: "The file ... is missing!", or what it is
// ("... is not a regular file but a folder: it cannot be read as a data
// file."). Only the file's status is looked at: a pipe is never opened.
bool isRegularFile(const std::string &path, std::string *error);

// Reads a whole file into *text as UTF-8. A byte-order mark is dropped.
// Returns false with a message naming the file when it cannot be read: it is
// missing, not a regular file (isRegularFile) or larger than maxBytes.
bool readTextFile(const std::string &path, std::string *text, std::string *error,
                  std::size_t maxBytes = kMaxTextFileBytes);

// Reads one line as std::getline does (up to LF, which is dropped; a CR
// stays), but takes at most maxBytes characters: a longer line gives false
// with *tooLong set, and the stream fails. False at the end of the data.
bool getLineBounded(std::istream &in, std::string &line, std::size_t maxBytes, bool *tooLong);

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
// failed save leaves the old file whole. Returns false with a message on
// failure, which gives the system's reason (writeFailureText).
bool writeFileAtomically(const std::string &path, std::string_view bytes, std::string *error);

// The message of a write to the file at path that failed with the system's
// error number err: "Cannot write the file <path>: No space left on device."
// (or "File too large", "Read-only file system", ...); without a number (0)
// "Cannot write the file <path>: the disk may be full.", as the text outputs
// say it.
std::string writeFailureText(const std::string &path, int err);

// Input text as a message shows it: every control character in caret
// notation (an end-of-file mark ^Z, a tab ^I, a carriage return ^M, a NUL
// ^@), DEL as ^?; everything else as it stands. A character that would not
// show is never left out of a message that names what a reader found.
std::string visibleText(std::string_view text);
// The same between double quotes: "0^Z".
std::string quotedText(std::string_view text);
// At most the first maxChars characters of a text, as visibleText shows
// them, with "..." after a text that was cut: for a message that quotes a
// line of a file that may be anything. The cut falls between characters of
// UTF-8, and only the part shown is looked at.
std::string visibleExcerpt(std::string_view text, std::size_t maxChars);

std::string trim(std::string_view s);    // removes blanks, tabs, CR and LF at both ends
std::string toLower(std::string_view s); // ASCII letters only
bool iequals(std::string_view a, std::string_view b);
bool startsWithI(std::string_view s, std::string_view prefix);
bool endsWithI(std::string_view s, std::string_view suffix);

} // namespace vesk
