#pragma once

// Loading a project file and its option file into the state.
//
// The project file and Run.opt are read into the stored copies (Stored*) and
// the single-copy values; only a load that reaches its end copies the stored
// values into the working ones. Print lines are split at blanks (a "," inside
// a number is read as a decimal point); header lines are kept whole; record
// lines are read as comma-separated records.

#include "core/Interaction.h"

#include <string>

namespace vesk {

struct ProjectState;

enum class LoadOutcome {
    Loaded,    // the project is open
    Failed,    // loading was abandoned (LoadFailed is set); a message was shown
    Cancelled, // the user declined to go on (LoadFailed is set too)
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::Failed;
    // The user asked to edit the damaged file: the caller opens ViewFilePath
    // in the text editor.
    bool editRequested = false;
};

// Loads the project named by ProjectFile. With UntitledProject set the file
// is the template: WorkDir is kept, the unit block is not read and no
// question about missing input files is asked. Questions and messages go
// through ui. The default answers, which a batch run takes:
//   another country than the current one ........ OK (go on loading)
//   no file records: continue with Special Mode ... Yes
//   damaged file: edit it? ........................ No (the load fails)
//   damaged local Run.opt: replace it? ............ No (the load fails)
//
// On success: the working set, file lists and options describe the project,
// WorkDir is the project's folder, TrailingValue holds the file's last line
// unless it was already above 0, ProjectChanged is untouched.
LoadResult LoadProject(ProjectState &s, Interaction &ui);

// Copies the stored parameters (Stored* of the project file and Run.opt) into
// the working set.
void copyStoredToWorking(ProjectState &s);

// Empties the file lists and single files of the project, and marks the
// emission set-up of the vehicle and fuel lists as not done.
void clearProjectFiles(ProjectState &s);

} // namespace vesk
