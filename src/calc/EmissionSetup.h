#pragma once

// The emission set-up of a project: makes the emission component ready for
// the project's vehicle list and fuel list, checks the vehicle list's country,
// picks the scenario year entry, and adds one traffic-count and one emission
// variable per vehicle category to the variable catalogues.
//
// The engine part only: what the main window shows (the status list, the
// year box, the catalyst share box, the pointer) comes back in the result.

#include "platform/emission/EmissionTypes.h"

#include <string>
#include <vector>

namespace vesk {

struct CalcState;
class Interaction;

struct EmissionSetupResult {
    bool cancelled = false;   // the user refused a vehicle list of another country
    bool failed = false;      // the component could not be initialised (message shown)
    bool initialised = false; // the component read the lists during this call
    // Year box: select entry yearListIndex (0-based, -1 = leave it); when
    // addYearItem is set, first append the item yearItemText.
    int yearListIndex = -1;
    bool addYearItem = false;
    std::string yearItemText;
    std::string catalystText; // the catalyst share, e.g. "35.0%"; empty = leave the box
    bool catalogueRebuilt = false;
    // Long names of the emitting pollutants for the status list (when rebuilt).
    std::vector<std::string> emitterLongNames;
};

// The full path of a stored vehicle or fuel list name: a name holding "["
// (generated fleet data) stays as it is; a bare name lies in WorkDir, ".\"
// names in ListsDir, anything else is a full path.
std::string ListFilePath(const CalcState &state, const std::string &stored);

// Every pollutant of the country as the emission component is told about it.
std::vector<EmissionPollutant> EmissionPollutants(const CalcState &state);

// Sets the emissions up for VehicleListFile and FuelListFile (standard
// vehicle types when either is empty). Messages and the country question go
// through ui; a list named with a drive letter is refused with nothing read
// (failed). Updates EmissionReady, StdEmissionSetup, EmissionInitError,
// EmitterIndex/EmitterCount, the scenario year state and the catalogues.
EmissionSetupResult InitEmissions(CalcState &state, Interaction &ui);

} // namespace vesk
