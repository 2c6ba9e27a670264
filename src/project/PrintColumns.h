#pragma once

// Column helpers for the print lines of the project file and Run.opt.
//
// A print line never wraps: where an item is wider than its column, the next
// item follows after one blank instead of starting a new line, so every value
// stays on the line its reader expects.

#include <string>
#include <vector>

namespace vesk {

// A number as a print line writes it: a blank before a non-negative value,
// the shortest decimal form with ".", and one blank after.
std::string printNumber(double value);

// Continues line at column (1-based): pads with blanks up to it, or adds one
// blank when the line already reaches the column.
void padToColumn(std::string &line, int column);

// Items in columns of 10: item k starts at column 10 * k + 1 (k > 0).
std::string pollutantColumns(const std::vector<std::string> &items);

} // namespace vesk
