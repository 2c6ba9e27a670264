#pragma once

// Program-wide statistics state of the run. See calc/CalcState.h.

#include "calc/StatEngine.h"

namespace vesk {

struct StatisticsState {
    // The statistics of the street being run: per pollutant, side and series
    // the hour counts and sums, the ranked values, the 8-hour windows and the
    // day in progress. The run starts it at each street's set-up, feeds it
    // every accepted hour and publishes it (calc/StatPublish.h) at the end.
    StatisticsEngine Statistics;
};

} // namespace vesk
