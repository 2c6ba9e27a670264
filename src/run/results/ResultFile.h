#pragma once

// Result files (.res): the key information, the user comments and the
// finished table of every page of the results window, as text, so that the
// window can show them again without a run.
//
// Layout, lines ended by CR LF (the last one too), no header:
//   1. the five key-information lines, one quoted line each, beginning as a
//      run writes them: "Street: <name>   Calculated on: <time>",
//      "Average Daily Traffic: ", "Emission Scenario Year: ",
//      "Period Covered", "Urban Background: ";
//   2. "[%]Comments", every comment line quoted, "[%]End" -- or one empty
//      line when there are no comments;
//   3. one quoted line per page name, "; " written as "/";
//   4. per page, every table row with its cells separated by ";": the page
//      line, whose first cell is "Page <n>", n counting the pages from 0 in
//      file order; the column names, first cell "Component"; then per
//      pollutant its heading row (no values), its series rows ("Street
//      Measured", "Street Modelled", "Background" after seven blanks, in this
//      order, each at most once) and its limit rows. Every row of a page has
//      as many cells as its page line.
// A double quote inside a quoted line is written twice; a comment line that
// begins with "[%]" gets one more "[%]" in front, so that no comment can end
// the comments early. Files of older installations (quotes not doubled,
// Windows-1252 text) are read as well.
// The file has no marker a text could imitate: a table line "Page <n>"
// starts a page only where page n is due and when it and the line after it
// repeat page 0's page line (from the second cell on) and column names, as
// every page of a results window does. So a limit title "Page 1", "End" or
// "[%]End" is read back as written. (A limit title reading exactly as a
// series row, its seven blanks included, is taken for one.)
// Older installations wrote the same layout and ended every line, the last
// one too; a file whose last line has no line end was cut short.
// Saves go through a temporary file and a rename.

#include "core/KeptSizes.h"
#include "run/results/ResultsTable.h"
#include "run/results/StreetResultsView.h"

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
// file when it could not be written or would not open again (a comment line
// longer than kMaxResultText, more comment lines than the lines bound
// leaves): the old file then stays whole.
bool writeResultFile(const std::string &path, const ResultFileContents &contents, std::string *error);

// Bounds of a result file, each above what the program writes with room to
// spare and low enough that a page at the bound opens in the window within
// a few seconds. A results page has the component column, seven statistics
// columns and one column per percentile definition of the three families.
inline constexpr std::size_t kWidestResultsPage = 8 + 3 * static_cast<std::size_t>(kMaxPercentileDefinitions);
// Twice the widest page the lists can make (308): room for the lists of
// older installations.
inline constexpr std::size_t kMaxPageColumns = 2 * kWidestResultsPage;
// The rows of one pollutant: its heading, three series, its limit rows.
inline constexpr std::size_t kMaxPollutantRows = 4 + static_cast<std::size_t>(kMaxLimitValueRows);
// The program writes three pages (the larger side, each receptor); comments
// get room for ten thousand lines.
inline constexpr std::size_t kResultPages = 3;
inline constexpr std::size_t kMaxCommentLines = 10000;
// Lines: every pollutant a saved multi-street results file may hold
// (msr::kMaxPollutants) with all its rows on every page,
// the comments, the key information, the comment markers and page names.
inline constexpr std::size_t kMaxResultLines =
    kResultPages * (2 + static_cast<std::size_t>(msr::kMaxPollutants) * kMaxPollutantRows) +
    kMaxCommentLines + 5 + 2 + kResultPages;
// Cells of all tables: every pollutant the lists keep with all its rows on
// every page, each page of the widest kind (2,496,648): what a run at the
// lists' bounds writes, so that it opens again. A page's time and memory
// follow its cells: in the window, on one core, a page holding them all
// opens in about two seconds (bench/result_window_bench).
inline constexpr std::size_t kMaxResultCells =
    kResultPages * (2 + static_cast<std::size_t>(msr::kMaxPollutants) * kMaxPollutantRows) * kWidestResultsPage;
// The longest text of a line before the tables or of a cell: one field the
// program keeps and the words and blanks it writes around it.
inline constexpr std::size_t kMaxResultText = kMaxFieldText + 4096;

// Reads a result file's text. False with the reason (naming the line where
// it can) when it is not a result file: fewer than five key-information
// lines or one that does not begin as a run writes it, comments without
// their end, no page, a table row before the first page, a page number out
// of order, a page without its column-name row, a pollutant's rows out of
// the order above, a row with more or fewer cells than its page's column
// names, a text longer than the program writes, more lines, cells or columns
// than the bounds above, a last line without its line end (a cut file), or
// not one page per page name. Blank lines between table rows are skipped.
// Memory follows the size of the text, whatever it holds. Nothing changes on
// failure.
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
