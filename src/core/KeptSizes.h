#pragma once

// How much the program keeps of what it reads: the longest text of a field,
// and how many pollutants, percentile definitions and limit values the
// country's lists may hold. The lists' readers and editors take no more than this, so the
// runs never write more into their results, and the readers of saved results
// refuse more: whatever the program writes it reads back, and a damaged file
// cannot make a page larger than a run can. Each bound lies far above any
// real list or name, and low enough that a results page at every bound opens
// in the window within a few seconds.

#include <cstddef>

namespace vesk {

// The longest text of one field the program takes from a file: a name, a
// title, a file name, a limit-value title. 1 MiB, the longest line of a
// project file.
inline constexpr std::size_t kMaxFieldText = std::size_t{1} << 20;

// Pollutants of the country's pollutant list, and pollutants of its
// limit-value list; real lists hold a dozen or two.
inline constexpr int kMaxPollutants = 50;

// Percentile definitions of one family (hourly, running 8-hour, daily) in
// the country's percentile list; real lists hold some twenty in all.
inline constexpr int kMaxPercentileDefinitions = 100;

// Limit values (rows) of one pollutant in the country's limit-value list;
// real lists hold a handful.
inline constexpr int kMaxLimitValueRows = 50;

} // namespace vesk
