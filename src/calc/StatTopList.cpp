#include "calc/StatTopList.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace vesk {

namespace {
constexpr float kMissingValue = -99.0f;
}

void TopList::reset() {
    m_values.clear();
    m_settled.clear();
}

float TopList::slot(long k) const {
    if (k < 1 || k > count()) {
        return kMissingValue;
    }
    const auto pos = static_cast<std::size_t>(k - 1);
    auto it = std::lower_bound(m_settled.begin(), m_settled.end(), pos);
    if (it != m_settled.end() && *it == pos) {
        return m_values[pos];
    }
    // The value at pos lies between the settled positions around it.
    const std::size_t first = (it == m_settled.begin()) ? 0 : *(it - 1) + 1;
    const std::size_t last = (it == m_settled.end()) ? m_values.size() : *it;
    std::nth_element(m_values.begin() + static_cast<std::ptrdiff_t>(first),
                     m_values.begin() + static_cast<std::ptrdiff_t>(pos),
                     m_values.begin() + static_cast<std::ptrdiff_t>(last), std::greater<float>());
    m_settled.insert(it, pos);
    return m_values[pos];
}

std::vector<float> TopList::slots(long n) const {
    std::vector<float> out;
    if (n <= 0) {
        return out;
    }
    const long taken = std::min(n, count());
    if (taken > 0) {
        slot(taken); // settles the largest `taken` values in front
        out.assign(m_values.begin(), m_values.begin() + taken);
        std::sort(out.begin(), out.end(), std::greater<float>());
    }
    out.resize(static_cast<std::size_t>(n), kMissingValue);
    return out;
}

long percentileIndex(float fraction, long count) {
    const double product = static_cast<double>(fraction) * static_cast<double>(count);
    if (!std::isfinite(product)) {
        return 1;
    }
    // nearbyint rounds half to even in the default rounding mode.
    const double rounded = std::nearbyint(product);
    if (rounded < 1.0) {
        return 1;
    }
    if (rounded > static_cast<double>(std::numeric_limits<long>::max() / 2)) {
        return std::numeric_limits<long>::max() / 2;
    }
    return static_cast<long>(rounded);
}

} // namespace vesk
