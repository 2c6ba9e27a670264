#pragma once

// Pieces of the formatter shared by its number and date parts. Internal to
// src/calc/Format*.cpp.

#include "calc/Format.h"

#include <cstddef>
#include <memory>
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
// A number pattern taken apart into its sections ("positive;negative;zero")
// and placeholders, once, for many numbers.
struct NumberPattern;
std::shared_ptr<const NumberPattern> numberPattern(std::string_view pattern);
// Appends a number in a number pattern to out: a Double (significant 15) or
// Single (7) by its decimal digits, a Long by its own.
void appendNumber(const NumberPattern &pattern, double v, int significant, std::string &out);
void appendNumber(const NumberPattern &pattern, long v, std::string &out);
// Appends plainNumberText(v, significant) to out.
void appendPlainNumber(double v, int significant, std::string &out);
// A text that is one whole number (blanks around it allowed, "." as the
// point, an optional exponent) and its value; false for any other text.
bool wholeNumber(std::string_view text, double *v);
// s holds `what` at position i, letter case ignored.
bool startsWithI(std::string_view s, std::size_t i, std::string_view what);

} // namespace vesk::format_detail
