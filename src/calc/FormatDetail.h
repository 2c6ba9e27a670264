#pragma once

// Pieces of the formatter shared by its number and date parts. Internal to
// src/calc/Format*.cpp.

#include "calc/Format.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vesk::format_detail {

// Days since 30 December 1899 (with the time as the fraction) and back.
DateTimeParts fromSerial(double serial);
double toSerial(const DateTimeParts &t);
// A date/time pattern section applied to a date and time.
std::string formatDateSection(const DateTimeParts &t, std::string_view pattern);
// A text pattern ("@", "&", "!", "<", ">") applied to a text.
std::string formatText(std::string_view text, std::string_view pattern);
// The significant digits of |v| (finite, not 0) rounded by its exact value
// to `significant` (1..15) digits, without trailing zeros, and in *point the
// number of digits before the decimal point ("123", 1 for 1.23; 0 for
// 0.123). Worked out by one scaling in double precision when that is sure to
// agree with the exact value, else (and always when exactRoute) through
// std::to_chars.
std::string decimalDigits(double v, int significant, bool exactRoute, int *point);
// s holds `what` at position i, letter case ignored.
bool startsWithI(std::string_view s, std::size_t i, std::string_view what);

} // namespace vesk::format_detail
