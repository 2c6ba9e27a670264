#pragma once

// Program-wide variables of emissions, statistics and tables. See core/State.h.

namespace vesk {

struct CalcState {
};

} // namespace vesk
