#pragma once

// The one-time start-up of the program state.

#include "core/Interaction.h"
#include "core/Settings.h"
#include "project/ProjectState.h"

#include <functional>
#include <string>

namespace vesk {

// Shows the countries dialog at first start (no default country in
// Countries.ini). It lists CountryList with an "Add New" entry; choosing a
// country sets CurrentCountry and CountryCode (and rewrites Countries.ini,
// see SaveCountriesIni); cancelling leaves CurrentCountry empty.
using CountryChooser = std::function<void(CoreState &)>;

// Sets up the start-up state: the program folder programDir becomes AppDir,
// Countries.ini picks the current country (at first start the countries
// added earlier, settings "NewCountries"/"Country Names", join the list and
// chooseCountry asks), the national and shared folders follow, MathPars.ini,
// StVehTypes.lst and StFuels.lst are read, ModelEnv is configured, the
// defaults and sketch colours are set, and LoadCountryLists loads the
// country's lists. CurrentYear starts as the calendar year when it is 0.
//
// On failure ErrorCode is 100 (the program is to stop) and one critical
// message beginning "Can't start the program" names the reason; no message
// when the first-start choice was cancelled. Returns false then.
bool InitProgram(ProjectState &state, const std::string &programDir, Interaction &ui, Settings &settings,
                 const CountryChooser &chooseCountry);

} // namespace vesk
