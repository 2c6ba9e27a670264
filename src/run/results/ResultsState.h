#pragma once

// Program-wide variables of the results window: which statistics columns the
// results table hides, and the hand-over between the main window and the
// results window. See core/State.h.
//
// The percentile flags run 1..count (entry 0 unused) like the percentile
// tables they belong to; a flag beyond the end of its vector counts as not
// hidden. Every column is shown until the column dialog hides it.

#include <vector>

namespace vesk {

struct ResultsViewState {
    bool HideColAvHourly = false, HideColMaxHourly = false, HideColDCHourly = false;
    bool HideColMaxRun8 = false, HideColDCRun8 = false;
    bool HideColMaxDaily = false, HideColDCDaily = false;
    std::vector<bool> HideColPercHourly, HideColPercRun8, HideColPercDaily;

    // True while the results window shows a table read from a result file.
    bool ResultsFromFile = false;
    // Set by the main window before it opens the results window on a saved file.
    bool OpenSavedResults = false;
};

} // namespace vesk
