#include "calc/StatEngine.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

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

StatHourValues values(float mod, float obs, float back) {
    StatHourValues h;
    h.modelled = mod;
    h.measured = obs;
    h.background = back;
    h.modelledAvailable = h.measuredAvailable = h.backgroundAvailable = true;
    return h;
}

Published publishAll(const StatisticsEngine &engine) {
    Published out;
    engine.publish([&](const std::string &key, int receptor, float value) { out[{key, receptor}] = value; });
    return out;
}

// One value per day on side 1, the days one apart.
void feedDays(StatisticsEngine &e, const std::vector<StatHourValues> &days) {
    int day = 1;
    for (const StatHourValues &v : days) {
        e.changeDay({2015, 1, day, 1, 1});
        e.beginHour(24);
        e.addHour(0, 1, v);
        ++day;
    }
    e.endSeries();
}

TEST(StatPublication, HourlyStatisticsOfTenValuesFollowTheRankRules) {
    StatisticsEngine e;
    e.startSeries(setupFor(3, 0, 0));
    e.changeDay({2015, 1, 1, 4, 1});
    for (int v = 1; v <= 10; ++v) {
        e.beginHour(1);
        e.addHour(0, 1, values(static_cast<float>(v), 2.0f * v, 0.0f));
    }
    e.endSeries();
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"98_PercNO2_mod", 1}), 10.0f);      // 0.2 rounds to 0, raised to 1
    EXPECT_FLOAT_EQ(p.at({"50_PercNO2_mod", 1}), 6.0f);       // position 5
    EXPECT_FLOAT_EQ(p.at({"19thHighestNO2_mod", 1}), -99.0f); // fewer than 19 values
    EXPECT_FLOAT_EQ(p.at({"2thHighestNO2_mod", 1}), 9.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_mod", 1}), 10.0f);
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 1}), 5.5f);
    EXPECT_FLOAT_EQ(p.at({"nHoursNO2_mod", 1}), 10.0f);
    EXPECT_FLOAT_EQ(p.at({"50_PercNO2_obs", 1}), 12.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_b", 1}), 0.0f); // zeros are values
    EXPECT_FLOAT_EQ(p.at({"AvNO2_b", 1}), 0.0f);
    // side 2 took nothing
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 2}), -99.0f);
    EXPECT_FLOAT_EQ(p.at({"nHoursNO2_mod", 2}), 0.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_mod", 2}), -99.0f);
}

TEST(StatPublication, MeasuredOnlyModeLeavesModelledRanksMissingButPublishesTheModelledAverage) {
    StatisticsEngine e;
    e.startSeries(setupFor(2, 2, 2));
    e.changeDay({2015, 1, 1, 4, 1});
    for (int v = 1; v <= 4; ++v) {
        e.beginHour(1);
        e.addHour(0, 1, values(static_cast<float>(v), 10.0f, 1.0f));
    }
    e.endSeries();
    const Published p = publishAll(e);
    for (const char *key : {"98_PercNO2_mod", "50_PercNO2_mod", "2thHighestNO2_mod", "MaxHourlyNO2_mod",
                            "MaxRun8NO2_mod", "90_PercRun8NO2_mod", "MaxDailyNO2_mod"}) {
        EXPECT_FLOAT_EQ(p.at({key, 1}), -99.0f) << key;
    }
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 1}), 2.5f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_obs", 1}), 10.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_b", 1}), 1.0f);
    EXPECT_FLOAT_EQ(p.at({"nDaysNO2_mod", 1}), 0.0f);
    EXPECT_FLOAT_EQ(p.at({"nDaysNO2_obs", 1}), 1.0f);
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
    // five days of one hour; the fourth has no modelled value
    feedDays(e, {values(1, 0, 0), values(5, 0, 0), values(3, 0, 0), values(-99, 0, 0), values(4, 0, 0)});
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_mod", 1}), 4.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxDailyNO2_mod", 1}), 5.0f);
    EXPECT_FLOAT_EQ(p.at({"3thHighestDailyNO2_mod", 1}), 3.0f);
    EXPECT_FLOAT_EQ(p.at({"90_PercDailyNO2_mod", 1}), 5.0f); // 0.4 rounds to 0: the maximum
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_b", 1}), 5.0f);
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_obs", 1}), 0.0f); // not selected by mode 1
    EXPECT_FLOAT_EQ(p.at({"nDaysNO2_mod", 1}), 4.0f);  // days with a valid 8-hour value
    EXPECT_FLOAT_EQ(p.at({"4thHighestRun8NO2_mod", 1}), 1.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxRun8NO2_mod", 1}), 5.0f);
}

TEST(StatPublication, TheNinetyEighthPercentileOfAYearNeedsPosition175AndGetsIt) {
    StatisticsEngine e;
    e.startSeries(setupFor(1, 0, 0));
    e.changeDay({2015, 1, 1, 4, 1});
    for (int i = 0; i < 8760; ++i) {
        e.beginHour(1);
        // every value 0..8759 once, in a scrambled order
        e.addHour(0, 1, values(static_cast<float>((i * 2777) % 8760), -99, -99));
    }
    e.endSeries();
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"98_PercNO2_mod", 1}), 8760.0f - 175.0f);
    EXPECT_FLOAT_EQ(p.at({"19thHighestNO2_mod", 1}), 8760.0f - 19.0f);
    EXPECT_FLOAT_EQ(p.at({"50_PercNO2_mod", 1}), 8760.0f - 4380.0f);
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 1}), 4379.5f);
}

TEST(StatPublication, ANewSeriesForgetsTheStreetBefore) {
    StatisticsEngine e;
    e.startSeries(setupFor(3, 3, 3));
    e.changeDay({2015, 1, 1, 4, 1});
    e.beginHour(1);
    e.addHour(0, 1, values(50, 50, 50));
    e.endSeries();
    e.startSeries(setupFor(3, 3, 3));
    e.endSeries();
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_mod", 1}), -99.0f);
    EXPECT_FLOAT_EQ(p.at({"nHoursNO2_obs", 1}), 0.0f);
    EXPECT_TRUE(e.days().empty());
}

} // namespace
} // namespace vesk
