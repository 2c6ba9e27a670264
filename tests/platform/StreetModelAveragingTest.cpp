// Direction averaging reuses the parts of the model that neighbouring wind
// directions share; the average must stay the weighted mean of the model at
// each direction on its own.

#include "platform/streetmodel/StreetModel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace vesk {
namespace {

TEST(StreetModelAveraging, EqualsTheWeightedMeanOfSingleDirectionsAcrossSectorsAndQuarters) {
    // Three building rows with gaps of different heights, turned by the street
    // orientation, so that the averaged directions cross sector and quarter
    // boundaries and both street ends.
    const std::array<float, 12> start = {10, 120, 250}, end = {60, 200, 330}, value = {0, 8, 15};
    std::array<float, 12> A{}, B{};
    std::array<std::int16_t, 4> flags{};
    const float height = 20, width = 18, length1 = 80, length2 = 300, recHeight = 2;
    const std::int16_t sectors = 3;
    RotStreet(25, start, end, value, A, B, sectors, flags);
    std::array<float, 7> P{};
    ModPar(height, P);
    // The averaging nodes: 13 directions over +-P1 standard deviations, weighted normally.
    constexpr int kHalfNodes = 6;
    constexpr double kRelativeTolerance = 1e-5; // single-precision results of each direction

    for (float uRoof : {0.0f, 0.7f, 3.0f}) {
        for (float dir = 0; dir < 360; dir += 7.5f) {
            for (float deltaFi : {5.0f, 30.0f, 60.0f}) {
                const float sWTpt = 0.4f, shape = 2.5f, F = 0.2f;
                float sWRoof = 0, c1 = 0, c2 = 0;
                Averaging(uRoof, dir, deltaFi, P[0], sectors, A, B, value, sWTpt, sWRoof, height, width,
                          shape, length1, length2, F, P[3], P[4], 1, 1, c1, c2, recHeight, flags);
                double sum1 = 0, sum2 = 0, weights = 0;
                for (int j = -kHalfNodes; j <= kHalfNodes; ++j) {
                    const double t = P[0] * j / static_cast<double>(kHalfNodes);
                    const double w = std::exp(-0.5 * t * t);
                    float one1 = 0, one2 = 0, roof = 0;
                    Calc_C_st(uRoof, static_cast<float>(dir + t * deltaFi), sWTpt, roof, height, width, shape,
                              length1, length2, F, P[3], P[4], 1, 1, sectors, A, B, value, one1, one2,
                              recHeight, flags);
                    sum1 += w * one1;
                    sum2 += w * one2;
                    weights += w;
                }
                EXPECT_NEAR(c1, sum1 / weights, kRelativeTolerance * sum1 / weights)
                    << "u_roof " << uRoof << ", direction " << dir << ", spread " << deltaFi;
                EXPECT_NEAR(c2, sum2 / weights, kRelativeTolerance * sum2 / weights)
                    << "u_roof " << uRoof << ", direction " << dir << ", spread " << deltaFi;
            }
        }
    }
}

} // namespace
} // namespace vesk
