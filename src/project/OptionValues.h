#pragma once

// The rules behind the options dialog: the copy of the option values taken
// when the dialog shows them (put back by Cancel, Reset and a discarded
// close), the OK rule for switched-off statistics families, the repair of
// codes that no control can show, and the checks of the typed values.
//
// Typed numbers are read strictly: the whole text must be one number, "," or
// "." as the decimal mark ("1,5" and "1.5" are both 1.5; "abc", "12abc" and
// "" are refused). A refused value never reaches the state: the caller keeps
// the former value and the box stays marked until a value is accepted.

#include "core/Interaction.h"

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct ProjectState;

// The option values the dialog edits, as they were when it showed them.
struct OptionSnapshot {
    int CalcNO2 = 0;
    double BackgroundNOx = 0, BackgroundNO2 = 0, BackgroundO3 = 0, AirTemperature = 0, GlobalRadiation = 0;
    int WindIntegration = 1;
    bool TrafficTurbulence = true, NoWindAcceleration = false;
    int NormWindScale = 0, NormLengthScale = 0;
    bool Normalise = false;
    bool CalcPerc = false, CalcRun8 = false, CalcDaily = false, CalcOnlyIfBoth = false;
    int PercMode = 0, Run8PercMode = 0, DailyPercMode = 0;
    int MinNobs8 = 0, MinDailyMax = 0, MinNobsDay = 0;
    bool ShowResultsAuto = false, ShowOnlyIfLV = false;
    int ShowLimitValMode = 0;
    std::vector<int> PercSource, Run8Source, AvSource, DailySource;
    std::vector<bool> ShowPol;
    bool OptionFileChanged = false;
};

OptionSnapshot takeOptionSnapshot(const ProjectState &s);
// Writes every value of the copy back, OptionFileChanged last.
void restoreOptionSnapshot(ProjectState &s, const OptionSnapshot &copy);

// The OK rule: a switched-off family (CalcPerc, CalcRun8, CalcDaily) loses
// its per-pollutant choices (set to 0, "None"); the annual averages keep theirs.
void applyOptionsOk(ProjectState &s);

// Sizes the per-pollutant choices to 0..NPol (missing entries: 0 and shown)
// and resets every code that lies outside its range to a valid default:
// CalcNO2 0/1 (1), display modes 0/1 (0), ShowLimitValMode 0..2 (0),
// per-pollutant choices 0..3 (3), scales 0..2 (wind 2, length 1), minimum
// counts 1..8 / 1..24 (6, 18, 18). Returns one readable line per value
// reset ("" entries never); an empty result means every code was valid.
// OptionFileChanged is set when anything was reset.
std::vector<std::string> repairOptionCodes(ProjectState &s);

// repairOptionCodes, telling the user what was reset in one message headed
// "Error in Option Data" (title "Option File"). True when nothing was reset.
bool repairAndReportOptionCodes(ProjectState &s, Interaction &ui);

// The outcome of checking one typed value.
struct ValueCheck {
    bool accepted = false;
    double value = 0;    // the value read (meaningful when accepted)
    std::string message; // the refusal shown to the user ("" when accepted)
};

// A minimum-count box: a whole number (halves to the even neighbour) from 1
// to upper (8 for the running 8-hour minimum, 24 for the other two).
// Messages: "The value entered is not valid", "The value must be between 1
// and <upper>".
ValueCheck checkMinimumCount(std::string_view text, int upper);

// One value box of the NO2 tab, index 1 NOx background, 2 NO2 background,
// 3 O3 background (ppb), 4 air temperature (°C), 5 global radiation (W/m²).
// noxBackground and no2Background are the current other backgrounds, used
// for the NO2 <= NOx rule (equal values are accepted). Messages: "Value is
// not specified" (empty), "The value entered is not valid", "The value must
// be >=0" (box 1), "The value  must be >=0" (boxes 2, 3, 5), "NOX Background
// must not be smaller than NO2 Background" (box 1), "NO2 Background must not
// be larger than NOX Background" (box 2).
ValueCheck checkNO2TabValue(int index, std::string_view text, double noxBackground, double no2Background);

} // namespace vesk
