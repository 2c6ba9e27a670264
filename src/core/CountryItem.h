#pragma once

// One country of the country list: its name (the key in CountryList), the
// code that names its national folders, and whether it is the default.

#include <string>

namespace vesk {

struct CountryItem {
    std::string Name;
    std::string code;
    bool IsDefault = false;
};

} // namespace vesk
