#include "calc/StatCells.h"

#include "core/State.h"

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
                                         SideCase{"MaxHourlyNO2_mod_2", "MaxHourlyNO2_mod", 2},
                                         SideCase{"MaxHourlyNO2_mod", "MaxHourlyNO2_mod", 0},
                                         SideCase{"MaxHourlyPM10", "MaxHourlyPM10", 0}, // keeps its name
                                         SideCase{"AvPM2.5_b", "AvPM2.5_b", 0},
                                         SideCase{"MaxDailyPM2.5_obs_2", "MaxDailyPM2.5_obs", 2},
                                         SideCase{"AvNO2_mod_3", "AvNO2_mod_3", 0}, SideCase{"_1", "", 1},
                                         SideCase{"1", "1", 0}, SideCase{"", "", 0}));

State stateWithResults() {
    State state;
    state.StatVarList.add("MaxHourlyNO2_mod", StatVar(2));
    state.StatVarList.item("MaxHourlyNO2_mod").setValue(1, 3.5f);
    state.StatVarList.item("MaxHourlyNO2_mod").setValue(2, 7.0f);
    state.StatVarList.add("AvPM10_obs", StatVar(2));
    state.StatVarList.item("AvPM10_obs").setValue(2, 21.0f); // side 1 stays -99
    state.StatVarList.add("MaxRun8CO_b", StatVar(2));        // both sides -99
    return state;
}

TEST(StatCellValue, ReadsASideOrTheLargerSideSkippingMissing) {
    const State state = stateWithResults();
    float v = 0.0f;
    ASSERT_TRUE(statCellValue(state, "MaxHourlyNO2_mod_1", &v, nullptr));
    EXPECT_FLOAT_EQ(v, 3.5f);
    ASSERT_TRUE(statCellValue(state, "maxhourlyno2_mod", &v, nullptr)); // keys ignore letter case
    EXPECT_FLOAT_EQ(v, 7.0f);
    ASSERT_TRUE(statCellValue(state, "AvPM10_obs", &v, nullptr));
    EXPECT_FLOAT_EQ(v, 21.0f);
    ASSERT_TRUE(statCellValue(state, "AvPM10_obs_1", &v, nullptr));
    EXPECT_FLOAT_EQ(v, -99.0f);
    ASSERT_TRUE(statCellValue(state, "MaxRun8CO_b", &v, nullptr));
    EXPECT_FLOAT_EQ(v, -99.0f);
}

TEST(StatCellValue, RefusesUnknownStatisticsAndSides) {
    const State state = stateWithResults();
    std::string error;
    float v = 1.0f;
    EXPECT_FALSE(statCellValue(state, "MaxHourlyO3_mod_1", &v, &error));
    EXPECT_NE(error.find("MaxHourlyO3_mod"), std::string::npos);
    EXPECT_FALSE(statCellValue(state, "MaxHourlyNO2_mod_3", &v, &error));
    EXPECT_FLOAT_EQ(v, 1.0f);
}

State stateWithDays() {
    State state;
    state.TrafficFileType = 0;
    DailyAverage day(1, 2);
    day.DayOfWeek = 3;
    day.DayCase = 2;
    day.StreetName = "Ring Road";
    day.X_coord = 12.5f;
    day.Y_coord = 13.5f;
    day.setModelled(1, 1, 40.0f);
    day.setModelled(1, 2, 44.0f);
    day.setObserved(1, 2, 38.0f);
    day.setBackground(1, 1, 17.0f);
    day.setBackground(1, 2, 19.0f);
    state.DailyAverageList.add("2015-01-07", day);
    return state;
}

struct DailyCase {
    const char *name;
    int pollutant;
    float value;
};
class StatDailyCell : public testing::TestWithParam<DailyCase> {};

TEST_P(StatDailyCell, ReadsTheDaysValueByName) {
    const State state = stateWithDays();
    StatCell cell;
    ASSERT_TRUE(dailyCellValue(state, 1, GetParam().name, GetParam().pollutant, &cell, nullptr));
    EXPECT_EQ(cell.kind, StatCell::Kind::Single);
    EXPECT_FLOAT_EQ(static_cast<float>(cell.number), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Names, StatDailyCell,
                         testing::Values(DailyCase{"NO2_mod_1", 1, 40.0f}, DailyCase{"NO2_mod", 1, 44.0f},
                                         DailyCase{"no2_OBS_2", 1, 38.0f},
                                         DailyCase{"Background_b_2", 1, 19.0f}, DailyCase{"NO2_b", 1, 19.0f},
                                         DailyCase{"NO2_obs_1", 1, -99.0f}, DailyCase{"NO2_mod_1", 0, -99.0f},
                                         DailyCase{"dayofweek", 1, 3.0f}, DailyCase{"DayCase", 0, 2.0f},
                                         DailyCase{"Y_coordinate", 0, 13.5f}, DailyCase{"dates", 1, 0.0f}));

TEST(StatDailyCellText, GivesTheStreetNameAsTextAndRefusesDaysAndPollutantsOutOfRange) {
    const State state = stateWithDays();
    StatCell cell;
    ASSERT_TRUE(dailyCellValue(state, 1, "StreetName", 0, &cell, nullptr));
    EXPECT_EQ(cell.kind, StatCell::Kind::Text);
    EXPECT_EQ(cell.text, "Ring Road");
    std::string error;
    EXPECT_FALSE(dailyCellValue(state, 2, "NO2_mod", 1, &cell, &error));
    EXPECT_FALSE(dailyCellValue(state, 0, "NO2_mod", 1, &cell, &error));
    EXPECT_FALSE(dailyCellValue(state, 1, "NO2_mod", 5, &cell, &error));
    EXPECT_FALSE(error.empty());
}

TEST(StatStreetCell, ReadsStreetPropertiesThenStatistics) {
    State state = stateWithResults();
    state.TrafficFileType = 0;
    state.AnnualDiurnalTraffic = 18000;
    state.AverageTrafficSpeed = 42;
    state.StreetLength_1 = 150;
    state.TrafficFile = "Ring.trf";
    StreetCellValues run;
    run.DailyTrafficCalc = 17342;
    run.TravelSpeedCalc = 38.5f;
    run.X_coordinate = 100.0f;
    StatCell cell;
    ASSERT_TRUE(streetCellValue(state, run, "DailyTraffic", &cell, nullptr));
    EXPECT_DOUBLE_EQ(cell.number, 18000.0);
    ASSERT_TRUE(streetCellValue(state, run, "travelspeed", &cell, nullptr));
    EXPECT_DOUBLE_EQ(cell.number, 42.0);
    state.TrafficFileType = 1;
    ASSERT_TRUE(streetCellValue(state, run, "DailyTraffic", &cell, nullptr));
    EXPECT_EQ(cell.kind, StatCell::Kind::Whole);
    EXPECT_DOUBLE_EQ(cell.number, 17342.0);
    ASSERT_TRUE(streetCellValue(state, run, "TravelSpeed", &cell, nullptr));
    EXPECT_FLOAT_EQ(static_cast<float>(cell.number), 38.5f);
    ASSERT_TRUE(streetCellValue(state, run, "StreetLength_1", &cell, nullptr)); // not side 1 of a statistic
    EXPECT_DOUBLE_EQ(cell.number, 150.0);
    ASSERT_TRUE(streetCellValue(state, run, "X_coordinate", &cell, nullptr));
    EXPECT_DOUBLE_EQ(cell.number, 100.0);
    ASSERT_TRUE(streetCellValue(state, run, "TrafficFile", &cell, nullptr));
    EXPECT_EQ(cell.text, "Ring.trf");
    ASSERT_TRUE(streetCellValue(state, run, "MaxHourlyNO2_mod", &cell, nullptr));
    EXPECT_FLOAT_EQ(static_cast<float>(cell.number), 7.0f);
    std::string error;
    EXPECT_FALSE(streetCellValue(state, run, "MaxHourlyXX_mod", &cell, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace vesk
