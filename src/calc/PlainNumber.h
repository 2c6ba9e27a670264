#pragma once

// The plain form of a number (see plainNumberText in Format.h) written into
// a buffer of the caller's, for rows built without a string per cell.

namespace vesk {

// Room enough for any plain form.
inline constexpr int kPlainNumberChars = 80;

// Writes plainNumberText(value, significantDigits) into `to` and gives the
// end of the text.
char *writePlainNumber(double value, int significantDigits, char *to);

} // namespace vesk
