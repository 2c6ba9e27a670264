#pragma once

// Program-wide variables of the calculation runs. See core/State.h.

namespace vesk {

struct RunState {
};

} // namespace vesk
