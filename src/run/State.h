#pragma once

// The program-wide state: one object, created by the GUI (or the batch entry,
// or a test) and passed by reference to every engine routine. The members keep
// the names the rest of the program knows them by.
//
// The state is built floor by floor, each floor's part holding the floors
// below it: CoreState (core) < ProjectState (project) < CalcState (calc) <
// State (run). A routine takes the part of its own floor, so a routine of the
// project floor sees the core and project variables and nothing above. A name
// is declared in one part only.

#include "calc/CalcState.h"
#include "run/RunState.h"

namespace vesk {

struct State : CalcState, RunState {};

} // namespace vesk
