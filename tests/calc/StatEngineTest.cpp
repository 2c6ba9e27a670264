#include "calc/StatEngine.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace vesk {
namespace {

using Published = std::map<std::pair<std::string, int>, float>;

StatisticsSetup onePollutant(int percSource = 3, int run8Source = 3, int dailySource = 3) {
    StatisticsSetup s;
    s.PollutantNames = {"NO2"};
    s.PercSource = {percSource};
    s.Run8Source = {run8Source};
    s.DailySource = {dailySource};
    s.MinNobs8 = 6;
    s.MinDailyMax = 18;
    s.MinNobsDay = 18;
    s.hourly = {{"98_Perc", "50_Perc"}, {19, 2}, {0.02f, 0.5f}};
    s.run8 = {{"90_PercRun8"}, {4}, {0.1f}};
    s.daily = {{"90_PercDaily"}, {3}, {0.1f}};
    return s;
}

StatHourValues modelledOnly(float v) {
    StatHourValues h;
    h.modelled = v;
    h.modelledAvailable = true;
    return h;
}

StatHourValues all(float mod, float obs, float back) {
    StatHourValues h;
    h.modelled = mod;
    h.measured = obs;
    h.background = back;
    h.modelledAvailable = h.measuredAvailable = h.backgroundAvailable = true;
    return h;
}

// Drives the engine as the run does: a day change whenever the date changes.
struct Driver {
    StatisticsEngine &engine;
    bool started = false;
    StatDay current{};

    void hour(int year, int month, int day, long hoursElapsed, const StatHourValues &side1,
              const StatHourValues &side2 = StatHourValues{}) {
        const StatDay d{year, month, day, 1, 1};
        if (!started || d.year != current.year || d.month != current.month || d.day != current.day) {
            engine.changeDay(d);
            current = d;
            started = true;
        }
        engine.beginHour(hoursElapsed);
        engine.addHour(0, 1, side1);
        engine.addHour(0, 2, side2);
    }
};

Published publishAll(const StatisticsEngine &engine) {
    Published out;
    engine.publish([&](const std::string &key, int receptor, float value) { out[{key, receptor}] = value; });
    return out;
}

// ---- hourly series -----------------------------------------------------

TEST(StatEngineHourly, PairingWithBothKeepsHoursWithoutAMeasurementOutOfModelledAndBackground) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant();
    s.CalcOnlyIfBoth = true;
    e.startSeries(s);
    Driver d{e};
    d.hour(2015, 1, 1, 1, all(30, 20, 10));
    d.hour(2015, 1, 1, 1, all(50, -99, 10)); // measured side 1 missing
    EXPECT_EQ(e.hourCount(0, 1, Series::Modelled), 1);
    EXPECT_EQ(e.hourCount(0, 1, Series::Measured), 1);
    EXPECT_EQ(e.hourCount(0, 1, Series::Background), 1);
    EXPECT_DOUBLE_EQ(e.hourSum(0, 1, Series::Modelled), 30.0);
}

TEST(StatEngineHourly, ModeZeroStillCountsAndSumsButRanksNothing) {
    StatisticsEngine e;
    e.startSeries(onePollutant(0, 0, 0));
    Driver d{e};
    d.hour(2015, 1, 1, 1, all(3, 2, 1));
    d.hour(2015, 1, 1, 1, all(0, 4, 1));
    EXPECT_EQ(e.hourCount(0, 1, Series::Modelled), 2);
    EXPECT_DOUBLE_EQ(e.hourSum(0, 1, Series::Measured), 6.0);
    EXPECT_EQ(e.hourlyList(0, 1, Series::Modelled).count(), 0);
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"AvNO2_mod", 1}), 1.5f);
    EXPECT_FLOAT_EQ(p.at({"MaxHourlyNO2_mod", 1}), -99.0f);
}

TEST(StatEngineHourly, ASecondAddForTheSamePollutantAndSideInOneHourIsRefused) {
    StatisticsEngine e;
    e.startSeries(onePollutant());
    e.changeDay({2015, 1, 1, 4, 1});
    EXPECT_FALSE(e.addHour(0, 1, modelledOnly(5))); // before any hour
    e.beginHour(1);
    EXPECT_TRUE(e.addHour(0, 1, modelledOnly(5)));
    EXPECT_FALSE(e.addHour(0, 1, modelledOnly(5)));
    EXPECT_FALSE(e.addHour(1, 1, modelledOnly(5))); // no such pollutant
    EXPECT_FALSE(e.addHour(0, 3, modelledOnly(5))); // no such side
    EXPECT_EQ(e.hourCount(0, 1, Series::Modelled), 1);
}

// ---- running 8-hour values ---------------------------------------------

TEST(StatEngineRun8, TheDayMaximumTakesTheValidAveragesOfTheDay) {
    for (int minDailyMax : {16, 17}) {
        StatisticsEngine e;
        StatisticsSetup s = onePollutant(1, 1, 0);
        s.MinNobs8 = 8;
        s.MinDailyMax = minDailyMax;
        e.startSeries(s);
        Driver d{e};
        for (int h = 1; h <= 24; ++h) {
            d.hour(2015, 3, 1, 1, modelledOnly(static_cast<float>(h)));
            if (h == 7) {
                EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Modelled), -99.0f);
            }
        }
        EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Modelled), 20.5f); // (17+...+24)/8
        e.endSeries();
        // 17 valid 8-hour averages (hours 8 to 24), the largest 20.5
        const TopList &maxima = e.run8List(0, 1, Series::Modelled);
        EXPECT_EQ(maxima.count(), minDailyMax == 16 ? 1 : 0) << "MinDailyMax " << minDailyMax;
        if (minDailyMax == 16) {
            EXPECT_FLOAT_EQ(maxima.slot(1), 20.5f);
        }
    }
}

TEST(StatEngineRun8, ValuesNeverFormedStayOutOfTheWindowsAndUnusedSeriesStayMissing) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(3, 2, 3); // 8-hour values of the measured series only
    s.MinNobs8 = 1;
    e.startSeries(s);
    EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Measured), -99.0f); // never updated
    Driver d{e};
    StatHourValues side2 = all(-99, 8, 2); // side 2 not modelled: its value was never formed
    side2.receptorInUse = false;
    d.hour(2015, 1, 1, 1, all(10, 4, 2), side2);
    d.hour(2015, 1, 1, 1, all(10, 6, 2), side2);
    EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Measured), 5.0f);
    EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Modelled), -99.0f); // not selected
    EXPECT_FLOAT_EQ(e.run8Average(0, 2, Series::Measured), 8.0f);
    EXPECT_FLOAT_EQ(e.run8Average(0, 2, Series::Background), 2.0f);
    EXPECT_EQ(e.hourCount(0, 2, Series::Modelled), 0);
}

TEST(StatEngineRun8, AHourMissedByThePollutantStillMovesItsWindowOn) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(1, 1, 0);
    s.MinNobs8 = 1;
    e.startSeries(s);
    e.changeDay({2015, 1, 1, 4, 1});
    e.beginHour(1);
    e.addHour(0, 1, modelledOnly(10));
    for (int h = 0; h < 7; ++h) {
        e.beginHour(1); // the pollutant takes no part in these hours
    }
    e.beginHour(1);
    e.addHour(0, 1, modelledOnly(30));
    EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Modelled), 30.0f); // 8 hours on: 10 has left
}

// ---- daily values ------------------------------------------------------

TEST(StatEngineDaily, ADailyAverageNeedsMinNobsDayHours) {
    StatisticsEngine e;
    e.startSeries(onePollutant(1, 0, 1));
    Driver d{e};
    for (int h = 1; h <= 17; ++h) {
        d.hour(2015, 1, 1, 1, modelledOnly(10));
    }
    for (int h = 1; h <= 18; ++h) {
        d.hour(2015, 1, 2, 1, modelledOnly(static_cast<float>(h)));
    }
    e.endSeries();
    ASSERT_EQ(e.days().size(), 2u);
    EXPECT_FLOAT_EQ(e.days()[0].value(0, 1, Series::Modelled), -99.0f);
    EXPECT_FLOAT_EQ(e.days()[1].value(0, 1, Series::Modelled), 9.5f);
}

TEST(StatEngineDaily, HourTwentyFourStaysInItsDateAndThreeDatesGiveThreeItems) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(1, 0, 1);
    s.MinNobsDay = 1;
    e.startSeries(s);
    e.setStreet("Main Street", 10.5f, 20.25f);
    Driver d{e};
    for (int day = 1; day <= 3; ++day) {
        for (int h = 1; h <= 24; ++h) {
            d.hour(2015, 1, day, 1, modelledOnly(h == 24 ? 25.0f : static_cast<float>(day)));
        }
        EXPECT_EQ(e.days().size(), static_cast<std::size_t>(day - 1)); // closed when the next day begins
    }
    e.endSeries();
    ASSERT_EQ(e.days().size(), 3u);
    EXPECT_EQ(e.days()[0].key, "2015-01-01");
    EXPECT_EQ(e.days()[2].key, "2015-01-03");
    EXPECT_FLOAT_EQ(e.days()[0].value(0, 1, Series::Modelled), 2.0f);          // (23 x 1 + 25) / 24
    EXPECT_FLOAT_EQ(e.days()[2].value(0, 1, Series::Modelled), 94.0f / 24.0f); // (23 x 3 + 25) / 24
    EXPECT_EQ(e.days()[1].streetName, "Main Street");
    EXPECT_FLOAT_EQ(e.days()[1].y, 20.25f);
    e.endSeries(); // a second end makes no further item
    EXPECT_EQ(e.days().size(), 3u);
}

TEST(StatEngineDaily, ADateSeenAgainMakesAnItemOfItsOwnInsteadOfFailing) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(1, 0, 1);
    s.MinNobsDay = 1;
    e.startSeries(s);
    Driver d{e};
    d.hour(2015, 1, 1, 1, modelledOnly(1));
    d.hour(2015, 1, 2, 1, modelledOnly(2));
    d.hour(2015, 1, 1, 1, modelledOnly(3)); // data going back in time
    d.hour(2015, 1, 2, 1, modelledOnly(4));
    e.endSeries();
    ASSERT_EQ(e.days().size(), 4u);
    EXPECT_EQ(e.days()[2].key, "2015-01-01 (2)");
    EXPECT_EQ(e.days()[3].key, "2015-01-02 (2)");
    EXPECT_FLOAT_EQ(e.days()[2].value(0, 1, Series::Modelled), 3.0f);
}

TEST(StatEngineDaily, NoItemIsMadeWithoutAcceptedHours) {
    StatisticsEngine e;
    e.startSeries(onePollutant());
    e.endSeries();
    EXPECT_TRUE(e.days().empty());
    e.startSeries(onePollutant());
    e.changeDay({2015, 1, 1, 4, 1});
    e.changeDay({2015, 1, 2, 5, 1});
    e.endSeries();
    EXPECT_TRUE(e.days().empty());
    EXPECT_EQ(e.acceptedHours(), 0);
}

TEST(StatEngineDaily, ItemsKeepMissingValuesForPollutantsWithoutDailySourceAndForUnformedValues) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(3, 0, 3);
    s.PollutantNames = {"NO2", "PM10"};
    s.DailySource = {3, 0};
    s.MinNobsDay = 1;
    e.startSeries(s);
    e.changeDay({2015, 6, 1, 1, 2});
    e.beginHour(1);
    StatHourValues side2 = all(-99, 7, 3);
    side2.receptorInUse = false;
    e.addHour(0, 1, all(12, 10, 3));
    e.addHour(0, 2, side2);
    e.addHour(1, 1, all(12, 10, 3));
    e.endSeries();
    ASSERT_EQ(e.days().size(), 1u);
    const StatDayRecord &day = e.days()[0];
    EXPECT_EQ(day.day.dayCase, 2);
    EXPECT_FLOAT_EQ(day.value(0, 1, Series::Modelled), 12.0f);
    EXPECT_FLOAT_EQ(day.value(0, 2, Series::Modelled), -99.0f);
    EXPECT_FLOAT_EQ(day.value(0, 2, Series::Measured), 7.0f);
    EXPECT_FLOAT_EQ(day.value(1, 1, Series::Modelled), -99.0f);
}

TEST(StatEngineDaily, WithoutDailyCalculationNoItemsAreMadeButEightHourDaysStillClose) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(1, 1, 1);
    s.CalcDaily = false;
    s.MinNobs8 = 1;
    s.MinDailyMax = 0;
    e.startSeries(s);
    Driver d{e};
    d.hour(2015, 1, 1, 1, modelledOnly(5));
    d.hour(2015, 1, 2, 1, modelledOnly(7));
    EXPECT_EQ(e.run8List(0, 1, Series::Modelled).count(), 1);
    e.endSeries();
    EXPECT_TRUE(e.days().empty());
    EXPECT_EQ(e.run8List(0, 1, Series::Modelled).count(), 2);
    const Published p = publishAll(e);
    EXPECT_FLOAT_EQ(p.at({"MaxDailyNO2_mod", 1}), -99.0f);
    EXPECT_FLOAT_EQ(p.at({"nDaysDNO2_mod", 1}), 0.0f);
    EXPECT_FLOAT_EQ(p.at({"MaxRun8NO2_mod", 1}), 6.0f); // the window spans midnight: (5 + 7) / 2
}

} // namespace
} // namespace vesk
