#include "calc/StatFormat.h"

#include "core/State.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

State stateWithNO2() {
    State state;
    state.StatVarList.add("MaxHourlyNO2_mod", StatVar(2));
    state.StatVarList.item("MaxHourlyNO2_mod").setValue(1, 81.25f);
    state.StatVarList.item("MaxHourlyNO2_mod").setValue(2, 96.5f);
    state.StatVarList.add("AvNO2_obs", StatVar(2)); // stays -99
    DailyAverage day(0, 2);
    day.DayOfWeek = 5;
    day.StreetName = "Quay";
    day.setBackground(0, 2, 12.25f);
    state.DailyAverageList.add("2015-02-06", day);
    return state;
}

TEST(StatFormat, FormatsASideAndTheLargerSideOfAStatistic) {
    const State state = stateWithNO2();
    test::ScriptedInteraction ui;
    EXPECT_EQ(FormatStatValue(state, "MaxHourlyNO2_mod_1", "0.0", ui), "81.3");
    EXPECT_EQ(FormatStatValue(state, "MaxHourlyNO2_mod", "0.0", ui), "96.5");
    EXPECT_EQ(FormatStatValue(state, "AvNO2_obs_2", "0.0", ui), "-99.0"); // missing is formatted as -99
    EXPECT_TRUE(ui.messages.empty());
}

TEST(StatFormat, AnUnknownStatisticShowsTheMessageAndGivesAnEmptyCell) {
    const State state = stateWithNO2();
    test::ScriptedInteraction ui;
    for (const char *name : {"MaxHourlyO3_mod_1", "MaxHourlyNO2_mod_3"}) {
        EXPECT_EQ(FormatStatValue(state, name, "0.0", ui), "");
    }
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], "Invalid variable name in the output list!\r\n\r\nMaxHourlyO3_mod_1");
    EXPECT_EQ(ui.messages[1], "Invalid variable name in the output list!\r\n\r\nMaxHourlyNO2_mod_3");
}

TEST(StatFormat, FormatsDayValuesTextsAndUnknownNamesAsZero) {
    const State state = stateWithNO2();
    std::string text;
    ASSERT_TRUE(FormatDailyValue(state, 1, "NO2_b_2", "0.00", 0, &text, nullptr));
    EXPECT_EQ(text, "12.25");
    ASSERT_TRUE(FormatDailyValue(state, 1, "dayofweek", "0", 0, &text, nullptr));
    EXPECT_EQ(text, "5");
    ASSERT_TRUE(FormatDailyValue(state, 1, "dates", "0.0", 0, &text, nullptr));
    EXPECT_EQ(text, "0.0");
    ASSERT_TRUE(FormatDailyValue(state, 1, "StreetName", "", 0, &text, nullptr));
    EXPECT_EQ(text, "Quay");
    std::string error;
    EXPECT_FALSE(FormatDailyValue(state, 3, "NO2_b_2", "0.00", 0, &text, &error));
}

TEST(StatFormat, FormatsStreetValuesAndPassesUnknownStatisticsBack) {
    State state = stateWithNO2();
    state.TrafficFileType = 2;
    StreetCellValues run;
    run.DailyTrafficCalc = 15020;
    std::string text;
    ASSERT_TRUE(FormatStreetValue(state, run, "DailyTraffic", "0", &text, nullptr));
    EXPECT_EQ(text, "15020");
    ASSERT_TRUE(FormatStreetValue(state, run, "MaxHourlyNO2_mod_2", "0", &text, nullptr));
    EXPECT_EQ(text, "97"); // 96.5 rounds half away from zero
    std::string error;
    EXPECT_FALSE(FormatStreetValue(state, run, "Nonsense_1", "0", &text, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace vesk
