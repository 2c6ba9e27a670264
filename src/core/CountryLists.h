#pragma once

// Loading the reference lists of the current country and the shared
// variable catalogues into the state, changing the country, applying a
// scenario year chosen in a year box, and reading the limit values.

#include "core/Interaction.h"
#include "core/State.h"

#include <string>
#include <vector>

namespace vesk {

// Loads, as one sequence, Pollutants.lst, Scenarios.lst, UrbEmi.lst,
// UrbEmiFiles.lst, DateNames.lst, PercDef.lst and LimValDef.lst from ListsDir
// and StatVarNew.lst, InputVarNew.lst and OutputVarNew.lst from
// SharedListsDir, and builds the variable catalogue and StatVarList (the
// results of an earlier run are gone). It also empties the per-pollutant
// project settings (InputUnit, OutputUnit, AvSource, PercSource, Run8Source,
// DailySource, ShowPol; sized 0..NPol), sets ScenarioYear to -1, empties
// VehicleListFile and FuelListFile, and clamps CurrentYear to the scenario
// years, choosing DefaultVehicleListFile and DefaultFuelListFile.
//
// changeTo, when given, is a country chosen in the country box: a name equal
// to LoadedCountry (letter case ignored) reloads nothing; another name of
// CountryList becomes the current and default country with its folders.
//
// Everything is read into fresh tables first: on failure the state is left
// exactly as it was (lists, country, folders, default mark) and false is
// returned. On a country change the failure is shown as a critical message
// ending "Can't change the Country Settings"; otherwise nothing is shown and
// ErrorCode holds the failure's number (62 end of file inside a record, 53
// missing file, 13 malformed field, 457 duplicate name, 5 other) with *error
// its text. *listFileName receives the path of each list as it is opened, so
// it names the failing file. A pollutant of UrbEmiFiles.lst or LimValDef.lst
// that is not in the pollutant list, and a damaged LimValDef.lst, give their
// own messages without ending the load.
bool LoadCountryLists(State &state, Interaction &ui, std::string *listFileName = nullptr,
                      const std::string *changeTo = nullptr, std::string *error = nullptr);

// Reads LimValDef.lst of ListsDir again (the limit-value editor after a
// restore). The tables are replaced only when the whole file could be read;
// a failure is shown as a message and leaves them as they were.
bool ReadLimitValues(State &state, Interaction &ui);

// What the year box must do after ChangeScenarioYear.
struct YearBoxChange {
    bool Changed = false;             // another scenario year was applied
    bool removeUserYearEntry = false; // remove the box entry at index StdYearCount
    bool reselectLoadedYear = false;  // select "[" & LoadedScenarioYear & "]" again
};

// Applies the year box's new selection (its text and 0-based list index).
// The same text as ScenarioYearText changes nothing. When the loaded year's
// fleet data exist only in memory (LoadedScenarioYear = UnsavedFleetYear) the
// user is asked first; No keeps the loaded year. Otherwise ScenarioYear,
// LoadedScenarioYear and ScenarioYearText follow the box, and the vehicle and
// fuel list files those of the chosen entry.
YearBoxChange ChangeScenarioYear(State &state, Interaction &ui, const std::string &boxText, int listIndex);

// Writes Countries.ini in AppDir: the header "Country Code Default" and one
// record per country of CountryList, the current country flagged default.
bool SaveCountriesIni(const State &state, std::string *error);

// Writes appDir's Countries.ini with the given records and default flags, in
// their order. The file is replaced through a temporary file, so a failed
// write leaves the old one whole (false, *error says why).
bool WriteCountriesIni(const std::string &appDir, const std::vector<CountryItem> &records,
                       std::string *error);

} // namespace vesk
