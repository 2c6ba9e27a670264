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
    m_ring.fill(0.0);
    m_current = 7;
    m_valid = 0;
    m_count = 0;
}

void Run8Window::skip(long hours) {
    for (long k = 0; k < hours; ++k) {
        push(0.0, 0u);
    }
}

std::array<float, 8> Run8Window::slots() const {
    std::array<float, 8> out;
    for (unsigned i = 0; i < 8; ++i) {
        const bool valid = (m_valid >> (7 - i) & 1u) != 0;
        out[i] = valid ? static_cast<float>(window()[i]) : kStatMissing;
    }
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
