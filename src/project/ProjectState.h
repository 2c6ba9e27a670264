#pragma once

// Program-wide variables of the project: files, lists, modes and options.
// See core/State.h.

namespace vesk {

struct ProjectState {
};

} // namespace vesk
