#pragma once

// Project-level flags of the main window that the engine reads or writes:
// the command line, the load outcome, the calculation period, the save state
// of the traffic file and the recent-files list. The GUI copies its period
// boxes into the period fields before a run; the batch entry fills them from
// the command line.

#include <string>
#include <vector>

namespace vesk {

// A calendar day of the calculation period (no time of day; the hour is kept
// apart, 0..24). year 0 = not set.
struct PeriodDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool isSet() const { return year != 0; }
    friend bool operator==(const PeriodDate &, const PeriodDate &) = default;
};

inline constexpr int kMaxRecentFiles = 4;

struct MainFormState {
    // Command line.
    bool BatchMode = false;    // a batch run was asked for (flag > 0)
    double TrailingValue = -1; // third command-line item or the project's last line; -1 = none

    // Calculation period. StartAuto/EndAuto are the "Auto" ticks: set, the
    // period starts (ends) with the data.
    bool StartAuto = true, EndAuto = true;
    PeriodDate StartDate, EndDate;
    int StartHour = 0, EndHour = 0;
    bool DateError = false, HourError = false;

    // Project loading and lifecycle.
    bool LoadFailed = false;        // the last load was abandoned
    bool UntitledProject = false;   // loaded from the template; first save asks for a name
    std::string ProjectCountry;     // country named in the project's first line ("" = none)
    bool NoLocalOptionFile = false; // the program-wide Run.opt was read
    bool NewProjectPending = false;
    bool ProjectTypeCancelled = false;
    // The concentration units dialog: input units may be chosen (set by its
    // callers before it opens), and the user confirmed the units with OK.
    bool InputUnitsEditable = false;
    bool UnitsConfirmed = false;
    bool TrafficFileSaved = true;   // the traffic file has no unsaved edits
    bool TrafficFileOpened = false; // opened in the traffic editor since loading
    bool TrafficReloadNeeded = false;
    bool ReadTrafficOnly = false;
    std::string LastPath; // last working folder (settings "Files"/"LastPath")
    std::string LastInputDir, LastTrafficDir;
    std::string ViewFilePath; // file the text editor opens
    std::vector<int> EmitterPollutantIndices;

    // Street sketch view, reset by every load.
    double ViewZoom = 1, ViewAngle = 0, ViewHeight = 100;
    int SketchFontSize = 0; // 0 = automatic

    // Special Mode wind editing and the text editor.
    int WindEditMode = 0;
    int TextEditorMaxLines = 100;

    // Recent files, newest first; MRULastIndex = size - 1 (-1 = empty).
    std::vector<std::string> MRUFiles;
    int MRULastIndex = -1;
    bool OpenFromRecent = false;
    std::string RecentFilePath;
};

} // namespace vesk
