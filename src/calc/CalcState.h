#pragma once

// Program-wide variables of emissions, statistics and tables. See core/State.h.

#include "calc/EmissionState.h"
#include "calc/StatisticsState.h"
#include "calc/StreetRecordState.h"

#include <vector>

namespace vesk {

struct CalcState : StatisticsState, EmissionState, StreetRecordState {
    // Per pollutant index (0..NPol): turns a concentration of the calculation
    // into the pollutant's output unit. Written only by SetUnitFactors; read by
    // StatVar when it hands out a value.
    std::vector<float> OutputUnitFactor;
};

} // namespace vesk
