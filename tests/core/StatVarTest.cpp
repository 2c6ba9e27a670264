#include "core/StatVar.h"
#include "core/CoreState.h"
#include "core/DailyAverage.h"
#include "core/KeyedList.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vesk;

TEST(KeyedList, FindsKeysWithoutRegardToLetterCaseAndRefusesDuplicates) {
    KeyedList<int> list;
    ASSERT_NE(list.add("AvNO2_mod", 1), nullptr);
    EXPECT_EQ(list.add("avno2_MOD", 2), nullptr);
    EXPECT_EQ(list.count(), 1);
    ASSERT_NE(list.find("AVNO2_MOD"), nullptr);
    EXPECT_EQ(*list.find("avNO2_mod"), 1);
    EXPECT_EQ(list.find("AvNO_mod"), nullptr);
    EXPECT_THROW(list.item("missing"), std::out_of_range);
}

TEST(KeyedList, KeepsOrderAndCopiesItemsIndependently) {
    KeyedList<std::string> list;
    list.add("b", "second");
    list.add("a", "first");
    list.addUnkeyed("third");
    KeyedList<std::string> copy = list;
    copy.item("A") = "changed";
    EXPECT_EQ(list.item("a"), "first");
    EXPECT_EQ(copy.at(1), "changed");
    EXPECT_EQ(list.at(2), "third");
    EXPECT_TRUE(list.remove("B"));
    EXPECT_EQ(list.at(0), "first");
    EXPECT_EQ(*list.find("a"), "first");
    EXPECT_FALSE(list.remove("b"));
}

TEST(StatVar, ANewObjectAnswersMissingForEveryReceptorAndConversion) {
    StatVar var(2);
    KeyedList<Pollutant> none;
    for (int r : {0, 1, 2}) {
        EXPECT_EQ(var.Value(r), -99.0f);
        // No look-up happens for a missing value, so an unknown name is harmless.
        EXPECT_EQ(var.Value(r, "NoSuchPollutant", none, {}, {}), -99.0f);
    }
}

struct SidePair {
    float side1, side2, expected;
};

class StatVarReceptorZero : public ::testing::TestWithParam<SidePair> {};

TEST_P(StatVarReceptorZero, ReadsTheLargerSideSkippingMissing) {
    StatVar var(2);
    var.setValue(1, GetParam().side1);
    var.setValue(2, GetParam().side2);
    EXPECT_EQ(var.Value(0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Pairs, StatVarReceptorZero,
                         ::testing::Values(SidePair{3.5f, 7.0f, 7.0f}, SidePair{7.0f, 3.5f, 7.0f},
                                           SidePair{-99.0f, 7.0f, 7.0f}, SidePair{7.0f, -99.0f, 7.0f},
                                           SidePair{-99.0f, -99.0f, -99.0f}, SidePair{0.0f, -99.0f, 0.0f}));

// Data capture is a share of the hours (days) of the period run, not of a
// common year: a full March, a full leap year and a year with gaps.
struct CaptureCase {
    const char *what;
    PeriodLength period;
    float hours, days;         // counted
    float hourShare, dayShare; // per cent
};

class StatVarDataCapture : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(StatVarDataCapture, IsTheShareOfThePeriodRunWhateverTheLetterCase) {
    const CaptureCase &c = GetParam();
    KeyedList<Pollutant> none;
    StatVar hours(2), days(2);
    hours.setValue(1, c.hours);
    days.setValue(2, c.days);
    EXPECT_NEAR(hours.Value(1, "nHours", none, {}, c.period), c.hourShare, 1e-3f) << c.what;
    EXPECT_NEAR(hours.Value(0, "NHOURS", none, {}, c.period), c.hourShare, 1e-3f) << c.what;
    EXPECT_NEAR(days.Value(2, "nDays", none, {}, c.period), c.dayShare, 1e-3f) << c.what;
    EXPECT_NEAR(days.Value(2, "ndaysd", none, {}, c.period), c.dayShare, 1e-3f) << c.what;
    EXPECT_EQ(hours.Value(1, "", none, {}, c.period), c.hours) << "no conversion without a name";
}

INSTANTIATE_TEST_SUITE_P(
    Periods, StatVarDataCapture,
    ::testing::Values(CaptureCase{"March", periodBetween(0, 743), 744, 31, 100, 100},
                      CaptureCase{"leap year", PeriodLength{8784, 366}, 8784, 366, 100, 100},
                      CaptureCase{"common year with gaps", PeriodLength{8760, 365}, 4380, 73, 50, 20},
                      CaptureCase{"leap year half measured", PeriodLength{8784, 366}, 4392, 183, 50, 50}));

TEST(StatVar, DataCaptureOfAPeriodOfUnknownLengthIsMissing) {
    KeyedList<Pollutant> none;
    StatVar hours(2);
    hours.setValue(1, 100.0f);
    EXPECT_EQ(hours.Value(1, "nHours", none, {}, PeriodLength{}), -99.0f);
    EXPECT_EQ(hours.Value(1, "nDaysD", none, {}, PeriodLength{}), -99.0f);
}

TEST(PeriodLength, CountsTheHoursAndTheCalendarDaysTouched) {
    const PeriodLength march = periodBetween(24 * 59, 24 * 90 - 1); // 1 March to 31 March 1970
    EXPECT_EQ(march.hours, 744);
    EXPECT_EQ(march.days, 31);
    const PeriodLength evening = periodBetween(20, 27); // 20:00 of one day to 03:00 of the next
    EXPECT_EQ(evening.hours, 8);
    EXPECT_EQ(evening.days, 2);
    EXPECT_EQ(periodBetween(-24, -1).days, 1) << "before 1970 the days still count whole";
    EXPECT_EQ(periodBetween(5, 4).hours, 0);
}

TEST(StatVar, ScalesAPositiveConcentrationByThePollutantsOutputUnitFactor) {
    KeyedList<Pollutant> pollutants;
    pollutants.add("NO2", Pollutant{"NO2", "Nitrogen dioxide", 1, false});
    std::vector<float> factors = {1.0f, 0.5f};
    StatVar var(2);
    var.setValue(1, 40.0f);
    var.setValue(2, 0.0f);
    EXPECT_FLOAT_EQ(var.Value(1, "no2", pollutants, factors, {}), 20.0f);
    EXPECT_FLOAT_EQ(var.Value(0, "NO2", pollutants, factors, {}), 20.0f);
    // Zero is returned as it is, also for a name that is no pollutant.
    EXPECT_EQ(var.Value(2, "Unknown", pollutants, factors, {}), 0.0f);
    EXPECT_THROW(var.Value(1, "Unknown", pollutants, factors, {}), std::out_of_range);
    factors.clear();
    EXPECT_THROW(var.Value(1, "NO2", pollutants, factors, {}), std::out_of_range);
}

TEST(StatVar, RefusesReceptorsOutsideItsSides) {
    StatVar var(2);
    EXPECT_THROW(var.setValue(3, 1.0f), std::out_of_range);
    EXPECT_THROW(var.setValue(0, 1.0f), std::out_of_range);
    EXPECT_THROW(var.Value(-1), std::out_of_range);
}

TEST(DailyAverage, StartsMissingAndReadsTheLargerSideForReceptorZero) {
    DailyAverage day(2, 2); // pollutants 0..2
    for (int p = 0; p <= 2; ++p) {
        for (int r = 1; r <= 2; ++r) {
            EXPECT_EQ(day.Modelled(p, r), -99.0f);
            EXPECT_EQ(day.Observed(p, r), -99.0f);
            EXPECT_EQ(day.Background(p, r), -99.0f);
        }
    }
    day.setModelled(1, 2, 12.5f);
    EXPECT_EQ(day.Modelled(1, 0), 12.5f);
    EXPECT_EQ(day.Modelled(1, -1), 12.5f);
    EXPECT_EQ(day.Observed(1, 0), -99.0f);
    day.setBackground(0, 1, 8.0f);
    day.setBackground(0, 2, 3.0f);
    EXPECT_EQ(day.Background(0, 0), 8.0f);
}

TEST(DailyAverage, KeepsItsSizeWhenThePollutantCountGrowsLater) {
    DailyAverage day(1, 2);
    EXPECT_THROW(day.setModelled(2, 1, 1.0f), std::out_of_range);
    EXPECT_THROW(day.Modelled(2, 1), std::out_of_range);
    EXPECT_THROW(day.Modelled(0, 3), std::out_of_range);
}
