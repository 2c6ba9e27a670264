// Damaged Lotus files of the kinds libwps reads for us (.wks, .wk3, .wk4):
// a file cut short, anywhere, is refused as damaged, never read as a shorter
// table whose cut last row would end the hours of a run.

#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
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
