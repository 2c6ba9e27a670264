#pragma once

// One percentile definition as handed to the components that list them: the
// statistic's name and the n of its n-th highest value. The item keyed "All"
// carries instead the number of hourly, running 8-hour and daily percentiles.

#include <string>

namespace vesk {

struct PercName {
    std::string Name;
    int nthHighest = 0;
    int nPercHourly = 0;
    int nPercRun8 = 0;
    int nPercDaily = 0;
};

} // namespace vesk
