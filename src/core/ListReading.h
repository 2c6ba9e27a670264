#pragma once

// Shared by the reference-list readers: opening a list file, the failures a
// load can end with, and their error numbers and texts.
//
// A reader throws; the entry points (start-up, the country-list load, the
// limit-value reader) catch and turn the failure into the program's messages
// or ErrorCode. The numbers are the ones the rest of the program knows:
// 62 reading past the end of a file, 53 a missing file, 75 a name that is
// no regular file, 13 a field of the wrong type, 457 a duplicate key, 5
// anything else.

#include "core/RecordIO.h"

#include <exception>
#include <stdexcept>
#include <string>

namespace vesk {

inline constexpr int kErrEndOfFile = 62;
inline constexpr int kErrFileMissing = 53;
inline constexpr int kErrTypeMismatch = 13;
inline constexpr int kErrOverflow = 6; // a count or size beyond what its field can hold
inline constexpr int kErrDuplicateKey = 457;
inline constexpr int kErrPathAccess = 75; // a name that is no regular file (a folder, a pipe)
inline constexpr int kErrOther = 5;

inline const char *const kDuplicateKeyText =
    "This key is already associated with an element of this collection";

class MissingFileError : public std::runtime_error {
public:
    explicit MissingFileError(const std::string &path)
        : std::runtime_error("The file " + path + " is missing!") {}
};

class ListLoadError : public std::runtime_error {
public:
    ListLoadError(int number, const std::string &text) : std::runtime_error(text), m_number(number) {}
    int number() const { return m_number; }

private:
    int m_number;
};

// Opens path (the exact name first, then one that matches without regard to
// letter case), reads it whole and stores the path in *listFileName. Throws
// MissingFileError when there is no such file, ListLoadError kErrPathAccess
// when the name is a folder, a device or a pipe, and ListLoadError when it
// cannot be read.
RecordReader openListFile(const std::string &path, std::string *listFileName);

struct ListFailure {
    int number = kErrOther;
    std::string text; // the failure's own text
};

// Describes the exception being handled (call inside a catch block).
ListFailure currentListFailure();

// Replaces every occurrence of what (letter case ignored) by with.
std::string replaceAllNoCase(const std::string &text, const std::string &what, const std::string &with);

// True when part occurs in text, letter case ignored.
bool containsNoCase(const std::string &text, const std::string &part);

} // namespace vesk
