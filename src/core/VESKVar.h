#pragma once

// One variable of the variable catalogue: its name as built and its column
// data type ("float", "integer", "short" or "text"). Value and State are
// free for the users of a catalogue collection.

#include <string>

namespace vesk {

struct VESKVar {
    std::string Value;
    std::string State;
    std::string Name;
    std::string DataType;
};

} // namespace vesk
