#include "calc/FleetGeneration.h"

#include "calc/CalcState.h"
#include "calc/EmissionSetup.h"
#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/TextIO.h"

#include <cmath>

namespace vesk {

namespace {

struct Listed {
    int year = 0;
    std::string vehicleFile, fuelFile; // as Scenarios.lst stores them
};

std::vector<Listed> listedYears(const CalcState &s) {
    std::vector<Listed> out;
    for (int i = 1; i <= s.ScenarioCount && i < static_cast<int>(s.ScenarioYears.size()); ++i) {
        Listed l;
        l.year = s.ScenarioYears[i];
        l.vehicleFile = i < static_cast<int>(s.ScenarioVehicleFiles.size()) ? s.ScenarioVehicleFiles[i] : "";
        l.fuelFile = i < static_cast<int>(s.ScenarioFuelFiles.size()) ? s.ScenarioFuelFiles[i] : "";
        out.push_back(std::move(l));
    }
    return out;
}

std::string listPath(const CalcState &s, const std::string &stored) {
    return findStoredInput(stored, s.WorkDir, s.ListsDir, s.AppDir);
}

bool sameCategories(const VehicleListDocument &a, const VehicleListDocument &b) {
    if (a.categories.size() != b.categories.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.categories.size(); ++i) {
        if (!iequals(a.categories[i].name, b.categories[i].name)) {
            return false;
        }
    }
    return true;
}

// share(year) = share0 + (share1 - share0) * w, technology by technology; the
// technologies of the earlier list first, in their order, then those only the
// later list has.
std::vector<FleetShareDefinition> interpolatedShares(const VehicleListDocument &earlier,
                                                     const VehicleListDocument &later, double w) {
    std::vector<FleetShareDefinition> out;
    for (const VehicleCategoryDefinition &c : earlier.categories) {
        const auto first = earlier.sharesOf(c.name);
        const auto second = later.sharesOf(c.name);
        auto shareIn = [](const std::vector<const FleetShareDefinition *> &shares, const std::string &tech) {
            for (const FleetShareDefinition *s : shares) {
                if (iequals(s->technology, tech)) {
                    return s->percent;
                }
            }
            return 0.0;
        };
        std::vector<std::string> technologies;
        for (const auto *list : {&first, &second}) {
            for (const FleetShareDefinition *s : *list) {
                bool known = false;
                for (const std::string &t : technologies) {
                    known = known || iequals(t, s->technology);
                }
                if (!known) {
                    technologies.push_back(s->technology);
                }
            }
        }
        for (const std::string &tech : technologies) {
            const double a = shareIn(first, tech);
            const double b = shareIn(second, tech);
            const double share = a + (b - a) * w;
            if (share > 0) {
                // Three decimals are plenty for a share in per cent.
                out.push_back({c.name, tech, std::round(share * 1000.0) / 1000.0, 0});
            }
        }
    }
    return out;
}

} // namespace

std::string generatedFleetName(int year) {
    return "[data created, not saved: Year " + std::to_string(year) + "]";
}

bool generateFleetLists(const CalcState &s, int year, GeneratedFleet *fleet, std::string *error) {
    const std::vector<Listed> listed = listedYears(s);
    if (listed.empty()) {
        *error = "The country lists no scenario year to generate fleet data from.";
        return false;
    }
    if (s.FleetDatabase.empty() || year < s.FleetFirstYear || year > s.FleetLastYear) {
        *error = "Fleet data can be generated only for the years " + std::to_string(s.FleetFirstYear) +
                 " to " + std::to_string(s.FleetLastYear) + ".";
        if (s.FleetDatabase.empty()) {
            *error = "The country has no fleet data from which other years can be generated.";
        }
        return false;
    }
    const Listed *before = nullptr;
    const Listed *after = nullptr;
    for (const Listed &l : listed) {
        if (l.year == year) {
            *error = "The year " + std::to_string(year) + " has its own vehicle and fuel lists.";
            return false;
        }
        if (l.year < year && (!before || l.year > before->year)) {
            before = &l;
        }
        if (l.year > year && (!after || l.year < after->year)) {
            after = &l;
        }
    }
    const Listed &base = before ? *before : *after;
    // The lists read below: one on a drive of Windows is read nowhere (not in
    // the folder the program was started from).
    const std::pair<const Listed *, bool> read[] = {
        {&base, true}, {&base, false}, {before ? after : nullptr, true}};
    for (const auto &[l, vehicles] : read) {
        const std::string *name = l ? (vehicles ? &l->vehicleFile : &l->fuelFile) : nullptr;
        if (name && hasDriveLetter(*name)) {
            *error = driveLetterRefusal(*name, std::string(vehicles ? "the vehicle list" : "the fuel list") +
                                                   " of the scenario year " + std::to_string(l->year));
            return false;
        }
    }
    VehicleListDocument baseList;
    fleet->basePath = listPath(s, base.vehicleFile);
    if (!readVehicleListDocument(fleet->basePath, &baseList, error)) {
        return false;
    }
    if (before && after) {
        VehicleListDocument laterList;
        if (!readVehicleListDocument(listPath(s, after->vehicleFile), &laterList, error)) {
            return false;
        }
        if (!sameCategories(baseList, laterList)) {
            *error = "The vehicle lists of " + std::to_string(before->year) + " and " +
                     std::to_string(after->year) + " do not have the same vehicle categories.";
            return false;
        }
        const double w = static_cast<double>(year - before->year) / (after->year - before->year);
        baseList.fleet = interpolatedShares(baseList, laterList, w);
    }
    baseList.year = year;
    baseList.headerLines = {"\"Fleet data of " + std::to_string(year) + ", generated from the lists of " +
                            (before && after
                                 ? std::to_string(before->year) + " and " + std::to_string(after->year)
                                 : std::to_string(base.year)) +
                            ".\""};
    for (FleetShareDefinition &share : baseList.fleet) {
        share.line = 0;
    }
    fleet->vehicles = std::move(baseList);
    fleet->fuelListFile = base.fuelFile;
    fleet->fuelListPath = listPath(s, base.fuelFile);
    return true;
}

bool GenerateFleetYear(CalcState &s, int year, std::string *error) {
    GeneratedFleet fleet;
    if (!generateFleetLists(s, year, &fleet, error)) {
        return false;
    }
    FuelListDocument fuels;
    if (!readFuelListDocument(fleet.fuelListPath, &fuels, error)) {
        return false;
    }
    const EmissionFolders folders{s.WorkDir, s.TrafficDir, s.EmissionDir, s.SharedEmissionDir};
    const std::string factorPath = EmissionFactorFilePath(fleet.vehicles.factorFile, fleet.basePath, folders);
    FactorTableDocument factors;
    if (!readFactorTableDocument(factorPath, &factors, error)) {
        return false;
    }
    const std::string name = generatedFleetName(year);
    std::vector<int> emitters;
    if (!s.EmissionComponent.InitialiseFromDocuments(fleet.vehicles, name, fuels, fleet.fuelListPath, factors,
                                                     factorPath, EmissionPollutants(s), &emitters, error)) {
        return false;
    }
    s.EmitterIndex.assign(1, 0);
    s.EmitterIndex.insert(s.EmitterIndex.end(), emitters.begin(), emitters.end());
    s.EmitterCount = static_cast<int>(emitters.size());
    s.EmissionReady = true;
    s.StdEmissionSetup = false;
    s.EmissionInitError = 0;
    s.FleetDataUnsaved = true;
    s.VehicleListFile = name;
    s.VehicleListPath = name;
    s.FuelListFile = fleet.fuelListFile;
    s.FuelListPath = fleet.fuelListPath;
    s.ScenarioYear = year;
    s.LoadedScenarioYear = year;
    s.ScenarioYearText = std::to_string(year);
    return true;
}

std::vector<ScenarioYearItem> scenarioYearItems(const ReferenceTables &t) {
    std::vector<ScenarioYearItem> items;
    auto listed = [&t](int year) {
        for (int i = 1; i <= t.ScenarioCount && i < static_cast<int>(t.ScenarioYears.size()); ++i) {
            if (t.ScenarioYears[i] == year) {
                return true;
            }
        }
        return false;
    };
    if (t.FleetDatabase.empty()) {
        for (int i = 1; i <= t.ScenarioCount && i < static_cast<int>(t.ScenarioYears.size()); ++i) {
            items.push_back({t.ScenarioYears[i], "Data available"});
        }
        return items;
    }
    for (int year = t.FleetFirstYear; year <= t.FleetLastYear; ++year) {
        items.push_back({year, listed(year) ? "Data available" : "Data not available. Can be generated"});
    }
    return items;
}

YearChoice chooseScenarioYear(CalcState &s, Interaction &ui, int year) {
    s.ScenarioYear = year;
    if (year == s.LoadedScenarioYear) {
        return YearChoice::Unchanged;
    }
    for (int i = 1; i <= s.ScenarioCount && i < static_cast<int>(s.ScenarioYears.size()); ++i) {
        if (s.ScenarioYears[i] != year) {
            continue;
        }
        s.VehicleListFile =
            i < static_cast<int>(s.ScenarioVehicleFiles.size()) ? s.ScenarioVehicleFiles[i] : "";
        s.FuelListFile = i < static_cast<int>(s.ScenarioFuelFiles.size()) ? s.ScenarioFuelFiles[i] : "";
        s.FleetDataUnsaved = false;
        s.EmissionReady = false; // the next set-up reads the year's lists
        s.LoadedScenarioYear = year;
        s.ScenarioYearText = std::to_string(year);
        return YearChoice::Listed;
    }
    const std::string text =
        "There are currently no Fleet Share data available for the Scenario Year " + std::to_string(year) +
        kCrLf + "Do you want the data to be generated now?" + kCrLf + kCrLf +
        "Note, that these data will not be saved to a permanent file, and that you can use them only within "
        "the current project!" +
        kCrLf + "To create permanent data use the Tarvik program.";
    if (ui.question(text, Buttons::YesNo, Icon::Information, Answer::No) != Answer::Yes) {
        s.ScenarioYear = s.LoadedScenarioYear;
        return YearChoice::Declined;
    }
    std::string error;
    if (!GenerateFleetYear(s, year, &error)) {
        ui.message("The Fleet Share data of the Scenario Year " + std::to_string(year) +
                       " could not be generated." + kCrLf + error,
                   Icon::Critical);
        s.ScenarioYear = s.LoadedScenarioYear;
        return YearChoice::Failed;
    }
    return YearChoice::Generated;
}

} // namespace vesk
