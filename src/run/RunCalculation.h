#pragma once

// The time-series run: every hour of a project's hourly input files through
// traffic, emissions, the street model and the statistics to the hourly
// output files and, at the end of each street, the statistics files. Serves
// single-street projects, multi-street projects (StreetsFile) and route
// projects (RouteFile).
//
// The run works on the loaded project in the state (file lists, period,
// options, emission set-up). The GUI calls it on a worker thread; the batch
// entry calls it directly. Messages and questions go through ui; Pause and
// Stop come through control, checked once per input record: a stop during a
// running hour finishes the hour and writes the output and statistics files,
// a stop while paused ends at once and writes nothing. Output files are put
// in place of the previous ones only by a run that writes them, every one
// complete (see RunReport::keptFiles). The observer
// gets the progress ("Calculating street #n out of m: <name>", and
// "day/month|hour" when a day begins), every hour computed, the start and end
// of the run and, when it was stopped, what it computed last.

#include "core/Interaction.h"
#include "run/RunControl.h"

#include <string>
#include <vector>

namespace vesk {

struct State;

enum class RunOutcome {
    Completed,          // every street reached its end; statistics written
    Stopped,            // stopped during a running hour; statistics of the hours done written
    StoppedWhilePaused, // stopped while paused: nothing written, the previous files kept
    Declined,           // the user declined at a start-up question; nothing opened
    NoData,             // no record lay within the start and end dates; the previous files kept
    NothingModelled,    // hours were read, but no modelled value of any street, pollutant or side;
                        // the previous files kept
    Failed,             // an error ended the run (its message was shown); the previous files kept
};

struct RunReport {
    RunOutcome outcome = RunOutcome::Failed;
    long hours = 0;    // hours calculated, all streets
    int streets = 0;   // streets whose statistics were written
    std::string error; // the message that ended a failed run
    // What the run computed last: "the hour beginning yyyy-mm-dd hh:mm", with
    // "of street #n out of m, <name>" (multi-street) or "of <segment>" (route).
    std::string lastDone;
    // The run went on, but a requested output could not be written (an
    // unknown statistics name: its message was shown, its cells are empty).
    // Then no file replaced the previous one: the incomplete statistics
    // files are kept under temporary names beside them (keptFiles), which a
    // message named. The batch exits with 1.
    bool outputIncomplete = false;
    std::vector<std::string> keptFiles;
    // Streets of a multi-street run and route segments that had hours but
    // could model none of them (-99 throughout), as a message named them
    // ("street #n out of m, <name>", "the route segment <name> of the person
    // <id> (<in> to <out>), line n of the route file"). Then no file replaced
    // the previous one: every file the run wrote is kept under its temporary
    // name beside it (keptFiles), which the message named. The batch exits
    // with 1.
    std::vector<std::string> unmodelled;
};

RunReport runTimeSeries(State &state, Interaction &ui, RunControl &control, RunObserver *observer = nullptr);

// The entry of the GUI's run thread and of the batch: true when the run
// reached its end (or was stopped during a running hour) and wrote its
// statistics; otherwise false. Every failure has been shown through ui, so
// *error is left empty.
bool RunCalculation(State &state, RunControl &control, RunObserver &observer, Interaction &ui,
                    std::string *error);

} // namespace vesk
