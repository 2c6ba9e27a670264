#pragma once

// The street model chain of the time-series run, as engine functions over the
// run state. The run calls them for every accepted hour, in this order:
//
//   PassStreetGeometry(state)                  once per street (and per new route street)
//   per hour, after reading, dating, traffic and emissions:
//     CompleteBackground(state, factors)       background completion, measured street parts, flags
//     RunStreetModelHour(state)                turbulence, roof wind, c_st1, c_st2, residence time
//     FormConcentrations(state, factors)       modelled values per pollutant and side, NO2 chemistry,
//                                              measured and background values into the output unit
//     (statistics: hourStatValues for every pollutant and side)
//     ApplyCrossSideCorrection(state, factors, threshold)   after the day change
//
// Units: backgrounds and measured values are read in the input unit;
// FormConcentrations turns them into the output unit (once per hour). The
// emission qPOL is in µg/(m·s), c_st in s/m². The chemistry works in ppb.

#include "calc/StatSeries.h"
#include "run/State.h"

#include <array>
#include <span>

namespace vesk {

// The unit factors of the run (made by SetUnitFactors) and the emitting
// pollutants, as views the chain reads. Entries missing from a span count
// as a factor of 1 (and as "not an emitter").
struct ChainFactors {
    std::span<const float> InputUnitFactor;    // µg/m³ to the output unit, per pollutant
    std::span<const float> InputToModelFactor; // input unit to output unit
    std::span<const float> PpbToInputFactor;   // ppb to input unit
    std::span<const float> InputToPpbFactor;   // input unit to ppb
    float NO2ToPpbFactor = 1;                  // NO2, input unit to ppb
    float O3ToPpbFactor = 1;                   // O3, input unit to ppb
    float NOxToPpbFactor = 1;                  // NOx, output unit to ppb
    float Pol0ToPpbFactor = 1;                 // NOx, input unit to ppb
    std::span<const int> EmitterIndex;         // pollutant indices of the emitters
};

// The view of the state's unit factors (as SetUnitFactors left them) and of
// its emitters EmitterIndex(1..EmitterCount). Valid while the state's
// factor tables are not resized.
ChainFactors chainFactors(const State &state);

// Sizes the per-pollutant hour arrays to NPol + 1 entries and sets them
// missing (-99; flags 0). Call at the run's set-up.
void resizeHourArrays(State &state);

// Sets the hour's values that each record starts from: corrected values -99,
// correction flags 0, street parts and modelled totals -99.
void clearHourResults(State &state);
// Sets only the modelled street parts and totals missing (-99): enough
// before an hour that runs the whole chain, which writes the other values
// of clearHourResults afresh (CompleteBackground, FormConcentrations,
// ApplyCrossSideCorrection).
void clearModelledResults(State &state);

// Sets a street up for its hours: hands the street geometry to the street
// model (StreetParams from the street height, the sector arrays and
// WindAccelFlags from the orientation and the wind sectors, flags zeroed
// when NoWindAcceleration is set) and takes the benzene content of
// gasoline for the benzene-from-CO rules (TakeBenzeneContent).
void PassStreetGeometry(State &state);

// Takes the benzene content of gasoline for the hourly steps: the "Benzene"
// (or "BNZ") content of the fuel "Gasoline" (or "Petrol") when the emission
// component's fuel list has items and gives one; otherwise BenzeneContent
// keeps its value (0 at first).
void TakeBenzeneContent(State &state);

// c_st1, c_st2 (s/m²) and s_w_roof (m/s) for a wind from relativeWindDir,
// averaged over the direction fluctuation when WindIntegration is 1.
void modelConcentrations(const State &state, float u_roof, float relativeWindDir, float delta_fi,
                         float s_w_tpt, float shapeFactor, float F, float &s_w_roof, float &c_st1,
                         float &c_st2);

// Residence time in the street, H / s_w_roof (s); -99 when s_w_roof is 0, negative
// or not a number, or the height is negative.
float residenceTime(float streetHeight, float s_w_roof);

// Background completion of the hour: the city-type background (spread
// integral, urban emission, regional background), NO2 and O3 background by
// the chemistry, benzene from CO, conditions-file values; then the measured
// street contributions and the availability flags. Reads and writes
// cPOL_b (input unit), sets cPOL_str_obs_1/2 (output unit), BackAvail,
// ModAvail, SpreadIntegral.
//
// What it makes from the hour's inputs alone (the city's spread integral,
// the NO2 and O3 background by the chemistry) is the same for every street
// of the hour: given a memo of the hour, it takes them from there when they
// were made from the same inputs, to the bit, and otherwise makes them and
// keeps them there for the next street.
struct BackgroundMemo {
    std::array<float, 4> spreadFor{};    // u_mast, mixing height, city radius, building height
    std::array<float, 7> chemistryFor{}; // the chemistry's inputs (see CompleteBackground)
    float spread = 0, no2 = 0, o3 = 0;
    bool spreadMade = false, spreadFound = false, chemistryMade = false;
};
void CompleteBackground(State &state, const ChainFactors &factors, BackgroundMemo *memo = nullptr);

// The street model for the hour (only when HourCalculable is 1): s_w_tpt,
// RelWindDir, u_roof, FlowParam, ShapeFactor, delta_fi, s_w_roof, c_st1,
// c_st2, ResidenceTime (-99 when it cannot be formed).
void RunStreetModelHour(State &state);

// Modelled values of every pollutant on each side in use (street part and
// total in the output unit), the NO2 chemistry per side, then every measured,
// background and regional value >= 0 turned into the output unit. Call once
// per hour, after RunStreetModelHour.
void FormConcentrations(State &state, const ChainFactors &factors);

// The hour's values of pollutant p on side 1 or 2 for the statistics, after
// FormConcentrations: modelled, measured and background values with their
// flags (a modelled value only in a calculable hour and when formed).
StatHourValues hourStatValues(const State &state, int p, int side);

// Hands the hour's values of both sides of every pollutant the statistics
// ask for to state.Statistics (after its beginHour). True when some
// pollutant has a modelled value this hour, asked for or not.
bool addHourStatistics(State &state);

// The cross-side correction: corrected values and flags from the
// measurements of the other side. Does nothing unless threshold > 0.
void ApplyCrossSideCorrection(State &state, const ChainFactors &factors, double threshold);

} // namespace vesk
