#pragma once

// The program-wide state: one object, created by the GUI (or the batch entry,
// or a test) and passed by reference to every engine routine. The members keep
// the names the rest of the program knows them by.
//
// The state is assembled from one part per area so that each area declares its
// own variables next to its code. A name must be declared in one part only.

#include "calc/CalcState.h"
#include "core/CoreState.h"
#include "project/ProjectState.h"
#include "run/RunState.h"

namespace vesk {

struct State : CoreState, ProjectState, CalcState, RunState {};

} // namespace vesk
