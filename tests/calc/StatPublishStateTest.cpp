#include "calc/StatPublish.h"

#include "core/StatVarNames.h"
#include "core/State.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

// A state with NO2 and PM10, one definition per family and the catalogue built.
void prepare(State &state) {
    state.PollutantNames = {"NO2", "PM10"};
    state.PollutantLongNames = {"Nitrogen dioxide", "Particles"};
    state.NPol = 1;
    state.PollutantCount = 2;
    state.PercNamesHourly = {"", "99.8_Perc"};
    state.NthHighestNamesHourly = {"", "19thHighest"};
    state.PercNthHourly = {0, 19};
    state.PercFracHourly = {0.0f, 0.002f};
    state.NumPercHourly = 1;
    state.PercNamesRun8 = {"", "95_PercRun8"};
    state.NthHighestNamesRun8 = {"", "4thHighestRun8"};
    state.PercNthRun8 = {0, 4};
    state.PercFracRun8 = {0.0f, 0.05f};
    state.NumPercRun8 = 1;
    state.PercNamesDaily = {"", "90.4_PercDaily"};
    state.NthHighestNamesDaily = {"", "36thHighestDaily"};
    state.PercNthDaily = {0, 36};
    state.PercFracDaily = {0.0f, 0.096f};
    state.NumPercDaily = 1;
    std::string error;
    ASSERT_TRUE(BuildStatVarCatalogue(state, state.NumReceptors, &error)) << error;
    state.PercSource = {3, 1};
    state.Run8Source = {1, 0};
    state.AvSource = {0, 0};
    state.DailySource = {3, 3};
    state.CalcDaily = true;
    state.CalcOnlyIfBoth = false;
    state.MinNobs8 = 6;
    state.MinDailyMax = 18;
    state.MinNobsDay = 1;
}

StatHourValues hour(float mod, float obs, float back) {
    StatHourValues h;
    h.modelled = mod;
    h.measured = obs;
    h.background = back;
    h.modelledAvailable = h.measuredAvailable = h.backgroundAvailable = true;
    return h;
}

TEST(StatPublishState, SetupFollowsTheOptionsAndPercentileTables) {
    State state;
    prepare(state);
    const StatisticsSetup s = statisticsSetupFrom(state);
    EXPECT_EQ(s.PollutantNames, state.PollutantNames);
    EXPECT_EQ(s.Run8Source, (std::vector<int>{1, 0}));
    EXPECT_EQ(s.MinNobsDay, 1);
    ASSERT_EQ(s.hourly.size(), 1u);
    EXPECT_EQ(s.hourly.names[0], "99.8_Perc");
    EXPECT_EQ(s.daily.nth[0], 36);
    EXPECT_FLOAT_EQ(s.run8.fractions[0], 0.05f);
}

TEST(StatPublishState, StoresEveryStatisticAndTheDaysIntoTheState) {
    State state;
    prepare(state);
    StatisticsEngine &engine = state.Statistics;
    engine.startSeries(statisticsSetupFrom(state));
    engine.setStreet("Harbour Road", 1.5f, 2.5f);
    engine.changeDay({2015, 1, 5, 1, 2});
    engine.beginHour(1);
    engine.addHour(0, 1, hour(40, 30, 20));
    engine.addHour(0, 2, hour(-99, 35, 20)); // side 2 without a modelled value
    engine.addHour(1, 1, hour(25, 22, 15));
    engine.addHour(1, 2, hour(27, -99, 15));
    engine.changeDay({2015, 1, 6, 2, 2});
    engine.beginHour(1);
    engine.addHour(0, 1, hour(60, 50, 20));
    engine.endSeries();

    std::string error;
    ASSERT_TRUE(publishStatistics(engine, state, &error)) << error;

    const StatVar &maxNO2 = state.StatVarList.item("MaxHourlyNO2_mod");
    EXPECT_FLOAT_EQ(maxNO2.Value(1), 60.0f);
    EXPECT_FLOAT_EQ(maxNO2.Value(2), -99.0f);
    EXPECT_FLOAT_EQ(maxNO2.Value(0), 60.0f); // the larger side, the missing one skipped
    EXPECT_FLOAT_EQ(state.StatVarList.item("AvNO2_obs").Value(2), 35.0f);
    EXPECT_FLOAT_EQ(state.StatVarList.item("nHoursNO2_mod").Value(1), 2.0f);
    EXPECT_FLOAT_EQ(state.StatVarList.item("AvPM10_mod").Value(0), 27.0f);
    EXPECT_FLOAT_EQ(state.StatVarList.item("MaxHourlyPM10_obs").Value(1), -99.0f); // mode 1
    EXPECT_FLOAT_EQ(state.StatVarList.item("nDaysDNO2_mod").Value(1), 2.0f);
    EXPECT_FLOAT_EQ(state.StatVarList.item("MaxDailyNO2_obs").Value(0), 50.0f);
    EXPECT_FLOAT_EQ(state.StatVarList.item("99.8_PercNO2_b").Value(1), 20.0f);

    ASSERT_EQ(state.DailyAverageList.size(), 2u);
    const DailyAverage &first = state.DailyAverageList.item("2015-01-05");
    EXPECT_EQ(first.Dates, std::chrono::year_month_day{std::chrono::year{2015} / 1 / 5});
    EXPECT_EQ(first.StreetName, "Harbour Road");
    EXPECT_EQ(first.DayCase, 2);
    EXPECT_FLOAT_EQ(first.X_coord, 1.5f);
    EXPECT_FLOAT_EQ(first.Modelled(0, 1), 40.0f);
    EXPECT_FLOAT_EQ(first.Modelled(0, 2), -99.0f);
    EXPECT_FLOAT_EQ(first.Observed(0, 0), 35.0f);
    EXPECT_FLOAT_EQ(first.Background(1, 2), 15.0f);
    EXPECT_FLOAT_EQ(state.DailyAverageList.at(1).Modelled(1, 1), -99.0f); // PM10 took no hour that day
}

TEST(StatPublishState, AKeyMissingFromTheListIsReportedWhileTheRestIsStored) {
    State state;
    prepare(state);
    state.StatVarList.remove("MaxRun8PM10_b");
    StatisticsEngine engine;
    engine.startSeries(statisticsSetupFrom(state));
    engine.changeDay({2015, 1, 5, 1, 2});
    engine.beginHour(1);
    engine.addHour(0, 1, hour(40, 30, 20));
    engine.endSeries();
    std::string error;
    EXPECT_FALSE(publishStatistics(engine, state, &error));
    EXPECT_NE(error.find("MaxRun8PM10_b"), std::string::npos);
    EXPECT_FLOAT_EQ(state.StatVarList.item("AvNO2_mod").Value(1), 40.0f);
    EXPECT_EQ(state.DailyAverageList.size(), 1u);
}

} // namespace
} // namespace vesk
