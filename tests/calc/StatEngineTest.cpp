#include "calc/StatEngine.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

StatisticsSetup onePollutant(int percSource, int run8Source, int dailySource) {
    StatisticsSetup s;
    s.PollutantNames = {"NO2"};
    s.PercSource = {percSource};
    s.Run8Source = {run8Source};
    s.DailySource = {dailySource};
    s.MinNobsDay = 1;
    return s;
}

StatHourValues all(float mod, float obs, float back) {
    StatHourValues h{mod, obs, back, true, true, true, true};
    return h;
}

// Feeds side 1 as the run does: a day change whenever the date changes.
void feed(StatisticsEngine &e, int day, float modelled, long hoursElapsed = 1) {
    static int current = 0;
    if (e.acceptedHours() == 0 || day != current) {
        e.changeDay({2015, 1, day, 1, 1});
        current = day;
    }
    e.beginHour(hoursElapsed);
    e.addHour(0, 1, all(modelled, -99, -99));
}

TEST(StatEngineHours, ASecondAddForAPollutantAndSideInOneHourIsRefused) {
    StatisticsEngine e;
    e.startSeries(onePollutant(1, 0, 0));
    e.changeDay({2015, 1, 1, 4, 1});
    EXPECT_FALSE(e.addHour(0, 1, all(5, 5, 5))); // before any hour
    e.beginHour(1);
    EXPECT_TRUE(e.addHour(0, 1, all(5, 5, 5)));
    EXPECT_FALSE(e.addHour(0, 1, all(5, 5, 5)));
    EXPECT_FALSE(e.addHour(1, 1, all(5, 5, 5))); // no such pollutant
    EXPECT_FALSE(e.addHour(0, 3, all(5, 5, 5))); // no such side
    EXPECT_EQ(e.hourCount(0, 1, Series::Modelled), 1);
}

TEST(StatEngineRun8, TheDayMaximumTakesTheValidAveragesOfTheDay) {
    for (int minDailyMax : {16, 17}) {
        StatisticsEngine e;
        StatisticsSetup s = onePollutant(0, 1, 0);
        s.MinNobs8 = 8;
        s.MinDailyMax = minDailyMax;
        e.startSeries(s);
        for (int h = 1; h <= 24; ++h) {
            feed(e, 1, static_cast<float>(h));
        }
        EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Modelled), 20.5f); // (17 + ... + 24) / 8
        e.endSeries();
        // 17 valid 8-hour averages (hours 8 to 24), the largest 20.5
        const TopList &maxima = e.run8List(0, 1, Series::Modelled);
        EXPECT_EQ(maxima.count(), minDailyMax == 16 ? 1 : 0) << "MinDailyMax " << minDailyMax;
        EXPECT_FLOAT_EQ(maxima.slot(1), minDailyMax == 16 ? 20.5f : -99.0f);
    }
}

TEST(StatEngineRun8, ValuesNeverFormedStayOutOfWindowsAndDaySums) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(3, 3, 3);
    s.MinNobs8 = 1;
    e.startSeries(s);
    EXPECT_FLOAT_EQ(e.run8Average(0, 2, Series::Measured), -99.0f); // never updated
    StatHourValues side2 = all(-99, 8, 2); // side 2 not modelled: its value was never formed
    side2.receptorInUse = false;
    e.changeDay({2015, 1, 1, 4, 1});
    for (float obs : {4.0f, 6.0f}) {
        e.beginHour(1);
        e.addHour(0, 1, all(10, obs, 2));
        e.addHour(0, 2, side2);
    }
    e.endSeries();
    EXPECT_FLOAT_EQ(e.run8Average(0, 1, Series::Measured), 5.0f);
    EXPECT_FLOAT_EQ(e.run8Average(0, 2, Series::Modelled), -99.0f);
    EXPECT_FLOAT_EQ(e.run8Average(0, 2, Series::Measured), 8.0f);
    ASSERT_EQ(e.days().size(), 1u);
    EXPECT_FLOAT_EQ(e.days()[0].value(0, 2, Series::Modelled), -99.0f);
    EXPECT_FLOAT_EQ(e.days()[0].value(0, 2, Series::Background), 2.0f);
}

TEST(StatEngineDaily, HourTwentyFourStaysInItsDateAndThreeDatesGiveThreeItems) {
    StatisticsEngine e;
    e.startSeries(onePollutant(0, 0, 1));
    e.setStreet("Main Street", 10.5f, 20.25f);
    for (int day = 1; day <= 3; ++day) {
        for (int h = 1; h <= 24; ++h) {
            feed(e, day, h == 24 ? 25.0f : static_cast<float>(day));
        }
        EXPECT_EQ(e.days().size(), static_cast<std::size_t>(day - 1)); // closed when the next day begins
    }
    e.endSeries();
    e.endSeries(); // a second end makes no further item
    ASSERT_EQ(e.days().size(), 3u);
    EXPECT_EQ(e.days()[0].key, "2015-01-01");
    EXPECT_EQ(e.days()[2].key, "2015-01-03");
    EXPECT_FLOAT_EQ(e.days()[0].value(0, 1, Series::Modelled), 2.0f);          // (23 x 1 + 25) / 24
    EXPECT_FLOAT_EQ(e.days()[2].value(0, 1, Series::Modelled), 94.0f / 24.0f); // (23 x 3 + 25) / 24
    EXPECT_EQ(e.days()[1].streetName, "Main Street");
}

TEST(StatEngineDaily, ADateSeenAgainMakesAnItemOfItsOwnInsteadOfFailing) {
    StatisticsEngine e;
    e.startSeries(onePollutant(0, 0, 1));
    for (int day : {1, 2, 1, 2}) { // data going back in time
        feed(e, day, static_cast<float>(day));
    }
    e.endSeries();
    ASSERT_EQ(e.days().size(), 4u);
    EXPECT_EQ(e.days()[2].key, "2015-01-01 (2)");
    EXPECT_EQ(e.days()[3].key, "2015-01-02 (2)");
}

TEST(StatEngineDaily, NoItemIsMadeWithoutAcceptedHoursNorForPollutantsWithoutDailySource) {
    StatisticsEngine e;
    e.startSeries(onePollutant(0, 0, 1));
    e.changeDay({2015, 1, 1, 4, 1});
    e.changeDay({2015, 1, 2, 5, 1});
    e.endSeries();
    EXPECT_TRUE(e.days().empty());

    e.startSeries(onePollutant(0, 0, 0));
    feed(e, 1, 12.0f);
    e.endSeries();
    ASSERT_EQ(e.days().size(), 1u);
    EXPECT_FLOAT_EQ(e.days()[0].value(0, 1, Series::Modelled), -99.0f);
}

TEST(StatEngineDaily, WithoutDailyCalculationNoItemsAreMadeButEightHourDaysStillClose) {
    StatisticsEngine e;
    StatisticsSetup s = onePollutant(1, 1, 1);
    s.CalcDaily = false;
    s.MinNobs8 = 1;
    s.MinDailyMax = 0;
    e.startSeries(s);
    feed(e, 1, 5.0f);
    feed(e, 2, 7.0f);
    e.endSeries();
    EXPECT_TRUE(e.days().empty());
    EXPECT_EQ(e.run8List(0, 1, Series::Modelled).slots(2), (std::vector<float>{6, 5})); // 6 spans midnight
}

} // namespace
} // namespace vesk
