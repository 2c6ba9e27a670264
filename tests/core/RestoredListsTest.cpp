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
