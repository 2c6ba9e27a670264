#include "calc/StatFormat.h"

#include "calc/CalcState.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

struct SideCase {
    const char *name;
    const char *key;
    int receptor;
};
class StatSideRule : public testing::TestWithParam<SideCase> {};

TEST_P(StatSideRule, TakesOnlyUnderscoreOneAndTwoAsSides) {
    const StatName split = splitSideSuffix(GetParam().name);
    EXPECT_EQ(split.key, GetParam().key);
    EXPECT_EQ(split.receptor, GetParam().receptor);
}

INSTANTIATE_TEST_SUITE_P(Names, StatSideRule,
                         testing::Values(SideCase{"MaxHourlyNO2_mod_1", "MaxHourlyNO2_mod", 1},
                                         SideCase{"MaxDailyPM2.5_obs_2", "MaxDailyPM2.5_obs", 2},
                                         SideCase{"MaxHourlyNO2_mod", "MaxHourlyNO2_mod", 0},
                                         SideCase{"MaxHourlyPM10", "MaxHourlyPM10", 0}, // keeps its name
                                         SideCase{"AvNO2_mod_3", "AvNO2_mod_3", 0}, SideCase{"", "", 0}));

CalcState stateWithResults() {
    CalcState state;
    state.StatVarList.add("MaxHourlyNO2_mod", StatVar(2));
    state.StatVarList.item("MaxHourlyNO2_mod").setValue(1, 81.25f);
    state.StatVarList.item("MaxHourlyNO2_mod").setValue(2, 96.5f);
    state.StatVarList.add("AvPM10_obs", StatVar(2));
    state.StatVarList.item("AvPM10_obs").setValue(2, 21.0f); // side 1 stays -99
    DailyAverage day(0, 2);
    day.DayOfWeek = 5;
    day.StreetName = "Quay";
    day.setModelled(0, 1, 40.0f);
    day.setBackground(0, 2, 12.25f);
    state.DailyAverageList.add("2015-02-06", day);
    return state;
}

TEST(StatFormat, FormatsASideOrTheLargerSideSkippingMissing) {
    const CalcState state = stateWithResults();
    test::ScriptedInteraction ui;
    EXPECT_EQ(FormatStatValue(state, "MaxHourlyNO2_mod_1", "0.0", ui), "81.3");
    EXPECT_EQ(FormatStatValue(state, "maxhourlyNO2_mod", "0.0", ui), "96.5");
    EXPECT_EQ(FormatStatValue(state, "AvPM10_obs", "0.0", ui), "21.0");
    EXPECT_EQ(FormatStatValue(state, "AvPM10_obs_1", "0.0", ui), "-99.0"); // missing is formatted as -99
    EXPECT_TRUE(ui.messages.empty());
}

TEST(StatFormat, AnUnknownStatisticShowsTheMessageAndGivesAnEmptyCell) {
    const CalcState state = stateWithResults();
    test::ScriptedInteraction ui;
    EXPECT_EQ(FormatStatValue(state, "MaxHourlyO3_mod_1", "0.0", ui), "");
    EXPECT_EQ(FormatStatValue(state, "MaxHourlyNO2_mod_3", "0.0", ui), "");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], "Invalid variable name in the output list!\r\n\r\nMaxHourlyO3_mod_1");
}

TEST(StatFormat, FormatsDayValuesTextsAndUnknownNamesAsZero) {
    const CalcState state = stateWithResults();
    const auto daily = [&](const char *name, const char *pattern) {
        std::string text;
        EXPECT_TRUE(FormatDailyValue(state, 1, name, pattern, 0, &text, nullptr)) << name;
        return text;
    };
    EXPECT_EQ(daily("NO2_b_2", "0.00"), "12.25");
    EXPECT_EQ(daily("NO2_mod", "0"), "40"); // the larger side
    EXPECT_EQ(daily("dayofweek", "0"), "5");
    EXPECT_EQ(daily("dates", "0.0"), "0.0");
    EXPECT_EQ(daily("StreetName", ""), "Quay");
    std::string text, error;
    EXPECT_FALSE(FormatDailyValue(state, 2, "NO2_b_2", "0", 0, &text, &error));
    EXPECT_FALSE(FormatDailyValue(state, 1, "NO2_b_2", "0", 4, &text, &error));
}

TEST(StatFormat, FormatsStreetValuesThenStatisticsAndPassesUnknownOnesBack) {
    CalcState state = stateWithResults();
    state.AnnualDiurnalTraffic = 18000;
    state.StreetLength_1 = 150;
    StreetCellValues run;
    run.DailyTrafficCalc = 15020;
    const auto street = [&](const char *name) {
        std::string text;
        EXPECT_TRUE(FormatStreetValue(state, run, name, "0", &text, nullptr)) << name;
        return text;
    };
    state.TrafficFileType = 0;
    EXPECT_EQ(street("DailyTraffic"), "18000");
    state.TrafficFileType = 2;
    EXPECT_EQ(street("dailytraffic"), "15020");
    EXPECT_EQ(street("StreetLength_1"), "150"); // a street property, not side 1 of a statistic
    EXPECT_EQ(street("MaxHourlyNO2_mod_2"), "97");
    std::string text, error;
    EXPECT_FALSE(FormatStreetValue(state, run, "Nonsense_1", "0", &text, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace vesk
