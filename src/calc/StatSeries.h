#pragma once

// The building blocks of the statistics of one pollutant on one street side:
// which series an hour goes into (the pairing rule), the hourly count, sum and
// ranked list, the running 8-hour window, the day's maximum of the 8-hour
// averages and the day's sums.
//
// Values are concentrations in the calculation's unit; -99 marks a missing
// value. A value is available only when its flag says so and it is >= 0, so a
// value that was never formed (-99) can never enter a sum, a window or a list.

#include "calc/StatTopList.h"

#include <algorithm>
#include <array>

namespace vesk {

constexpr float kStatMissing = -99.0f;

enum class Series { Modelled = 0, Measured = 1, Background = 2 };
constexpr int kSeriesCount = 3;
constexpr std::array<Series, kSeriesCount> kAllSeries = {Series::Modelled, Series::Measured,
                                                         Series::Background};

// Suffix of a series in statistic keys: "_mod", "_obs", "_b".
const char *seriesSuffix(Series series);

// Whether a source mode (0 none, 1 modelled only, 2 measured only, 3 both)
// selects the series for ranked lists and 8-hour windows: modelled for 1 and
// 3, measured for 2 and more, background for 1 and more.
bool modeSelects(int mode, Series series);

// One hour's values of one pollutant on one side, with the run's flags.
struct StatHourValues {
    float modelled = kStatMissing;
    float measured = kStatMissing;
    float background = kStatMissing;
    bool modelledAvailable = false;
    bool measuredAvailable = false;
    bool backgroundAvailable = false;
    bool receptorInUse = true; // the side is modelled
};

// The hour's availability after the value test (flag set and value >= 0).
struct StatAvailability {
    bool modelled = false;
    bool measured = false;
    bool background = false;
    bool receptorInUse = true;
};
inline StatAvailability availabilityOf(const StatHourValues &hour) {
    StatAvailability a;
    a.modelled = hour.modelledAvailable && hour.modelled >= 0.0f;
    a.measured = hour.measuredAvailable && hour.measured >= 0.0f;
    a.background = hour.backgroundAvailable && hour.background >= 0.0f;
    a.receptorInUse = hour.receptorInUse;
    return a;
}

// Whether a series takes the hour. Its own value must be available; with
// calcOnlyIfBoth the hour must also hold the partner value: modelled needs the
// measured value; measured needs the modelled value on a side in use and the
// background otherwise; background needs the modelled and measured values on a
// side in use and the measured value otherwise.
inline bool pairAdmits(Series series, const StatAvailability &hour, bool calcOnlyIfBoth) {
    switch (series) {
    case Series::Modelled:
        return hour.modelled && (!calcOnlyIfBoth || hour.measured);
    case Series::Measured:
        if (!hour.measured) {
            return false;
        }
        if (!calcOnlyIfBoth) {
            return true;
        }
        return hour.receptorInUse ? hour.modelled : hour.background;
    case Series::Background:
        if (!hour.background) {
            return false;
        }
        if (!calcOnlyIfBoth) {
            return true;
        }
        return hour.receptorInUse ? (hour.modelled && hour.measured) : hour.measured;
    }
    return false;
}

// The series that take the hour (bit i = Series i), as pairAdmits decides
// for each of them, worked out together without a branch per series.
inline unsigned admittedSeries(const StatHourValues &hour, bool calcOnlyIfBoth) {
    const unsigned m =
        static_cast<unsigned>(hour.modelledAvailable) & static_cast<unsigned>(hour.modelled >= 0.0f);
    const unsigned o =
        static_cast<unsigned>(hour.measuredAvailable) & static_cast<unsigned>(hour.measured >= 0.0f);
    const unsigned b =
        static_cast<unsigned>(hour.backgroundAvailable) & static_cast<unsigned>(hour.background >= 0.0f);
    if (!calcOnlyIfBoth) {
        return m | o << 1 | b << 2;
    }
    const unsigned inUse = hour.receptorInUse ? 1u : 0u;
    const unsigned measuredPartner = inUse != 0 ? m : b;
    const unsigned backgroundPartner = inUse != 0 ? (m & o) : o;
    return (m & o) | (o & measuredPartner) << 1 | (b & backgroundPartner) << 2;
}

// Average of a series: sum / count, or -99 when no value was taken or the sum
// is negative.
float seriesAverage(long count, double sum);

// Hour count, hour sum and ranked list of one hourly series.
struct HourlySeries {
    long count = 0;
    double sum = 0.0;
    TopList top;

    void reset();
    // Counts and sums the value; ranks it only when `rank` (the mode selects the series).
    void take(float value, bool rank) {
        ++count;
        sum += value;
        if (rank) {
            top.add(value);
        }
    }
};

// The running 8-hour window of one series: slot 7 is the current hour, slot 0
// seven hours earlier.
//
// The eight hours live in a ring that holds every hour twice (at i and i + 8),
// so the window is always eight contiguous doubles, oldest first: moving on
// writes one hour instead of shifting seven. An hour without an admitted value
// holds +0.0 and a clear bit in the mask of valid hours, whose count moves with
// the window. The average then adds all eight slots in slot order without a
// test: the sum starts at +0.0 and takes only values >= 0 (or -0.0), so adding
// +0.0 for a gap leaves it the very same double as adding the valid values
// alone.
class Run8Window {
public:
    Run8Window() { reset(); }
    void reset();

    // Moves the window on by hoursElapsed (below 1 counts as 1; 8 or more
    // starts afresh), puts the value into the current slot when admitted
    // (a gap otherwise), and returns the 8-hour average: the mean of the
    // admitted values in the window when there are at least minNobs8 (and at
    // least one) of them, else -99.
    float update(float value, bool admitted, long hoursElapsed, int minNobs8) {
        if (hoursElapsed >= 8) {
            reset();
        } else if (hoursElapsed > 1) {
            skip(hoursElapsed - 1);
        }
        const bool valid = admitted && value >= 0.0f;
        push(valid ? static_cast<double>(value) : 0.0, valid ? 1u : 0u);
        if (m_count < std::max(minNobs8, 1)) {
            return kStatMissing; // a series without values (often a measured one) ends here
        }
        const double *slot = window();
        double sum = 0.0;
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) {
            sum += slot[i];
        }
        return static_cast<float>(sum / m_count);
    }

    int validCount() const {
        return m_count;
    }
    // The window oldest first, -99 for an hour without a value.
    std::array<float, 8> slots() const;

private:
    // Writes the slot after the current one, which becomes the current one.
    void push(double value, unsigned valid) {
        m_current = (m_current + 1) & 7u;
        m_count += static_cast<int>(valid) - static_cast<int>(m_valid >> 7);
        m_valid = (m_valid << 1 | valid) & 0xFFu;
        m_ring[m_current] = value;
        m_ring[m_current + 8] = value;
    }
    // Hours between two records: gaps.
    void skip(long hours);
    const double *window() const {
        return &m_ring[m_current + 1];
    }

    std::array<double, 16> m_ring;
    unsigned m_current = 7; // ring position of the current hour (0..7)
    unsigned m_valid = 0;   // bit k: the hour k hours before the current one has a value
    int m_count = 0;        // valid hours in the window (bits of m_valid)
};

// The day's maximum of the valid 8-hour averages of one series.
struct Run8DayMaximum {
    float maximum = kStatMissing;
    int valid = 0;

    // Takes an 8-hour average of the hour; a negative one (-99) is not valid.
    // (The maximum is -99 or a valid average, so a valid one above it is the
    // new maximum: no branch is needed.)
    void take(float average8) {
        const bool isValid = average8 >= 0.0f;
        maximum = isValid && average8 > maximum ? average8 : maximum;
        valid += isValid ? 1 : 0;
    }
    // Closes the day: when `rank` and more than minDailyMax valid values were
    // taken, the maximum goes into the list of daily maxima. Clears the day.
    void endDay(bool rank, int minDailyMax, TopList &dailyMaxima);
};

// The day's count and sum of one series.
struct DaySum {
    int count = 0;
    double sum = 0.0;

    void take(float value) {
        ++count;
        sum += value;
    }
    // The daily average (sum / count when at least minNobsDay hours, at least
    // one, were taken; else -99). Clears the day.
    float close(int minNobsDay);
};

} // namespace vesk
