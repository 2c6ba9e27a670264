#pragma once

// Program-wide variables of the emission set-up, the traffic file and its
// day cases, the unit factors, and the street's day-case tables. Part of
// CalcState (see run/State.h).
//
// Index rules, as in CoreState: arrays the program numbers from 1 keep that
// numbering with entry 0 unused (VehCatNames, DayCaseName, ..., EmitterIndex,
// DayCaseExprs); per-pollutant arrays are 0..NPol.

#include "platform/Expression.h"
#include "platform/emission/EmissionLibrary.h"

#include <string>
#include <vector>

namespace vesk {

// A dense table of Singles with 1-based indexes in every dimension but the
// first of CategoryEmissionTable (the pollutant, 0..NPol). Out-of-range
// indexes throw std::out_of_range.
class FlowTable3 {
public:
    void resize(int slots, int periods, int dayCases);
    float &at(int slot, int period, int dayCase);
    float at(int slot, int period, int dayCase) const;
    int slots() const { return m_slots; }

private:
    size_t index(int slot, int period, int dayCase) const;
    int m_slots = 0, m_periods = 0, m_dayCases = 0;
    std::vector<float> m_values;
};

class EmissionTable4 {
public:
    void resize(int pollutants, int slots, int periods, int dayCases);
    float &at(int pollutant, int slot, int period, int dayCase);
    float at(int pollutant, int slot, int period, int dayCase) const;

private:
    size_t index(int pollutant, int slot, int period, int dayCase) const;
    int m_pollutants = 0, m_slots = 0, m_periods = 0, m_dayCases = 0;
    std::vector<float> m_values;
};

struct EmissionState {
    // The emission component (vehicle categories, fleets, fuels, traffic).
    EmissionLibrary EmissionComponent;

    // Emission set-up (its status flags EmissionReady, StdEmissionSetup and
    // EmissionInitError are kept with the project's list files).
    std::string VehicleListPath; // full path (or the bracketed name of generated fleet data)
    std::string FuelListPath;
    std::vector<int> EmitterIndex{0}; // 1..EmitterCount: pollutant index of each emitting pollutant
    int EmitterCount = 0;

    // Emission of each pollutant (0..NPol) and vehicle-category slot
    // (1..VehCatCount), as the hourly emission routine leaves it.
    std::vector<std::vector<float>> CategoryEmission;

    // Properties of the traffic file in use (copied from the traffic item
    // "All"). TrafficFileType, Nhours, AverageTrafficSpeed,
    // AnnualDiurnalTraffic and TrafficFileLoaded live in the core and
    // project parts.
    bool ErrorInTrafficFile = false;
    bool TrafficEdited = false; // the traffic editor changed the loaded traffic file
    float sAverageTrafficSpeed = 0;
    float sAnnualDiurnalTraffic = 0;
    int DayCases = 0;
    int VehCategories = 0;
    std::vector<std::string> VehCatNames{std::string()};                                   // 1..VehCategories
    std::vector<std::string> DayCaseName{std::string()};                                   // 1..DayCases
    std::vector<int> DayCaseDay{0}, DayCaseDayCop{0}, DayCaseMonth{0}, DayCaseMonthCop{0}; // 1..DayCases
    std::vector<std::string> CodeDay{std::string()}, CodeMonth{std::string()};             // 1..DayCases

    // Day-case conditions: the evaluator, its two variables and the compiled
    // condition of each day case (1..DayCases).
    Evaluator DayCaseEvaluator;
    int DayNowVar = -1, MonthNowVar = -1;
    std::vector<Expression> DayCaseExprs{Expression()};
    int ParsedCount = 0; // conditions compiled for the current street

    // The street's day-case tables: traffic of each vehicle-category slot and
    // emission of each pollutant and slot per profile period and day case.
    int VehCatCount = 0; // number of vehicle categories of the emission set-up
    FlowTable3 FlowTable;
    EmissionTable4 CategoryEmissionTable;
    float ColdStartShare = 0; // cold-start share (0..1) of the last profile period expanded

    // Unit factors (0..NPol unless said otherwise); OutputUnitFactor is in CalcState.
    std::vector<float> InputUnitFactor;               // microgram per cubic metre to the output unit
    std::vector<float> InputToModelFactor;            // input unit to output unit
    std::vector<float> PpbToInputFactor;              // ppb to input unit
    std::vector<float> InputToPpbFactor;              // input unit to ppb
    float NO2ToPpbFactor = 1, O3ToPpbFactor = 1;      // input unit of pollutants 2 and 3 to ppb
    float NOxToPpbFactor = 1, OutputToPpbFactor1 = 1; // output unit of pollutants 0 and 1 to ppb
    float Pol0ToPpbFactor = 1, Pol1ToPpbFactor = 1, Pol2ToPpbFactor = 1; // input unit of 0, 1, 2 to ppb
};

} // namespace vesk
