#pragma once

// Program-wide variables of emissions, statistics and tables. Above the project part; see run/State.h.

#include "calc/EmissionState.h"
#include "calc/StatisticsState.h"
#include "calc/StreetRecordState.h"
#include "project/ProjectState.h"

#include <vector>

namespace vesk {

struct CalcState : ProjectState, StatisticsState, EmissionState, StreetRecordState {
    // Per pollutant index (0..NPol): turns a concentration of the calculation
    // into the pollutant's output unit. Written only by SetUnitFactors; read by
    // StatVar when it hands out a value.
    std::vector<float> OutputUnitFactor;
};

} // namespace vesk
