// Feeds one year of hourly values for 8 pollutants x 2 sides x 3 series
// through the statistics engine and prints the time per hour, the time of the
// end-of-series publication and the engine's memory for the year.

#include "calc/StatEngine.h"

#include <chrono>
#include <cstdio>
#include <random>

int main() {
    using Clock = std::chrono::steady_clock;
    vesk::StatisticsSetup setup;
    setup.PollutantNames = {"NOx", "NO", "NO2", "O3", "CO", "PM10", "PM2.5", "BNZ"};
    setup.PercSource.assign(8, 3);
    setup.Run8Source.assign(8, 3);
    setup.DailySource.assign(8, 3);
    setup.hourly = {{"99.8_Perc", "98_Perc", "50_Perc"}, {19, 175, 4380}, {0.002f, 0.02f, 0.5f}};
    setup.run8 = {{"95_PercRun8"}, {4}, {0.05f}};
    setup.daily = {{"90.4_PercDaily"}, {36}, {0.096f}};

    std::mt19937 random(1);
    std::lognormal_distribution<float> concentration(3.0f, 0.6f);
    std::uniform_int_distribution<int> gap(0, 49);
    constexpr int kDays = 365;
    constexpr long kHours = kDays * 24L;

    vesk::StatisticsEngine engine;
    double feedSeconds = 0.0;
    double publishSeconds = 0.0;
    long published = 0;
    constexpr int kRounds = 5;
    for (int round = 0; round < kRounds; ++round) {
        // Values drawn up front so that only the engine is timed.
        std::vector<vesk::StatHourValues> hours(static_cast<std::size_t>(kHours) * 16);
        for (auto &h : hours) {
            h.modelled = concentration(random);
            h.measured = gap(random) == 0 ? -99.0f : concentration(random);
            h.background = concentration(random) * 0.5f;
            h.modelledAvailable = h.backgroundAvailable = true;
            h.measuredAvailable = h.measured >= 0.0f;
        }
        const auto start = Clock::now();
        engine.startSeries(setup);
        engine.setStreet("Bench Street", 0.0f, 0.0f);
        std::size_t k = 0;
        for (int day = 0; day < kDays; ++day) {
            engine.changeDay({2015, 1 + day / 31 % 12, 1 + day % 28, 1 + day % 7, 1});
            for (int hour = 1; hour <= 24; ++hour) {
                engine.beginHour(1);
                for (int p = 0; p < 8; ++p) {
                    for (int side = 1; side <= 2; ++side) {
                        engine.addHour(p, side, hours[k++]);
                        volatile float av8 = engine.run8Average(p, side, vesk::Series::Modelled);
                        (void)av8;
                    }
                }
            }
        }
        engine.endSeries();
        const auto fed = Clock::now();
        published = 0;
        engine.publish([&](const std::string &, int, float) { ++published; });
        const auto done = Clock::now();
        feedSeconds += std::chrono::duration<double>(fed - start).count();
        publishSeconds += std::chrono::duration<double>(done - fed).count();
    }
    feedSeconds /= kRounds;
    publishSeconds /= kRounds;
    const double valuesKept = 8.0 * 2 * 3 * kHours; // hourly ranked values
    std::printf("statistics engine, one year, 8 pollutants x 2 sides x 3 series (mean of %d runs)\n",
                kRounds);
    std::printf("  hours fed:             %ld\n", kHours);
    std::printf("  time per hour:         %.3f us\n", feedSeconds / kHours * 1e6);
    std::printf("  year of hours:         %.3f ms\n", feedSeconds * 1e3);
    std::printf("  publication:           %.3f ms (%ld values)\n", publishSeconds * 1e3, published);
    std::printf("  ranked hourly values:  %.0f (%.1f MB)\n", valuesKept, valuesKept * 4 / 1e6);
    std::printf("  days closed:           %zu\n", engine.days().size());
    return 0;
}
