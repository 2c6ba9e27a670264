#include "calc/StatSeries.h"

#include <gtest/gtest.h>

#include <limits>

namespace vesk {
namespace {

struct PairCase {
    bool inUse, mod, obs, back, both; // receptor in use, available values, calcOnlyIfBoth
    bool takesMod, takesObs, takesBack;
};
class StatPairingRule : public testing::TestWithParam<PairCase> {};

TEST_P(StatPairingRule, DecidesWhichSeriesTakeTheHour) {
    const PairCase &c = GetParam();
    const StatAvailability a{c.mod, c.obs, c.back, c.inUse};
    EXPECT_EQ(pairAdmits(Series::Modelled, a, c.both), c.takesMod);
    EXPECT_EQ(pairAdmits(Series::Measured, a, c.both), c.takesObs);
    EXPECT_EQ(pairAdmits(Series::Background, a, c.both), c.takesBack);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, StatPairingRule, testing::Values(
    //       in use mod    obs    back   both   -> M      O      B
    // without pairing every series takes its own available value
    PairCase{true,  true,  false, false, false,    true,  false, false},
    PairCase{true,  false, true,  false, false,    false, true,  false},
    PairCase{false, false, false, true,  false,    false, false, true },
    PairCase{false, true,  true,  true,  false,    true,  true,  true },
    // pairing, side in use: measured needs modelled, background needs both
    PairCase{true,  false, false, false, true,     false, false, false},
    PairCase{true,  true,  false, false, true,     false, false, false},
    PairCase{true,  false, true,  false, true,     false, false, false},
    PairCase{true,  true,  true,  false, true,     true,  true,  false},
    PairCase{true,  false, false, true,  true,     false, false, false},
    PairCase{true,  true,  false, true,  true,     false, false, false},
    PairCase{true,  false, true,  true,  true,     false, false, false},
    PairCase{true,  true,  true,  true,  true,     true,  true,  true },
    // pairing, side not in use: measured and background pair with each other
    PairCase{false, false, false, false, true,     false, false, false},
    PairCase{false, true,  false, false, true,     false, false, false},
    PairCase{false, false, true,  false, true,     false, false, false},
    PairCase{false, true,  true,  false, true,     true,  false, false},
    PairCase{false, false, false, true,  true,     false, false, false},
    PairCase{false, true,  false, true,  true,     false, false, false},
    PairCase{false, false, true,  true,  true,     false, true,  true },
    PairCase{false, true,  true,  true,  true,     true,  true,  true }));
// clang-format on

TEST(StatAdmittedSeries, AgreesWithThePairingRuleForEveryFlagValueAndSide) {
    // Per series: the flag, and a value formed, never formed, -0 or not a number.
    const float values[] = {5.0f, -99.0f, -0.0f, std::numeric_limits<float>::quiet_NaN()};
    for (unsigned code = 0; code < 8 * 8 * 8 * 4; ++code) {
        StatHourValues h;
        h.modelled = values[code & 3u];
        h.modelledAvailable = (code >> 2 & 1u) != 0;
        h.measured = values[code >> 3 & 3u];
        h.measuredAvailable = (code >> 5 & 1u) != 0;
        h.background = values[code >> 6 & 3u];
        h.backgroundAvailable = (code >> 8 & 1u) != 0;
        h.receptorInUse = (code >> 9 & 1u) != 0;
        const bool both = (code >> 10 & 1u) != 0;
        const StatAvailability a = availabilityOf(h);
        const unsigned expected = (pairAdmits(Series::Modelled, a, both) ? 1u : 0u) |
                                  (pairAdmits(Series::Measured, a, both) ? 2u : 0u) |
                                  (pairAdmits(Series::Background, a, both) ? 4u : 0u);
        ASSERT_EQ(admittedSeries(h, both), expected) << "case " << code;
    }
}

TEST(StatAvailability, AValueIsAvailableOnlyWhenFlaggedAndNotNegative) {
    StatHourValues h;
    h.modelled = -99.0f; // never formed, though flagged
    h.modelledAvailable = true;
    h.measured = 0.0f;
    h.measuredAvailable = true;
    h.background = 12.0f; // not flagged
    const StatAvailability a = availabilityOf(h);
    EXPECT_FALSE(a.modelled);
    EXPECT_TRUE(a.measured);
    EXPECT_FALSE(a.background);
}

TEST(StatAverage, IsMissingWithoutHoursOrWithANegativeSum) {
    EXPECT_FLOAT_EQ(seriesAverage(0, 0.0), -99.0f);
    EXPECT_FLOAT_EQ(seriesAverage(3, -1.5), -99.0f);
    EXPECT_FLOAT_EQ(seriesAverage(4, 10.0), 2.5f);
}

TEST(StatRun8Window, GivesNoAverageBeforeMinNobs8Hours) {
    Run8Window w;
    for (int h = 1; h <= 5; ++h) {
        EXPECT_FLOAT_EQ(w.update(static_cast<float>(h), true, 1, 6), -99.0f) << "hour " << h;
    }
    EXPECT_FLOAT_EQ(w.update(6.0f, true, 1, 6), 3.5f);
    w.update(7.0f, true, 1, 6);
    w.update(8.0f, true, 1, 6);
    EXPECT_FLOAT_EQ(w.update(9.0f, true, 1, 6), 5.5f); // 1 has left: (2 + ... + 9) / 8
}

TEST(StatRun8Window, GapsOfThreeAndSevenHoursDropTheOldestAndEightStartsAfresh) {
    Run8Window w;
    for (int h = 1; h <= 8; ++h) {
        w.update(static_cast<float>(h), true, 1, 1);
    }
    EXPECT_FLOAT_EQ(w.update(100.0f, true, 3, 6), 130.0f / 6.0f);
    EXPECT_EQ(w.slots(), (std::array<float, 8>{4, 5, 6, 7, 8, -99, -99, 100}));
    EXPECT_FLOAT_EQ(w.update(20.0f, true, 7, 1), 60.0f); // only 100 stays: (100 + 20) / 2
    EXPECT_FLOAT_EQ(w.update(30.0f, true, 8, 1), 30.0f);
    EXPECT_EQ(w.validCount(), 1);
}

TEST(StatRun8Window, AnHourWithoutAnAdmittedValueLeavesAGapAndNeverAddsMinus99) {
    Run8Window w;
    w.update(10.0f, true, 1, 1);
    EXPECT_FLOAT_EQ(w.update(-99.0f, true, 1, 1), 10.0f); // flagged but never formed
    EXPECT_FLOAT_EQ(w.update(50.0f, false, 1, 1), 10.0f); // not admitted
    EXPECT_FLOAT_EQ(w.update(0.0f, true, 1, 1), 5.0f);    // 0 is a value
}

TEST(StatRun8DayMaximum, ADayCountsOnlyWithMoreValidValuesThanMinDailyMax) {
    for (int valid : {18, 19}) {
        Run8DayMaximum day;
        TopList maxima;
        day.take(-99.0f);
        for (int i = 0; i < valid; ++i) {
            day.take(static_cast<float>(i));
        }
        EXPECT_FLOAT_EQ(day.maximum, static_cast<float>(valid - 1));
        day.endDay(true, 18, maxima);
        EXPECT_EQ(maxima.count(), valid == 19 ? 1 : 0) << valid << " valid values";
        EXPECT_EQ(day.valid, 0);
    }
}

TEST(StatDaySum, NeedsMinNobsDayHours) {
    DaySum day;
    for (int h = 0; h < 17; ++h) {
        day.take(2.0f);
    }
    EXPECT_FLOAT_EQ(day.close(18), -99.0f);
    for (int h = 0; h < 18; ++h) {
        day.take(static_cast<float>(h));
    }
    EXPECT_FLOAT_EQ(day.close(18), 8.5f);
    EXPECT_FLOAT_EQ(day.close(0), -99.0f); // an empty day has no average
}

} // namespace
} // namespace vesk
