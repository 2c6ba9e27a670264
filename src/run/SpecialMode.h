#pragma once

// Special Mode: one fixed traffic situation swept over wind directions and
// wind speeds, written to "veskout.dat" and the direction-by-speed tables
// "NOX_1.dat", "NOX_2.dat", "NO2_1.dat", "NO2_2.dat" in WorkDir.

#include "core/Interaction.h"
#include "run/RunControl.h"
#include "run/State.h"

#include <string>
#include <vector>

namespace vesk {

enum class SpecialModeOutcome {
    Completed, // every case computed and the files written
    Stopped,   // stopped by the user: the directions computed are written, but a stop while
               // paused or a cancel at the turbulence note writes nothing (the previous files stay)
    Refused,   // bad input, or a result file that may not be replaced; nothing computed and no
               // file touched
    Failed,    // a result file could not be written (the message says which)
};

// Emission of the Special Mode traffic handed to the model:
// (EmFactorHeavy × TrafficHeavy + EmFactorLight × TrafficLight) × 0.53 / 3.6,
// g/km and vehicles/h in, the model's emission unit out.
double specialModeEmissionTerm(double emFactorLight, double trafficLight, double emFactorHeavy,
                               double trafficHeavy);

// The most wind directions one sweep computes: a step of 0.1 degree around
// the whole circle. A sweep asking for more is refused before anything is
// allocated (a tiny step or a huge range would run for hours and fill the
// memory with result lines).
inline constexpr double kMaxSpecialModeDirections = 3600;

// The number of directions of a sweep from start to end (end + 360 when
// end < start), end excluded, by step; 0 when step <= 0 or a value is not
// finite. A double, so that any range and step can be judged.
double specialModeDirectionCount(double start, double end, double step);

// The directions of that sweep: the direction as computed (may exceed 360).
// Empty when the count is 0 or above kMaxSpecialModeDirections.
// shownDirection() gives the direction as written (d - 360 above 360).
std::vector<double> specialModeDirections(double start, double end, double step);
double shownDirection(double d);

// Runs Special Mode over the state's street, Special Mode traffic, background
// (ppb), meteorology, winds and options. Messages and the turbulence question
// go through `ui`; `control` is checked once per case (pause waits, stop ends
// after writing what was computed, a stop while paused writes nothing); the
// result files are put in place together at the end; `observer` (may be null) gets the
// progress: fraction of directions done and the text "<wind speed>\t<direction>".
// Refuses, before any file is touched: a route or multi-street project (it
// has no street of its own), a negative or undefined wind speed, a
// direction step of 0 or less when there is a direction to compute, values
// that are not numbers, more than kMaxSpecialModeDirections directions; and,
// before the first case, as a time-series run refuses its outputs before its
// first hour (OpenOutputText), a result file that may not be replaced (a
// read-only one, another user's that could not be put back, no regular file).
// Sets EmissionTermSM.
SpecialModeOutcome RunSpecialMode(State &state, Interaction &ui, RunControl &control,
                                  RunObserver *observer = nullptr);

} // namespace vesk
