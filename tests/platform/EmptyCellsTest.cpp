// Empty cells among full rows, as each program saves them: 1-2-3 leaves an
// empty cell without a record (and so did earlier versions of this program
// for a value of -99), Excel too, or writes a blank where the cell has a
// format of its own; our writers write blanks (.wk1, .wks) or no record
// (.wk3, .wk4, .xls); a text table has an empty item. Every kind of table
// reads such a cell as a missing value, even where its row and its column
// hold every other cell, and every other cell as it is.

#include "platform/XlsRecords.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <utility>

namespace vesk {
namespace {

using test::TempDir;

const std::vector<std::string> kNames = {"hour", "u_mast", "wind_dir", "temperature"};
// The empty cells, by row (the names' row is 0) and column.
const std::set<std::pair<std::size_t, std::size_t>> kEmpty = {{5, 1}, {12, 0}, {17, 2}, {30, 3}};

// Thirty hours of four values, the cells of kEmpty empty.
tables::Sheet thirtyHours() {
    tables::Sheet sheet{"Met", {}};
    sheet.rows.emplace_back(kNames.begin(), kNames.end());
    for (std::size_t r = 1; r <= 30; ++r) {
        std::vector<Cell> row;
        for (std::size_t c = 0; c < kNames.size(); ++c) {
            if (kEmpty.count({r, c}) != 0) {
                row.emplace_back(std::monostate{});
            } else {
                row.emplace_back(static_cast<double>(r * 10 + c) + 0.5);
            }
        }
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

// The records of a release 1A/2 file without its blanks.
std::string withoutBlanks(const std::string &bytes) {
    std::string out;
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        const std::size_t end = at + 4 + tables::get16(bytes, at + 2);
        if (tables::get16(bytes, at) != 0x000C) {
            out += bytes.substr(at, end - at);
        }
        at = end;
    }
    return out;
}

// The workbook as Excel saves cells formatted but empty: a blank each.
std::string workbookWithBlanks(const tables::Sheet &sheet) {
    using namespace test::xls;
    Book book;
    std::string cells;
    for (std::size_t c = 0; c < kNames.size(); ++c) {
        cells += labelSst(0, static_cast<int>(c), static_cast<int>(c));
        book.strings.push_back(kNames[c]);
    }
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < kNames.size(); ++c) {
            const Cell &cell = sheet.rows[r][c];
            cells += isNull(cell)
                         ? blank(static_cast<int>(r), static_cast<int>(c), 15)
                         : number(static_cast<int>(r), static_cast<int>(c), 15, std::get<double>(cell));
        }
    }
    book.sheets.push_back({"Met", cells, static_cast<std::uint32_t>(sheet.rows.size()),
                           static_cast<std::uint16_t>(kNames.size())});
    return book.file();
}

std::string textTable(const tables::Sheet &sheet) {
    std::string out;
    for (const auto &row : sheet.rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += c > 0 ? ";" : "";
            if (const auto *v = std::get_if<double>(&row[c])) {
                char number[32];
                std::snprintf(number, sizeof number, "%.17g", *v);
                out += number;
            } else if (const auto *s = std::get_if<std::string>(&row[c])) {
                out += *s;
            }
        }
        out += "\r\n";
    }
    return out;
}

struct Saved {
    const char *name;
    const char *file;
    const char *table;
    std::function<std::string(const tables::Sheet &)> bytes;
};

void PrintTo(const Saved &s, std::ostream *os) {
    *os << s.name;
}

class EmptyCells : public testing::TestWithParam<Saved> {};

TEST_P(EmptyCells, AreMissingValuesAndEveryOtherCellIsRead) {
    TempDir dir;
    const tables::Sheet sheet = thirtyHours();
    const auto file = dir.write(GetParam().file, GetParam().bytes(sheet)).string();
    TableData t;
    std::string error;
    ASSERT_TRUE(readTable(file, GetParam().table, &t, &error)) << error;
    EXPECT_EQ(t.fields, kNames);
    ASSERT_EQ(t.rows.size(), 30u);
    for (std::size_t r = 1; r <= 30; ++r) {
        ASSERT_EQ(t.rows[r - 1].size(), kNames.size()) << "row " << r;
        for (std::size_t c = 0; c < kNames.size(); ++c) {
            EXPECT_EQ(t.rows[r - 1][c], sheet.rows[r][c]) << tables::cellName(c, r);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EmptyCells,
    testing::Values(
        Saved{"wk1 as 1-2-3 saves it", "met.wk1",
              "A:", [](const tables::Sheet &s) { return withoutBlanks(tables::wk1Bytes(s)); }},
        Saved{"wk1 as we write it", "met.wk1",
              "A:", [](const tables::Sheet &s) { return tables::wk1Bytes(s); }},
        Saved{"wks as 1-2-3 saves it", "met.wks",
              "A:", [](const tables::Sheet &s) { return withoutBlanks(tables::wk1Bytes(s, 0x0404)); }},
        Saved{"wks as we write it", "met.wks",
              "A:", [](const tables::Sheet &s) { return tables::wk1Bytes(s, 0x0404); }},
        Saved{"wk3", "met.wk3", "Met:", [](const tables::Sheet &s) { return tables::wk3Bytes(s, 0x1000); }},
        Saved{"wk4", "met.wk4", "Met:", [](const tables::Sheet &s) { return tables::wk3Bytes(s, 0x1002); }},
        Saved{"xls without records", "met.xls", "Met$",
              [](const tables::Sheet &s) { return tables::compoundFile(tables::biff8Workbook({s})); }},
        Saved{"xls with blanks", "met.xls", "Met$", workbookWithBlanks},
        Saved{"text table", "met.txt", "", textTable}),
    [](const testing::TestParamInfo<Saved> &info) { return test::testNameOf(info.param.name); });

} // namespace
} // namespace vesk
