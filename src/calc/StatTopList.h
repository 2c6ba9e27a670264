#pragma once

// The ranked list of one statistics series (hourly values, daily maxima of the
// running 8-hour averages, or daily averages).
//
// Seen from outside it is the familiar descending list: slot 1 holds the
// largest value taken, slot k the k-th largest, and every slot beyond the
// number of values taken answers -99. Unlike a list of fixed length it keeps
// every value it is given, so any slot a percentile asks for can be answered,
// however long the run (a year of hourly values is 35 KB). Values are stored
// unsorted as they come; a read selects the asked position in place and
// remembers it, so each later read only searches between two positions
// already known. Reading a few slots of a year costs a few passes over it.

#include <cstddef>
#include <vector>

namespace vesk {

class TopList {
public:
    // Forgets every value; the memory is kept for the next series.
    void reset();

    // Takes one value into the list. The caller decides which values count
    // (the statistics take only available values, which are >= 0).
    void add(float value) {
        m_values.push_back(value);
        // The new value may belong anywhere; positions are settled again on the next read.
        m_settled.clear();
    }

    // Takes the values [first, first + n) into the list, as n calls of add would.
    void add(const float *first, std::size_t n) {
        m_values.insert(m_values.end(), first, first + n);
        m_settled.clear();
    }

    // Number of values taken since the last reset.
    long count() const { return static_cast<long>(m_values.size()); }

    // Slot k (from 1) of the descending list: the k-th largest value taken, or
    // -99 when fewer than k values were taken or k < 1.
    float slot(long k) const;

    // Slots 1 to n, as a fixed-length list of that size would hold them.
    std::vector<float> slots(long n) const;

private:
    mutable std::vector<float> m_values;
    // Positions (ascending) already holding their final value: everything
    // before such a position is no smaller, everything behind no larger.
    mutable std::vector<std::size_t> m_settled;
};

// Position in the descending list of the percentile with exceedance fraction
// `fraction` (1 - p/100, as stored in single precision) over `count` values:
// fraction x count in double precision, rounded half to even, and at least 1.
// A fraction that is not a finite number gives 1.
long percentileIndex(float fraction, long count);

} // namespace vesk
