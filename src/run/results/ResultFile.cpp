#include "run/results/ResultFile.h"

#include "calc/Format.h"
#include "core/KeyedList.h"
#include "core/Numbers.h"
#include "core/TextIO.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

namespace vesk::results {

namespace {

const char *const kCommentsStart = "[%]Comments";
const char *const kCommentsEnd = "[%]End";
const char *const kEscape = "[%]";
const char *const kStreetLine = "Street:";

// The first cells of the column-name row and of the series rows, as the
// program (and every older installation) writes them.
const char *const kColumnNamesTitle = "Component";
const char *const kSeriesTitles[] = {"       Street Measured", "       Street Modelled", "       Background"};

// The starts of the key-information lines after the first, as a run writes them.
const char *const kKeyInfoStarts[] = {"Average Daily Traffic:", "Emission Scenario Year:", "Period Covered",
                                      "Urban Background:"};

// The lines splitLines() would make of text, counted without making them.
std::size_t lineCount(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++n;
        }
    }
    return n + (text.empty() || text.back() == '\n' || text.back() == '\r' ? 0 : 1);
}

// The lines of text as splitLines() would make them, as views into it.
std::vector<std::string_view> lineViews(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// The text without blanks, tabs, CR and LF at both ends, without copying it.
std::string_view trimmedView(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool isBlank(std::string_view line) {
    return trimmedView(line).empty();
}

std::string_view firstCell(std::string_view line) {
    return line.substr(0, line.find(';'));
}

// The line from its first ";" on: what a page line and a column-name row
// repeat on every page.
std::string_view afterFirstCell(std::string_view line) {
    const std::size_t at = line.find(';');
    return at == std::string_view::npos ? std::string_view() : line.substr(at);
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

// Built anew in one pass: replacing in place would move the rest of the text
// at every match, which for a line of a million quotes takes seconds.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        out.append(text.substr(start, at - start));
        out.append(to);
        start = at + from.size();
    }
    out.append(text.substr(start));
    return out;
}

// One item of the sections before the tables: a quoted line's text (doubled
// quotes read as one; a quote inside an older file's line is kept), or an
// unquoted line's text up to its first comma.
std::string itemOf(std::string_view line) {
    const std::string t = trim(line);
    if (t.empty()) {
        return {};
    }
    if (t.front() == '"') {
        if (t.size() >= 2 && t.back() == '"') {
            return replaceAll(t.substr(1, t.size() - 2), "\"\"", "\"");
        }
        const std::size_t close = t.find('"', 1);
        return t.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return trim(t.substr(0, t.find(',')));
}

// The cells of a table line; false, with nothing made, when one of them is
// longer than the program writes.
bool cellsOf(std::string_view line, std::vector<std::string> *cells) {
    for (std::size_t start = 0;;) {
        const std::size_t at = line.find(';', start);
        const std::size_t end = at == std::string_view::npos ? line.size() : at;
        if (end - start > kMaxResultText) {
            return false;
        }
        if (at == std::string_view::npos) {
            break;
        }
        start = at + 1;
    }
    cells->clear();
    for (std::size_t start = 0;;) {
        const std::size_t at = line.find(';', start);
        cells->emplace_back(
            line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) {
            return true;
        }
        start = at + 1;
    }
}

// The number text of a table line whose first cell reads "Page <n>", without
// leading zeros ("0" for page 0); nullopt for any other line. The digits are
// kept as text, so that no number is too large to be compared.
std::optional<std::string> pageNumberOf(std::string_view line) {
    const std::string_view first = trimmedView(firstCell(line));
    if (first.size() < 6 || !startsWithI(first, "page") || first[4] != ' ') {
        return std::nullopt;
    }
    std::string number(trimmedView(first.substr(4)));
    if (number.empty() ||
        !std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return std::nullopt;
    }
    number.erase(0, std::min(number.find_first_not_of('0'), number.size() - 1));
    return number;
}

// Which series row (0 measured, 1 modelled, 2 background) a row's first
// cell names, or -1.
int seriesOf(std::string_view label) {
    for (int k = 0; k < 3; ++k) {
        if (label == kSeriesTitles[k]) {
            return k;
        }
    }
    return -1;
}

// The cells of a table line, counted without splitting it.
std::size_t cellCount(std::string_view line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ';')) + 1;
}

// A text of the file as a message shows it: at most 40 characters, cut
// between characters of UTF-8, control characters visible.
std::string shortened(std::string_view text) {
    return visibleExcerpt(text, 40);
}

std::string lineName(std::size_t index) {
    return "Line " + std::to_string(index + 1);
}

std::string cellsText(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " cell" : " cells");
}

bool contains(const std::string &text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

bool isNumberRow(const std::string &label) {
    return contains(label, "Modelled") || contains(label, "Measured") || contains(label, "Background");
}

} // namespace

std::string resultFileText(const ResultFileContents &c) {
    std::string out;
    for (const std::string &line : c.keyInfo) {
        out += quoted(line) + kCrLf;
    }
    if (trim(c.comments).empty()) {
        out += kCrLf;
    } else {
        out += quoted(kCommentsStart) + kCrLf;
        for (const std::string &line : splitLines(c.comments)) {
            out += quoted(startsWithI(line, kEscape) ? kEscape + line : line) + kCrLf;
        }
        out += quoted(kCommentsEnd) + kCrLf;
    }
    for (const std::string &name : c.pageNames) {
        out += quoted(replaceAll(name, "; ", "/")) + kCrLf;
    }
    for (const PageTexts &page : c.pages) {
        for (const std::vector<std::string> &row : page) {
            for (std::size_t k = 0; k < row.size(); ++k) {
                if (k > 0) {
                    out += ';';
                }
                std::string cell = row[k];
                std::replace(cell.begin(), cell.end(), ';', ',');
                out += cell;
            }
            out += kCrLf;
        }
    }
    return out;
}

bool writeResultFile(const std::string &path, const ResultFileContents &contents, std::string *error) {
    const std::string text = resultFileText(contents);
    // What could not be opened again is not saved (comments typed into the
    // window have no bound of their own): the old file stays, and the
    // message says why.
    ResultFileContents back;
    std::string why;
    if (!parseResultFile(text, &back, &why)) {
        if (error != nullptr) {
            *error = "\"" + path + "\" was not written: the results file could not be opened again. " + why;
        }
        return false;
    }
    return writeFileAtomically(path, text, error);
}

bool parseResultFile(std::string_view text, ResultFileContents *contents, std::string *error) {
    auto fail = [error](const std::string &why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    const std::size_t lineTotal = lineCount(text);
    if (lineTotal > kMaxResultLines) {
        return fail("The file holds more than " + std::to_string(kMaxResultLines) +
                    " lines, more than a results file can hold.");
    }
    const std::vector<std::string_view> lines = lineViews(text);
    const std::string tooLongText =
        " is longer than any the program writes (" + std::to_string(kMaxResultText) + " characters).";
    // One item of the sections before the tables, its length checked before
    // it is copied (a quoted line holds its text with every quote doubled).
    auto item = [&](std::size_t at, std::string *out) {
        if (lines[at].size() > 2 * kMaxResultText + 64) {
            return false;
        }
        *out = itemOf(lines[at]);
        return out->size() <= kMaxResultText;
    };
    ResultFileContents c;
    std::size_t at = 0;
    for (; at < lines.size() && c.keyInfo.size() < 5; ++at) {
        std::string line;
        if (!item(at, &line)) {
            return fail(lineName(at) + ", a line of key information," + tooLongText);
        }
        c.keyInfo.push_back(std::move(line));
    }
    if (c.keyInfo.size() < 5) {
        return fail("The file holds fewer than five lines of key information.");
    }
    // The street and the time of calculation come from the first line; a
    // file without it would name the street by whatever line came first.
    if (!startsWithI(trim(c.keyInfo.front()), kStreetLine)) {
        return fail("The first line of key information, \"" + shortened(c.keyInfo.front()) +
                    "\", does not begin with \"" + kStreetLine + "\".");
    }
    // A line deleted would make the blank line after them the fifth.
    for (std::size_t k = 1; k < 5; ++k) {
        if (!startsWithI(trim(c.keyInfo[k]), kKeyInfoStarts[k - 1])) {
            return fail(lineName(k) + ", a line of key information, \"" + shortened(c.keyInfo[k]) +
                        "\", does not begin with \"" + kKeyInfoStarts[k - 1] + "\".");
        }
    }
    // Every writer of this layout ends every line, the last one too.
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
        return fail(lineName(lineTotal - 1) +
                    ", the last line of the file, has no line end: the file was cut short.");
    }
    std::string first;
    if (at < lines.size() && item(at, &first) && iequals(first, kCommentsStart)) {
        for (++at;; ++at) {
            if (at >= lines.size()) {
                return fail("The user comments of the file have no end.");
            }
            std::string line;
            if (!item(at, &line)) {
                return fail(lineName(at) + ", a line of the user comments," + tooLongText);
            }
            if (iequals(line, kCommentsEnd)) {
                ++at;
                break;
            }
            if (startsWithI(line, std::string(kEscape) + kEscape)) {
                line.erase(0, 3);
            }
            c.comments += line + kCrLf;
        }
    } else if (at < lines.size() && isBlank(lines[at])) {
        ++at;
    }
    for (; at < lines.size(); ++at) {
        const std::string_view t = trimmedView(lines[at]);
        if (t.empty()) {
            continue;
        }
        if (t.front() != '"') {
            break;
        }
        std::string name;
        if (!item(at, &name)) {
            return fail(lineName(at) + ", a page name," + tooLongText);
        }
        c.pageNames.push_back(replaceAll(name, "/", "; "));
    }
    if (at < lines.size() && !pageNumberOf(lines[at])) {
        return fail("A table row stands before the first page of the file.");
    }
    // The tables. A page is its page line, its column-name row with as many
    // cells, and rows with as many cells again: per pollutant its heading
    // row, its series rows and its limit rows. The cells are counted before
    // any line is split, so that a damaged file takes no more memory than
    // its size.
    std::size_t cellTotal = 0;
    for (std::size_t k = at; k < lines.size(); ++k) {
        cellTotal += isBlank(lines[k]) ? 0 : cellCount(lines[k]);
    }
    if (cellTotal > kMaxResultCells) {
        return fail("The tables of the file hold more than " + std::to_string(kMaxResultCells) +
                    " cells, more than a results file can hold.");
    }
    enum class Part { Names, Heading, Series, Limits };
    Part part = Part::Names;
    int lastSeries = -1;
    std::size_t columns = 0;
    std::string_view pageLine0, columnNames0;
    std::string missedPage; // a line that reads as the page due but is a row
    auto addRow = [&](std::size_t line) {
        std::vector<std::string> cells;
        if (!cellsOf(lines[line], &cells)) {
            return false;
        }
        c.pages.back().push_back(std::move(cells));
        return true;
    };
    const std::string cellTooLongText = " holds a cell longer than any the program writes (" +
                                        std::to_string(kMaxResultText) + " characters).";
    for (; at < lines.size(); ++at) {
        const std::string_view line = lines[at];
        if (isBlank(line)) {
            continue;
        }
        const std::string due = std::to_string(c.pages.size());
        std::optional<std::string> number = pageNumberOf(line);
        // Page n starts where its line and the next repeat page 0's headings
        // and column names, as on every page the program writes: a limit
        // title "Page 1" is a row.
        if (number && !c.pages.empty() &&
            !(afterFirstCell(line) == afterFirstCell(pageLine0) && at + 1 < lines.size() &&
              lines[at + 1] == columnNames0)) {
            if (*number == due && missedPage.empty()) {
                missedPage = lineName(at) + " reads \"Page " + due +
                             "\", but it and the line after it are not " +
                             "the column headings and names of page 0: page " + due + " has no start.";
            }
            number.reset();
        }
        if (number) {
            if (*number != due) {
                return fail(lineName(at) + " starts page " + shortened(*number) + " where page " + due +
                            " was expected: the pages are not in the order of their numbers.");
            }
            columns = cellCount(line);
            if (columns > kMaxPageColumns) {
                return fail(lineName(at) + ": page " + due + " has " + std::to_string(columns) +
                            " columns, more than the " + std::to_string(kMaxPageColumns) +
                            " a results page can have.");
            }
            if (at + 1 >= lines.size() || isBlank(lines[at + 1]) || pageNumberOf(lines[at + 1])) {
                return fail(lineName(at) + ": page " + due + " is not followed by its column names.");
            }
            if (const std::size_t names = cellCount(lines[at + 1]); names != columns) {
                return fail(lineName(at + 1) + ", the column names of page " + due + ", holds " +
                            cellsText(names) + " where the page line holds " + std::to_string(columns) + ".");
            }
            if (const std::string_view name = trimmedView(firstCell(lines[at + 1]));
                !iequals(name, kColumnNamesTitle)) {
                return fail(lineName(at + 1) + ", where the column names of page " + due +
                            " belong, begins with \"" + shortened(name) + "\", not \"" + kColumnNamesTitle +
                            "\".");
            }
            if (c.pages.empty()) {
                pageLine0 = line;
                columnNames0 = lines[at + 1];
            }
            c.pages.emplace_back();
            if (!addRow(at)) {
                return fail(lineName(at) + cellTooLongText);
            }
            if (!addRow(++at)) {
                return fail(lineName(at) + cellTooLongText);
            }
            part = Part::Names;
            continue;
        }
        if (const std::size_t cells = cellCount(line); cells != columns) {
            return fail(lineName(at) + " holds " + cellsText(cells) +
                        " where the column names of its page are " + std::to_string(columns) + ".");
        }
        if (!addRow(at)) {
            return fail(lineName(at) + cellTooLongText);
        }
        // The order of a pollutant's rows: its heading (no values), its
        // series in their order, its limit rows.
        const std::vector<std::string> &row = c.pages.back().back();
        const int series = seriesOf(row.front());
        const std::string page = "page " + std::to_string(c.pages.size() - 1);
        if (series >= 0) {
            const std::string what =
                lineName(at) + ", a \"" + trim(row.front()) + "\" row of " + page + ", stands ";
            const std::string why = ": the heading row of its pollutant is missing or the row was moved.";
            if (part == Part::Names) {
                return fail(what + "before the heading row of the first pollutant" + why);
            }
            if (part == Part::Limits) {
                return fail(what + "after limit rows" + why);
            }
            if (part == Part::Series && series <= lastSeries) {
                return fail(what + "after a \"" + trim(kSeriesTitles[lastSeries]) + "\" row" + why);
            }
            part = Part::Series;
            lastSeries = series;
        } else if (std::all_of(row.begin() + 1, row.end(),
                               [](const std::string &cell) { return isBlank(cell); })) {
            // A pollutant's heading (or a limit row without any limit).
            part = Part::Heading;
            lastSeries = -1;
        } else {
            if (part == Part::Names) {
                return fail(lineName(at) + ", a row of values, stands where the heading row of the first " +
                            "pollutant of " + page + " belongs.");
            }
            part = Part::Limits;
        }
    }
    if (c.pages.empty()) {
        return fail("The file holds no results table.");
    }
    if (c.pages.size() != c.pageNames.size()) {
        if (c.pages.size() < c.pageNames.size() && !missedPage.empty()) {
            return fail(missedPage);
        }
        return fail("The file holds " + std::to_string(c.pages.size()) + " results tables for " +
                    std::to_string(c.pageNames.size()) + " page names.");
    }
    *contents = std::move(c);
    return true;
}

bool readResultFile(const std::string &path, ResultFileContents *contents, std::string *error) {
    std::string text;
    if (!readTextFile(path, &text, error)) {
        return false;
    }
    return parseResultFile(text, contents, error);
}

std::optional<double> storedNumber(std::string_view text) {
    std::string t = trim(text);
    if (t.empty() || std::any_of(t.begin(), t.end(), [](unsigned char c) { return std::isspace(c) != 0; })) {
        return std::nullopt;
    }
    const std::size_t commas = static_cast<std::size_t>(std::count(t.begin(), t.end(), ','));
    const std::size_t point = t.find('.');
    if (commas > 0 && (point != std::string::npos || commas > 1)) {
        // Only thousands grouping: every comma followed by three digits up to
        // the next comma or the point.
        const std::size_t end = point == std::string::npos ? t.size() : point;
        const std::size_t digitsStart = t.front() == '-' || t.front() == '+' ? 1 : 0;
        const std::size_t firstComma = t.find(',');
        if (firstComma <= digitsStart || firstComma - digitsStart > 3 ||
            t.find(',', end) != std::string::npos) {
            return std::nullopt;
        }
        for (std::size_t at = firstComma; at < end; at += 4) {
            if (t[at] != ',' || at + 4 > end ||
                !std::all_of(t.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                             t.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                             [](unsigned char c) { return std::isdigit(c) != 0; })) {
                return std::nullopt;
            }
        }
        t.erase(std::remove(t.begin(), t.end(), ','), t.end());
    }
    return parseNumber(t);
}

namespace {

// The page without the hidden columns; the first column always stays.
PageTexts withoutColumns(const PageTexts &lines,
                         const std::vector<std::pair<std::string, std::string>> &hidden) {
    if (hidden.empty() || lines.size() < 2) {
        return lines;
    }
    const std::size_t columns = lines.front().size();
    // Heading and name as compared (blanks around them removed, letter case
    // ignored), each hidden pair looked up once per column in a sorted set.
    auto folded = [](const std::string &heading, const std::string &name) {
        return std::make_pair(foldKey(trim(heading)), foldKey(trim(name)));
    };
    std::set<std::pair<std::string, std::string>> hiddenPairs;
    for (const auto &h : hidden) {
        hiddenPairs.insert(folded(h.first, h.second));
    }
    std::vector<bool> keep(columns, true);
    for (std::size_t c = 1; c < columns && c < lines[1].size(); ++c) {
        keep[c] = hiddenPairs.count(folded(lines[0][c], lines[1][c])) == 0;
    }
    PageTexts out;
    for (const std::vector<std::string> &line : lines) {
        std::vector<std::string> kept;
        for (std::size_t c = 0; c < line.size(); ++c) {
            if (c >= columns || keep[c]) {
                kept.push_back(line[c]);
            }
        }
        out.push_back(std::move(kept));
    }
    return out;
}

} // namespace

ResultsPage storedResultsPage(const PageTexts &allLines, const std::string &numberFormat,
                              const std::vector<std::string> &dcColumnNames,
                              const std::vector<std::pair<std::string, std::string>> &hidden) {
    const PageTexts lines = withoutColumns(allLines, hidden);
    ResultsPage t;
    const std::size_t columns = lines.empty() ? 1 : std::max<std::size_t>(lines.front().size(), 1);
    t.columnWidthsTwips.assign(columns, kValueColumnTwips);
    t.columnWidthsTwips[0] = kFirstColumnTwips;

    std::vector<bool> dataCapture(columns, false);
    if (lines.size() > 1) {
        for (std::size_t c = 1; c < columns && c < lines[1].size(); ++c) {
            const std::string name = trim(lines[1][c]);
            dataCapture[c] =
                std::any_of(dcColumnNames.begin(), dcColumnNames.end(),
                            [&](const std::string &dc) { return !dc.empty() && iequals(name, dc); });
        }
    }

    for (std::size_t r = 0; r < lines.size(); ++r) {
        ResultsRow row;
        for (std::size_t c = 0; c < columns; ++c) {
            ResultsCell cell;
            cell.text = c < lines[r].size() ? lines[r][c] : std::string();
            cell.align = c == 0 ? CellAlign::Left : CellAlign::CentreTop;
            // The first two rows and the first column are the table's fixed part.
            cell.shade = r < 2 || c == 0 ? CellShade::Shaded : CellShade::Plain;
            row.cells.push_back(std::move(cell));
        }
        const std::string label = trim(row.cells[0].text);
        if (r == 0) {
            row.kind = RowKind::Headings;
            row.cells[0].shade = CellShade::White;
        } else if (r == 1) {
            row.kind = RowKind::ColumnNames;
            row.heightTwips = kColumnNamesRowTwips;
            for (std::size_t c = 1; c < columns; ++c) {
                row.cells[c].align = CellAlign::Centre;
                row.cells[c].bold = true;
            }
        } else if (std::any_of(unitTexts().begin(), unitTexts().end(),
                               [&](const std::string &u) { return contains(label, u); })) {
            row.kind = RowKind::Component;
            row.heightTwips = kComponentRowTwips;
            row.cells[0].bold = true;
        } else if (isNumberRow(label)) {
            row.kind = contains(label, "Modelled")   ? RowKind::Modelled
                       : contains(label, "Measured") ? RowKind::Measured
                                                     : RowKind::Background;
            row.cells[0].shade = CellShade::White;
            for (std::size_t c = 1; c < columns; ++c) {
                if (const std::optional<double> v = storedNumber(row.cells[c].text)) {
                    row.cells[c].text = Format(*v, numberFormat);
                }
            }
        } else {
            row.kind = RowKind::Limit;
            for (std::size_t c = 1; c < columns; ++c) {
                row.cells[c].shade = CellShade::Shaded;
                row.cells[c].bold = true;
            }
        }
        for (std::size_t c = 1; c < columns; ++c) {
            if (dataCapture[c] && r >= 1) {
                row.cells[c].italic = true;
                if (r >= 2) {
                    row.cells[c].shade = CellShade::Shaded;
                }
            }
        }
        t.rows.push_back(std::move(row));
    }
    if (!t.rows.empty()) {
        t.mergeEqualNeighbours(0);
    }
    return t;
}

} // namespace vesk::results
