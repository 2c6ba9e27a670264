// Fed in blocks of hours, the statistics must be exactly those of the
// hour-by-hour feed: every published value, every day's averages and every
// hour's 8-hour average, to the last bit, wherever the blocks end (at a day's,
// a month's or a year's end, in the middle of a gap) and wherever the series
// stops.

#include "calc/StatEngine.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace vesk {
namespace {

struct Clock {
    int year = 2015, month = 12, day = 30, hour = 0;

    static int daysIn(int year, int month) {
        static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return month == 2 && leap ? 29 : days[month - 1];
    }
    void advance(long hours) {
        for (long k = 0; k < hours; ++k) {
            if (++hour < 24) {
                continue;
            }
            hour = 0;
            if (++day > daysIn(year, month)) {
                day = 1;
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
            }
        }
    }
};

struct FedHour {
    StatDay day;
    long hoursElapsed = 1;
    std::vector<std::tuple<int, int, StatHourValues>> values; // (pollutant, side, values)
};

// Some months from 30 December 2015: over a year's end and months'
// end, with gaps of 2 to 30 hours, hours given twice in a row (elapsed 0),
// values never formed (-99), flags cleared and a side not in use.
std::vector<FedHour> scriptedHours(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> concentration(0.0f, 150.0f);
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<FedHour> hours;
    Clock clock;
    for (int i = 0; i < count; ++i) {
        const int draw = percent(random);
        const long step = i == 0 ? 1 : draw < 88 ? 1 : draw < 96 ? 2 + percent(random) % 29 : 0;
        clock.advance(step);
        FedHour h;
        h.day = {clock.year, clock.month, clock.day, 1 + (clock.day % 7), 1};
        h.hoursElapsed = step;
        for (int p = 0; p < 2; ++p) {
            for (int side = 1; side <= 2; ++side) {
                StatHourValues v;
                v.modelled = percent(random) < 4 ? -99.0f : concentration(random);
                v.measured = percent(random) < 15 ? -99.0f : concentration(random);
                v.background = percent(random) < 5 ? -99.0f : concentration(random);
                v.modelledAvailable = percent(random) >= 5;
                v.measuredAvailable = percent(random) >= 10;
                v.backgroundAvailable = true;
                v.receptorInUse = side == 1 || p == 0;
                h.values.emplace_back(p, side, v);
            }
        }
        hours.push_back(std::move(h));
    }
    return hours;
}

StatisticsSetup setupFor(bool calcOnlyIfBoth, int blockHours) {
    StatisticsSetup s;
    s.PollutantNames = {"NO2", "PM10"};
    s.PercSource = {3, 1};
    s.Run8Source = {3, 2};
    s.DailySource = {3, 1};
    s.CalcOnlyIfBoth = calcOnlyIfBoth;
    s.MinNobs8 = 6;
    s.MinDailyMax = 12;
    s.MinNobsDay = 12;
    s.hourly = {{"98_Perc", "99.8_Perc"}, {19, 2}, {0.02f, 0.002f}};
    s.run8 = {{"90_Perc"}, {3}, {0.1f}};
    s.daily = {{"90_Perc"}, {4}, {0.1f}};
    s.BlockHours = blockHours;
    return s;
}

struct Fed {
    std::vector<std::vector<float>> averages8; // per hour: every pollutant, side and series
    std::map<std::pair<std::string, int>, float> published;
    std::vector<StatDayRecord> days;
};

// Feeds the first `stopAfter` hours as the run does and ends the series there.
Fed feed(const std::vector<FedHour> &hours, std::size_t stopAfter, const StatisticsSetup &setup) {
    StatisticsEngine e;
    e.startSeries(setup);
    e.setStreet("Street", 1.5, 2.5);
    Fed fed;
    std::string dayText;
    for (std::size_t k = 0; k < stopAfter && k < hours.size(); ++k) {
        const FedHour &h = hours[k];
        if (statDayText(h.day) != dayText) {
            e.changeDay(h.day);
            dayText = statDayText(h.day);
        }
        e.beginHour(h.hoursElapsed);
        for (const auto &[p, side, v] : h.values) {
            e.addHour(p, side, v);
        }
        std::vector<float> averages;
        for (int p = 0; p < 2; ++p) {
            for (int side = 1; side <= 2; ++side) {
                for (Series s : kAllSeries) {
                    averages.push_back(e.run8Average(p, side, s));
                }
            }
        }
        fed.averages8.push_back(std::move(averages));
    }
    e.endSeries();
    e.publish([&fed](const std::string &key, int receptor, float value) { fed.published[{key, receptor}] = value; });
    fed.days = e.days();
    return fed;
}

// (block hours, hours fed before the series ends, calcOnlyIfBoth)
class StatBlockFeed : public ::testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(StatBlockFeed, GivesTheStatisticsOfTheHourByHourFeedToTheLastBit) {
    const auto [blockHours, stopAfter, both] = GetParam();
    const std::vector<FedHour> hours = scriptedHours(22, 1200);
    const Fed byHour = feed(hours, static_cast<std::size_t>(stopAfter), setupFor(both, 0));
    const Fed byBlock = feed(hours, static_cast<std::size_t>(stopAfter), setupFor(both, blockHours));

    ASSERT_EQ(byBlock.averages8.size(), byHour.averages8.size());
    for (std::size_t h = 0; h < byHour.averages8.size(); ++h) {
        ASSERT_EQ(byBlock.averages8[h], byHour.averages8[h]) << "8-hour averages of hour " << h;
    }
    ASSERT_GT(byHour.published.size(), 100u);
    EXPECT_EQ(byBlock.published, byHour.published);
    ASSERT_FALSE(byHour.days.empty());
    if (stopAfter == 1200) { // the whole script runs over a year's and a month's end
        EXPECT_EQ(byHour.days.front().key, "2015-12-30");
        EXPECT_EQ(byHour.days.back().day.year, 2016);
        EXPECT_GE(byHour.days.back().day.month, 2);
    }
    ASSERT_EQ(byBlock.days.size(), byHour.days.size());
    for (std::size_t d = 0; d < byHour.days.size(); ++d) {
        EXPECT_EQ(byBlock.days[d].key, byHour.days[d].key);
        EXPECT_EQ(byBlock.days[d].averages, byHour.days[d].averages) << byHour.days[d].key;
    }
}

// The script's hours begin at midnight, so blocks of 24 end with a day until
// the first gap; 5, 7 and 25 cut days and gaps anywhere; 1 flushes every hour;
// 168 is the run's week. Stops: after the first hour, mid-block, on a block's
// end and after every hour.
INSTANTIATE_TEST_SUITE_P(BlockSizesAndStops, StatBlockFeed,
                         ::testing::Combine(::testing::Values(1, 5, 7, 24, 25, 168), ::testing::Values(1, 23, 24, 50, 168, 1200),
                                            ::testing::Bool()));

TEST(StatBlockFeedDays, ADayClosedWithinABlockGetsItsAveragesWhenTheBlockIsTaken) {
    StatisticsSetup setup = setupFor(false, 48);
    setup.MinNobsDay = 1;
    StatisticsEngine e;
    e.startSeries(setup);
    StatHourValues v{10.0f, 20.0f, 30.0f, true, true, true, true};
    for (int day = 1; day <= 2; ++day) {
        e.changeDay({2016, 2, 27 + day, 1, 1});
        for (int h = 0; h < 3; ++h) {
            e.beginHour(1);
            e.addHour(0, 1, v);
        }
    }
    ASSERT_EQ(e.days().size(), 1u); // 28 February, closed by the 29th
    EXPECT_EQ(e.days()[0].value(0, 1, Series::Modelled), -99.0f); // its sums wait for the block
    EXPECT_EQ(e.hourCount(0, 1, Series::Modelled), 0);
    e.flush();
    EXPECT_EQ(e.days()[0].value(0, 1, Series::Modelled), 10.0f);
    EXPECT_EQ(e.hourCount(0, 1, Series::Modelled), 6);
    e.endSeries();
    ASSERT_EQ(e.days().size(), 2u);
    EXPECT_EQ(e.days()[1].key, "2016-02-29");
    EXPECT_EQ(e.days()[1].value(0, 1, Series::Background), 30.0f);
    EXPECT_EQ(e.hourSum(0, 1, Series::Measured), 120.0);
}

} // namespace
} // namespace vesk
