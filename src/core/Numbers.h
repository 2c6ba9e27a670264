#pragma once

// Number reading and rounding as the program uses them everywhere.
//
// -99 is the missing value in every input, output and statistics table.

#include <optional>
#include <string_view>

namespace vesk {

inline constexpr double kMissing = -99.0;

// True for a value that stands for "missing" (-99 or anything below it).
inline bool isMissing(double v) {
    return v <= kMissing;
}

// The leading number of a text, 0 when there is none (blanks and tabs inside
// the text are ignored, as the system's lenient reader does). "." is the
// decimal mark; "1e3" and "1d3" forms are read; "&H" hex is not.
double Val(std::string_view text);

// A number typed into a box: "," is read as "." and then Val applies.
double typedNumber(std::string_view text);

// The whole text (blanks around it allowed) must be one number; "," is
// accepted as the decimal mark. nullopt otherwise (also for an empty text).
std::optional<double> parseNumber(std::string_view text);

// Converts to an integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2). Values beyond the long range are clamped.
long roundHalfEven(double v);

// The input texts that mean "missing": "", "na", "n/a", "#n/a" (any case, blanks around allowed).
bool isMissingText(std::string_view text);

} // namespace vesk
