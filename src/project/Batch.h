#pragma once

// The batch run of the command line: load the project with no window, set the
// period of the command line, run the calculation to its end and quit. No
// question is ever waited for: the Interaction given answers with defaults.

#include "core/Interaction.h"
#include "project/CommandLine.h"

#include <functional>
#include <string>

namespace vesk {

struct ProjectState;

inline constexpr int kExitSucceeded = 0; // the run reached its end and wrote its statistics
inline constexpr int kExitFailed = 1;    // start-up, load or run failed
inline constexpr int kExitUsage = 2;     // malformed command line

// Program start-up (folders, country, reference lists). False = stop.
using BatchStartUp = std::function<bool(ProjectState &, Interaction &)>;

// Sets up the emissions and runs the loaded project's calculation to its
// end. False with *error when it failed or stopped early.
using BatchCalculation = std::function<bool(ProjectState &, Interaction &, std::string *error)>;

// The message for an exception that escaped an action (a fault of the
// program, not of the user's data): what it was, and that the action did
// not complete.
std::string unexpectedErrorMessage(const std::string &what);

// Runs body and returns its status; an exception that escapes it is shown
// through ui (unexpectedErrorMessage) and gives kExitFailed, so that no
// exception ends the program without a message.
int runGuarded(const std::function<int()> &body, Interaction &ui);

// The whole batch sequence for a parsed command line with a project and the
// batch flag set. Returns the exit status. Without a calculation (empty
// function) the project is loaded and the run reported as not available.
int runBatch(ProjectState &s, Interaction &ui, const CommandLine &line, const BatchStartUp &startUp,
             const BatchCalculation &calculate);

} // namespace vesk
