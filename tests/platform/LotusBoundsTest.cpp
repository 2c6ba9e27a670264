// Lotus worksheets at their bounds: a table of exactly the rows each kind's
// grid holds below its column names (and the row after it refused), labels
// of the most characters each kind keeps, and the range and column widths a
// worksheet declares when its last row ends in missing values, so that it
// is shorter than the rows above it. Each is read back by libwps' converter
// (wks2csv, a reader made elsewhere) and by the program's reader.

#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vesk {
namespace {

using test::TempDir;

std::uint16_t word(const std::string &b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

// The data of every record of the given type in a Lotus file.
std::vector<std::string> records(const std::string &bytes, std::uint16_t type) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        const std::size_t length = word(bytes, at + 2);
        if (word(bytes, at) == type) {
            out.push_back(bytes.substr(at + 4, length));
        }
        at += 4 + length;
    }
    return out;
}

// wks2csv's lines of the file (its own line of column letters first).
std::vector<std::string> csvLines(const std::string &file) {
    int status = 0;
    const std::string csv =
        test::commandOutput("wks2csv -e CP850 " + test::shellQuoted(file) + " 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << csv;
    std::vector<std::string> lines;
    std::istringstream in(csv);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

struct GridCase {
    const char *ext;
    std::size_t rows; // rows of values below the column names
};

class LotusGrid : public testing::TestWithParam<GridCase> {};

TEST_P(LotusGrid, ATableFillingTheGridIsWrittenWholeAndOneRowMoreIsRefused) {
    WINVESK_NEEDS_TOOL("wks2csv");
    const GridCase &c = GetParam();
    ASSERT_EQ(tableRowCapacity(std::string("x.") + c.ext), c.rows);
    TempDir dir;
    const std::string file = (dir.path() / (std::string("Hourly.") + c.ext)).string();
    std::string error;
    auto w = createTable(file, "Hourly", {{"hour", ColumnType::Integer}}, &error);
    ASSERT_NE(w, nullptr) << error;
    for (std::size_t r = 1; r <= c.rows; ++r) {
        ASSERT_TRUE(w->append({static_cast<double>(r)}, &error)) << "row " << r << ": " << error;
    }
    EXPECT_FALSE(w->append({0.0}, &error)) << "one row beyond the grid";
    EXPECT_NE(error.find("holds at most " + std::to_string(c.rows)), std::string::npos) << error;
    ASSERT_TRUE(w->close(&error)) << error;

    TableData t;
    ASSERT_TRUE(readTable(file, "Hourly", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), c.rows);
    EXPECT_EQ(t.rows.back(), (std::vector<Cell>{static_cast<double>(c.rows)}));
    const std::vector<std::string> lines = csvLines(file);
    ASSERT_EQ(lines.size(), c.rows + 2);
    EXPECT_EQ(lines.back(), "\"" + std::to_string(c.rows) + "\"");
}

INSTANTIATE_TEST_SUITE_P(Kinds, LotusGrid,
                         testing::Values(GridCase{"wk1", 8191}, GridCase{"wk2", 8191}, GridCase{"wks", 32767},
                                         GridCase{"wk3", 65535}),
                         [](const auto &info) { return std::string(info.param.ext); });

struct LabelCase {
    const char *ext;
    std::size_t longest; // characters of the longest label the kind keeps
};

class LotusLabels : public testing::TestWithParam<LabelCase> {};

TEST_P(LotusLabels, KeepTheLongestLabelTheKindHoldsWholeAndTheBeginningOfALongerOne) {
    WINVESK_NEEDS_TOOL("wks2csv");
    const LabelCase &c = GetParam();
    TempDir dir;
    const std::string file = (dir.path() / (std::string("Labels.") + c.ext)).string();
    std::string whole;
    for (std::size_t i = 0; i < c.longest; ++i) {
        whole += static_cast<char>('a' + i % 26);
    }
    const std::string longer = whole + "XYZ";
    std::string error;
    auto w = createTable(file, "Labels", {{"Street", ColumnType::Text}, {"n", ColumnType::Float}}, &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({whole.substr(1), 1.0}, &error)) << error;
    ASSERT_TRUE(w->append({whole, 2.0}, &error)) << error;
    ASSERT_TRUE(w->append({longer, 3.0}, &error)) << error;
    ASSERT_TRUE(w->close(&error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "Labels", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[0][0], Cell(whole.substr(1)));
    EXPECT_EQ(t.rows[1][0], Cell(whole));
    EXPECT_EQ(t.rows[2][0], Cell(whole)) << "the beginning of the longer label";
    EXPECT_EQ(t.rows[2][1], Cell(3.0)) << "the next cell as it was";
    const std::vector<std::string> lines = csvLines(file);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "\"" + whole + "\",\"2\"");
    EXPECT_EQ(lines[4], "\"" + whole + "\",\"3\"");
}

INSTANTIATE_TEST_SUITE_P(Kinds, LotusLabels,
                         testing::Values(LabelCase{"wks", 239}, LabelCase{"wk1", 239}, LabelCase{"wk3", 511},
                                         LabelCase{"wk4", 511}),
                         [](const auto &info) { return std::string(info.param.ext); });

class LotusShortLastRow : public testing::TestWithParam<const char *> {};

TEST_P(LotusShortLastRow, TheSheetDeclaresTheRangeAndWidthsOfEveryCellWritten) {
    WINVESK_NEEDS_TOOL("wks2csv");
    const std::string ext = GetParam();
    TempDir dir;
    const std::string file = (dir.path() / ("Hourly." + ext)).string();
    std::string error;
    auto w = createTable(file, "Hourly",
                         {{"hour", ColumnType::Integer},
                          {"a", ColumnType::Float},
                          {"b", ColumnType::Float},
                          {"c", ColumnType::Float},
                          {"d", ColumnType::Float}},
                         &error);
    ASSERT_NE(w, nullptr) << error;
    // The widest row is in the middle; the last ones end in missing values
    // (empty cells), the very last has its first cell alone.
    const std::vector<std::vector<Cell>> rows = {{1.0, 2.0, -99.0, -99.0, -99.0},
                                                 {2.0, 3.0, 4.0, 5.0, 6.0},
                                                 {3.0, 7.0, -99.0, -99.0, -99.0},
                                                 {4.0, -99.0, -99.0, -99.0, -99.0}};
    for (const auto &r : rows) {
        ASSERT_TRUE(w->append(r, &error)) << error;
    }
    ASSERT_TRUE(w->close(&error)) << error;

    const std::string bytes = test::readFile(file);
    if (ext == "wk3" || ext == "wk4") {
        const std::vector<std::string> begin = records(bytes, 0x0000);
        ASSERT_EQ(begin.size(), 1u);
        ASSERT_EQ(begin[0].size(), 26u);
        EXPECT_EQ(word(begin[0], 8), 4u) << "last row";
        EXPECT_EQ(static_cast<unsigned char>(begin[0][11]), 4u) << "last column";
        const std::vector<std::string> widths = records(bytes, 0x0007);
        ASSERT_EQ(widths.size(), 1u);
        EXPECT_EQ(widths[0],
                  std::string(4, '\0') + std::string("\x00\x0c\x01\x0c\x02\x0c\x03\x0c\x04\x0c", 10))
            << "a width for every column";
    } else {
        const std::vector<std::string> range = records(bytes, 0x0006);
        ASSERT_EQ(range.size(), 1u);
        EXPECT_EQ(range[0], std::string("\x00\x00\x00\x00\x04\x00\x04\x00", 8)) << "A1 to E5";
    }

    TableData t;
    ASSERT_TRUE(readTable(file, "Hourly", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const Cell expected = std::get<double>(rows[r][c]) < 0 ? Cell() : rows[r][c];
            EXPECT_EQ(t.rows[r][c], expected) << "row " << r + 1 << " column " << c + 1;
        }
    }
    const std::vector<std::string> lines = csvLines(file);
    ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[1], "\"hour\",\"a\",\"b\",\"c\",\"d\"");
    EXPECT_EQ(lines[3], "\"2\",\"3\",\"4\",\"5\",\"6\"");
    EXPECT_EQ(lines[4].substr(0, 8), "\"3\",\"7\",");
    EXPECT_EQ(lines[5].substr(0, 4), "\"4\",");
}

INSTANTIATE_TEST_SUITE_P(Kinds, LotusShortLastRow, testing::Values("wks", "wk1", "wk3", "wk4"));

} // namespace
} // namespace vesk
