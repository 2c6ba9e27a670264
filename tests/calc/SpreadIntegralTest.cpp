#include "calc/SpreadIntegral.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vesk {
namespace {

TEST(StatSpreadIntegral, MatchesTheHandComputedValue) {
    float result = 0.0f;
    ASSERT_TRUE(CalcSpreadIntegral(2.0f, 500.0f, 1000.0f, 10.0f, &result));
    // h = 1, s = 0.12: ln(1 + 120 / 10) / 0.12 = ln(13) / 0.12
    EXPECT_NEAR(result, 21.3746, 0.0001);
    EXPECT_NEAR(result, std::log(13.0) / 0.12, 1e-4);
}

TEST(StatSpreadIntegral, IgnoresTheMixingHeight) {
    float a = 0.0f;
    float b = 0.0f;
    ASSERT_TRUE(CalcSpreadIntegral(3.5f, 100.0f, 5000.0f, 15.0f, &a));
    ASSERT_TRUE(CalcSpreadIntegral(3.5f, -99.0f, 5000.0f, 15.0f, &b));
    EXPECT_EQ(a, b);
}

TEST(StatSpreadIntegral, RefusesInputsWithoutAFiniteValue) {
    float result = 7.0f;
    EXPECT_FALSE(CalcSpreadIntegral(0.0f, 500.0f, 1000.0f, 10.0f, &result));
    EXPECT_FALSE(CalcSpreadIntegral(2.0f, 500.0f, 1000.0f, 0.0f, &result));
    EXPECT_FALSE(CalcSpreadIntegral(-99.0f, 500.0f, 1000.0f, 10.0f, &result));
    EXPECT_FALSE(CalcSpreadIntegral(NAN, 500.0f, 1000.0f, 10.0f, &result));
    EXPECT_EQ(result, 7.0f);
}

} // namespace
} // namespace vesk
