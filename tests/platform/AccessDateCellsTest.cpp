// Date cells of Access tables at the ends of the dates Access holds (the
// years 100 to 9999) and beyond them, where only damage puts a value: a
// serial such as 1e300 or a NaN. The cells are those of the catalogue, whose
// every row holds two dates, in a database our writer made and damaged here.

#include "platform/tables/JetDatabase.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/JetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

namespace vesk {
namespace {

using test::TempDir;
namespace jet = tables::jet;

// A database holding the table Hourly; *row is the catalogue's row (from 1)
// that describes it, as a reader of MSysObjects counts them.
std::string databaseWithHourly(const TempDir &dir, std::size_t *row) {
    const std::string file = (dir.path() / "Dates.mdb").string();
    std::string error;
    auto w = createTable(file, "Hourly", {{"NO2", ColumnType::Float}}, &error);
    EXPECT_TRUE(w && w->append({1.5}, &error) && w->close(&error)) << error;
    TableData catalogue;
    EXPECT_TRUE(readTable(file, "MSysObjects", &catalogue, &error)) << error;
    const auto name = std::find(catalogue.fields.begin(), catalogue.fields.end(), "Name");
    EXPECT_NE(name, catalogue.fields.end());
    *row = 0;
    for (std::size_t r = 0; r < catalogue.rows.size() && name != catalogue.fields.end(); ++r) {
        if (catalogue.rows[r][static_cast<std::size_t>(name - catalogue.fields.begin())] == Cell("Hourly")) {
            *row = r + 1;
        }
    }
    EXPECT_NE(*row, 0u) << "the catalogue describes the table";
    return file;
}

// Stores the serial as the creation date of the table Hourly in the catalogue.
void setDateCreate(const std::string &file, double serial) {
    jet::Database db;
    bool exists = false;
    std::string error;
    ASSERT_TRUE(test::loadDatabaseByName(file, db, &exists, &error)) << error;
    const auto &cols = db.catalogue.columns;
    const auto column =
        std::find_if(cols.begin(), cols.end(), [](const jet::Column &c) { return c.name == "DateCreate"; });
    ASSERT_NE(column, cols.end());
    auto entry = std::find_if(db.entries.begin(), db.entries.end(),
                              [&](const auto &e) { return e.name(db.file.format) == "Hourly"; });
    ASSERT_NE(entry, db.entries.end());
    entry->values[static_cast<std::size_t>(column - cols.begin())] = jet::doubleBytes(serial);
    ASSERT_TRUE(jet::replaceRow(db.file, entry->page << 8 | entry->row,
                                jet::encodeRow(cols, entry->values, db.file.format), 0));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << db.file.bytes;
}

// The creation date of the table Hourly as the reader gives it.
std::string dateCreateRead(const std::string &file, std::size_t row, std::string *error) {
    TableData t;
    if (!readTable(file, "MSysObjects", &t, error)) {
        return {};
    }
    const auto column = std::find(t.fields.begin(), t.fields.end(), "DateCreate");
    if (column == t.fields.end() || row > t.rows.size()) {
        return "<no such cell>";
    }
    const Cell &cell = t.rows[row - 1][static_cast<std::size_t>(column - t.fields.begin())];
    const auto *text = std::get_if<std::string>(&cell);
    return text ? *text : "<not a text>";
}

// OLE serials of the first and the last day Access holds.
constexpr double kFirstDay = -657434; // 0100-01-01
constexpr double kLastDay = 2958465;  // 9999-12-31

struct DateCell {
    const char *name;
    double serial;
    const char *read; // "" for a damaged cell
};

void PrintTo(const DateCell &c, std::ostream *os) {
    *os << c.name;
}

class AccessDateCells : public testing::TestWithParam<DateCell> {};

TEST_P(AccessDateCells, AreReadAsDatesWithinTheYearsAccessHoldsAndAsDamageBeyond) {
    TempDir dir;
    std::size_t row = 0;
    const std::string file = databaseWithHourly(dir, &row);
    ASSERT_FALSE(HasFailure());
    ASSERT_NO_FATAL_FAILURE(setDateCreate(file, GetParam().serial));
    std::string error;
    const std::string read = dateCreateRead(file, row, &error);
    if (*GetParam().read != '\0') {
        EXPECT_EQ(read, GetParam().read) << error;
        return;
    }
    EXPECT_EQ(read, "") << "a damaged date is no date";
    EXPECT_EQ(error, "The Access file " + file + " is damaged: row " + std::to_string(row) +
                         " of the table MSysObjects holds a date outside the years 100 to 9999 in the "
                         "column DateCreate.");

    // The writer reads the catalogue before it writes: the damage is named there too.
    const std::string before = test::readFile(file);
    EXPECT_EQ(createTable(file, "Other", {{"x", ColumnType::Float}}, &error), nullptr);
    EXPECT_NE(error.find("its catalogue cannot be read"), std::string::npos) << error;
    EXPECT_NE(error.find("row " + std::to_string(row) + " of the table MSysObjects"), std::string::npos)
        << error;
    EXPECT_EQ(test::readFile(file), before);
}

INSTANTIATE_TEST_SUITE_P(
    Serials, AccessDateCells,
    testing::Values(DateCell{"the first day", kFirstDay, "0100-01-01 00:00:00"},
                    DateCell{"noon of the first day", kFirstDay - 0.5, "0100-01-01 12:00:00"},
                    DateCell{"the last second", kLastDay + 86399.0 / 86400, "9999-12-31 23:59:59"},
                    DateCell{"an hour of 2023", 45000.625, "2023-03-15 15:00:00"},
                    DateCell{"the day before the first", kFirstDay - 1, ""},
                    DateCell{"the day after the last", kLastDay + 1, ""},
                    DateCell{"rounded past the last second", kLastDay + 0.9999999999, ""},
                    DateCell{"1e300", 1e300, ""}, DateCell{"-1e300", -1e300, ""},
                    DateCell{"NaN", std::numeric_limits<double>::quiet_NaN(), ""},
                    DateCell{"infinity", std::numeric_limits<double>::infinity(), ""},
                    DateCell{"minus infinity", -std::numeric_limits<double>::infinity(), ""}),
    [](const testing::TestParamInfo<DateCell> &info) { return test::testNameOf(info.param.name); });

} // namespace
} // namespace vesk
