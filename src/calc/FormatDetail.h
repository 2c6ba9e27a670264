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
// s holds `what` at position i, letter case ignored.
bool startsWithI(std::string_view s, std::size_t i, std::string_view what);

} // namespace vesk::format_detail
