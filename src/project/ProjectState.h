#pragma once

// Program-wide variables of the project: the open project file, its file
// lists, the options of Run.opt, and the main window's project-level flags
// that the engine reads, above the core part. See run/State.h.
//
// The parts below are inherited by ProjectState, so every name is used flat
// (state.StreetName, state.InputVarLists[i], state.BatchMode).
//
// Indexing: the file tables run 1..kMaxFilesPerKind (entry 0 unused), the
// wind-sector tables 1..kMaxSectors, the wind speeds 1..kMaxWindSpeeds, and
// the per-pollutant vectors 0..NPol (sized when the country lists or a
// project are loaded).

#include "core/CoreState.h"
#include "project/MainFormState.h"
#include "project/OptionState.h"
#include "project/ProjectFileState.h"

namespace vesk {

struct ProjectState : CoreState, ProjectFileState, FileListState, OptionState, MainFormState {
    // Read by the run every hour: the cross-side correction threshold is the
    // third command-line item or the project's last line (TrailingValue).
    double CorrectionThreshold() const { return TrailingValue; }
    // True when the command line asked for a batch run.
    bool BatchRun() const { return BatchMode; }
};

} // namespace vesk
