#pragma once

// The fixed traffic situation of Special Mode as its dialog edits it: the
// six values (traffic in vehicles/h, emission factors in g/km, speeds in
// km/h, each for light and heavy vehicles), the copy put back by Cancel and
// Reset, the check of a typed value and the emission shown while editing.

#include "project/OptionValues.h"

#include <string_view>

namespace vesk {

struct ProjectState;

struct SpecialTrafficValues {
    double TrafficLight = 0, TrafficHeavy = 0, EmFactorLight = 0, EmFactorHeavy = 0, SpeedLight = 0,
           SpeedHeavy = 0;
    bool operator==(const SpecialTrafficValues &) const = default;
};

SpecialTrafficValues takeSpecialTraffic(const ProjectState &s);
void restoreSpecialTraffic(ProjectState &s, const SpecialTrafficValues &copy);

// The emission per metre of street, µg/m/s: factor (g/km) × traffic
// (vehicles/h) / 3.6, worked in double precision and kept as a Single;
// total = light + heavy (a sum of the two Singles).
struct SpecialEmission {
    float light = 0, heavy = 0, total = 0;
};
SpecialEmission specialEmission(const SpecialTrafficValues &v);

// A typed traffic, emission-factor or speed value; index 1 light vehicles,
// 2 heavy vehicles (only the wording of the negative-value message differs:
// "The value must be >=0" and "The value  must be >=0"). Zero is accepted.
// Other refusals: "Value is not specified" (empty), "The value entered is
// not valid" (not one number).
ValueCheck checkSpecialTrafficValue(int index, std::string_view text);

} // namespace vesk
