#pragma once

// A small Special Mode sweep for the tests: one street 20 m wide and high
// with 1,000 light and 100 heavy vehicles an hour, wind directions 80 to 100
// degrees in steps of 10 at one wind speed of 3 m/s, NO2 computed.

#include "run/State.h"

#include <filesystem>

namespace vesk::test {

inline void setSmallSweep(State &state, const std::filesystem::path &workDir) {
    state.WorkDir = workDir.string() + "/";
    state.StreetHeight = state.StreetWidth = 20;
    state.StreetLength_1 = state.StreetLength_2 = 100;
    state.Receptor1 = state.Receptor2 = 1;
    state.RecHeight = 2;
    state.TrafficLight = 1000;
    state.EmFactorLight = 1;
    state.TrafficHeavy = 100;
    state.EmFactorHeavy = 10;
    state.SpeedLight = 50;
    state.SpeedHeavy = 40;
    state.BackgroundNOx = 20;
    state.BackgroundO3 = 40;
    state.BackgroundNO2 = 12;
    state.AirTemperature = 15;
    state.GlobalRadiation = 300;
    state.WindSpeedCount = 1;
    state.WindSpeeds[1] = 3;
    state.WindDirStart = 80;
    state.WindDirEnd = 100;
    state.WindDirStep = 10;
    state.CalcNO2 = 1;
    state.TrafficTurbulence = true;
    state.WindIntegration = 1;
}

} // namespace vesk::test
