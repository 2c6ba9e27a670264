#pragma once

// Program-wide variables of the core: start-up state, folders, country and
// reference lists. See State.h.

#include <string>

namespace vesk {

struct CoreState {
    std::string AppDir;              // program folder, always ending in the separator
    std::string DecimalSeparator = ".";
    long ErrorCode = 0;              // 100 = the program is to stop
    bool ProjectLoaded = false;
};

} // namespace vesk
