#include "project/SpecialTraffic.h"

#include "core/Numbers.h"
#include "core/TextIO.h"
#include "project/ProjectState.h"

namespace vesk {

SpecialTrafficValues takeSpecialTraffic(const ProjectState &s) {
    return {s.TrafficLight, s.TrafficHeavy, s.EmFactorLight, s.EmFactorHeavy, s.SpeedLight, s.SpeedHeavy};
}

void restoreSpecialTraffic(ProjectState &s, const SpecialTrafficValues &c) {
    s.TrafficLight = c.TrafficLight;
    s.TrafficHeavy = c.TrafficHeavy;
    s.EmFactorLight = c.EmFactorLight;
    s.EmFactorHeavy = c.EmFactorHeavy;
    s.SpeedLight = c.SpeedLight;
    s.SpeedHeavy = c.SpeedHeavy;
}

SpecialEmission specialEmission(const SpecialTrafficValues &v) {
    SpecialEmission e;
    e.light = static_cast<float>(v.EmFactorLight * v.TrafficLight / 3.6);
    e.heavy = static_cast<float>(v.EmFactorHeavy * v.TrafficHeavy / 3.6);
    e.total = e.heavy + e.light;
    return e;
}

ValueCheck checkSpecialTrafficValue(int index, std::string_view text) {
    ValueCheck c;
    if (trim(text).empty()) {
        c.message = "Value is not specified";
        return c;
    }
    const auto number = parseNumber(text);
    if (!number) {
        c.message = "The value entered is not valid";
        return c;
    }
    if (*number < 0) {
        c.message = index == 1 ? "The value must be >=0" : "The value  must be >=0";
        return c;
    }
    c.accepted = true;
    c.value = *number;
    return c;
}

} // namespace vesk
