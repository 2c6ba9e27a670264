#include "calc/StatTopList.h"
#include "platform/streetmodel/StreetModel.h"

#include <gtest/gtest.h>

#include <random>

namespace vesk {
namespace {

TEST(StatTopList, HoldsTheValuesLargestFirstZeroIncludedAndMissingBeyondThem) {
    TopList list;
    for (float v : {3.0f, 9.0f, 1.0f}) {
        list.add(v);
    }
    EXPECT_EQ(list.slots(5), (std::vector<float>{9, 3, 1, -99, -99}));
    for (float v : {0.0f, 2.0f, 8.0f, 7.0f}) {
        list.add(v);
    }
    EXPECT_EQ(list.slots(5), (std::vector<float>{9, 8, 7, 3, 2}));
    EXPECT_FLOAT_EQ(list.slot(7), 0.0f);   // 0 is a value
    EXPECT_FLOAT_EQ(list.slot(8), -99.0f); // n-th highest with fewer than n values
}

TEST(StatTopList, ReadsLikeAFixedLengthListFedByTheLibraryInsertion) {
    // Within the old length (largest n + 2) both lists must agree exactly.
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

INSTANTIATE_TEST_SUITE_P(Cases, StatPercentileIndex,
                         testing::Values(IndexCase{0.125f, 4, 1},     // 0.5 -> 0, raised to 1: the maximum
                                         IndexCase{0.25f, 10, 2},     // 2.5 -> 2
                                         IndexCase{0.25f, 6, 2},      // 1.5 -> 2
                                         IndexCase{0.05f, 10, 1},     // stored slightly above 0.05: rounds up
                                         IndexCase{0.02f, 8760, 175}, // 98th percentile of a year
                                         IndexCase{0.02f, 0, 1}, IndexCase{-0.5f, 10, 1}));

TEST(StatPercentileIndex, TheQuarterOfValuesOneToTenIsNine) {
    TopList list;
    for (int v = 1; v <= 10; ++v) {
        list.add(static_cast<float>(v));
    }
    EXPECT_FLOAT_EQ(list.slot(percentileIndex(0.25f, list.count())), 9.0f);
}

} // namespace
} // namespace vesk
