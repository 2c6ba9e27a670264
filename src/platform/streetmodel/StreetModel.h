#pragma once

// The street-canyon model: the entry points the runs call, in the order and
// with the directions the runs rely on. Inputs are passed by value, results
// through references; arrays are spans. Reals are single precision, counts and
// flags 16-bit integers.
//
// Units: emission q in µg/(m·s); the concentrations per unit emission c_st1,
// c_st2 in s/m², so that c_st·q is a concentration in µg/m³. Wind speeds and
// turbulence velocities in m/s, lengths in m, directions in degrees, the
// chemistry in ppb, global radiation in W/m², temperature in K, time in s.
//
// Every entry point returns finite, non-negative results for every input:
// a negative or non-finite speed, count or length counts as 0 (or as the
// documented default), so a missing value (-99) handed in by mistake can never
// produce NaN. The model, its equations and the meaning of P1..P7, F and the
// two sector arrays are described in docs/streetmodel.md.

#include <cstdint>
#include <span>

namespace vesk {

// Number of wind sectors of a street and length of the sector arrays.
inline constexpr int kWindSectorCount = 12;

// Street parameters from the street height (m). P receives P1..P7 at P[0]..P[6]:
// P1 half-width of the direction averaging in standard deviations, P2 the shape
// factor at calm (the runs overwrite it each hour), P3 the urban roughness
// length (m, informative), P4 the ratio of wind turbulence to street-level
// wind, P5 the initial mixing height of the traffic wake (m), P6 and P7 the drag
// areas (m²) of a light and of a heavy vehicle.
void ModPar(float streetHeight, std::span<float, 7> P);

// Turns the absolute sector directions of a street into directions relative to
// the street axis: sectorA(k) = start, in [0, 360); sectorB(k) = end, in
// (sectorA(k), sectorA(k) + 360]. Entries past NumWindSectors are set to 0.
// WindAccelFlags(q), q = 0..3 for the relative quarters [0, 90), [90, 180),
// [180, 270), [270, 360): 1 when a sector overlaps that quarter, so that a gap
// in the building row there may accelerate the street-level wind.
void RotStreet(float streetOrientation, std::span<const float> SectorStart, std::span<const float> SectorEnd,
               std::span<const float> SectorValue, std::span<float> sectorA, std::span<float> sectorB,
               std::int16_t NumWindSectors, std::span<std::int16_t, 4> WindAccelFlags);

// Traffic-produced turbulence s_w_tpt (m/s) from speeds (km/h) and traffic
// (vehicles/hour) of light and heavy vehicles, the drag areas P6, P7 (m²) and
// the street width (m; below 1 m counts as 1 m).
void CarTurb(float speedLight, float speedHeavy, float trafficLight, float trafficHeavy, float P6, float P7,
             float streetWidth, float &s_w_tpt);

// Roof-level wind u_roof (m/s) from the mast wind (m/s) through a logarithmic
// profile, and the flow parameter F: the friction velocity of that profile (m/s).
void Flow_par(float u_mast, float &u_roof, float &F);

// Standard deviation of the hourly wind direction, delta_fi (degrees), from the
// roof-level wind: wide at low wind, narrowing with wind speed.
void Calc_Delta_Fi(float u_roof, float &delta_fi);

// Concentrations per unit emission at both street sides (s/m²) for the wind
// from relativeWindDir (degrees from the street axis: 90 from side 2, 270 from
// side 1), and the ventilation velocity at roof level s_w_roof (m/s, > 0).
// A side whose receptor flag is not 1 gets 0.
void Calc_C_st(float u_roof, float relativeWindDir, float s_w_tpt, float &s_w_roof, float streetHeight,
               float streetWidth, float shapeFactor, float streetLength1, float streetLength2, float F,
               float P4, float P5, std::int16_t Receptor1, std::int16_t Receptor2,
               std::int16_t NumWindSectors, std::span<const float> sectorA, std::span<const float> sectorB,
               std::span<const float> SectorValue, float &c_st1, float &c_st2, float RecHeight,
               std::span<const std::int16_t, 4> WindAccelFlags);

// As Calc_C_st, averaged over the wind-direction fluctuation: a Gaussian of
// standard deviation delta_fi (degrees), cut at P1 standard deviations. A
// delta_fi of 0 or less gives Calc_C_st's values.
void Averaging(float u_roof, float relativeWindDir, float delta_fi, float P1, std::int16_t NumWindSectors,
               std::span<const float> sectorA, std::span<const float> sectorB,
               std::span<const float> SectorValue, float s_w_tpt, float &s_w_roof, float streetHeight,
               float streetWidth, float shapeFactor, float streetLength1, float streetLength2, float F,
               float P4, float P5, std::int16_t Receptor1, std::int16_t Receptor2, float &c_st1, float &c_st2,
               float RecHeight, std::span<const std::int16_t, 4> WindAccelFlags);

// NO-NO2-O3 chemistry in the street (all concentrations in ppb). Starts from
// the background NO2 plus directShare of the street's NOx increment
// (NOx - NOxBackground) as NO2, the background O3, and the rest of NOx as NO;
// then NO + O3 -> NO2 and NO2 + light -> NO + O3 act for residenceTime_s.
// Conserves NOx and NO2 + O3 exactly; gives 0 <= NO2 <= NOx and O3 >= 0.
// Photolysis grows with globalRadiation (W/m²; 0 or less is dark), the reaction
// rate with temperature_K (0 or less, or not finite, counts as 293.15 K).
// A residence time of 0 or less keeps the start values; an infinite one gives
// the photostationary state. Negative concentrations count as 0.
void NO2NOX(float NOxBackground, float O3Background, float NO2Background, float NOx, float &NO2, float &O3,
            float directShare, float globalRadiation, float temperature_K, float residenceTime_s);

// The two rates of the chemistry: NO + O3 -> NO2 (1/(ppb s)) and the
// photolysis of NO2 (1/s). They depend on the hour's global radiation and
// temperature alone, so an hour with several NO2NOX calls makes them once.
struct ChemistryRates {
    double reaction = 0.0;
    double photolysis = 0.0;
};
ChemistryRates chemistryRates(float globalRadiation, float temperature_K);

// NO2NOX with the rates of chemistryRates(globalRadiation, temperature_K):
// the same results as the call with radiation and temperature.
void NO2NOX(float NOxBackground, float O3Background, float NO2Background, float NOx, float &NO2, float &O3,
            float directShare, const ChemistryRates &rates, float residenceTime_s);

// Inserts value into list[0..n) held in descending order: the entries below
// its place move down one slot and the last one drops out. A value not larger
// than the last entry leaves the list unchanged. n is clamped to the list size.
void SortPerc(float value, std::span<float> list, long n);

// Inserts value with its index into values[0..n) kept in descending order and
// moves indices alongside. Equal values keep their order of arrival.
void sortv(float value, std::int16_t index, std::span<float> values, std::span<std::int16_t> indices,
           std::int16_t n);

} // namespace vesk
