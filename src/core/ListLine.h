#pragma once

// The list-line splitter and four tiny helpers.
//
// ReadListLine takes a line apart at blanks, semicolons, tabs and commas (the
// comma only when the decimal separator is not a comma, so that "2,5" stays
// one field). A quoted field keeps its quote characters and may hold
// separators; an empty field (two separators in a row) becomes a single blank.
// The decimal separator is a parameter: nothing global changes while a line
// is split.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// Splits one line; returns the fields in order (the first field at index 0).
// A line of blanks gives no field.
std::vector<std::string> ReadListLine(std::string_view line, std::string_view decimalSeparator);

// The 16-bit integer stored at an address.
int16_t PeekInteger(const void *address);

// The part of a text before its first NUL character.
std::string TrimNull(std::string_view text);

inline long MaxLong(long a, long b) {
    return a > b ? a : b;
}
inline long MinLong(long a, long b) {
    return a < b ? a : b;
}

} // namespace vesk
