#pragma once

// The page rules of a printed results summary, apart from any printer: which
// pages of the results window are printed, where a table stands on the
// sheet and how much it is shrunk, and the texts that open the printout.

#include <string>
#include <vector>

namespace vesk::results {

struct TablePlacement {
    double left = 0;  // left edge of the table and of every text line
    double scale = 1; // applied to the table in both directions
};

// A table no wider than 85 % of the sheet is centred at its natural size; a
// wider one starts at 7.5 % of the sheet's width and is shrunk to 85 % of it.
// pageWidth and gridWidth in one unit; a gridWidth of 0 or less counts as narrow.
TablePlacement placeTable(double pageWidth, double gridWidth);

// The page indexes to print (0 = the page of all receptors): with a chosen
// range, from..to with to lowered to lastPageIndex (none when from > to);
// otherwise 0..lastPageIndex.
std::vector<int> pagesToPrint(bool rangeChosen, int from, int to, int lastPageIndex);

// The lines above the first table: the result file's name, an empty line and
// the key information; then (after a gap) "User Comments:", an empty line and
// the comments, or "No User Comments". Each vector is one block.
std::vector<std::vector<std::string>> printOpeningBlocks(const std::string &resultFileName,
                                                         const std::string &keyInfo,
                                                         const std::string &comments);

// A page name printed on two lines: before and after its first ";".
std::vector<std::string> printPageTitle(const std::string &pageName);

} // namespace vesk::results
