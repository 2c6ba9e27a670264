// The running 8-hour window keeps its count of values as it moves; over any
// sequence of values, gaps and steps it must agree with the window worked out
// afresh from the hours themselves.

#include "calc/StatSeries.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

namespace vesk {
namespace {

TEST(StatRun8WindowAgreement, MatchesTheMeanOfTheLastEightHoursOverRandomGapsAndSteps) {
    std::mt19937 random(8);
    std::uniform_real_distribution<float> concentration(0.0f, 120.0f);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int minNobs8 : {0, 1, 6, 8}) {
        Run8Window window;
        // Every hour of the clock: the admitted value or -99.
        std::vector<float> clock;
        for (int i = 0; i < 5000; ++i) {
            const int draw = percent(random);
            // Mostly the next hour, sometimes a gap of 2..12 hours or an hour given twice (0).
            const long step = draw < 85 ? 1 : draw < 95 ? 2 + draw % 11 : 0;
            const bool admitted = percent(random) >= 20;
            const float value = percent(random) < 3 ? -99.0f : concentration(random);
            for (long k = 1; k < std::max(step, 1L); ++k) {
                clock.push_back(-99.0f);
            }
            clock.push_back(admitted && value >= 0.0f ? value : -99.0f);
            const float average = window.update(value, admitted, step, minNobs8);

            int count = 0;
            double sum = 0.0;
            const std::size_t first = clock.size() > 8 ? clock.size() - 8 : 0;
            for (std::size_t h = first; h < clock.size(); ++h) {
                if (clock[h] >= 0.0f) {
                    ++count;
                    sum += clock[h];
                }
            }
            const float expected = count >= std::max(minNobs8, 1) ? static_cast<float>(sum / count) : -99.0f;
            ASSERT_EQ(average, expected) << "hour " << i << ", minNobs8 " << minNobs8;
            ASSERT_EQ(window.validCount(), count) << "hour " << i;
        }
    }
}

// Values far apart in size (where the order of the additions shows in the
// last bit), zeros of either sign and the smallest numbers: the average must
// be the mean of the window's values added oldest first, to the last bit.
TEST(StatRun8WindowAgreement, AddsTheValuesOldestFirstToTheLastBit) {
    const float values[] = {-0.0f, 0.0f, 1e-45f, 1e-30f, 0.1f, 3.0f, 7.25f, 1e7f, 3e20f, -99.0f};
    std::mt19937 random(23);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(values) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    Run8Window window;
    std::vector<float> clock;
    for (int i = 0; i < 20000; ++i) {
        const long step = percent(random) < 95 ? 1 : 2 + percent(random) % 9;
        const float value = values[pick(random)];
        for (long k = 1; k < step; ++k) {
            clock.push_back(-99.0f);
        }
        clock.push_back(value);
        const float average = window.update(value, true, step, 1);

        int count = 0;
        double sum = 0.0;
        for (std::size_t h = clock.size() > 8 ? clock.size() - 8 : 0; h < clock.size(); ++h) {
            if (clock[h] >= 0.0f) {
                ++count;
                sum += clock[h];
            }
        }
        const float expected = count >= 1 ? static_cast<float>(sum / count) : -99.0f;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(average), std::bit_cast<std::uint32_t>(expected))
            << "hour " << i << ": " << average << " against " << expected;
    }
}

} // namespace
} // namespace vesk
