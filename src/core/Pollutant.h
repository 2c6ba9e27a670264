#pragma once

// One pollutant of the country's pollutant list, as the collection
// PollutantList holds it (keyed by Name, letter case ignored).

#include <string>

namespace vesk {

struct Pollutant {
    std::string Name;
    std::string LongName;
    int Index = 0;        // row of the pollutant tables, 0..NPol
    bool Emitter = false; // traffic emits it
};

} // namespace vesk
