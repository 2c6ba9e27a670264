#pragma once

// Concentration unit factors of a run, from each pollutant's input, output,
// standard and default output units.
//
// A unit is one of the keywords "ppb", "ppm", "ppt" (volume) or "microg",
// "milig", "nanog" (mass per cubic metre), in any letter case, or a number
// ("," read as "."). A number names a unit by its size: as an input unit
// (and as a standard input unit) it is micrograms per cubic metre per unit;
// as an output unit it is the factor from micrograms per cubic metre to the
// unit, as the project files have always used it.

#include <optional>
#include <string>

namespace vesk {

struct CalcState;

// Fills, for every pollutant 0..NPol, InputUnitFactor, OutputUnitFactor,
// InputToModelFactor, PpbToInputFactor and InputToPpbFactor, and the scalars
// NO2ToPpbFactor, O3ToPpbFactor, NOxToPpbFactor, OutputToPpbFactor1 and
// Pol0ToPpbFactor..Pol2ToPpbFactor. An empty input or output unit first
// takes the pollutant list's standard unit (written back into the state).
// False with a message naming the pollutant and the unit when a unit is
// neither a keyword nor a number above 0, or when a factor would need a
// division by zero (a volume unit for a pollutant without a
// microgram-to-ppb factor); the factors of that pollutant are then 1.
bool SetUnitFactors(CalcState &state, std::string *error = nullptr);

// Whether every microgram-to-ppb factor the run converts with is above 0:
// those of pollutants 0 to 3 (NOx, NO, NO2 and O3, which the NO2 chemistry
// converts to and from ppb and which complete one another), that of every
// emitting pollutant whose urban background the project's city type models
// from an urban emission file, and, with a city type, that of CO, from
// which the benzene background is derived where it is missing (when the
// list has CO and BNZ and BNZ's factor is above 0). A factor below 0 is
// refused for any pollutant, and so is one other than 0 outside 1e-20 to
// 1e+20, the factors the run's single precision converts with. False with a
// message naming the pollutant list, the factor's line and the pollutant.
bool CheckPpbFactors(const CalcState &state, std::string *error = nullptr);

// The factor that turns a concentration in unit from into unit to (both
// keywords, letter case ignored): the ratio of their factors from
// micrograms per cubic metre, the one the results convert statistics and
// limit values with (10 milig -> 10,000 microg). microgToPpb: the
// pollutant's ppb per µg/m³ that goes with each unit. nullopt when a unit is
// a number (its size is not comparable to a default output unit's) or when a
// volume unit needs a microgram-to-ppb factor of 0.
std::optional<double> concentrationUnitFactor(const std::string &from, double fromMicrogToPpb,
                                              const std::string &to, double toMicrogToPpb);

} // namespace vesk
