#include "core/DailyAverage.h"

#include "core/EmissionLibraryTools.h"

#include <stdexcept>

namespace vesk {

namespace {
constexpr float kMissingValue = -99.0f;
}

DailyAverage::DailyAverage(int nPol, int numReceptors)
    : m_pollutants(nPol + 1 > 0 ? nPol + 1 : 0), m_receptors(numReceptors > 0 ? numReceptors : 0),
      m_modelled(static_cast<std::size_t>(m_pollutants) * static_cast<std::size_t>(m_receptors),
                 kMissingValue),
      m_observed(m_modelled), m_background(m_modelled) {}

const float &DailyAverage::cell(const Table &t, int PolNum, int Rec) const {
    if (PolNum < 0 || PolNum >= m_pollutants || Rec < 1 || Rec > m_receptors) {
        throw std::out_of_range("Daily value of pollutant " + std::to_string(PolNum) + ", receptor " +
                                std::to_string(Rec) + " out of range");
    }
    return t[static_cast<std::size_t>(PolNum) * static_cast<std::size_t>(m_receptors) +
             static_cast<std::size_t>(Rec - 1)];
}

float &DailyAverage::cell(Table &t, int PolNum, int Rec) {
    return const_cast<float &>(static_cast<const DailyAverage *>(this)->cell(t, PolNum, Rec));
}

float DailyAverage::get(const Table &t, int PolNum, int Rec) const {
    if (Rec > 0) {
        return cell(t, PolNum, Rec);
    }
    // The larger of the two sides; -99 counts as missing.
    return MaxSkipMissing(cell(t, PolNum, 1), cell(t, PolNum, 2), kMissingValue, 2);
}

} // namespace vesk
