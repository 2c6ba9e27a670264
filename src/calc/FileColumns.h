#pragma once

// The column layout of an output or statistics file from its format and
// scaling lists, and its header row.
//
// A format list is read in pairs (width, format) for columns 1, 2, ...: a
// width "*" keeps the default 14, a number gives the width (see appendCell
// in Format.h for its meaning), a format "*" is the empty pattern. The last
// pair serves all further columns. A list of one item is ignored. A scaling
// list gives one factor per column: "*" or an empty item is 1, "," reads as
// ".".

#include <string>
#include <vector>

namespace vesk {

inline constexpr int kDefaultColumnWidth = 14;
// The widest column a format list may ask for (either sign): wider columns
// are refused rather than padding every cell with megabytes of blanks.
inline constexpr int kMaxColumnWidth = 1000;

// Reads a format list (already split into items) for columnCount columns.
// Returns 0, 9700 (a width that is neither "*" nor a number from
// -kMaxColumnWidth to kMaxColumnWidth) or 9800 (a width without its
// format). widths and formats get columnCount entries.
long readFormatList(const std::vector<std::string> &items, std::size_t columnCount, std::vector<int> *widths,
                    std::vector<std::string> *formats);

// Reads a scaling list; columns beyond it keep the factor 1. Returns 0 or
// 9801 with the offending item in *badItem (no number, or one larger than
// a Single holds).
long readScalingList(const std::vector<std::string> &items, std::size_t columnCount,
                     std::vector<float> *factors, std::string *badItem);

// The header row: each column's name ("?" written as one blank; for a
// statistics file one leading and one trailing double quote removed) joined
// by the width rule with ";".
std::string headerRow(const std::vector<std::string> &names, const std::vector<int> &widths,
                      bool statisticsFile);

// The entry a column keyword names: the longest of `names` that occurs in
// the keyword (letter case ignored), the later one among equally long names;
// `none` when no name occurs. With skipFirstCharacter the match must begin
// at the keyword's second character or later (the prefix letter of "c", "q",
// "n" keywords never counts), as for hourly columns; a "dailyav" column of a
// statistics file matches anywhere. Positions are returned as indices of
// `names` plus `firstIndex` (0 for pollutants, 1 for vehicle categories).
int columnBinding(const std::string &keyword, const std::vector<std::string> &names, int firstIndex, int none,
                  bool skipFirstCharacter);

} // namespace vesk
