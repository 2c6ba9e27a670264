// The running 8-hour window keeps its count of values as it moves; over any
// sequence of values, gaps and steps it must agree with the window worked out
// afresh from the hours themselves.

#include "calc/StatSeries.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace vesk
