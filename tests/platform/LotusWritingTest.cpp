// Every Lotus kind we write, read back by libwps' own converter (wks2csv, a
// reader made elsewhere) and by the program's reader, and the record
// layouts each kind needs.

#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace vesk {
namespace {

using test::TempDir;

// The columns of a table whose names the run made from repeated, "?" and
// quoted names (A, ?, A, A and "Street"), with a label column of non-ASCII
// characters.
std::vector<TableColumn> partColumns() {
    return {{"A", ColumnType::Float},    {"F2", ColumnType::Text},     {"A(1)", ColumnType::Float},
            {"A(2)", ColumnType::Float}, {"Street", ColumnType::Text}, {"µg/m³ Straße", ColumnType::Text}};
}

std::vector<std::vector<Cell>> partRows() {
    return {
        {1.0, std::string(" "), 12.345678901234, 0.5, std::string("Main Street"), std::string("µg/m³")},
        {-99.0, std::string(" "), 1e-7, 123456789.5, std::string("Straße"), std::string("a;b\"c")},
        {40000.0, std::monostate{}, -12.25, 0.0, std::string("'quoted'"), std::string("Ärø °C ± ²")},
    };
}

// A number as wks2csv prints it (six significant digits).
std::string printed(const Cell &c) {
    if (auto *d = std::get_if<double>(&c)) {
        if (!(*d > -99.0)) {
            return "";
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", *d);
        return buf;
    }
    if (auto *s = std::get_if<std::string>(&c)) {
        return *s;
    }
    return "";
}

// The CSV line wks2csv gives for cells: every item in double quotes, a
// double quote doubled.
std::string csvLine(const std::vector<std::string> &items) {
    std::string line;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string q = "\"";
        for (char ch : items[i]) {
            q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        }
        line += (i ? "," : "") + q + "\"";
    }
    return line;
}

class LotusKinds : public testing::TestWithParam<const char *> {};

TEST_P(LotusKinds, ATableIsReadBackByLibwpsConverterAndByTheProgramCellForCell) {
    WINVESK_NEEDS_TOOL("wks2csv");
    TempDir dir;
    const std::string file = (dir.path() / (std::string("Results.") + GetParam())).string();
    std::string error;
    auto w = createTable(file, "Hourly:", partColumns(), &error);
    ASSERT_NE(w, nullptr) << error;
    for (const auto &row : partRows()) {
        ASSERT_TRUE(w->append(row, &error)) << error;
    }
    ASSERT_TRUE(w->close(&error)) << error;

    int status = 0;
    const std::string csv =
        test::commandOutput("wks2csv -e CP850 " + test::shellQuoted(file) + " 2>/dev/null", &status);
    ASSERT_EQ(status, 0) << csv;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line); // wks2csv's own line of column letters
    std::getline(lines, line);
    std::vector<std::string> names;
    for (const auto &c : partColumns()) {
        names.push_back(c.name);
    }
    EXPECT_EQ(line, csvLine(names)) << "labels in code page 850";
    for (const auto &row : partRows()) {
        std::getline(lines, line);
        std::vector<std::string> items;
        for (std::size_t c = 0; c < row.size(); ++c) {
            items.push_back(c == 1 && isNull(row[c]) ? "" : printed(row[c]));
        }
        EXPECT_EQ(line, csvLine(items));
    }

    TableData t;
    ASSERT_TRUE(readTable(file, "Hourly:", &t, &error)) << error;
    EXPECT_EQ(t.fields, names);
    ASSERT_EQ(t.rows.size(), partRows().size());
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
        for (std::size_t c = 0; c < t.fields.size(); ++c) {
            Cell expected = partRows()[r][c];
            if (auto *d = std::get_if<double>(&expected); d && !(*d > -99.0)) {
                expected = std::monostate{};
            }
            EXPECT_EQ(t.rows[r][c], expected) << "row " << r << " column " << c << ": numbers bit for bit";
        }
    }
}

TEST_P(LotusKinds, AnEmptyTableAndATableOfOneColumnAreStillWorksheetsToLibwps) {
    WINVESK_NEEDS_TOOL("wks2csv");
    TempDir dir;
    const std::string file = (dir.path() / (std::string("One.") + GetParam())).string();
    std::string error;
    auto w = createTable(file, "One", {{"hour", ColumnType::Integer}}, &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->close(&error)) << error;
    int status = 0;
    const std::string csv =
        test::commandOutput("wks2csv -e CP850 " + test::shellQuoted(file) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << csv;
    EXPECT_NE(csv.find("\"hour\""), std::string::npos) << csv;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, LotusKinds, testing::Values("wks", "wk1", "wk2", "wk3", "wk4"));

TEST(LotusLayouts, EachKindBeginsWithItsOwnVersionWord) {
    tables::Sheet sheet;
    sheet.name = "Hourly";
    sheet.rows = {{std::string("a")}, {1.0}};
    struct Case {
        const char *ext;
        std::string begin;
    };
    const Case cases[] = {
        {"wks", std::string("\x00\x00\x02\x00\x04\x04", 6)},
        {"wk1", std::string("\x00\x00\x02\x00\x06\x04", 6)},
        {"wk2", std::string("\x00\x00\x02\x00\x06\x04", 6)},
        {"wk3", std::string("\x00\x00\x1A\x00\x00\x10\x04\x00", 8)},
        {"wk4", std::string("\x00\x00\x1A\x00\x02\x10\x04\x00", 8)},
    };
    for (const auto &c : cases) {
        TempDir dir;
        const auto file = (dir.path() / (std::string("x.") + c.ext)).string();
        std::string error;
        ASSERT_TRUE(tables::lotusWrite(file, sheet, &error)) << error;
        const std::string bytes = test::readFile(file);
        EXPECT_EQ(bytes.substr(0, c.begin.size()), c.begin) << c.ext;
        EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x01\x00\x00\x00", 4)) << c.ext;
    }
    EXPECT_NE(tables::wk3Bytes(sheet, 0x1000).find(std::string("\xB0\x36\x00\x00Hourly\0", 11)),
              std::string::npos)
        << "a release 3 sheet carries the table's name";
}

// The kind is told by the file's content, not its name: a file of every
// kind renamed .wk1 gives the table it gives under its own name (release
// 1A/2 by our own reader, release 3/4 by libwps after our walk), and a
// damaged release 3 file so named is damaged as a release 3 file.
TEST(LotusLayouts, AFileOfAnyKindUnderAWk1NameIsReadAsUnderItsOwn) {
    TempDir dir;
    std::string error;
    for (const char *ext : {"wks", "wk2", "wk3", "wk4"}) {
        SCOPED_TRACE(ext);
        const auto own = (dir.path() / (std::string("Results.") + ext)).string();
        auto w = createTable(own, "Hourly", partColumns(), &error);
        ASSERT_NE(w, nullptr) << error;
        for (const auto &row : partRows()) {
            ASSERT_TRUE(w->append(row, &error)) << error;
        }
        ASSERT_TRUE(w->close(&error)) << error;
        const std::string renamed = (dir.path() / (std::string("Renamed-") + ext + ".wk1")).string();
        std::filesystem::copy_file(own, renamed);
        TableData expected, t;
        ASSERT_TRUE(readTable(own, "Hourly", &expected, &error)) << error;
        ASSERT_TRUE(readTable(renamed, "Hourly", &t, &error)) << error;
        EXPECT_EQ(t.fields, expected.fields);
        EXPECT_EQ(t.rows, expected.rows);
        EXPECT_EQ(t.rows.size(), partRows().size());
    }
    const std::string bytes = test::readFile(dir.path() / "Results.wk3");
    const auto cut = dir.write("Cut.wk1", bytes.substr(0, bytes.size() - 4)).string();
    TableData t;
    EXPECT_FALSE(readTable(cut, "Hourly", &t, &error));
    EXPECT_EQ(error, "The Lotus file " + cut + " is damaged: it ends before its end record (at byte " +
                         std::to_string(bytes.size() - 4) + ").");
}

TEST(LotusLayouts, ExtendedRealsHoldEveryDoubleExactly) {
    struct Case {
        double value;
        std::string bytes;
    };
    const Case cases[] = {
        {1.0, std::string("\x00\x00\x00\x00\x00\x00\x00\x80\xff\x3f", 10)},
        {-99.0, std::string("\x00\x00\x00\x00\x00\x00\x00\xc6\x05\xc0", 10)},
        {12.345678901234, std::string("\x00\xd8\x79\x7b\x99\xe6\x87\xc5\x02\x40", 10)},
        {0.0, std::string(10, '\0')},
        // The smallest subnormal double, 2^-1074: normalised, exponent 16383 - 1074.
        {5e-324, std::string("\x00\x00\x00\x00\x00\x00\x00\x80\xcd\x3b", 10)},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tables::extendedReal(c.value), c.bytes) << c.value;
    }
}

TEST(LotusLayouts, EachKindHoldsTheRowsItsReadersAddress) {
    EXPECT_EQ(tableRowCapacity("a.wk1"), 8191u) << "the grid of 1-2-3 release 2";
    EXPECT_EQ(tableRowCapacity("a.wk2"), 8191u);
    EXPECT_EQ(tableRowCapacity("a.wks"), 32767u);
    EXPECT_EQ(tableRowCapacity("a.wk3"), 65535u);
    EXPECT_EQ(tableRowCapacity("a.WK4"), 65535u);
    tables::Sheet sheet;
    sheet.rows.assign(8193, {1.0});
    TempDir dir;
    std::string error;
    EXPECT_FALSE(tables::lotusWrite((dir.path() / "x.wk2").string(), sheet, &error));
    EXPECT_NE(error.find("8192"), std::string::npos) << error;
    EXPECT_TRUE(tables::lotusWrite((dir.path() / "x.wk3").string(), sheet, &error)) << error;
}

} // namespace
} // namespace vesk
