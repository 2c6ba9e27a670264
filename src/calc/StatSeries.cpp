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

void HourlySeries::take(float value, bool rank) {
    ++count;
    sum += value;
    if (rank) {
        top.add(value);
    }
}

void Run8Window::reset() {
    m_slot.fill(kStatMissing);
}

float Run8Window::update(float value, bool admitted, long hoursElapsed, int minNobs8) {
    const long step = std::max(hoursElapsed, 1L);
    if (step == 1) {
        for (std::size_t i = 0; i < 7; ++i) {
            m_slot[i] = m_slot[i + 1];
        }
    } else if (step >= 8) {
        m_slot.fill(kStatMissing);
    } else {
        const auto h = static_cast<std::size_t>(step);
        for (std::size_t i = 0; i + h < 8; ++i) {
            m_slot[i] = m_slot[i + h];
        }
        // The hours skipped between two records hold no value.
        for (std::size_t i = 8 - h; i < 7; ++i) {
            m_slot[i] = kStatMissing;
        }
    }
    m_slot[7] = (admitted && value >= 0.0f) ? value : kStatMissing;

    int count = 0;
    for (float v : m_slot) {
        count += v >= 0.0f ? 1 : 0;
    }
    if (count < std::max(minNobs8, 1)) {
        return kStatMissing; // a series without values (often a measured one) ends here
    }
    // The valid values in slot order; a missing one adds an exact 0, which
    // leaves the sum as it was (and lets the loop run without branches).
    double sum = 0.0;
    for (float v : m_slot) {
        sum += v >= 0.0f ? static_cast<double>(v) : 0.0;
    }
    return static_cast<float>(sum / count);
}

int Run8Window::validCount() const {
    return static_cast<int>(std::count_if(m_slot.begin(), m_slot.end(), [](float v) { return v >= 0.0f; }));
}

void Run8DayMaximum::take(float average8) {
    if (!(average8 >= 0.0f)) {
        return;
    }
    maximum = (maximum == kStatMissing) ? average8 : std::max(maximum, average8);
    ++valid;
}

void Run8DayMaximum::endDay(bool rank, int minDailyMax, TopList &dailyMaxima) {
    // The day counts only with strictly more valid values than the minimum.
    if (rank && valid > minDailyMax) {
        dailyMaxima.add(maximum);
    }
    maximum = kStatMissing;
    valid = 0;
}

void DaySum::take(float value) {
    ++count;
    sum += value;
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
