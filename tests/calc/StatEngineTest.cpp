#include "calc/StatEngine.h"

#include "core/TextIO.h"

#include <gtest/gtest.h>

#include <map>

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
    // A name as long as a reader takes (1 MiB) is not copied into every day of a year.
    EXPECT_EQ(&e.days()[0].streetName.str(), &e.days()[2].streetName.str())
        << "the days share their street's name";
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

// ---- Demand: a run asks for some statistics, the engine computes those alone.

StatisticsSetup twoPollutantsWithFamilies() {
    StatisticsSetup s;
    s.PollutantNames = {"NOx", "PM10"};
    s.PercSource = {3, 3};
    s.Run8Source = {3, 3};
    s.DailySource = {3, 3};
    s.MinNobs8 = 1;
    s.MinDailyMax = 0;
    s.MinNobsDay = 1;
    s.hourly = {{"99.8_Perc"}, {19}, {0.002f}};
    s.run8 = {{"99_Perc8"}, {4}, {0.01f}};
    s.daily = {{"90.4_PercD"}, {36}, {0.096f}};
    return s;
}

struct DemandCase {
    const char *key; // as published (any letter case)
    int pollutant;
    StatPart part;
    Series series;
};

class StatEngineDemand : public ::testing::TestWithParam<DemandCase> {};

TEST_P(StatEngineDemand, AKeyAsksForThePartOfThePollutantAndSeriesItIsMadeOf) {
    const DemandCase &c = GetParam();
    const StatisticsDemand d = StatisticsEngine::demandFor(
        twoPollutantsWithFamilies(), [&](const std::string &key) { return toLower(key) == toLower(c.key); });
    EXPECT_FALSE(d.all());
    for (int p = 0; p < 2; ++p) {
        for (StatPart part : {StatPart::Sums, StatPart::Ranks, StatPart::Run8, StatPart::Daily}) {
            for (Series s : kAllSeries) {
                const bool asked = p == c.pollutant && s == c.series &&
                                   (part == c.part || (c.part == StatPart::Ranks && part == StatPart::Sums));
                EXPECT_EQ(d.wants(p, part, s), asked)
                    << c.key << ": pollutant " << p << ", part " << static_cast<int>(part) << ", series "
                    << static_cast<int>(s);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StatEngineDemand,
    ::testing::Values(DemandCase{"AvNOx_mod", 0, StatPart::Sums, Series::Modelled},
                      DemandCase{"nHoursPM10_obs", 1, StatPart::Sums, Series::Measured},
                      DemandCase{"19thHighestNOx_b", 0, StatPart::Ranks, Series::Background},
                      DemandCase{"99.8_PercPM10_mod", 1, StatPart::Ranks, Series::Modelled},
                      DemandCase{"maxhourlynox_obs", 0, StatPart::Ranks, Series::Measured},
                      DemandCase{"MaxRun8PM10_b", 1, StatPart::Run8, Series::Background},
                      DemandCase{"4thHighestRun8NOx_mod", 0, StatPart::Run8, Series::Modelled},
                      DemandCase{"nDaysNOx_obs", 0, StatPart::Run8, Series::Measured},
                      DemandCase{"99_Perc8PM10_obs", 1, StatPart::Run8, Series::Measured},
                      DemandCase{"MaxDailyNOx_mod", 0, StatPart::Daily, Series::Modelled},
                      DemandCase{"36thHighestDailyPM10_b", 1, StatPart::Daily, Series::Background},
                      DemandCase{"nDaysDNOx_b", 0, StatPart::Daily, Series::Background},
                      DemandCase{"90.4_PercDPM10_mod", 1, StatPart::Daily, Series::Modelled}));

TEST(StatEngineDemand, AKeyNoStatisticHasAsksForNothing) {
    const StatisticsDemand d =
        StatisticsEngine::demandFor(twoPollutantsWithFamilies(), [](const std::string &key) {
            return key == "AvCO_mod" || key == "Street";
        });
    for (int p = 0; p < 2; ++p) {
        EXPECT_FALSE(d.wantsAny(p));
    }
}

// The statistics of one engine fed three days, by key and side.
std::map<std::string, float> fedAndPublished(const StatisticsSetup &setup) {
    StatisticsEngine e;
    e.startSeries(setup);
    for (int h = 0; h < 72; ++h) {
        if (h % 24 == 0) {
            e.changeDay({2015, 1, 1 + h / 24, 4, 1});
        }
        e.beginHour(h == 30 ? 3 : 1); // a gap of two hours
        for (int p = 0; p < 2; ++p) {
            for (int side = 1; side <= 2; ++side) {
                StatHourValues v = all(static_cast<float>((h * 7 + p * 3 + side) % 23),
                                       h % 5 == 0 ? -99.0f : 10.0f + h % 4, static_cast<float>(5 + h % 6));
                e.addHour(p, side, v);
            }
        }
    }
    e.endSeries();
    std::map<std::string, float> out;
    e.publish([&](const std::string &key, int side, float value) {
        out[key + "/" + std::to_string(side)] = value;
    });
    return out;
}

TEST(StatEngineDemand, TheStatisticsAskedForAreThoseOfAnEngineComputingEverythingAndNoOthersAreHandedOver) {
    const StatisticsSetup everything = twoPollutantsWithFamilies();
    const std::map<std::string, float> all = fedAndPublished(everything);
    StatisticsSetup some = everything;
    some.demand = StatisticsDemand::none();
    some.demand.ask(1, StatPart::Ranks, Series::Modelled);
    some.demand.ask(0, StatPart::Run8, Series::Measured);
    some.demand.ask(0, StatPart::Daily, Series::Background);
    const std::map<std::string, float> asked = fedAndPublished(some);
    const std::vector<std::string> expected = {
        "99.8_PercPM10_mod", "19thHighestPM10_mod", "MaxHourlyPM10_mod",     "AvPM10_mod",
        "nHoursPM10_mod",    "99_Perc8NOx_obs",     "4thHighestRun8NOx_obs", "MaxRun8NOx_obs",
        "nDaysNOx_obs",      "90.4_PercDNOx_b",     "36thHighestDailyNOx_b", "MaxDailyNOx_b",
        "nDaysDNOx_b"};
    EXPECT_EQ(asked.size(), 2 * expected.size());
    for (const std::string &key : expected) {
        for (const char *side : {"/1", "/2"}) {
            ASSERT_EQ(asked.count(key + side), 1u) << key << side;
            EXPECT_EQ(asked.at(key + side), all.at(key + side)) << key << side;
        }
    }
    EXPECT_GT(asked.at("MaxRun8NOx_obs/1"), 0) << "the values are real ones";
}

} // namespace
} // namespace vesk
