// Tables written into Access databases at the bounds of the format: text
// cells of exactly the 255 characters of a text column (one byte or two a
// character, and more bytes in UTF-8), one character more, and data pages
// filled to the last byte before their row offsets, one byte short of it,
// one byte over, and to their 255 rows, and a database whose catalogue page
// is filled to its last byte taking one more table. Each is read back by
// mdbtools' mdb-export (a reader made elsewhere) and by the program.

#include "platform/tables/JetFormat.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace vesk {
namespace {

using test::TempDir;
namespace jet = tables::jet;
namespace fs = std::filesystem;

std::string repeated(const std::string &utf8, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += utf8;
    }
    return out;
}

bool writeTable(const std::string &file, const std::vector<TableColumn> &columns,
                const std::vector<std::vector<Cell>> &rows, std::string *error,
                const std::string &name = "Bounds") {
    auto w = createTable(file, name, columns, error);
    if (!w) {
        return false;
    }
    for (const auto &r : rows) {
        if (!w->append(r, error)) {
            return false;
        }
    }
    return w->close(error);
}

// mdb-export's lines of the table (a header line, then a line per row).
std::vector<std::string> exportedLines(const std::string &file) {
    int status = 0;
    const std::string out =
        test::commandOutput("mdb-export " + test::shellQuoted(file) + " Bounds 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << out;
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The data pages of the file: (free bytes, rows) of each, in page order.
std::vector<std::pair<std::size_t, std::size_t>> dataPages(const std::string &file) {
    const std::string bytes = test::readFile(file);
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t at = 0; at + jet::kPage <= bytes.size(); at += jet::kPage) {
        const char *p = bytes.data() + at;
        if (p[0] == 0x01 && p[1] == 0x01 && std::string(p + 4, 4) != "LVAL") {
            out.emplace_back(jet::rd16(p + 2), jet::rd16(p + 12));
        }
    }
    return out;
}

TEST(AccessBounds, TextCellsOfExactly255CharactersAreWrittenWholeAndOneMoreIsRefused) {
    WINVESK_NEEDS_TOOL("mdb-export");
    const std::vector<TableColumn> columns = {{"Street", ColumnType::Text}, {"v", ColumnType::Float}};
    // Latin-1 characters are stored a byte each, others two bytes each (510
    // bytes, the whole column); UTF-8 needs up to three bytes for them.
    const std::vector<std::string> texts = {repeated("a", 255), repeated("ß", 255), repeated("€", 255),
                                            repeated("x", 254) + "€",
                                            repeated("µ", 127) + repeated("y", 128)};
    TempDir dir;
    const std::string file = (dir.path() / "Texts.mdb").string();
    std::vector<std::vector<Cell>> rows;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        rows.push_back({texts[i], static_cast<double>(i)});
    }
    std::string error;
    ASSERT_TRUE(writeTable(file, columns, rows, &error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "Bounds", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(t.rows[i][0], Cell(texts[i])) << "row " << i + 1;
    }
    const std::vector<std::string> lines = exportedLines(file);
    ASSERT_EQ(lines.size(), texts.size() + 1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(lines[i + 1], "\"" + texts[i] + "\"," + std::to_string(i)) << "row " << i + 1;
    }

    for (const std::string &longer : {repeated("a", 256), repeated("€", 256)}) {
        const std::string refused = (dir.path() / "Longer.mdb").string();
        rows.push_back({longer, 9.0});
        EXPECT_FALSE(writeTable(refused, columns, rows, &error));
        EXPECT_NE(error.find("row " + std::to_string(rows.size())), std::string::npos) << error;
        EXPECT_NE(error.find("Street"), std::string::npos) << error;
        EXPECT_NE(error.find("255 characters"), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(refused)) << "nothing is written";
        rows.pop_back();
    }
}

// How the rows of the first data page end: exactly at its row offsets, one
// byte before them, or with a last row one byte too long for the page.
struct PageFill {
    const char *name;
    int spare; // bytes the last row of the page leaves free (-1: it does not fit)
};

class AccessPageFill : public testing::TestWithParam<PageFill> {};

TEST_P(AccessPageFill, RowsUpToTheLastByteOfAPageReadBackAsWritten) {
    WINVESK_NEEDS_TOOL("mdb-export");
    // The size of a row of one text column of n characters a byte each.
    std::vector<jet::Column> cols(1);
    cols[0].type = jet::kText, cols[0].length = 510, cols[0].flags = 0x02, cols[0].miscFlags = 0x01;
    jet::layOutColumns(cols);
    const std::size_t rowOf0 = jet::encodeRow(cols, {jet::textBytes("")}).size();
    ASSERT_EQ(jet::encodeRow(cols, {jet::textBytes(std::string(200, 'a'))}).size(), rowOf0 + 200);

    // A page holds a 14-byte header, then an offset of two bytes a row, and
    // the rows from its end down. Rows of 200 characters, then one that
    // leaves `spare` bytes, then a row on the next page.
    const std::size_t room = jet::kPage - 14;
    std::vector<std::vector<Cell>> rows;
    std::size_t used = 0;
    while (used + 2 * (rowOf0 + 200 + 2) < room) {
        rows.push_back({std::string(200, static_cast<char>('a' + rows.size() % 26))});
        used += rowOf0 + 200 + 2;
    }
    const long last = static_cast<long>(room - used) - 2 - static_cast<long>(rowOf0) - GetParam().spare;
    ASSERT_GT(last, 0);
    ASSERT_LE(last, 255);
    rows.push_back({std::string(static_cast<std::size_t>(last), 'z')});
    rows.push_back({std::string("next")});

    TempDir dir;
    const std::string file = (dir.path() / "Pages.mdb").string();
    std::string error;
    ASSERT_TRUE(writeTable(file, {{"Street", ColumnType::Text}}, rows, &error)) << error;
    const auto pages = dataPages(file);
    const auto full = std::find_if(pages.begin(), pages.end(), [&](const auto &p) {
        return p.second == rows.size() - (GetParam().spare < 0 ? 2 : 1);
    });
    ASSERT_NE(full, pages.end()) << "a page with every row but the last";
    if (GetParam().spare >= 0) {
        EXPECT_EQ(full->first, static_cast<std::size_t>(GetParam().spare)) << "free bytes of the page";
    }

    TableData t;
    ASSERT_TRUE(readTable(file, "Bounds", &t, &error)) << error;
    ASSERT_EQ(t.rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(t.rows[i], rows[i]) << "row " << i + 1;
    }
    const std::vector<std::string> lines = exportedLines(file);
    ASSERT_EQ(lines.size(), rows.size() + 1);
    EXPECT_EQ(lines[rows.size() - 1], "\"" + std::get<std::string>(rows[rows.size() - 2][0]) + "\"");
    EXPECT_EQ(lines[rows.size()], "\"next\"");
}

INSTANTIATE_TEST_SUITE_P(Fills, AccessPageFill,
                         testing::Values(PageFill{"to_the_last_byte", 0}, PageFill{"one_byte_short", 1},
                                         PageFill{"one_byte_over", -1}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(AccessBounds, APageHoldsAt255RowsAndTheRestGoOnTheNext) {
    WINVESK_NEEDS_TOOL("mdb-export");
    std::vector<std::vector<Cell>> rows;
    for (int i = 0; i < 2 * 255 + 1; ++i) {
        rows.push_back({static_cast<double>(i % 32000)});
    }
    TempDir dir;
    const std::string file = (dir.path() / "Short.mdb").string();
    std::string error;
    ASSERT_TRUE(writeTable(file, {{"n", ColumnType::Short}}, rows, &error)) << error;
    std::vector<std::size_t> counts;
    for (const auto &p : dataPages(file)) {
        counts.push_back(p.second);
    }
    EXPECT_NE(std::find(counts.begin(), counts.end(), 255u), counts.end());
    EXPECT_EQ(*std::max_element(counts.begin(), counts.end()), 255u);
    TableData t;
    ASSERT_TRUE(readTable(file, "Bounds", &t, &error)) << error;
    EXPECT_EQ(t.rows, rows);
    EXPECT_EQ(exportedLines(file).size(), rows.size() + 1);
}

// The free bytes of the catalogue's data pages, in page order.
std::vector<std::size_t> cataloguePages(const std::string &file) {
    const std::string bytes = test::readFile(file);
    std::vector<std::size_t> out;
    for (std::size_t at = 0; at + jet::kPage <= bytes.size(); at += jet::kPage) {
        const char *p = bytes.data() + at;
        if (p[0] == 0x01 && jet::rd32(p + 4) == 2) { // a data page of the table defined on page 2
            out.push_back(jet::rd16(p + 2));
        }
    }
    return out;
}

// Name lengths (1 to 64) of the fewest tables whose catalogue rows fill
// `free` bytes of a page exactly, each row taking `fixed` bytes, two a
// character of its name and two for its offset; none when there are none
// (also when `fixed` or `free` is no size a catalogue page can have).
std::vector<int> namesFilling(long free, long fixed) {
    if (fixed <= 0 || free <= 0 || free > static_cast<long>(jet::kPage)) {
        return {};
    }
    const auto row = [fixed](int length) { return fixed + 2 * length + 2; };
    // fewest[b]: the fewest rows that fill b bytes exactly (-1: none do).
    std::vector<int> fewest(static_cast<std::size_t>(free) + 1, -1);
    fewest[0] = 0;
    for (long b = 1; b <= free; ++b) {
        for (int length = 1; length <= 64 && row(length) <= b; ++length) {
            const int before = fewest[static_cast<std::size_t>(b - row(length))];
            int &best = fewest[static_cast<std::size_t>(b)];
            if (before >= 0 && (best < 0 || before + 1 < best)) {
                best = before + 1;
            }
        }
    }
    std::vector<int> lengths;
    for (long b = free; b > 0;) {
        const int n = fewest[static_cast<std::size_t>(b)];
        if (n < 0) {
            return {};
        }
        int length = 64;
        while (length >= 1 &&
               (row(length) > b || fewest[static_cast<std::size_t>(b - row(length))] != n - 1)) {
            --length;
        }
        if (length < 1) {
            return {};
        }
        lengths.push_back(length);
        b -= row(length);
    }
    return lengths;
}

TEST(AccessBounds, ADatabaseWhoseCataloguePageIsFilledToTheLastByteTakesAnotherTable) {
    WINVESK_NEEDS_TOOL("mdb-tables");
    TempDir dir;
    const std::string file = (dir.path() / "Grown.mdb").string();
    const std::vector<TableColumn> columns = {{"v", ColumnType::Float}};
    const std::vector<std::vector<Cell>> oneRow = {{1.5}};
    std::string error;
    ASSERT_TRUE(writeTable(file, columns, oneRow, &error)) << error;
    const std::vector<std::size_t> before = cataloguePages(file);
    ASSERT_EQ(before.size(), 1u);

    // The size of a catalogue row, from one table more. A table the writer
    // refuses ends the test.
    auto addTables = [&](const std::vector<std::string> &names) {
        TableSession session;
        std::vector<std::unique_ptr<TableWriter>> writers;
        for (const std::string &name : names) {
            writers.push_back(session.createTable(file, name, columns, &error));
            ASSERT_TRUE(writers.back()) << error;
            ASSERT_TRUE(writers.back()->append(oneRow[0], &error)) << error;
        }
        for (auto &w : writers) {
            ASSERT_TRUE(w->close(&error)) << error;
        }
    };
    ASSERT_NO_FATAL_FAILURE(addTables({std::string(10, 'A')}));
    const std::vector<std::size_t> after = cataloguePages(file);
    ASSERT_EQ(after.size(), 1u);
    const long fixed = static_cast<long>(before[0] - after[0]) - 2 * 10 - 2;
    const std::vector<int> lengths = namesFilling(static_cast<long>(after[0]), fixed);
    ASSERT_FALSE(lengths.empty()) << after[0] << " free bytes, rows of " << fixed << " bytes and a name";
    std::vector<std::string> names;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        names.push_back(std::string(1, static_cast<char>('B' + i)) +
                        std::string(static_cast<std::size_t>(lengths[i] - 1), 'x'));
    }
    ASSERT_NO_FATAL_FAILURE(addTables(names));
    ASSERT_EQ(cataloguePages(file), std::vector<std::size_t>{0})
        << "the catalogue page is full to its last byte";

    // The full page is read as it was written: the database takes one table more.
    ASSERT_TRUE(writeTable(file, columns, {{2.5}}, &error, "Last")) << error;
    int status = 0;
    const std::string listed =
        test::commandOutput("mdb-tables -1 " + test::shellQuoted(file) + " 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    for (const std::string &name : names) {
        EXPECT_NE(listed.find(name + "\n"), std::string::npos) << name << " in\n" << listed;
        TableData t;
        ASSERT_TRUE(readTable(file, name, &t, &error)) << error;
        EXPECT_EQ(t.rows, oneRow);
    }
    TableData t;
    ASSERT_TRUE(readTable(file, "Last", &t, &error)) << error;
    EXPECT_EQ(t.rows, (std::vector<std::vector<Cell>>{{2.5}}));
    ASSERT_TRUE(readTable(file, "Bounds", &t, &error)) << error;
    EXPECT_EQ(t.rows, oneRow) << "the first table as it was";
}

} // namespace
} // namespace vesk
