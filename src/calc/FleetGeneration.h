#pragma once

// Fleet data for a scenario year that the country's Scenarios.lst does not
// list, generated in memory from the vehicle and fuel lists it does list
// (docs/formats.md, "Fleet data of other scenario years"), and the scenario
// year choice of the new-project dialog that offers them.
//
// Generated data live only in the emission component: VehicleListFile then
// holds "[data created, not saved: Year <year>]" and FleetDataUnsaved is set,
// so the rest of the program knows that no file holds them.

#include "platform/emission/ListDocuments.h"

#include <string>
#include <vector>

namespace vesk {

struct CalcState;
struct ReferenceTables;
class Interaction;

// The vehicle list name that marks generated fleet data of year.
std::string generatedFleetName(int year);

// What the rule gives for a year: the vehicle list (country and year set to
// the year asked for), the file of the listed list it was made from (its
// factor file is looked for from there), and the listed fuel list taken
// unchanged (its name as Scenarios.lst stores it and its full path).
struct GeneratedFleet {
    VehicleListDocument vehicles;
    std::string basePath;
    std::string fuelListFile;
    std::string fuelListPath;
};

// Applies the rule to the scenario lists of state: between two listed years
// each category's technology shares are interpolated linearly in the year
// (a technology missing from one list counts 0 % there); before the first or
// after the last listed year the nearest listed year's list is taken as it
// stands. The fuel list is that of the latest listed year not after year (the
// first listed year's before it). The year must lie within the fleet
// database's range (FleetFirstYear..FleetLastYear) and not be listed itself.
// False with a message when the year is outside the range, a list cannot be
// read, or two neighbouring lists do not have the same categories.
bool generateFleetLists(const CalcState &state, int year, GeneratedFleet *fleet, std::string *error);

// Generates the year's fleet data and sets the emissions up with them:
// VehicleListFile the generated name, FuelListFile the fuel list of the
// rule, FleetDataUnsaved, EmissionReady and the emitters set, ScenarioYear,
// LoadedScenarioYear and ScenarioYearText the year. On failure (message in
// *error) nothing changes: the previous year, lists and emission set-up stay.
bool GenerateFleetYear(CalcState &state, int year, std::string *error);

// One entry of the new-project dialog's year box, with its tip.
struct ScenarioYearItem {
    int year = 0;
    std::string tip; // "Data available" or "Data not available. Can be generated"
};

// Without a fleet database every listed scenario year; with one every year
// of its range, the listed years marked "Data available".
std::vector<ScenarioYearItem> scenarioYearItems(const ReferenceTables &tables);

enum class YearChoice {
    Unchanged, // the year whose lists are loaded was chosen again
    Listed,    // a year of Scenarios.lst: its vehicle and fuel lists are the project's
    Generated, // fleet data were generated for the year
    Declined,  // the user did not want them generated: the previous year stays
    Failed,    // generating failed (reported): the previous year stays
};

// The year box of the new-project dialog chose year. A listed year takes its
// lists; any other year asks whether its fleet data are to be generated. After
// Declined and Failed ScenarioYear is LoadedScenarioYear again, which the box
// selects again.
YearChoice chooseScenarioYear(CalcState &state, Interaction &ui, int year);

} // namespace vesk
