// Excel workbooks of the kinds analysts make, built record by record: formula
// cells, date-time cells shown as dates, Booleans and errors, in Excel 97-2003
// (BIFF8) and Excel 95 (BIFF5) workbooks; and damaged workbooks.

#include "platform/XlsRecords.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

using test::TempDir;
using namespace test::xls;

std::string textOf(const Cell &c) {
    auto *s = std::get_if<std::string>(&c);
    return s ? *s : "<not a text>";
}

double numberOf(const Cell &c) {
    auto *d = std::get_if<double>(&c);
    return d ? *d : -12345.0;
}

TableData readBack(const TempDir &dir, const Book &book, const std::string &sheet = "Data$") {
    const auto file = dir.write("book.xls", book.file()).string();
    TableData t;
    std::string error;
    EXPECT_TRUE(readTable(file, sheet, &t, &error)) << error;
    return t;
}

// The header row of a sheet: texts in the shared-string table (BIFF8) or
// labels (BIFF5).
std::string header(Book &book, const std::vector<std::string> &names) {
    std::string cells;
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (book.biff5) {
            cells += label5(0, static_cast<int>(c), names[c]);
        } else {
            cells += labelSst(0, static_cast<int>(c), static_cast<int>(book.strings.size()));
            book.strings.push_back(names[c]);
        }
    }
    return cells;
}

class XlsKinds : public testing::TestWithParam<bool> {};

TEST_P(XlsKinds, FormulaCellsReadAsTheResultsStoredWithThem) {
    TempDir dir;
    Book book;
    book.biff5 = GetParam();
    book.cellFormats = {22}; // XF 16: m/d/yy h:mm
    std::string cells = header(book, {"u_mast", "date", "label", "flag", "cNOx_b", "note"});
    cells += formulaNumber(1, 0, 15, 3.25) + formulaNumber(1, 1, 16, 45000.625) +
             formulaText(1, 2, "M\xFCnchen", book.biff5) + formulaBool(1, 3, true) +
             formulaError(1, 4, 0x2A) + formulaError(1, 5, 0x07);
    cells += number(2, 0, 15, 4.5) + formulaWith(2, 2, 15, u8(3) + std::string(5, '\0') + u16(0xFFFF)) +
             formulaBool(2, 3, false) + rkInteger(2, 4, 15, 1234, true) + number(2, 5, 15, 1);
    book.sheets.push_back({"Data", cells, 3, 6});
    const TableData t = readBack(dir, book);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(numberOf(t.rows[0][0]), 3.25);
    EXPECT_EQ(textOf(t.rows[0][1]), "2023-03-15 15:00:00") << "a formula shown as a date-time";
    EXPECT_EQ(textOf(t.rows[0][2]), "München");
    EXPECT_EQ(numberOf(t.rows[0][3]), 1) << "TRUE";
    EXPECT_EQ(textOf(t.rows[0][4]), "#N/A") << "read as missing, as the text \"#N/A\" is";
    EXPECT_EQ(textOf(t.rows[0][5]), "#DIV/0!") << "an error is no number and not silently missing";
    EXPECT_EQ(numberOf(t.rows[1][0]), 4.5) << "plain numbers as before";
    EXPECT_EQ(textOf(t.rows[1][2]), "") << "an empty text result";
    EXPECT_EQ(numberOf(t.rows[1][3]), 0) << "FALSE";
    EXPECT_EQ(numberOf(t.rows[1][4]), 12.34) << "an RK number in cents";
}

TEST_P(XlsKinds, DateCellsShownAsDatesKeepTheirTime) {
    TempDir dir;
    Book book;
    book.biff5 = GetParam();
    book.formats = {{164, "yyyy\\-mm\\-dd"}, {165, "0.0\" m/s\""}};
    book.cellFormats = {14, 164, 22, 20,
                        165}; // XF 16-20: m/d/yy, yyyy-mm-dd, m/d/yy h:mm, h:mm, number in m/s
    std::string cells = header(book, {"date", "x"});
    const double t1500 = 45000.625; // 15 March 2023, 15:00
    cells += number(1, 0, 16, t1500) + number(2, 0, 17, t1500) + number(3, 0, 18, t1500) +
             number(4, 0, 19, 0.5) + rkInteger(5, 0, 16, 45001) + number(6, 0, 17, 45000.0) +
             number(7, 0, 20, t1500) + number(7, 1, 15, 1);
    book.sheets.push_back({"Data", cells, 8, 2});
    const TableData t = readBack(dir, book);
    ASSERT_EQ(t.rows.size(), 7u);
    EXPECT_EQ(textOf(t.rows[0][0]), "2023-03-15 15:00:00") << "built-in date-only format";
    EXPECT_EQ(textOf(t.rows[1][0]), "2023-03-15 15:00:00") << "a date-only format of the workbook's own";
    EXPECT_EQ(textOf(t.rows[2][0]), "2023-03-15 15:00:00") << "a date-time format";
    EXPECT_EQ(textOf(t.rows[3][0]), "12:00:00") << "a time alone";
    EXPECT_EQ(textOf(t.rows[4][0]), "2023-03-16") << "an RK integer shown as a date";
    EXPECT_EQ(textOf(t.rows[5][0]), "2023-03-15") << "midnight";
    EXPECT_EQ(numberOf(t.rows[6][0]), t1500) << "a number format with a quoted unit stays a number";
}

INSTANTIATE_TEST_SUITE_P(Workbooks, XlsKinds, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &info) {
                             return info.param ? std::string("Excel95") : std::string("Excel97");
                         });

TEST(XlsDates, TheDateSystemFrom1904CountsFromItsOwnFirstDay) {
    TempDir dir;
    Book book;
    book.date1904 = true;
    book.cellFormats = {14};
    std::string cells =
        header(book, {"date"}) + number(1, 0, 16, 0.25 + 1) + formulaNumber(2, 0, 16, 43538.5);
    book.sheets.push_back({"Data", cells, 3, 1});
    const TableData t = readBack(dir, book);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(textOf(t.rows[0][0]), "1904-01-02 06:00:00");
    EXPECT_EQ(textOf(t.rows[1][0]), "2023-03-15 12:00:00");
}

TEST(XlsDates, SerialValuesBecomeDateTextsOfBothDateSystems) {
    EXPECT_EQ(tables::sheetSerialText(1, false), "1900-01-01");
    EXPECT_EQ(tables::sheetSerialText(59.5, false), "1900-02-28 12:00:00");
    EXPECT_EQ(tables::sheetSerialText(61, false), "1900-03-01") << "after the spreadsheets' 29 February 1900";
    EXPECT_EQ(tables::sheetSerialText(45000.99999999, false), "2023-03-16") << "rounded to the second";
    EXPECT_EQ(tables::sheetSerialText(45000 + 1.0 / 24, false), "2023-03-15 01:00:00");
    EXPECT_EQ(tables::sheetSerialText(0, true), "00:00:00");
    EXPECT_EQ(tables::sheetSerialText(1462, true), "1908-01-02");
    EXPECT_EQ(tables::sheetSerialText(-1, false), "");
    EXPECT_EQ(tables::sheetSerialText(3e6, false), "");
}

struct FormatCase {
    const char *code;
    bool date;
};

class DateFormatCodes : public testing::TestWithParam<FormatCase> {};

TEST_P(DateFormatCodes, AreToldFromNumberFormats) {
    EXPECT_EQ(tables::dateFormatCode(GetParam().code), GetParam().date) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DateFormatCodes,
    testing::Values(FormatCase{"yyyy-mm-dd", true}, FormatCase{"DD.MM.YYYY", true}, FormatCase{"hh:mm", true},
                    FormatCase{"[h]:mm:ss", true}, FormatCase{"[$-407]d. mmmm yyyy", true},
                    FormatCase{"General", false}, FormatCase{"0.00", false}, FormatCase{"0.0\" m/s\"", false},
                    FormatCase{"0.00E+00", false}, FormatCase{"[Red]#,##0.0", false},
                    FormatCase{"#,##0 \\d\\a\\y\\s", false}, FormatCase{"0;-0;\"day\"", false},
                    FormatCase{"@", false}, FormatCase{"_(* #,##0_)", false}),
    [](const testing::TestParamInfo<FormatCase> &info) { return test::testNameOf(info.param.code); });

// Fifty hours of a sheet as a spreadsheet program would write it.
Book fiftyHours() {
    Book book;
    book.cellFormats = {22};
    std::string cells = header(book, {"date", "u_mast"});
    for (int r = 1; r <= 50; ++r) {
        cells += number(r, 0, 16, 45000 + r / 24.0) + number(r, 1, 15, 1.5 + r);
    }
    book.sheets.push_back({"Data", cells, 51, 2});
    return book;
}

// Some programs count formatted rows without cells in a sheet's declared
// size; such rows are no lost cells.
TEST(XlsDamage, RowsOfFormattingAloneAfterTheLastCellAreNoDamage) {
    TempDir dir;
    Book book = fiftyHours();
    book.sheets[0].rows = 61;
    for (int r = 51; r <= 60; ++r) {
        book.sheets[0].cells = rowFormat(r) + book.sheets[0].cells;
    }
    EXPECT_EQ(readBack(dir, book).rows.size(), 50u);
}

struct Damage {
    const char *name;
    std::string bytes;
    std::string says;
};

void PrintTo(const Damage &d, std::ostream *os) {
    *os << d.name;
}

class XlsDamage : public testing::TestWithParam<Damage> {};

TEST_P(XlsDamage, IsAnErrorNamingTheFileNeverAShorterTable) {
    TempDir dir;
    const auto file = dir.write("met.xls", GetParam().bytes).string();
    TableData data;
    std::string error;
    EXPECT_FALSE(readTable(file, "Data$", &data, &error)) << data.rows.size() << " rows";
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
}

const std::string kStream = fiftyHours().stream();
const std::string kFile = tables::compoundFile(kStream);

// The stream with bytes from..from+n replaced.
std::string zeroed(const std::string &s, std::size_t from, std::size_t n) {
    return s.substr(0, from) + std::string(n, '\0') + s.substr(from + n);
}

// The file with its allocation table's first entry pointing at itself.
std::string circularChain() {
    const auto first = static_cast<unsigned char>(kFile[76]) | static_cast<unsigned char>(kFile[77]) << 8;
    return zeroed(kFile, (first + 1) * 512u, 4);
}

// A sheet whose declared size says more rows than its cells fill.
std::string longerThanItsCells() {
    Book book = fiftyHours();
    book.sheets[0].rows = 61;
    return book.file();
}

std::string cellOutsideItsSheet() {
    Book book = fiftyHours();
    book.sheets[0].cells += number(5, 7, 15, 1.0);
    return book.file();
}

// The stream with the two cells of one row zeroed: 36 bytes that read as
// nine empty records of the type 0.
std::string rowOfCellsZeroed() {
    const std::string row20 = number(20, 0, 16, 45000 + 20 / 24.0) + number(20, 1, 15, 1.5 + 20);
    const std::size_t at = kStream.find(row20);
    EXPECT_NE(at, std::string::npos);
    return tables::compoundFile(zeroed(kStream, at, row20.size()));
}

// The stream with the row of a cell record (at byte `at`) made another.
std::string movedRow(const std::string &stream, std::size_t at, int row) {
    return stream.substr(0, at + 4) + u16(static_cast<std::uint16_t>(row)) + stream.substr(at + 6);
}

// Where the number cell of the fifty hours lies in the workbook stream.
std::size_t numberAt(int row, int col) {
    const std::string cell =
        col == 0 ? number(row, 0, 16, 45000 + row / 24.0) : number(row, 1, 15, 1.5 + row);
    const std::size_t at = kStream.find(cell);
    EXPECT_NE(at, std::string::npos) << row << ", " << col;
    return at;
}

std::string textWithoutFormula() {
    Book book = fiftyHours();
    book.sheets[0].cells += rec(0x0207, ustr16("x"));
    return book.file();
}

INSTANTIATE_TEST_SUITE_P(
    Files, XlsDamage,
    testing::Values(Damage{"cut at 62 percent", kFile.substr(0, kFile.size() * 62 / 100), "is damaged"},
                    Damage{"cut in the header", kFile.substr(0, 300), "cannot be read"},
                    Damage{"cut in the stream", tables::compoundFile(kStream.substr(0, kStream.size() - 100)),
                           "is damaged: it ends"},
                    Damage{"cells missing at the end", longerThanItsCells(),
                           "the sheet Data ends before its declared size (51 of 61 rows)"},
                    Damage{"a cell outside its sheet", cellOutsideItsSheet(), "outside the declared size"},
                    Damage{"a text result without its formula", textWithoutFormula(), "without its formula"},
                    // A damaged address: the hour of row 31 would take row 30's value and lose its own.
                    Damage{"a second cell at an address",
                           tables::compoundFile(movedRow(kStream, numberAt(30, 1), 29)),
                           "is damaged: the record at byte " + std::to_string(numberAt(30, 1)) +
                               " cannot be decoded (a second cell at B30)"},
                    Damage{"a second cell at a blank's address",
                           [] {
                               Book book = fiftyHours();
                               book.sheets[0].cells += blank(7, 1);
                               return book.file();
                           }(),
                           "(a second cell at B8)"},
                    Damage{"a blank at a cell's address",
                           [] {
                               Book book = fiftyHours();
                               book.sheets[0].cells =
                                   rec(0x00BE, u16(3) + u16(0) + u16(15) + u16(15) + u16(1)) +
                                   book.sheets[0].cells;
                               return book.file();
                           }(),
                           "(a second cell at A4)"},
                    Damage{"the cells of a row zeroed", rowOfCellsZeroed(),
                           "is damaged: it holds a record of the type 0, which no workbook holds"},
                    Damage{"zeroed bytes in a record",
                           tables::compoundFile(zeroed(kStream, kStream.size() - 400, 6)), "is damaged"},
                    Damage{"duplicated bytes",
                           tables::compoundFile(kStream.substr(0, 900) + kStream.substr(897)), "is damaged"},
                    Damage{"an allocation table running in a circle", circularChain(), "runs in a circle"}),
    [](const testing::TestParamInfo<Damage> &info) { return test::testNameOf(info.param.name); });

// Whatever bytes of the workbook stream are zeroed or duplicated, the sheet
// is either refused or read with all its fifty hours: never fewer. (A step
// prime to the record lengths reaches every place within the records.)
TEST(XlsDamage, NoZeroedOrDuplicatedBytesGiveFewerHours) {
    TempDir dir;
    const auto file = (dir.path() / "met.xls").string();
    int refused = 0;
    for (std::size_t i = 0; i + 4 < kStream.size(); i += 11) {
        for (const std::string &stream :
             {zeroed(kStream, i, 4), kStream.substr(0, i + 4) + kStream.substr(i)}) {
            dir.write("met.xls", tables::compoundFile(stream));
            std::string error;
            TableData t;
            if (!readTable(file, "Data$", &t, &error)) {
                ++refused;
                continue;
            }
            EXPECT_EQ(t.rows.size(), 50u) << "damage at byte " << i;
        }
    }
    EXPECT_GT(refused, 0);
}

// Whatever cell's address is damaged, in its row or its column, the
// workbook is refused: no value ever takes another's place or leaves its
// own empty.
TEST(XlsDamage, NoDamagedCellAddressMovesAValue) {
    int tried = 0;
    for (int row = 1; row <= 50; ++row) {
        for (int col = 0; col < 2; ++col) {
            const std::size_t at = numberAt(row, col);
            for (const std::size_t field : {at + 4, at + 6}) { // row, column
                for (const int delta : {1, -1, 2, 49, 256}) {
                    const int was = static_cast<unsigned char>(kStream[field]) |
                                    static_cast<unsigned char>(kStream[field + 1]) << 8;
                    const int now = was + delta;
                    if (now < 0 || now > 0xFFFF) {
                        continue;
                    }
                    const std::string stream = kStream.substr(0, field) +
                                               u16(static_cast<std::uint16_t>(now)) +
                                               kStream.substr(field + 2);
                    tables::BiffBook book;
                    std::string problem;
                    ++tried;
                    EXPECT_FALSE(tables::biffCells(stream, &book, &problem))
                        << "the cell " << tables::cellName(col, row) << " moved by " << delta
                        << (field == at + 4 ? " rows" : " columns");
                }
            }
        }
    }
    EXPECT_GT(tried, 900);
}

// Our reader of compound files, on what our writer writes: streams in the
// mini stream, at its limit, in regular sectors and with extra index
// sectors of the allocation table.
TEST(CompoundFiles, EveryStreamOurWriterWritesIsFoundWhole) {
    for (std::size_t size : {0u, 100u, 4095u, 4096u, 70000u, 9000000u}) {
        std::string stream(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            stream[i] = static_cast<char>((i * 7919u + i / 13u) & 0xFF);
        }
        std::string back, problem;
        EXPECT_EQ(tables::compoundStream(tables::compoundFile(stream), {u"WORKBOOK"}, &back, &problem),
                  tables::CompoundResult::Found)
            << size << " " << problem;
        EXPECT_TRUE(back == stream) << size;
        EXPECT_EQ(tables::compoundStream(tables::compoundFile(stream), {u"Book"}, &back, &problem),
                  tables::CompoundResult::NoStream);
    }
    std::string back, problem;
    EXPECT_EQ(tables::compoundStream("day;hour\r\n1;1\r\n", {u"Workbook"}, &back, &problem),
              tables::CompoundResult::NotCompound);
}

} // namespace
} // namespace vesk
