#include "calc/EmissionState.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vesk {

namespace {

[[noreturn]] void outOfRange(const char *table) {
    throw std::out_of_range(std::string("index outside the ") + table);
}

} // namespace

void FlowTable3::resize(int slots, int periods, int dayCases) {
    m_slots = std::max(0, slots);
    m_periods = std::max(0, periods);
    m_dayCases = std::max(0, dayCases);
    m_values.assign(static_cast<size_t>(m_slots) * m_periods * m_dayCases, 0.0f);
}

size_t FlowTable3::index(int slot, int period, int dayCase) const {
    if (slot < 1 || slot > m_slots || period < 1 || period > m_periods || dayCase < 1 ||
        dayCase > m_dayCases) {
        outOfRange("traffic table");
    }
    return (static_cast<size_t>(dayCase - 1) * m_periods + (period - 1)) * m_slots + (slot - 1);
}

float &FlowTable3::at(int slot, int period, int dayCase) {
    return m_values[index(slot, period, dayCase)];
}
float FlowTable3::at(int slot, int period, int dayCase) const {
    return m_values[index(slot, period, dayCase)];
}

void EmissionTable4::resize(int pollutants, int slots, int periods, int dayCases) {
    m_pollutants = std::max(0, pollutants);
    m_slots = std::max(0, slots);
    m_periods = std::max(0, periods);
    m_dayCases = std::max(0, dayCases);
    m_values.assign(static_cast<size_t>(m_pollutants) * m_slots * m_periods * m_dayCases, 0.0f);
}

size_t EmissionTable4::index(int pollutant, int slot, int period, int dayCase) const {
    if (pollutant < 0 || pollutant >= m_pollutants || slot < 1 || slot > m_slots || period < 1 ||
        period > m_periods || dayCase < 1 || dayCase > m_dayCases) {
        outOfRange("emission table");
    }
    return ((static_cast<size_t>(dayCase - 1) * m_periods + (period - 1)) * m_slots + (slot - 1)) *
               m_pollutants +
           pollutant;
}

float &EmissionTable4::at(int pollutant, int slot, int period, int dayCase) {
    return m_values[index(pollutant, slot, period, dayCase)];
}

float EmissionTable4::at(int pollutant, int slot, int period, int dayCase) const {
    return m_values[index(pollutant, slot, period, dayCase)];
}

} // namespace vesk
