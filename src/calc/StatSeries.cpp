#include "calc/StatSeries.h"

#include <algorithm>

namespace vesk {

const char *seriesSuffix(Series series) {
    switch (series) {
    case Series::Modelled:
        return "_mod";
    case Series::Measured:
        return "_obs";
    case Series::Background:
        return "_b";
    }
    return "";
}

bool modeSelects(int mode, Series series) {
    switch (series) {
    case Series::Modelled:
        return mode == 1 || mode == 3;
    case Series::Measured:
        return mode >= 2;
    case Series::Background:
        return mode >= 1;
    }
    return false;
}

float seriesAverage(long count, double sum) {
    if (count > 0 && sum >= 0.0) {
        return static_cast<float>(sum / static_cast<double>(count));
    }
    return kStatMissing;
}

void HourlySeries::reset() {
    count = 0;
    sum = 0.0;
    top.reset();
}

void Run8Window::reset() {
    m_ring.fill(kStatMissing);
    m_current = 7;
    m_valid = 0;
}

float Run8Window::update(float value, bool admitted, long hoursElapsed, int minNobs8) {
    const long step = std::max(hoursElapsed, 1L);
    if (step >= 8) {
        reset();
    } else {
        // The hours skipped between two records hold no value.
        for (long k = 1; k < step; ++k) {
            push(kStatMissing);
        }
    }
    push((admitted && value >= 0.0f) ? value : kStatMissing);

    if (m_valid < std::max(minNobs8, 1)) {
        return kStatMissing; // a series without values (often a measured one) ends here
    }
    // The valid values in slot order; a missing one adds an exact 0, which
    // leaves the sum as it was (and lets the loop run without branches).
    const float *slot = window();
    double sum = 0.0;
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        sum += static_cast<double>(std::max(slot[i], 0.0f));
    }
    return static_cast<float>(sum / m_valid);
}

std::array<float, 8> Run8Window::slots() const {
    std::array<float, 8> out;
    std::copy(window(), window() + 8, out.begin());
    return out;
}

void Run8DayMaximum::endDay(bool rank, int minDailyMax, TopList &dailyMaxima) {
    // The day counts only with strictly more valid values than the minimum.
    if (rank && valid > minDailyMax) {
        dailyMaxima.add(maximum);
    }
    maximum = kStatMissing;
    valid = 0;
}

float DaySum::close(int minNobsDay) {
    float average = kStatMissing;
    if (count >= std::max(minNobsDay, 1)) {
        average = static_cast<float>(sum / count);
    }
    count = 0;
    sum = 0.0;
    return average;
}

} // namespace vesk
