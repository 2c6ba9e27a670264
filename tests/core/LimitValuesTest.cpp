#include "core/CountryLists.h"
#include "core/KeptSizes.h"

#include "CoreTestData.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

// The demo definitions: hourly 98 (n 176) and 99.8 (n 19), running 8-hour
// 93.2 (n 26), daily 90.4 (n 36) and 98 (n 8).

namespace {

const char *const kStandardLine = "Average Maximum 98 99.8 dc Maximum 93.2 dc Maximum 90.4 98 dc";

std::string limitFile(const std::string &percentileLine,
                      const std::vector<std::pair<std::string, std::vector<std::string>>> &pollutants) {
    std::string text = "\"Hourly\"\r\n\"Av\",\"Max\",\"th\",\" perc\",\"DC\"\r\n"
                       "\"Run8\"\r\n\"Max\",\"th\",\" perc\",\"DC\"\r\n"
                       "\"Daily\"\r\n\"Max\",\"th\",\" perc\",\"DC\"\r\n";
    text += std::to_string(pollutants.size()) + "\r\n" + percentileLine + "\r\n";
    for (const auto &[name, rows] : pollutants) {
        text += "----\r\n\"" + name + "\"," + std::to_string(rows.size()) + "\r\n";
        for (const std::string &row : rows) {
            text += row + "\r\n";
        }
    }
    return text;
}

// A row with the standard columns: av, max, 2 hourly, dc, max, 1 run8, dc, max, 2 daily, dc.
std::string row(const std::string &title, int base) {
    std::string r = "\"" + title + "\"";
    for (int i = 0; i < 12; ++i) {
        r += "," + std::to_string(base + i);
    }
    return r;
}

struct LimitFixture : ::testing::Test {
    ProgramDir dir;
    Started started{dir};
    CoreState &state = started.state;
    ScriptedInteraction &ui = started.ui;
    bool read(const std::string &text) {
        dir.write("Lists/National/DL/LimValDef.lst", text);
        ui.messages.clear();
        return ReadLimitValues(state, ui);
    }
};

} // namespace

TEST_F(LimitFixture, TheDemoListHoldsTheEuropeanLimitValues) {
    EXPECT_EQ(state.LimValPollutants[1], "NO2");
    EXPECT_EQ(state.LimValRowCount[1], 1);
    EXPECT_EQ(state.LimValMaxRows, 1);
    EXPECT_EQ(state.LimValAvHourly[1][1], 40.0f);
    EXPECT_EQ(state.LimValPercHourly[1][1][1], -99.0f);
    EXPECT_EQ(state.LimValPercHourly[1][2][1], 200.0f); // 19th highest hour
    EXPECT_EQ(state.LimValPollutants[2], "PM10");
    EXPECT_EQ(state.LimValPercDaily[2][1][1], 50.0f); // 36th highest day
    EXPECT_EQ(state.LimValMaxRun8[4][1], 10.0f);      // CO, mg/m3
    EXPECT_EQ(state.LimValPercRun8[5][1][1], 120.0f); // O3
    EXPECT_EQ(state.LimValAvHourly[6][1], 5.0f);      // benzene
    EXPECT_FALSE(state.LimHourlyCountDiff || state.LimRunAvgCountDiff || state.LimDailyCountDiff);
    EXPECT_FALSE(state.LimHourlyValueDiff || state.LimRunAvgValueDiff || state.LimDailyValueDiff);
}

TEST_F(LimitFixture, ADifferentPercentileNumberIsReportedAndTheValuesStayByPosition) {
    ASSERT_TRUE(read(limitFile("Average Maximum 98 99.9 dc Maximum 93.2 dc Maximum 90.4 98 dc",
                               {{"NO2", {row("a", 1)}}})));
    EXPECT_TRUE(state.LimHourlyValueDiff);
    EXPECT_FALSE(state.LimHourlyCountDiff || state.LimRunAvgValueDiff || state.LimDailyValueDiff);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "One or more of the Hourly Percentile values refered to in the Limit Values List is "
              "different from the values specified in the Percentiles Definition List!\r\n"
              "The values provided in the Percentiles Definition List will be used.\r\n"
              "Edit the Limit Values List to avoid this message in the future!");
    EXPECT_EQ(state.LimValPercHourly[1][2][1], 4.0f);
    EXPECT_EQ(state.LimValColPercHourly[2], "99.8 perc");
}

TEST_F(LimitFixture, ExtraPercentileColumnsAreDroppedAndMissingOnesGiveMissingValues) {
    // Three hourly numbers against two definitions: the third of every row is dropped.
    ASSERT_TRUE(read(limitFile("Av Max 98 99.8 97 dc Max 93.2 dc Max 90.4 98 dc",
                               {{"NO2", {"\"a\",1,2,3,4,5,6,7,8,9,10,11,12,13"}}})));
    EXPECT_TRUE(state.LimHourlyCountDiff);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "The number of Hourly Percentile values in the Limit Values List is greater than "
              "the number of Hourly Percentile values in the Percentiles Definition List!\r\n"
              "The extra values provided in the Limit Values List will be ignored.\r\n"
              "Edit the Limit Values List to avoid this message in the future!");
    EXPECT_EQ(state.LimValPercHourly[1][2][1], 4.0f);
    EXPECT_EQ(state.LimValDCHourly[1][1], 6.0f);
    EXPECT_EQ(state.LimValMaxRun8[1][1], 7.0f);
    EXPECT_EQ(state.LimValDCDaily[1][1], 13.0f);

    // One daily number against two: the second definition gets no limit value.
    ASSERT_TRUE(read(limitFile("Av Max 98 99.8 dc Max 93.2 dc Max 90.4 dc",
                               {{"PM10", {"\"a\",1,2,3,4,5,6,7,8,9,10,11"}}})));
    EXPECT_TRUE(state.LimDailyCountDiff);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("Daily Percentile values in the Limit Values List is less than"),
              std::string::npos);
    EXPECT_NE(
        ui.messages[0].find("No limit values are currently specified for the missing percentile values."),
        std::string::npos);
    EXPECT_EQ(state.LimValPercDaily[1][1][1], 10.0f);
    EXPECT_EQ(state.LimValPercDaily[1][2][1], -99.0f);
    EXPECT_EQ(state.LimValDCDaily[1][1], 11.0f);
}

TEST_F(LimitFixture, APercentileWrittenWithADecimalCommaMatchesItsDefinition) {
    ASSERT_TRUE(read(limitFile("Average Maximum 98 99,8 dc Maximum 93,2 dc Maximum 90,4 98 dc",
                               {{"NO2", {row("a", 1)}}})));
    EXPECT_FALSE(state.LimHourlyValueDiff || state.LimRunAvgValueDiff || state.LimDailyValueDiff);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LimitFixture, RowTablesRunToTheLargestRowCountAndMoreThanTenRowsAreRead) {
    std::vector<std::string> two = {row("a", 1), row("b", 20)};
    std::vector<std::string> eleven;
    for (int r = 1; r <= 11; ++r) {
        eleven.push_back(row("row " + std::to_string(r), r * 100));
    }
    ASSERT_TRUE(read(limitFile(kStandardLine, {{"NO2", two}, {"PM10", eleven}})));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(state.LimValMaxRows, 11);
    for (int p = 1; p <= 2; ++p) {
        EXPECT_EQ(state.LimValTitles[p].size(), 12u);
        EXPECT_EQ(state.LimValAvHourly[p].size(), 12u);
        EXPECT_EQ(state.LimValPercDaily[p][2].size(), 12u);
    }
    EXPECT_EQ(state.LimValTitles[1][2], "b");
    EXPECT_EQ(state.LimValAvHourly[1][2], 20.0f);
    EXPECT_EQ(state.LimValAvHourly[1][3], -99.0f);
    EXPECT_EQ(state.LimValTitles[2][11], "row 11");
    EXPECT_EQ(state.LimValDCDaily[2][11], 1111.0f);
}

TEST_F(LimitFixture, FiftyRowsOfAPollutantAreReadAndOneMoreIsRefusedWithItsLine) {
    std::vector<std::string> rows;
    for (int r = 1; r <= kMaxLimitValueRows; ++r) {
        rows.push_back(row("row " + std::to_string(r), r));
    }
    ASSERT_TRUE(read(limitFile(kStandardLine, {{"NO2", {row("a", 1)}}, {"PM10", rows}})));
    EXPECT_EQ(state.LimValMaxRows, kMaxLimitValueRows);
    EXPECT_EQ(state.LimValTitles[2][50], "row 50");

    rows.push_back(row("row 51", 51));
    EXPECT_FALSE(read(limitFile(kStandardLine, {{"NO2", {row("a", 1)}}, {"PM10", rows}})));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("Error reading the Limit Values List!\r\n6 ", 0), 0u) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("LimValDef.lst, line 13: 51 limit values of PM10, more than the 50 the "
                                  "program keeps of a pollutant."),
              std::string::npos)
        << ui.messages[0];
    EXPECT_EQ(state.LimValMaxRows, kMaxLimitValueRows) << "the list read before stays";
}

// A list naming a pollutant twice, or more pollutants than the program
// keeps, is refused with its line: a run would write its limits twice, or
// more than its saved results hold.
TEST_F(LimitFixture, APollutantNamedTwiceOrOneMoreThanFiftyIsRefusedWithItsLine) {
    const std::vector<std::string> one = {row("a", 1)};
    std::vector<std::pair<std::string, std::vector<std::string>>> many;
    for (int k = 1; k <= kMaxPollutants; ++k) {
        many.push_back({"P" + std::to_string(k), one});
    }
    ASSERT_TRUE(read(limitFile(kStandardLine, many)));
    EXPECT_EQ(state.LimValPollutantCount, kMaxPollutants);
    many.push_back({"P51", one});
    const struct {
        std::vector<std::pair<std::string, std::vector<std::string>>> pollutants;
        const char *says;
    } refused[] = {
        {{{"NO2", one}, {"PM10", one}, {"no2", one}},
         "LimValDef.lst, line 16: the pollutant no2 is in the Limit "
         "Values List twice."},
        {many, "LimValDef.lst, line 7: 51 pollutants, more than the 50 the program keeps."},
    };
    for (const auto &c : refused) {
        EXPECT_FALSE(read(limitFile(kStandardLine, c.pollutants)));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(c.says), std::string::npos) << ui.messages[0];
    }
}

TEST_F(LimitFixture, AnUnknownPollutantIsReportedAndReadingGoesOn) {
    ASSERT_TRUE(read(limitFile(kStandardLine, {{"SO2", {row("a", 1)}}, {"NO2", {row("b", 2)}}})));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "The pollutant SO2, refered to in the Limit Values List, is not in the current "
                              "Pollutants List!\r\nYou should remove this pollutant from the List.");
    EXPECT_EQ(state.LimValLongNames[1], "");
    EXPECT_EQ(state.LimValLongNames[2], "Nitrogen dioxide");
    EXPECT_EQ(state.LimValAvHourly[2][1], 2.0f);
}

TEST_F(LimitFixture, ADamagedListIsReportedAndTheTablesStayAsTheyWere) {
    EXPECT_FALSE(read(limitFile(kStandardLine, {{"NO2", {"\"a\",1,2,3"}}})));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("Error reading the Limit Values List!\r\n62 ", 0), 0u);
    EXPECT_EQ(state.LimValPollutantCount, 6);
    EXPECT_EQ(state.LimValAvHourly[1][1], 40.0f);

    dir.remove("Lists/National/DL/LimValDef.lst");
    ui.messages.clear();
    EXPECT_FALSE(ReadLimitValues(state, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("Error reading the Limit Values List!\r\n53 ", 0), 0u);
}
