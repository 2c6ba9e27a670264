#include "core/StatVar.h"

#include "core/EmissionLibraryTools.h"

#include <stdexcept>

namespace vesk {

namespace {

constexpr float kMissingValue = -99.0f;

bool equalsNoCase(std::string_view a, std::string_view b) {
    return foldKey(a) == foldKey(b);
}

} // namespace

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
                     const std::vector<float> &outputUnitFactor) const {
    float x = Value(Receptor);
    if (!(x > 0.0f) || Comp.empty()) {
        return x;
    }
    if (equalsNoCase(Comp, "nHours")) {
        return x * (1.0f / 87.6f);
    }
    if (equalsNoCase(Comp, "nDays") || equalsNoCase(Comp, "nDaysD")) {
        return x * (1.0f / 3.65f);
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
