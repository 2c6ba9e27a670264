#include "platform/tables/TableAddress.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

struct AddressCase {
    const char *address;
    TableKind kind;
    const char *file;
    const char *table;
    bool unsupported;
};

class TableAddresses : public ::testing::TestWithParam<AddressCase> {};

TEST_P(TableAddresses, SplitIntoFileAndTableByTheFilePartsExtension) {
    const auto &c = GetParam();
    auto a = parseTableAddress(c.address);
    EXPECT_EQ(a.kind, c.kind) << c.address;
    EXPECT_EQ(a.file, c.file) << c.address;
    EXPECT_EQ(a.table, c.table) << c.address;
    EXPECT_EQ(a.unsupported, c.unsupported) << c.address;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableAddresses,
    ::testing::Values(
        AddressCase{"C:\\data\\met.xls;Sheet1$", TableKind::Excel, "C:\\data\\met.xls", "Sheet1$", false},
        AddressCase{"/data/met.XLS;Sheet1$", TableKind::Excel, "/data/met.XLS", "Sheet1$", false},
        AddressCase{"C:\\data\\hourly.mdb", TableKind::Access, "C:\\data\\hourly.mdb", "", false},
        AddressCase{"C:\\my.data\\hourly", TableKind::Text, "C:\\my.data\\hourly", "", false},
        AddressCase{"C:\\data\\hourly.txt", TableKind::Text, "C:\\data\\hourly.txt", "", false},
        AddressCase{"C:\\data\\x.dat;name", TableKind::Text, "C:\\data\\x.dat;name", "", false},
        AddressCase{"C:\\data\\met.xlsx;Sheet1$", TableKind::Text, "C:\\data\\met.xlsx", "Sheet1$", true},
        AddressCase{"C:\\data\\met.accdb", TableKind::Text, "C:\\data\\met.accdb", "", true},
        AddressCase{"C:\\data\\book.xls;Data 01.02.2003$", TableKind::Excel, "C:\\data\\book.xls",
                    "Data 01.02.2003$", false},
        AddressCase{"C:\\data\\a;b.mdb;T1", TableKind::Access, "C:\\data\\a;b.mdb", "T1", false},
        AddressCase{"/d/lotus.wk3;A:", TableKind::Lotus, "/d/lotus.wk3", "A:", false},
        AddressCase{"/d/lotus.wks", TableKind::Lotus, "/d/lotus.wks", "", false}));

struct ChooserCase {
    const char *name;
    TableNameKind kind;
    const char *completed;
};

class TableChooserNames : public ::testing::TestWithParam<ChooserCase> {};

TEST_P(TableChooserNames, AreClassifiedAndCompletedWithTheTableEnding) {
    const auto &c = GetParam();
    auto r = classifyTableName(c.name);
    EXPECT_EQ(r.kind, c.kind) << c.name;
    EXPECT_EQ(r.completed, c.completed) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableChooserNames,
    ::testing::Values(ChooserCase{"C:\\data\\folder", TableNameKind::PlainFile, "C:\\data\\folder"},
                      ChooserCase{"met.txt", TableNameKind::PlainFile, "met.txt"},
                      ChooserCase{"book.XLS;Sheet1", TableNameKind::FinishedTable, "book.XLS;Sheet1$"},
                      ChooserCase{"book.xls;Sheet1$", TableNameKind::FinishedTable, "book.xls;Sheet1$"},
                      ChooserCase{"book.xls;Data 01.02.2003", TableNameKind::FinishedTable,
                                  "book.xls;Data 01.02.2003$"},
                      ChooserCase{"sheet.wk1;A", TableNameKind::FinishedTable, "sheet.wk1;A:"},
                      ChooserCase{"db.mdb;Hourly", TableNameKind::FinishedTable, "db.mdb;Hourly"},
                      ChooserCase{"book.xlsx;Sheet1", TableNameKind::NotRecognised, "book.xlsx;Sheet1"},
                      ChooserCase{"book.xlsx", TableNameKind::NotRecognised, "book.xlsx"},
                      ChooserCase{"db.mdb", TableNameKind::NeedsTable, "db.mdb"}));

TEST(TextTables, FirstLineNamesTheFieldsAndItemsFollowTheListLineRule) {
    test::TempDir dir;
    auto file = dir.write("met.txt", "day;hour;\"u mast\";note\r\n1;1;2.5;\"a b\"\r\n1 2 na\r\n\r\n");
    TableData t;
    std::string error;
    ASSERT_TRUE(readTable(file.string(), "", &t, &error)) << error;
    EXPECT_EQ(t.fields, (std::vector<std::string>{"day", "hour", "u mast", "note"}));
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(std::get<double>(t.rows[0][2]), 2.5);
    EXPECT_EQ(std::get<std::string>(t.rows[0][3]), "a b");
    EXPECT_EQ(std::get<std::string>(t.rows[1][2]), "na");
    EXPECT_TRUE(isNull(t.rows[1][3]));

    auto out = (dir.path() / "out.txt").string();
    auto w = createTable(out, "", {{"a", ColumnType::Float}, {"b", ColumnType::Text}}, &error);
    ASSERT_NE(w, nullptr) << error;
    ASSERT_TRUE(w->append({1.5, std::string("x")}, &error));
    ASSERT_TRUE(w->append({-99.0}, &error));
    ASSERT_TRUE(w->close(&error)) << error;
    EXPECT_EQ(test::readFile(out), "a;b\r\n1.5;x\r\n;\r\n");
}

} // namespace
} // namespace vesk
