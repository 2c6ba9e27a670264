#pragma once

// The statistics engine and the program state: the set-up of a street's
// statistics from the options and percentile definitions, and the
// publication of the results into StatVarList and DailyAverageList.

#include "calc/StatEngine.h"

#include <string>

namespace vesk {

struct CalcState;

// The set-up from the state: PollutantNames, the per-pollutant PercSource,
// Run8Source and DailySource, CalcOnlyIfBoth, CalcDaily, MinNobs8,
// MinDailyMax, MinNobsDay and the three percentile families (PercNames*,
// PercNth*, PercFrac*, 1..NumPerc*). AvSource plays no part: averages and hour
// counts are published for every pollutant and series.
StatisticsSetup statisticsSetupFrom(const CalcState &state);

// Stores every published statistic into the StatVar of StatVarList under its
// key and receptor, and replaces DailyAverageList by the engine's days (keyed
// by their day text, in the order they were closed). A statistic whose key is
// not in StatVarList, or a receptor the StatVar does not have, is left out:
// every other value is still stored, and the call returns false with an error
// naming the first one left out.
bool publishStatistics(const StatisticsEngine &engine, CalcState &state, std::string *error);

} // namespace vesk
