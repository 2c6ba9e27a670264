// What a restore reads from a list's backup before it copies it back: the
// pollutants and the percentile definitions read as the country's load reads
// the same text, and a backup that cannot be read gives the reader's reason.

#include "core/RestoredLists.h"

#include "CoreTestData.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

TEST(RestoredLists, ABackupReadsAsTheCountrysLoadReadsTheSameList) {
    ProgramDir dir;
    Started s(dir);
    for (const char *list : {"Pollutants", "PercDef"}) {
        std::filesystem::copy_file(dir.lists() + list + ".lst", dir.lists() + list + ".bak");
    }
    std::vector<PollutantRow> rows;
    PercentileNumbers numbers;
    std::string error;
    ASSERT_TRUE(readPollutantRows(dir.lists() + "Pollutants.bak", &rows, &error)) << error;
    EXPECT_EQ(rows, pollutantRows(s.state));
    ASSERT_TRUE(readPercentileNumbers(dir.lists() + "PercDef.bak", &numbers, &error)) << error;
    EXPECT_EQ(numbers, percentileNumbers(s.state));
    EXPECT_EQ(numbers[0], (std::vector<double>{98, 99.8})) << "the hourly columns of the limit values";
}

TEST(RestoredLists, ABackupThatCannotBeReadGivesTheReadersReason) {
    ProgramDir dir;
    std::vector<PollutantRow> rows;
    PercentileNumbers numbers;
    std::string error;
    EXPECT_FALSE(readPollutantRows(dir.lists() + "Pollutants.bak", &rows, &error));
    EXPECT_NE(error.find("Pollutants.bak"), std::string::npos) << error;

    dir.write("Lists/National/DL/PercDef.bak", "Name, Fraction, nMax, Type\r\n\"98_Perc\",0.02,x,0\r\n");
    error.clear();
    EXPECT_FALSE(readPercentileNumbers(dir.lists() + "PercDef.bak", &numbers, &error));
    EXPECT_FALSE(error.empty());
}

TEST(RestoredLists, ALimitValueBackupReadsWithTheColumnsItsHeaderLineNames) {
    ProgramDir dir;
    Started s(dir);
    const std::string lists = dir.lists();
    std::filesystem::copy_file(lists + "LimValDef.lst", lists + "LimValDef.bak");
    LimitValueVersion version;
    std::string error;
    ASSERT_TRUE(readLimitValueVersion(lists + "LimValDef.bak", &version, &error)) << error;
    EXPECT_TRUE(version.blocks == limitValueBlocks(s.state));
    EXPECT_EQ(version.columns, percentileNumbers(s.state));

    // Written for other definitions (a 90th hourly percentile more): every column is read with its number.
    PercentileNumbers other = percentileNumbers(s.state);
    other[0] = {90, 98, 99.8};
    const std::vector<LimitValueBlock> carried = carryLimitColumns(version.blocks, version.columns, other);
    dir.write("Lists/National/DL/LimValDef.ls0", limitValueListText(carried, s.state, other));
    ASSERT_TRUE(readLimitValueVersion(lists + "LimValDef.ls0", &version, &error)) << error;
    EXPECT_EQ(version.columns, other);
    EXPECT_TRUE(version.blocks == carried);

    EXPECT_FALSE(readLimitValueVersion(lists + "LimValDef.none", &version, &error));
    EXPECT_NE(error.find("LimValDef.none"), std::string::npos) << error;
}
