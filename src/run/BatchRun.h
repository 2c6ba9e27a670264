#pragma once

// What the Run button does for a loaded project, without a window: used by
// the command line's batch run.

#include <string>

namespace vesk {

struct State;
class Interaction;

// Sets up the project's emissions, then runs the time series (CalcMode 1) or
// the Special Mode sweep (CalcMode 0) to its end. True only when the run
// reached its end and wrote every output it was asked for; false with *error
// set (or empty when the run already said why through ui).
bool calculateProject(State &s, Interaction &ui, std::string *error);

} // namespace vesk
