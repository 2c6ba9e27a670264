#include "calc/StatTopList.h"
#include "platform/streetmodel/StreetModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace vesk {
namespace {

using Slots = std::vector<float>;

TEST(StatTopList, InsertedValuesAreHeldLargestFirstWithMissingSlotsBehind) {
    TopList list;
    for (float v : {3.0f, 9.0f, 1.0f}) {
        list.add(v);
    }
    EXPECT_EQ(list.slots(5), (Slots{9, 3, 1, -99, -99}));
    for (float v : {5.0f, 2.0f, 8.0f, 7.0f}) {
        list.add(v);
    }
    EXPECT_EQ(list.slots(5), (Slots{9, 8, 7, 5, 3}));
    EXPECT_EQ(list.count(), 7);
}

TEST(StatTopList, ZeroIsAnOrdinaryValueAndSlotsBeyondTheValuesAreMissing) {
    TopList list;
    EXPECT_FLOAT_EQ(list.slot(1), -99.0f);
    list.add(0.0f);
    list.add(0.0f);
    EXPECT_FLOAT_EQ(list.slot(1), 0.0f);
    EXPECT_FLOAT_EQ(list.slot(2), 0.0f);
    EXPECT_FLOAT_EQ(list.slot(3), -99.0f); // n-th highest with fewer than n values
    EXPECT_FLOAT_EQ(list.slot(0), -99.0f);
    list.reset();
    EXPECT_EQ(list.count(), 0);
    EXPECT_FLOAT_EQ(list.slot(1), -99.0f);
}

TEST(StatTopList, ReadsBetweenAddsAlwaysSeeTheCurrentRanking) {
    TopList list;
    list.add(4);
    list.add(6);
    EXPECT_FLOAT_EQ(list.slot(2), 4.0f);
    list.add(10);
    EXPECT_FLOAT_EQ(list.slot(1), 10.0f);
    EXPECT_FLOAT_EQ(list.slot(3), 4.0f);
    list.add(5);
    EXPECT_EQ(list.slots(4), (Slots{10, 6, 5, 4}));
}

TEST(StatTopList, AnswersEverySlotLikeAFullSortOfRandomValues) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(0.0f, 300.0f);
    std::uniform_int_distribution<long> position(1, 2100);
    TopList list;
    std::vector<float> all;
    for (int i = 0; i < 2000; ++i) {
        const float v = (i % 7 == 0) ? 42.0f : value(random); // with ties
        list.add(v);
        all.push_back(v);
        if (i % 97 == 0) {
            std::vector<float> sorted = all;
            std::sort(sorted.begin(), sorted.end(), std::greater<float>());
            for (int probe = 0; probe < 5; ++probe) {
                const long k = position(random);
                const float expected = k <= static_cast<long>(sorted.size()) ? sorted[k - 1] : -99.0f;
                ASSERT_FLOAT_EQ(list.slot(k), expected) << "k=" << k << " after " << i + 1 << " values";
            }
        }
    }
}

TEST(StatTopList, AgreesWithAFixedLengthListFedByTheLibraryInsertion) {
    // The fixed-length list of the largest n + 2 values, each value inserted by
    // SortPerc over the slots filled so far, must read exactly like the list
    // that keeps every value.
    constexpr long kCapacity = 21;
    std::mt19937 random(11);
    std::uniform_int_distribution<int> value(0, 400); // many ties
    std::vector<float> fixed(kCapacity, -99.0f);
    TopList list;
    for (long count = 1; count <= 3000; ++count) {
        const float v = static_cast<float>(value(random)) / 4.0f;
        list.add(v);
        SortPerc(v, fixed, std::min(kCapacity, count));
        if (count % 50 == 1 || count < 30) {
            ASSERT_EQ(list.slots(kCapacity), fixed) << "after " << count << " values";
        }
    }
}

struct IndexCase {
    float fraction;
    long count;
    long index;
};

class StatPercentileIndex : public testing::TestWithParam<IndexCase> {};

TEST_P(StatPercentileIndex, RoundsFractionTimesCountHalfToEvenAndAtLeastOne) {
    EXPECT_EQ(percentileIndex(GetParam().fraction, GetParam().count), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatPercentileIndex,
    testing::Values(IndexCase{0.125f, 4, 1},     // 0.5 rounds to 0, raised to 1: the maximum
                    IndexCase{0.25f, 10, 2},     // 2.5 rounds to 2
                    IndexCase{0.25f, 6, 2},      // 1.5 rounds to 2
                    IndexCase{0.05f, 10, 1},     // 0.05 stored slightly above: 0.500000007 rounds up
                    IndexCase{0.02f, 8760, 175}, // 98th percentile of a year
                    IndexCase{0.02f, 0, 1}, IndexCase{-0.5f, 10, 1}, IndexCase{0.001f, 17520, 18}));

TEST(StatPercentileIndex, PercentileOfValuesOneToTenAtAQuarterIsNine) {
    TopList list;
    for (int v = 1; v <= 10; ++v) {
        list.add(static_cast<float>(v));
    }
    EXPECT_FLOAT_EQ(list.slot(percentileIndex(0.25f, list.count())), 9.0f);
}

TEST(StatPercentileIndex, APercentileFarBeyondTheLargestNthHighestIsAnswered) {
    // A family whose largest n is 19 once held only 21 values; the 98th
    // percentile of a year asks for position 175 and of two years for 350.
    TopList list;
    for (int v = 0; v < 2 * 8760; ++v) {
        list.add(static_cast<float>(v));
    }
    const long index = percentileIndex(0.02f, list.count());
    EXPECT_EQ(index, 350);
    EXPECT_FLOAT_EQ(list.slot(index), static_cast<float>(2 * 8760 - 350));
    EXPECT_FLOAT_EQ(list.slot(19), static_cast<float>(2 * 8760 - 19));
}

} // namespace
} // namespace vesk
