// Lotus .wk1 worksheets: what our reader makes of hand-built records (dates,
// formulas, labels) and of damaged files, and what LibreOffice and Gnumeric
// find in the labels our writer writes.

#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

namespace vesk {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

std::string u16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    std::string out;
    for (int k = 0; k < 8; ++k) {
        out.push_back(static_cast<char>(bits >> (8 * k) & 0xFF));
    }
    return out;
}

std::string rec(std::uint16_t type, const std::string &data) {
    return u16(type) + u16(static_cast<std::uint16_t>(data.size())) + data;
}

std::string at(std::uint8_t format, int col, int row) {
    return std::string(1, static_cast<char>(format)) + u16(static_cast<std::uint16_t>(col)) +
           u16(static_cast<std::uint16_t>(row));
}

std::string label(int col, int row, const std::string &text) {
    return rec(0x0F, at(0xFF, col, row) + "'" + text + std::string(1, '\0'));
}
std::string number(int col, int row, double v, std::uint8_t format = 0xFF) {
    return rec(0x0E, at(format, col, row) + f64(v));
}
std::string integer(int col, int row, std::int16_t v, std::uint8_t format = 0xFF) {
    return rec(0x0D, at(format, col, row) + u16(static_cast<std::uint16_t>(v)));
}
// A formula with its stored result; the formula itself (@SUM or the like) is
// a few bytes of code that reading never evaluates.
std::string formula(int col, int row, double result, std::uint8_t format = 0xFF) {
    const std::string code = "\x01\x00\x00\x03"; // any code will do
    return rec(0x10,
               at(format, col, row) + f64(result) + u16(static_cast<std::uint16_t>(code.size())) + code);
}
std::string stringResult(int col, int row, const std::string &text) {
    return rec(0x33, at(0xFF, col, row) + text + std::string(1, '\0'));
}

// A whole worksheet: the beginning, the declared range, the cells and the end.
std::string worksheet(int lastCol, int lastRow, const std::string &cells) {
    return rec(0x00, u16(0x0406)) + rec(0x06, u16(0) + u16(0) + u16(lastCol) + u16(lastRow)) + cells +
           rec(0x01, "");
}

constexpr std::uint8_t kDateD1 = 0x72; // special format D1 (DD-MMM-YY), unprotected
constexpr std::uint8_t kDateD4 = 0x79; // long international date
constexpr std::uint8_t kTimeD7 = 0x78; // HH:MM AM/PM
constexpr std::uint8_t kFixed2 = 0x02; // fixed, two decimals

tables::Sheet parsed(const std::string &bytes) {
    tables::Sheet sheet;
    std::string problem;
    EXPECT_EQ(tables::wk1Parse(bytes, &sheet, &problem), tables::Wk1Result::Read) << problem;
    return sheet;
}

std::string textOf(const Cell &c) {
    auto *s = std::get_if<std::string>(&c);
    return s ? *s : "<not a text>";
}

TEST(Wk1Reading, DateCellsKeepTheirTimeWhateverFormatShowsThem) {
    // 45000.625 is 15 March 2023, 15:00; a date-only format must not round it
    // to the next day nor drop the hour.
    const auto sheet = parsed(
        worksheet(1, 5,
                  label(0, 0, "date") + label(1, 0, "x") + number(0, 1, 45000.625, kDateD1) +
                      number(0, 2, 45000.0, kDateD4) + integer(0, 3, 32000, kDateD1) +
                      number(0, 4, 0.75, kTimeD7) + number(0, 5, 45000.625, kFixed2) + number(1, 5, 1.0)));
    ASSERT_EQ(sheet.rows.size(), 6u);
    EXPECT_EQ(textOf(sheet.rows[1][0]), "2023-03-15 15:00:00");
    EXPECT_EQ(textOf(sheet.rows[2][0]), "2023-03-15");
    EXPECT_EQ(textOf(sheet.rows[3][0]), "1987-08-11") << "an integer cell with a date format";
    EXPECT_EQ(textOf(sheet.rows[4][0]), "18:00:00") << "a time alone";
    EXPECT_EQ(std::get<double>(sheet.rows[5][0]), 45000.625) << "a number format keeps the number";
}

TEST(Wk1Reading, EverySpecialDateAndTimeFormatGivesTheDateAndOnlyThose) {
    // The special formats (type 7) D1 to D9 are 2 to 4 and 7 to 12; 0 (+/-), 1 (general), 5 (text),
    // 6 (hidden), 13, 14 and 15 (default) show the number. With the protection bit the same.
    std::string cells = label(0, 0, "unprotected") + label(1, 0, "protected");
    for (int n = 0; n < 16; ++n) {
        cells += number(0, n + 1, 45000.625, static_cast<std::uint8_t>(0x70 | n)) +
                 number(1, n + 1, 45000.625, static_cast<std::uint8_t>(0xF0 | n));
    }
    const auto sheet = parsed(worksheet(1, 16, cells));
    ASSERT_EQ(sheet.rows.size(), 17u);
    for (int n = 0; n < 16; ++n) {
        const bool date = (n >= 2 && n <= 4) || (n >= 7 && n <= 12);
        for (std::size_t col = 0; col < 2; ++col) {
            const Cell &c = sheet.rows[static_cast<std::size_t>(n) + 1][col];
            if (date) {
                EXPECT_EQ(textOf(c), "2023-03-15 15:00:00") << "special format " << n << ", column " << col;
            } else {
                EXPECT_EQ(c, Cell(45000.625)) << "special format " << n << ", column " << col;
            }
        }
    }
}

TEST(Wk1Reading, IntegerCellsAreSigned) {
    const auto sheet = parsed(worksheet(
        0, 3, label(0, 0, "x") + integer(0, 1, -99) + integer(0, 2, -32768) + integer(0, 3, 32767)));
    ASSERT_EQ(sheet.rows.size(), 4u);
    EXPECT_EQ(std::get<double>(sheet.rows[1][0]), -99) << "not 65437";
    EXPECT_EQ(std::get<double>(sheet.rows[2][0]), -32768);
    EXPECT_EQ(std::get<double>(sheet.rows[3][0]), 32767);
    // As a table, -99 is a missing value as in every other kind of file.
    EXPECT_EQ(tables::tableFromSheet(sheet).rows[0][0], Cell(-99.0));
}

TEST(Wk1Reading, FormulaCellsGiveTheResultStoredWithThem) {
    const auto sheet =
        parsed(worksheet(2, 3,
                         label(0, 0, "a") + label(1, 0, "b") + label(2, 0, "c") + formula(0, 1, 12.5) +
                             formula(1, 1, 45000.5, kDateD1) + formula(2, 1, 0.0) +
                             stringResult(2, 1,
                                          "Stra\xE1"
                                          "e") +
                             formula(0, 2, std::numeric_limits<double>::quiet_NaN()) + number(0, 3, 7)));
    ASSERT_EQ(sheet.rows.size(), 4u);
    EXPECT_EQ(std::get<double>(sheet.rows[1][0]), 12.5);
    EXPECT_EQ(textOf(sheet.rows[1][1]), "2023-03-15 12:00:00");
    EXPECT_EQ(textOf(sheet.rows[1][2]), "Straße") << "a text result, in code page 850";
    EXPECT_EQ(textOf(sheet.rows[2][0]), "ERR") << "an error result is no number and not silently missing";
}

TEST(Wk1Writing, LabelsAreWrittenInCodePage850AndReadBack) {
    tables::Sheet sheet;
    sheet.rows = {{std::string("µg/m³"), std::string("Straße"), std::string("Ärø"), std::string("€ 5")}};
    const std::string bytes = tables::wk1Bytes(sheet);
    // µ E6, ³ FC, ß E1, Ä 8E, ø 9B: the bytes LibreOffice (code page 437 for
    // the letters) and Gnumeric (code page 850) read as these characters.
    for (const std::string &expected : {std::string("'\xE6g/m\xFC"),
                                        std::string("'Stra\xE1"
                                                    "e"),
                                        std::string("'\x8Er\x9B"), std::string("'? 5")}) {
        EXPECT_NE(bytes.find(expected + '\0'), std::string::npos) << expected;
    }
    const auto back = parsed(bytes);
    ASSERT_EQ(back.rows.size(), 1u);
    EXPECT_EQ(textOf(back.rows[0][0]), "µg/m³");
    EXPECT_EQ(textOf(back.rows[0][1]), "Straße");
    EXPECT_EQ(textOf(back.rows[0][2]), "Ärø");
    EXPECT_EQ(textOf(back.rows[0][3]), "? 5") << "a character the code page lacks";
}

TEST(Wk1Writing, ASheetWhoseLastRowIsShorterThanAnEarlierOneReadsBackWhole) {
    tables::Sheet sheet;
    sheet.rows = {{std::string("Series"), std::string("Average_1"), std::string("Average_2")},
                  {std::string("NOx_mod"), 38.28, 39.2},
                  {std::string("NO2_obs"), 21.5},
                  {std::string("\"Title\"")}};
    const auto back = parsed(tables::wk1Bytes(sheet));
    const auto table = tables::tableFromSheet(back);
    EXPECT_EQ(table.fields, (std::vector<std::string>{"Series", "Average_1", "Average_2"}));
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(table.rows[0][2], Cell(39.2));
    EXPECT_EQ(table.rows[1][1], Cell(21.5));
    EXPECT_EQ(textOf(table.rows[2][0]), "\"Title\"");
}

// Our written file, read by libwps as an independent reader (under a .wks
// name, which our own reader leaves to libwps).
TEST(Wk1Writing, AWrittenFileIsReadAlikeByLibwps) {
    TempDir dir;
    tables::Sheet sheet;
    sheet.rows = {
        {std::string("hour"), std::string("cNO2")}, {1.0, 45.25}, {2.0, std::monostate{}}, {3.0, 0.5}};
    const auto file = dir.write("out.wks", tables::wk1Bytes(sheet)).string();
    std::vector<tables::Sheet> sheets;
    std::string error;
    ASSERT_TRUE(tables::lotusReadSheets(file, &sheets, &error)) << error;
    ASSERT_EQ(sheets.size(), 1u);
    const auto table = tables::tableFromSheet(sheets[0]);
    EXPECT_EQ(table.fields, (std::vector<std::string>{"hour", "cNO2"}));
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(std::get<double>(table.rows[0][1]), 45.25);
    EXPECT_TRUE(isNull(table.rows[1][1]));
    EXPECT_EQ(std::get<double>(table.rows[2][0]), 3.0);
}

// A table our writer writes with a missing value (a Null, as -99 is stored)
// and a row shorter than the others reads back with those cells empty: the
// writer fills the range with blanks, so that no cell is taken for lost.
TEST(Wk1Writing, EmptyCellsOfTheRangeAreWrittenAsBlanksAndReadBackEmpty) {
    tables::Sheet sheet;
    sheet.rows = {{std::string("hour"), std::string("u_mast"), std::string("cNO2_b")},
                  {1.0, 2.5, 30.0},
                  {2.0, std::monostate{}, 31.0},
                  {3.0, 2.0}};
    const std::string bytes = tables::wk1Bytes(sheet);
    EXPECT_NE(bytes.find(rec(0x0C, at(0xFF, 1, 2))), std::string::npos) << "a blank at B3";
    EXPECT_NE(bytes.find(rec(0x0C, at(0xFF, 2, 3))), std::string::npos) << "a blank at C4";
    const auto table = tables::tableFromSheet(parsed(bytes));
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_TRUE(isNull(table.rows[1][1]));
    EXPECT_EQ(table.rows[1][2], Cell(31.0));
    EXPECT_TRUE(isNull(table.rows[2][2]));
}

// Cells a worksheet leaves empty without a record of their own are no
// damage where their row or their column has other gaps: a column of
// occasional notes, a value left out in two hours.
TEST(Wk1Reading, EmptyCellsAmongOthersAreReadEmpty) {
    const auto sheet =
        parsed(worksheet(2, 4,
                         label(0, 0, "hour") + label(1, 0, "u_mast") + label(2, 0, "note") +
                             integer(0, 1, 1) + number(1, 1, 2.5) + integer(0, 2, 2) + label(2, 2, "gust") +
                             integer(0, 3, 3) + integer(0, 4, 4) + number(1, 4, 3.0)));
    const auto table = tables::tableFromSheet(sheet);
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_TRUE(isNull(table.rows[1][1]));
    EXPECT_TRUE(isNull(table.rows[2][1]));
    EXPECT_EQ(table.rows[3][1], Cell(3.0));
}

// Fifty hours of a table that 1-2-3 would write.
std::string fiftyHours() {
    std::string cells = label(0, 0, "hour") + label(1, 0, "u_mast");
    for (int r = 1; r <= 50; ++r) {
        cells += integer(0, r, static_cast<std::int16_t>(r)) + number(1, r, 1.5 + r);
    }
    return worksheet(1, 50, cells);
}

struct Damage {
    const char *name;
    std::string bytes;
    std::string says;
};

void PrintTo(const Damage &d, std::ostream *os) {
    *os << d.name;
}

class Wk1Damage : public testing::TestWithParam<Damage> {};

TEST_P(Wk1Damage, IsAnErrorNamingTheFileNeverAShorterTable) {
    TempDir dir;
    const auto file = dir.write("met.wk1", GetParam().bytes).string();
    TableData data;
    std::string error;
    EXPECT_FALSE(readTable(file, "A:", &data, &error));
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
}

const std::string kGood = fiftyHours();
const std::size_t kEnd = kGood.size() - 4; // where the end record begins

// Where the cell record of the fifty hours lies (column 0: the hour, 1: the value; row 0: their names).
std::size_t cellAt(int col, int row) {
    const std::string cell = row == 0   ? label(col, 0, col == 0 ? "hour" : "u_mast")
                             : col == 0 ? integer(0, row, static_cast<std::int16_t>(row))
                                        : number(1, row, 1.5 + row);
    const std::size_t found = kGood.find(cell);
    EXPECT_NE(found, std::string::npos) << col << ", " << row;
    return found;
}

// The fifty hours with the type of the record at byte `at` made another.
std::string retyped(std::size_t at, std::uint8_t type) {
    std::string bytes = kGood;
    bytes[at] = static_cast<char>(type);
    return bytes;
}

// The fifty hours without the record of a cell.
std::string withoutCell(int col, int row) {
    const std::size_t from = cellAt(col, row);
    const std::size_t length = 4 + static_cast<unsigned char>(kGood[from + 2]);
    return kGood.substr(0, from) + kGood.substr(from + length);
}

// The cells of the fifty hours' two columns by row, empty where a row ends early.
std::vector<std::vector<Cell>> grid(const tables::Sheet &sheet) {
    std::vector<std::vector<Cell>> rows = sheet.rows;
    for (auto &row : rows) {
        row.resize(2);
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Wk1Damage,
    testing::Values(
        Damage{"cut at 62 percent", kGood.substr(0, kGood.size() * 62 / 100), "is damaged: it ends"},
        Damage{"cut between records", kGood.substr(0, kEnd), "ends before its end record"},
        Damage{"cells missing at the end", worksheet(1, 60, kGood.substr(0, kEnd).substr(18)),
               "ends before its declared size (51 of 61 rows)"},
        Damage{"a cell outside the range", worksheet(1, 2, number(1, 2, 1.0) + number(5, 1, 2.0)),
               "outside the declared range"},
        // A damaged address: the cell would take another cell's place, or lie
        // where no cell of the sheet can be.
        Damage{"a second cell at an address",
               worksheet(1, 2,
                         label(0, 0, "hour") + label(1, 0, "u") + number(0, 1, 1) + number(1, 1, 2.5) +
                             number(0, 2, 2) + number(1, 1, 3.5)),
               "the record at byte 96 cannot be decoded (a second cell at B2)"},
        Damage{"a second cell at a blank's address",
               worksheet(0, 1, label(0, 0, "x") + rec(0x0C, at(0xFF, 0, 1)) + number(0, 1, 4)),
               "(a second cell at A2)"},
        Damage{"a cell before the declared range",
               rec(0x00, u16(0x0406)) + rec(0x06, u16(1) + u16(1) + u16(2) + u16(3)) + number(0, 0, 1) +
                   rec(0x01, ""),
               "(the cell A1 lies outside the declared range B2:C4)"},
        Damage{"a cell beyond the grid without a range",
               rec(0x00, u16(0x0406)) + label(0, 0, "x") + number(0, 9000, 1) + rec(0x01, ""),
               "(the cell A9001 lies outside the worksheet A1:IV8192)"},
        Damage{
            "a formula text at another address",
            worksheet(1, 1, label(0, 0, "a") + label(1, 0, "b") + formula(0, 1, 0) + stringResult(1, 1, "t")),
            "a formula text without its formula"},
        Damage{"a zeroed record header", kGood.substr(0, 50) + std::string(4, '\0') + kGood.substr(54),
               "the record at byte 50 cannot be decoded"},
        Damage{"zeroed bytes in a label", kGood.substr(0, 40) + std::string(4, '\0') + kGood.substr(44),
               "the record at byte 33 cannot be decoded"},
        Damage{"duplicated bytes", kGood.substr(0, 100) + kGood.substr(97), "is damaged"},
        Damage{"data after the end", kGood + number(0, 1, 1.0), "data after its end record"},
        // A damaged type byte: a number record of no kind, or of a kind that
        // holds no cell, must not make the hour's value vanish.
        Damage{"a number record of a type no worksheet holds", retyped(cellAt(1, 20), 0xD2),
               "the record at byte " + std::to_string(cellAt(1, 20)) +
                   " is of a type (0xD2) no Lotus worksheet holds"},
        Damage{"a text file", std::string("hour u_mast\r\n1 2.5\r\n"), "does not begin as a Lotus"}),
    [](const testing::TestParamInfo<Damage> &info) { return test::testNameOf(info.param.name); });

// The range and the calculation settings of our writer made longer or
// shorter: the message names the record, not the bytes after it.
TEST(Wk1Damage, ASettingsRecordOfAnotherLengthIsNamedItself) {
    tables::Sheet sheet{"Met", {{std::string("hour"), std::string("u_mast")}}};
    for (int r = 1; r <= 24; ++r) {
        sheet.rows.push_back({static_cast<double>(r), 1.5 * r});
    }
    const std::string whole = tables::wk1Bytes(sheet);
    for (const auto &[at, what] : {std::pair{6, "range"}, std::pair{18, "length"}, std::pair{23, "length"}}) {
        const int length = static_cast<unsigned char>(whole[at + 2]);
        for (const int change : {-1, 1, 2, 7}) {
            std::string bytes = whole;
            bytes[at + 2] = static_cast<char>(length + change);
            tables::Sheet read;
            std::string problem;
            EXPECT_EQ(tables::wk1Parse(bytes, &read, &problem), tables::Wk1Result::Damaged);
            EXPECT_EQ(problem,
                      "the record at byte " + std::to_string(at) + " cannot be decoded (" + what + ")")
                << "its length " << length << " changed by " << change;
        }
    }
}

// The 26-byte beginning of releases 3 and 4 is no damaged release 2 file but
// another kind, which libwps reads; a beginning of another length is damage.
TEST(Wk1Reading, TheBeginningOfALaterReleaseIsAnotherKind) {
    tables::Sheet sheet{"Met", {{std::string("hour")}, {1.0}}};
    std::string problem;
    for (const std::uint16_t version : {0x1000, 0x1002}) {
        EXPECT_EQ(tables::wk1Parse(tables::wk3Bytes(sheet, version), &sheet, &problem),
                  tables::Wk1Result::OtherKind)
            << version;
    }
    EXPECT_EQ(tables::wk1Parse(tables::wk1Bytes(sheet, 0x5120), &sheet, &problem),
              tables::Wk1Result::OtherKind);
    EXPECT_EQ(
        tables::wk1Parse(rec(0x00, u16(0x1000) + std::string(22, '\0')) + rec(0x01, ""), &sheet, &problem),
        tables::Wk1Result::Damaged);
    EXPECT_EQ(problem, "it does not begin as a Lotus worksheet");
}

// A cell without a record is an empty cell, as 1-2-3 saves one and as
// earlier versions of this program wrote a value of -99: a missing value,
// even where its row and its column hold every other cell, in the first
// row (its column's name) or in the last.
TEST(Wk1Reading, ACellWithoutItsRecordAmongFullRowsIsAMissingValue) {
    const auto whole = parsed(kGood);
    for (const auto &[col, row] : {std::pair{1, 20}, std::pair{0, 50}, std::pair{1, 50}, std::pair{1, 0}}) {
        SCOPED_TRACE(tables::cellName(static_cast<std::size_t>(col), static_cast<std::size_t>(row)));
        tables::Sheet sheet;
        std::string problem;
        ASSERT_EQ(tables::wk1Parse(withoutCell(col, row), &sheet, &problem), tables::Wk1Result::Read)
            << problem;
        auto expected = grid(whole);
        expected[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = Cell{};
        EXPECT_EQ(grid(sheet), expected);
    }
}

// Whatever bytes are zeroed or duplicated, the table is either refused or
// read with all its fifty hours: never fewer.
TEST(Wk1Damage, NoZeroedOrDuplicatedBytesGiveFewerHours) {
    int refused = 0;
    for (std::size_t i = 6; i + 4 < kGood.size(); ++i) {
        for (const std::string &bytes : {kGood.substr(0, i) + std::string(4, '\0') + kGood.substr(i + 4),
                                         kGood.substr(0, i + 4) + kGood.substr(i)}) {
            tables::Sheet sheet;
            std::string problem;
            if (tables::wk1Parse(bytes, &sheet, &problem) != tables::Wk1Result::Read) {
                ++refused;
                continue;
            }
            const auto table = tables::tableFromSheet(sheet);
            EXPECT_EQ(table.rows.size(), 50u) << "damage at byte " << i;
        }
    }
    EXPECT_GT(refused, 0);
}

// Whatever type other than a cell's a cell record's damaged type byte gives
// it, the file is refused (a type of no record) or read with that cell empty,
// a missing value, and every other value in its place: a cell never takes
// another's value nor leaves the rows of the table.
TEST(Wk1Damage, ACellRecordGivenAnotherKindIsRefusedOrReadAsAMissingValue) {
    const auto whole = parsed(kGood);
    int read = 0;
    for (int row = 0; row <= 50; row += 7) {
        for (int col = 0; col < 2; ++col) {
            const std::size_t at = cellAt(col, row);
            for (int type = 0; type < 256; ++type) {
                if ((type >= 0x0C && type <= 0x10) || type == 0x33) {
                    continue; // a blank, a number, a label or a formula: a cell still
                }
                tables::Sheet sheet;
                std::string problem;
                if (tables::wk1Parse(retyped(at, static_cast<std::uint8_t>(type)), &sheet, &problem) ==
                    tables::Wk1Result::Read) {
                    ++read;
                    auto expected = grid(whole);
                    expected[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = Cell{};
                    EXPECT_EQ(grid(sheet), expected)
                        << tables::cellName(col, row) << " as a record of the type " << type;
                }
            }
        }
    }
    EXPECT_GT(read, 0) << "types of records that hold no cell";
}

// Whatever cell's address is damaged, in its column or its row, the file is
// refused: no value ever takes another's place or leaves its own empty.
TEST(Wk1Damage, NoDamagedCellAddressMovesAValue) {
    std::vector<std::size_t> cellRecords;
    for (std::size_t at = 6; at + 4 <= kGood.size();) {
        const auto type = static_cast<unsigned char>(kGood[at]);
        if (type == 0x0D || type == 0x0E || type == 0x0F) {
            cellRecords.push_back(at);
        }
        at +=
            4 + (static_cast<unsigned char>(kGood[at + 2]) | static_cast<unsigned char>(kGood[at + 3]) << 8);
    }
    ASSERT_EQ(cellRecords.size(), 102u) << "two labels and fifty hours of two cells";
    int tried = 0;
    for (const std::size_t record : cellRecords) {
        for (const std::size_t field : {record + 5, record + 7}) { // column, row
            for (const int delta : {1, -1, 2, 49, 256}) {
                std::string bytes = kGood;
                const int was = static_cast<unsigned char>(bytes[field]) |
                                static_cast<unsigned char>(bytes[field + 1]) << 8;
                const int now = was + delta;
                if (now < 0 || now > 0xFFFF) {
                    continue;
                }
                bytes[field] = static_cast<char>(now & 0xFF);
                bytes[field + 1] = static_cast<char>(now >> 8);
                tables::Sheet sheet;
                std::string problem;
                ++tried;
                EXPECT_EQ(tables::wk1Parse(bytes, &sheet, &problem), tables::Wk1Result::Damaged)
                    << "the cell at byte " << record << " moved by " << delta
                    << (field == record + 5 ? " columns" : " rows");
            }
        }
    }
    EXPECT_GT(tried, 800);
}

} // namespace
} // namespace vesk
