#include "core/StatVar.h"

#include "core/EmissionLibraryTools.h"

#include <stdexcept>

namespace vesk {

namespace {

constexpr float kMissingValue = -99.0f;

bool equalsNoCase(std::string_view a, std::string_view b) {
    return foldKey(a) == foldKey(b);
}

long floorDiv(long a, long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

PeriodLength periodBetween(long firstHour, long lastHour) {
    if (lastHour < firstHour) {
        return {};
    }
    return {lastHour - firstHour + 1, floorDiv(lastHour, 24) - floorDiv(firstHour, 24) + 1};
}

StatVar::StatVar(int numReceptors) : m_values(numReceptors > 0 ? numReceptors : 0, kMissingValue) {}

void StatVar::setValue(int Receptor, float acVal) {
    if (Receptor < 1 || Receptor > receptorCount()) {
        throw std::out_of_range("Receptor " + std::to_string(Receptor) + " of " + Name + " out of range");
    }
    m_values[Receptor - 1] = acVal;
}

float StatVar::Value(int Receptor) const {
    if (Receptor == 0) {
        float x = kMissingValue;
        for (float v : m_values) {
            x = MaxSkipMissing(x, v, kMissingValue, 2);
        }
        return x;
    }
    if (Receptor < 1 || Receptor > receptorCount()) {
        throw std::out_of_range("Receptor " + std::to_string(Receptor) + " of " + Name + " out of range");
    }
    return m_values[Receptor - 1];
}

float StatVar::Value(int Receptor, std::string_view Comp, const KeyedList<Pollutant> &pollutants,
                     const std::vector<float> &outputUnitFactor, PeriodLength period) const {
    float x = Value(Receptor);
    if (!(x > 0.0f) || Comp.empty()) {
        return x;
    }
    if (equalsNoCase(Comp, "nHours")) {
        return period.hours > 0 ? static_cast<float>(x * 100.0 / static_cast<double>(period.hours))
                                : kMissingValue;
    }
    if (equalsNoCase(Comp, "nDays") || equalsNoCase(Comp, "nDaysD")) {
        return period.days > 0 ? static_cast<float>(x * 100.0 / static_cast<double>(period.days))
                               : kMissingValue;
    }
    const Pollutant *pollutant = pollutants.find(Comp);
    if (pollutant == nullptr) {
        throw std::out_of_range("\"" + std::string(Comp) + "\" is not in the pollutant list");
    }
    if (pollutant->Index < 0 || static_cast<std::size_t>(pollutant->Index) >= outputUnitFactor.size()) {
        throw std::out_of_range("No output unit factor for " + pollutant->Name);
    }
    return x * outputUnitFactor[static_cast<std::size_t>(pollutant->Index)];
}

} // namespace vesk
