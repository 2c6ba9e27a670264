#pragma once

// Emission of every vehicle category of the traffic file for one pollutant
// and one hour (or profile period).

#include <string>

namespace vesk {

struct CalcState;

// Speeds below this are raised to it before an emission factor is taken (km/h).
inline constexpr float kEmissionSpeedFloor_kmh = 10.0f;

// For each traffic category i = 1..VehCategories (VehCatNames): takes its
// FlowNow from the component's traffic list, the speed of its length class
// (class 1 speed1_kmh, class 2 speed2_kmh; another class keeps the speed of
// the category before), raised to 10 km/h when below, and its emission
// factor (g/km) from the vehicle category; a composed category is split into
// its sub-categories by their fractions. Stores flow x factor (g/km per
// period) in the component's EmissionList (QPOL of the pollutant) and, slot by
// slot in the order met (non-composed categories and sub-categories), in
// CategoryEmission(pollutant, slot). coldStart is the share (0..1) of
// cold-started vehicles; defaultSpeed_kmh serves a missing speed. A category
// without a factor for the pollutant gets -99 (missing), whatever its flow.
// False with a message when a category or sub-category is unknown to the
// component or there are more slots than CategoryEmission holds; what was
// stored before the failure stays.
bool CalcHourlyEmissions(CalcState &state, int pollutant, float speed1_kmh, float speed2_kmh,
                         float defaultSpeed_kmh, float coldStart, std::string *error = nullptr);

} // namespace vesk
