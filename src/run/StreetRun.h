#pragma once

// The steps of one street of a time-series run, shared by the run's own
// street loop (RunCalculation.cpp) and the workers of a parallel
// multi-street run (StreetPool.cpp). Each works on the context it is given:
// the run's state, or a worker's copy of it.

#include "run/RunCalculation.h"
#include "run/RunContext.h"
#include "run/StreetChain.h"

#include <optional>
#include <string>
#include <string_view>

namespace vesk::run {

// Leaves the record loop at once: a stop while paused.
struct StopWhilePaused {};
// Ends the run quietly: a message has been shown already (error: that
// message, when the run's report is to name it).
struct EndRun {
    std::string error;
};
// An active street had no hour within the period: the run says so and ends.
struct NoHourInPeriod {};

// Reports progress to the run's observer (if any): fraction 0..1 and caption.
void progress(RunContext &c, double fraction, const std::string &text);

// Reads the next record of the streets file into the state (the street
// becomes the current one, its traffic file to be read again). Refuses an
// active street without a traffic file. c.StreetNo counts the record.
void readStreet(RunContext &c, RecordReader &streets);

// Sets up the traffic of the street in the state (traffic file, day cases,
// tables) and resolves its emission tables.
void setUpTraffic(RunContext &c);

// Starts the street's statistics and counters (and its hours from the first).
void startStreetStatistics(RunContext &c);

// The record loop of a street (and of a route segment): every hour from the
// input files, or from c.hourStore when the run keeps one, through traffic,
// the street model, the statistics and the output rows. hours counts the
// hours computed. Returns true when stopped during an hour; throws
// StopWhilePaused, EndRun or the failure that ended the data.
bool recordLoop(RunContext &c, const ChainFactors &f, long &hours);

// The end of a street (or of a whole route): its first and last hour and
// traffic means into the state, its statistics published, its statistics
// rows written. active: the street was calculated; streetDone names it in
// *lastDone ("the hour beginning ... of street #n out of m, <name>").
// Throws NoHourInPeriod for an active street without an hour.
void finishStreet(RunContext &c, bool active, const std::string &streetDone, std::string *lastDone);

// The street's record for the run's street results (when the run keeps
// them, c.files.streetStore): into c.rows for the run's writer, else
// straight into the store. Called by finishStreet.
void recordStreetResults(RunContext &c);
// Adds a street's record to the run's street results: the run's writer only,
// in street order. A store that cannot be written says so once and keeps no
// more streets; the run goes on.
void keepStreetResults(RunContext &c, results::StreetRecord street);

// Where the rows of c.rows go once a street is done: into the run's files,
// hourly rows first, then each statistics file's rows followed by its
// message about names it could not resolve (each name once per run).
void writeStreetRows(RunContext &c, StreetRows &rows);

// The most threads WINVESK_THREADS may ask for.
inline constexpr int kMaxStreetThreads = 4096;

// The number of threads a WINVESK_THREADS text asks for: its digits alone
// (no sign, blank, point or exponent), 1 to kMaxStreetThreads; nullopt for
// any other text.
std::optional<int> threadCountSetting(std::string_view text);

// Threads for the streets of a multi-street run: the count WINVESK_THREADS
// asks for (threadCountSetting), else the machine's hardware threads; a
// WINVESK_THREADS that is set, not empty and no valid count is said on
// standard error. Never more than the streets.
int streetThreads(int streets);

// The streets of a multi-street run computed side by side by `threads`
// workers, each in a copy of the run's state made after the first street's
// set-up, with one ordered writer (the calling thread): the rows, messages
// and failures of the streets come in street order, as from one street
// after the other. Needs c.hourStore. Returns true when stopped.
bool runStreetPool(RunContext &c, RunReport &report, int threads);

} // namespace vesk::run
