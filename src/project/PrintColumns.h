#pragma once

// Column helpers for the print lines of the project file and Run.opt.

#include <string>
#include <vector>

namespace vesk {

// A number as a print line writes it: a blank before a non-negative value,
// the shortest decimal form with ".", and one blank after.
std::string printNumber(double value);

// Items in columns of 10: item k starts at column 10 * k (k > 0), or one
// blank after the item before it when that one is wider than its column.
std::string pollutantColumns(const std::vector<std::string> &items);

} // namespace vesk
