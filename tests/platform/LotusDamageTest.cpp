// Damaged Lotus files of the kinds libwps reads for us (.wks, .wk3, .wk4):
// a file cut short, anywhere, or damaged inside so that libwps cannot read
// on, is refused as damaged, never read as a shorter table whose cut last
// row would end the hours of a run; a damaged cell address never puts a
// value in another cell's place.

#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace vesk {
namespace {

using test::TempDir;

// A hundred hours in the layout of the run's input: the hour not first, so
// that a row cut short loses it.
tables::Sheet hundredHours() {
    tables::Sheet sheet{"Met", {{std::string("u_mast"), std::string("hour"), std::string("wind_dir")}}};
    for (int r = 1; r <= 100; ++r) {
        sheet.rows.push_back({1.5 + r, static_cast<double>(r % 24 + 1), static_cast<double>(r * 7 % 360)});
    }
    return sheet;
}

std::string bytesOf(const std::string &ext) {
    const tables::Sheet sheet = hundredHours();
    return ext == "wks" ? tables::wk1Bytes(sheet, 0x0404)
                        : tables::wk3Bytes(sheet, ext == "wk3" ? 0x1000 : 0x1002);
}

// Where each record of the file begins, the end record last.
std::vector<std::size_t> recordStarts(const std::string &bytes) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        starts.push_back(at);
        at +=
            4 + (static_cast<unsigned char>(bytes[at + 2]) | static_cast<unsigned char>(bytes[at + 3]) << 8);
    }
    return starts;
}

class LotusCut : public testing::TestWithParam<const char *> {
protected:
    std::string ext() const { return GetParam(); }
    // Reads the bytes as a file of the kind: the rows of values, or nullopt with *error.
    std::optional<std::size_t> rowsRead(const std::string &bytes, std::string *error) const {
        const auto file = dir.write("met." + ext(), bytes).string();
        TableData t;
        if (!readTable(file, "Met", &t, error)) {
            return std::nullopt;
        }
        return t.rows.size();
    }
    TempDir dir;
};

TEST_P(LotusCut, AFileCutAtAnyRecordOrInsideOneIsDamagedNeverAShorterTable) {
    const std::string whole = bytesOf(ext());
    const std::string file = (dir.path() / ("met." + ext())).string();
    std::string error;
    ASSERT_EQ(rowsRead(whole, &error), 100u) << error;

    // Cut between two records: the rows before the cut are whole, the last
    // one perhaps without its hour.
    const std::vector<std::size_t> starts = recordStarts(whole);
    ASSERT_GT(starts.size(), 300u);
    for (std::size_t i = 1; i < starts.size(); i += 13) {
        const auto read = rowsRead(whole.substr(0, starts[i]), &error);
        EXPECT_FALSE(read) << "cut at the record at byte " << starts[i] << ": " << *read << " rows";
        EXPECT_EQ(error, "The Lotus file " + file + " is damaged: it ends before its end record (at byte " +
                             std::to_string(starts[i]) + ").");
    }
    // Cut inside a record, as at 30 % of the file.
    for (const std::size_t percent : {5u, 30u, 62u, 99u}) {
        std::size_t cut = whole.size() * percent / 100;
        while (std::find(starts.begin(), starts.end(), cut) != starts.end()) {
            ++cut;
        }
        const auto read = rowsRead(whole.substr(0, cut), &error);
        EXPECT_FALSE(read) << "cut at " << percent << " %: " << *read << " rows";
        EXPECT_NE(error.find("is damaged: it ends "), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, LotusCut, testing::Values("wks", "wk3", "wk4"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param);
                         });

// The record of the cell (col, row) in the bytes of the hundred hours.
std::size_t cellRecord(const std::string &bytes, const std::string &ext, std::size_t col, std::size_t row) {
    for (const std::size_t at : recordStarts(bytes)) {
        const auto type = static_cast<unsigned char>(bytes[at]);
        if (ext == "wks" && type >= 0x0C && type <= 0x0F && tables::get16(bytes, at + 5) == col &&
            tables::get16(bytes, at + 7) == row) {
            return at;
        }
        if (ext != "wks" && (type == 0x16 || type == 0x17) && tables::get16(bytes, at + 4) == row &&
            static_cast<unsigned char>(bytes[at + 7]) == col) {
            return at;
        }
    }
    ADD_FAILURE() << "no cell " << tables::cellName(col, row);
    return 0;
}

// Where the row word of a cell record lies.
std::size_t rowWord(const std::string &ext, std::size_t record) {
    return record + (ext == "wks" ? 7 : 4);
}

std::string with16(std::string bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
    return bytes;
}

class LotusInside : public LotusCut {};

// The hour of row 52 (B52) damaged in its record's type or length: libwps
// would stop there and give the 51 rows before it.
TEST_P(LotusInside, ADamagedCellRecordIsDamageNamingWhereNeverAShorterTable) {
    const std::string whole = bytesOf(ext());
    const std::string file = (dir.path() / ("met." + ext())).string();
    const std::size_t hour = cellRecord(whole, ext(), 1, 51);
    const std::string damaged = "The Lotus file " + file + " is damaged: ";
    struct Case {
        const char *what;
        std::string bytes;
        std::string says;
    };
    const Case cases[] = {
        {"the high bit of the type turned over", with16(whole, hour, tables::get16(whole, hour) | 0x8000),
         "the record at byte " + std::to_string(hour) + " is of a type (" +
             tables::lotusTypeText(tables::get16(whole, hour) | 0x8000) + ") no Lotus worksheet holds"},
        {"no length", with16(whole, hour + 2, 0),
         "the record at byte " + std::to_string(hour) + " cannot be decoded (cell length)"},
        {"a longer length", with16(whole, hour + 2, 30),
         "the record at byte " + std::to_string(hour) + " cannot be decoded (cell length)"},
        {"the type of the end record", with16(whole, hour, 0x0001),
         "the record at byte " + std::to_string(hour) + " cannot be decoded (end record)"},
        {"the type of the beginning", with16(whole, hour, 0x0000),
         "the record at byte " + std::to_string(hour) + " cannot be decoded (a second beginning)"},
    };
    for (const Case &c : cases) {
        std::string error;
        const auto read = rowsRead(c.bytes, &error);
        EXPECT_FALSE(read) << c.what << ": " << *read << " rows";
        EXPECT_EQ(error, damaged + c.says + ".") << c.what;
    }
}

// The hour of row 52 given the type of a record that holds no cell: where
// libwps stops reading at it, the message names it, not a cell after it.
TEST_P(LotusInside, TheRecordLibwpsStopsAtIsNamedNotACellAfterIt) {
    const std::string whole = bytesOf(ext());
    const std::string path = (dir.path() / ("met." + ext())).string();
    const std::size_t hour = cellRecord(whole, ext(), 1, 51);
    const std::size_t next = cellRecord(whole, ext(), 2, 51);
    const std::string stops = "The Lotus file " + path +
                              " is damaged: its reading stops at the record at byte " + std::to_string(hour);
    int stopped = 0;
    for (std::uint16_t type = 0x02; type <= 0xFF; ++type) {
        if (ext() == "wks" ? !tables::lotusRelease2Record(type) : type > 0x24) {
            continue; // the walk refuses a type the release does not define (LotusRecordTypesTest.cpp)
        }
        // Read here, not in a helper process as the runs read it: a hundred reads.
        const std::string file = dir.write("met." + ext(), with16(whole, hour, type)).string();
        std::vector<tables::Sheet> sheets;
        std::string error;
        if (tables::lotusReadSheets(file, &sheets, &error)) {
            EXPECT_EQ(tables::tableFromSheet(sheets.front()).rows.size(), 100u)
                << "the type " << tables::lotusTypeText(type);
        } else if (error.find("its reading stops") != std::string::npos) {
            ++stopped;
            // libwps ends in an error, or gives the cells before the record.
            EXPECT_TRUE(error == stops + "." || error == stops + ": the cell C52 of the record at byte " +
                                                             std::to_string(next) +
                                                             " cannot be read (nor 147 later cells).")
                << "the type " << tables::lotusTypeText(type) << ": " << error;
        }
    }
    if (ext() != "wk4") {
        EXPECT_GT(stopped, 0) << "a type libwps stops at"; // it reads on over every type of release 4
    }
}

// The range and the calculation settings before the cells, made longer or
// shorter: the refusal names the record, not the bytes after it where the
// walk would stumble.
TEST(LotusDamage, ASettingsRecordOfAnotherLengthIsNamedItself) {
    TempDir dir;
    const std::string whole = bytesOf("wks");
    const auto file = (dir.path() / "met.wks").string();
    const std::vector<std::size_t> starts = recordStarts(whole);
    ASSERT_EQ(std::vector<std::size_t>(starts.begin(), starts.begin() + 4),
              (std::vector<std::size_t>{0, 6, 18, 23}));
    for (const std::size_t at : {starts[1], starts[2], starts[3]}) {
        const std::uint16_t length = tables::get16(whole, at + 2);
        for (const int change : {-1, 1, 2, 7}) {
            dir.write("met.wks", with16(whole, at + 2, static_cast<std::uint16_t>(length + change)));
            TableData t;
            std::string error;
            EXPECT_FALSE(readTable(file, "Met", &t, &error)) << at << " " << change;
            EXPECT_EQ(error, "The Lotus file " + file + " is damaged: the record at byte " +
                                 std::to_string(at) + " cannot be decoded (length).")
                << "its length " << length << " changed by " << change;
        }
    }
}

// A block of zeros anywhere: the table is refused or read with its hundred
// hours, never fewer. (A step prime to the record lengths reaches every
// place within the records.)
TEST_P(LotusInside, NoZeroedBytesGiveFewerHours) {
    const std::string whole = bytesOf(ext());
    int refused = 0;
    for (std::size_t i = 0; i + 16 < whole.size(); i += 47) {
        std::string bytes = whole;
        std::fill(bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(i + 16), '\0');
        std::string error;
        const auto read = rowsRead(bytes, &error);
        if (!read) {
            ++refused;
            EXPECT_NE(error.find(dir.path().string()), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(*read, 100u) << "zeros at byte " << i;
    }
    EXPECT_GT(refused, 0);
}

// A damaged row word that puts a cell at the address of another is refused
// naming the cell, as in .xls and .wk1 files: the value never replaces
// another one.
TEST_P(LotusInside, ACellMovedOntoAnotherIsDamageNamingTheCell) {
    const std::string whole = bytesOf(ext());
    const std::string file = (dir.path() / ("met." + ext())).string();
    std::string error;
    const std::size_t hour = cellRecord(whole, ext(), 1, 51);
    EXPECT_FALSE(rowsRead(with16(whole, rowWord(ext(), hour), 50), &error));
    EXPECT_EQ(error, "The Lotus file " + file + " is damaged: the record at byte " + std::to_string(hour) +
                         " cannot be decoded (a second cell at B51).");
    int tried = 0;
    for (std::size_t row = 1; row <= 100; row += 9) {
        for (std::size_t col = 0; col < 3; ++col) {
            const std::size_t record = cellRecord(whole, ext(), col, row);
            for (const int delta : {-1, 1, 5}) {
                if (row + delta > 100) {
                    continue;
                }
                ++tried;
                const auto read = rowsRead(
                    with16(whole, rowWord(ext(), record), static_cast<std::uint16_t>(row + delta)), &error);
                EXPECT_FALSE(read) << tables::cellName(col, row) << " moved by " << delta << " rows";
                EXPECT_NE(error.find("(a second cell at " + tables::cellName(col, row + delta) + ")"),
                          std::string::npos)
                    << error;
            }
        }
    }
    EXPECT_GT(tried, 80);
}

// Labels of no text, with their alignment prefix or without one, are whole
// records: empty cells, no damage.
TEST_P(LotusInside, LabelsOfNoTextAreEmptyCells) {
    const std::string whole = bytesOf(ext());
    // The name of column A made a label of the prefix alone, that of column B
    // a label of nothing but its closing NUL.
    const std::size_t a = cellRecord(whole, ext(), 0, 0), b = cellRecord(whole, ext(), 1, 0);
    const std::size_t address = ext() == "wks" ? 5 : 4; // the label's text begins after it
    auto emptied = [&](std::size_t at, const std::string &text) {
        return with16(whole.substr(at, 4 + address), 2, static_cast<std::uint16_t>(address + text.size())) +
               text;
    };
    ASSERT_EQ(a + 4 + tables::get16(whole, a + 2), b);
    const std::string bytes = whole.substr(0, a) + emptied(a, std::string("'") + '\0') +
                              emptied(b, std::string(1, '\0')) +
                              whole.substr(b + 4 + tables::get16(whole, b + 2));
    const auto file = dir.write("met." + ext(), bytes).string();
    TableData t;
    std::string error;
    ASSERT_TRUE(readTable(file, "Met", &t, &error)) << error;
    EXPECT_EQ(t.fields, (std::vector<std::string>{"F1", "F2", "wind_dir"}));
    EXPECT_EQ(t.rows.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, LotusInside, testing::Values("wks", "wk3", "wk4"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param);
                         });

// A release 1A file whose last cell record libwps cannot read: no cell after
// it is missing, but libwps stops at it, before the end record.
TEST(LotusDamage, AReadingThatStopsBeforeTheEndRecordIsDamage) {
    TempDir dir;
    const std::string whole = bytesOf("wks");
    const std::size_t last = cellRecord(whole, "wks", 2, 100);
    const auto file = dir.write("met.wks", with16(whole, last, 0x0008)).string();
    TableData t;
    std::string error;
    EXPECT_FALSE(readTable(file, "Met", &t, &error)) << t.rows.size() << " rows";
    EXPECT_EQ(error, "The Lotus file " + file + " is damaged: its reading stops at the record at byte " +
                         std::to_string(last) + ", before its end record (at byte " +
                         std::to_string(whole.size() - 4) + ").");
}

TEST(LotusDamage, ARelease1AFileWithDataAfterItsEndIsDamaged) {
    TempDir dir;
    const std::string bytes = bytesOf("wks");
    const auto file = dir.write("met.wks", bytes + bytes.substr(6, 40)).string();
    TableData t;
    std::string error;
    EXPECT_FALSE(readTable(file, "Met", &t, &error));
    EXPECT_EQ(error, "The Lotus file " + file + " is damaged: it holds data after its end record (at byte " +
                         std::to_string(bytes.size()) + ").");
    // Padding is no data.
    dir.write("met.wks", bytes + std::string(3, '\x1A'));
    EXPECT_TRUE(readTable(file, "Met", &t, &error)) << error;
    EXPECT_EQ(t.rows.size(), 100u);
}

} // namespace
} // namespace vesk
