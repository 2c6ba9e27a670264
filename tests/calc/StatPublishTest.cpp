#include "calc/StatPublish.h"

#include "calc/CalcState.h"
#include "core/StatVarNames.h"

#include <gtest/gtest.h>

#include <map>

namespace vesk {
namespace {

using Published = std::map<std::pair<std::string, int>, float>;

StatisticsSetup setupFor(int percSource, int run8Source, int dailySource) {
    StatisticsSetup s;
    s.PollutantNames = {"NO2"};
    s.PercSource = {percSource};
    s.Run8Source = {run8Source};
    s.DailySource = {dailySource};
    s.MinNobs8 = 1;
    s.MinDailyMax = 0;
    s.MinNobsDay = 1;
    s.hourly = {{"98_Perc", "50_Perc"}, {19, 2}, {0.02f, 0.5f}};
    s.run8 = {{"90_PercRun8"}, {4}, {0.1f}};
    s.daily = {{"90_PercDaily"}, {3}, {0.1f}};
    return s;
}

StatHourValues all(float mod, float obs, float back) {
    return {mod, obs, back, true, true, true, true};
}

Published publishAll(const StatisticsEngine &engine) {
    Published out;
    engine.publish([&](const std::string &key, int receptor, float value) { out[{key, receptor}] = value; });
    return out;
}

// One hour per day on side 1, consecutive days.
void feedDays(StatisticsEngine &e, const std::vector<float> &modelled, float measured = 10.0f) {
    for (std::size_t i = 0; i < modelled.size(); ++i) {
        e.changeDay({2015, 1, static_cast<int>(i) + 1, 1, 1});
        e.beginHour(24);
        e.addHour(0, 1, all(modelled[i], measured + static_cast<float>(i), 1.0f));
    }
    e.endSeries();
}

TEST(StatPublication, HourlyStatisticsOfTenValuesFollowTheRankRules) {
    StatisticsEngine e;
    e.startSeries(setupFor(3, 0, 0));
    e.changeDay({2015, 1, 1, 4, 1});
    for (int v = 1; v <= 10; ++v) {
        e.beginHour(1);
        e.addHour(0, 1, all(static_cast<float>(v), 2.0f * v, 0.0f));
    }
    e.endSeries();
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"98_PercNO2_mod", 1}), 10.0f);      // 0.2 rounds to 0, raised to 1
    EXPECT_FLOAT_EQ(p.at({"50_PercNO2_mod", 1}), 6.0f);       // position 5
    EXPECT_FLOAT_EQ(p.at({"19thHighestNO2_mod", 1}), -99.0f); // fewer than 19 values
    EXPECT_FLOAT_EQ(p.at({"2thHighestNO2_mod", 1}), 9.0f);
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 1}), 5.5f);
    EXPECT_FLOAT_EQ(p.at({"nHoursNO2_mod", 1}), 10.0f);
    EXPECT_FLOAT_EQ(p.at({"50_PercNO2_obs", 1}), 12.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_b", 1}), 0.0f); // zeros are values
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 2}), -99.0f);    // side 2 took nothing
    EXPECT_FLOAT_EQ(p.at({"nHoursNO2_mod", 2}), 0.0f);
}

TEST(StatPublication, MeasuredOnlyModeLeavesModelledRanksMissingButPublishesTheModelledAverage) {
    StatisticsEngine e;
    e.startSeries(setupFor(2, 2, 2));
    feedDays(e, {1, 2, 3, 4});
    const Published p = publishAll(e);
    for (const char *key : {"98_PercNO2_mod", "2thHighestNO2_mod", "MaxHourlyNO2_mod", "MaxRun8NO2_mod",
                            "90_PercRun8NO2_mod", "MaxDailyNO2_mod", "3thHighestDailyNO2_mod"}) {
        EXPECT_FLOAT_EQ(p.at({key, 1}), -99.0f) << key;
    }
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 1}), 2.5f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_obs", 1}), 13.0f);
    EXPECT_FLOAT_EQ(p.at({"nDaysNO2_mod", 1}), 0.0f);
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_obs", 1}), 4.0f);
}

TEST(StatPublication, AStreetWithoutHoursPublishesEveryStatisticAsMissingWithZeroCounts) {
    StatisticsEngine e;
    e.startSeries(setupFor(3, 3, 3));
    e.endSeries();
    const Published p = publishAll(e);
    // per receptor: daily 12, averages and hour counts 6, hourly 15, 8-hour 12
    EXPECT_EQ(p.size(), 2u * (12 + 6 + 15 + 12));
    for (const auto &[key, value] : p) {
        const bool isCount = key.first.rfind("nHours", 0) == 0 || key.first.rfind("nDays", 0) == 0;
        EXPECT_FLOAT_EQ(value, isCount ? 0.0f : -99.0f) << key.first << " " << key.second;
    }
}

TEST(StatPublication, DailyAndEightHourFamiliesRankTheirDays) {
    StatisticsEngine e;
    e.startSeries(setupFor(0, 1, 1));
    feedDays(e, {1, 5, 3, -99, 4}); // the fourth day has no modelled value
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_mod", 1}), 4.0f);
    EXPECT_FLOAT_EQ(p.at({"3thHighestDailyNO2_mod", 1}), 3.0f);
    EXPECT_FLOAT_EQ(p.at({"90_PercDailyNO2_mod", 1}), 5.0f); // 0.4 rounds to 0: the maximum
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_b", 1}), 5.0f);
    EXPECT_FLOAT_EQ(p.at({"nDaysNO2_mod", 1}), 4.0f);
    EXPECT_FLOAT_EQ(p.at({"4thHighestRun8NO2_mod", 1}), 1.0f);
}

TEST(StatPublication, ADailyAverageOfZeroIsADayThatIsRankedAndCounted) {
    StatisticsEngine e;
    e.startSeries(setupFor(0, 0, 1));
    feedDays(e, {0, 5, 10});
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_mod", 1}), 3.0f);
    EXPECT_FLOAT_EQ(p.at({"3thHighestDailyNO2_mod", 1}), 0.0f) << "the third day is ranked, at 0";
    EXPECT_FLOAT_EQ(p.at({"MaxDailyNO2_mod", 1}), 10.0f);
}

TEST(StatPublication, TheNinetyEighthPercentileOfAYearNeedsPosition175AndGetsIt) {
    StatisticsEngine e;
    e.startSeries(setupFor(1, 0, 0));
    e.changeDay({2015, 1, 1, 4, 1});
    for (int i = 0; i < 8760; ++i) {
        e.beginHour(1);
        e.addHour(0, 1, all(static_cast<float>((i * 2777) % 8760), -99, -99)); // 0..8759 scrambled
    }
    e.endSeries();
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"98_PercNO2_mod", 1}), 8760.0f - 175.0f);
    EXPECT_FLOAT_EQ(p.at({"19thHighestNO2_mod", 1}), 8760.0f - 19.0f);
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 1}), 4379.5f);
}

// The state with NO2 and PM10 and their catalogue, one definition per family.
void prepare(CalcState &state) {
    state.PollutantNames = {"NO2", "PM10"};
    state.PollutantLongNames = {"Nitrogen dioxide", "Particles"};
    state.NPol = 1;
    state.PercNamesHourly = {"", "99.8_Perc"};
    state.NthHighestNamesHourly = {"", "19thHighest"};
    state.PercNthHourly = {0, 19};
    state.PercFracHourly = {0.0f, 0.002f};
    state.NumPercHourly = 1;
    std::string error;
    ASSERT_TRUE(BuildStatVarCatalogue(state, state.NumReceptors, &error)) << error;
    state.PercSource = {3, 1};
    state.Run8Source = {1, 0};
    state.DailySource = {3, 3};
    state.CalcDaily = true;
    state.MinNobsDay = 1;
}

TEST(StatPublication, StoresEveryStatisticAndTheDaysIntoTheState) {
    CalcState state;
    ASSERT_NO_FATAL_FAILURE(prepare(state));
    StatisticsEngine &e = state.Statistics;
    e.startSeries(statisticsSetupFrom(state));
    e.setStreet("Harbour Road", 1.5f, 2.5f);
    e.changeDay({2015, 1, 5, 1, 2});
    e.beginHour(1);
    e.addHour(0, 1, all(40, 30, 20));
    e.addHour(0, 2, all(-99, 35, 20)); // side 2 without a modelled value
    e.addHour(1, 2, all(27, -99, 15));
    e.changeDay({2015, 1, 6, 2, 2});
    e.beginHour(1);
    e.addHour(0, 1, all(60, 50, 20));
    e.endSeries();
    std::string error;
    ASSERT_TRUE(publishStatistics(e, state, &error)) << error;

    const StatVar &maxNO2 = state.StatVarList.item("MaxHourlyNO2_mod");
    EXPECT_FLOAT_EQ(maxNO2.Value(1), 60.0f);
    EXPECT_FLOAT_EQ(maxNO2.Value(2), -99.0f);
    EXPECT_FLOAT_EQ(maxNO2.Value(0), 60.0f); // the larger side, the missing one skipped
    EXPECT_FLOAT_EQ(state.StatVarList.item("AvPM10_mod").Value(0), 27.0f);
    EXPECT_FLOAT_EQ(state.StatVarList.item("MaxDailyNO2_obs").Value(0), 50.0f);
    EXPECT_FLOAT_EQ(state.StatVarList.item("99.8_PercNO2_b").Value(1), 20.0f);

    ASSERT_EQ(state.DailyAverageList.size(), 2u);
    const DailyAverage &first = state.DailyAverageList.item("2015-01-05");
    EXPECT_EQ(first.Dates, std::chrono::year_month_day{std::chrono::year{2015} / 1 / 5});
    EXPECT_EQ(first.StreetName, "Harbour Road");
    EXPECT_EQ(&first.StreetName.str(), &state.DailyAverageList.item("2015-01-06").StreetName.str())
        << "the days share their street's name";
    EXPECT_EQ(first.DayCase, 2);
    EXPECT_FLOAT_EQ(first.Modelled(0, 2), -99.0f);
    EXPECT_FLOAT_EQ(first.Observed(0, 0), 35.0f);
    EXPECT_FLOAT_EQ(first.Background(1, 2), 15.0f);
}

TEST(StatPublication, AKeyMissingFromTheListIsReportedWhileTheRestIsStored) {
    CalcState state;
    ASSERT_NO_FATAL_FAILURE(prepare(state));
    state.StatVarList.remove("MaxRun8PM10_b");
    StatisticsEngine e;
    e.startSeries(statisticsSetupFrom(state));
    feedDays(e, {40});
    std::string error;
    EXPECT_FALSE(publishStatistics(e, state, &error));
    EXPECT_NE(error.find("MaxRun8PM10_b"), std::string::npos);
    EXPECT_FLOAT_EQ(state.StatVarList.item("AvNO2_mod").Value(1), 40.0f);
    EXPECT_EQ(state.DailyAverageList.size(), 1u);
}

} // namespace
} // namespace vesk
