#pragma once

// The project's side of the country lists: the project values that follow
// the loaded lists, and the scenario year chosen in the year box.

#include "core/Interaction.h"
#include "project/ProjectState.h"

#include <string>

namespace vesk {

// LoadCountryLists (core/CountryLists.h) and, when it loaded lists, the reset
// of the project values that follow them: the per-pollutant settings
// (InputUnit, OutputUnit, AvSource, PercSource, Run8Source, DailySource,
// ShowPol; emptied and sized 0..NPol), ScenarioYear -1, VehicleListFile and
// FuelListFile empty. A changeTo naming the loaded country reloads and resets
// nothing. Failures as LoadCountryLists; a failed load changes nothing.
bool LoadProjectCountryLists(ProjectState &state, Interaction &ui, std::string *listFileName = nullptr,
                             const std::string *changeTo = nullptr, std::string *error = nullptr);

// Loads the country's lists again after a list editor saved or restored one
// (LoadCountryLists, the country unchanged), keeping the project values the
// state holds: InputUnit, OutputUnit, AvSource, PercSource, Run8Source,
// DailySource and ShowPol follow their pollutants by name (a pollutant new
// to the list takes its standard input and default output unit, no
// statistics, and is shown), and ScenarioYear, VehicleListFile and
// FuelListFile stay. The next run sets the emissions up again. Failures as
// LoadCountryLists: nothing changes, *error says why.
bool ReloadCountryListsKeepingProject(ProjectState &state, Interaction &ui,
                                      std::string *listFileName = nullptr, std::string *error = nullptr);

// What the year box must do after ChangeScenarioYear.
struct YearBoxChange {
    bool Changed = false;             // another scenario year was applied
    bool removeUserYearEntry = false; // remove the box entry at index StdYearCount
    bool reselectLoadedYear = false;  // select "[" & LoadedScenarioYear & "]" again
};

// Applies the year box's new selection (its text and 0-based list index).
// The same text as ScenarioYearText changes nothing, except in a project
// without a vehicle or fuel list: it takes the year's lists. When the loaded year's
// fleet data exist only in memory (LoadedScenarioYear = UnsavedFleetYear) the
// user is asked first; No keeps the loaded year. Otherwise ScenarioYear,
// LoadedScenarioYear and ScenarioYearText follow the box, and the vehicle and
// fuel list files those of the chosen entry.
YearBoxChange ChangeScenarioYear(ProjectState &state, Interaction &ui, const std::string &boxText,
                                 int listIndex);

} // namespace vesk
