#pragma once

// Result files (.res): the key information, the user comments and the
// finished table of every page of the results window, as text, so that the
// window can show them again without a run.
//
// Layout, lines ended by CR LF, no header:
//   1. the key-information lines, one quoted line each (five from a run),
//      the first "Street: <name>   Calculated on: <time>";
//   2. "[%]Comments", every comment line quoted, "[%]End" -- or one empty
//      line when there are no comments;
//   3. one quoted line per page name, "; " written as "/";
//   4. per page, every table row with its cells separated by ";"; the first
//      cell of a page's first row is "Page <n>", n counting the pages from 0
//      in file order; the second row holds the column names; every row of a
//      page has as many cells as its first.
// A double quote inside a quoted line is written twice; a comment line that
// begins with "[%]" gets one more "[%]" in front, so that no comment can end
// the comments early. Files of older installations (quotes not doubled,
// Windows-1252 text) are read as well. Only a first cell "Page <n>" starts a
// page. Saves go through a temporary file and a rename.

#include "run/results/ResultsTable.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::results {

using PageTexts = std::vector<std::vector<std::string>>; // rows of cells

struct ResultFileContents {
    std::vector<std::string> keyInfo;   // the key-information lines
    std::string comments;               // each line followed by CR LF ("" = none)
    std::vector<std::string> pageNames; // as the page list shows them ("; ")
    std::vector<PageTexts> pages;       // one per page name
};

// The file's text. A ";" inside a cell would split it in two and is written
// as ","; comments of blanks only are written as none.
std::string resultFileText(const ResultFileContents &contents);

// Writes the file through a temporary file; false with a message naming the
// file when it could not be written (the old file then stays whole).
bool writeResultFile(const std::string &path, const ResultFileContents &contents, std::string *error);

// Reads a result file's text. False with the reason (naming the line where
// it can) when it is not a result file: fewer than five key-information
// lines, a first one that is not the street's, comments without their end,
// no page, a table row before the first page, a page number out of order, a
// page without its column-name row, a row with more or fewer cells than its
// page's column names, a page wider than a results page can be, or not one
// page per page name. Blank lines between table rows are skipped. Memory
// follows the size of the text, whatever it holds. Nothing changes on failure.
bool parseResultFile(std::string_view text, ResultFileContents *contents, std::string *error);
bool readResultFile(const std::string &path, ResultFileContents *contents, std::string *error);

// The value of a stored number cell: the whole trimmed text must be a number
// with "." or a single "," as decimal mark, or with "," grouping thousands
// before a "." ("1,234.5"). nullopt for anything else ("--", "n/a", "").
std::optional<double> storedNumber(std::string_view text);

// The table of a stored page, as parseResultFile gives it (every row as wide
// as the first), as the window shows it: numbers of the measured,
// modelled and background rows re-formatted with numberFormat (other texts
// unchanged), component rows recognised by their unit text, limit rows
// shaded and bold, and the data-capture columns (named by dcColumnNames,
// letter case ignored) shaded and in italics. The columns named in hidden
// (section heading, column name; letter case ignored) are left out.
ResultsPage storedResultsPage(const PageTexts &lines, const std::string &numberFormat,
                              const std::vector<std::string> &dcColumnNames,
                              const std::vector<std::pair<std::string, std::string>> &hidden = {});

} // namespace vesk::results
