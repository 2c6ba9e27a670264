#pragma once

// Loading the reference lists of the current country and the shared
// variable catalogues into the state, changing the country and reading the
// limit values.

#include "core/CoreState.h"
#include "core/Interaction.h"

#include <string>
#include <vector>

namespace vesk {

// Loads, as one sequence, Pollutants.lst, Scenarios.lst, UrbEmi.lst,
// UrbEmiFiles.lst, DateNames.lst, PercDef.lst and LimValDef.lst from ListsDir
// and StatVarNew.lst, InputVarNew.lst and OutputVarNew.lst from
// SharedListsDir, and builds the variable catalogue and StatVarList (the
// results of an earlier run are gone). It clamps CurrentYear to the scenario
// years, choosing DefaultVehicleListFile and DefaultFuelListFile. The
// project's values that follow the lists are reset by LoadProjectCountryLists
// (project/ProjectCountry.h), which the program calls.
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
bool LoadCountryLists(CoreState &state, Interaction &ui, std::string *listFileName = nullptr,
                      const std::string *changeTo = nullptr, std::string *error = nullptr);

// Reads LimValDef.lst of ListsDir again (the limit-value editor after a
// restore). The tables are replaced only when the whole file could be read;
// a failure is shown as a message and leaves them as they were.
bool ReadLimitValues(CoreState &state, Interaction &ui);

// Writes Countries.ini in AppDir: the header "Country Code Default" and one
// record per country of CountryList, the current country flagged default.
bool SaveCountriesIni(const CoreState &state, std::string *error);

// Writes appDir's Countries.ini with the given records and default flags, in
// their order. The file is replaced through a temporary file, so a failed
// write leaves the old one whole (false, *error says why).
bool WriteCountriesIni(const std::string &appDir, const std::vector<CountryItem> &records,
                       std::string *error);

} // namespace vesk
