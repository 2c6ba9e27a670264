#include "calc/StatSeries.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

// ---- pairing rule -------------------------------------------------------

struct PairCase {
    bool inUse, mod, obs, back; // receptor in use and the available values
    bool both;                  // calcOnlyIfBoth
    bool takesMod, takesObs, takesBack;
};

class StatPairingRule : public testing::TestWithParam<PairCase> {};

TEST_P(StatPairingRule, DecidesWhichSeriesTakeTheHour) {
    const PairCase &c = GetParam();
    StatAvailability a;
    a.receptorInUse = c.inUse;
    a.modelled = c.mod;
    a.measured = c.obs;
    a.background = c.back;
    EXPECT_EQ(pairAdmits(Series::Modelled, a, c.both), c.takesMod);
    EXPECT_EQ(pairAdmits(Series::Measured, a, c.both), c.takesObs);
    EXPECT_EQ(pairAdmits(Series::Background, a, c.both), c.takesBack);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, StatPairingRule, testing::Values(
    // without pairing every series takes its own available value
    PairCase{true,  true,  false, false, false, true,  false, false},
    PairCase{true,  false, true,  false, false, false, true,  false},
    PairCase{false, false, false, true,  false, false, false, true },
    PairCase{true,  true,  true,  true,  false, true,  true,  true },
    PairCase{false, false, false, false, false, false, false, false},
    // pairing, receptor in use
    //     in use mod    obs    back   both   M      O      B
    PairCase{true,  false, false, false, true,  false, false, false},
    PairCase{true,  true,  false, false, true,  false, false, false},
    PairCase{true,  false, true,  false, true,  false, false, false},
    PairCase{true,  true,  true,  false, true,  true,  true,  false},
    PairCase{true,  false, false, true,  true,  false, false, false},
    PairCase{true,  true,  false, true,  true,  false, false, false},
    PairCase{true,  false, true,  true,  true,  false, false, false},
    PairCase{true,  true,  true,  true,  true,  true,  true,  true },
    // pairing, receptor not in use: measured pairs with background and back
    PairCase{false, false, false, false, true,  false, false, false},
    PairCase{false, true,  false, false, true,  false, false, false},
    PairCase{false, false, true,  false, true,  false, false, false},
    PairCase{false, true,  true,  false, true,  true,  false, false},
    PairCase{false, false, false, true,  true,  false, false, false},
    PairCase{false, true,  false, true,  true,  false, false, false},
    PairCase{false, false, true,  true,  true,  false, true,  true },
    PairCase{false, true,  true,  true,  true,  true,  true,  true }));
// clang-format on

TEST(StatAvailability, AValueIsAvailableOnlyWhenFlaggedAndNotNegative) {
    StatHourValues h;
    h.modelled = -99.0f; // never formed, though the pollutant's flag is set
    h.modelledAvailable = true;
    h.measured = 0.0f;
    h.measuredAvailable = true;
    h.background = 12.0f;
    h.backgroundAvailable = false;
    const StatAvailability a = availabilityOf(h);
    EXPECT_FALSE(a.modelled);
    EXPECT_TRUE(a.measured);
    EXPECT_FALSE(a.background);
    h.modelled = -0.5f;
    EXPECT_FALSE(availabilityOf(h).modelled);
}

struct ModeCase {
    int mode;
    bool mod, obs, back;
};
class StatSourceMode : public testing::TestWithParam<ModeCase> {};
TEST_P(StatSourceMode, SelectsItsSeries) {
    EXPECT_EQ(modeSelects(GetParam().mode, Series::Modelled), GetParam().mod);
    EXPECT_EQ(modeSelects(GetParam().mode, Series::Measured), GetParam().obs);
    EXPECT_EQ(modeSelects(GetParam().mode, Series::Background), GetParam().back);
}
INSTANTIATE_TEST_SUITE_P(Modes, StatSourceMode,
                         testing::Values(ModeCase{0, false, false, false}, ModeCase{1, true, false, true},
                                         ModeCase{2, false, true, true}, ModeCase{3, true, true, true}));

// ---- averages and hourly series ----------------------------------------

TEST(StatAverage, IsMissingWithoutHoursOrWithANegativeSum) {
    EXPECT_FLOAT_EQ(seriesAverage(0, 0.0), -99.0f);
    EXPECT_FLOAT_EQ(seriesAverage(3, -1.5), -99.0f);
    EXPECT_FLOAT_EQ(seriesAverage(4, 10.0), 2.5f);
    EXPECT_FLOAT_EQ(seriesAverage(2, 0.0), 0.0f);
}

TEST(StatHourlySeries, CountsAndSumsEveryHourButRanksOnlyWhenSelected) {
    HourlySeries s;
    s.take(4.0f, false);
    s.take(6.0f, false);
    EXPECT_EQ(s.count, 2);
    EXPECT_DOUBLE_EQ(s.sum, 10.0);
    EXPECT_EQ(s.top.count(), 0);
    s.take(5.0f, true);
    EXPECT_EQ(s.top.count(), 1);
    EXPECT_FLOAT_EQ(s.top.slot(1), 5.0f);
}

// ---- running 8-hour window ---------------------------------------------

TEST(StatRun8Window, GivesNoAverageUntilMinNobs8HoursAreIn) {
    Run8Window w;
    for (int h = 1; h <= 5; ++h) {
        EXPECT_FLOAT_EQ(w.update(static_cast<float>(h), true, 1, 6), -99.0f) << "hour " << h;
    }
    EXPECT_FLOAT_EQ(w.update(6.0f, true, 1, 6), 3.5f); // (1+...+6)/6
    EXPECT_FLOAT_EQ(w.update(7.0f, true, 1, 6), 4.0f);
    EXPECT_FLOAT_EQ(w.update(8.0f, true, 1, 6), 4.5f);
    EXPECT_FLOAT_EQ(w.update(9.0f, true, 1, 6), 5.5f); // 1 has left: (2+...+9)/8
}

TEST(StatRun8Window, AGapOfThreeHoursDropsTheThreeOldestAndLeavesTheSkippedHoursEmpty) {
    Run8Window w;
    for (int h = 1; h <= 8; ++h) {
        w.update(static_cast<float>(h), true, 1, 1);
    }
    const float average = w.update(100.0f, true, 3, 6);
    EXPECT_EQ(w.slots(), (std::array<float, 8>{4, 5, 6, 7, 8, -99, -99, 100}));
    EXPECT_EQ(w.validCount(), 6);
    EXPECT_FLOAT_EQ(average, 130.0f / 6.0f);
}

TEST(StatRun8Window, AGapOfSevenKeepsOnlyThePreviousHourAndEightStartsAfresh) {
    Run8Window w;
    for (int h = 1; h <= 8; ++h) {
        w.update(static_cast<float>(h), true, 1, 1);
    }
    EXPECT_FLOAT_EQ(w.update(20.0f, true, 7, 1), 14.0f); // (8 + 20) / 2
    EXPECT_EQ(w.validCount(), 2);
    EXPECT_FLOAT_EQ(w.update(30.0f, true, 8, 1), 30.0f);
    EXPECT_EQ(w.validCount(), 1);
    EXPECT_FLOAT_EQ(w.update(40.0f, true, 0, 1), 35.0f); // no time elapsed counts as one hour
}

TEST(StatRun8Window, AnHourWithoutAnAdmittedValueLeavesAGapAndNeverAddsMinus99) {
    Run8Window w;
    w.update(10.0f, true, 1, 1);
    EXPECT_FLOAT_EQ(w.update(-99.0f, true, 1, 1), 10.0f); // admitted but never formed
    EXPECT_FLOAT_EQ(w.update(50.0f, false, 1, 1), 10.0f); // not admitted
    EXPECT_FLOAT_EQ(w.update(0.0f, true, 1, 1), 5.0f);    // 0 is a value
    EXPECT_EQ(w.validCount(), 2);
    EXPECT_FLOAT_EQ(w.slots()[6], -99.0f);
}

TEST(StatRun8Window, AMinimumBelowOneStillNeedsOneValue) {
    Run8Window w;
    EXPECT_FLOAT_EQ(w.update(-99.0f, false, 1, 0), -99.0f);
}

// ---- day maximum of the 8-hour averages --------------------------------

TEST(StatRun8DayMaximum, ADayCountsOnlyWithMoreValidValuesThanMinDailyMax) {
    for (int valid : {18, 19}) {
        Run8DayMaximum day;
        TopList maxima;
        day.take(-99.0f); // not valid
        for (int i = 0; i < valid; ++i) {
            day.take(static_cast<float>(i));
        }
        EXPECT_EQ(day.valid, valid);
        EXPECT_FLOAT_EQ(day.maximum, static_cast<float>(valid - 1));
        day.endDay(true, 18, maxima);
        EXPECT_EQ(maxima.count(), valid == 19 ? 1 : 0) << valid << " valid values";
        EXPECT_EQ(day.valid, 0);
        EXPECT_FLOAT_EQ(day.maximum, -99.0f);
    }
}

TEST(StatRun8DayMaximum, AZeroAverageIsValidAndAnUnselectedSeriesRanksNothing) {
    Run8DayMaximum day;
    TopList maxima;
    day.take(0.0f);
    EXPECT_EQ(day.valid, 1);
    EXPECT_FLOAT_EQ(day.maximum, 0.0f);
    day.endDay(false, 0, maxima);
    EXPECT_EQ(maxima.count(), 0);
    EXPECT_EQ(day.valid, 0);
}

// ---- day sums ----------------------------------------------------------

TEST(StatDaySum, NeedsMinNobsDayHoursAndClearsItself) {
    DaySum day;
    for (int h = 0; h < 17; ++h) {
        day.take(2.0f);
    }
    EXPECT_FLOAT_EQ(day.close(18), -99.0f);
    EXPECT_EQ(day.count, 0);
    for (int h = 0; h < 18; ++h) {
        day.take(static_cast<float>(h));
    }
    EXPECT_FLOAT_EQ(day.close(18), 8.5f);  // (0+...+17)/18
    EXPECT_FLOAT_EQ(day.close(0), -99.0f); // an empty day has no average
}

} // namespace
} // namespace vesk
