// Where a listed data file lies and which column names its header holds:
// text files, workbooks and Access tables.

#include "project/DataFileHeader.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using test::TempDir;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

struct RenameCase {
    Names given;
    Names unique;
};

class RepeatedColumnNames : public ::testing::TestWithParam<RenameCase> {};

std::string joined(const Names &names) {
    std::string out;
    for (const auto &n : names) {
        out += (out.empty() ? "" : "_") + n;
    }
    return out;
}

} // namespace

TEST_P(RepeatedColumnNames, ChangeOnlyTheirTrailingNumberUntilUnique) {
    EXPECT_EQ(uniqueColumnNames(GetParam().given), GetParam().unique);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RepeatedColumnNames,
    ::testing::Values(RenameCase{{"Date", "Hour", "T_1", "T_1"}, {"Date", "Hour", "T_1", "T_2"}},
                      RenameCase{{"A", "A", "A"}, {"A", "A_1", "A_2"}},
                      RenameCase{{"NO2_2", "NO2_2"}, {"NO2_2", "NO2_3"}},
                      RenameCase{{"c_mod", "c_mod", "c_mod"}, {"c_mod", "c_mod_1", "c_mod_2"}},
                      RenameCase{{"x_9", "x_9", "x_10"}, {"x_9", "x_10", "x_11"}},
                      RenameCase{{"hour", "HOUR"}, {"hour", "HOUR_1"}},
                      RenameCase{{"a_", "a_"}, {"a_", "a__1"}}),
    [](const auto &info) { return test::testNameOf(joined(info.param.given)); });

TEST(DataFileHeader, ATextHeaderGivesEveryFieldWithQuotesKeptAndNoLimitOnTheirNumber) {
    TempDir dir;
    std::string line = "\"a b\";year\thour  u_mast,temp";
    for (int i = 0; i < 150; ++i) {
        line += " c" + std::to_string(i);
    }
    const auto path = dir.write("met.txt", line + "\r\n1 2 3\r\n").string();
    const FileHeader h = readDataFileHeader(path, ".");
    ASSERT_TRUE(h.ok()) << h.detail;
    ASSERT_EQ(h.names.size(), 155u);
    EXPECT_EQ(h.names[0], "\"a b\"");
    EXPECT_EQ(h.names[4], "temp");
    EXPECT_EQ(h.names[154], "c149");
}

TEST(DataFileHeader, WithADecimalCommaACommaDoesNotSeparateNames) {
    TempDir dir;
    const auto path = dir.write("x.txt", "year,hour;u\r\n").string();
    EXPECT_EQ(readDataFileHeader(path, ",").names, (Names{"year,hour", "u"}));
    EXPECT_EQ(readDataFileHeader(path, ".").names, (Names{"year", "hour", "u"}));
}

TEST(DataFileHeader, AWorkbookSheetGivesItsFirstRowAndRepeatsAreRenamed) {
    TempDir dir;
    const std::string book = (dir.path() / "met.xls").string();
    std::string error;
    auto writer = createTable(book, "Data", {{"year"}, {"cNO2_b"}, {"T_1"}, {"T_1"}}, &error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->append({2023.0, 10.0, 1.0, 2.0}, &error)) << error;
    ASSERT_TRUE(writer->close(&error)) << error;
    const FileHeader h = readDataFileHeader(book + ";Data$", ".");
    ASSERT_TRUE(h.ok()) << h.detail;
    EXPECT_EQ(h.names, (Names{"year", "cNO2_b", "T_1", "T_2"}));
}

TEST(DataFileHeader, AnAccessTableGivesItsFieldNamesInOrder) {
    const fs::path source = test::sharedTestFile("mdb/nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    TempDir dir;
    fs::copy_file(source, dir.path() / "nwind.mdb");
    const FileHeader h = readDataFileHeader((dir.path() / "nwind.mdb").string() + ";Order Details", ".");
    ASSERT_TRUE(h.ok()) << h.detail;
    EXPECT_EQ(h.names, (Names{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));
}

TEST(DataFileHeader, FailuresAreToldApart) {
    TempDir dir;
    EXPECT_EQ(readDataFileHeader((dir.path() / "none.txt").string(), ".").failure,
              HeaderFailure::NotAccessible);
    EXPECT_EQ(readDataFileHeader((dir.path() / "none.xls").string() + ";Sheet1$", ".").failure,
              HeaderFailure::NotAccessible);
    const auto damaged = dir.write("damaged.xls", "not a workbook").string();
    const FileHeader h = readDataFileHeader(damaged + ";Sheet1$", ".");
    EXPECT_EQ(h.failure, HeaderFailure::Unreadable);
    EXPECT_FALSE(h.detail.empty());
    EXPECT_EQ(readDataFileHeader(dir.write("new.xlsx", "x").string() + ";Sheet1", ".").failure,
              HeaderFailure::NotRecognised);
}

TEST(DataFilePath, ABareNameLiesInTheWorkingFolderADotNameInTheNationalFolderAndAPathWhereItPoints) {
    TempDir dir;
    dir.write("work/Met.txt", "x");
    dir.write("metback/Std.TXT", "x");
    const std::string work = (dir.path() / "work").string() + "/";
    const std::string metBack = (dir.path() / "metback").string();
    EXPECT_EQ(dataFilePath("Met.txt", work, metBack), work + "Met.txt");
    EXPECT_EQ(dataFilePath("MET.TXT", work, metBack), work + "Met.txt") << "letter case ignored";
    EXPECT_EQ(dataFilePath(".\\std.txt", work, metBack), metBack + "/Std.TXT");
    EXPECT_EQ(dataFilePath("/elsewhere/x.dat", work, metBack), "/elsewhere/x.dat");
    EXPECT_EQ(dataFilePath(".\\Book.xls;My Sheet$", work, metBack), metBack + "/Book.xls;My Sheet$");
    EXPECT_EQ(dataFilePath("/a.b/file", work, metBack), "/a.b/file") << "a dot in a folder is no extension";
    EXPECT_EQ(dataFilePath("/x/book.xls", work, metBack), "/x/book.xls") << "no table: no semicolon added";
    EXPECT_EQ(dataFilePath("a;b.txt", work, metBack), work + "a;b.txt");
}

TEST(StoredDataFileName, StoresTheFilePartOfAChoiceAsAProjectDoesAndKeepsItsTable) {
    const std::string work = "/w/proj/", metBack = "/app/MetBack/DL";
    EXPECT_EQ(storedDataFileName("/w/proj/met/Met.txt", work, metBack), "met\\Met.txt");
    EXPECT_EQ(storedDataFileName("/w/proj/res/Db.mdb;Hourly/Out", work, ""), "res\\Db.mdb;Hourly/Out")
        << "a \"/\" in the table's name is no folder";
    EXPECT_EQ(storedDataFileName("/app/MetBack/DL/Book.xls;My Sheet$", work, metBack),
              ".\\Book.xls;My Sheet$");
    EXPECT_EQ(storedDataFileName("/x/a;b.txt", work, metBack), "/x/a;b.txt");
    EXPECT_EQ(storedDataFileName("", work, metBack), "");
}

TEST(ColumnCaptions, TakeTheDecimalSeparatorWhereTheDriverWroteANumberSign) {
    EXPECT_EQ(columnCaption("cPM2#5_b", "."), "cPM2.5_b");
    EXPECT_EQ(columnCaption("cPM2#5_b", ","), "cPM2,5_b");
}

TEST(DataFileHeader, LinesEndedByACarriageReturnAloneGiveTheFirstLinesNames) {
    TempDir dir;
    const auto path = dir.write("mac.txt", "year month day\r2023 3 6\r2023 3 7\r").string();
    const FileHeader h = readDataFileHeader(path, ".");
    ASSERT_TRUE(h.ok()) << h.detail;
    EXPECT_EQ(h.names, (Names{"year", "month", "day"}));
}

TEST(DataFileHeader, AFirstLineBeyondAMegabyteIsRefusedWithoutReadingTheFileWhole) {
    TempDir dir;
    const auto path = dir.write("long.txt", std::string((1 << 20) + 1, 'x') + "\r\n1 2 3\r\n").string();
    const FileHeader h = readDataFileHeader(path, ".");
    EXPECT_EQ(h.failure, HeaderFailure::Unreadable);
    EXPECT_EQ(h.detail, "The first line of " + path +
                            " is longer than 1048576 characters: it is no line of "
                            "column titles.");
    const std::string longest((1 << 20) - 1, 'x'); // with its CR, the longest line read
    const auto bound = dir.write("bound.txt", longest + "\r\n").string();
    EXPECT_EQ(readDataFileHeader(bound, ".").names, Names{longest}) << "a line at the bound";
}

TEST(RepeatedColumnNames, ManyRepeatsGoOnCountingWhereTheLastStoppedPastNamesTakenOtherwise) {
    EXPECT_EQ(uniqueColumnNames({"A", "a_1", "A", "Hour_9", "A", "hour_9", "HOUR_9", "a_4", "A"}),
              (Names{"A", "a_1", "A_2", "Hour_9", "A_3", "hour_10", "HOUR_11", "a_4", "A_5"}));
    // Two hundred thousand titles alike: counting each from the start took
    // time with the square of their number.
    const Names many = uniqueColumnNames(Names(200000, "ab"));
    ASSERT_EQ(many.size(), 200000u);
    EXPECT_EQ(many[0], "ab");
    EXPECT_EQ(many[1], "ab_1");
    EXPECT_EQ(many.back(), "ab_199999");
}
