#include "calc/EmissionSetup.h"

#include "calc/CalcState.h"
#include "core/Interaction.h"
#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/TextIO.h"

#include <cstdio>
#include <filesystem>

namespace vesk {

namespace {

std::string unquote(std::string s) {
    s = trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
        s = s.substr(1, s.size() - 2);
    }
    return trim(s);
}

std::string normalisedPath(const std::string &path) {
    return toLower(nativePath(path));
}

// Step 2: the standard vehicle types stand in for the missing list files.
void standardSetup(CalcState &s) {
    s.EmissionInitError = 0;
    s.StdEmissionSetup = true;
    // The component no longer holds the categories of any list files.
    s.EmissionReady = false;
    std::vector<VehicleCategory> types;
    for (int i = 1; i <= s.StVehTypeCount && i < static_cast<int>(s.StVehTypeNames.size()); ++i) {
        VehicleCategory c;
        c.Name = s.StVehTypeNames[i];
        c.VehicleLongName = i < static_cast<int>(s.StVehTypeLongNames.size()) ? s.StVehTypeLongNames[i] : "";
        c.vLengthClass = i < static_cast<int>(s.StVehTypeLengthClass.size()) ? s.StVehTypeLengthClass[i] : 1;
        types.push_back(std::move(c));
    }
    s.EmissionComponent.SetStandardCategories(types, EmissionPollutants(s));
    s.EmitterIndex.assign(1, 0);
    s.EmitterCount = 0;
    for (int i = 0; i <= s.NPol && i < static_cast<int>(s.PollutantList.size()); ++i) {
        const Pollutant &p = s.PollutantList.at(static_cast<size_t>(i));
        if (p.Emitter) {
            s.EmitterIndex.push_back(p.Index);
            ++s.EmitterCount;
        }
    }
}

// Step 3.3: the year box entry of the vehicle list.
void chooseYearEntry(CalcState &s, int fileYear, EmissionSetupResult *result) {
    for (int i = 1; i <= s.YearItemCount && i < static_cast<int>(s.ScenarioVehicleFiles.size()); ++i) {
        // The entry's file, found where the run reads the list.
        const std::string listed = ListFilePath(s, s.ScenarioVehicleFiles[i]);
        if (normalisedPath(listed) != normalisedPath(s.VehicleListPath)) {
            continue;
        }
        if (i > s.StdYearCount && i < static_cast<int>(s.ScenarioFuelFiles.size())) {
            s.ScenarioFuelFiles[i] = s.FuelListFile;
        }
        s.ScenarioYear = fileYear;
        s.LoadedScenarioYear = fileYear;
        result->yearListIndex = i - 1;
        s.ScenarioYearText =
            i <= s.StdYearCount
                ? std::to_string(s.ScenarioYears.size() > static_cast<size_t>(i) ? s.ScenarioYears[i]
                                                                                 : fileYear)
                : "[" + std::to_string(fileYear) + "]";
        return;
    }
    // Not a scenario of the country: a user year is added and selected. It
    // holds the names as the project stores them, so that choosing it again
    // names the project's own lists, not the full paths of this folder.
    s.ScenarioYear = fileYear;
    s.LoadedScenarioYear = fileYear;
    s.YearItemCount += 1;
    auto grow = [&](auto &v, auto value) {
        v.resize(static_cast<size_t>(s.YearItemCount) + 1);
        v[s.YearItemCount] = value;
    };
    grow(s.ScenarioVehicleFiles, s.VehicleListFile);
    grow(s.ScenarioFuelFiles, s.FuelListFile);
    grow(s.ScenarioYears, fileYear);
    result->addYearItem = true;
    result->yearItemText = "[" + std::to_string(fileYear) + "]";
    result->yearListIndex = s.YearItemCount - 1;
    s.ScenarioYearText = result->yearItemText;
}

// Step 4: "N" + category and "Q" + pollutant + category in both catalogues.
void rebuildCatalogues(CalcState &s, EmissionSetupResult *result) {
    auto resize = [](auto &v, int count) { v.resize(static_cast<size_t>(count) + 1); };
    resize(s.InputVarNames, s.NInputVars);
    resize(s.InputVarDescriptions, s.NInputVars);
    resize(s.OutputVarNames, s.NOutputVars);
    resize(s.OutputVarDescriptions, s.NOutputVars);
    resize(s.OutputVarTypes, s.NOutputVars);
    auto add = [&](const std::string &name, const std::string &description) {
        s.InputVarNames.push_back(name);
        s.InputVarDescriptions.push_back(description);
        s.OutputVarNames.push_back(name);
        s.OutputVarDescriptions.push_back(description);
        s.OutputVarTypes.push_back("float");
    };
    for (const VehicleCategory &c : s.EmissionComponent.VehicleCategories.items) {
        add("N" + c.Name, "Number of " + c.VehicleLongName);
        for (int e = 1; e <= s.EmitterCount; ++e) {
            int p = s.EmitterIndex[e];
            if (p < 0 || p >= static_cast<int>(s.PollutantNames.size())) {
                continue;
            }
            std::string longName =
                p < static_cast<int>(s.PollutantLongNames.size()) ? s.PollutantLongNames[p] : "";
            add("Q" + s.PollutantNames[p] + c.Name, longName + " emission, " + c.VehicleLongName);
        }
    }
    s.OutputVarList.clear();
    for (size_t i = 1; i < s.OutputVarNames.size(); ++i) {
        VESKVar v;
        v.Name = s.OutputVarNames[i];
        v.DataType = s.OutputVarTypes[i];
        s.OutputVarList.add(v.Name, v);
    }
    result->catalogueRebuilt = true;
    for (int e = 1; e <= s.EmitterCount; ++e) {
        int p = s.EmitterIndex[e];
        result->emitterLongNames.push_back(p >= 0 && p < static_cast<int>(s.PollutantLongNames.size())
                                               ? s.PollutantLongNames[p]
                                               : std::string());
    }
}

} // namespace

std::vector<EmissionPollutant> EmissionPollutants(const CalcState &s) {
    std::vector<EmissionPollutant> out;
    for (const Pollutant &p : s.PollutantList) {
        out.push_back({p.Name, p.Index, p.Emitter});
    }
    return out;
}

std::string ListFilePath(const CalcState &state, const std::string &stored) {
    if (stored.find('[') != std::string::npos) {
        return stored;
    }
    return findStoredInput(stored, state.WorkDir, state.ListsDir, state.AppDir);
}

EmissionSetupResult InitEmissions(CalcState &s, Interaction &ui) {
    EmissionSetupResult result;
    s.StdEmissionSetup = false;
    const bool rebuildNames = !s.EmissionReady || s.FleetDataUnsaved;

    if (s.VehicleListFile.empty() || s.FuelListFile.empty()) {
        standardSetup(s);
    } else {
        // A list named on a drive of Windows is read nowhere: the set-up fails before it reads anything.
        for (const auto &[name, field] : {std::pair{&s.VehicleListFile, "the vehicle list"},
                                          std::pair{&s.FuelListFile, "the fuel list"}}) {
            if (hasDriveLetter(*name)) {
                ui.message(driveLetterRefusal(*name, field), Icon::Critical);
                result.failed = true;
                return result;
            }
        }
        s.VehicleListPath = ListFilePath(s, s.VehicleListFile);
        s.FuelListPath = ListFilePath(s, s.FuelListFile);
        if (!s.FleetDataUnsaved) {
            std::string text, error;
            if (!readTextFile(s.VehicleListPath, &text, &error)) {
                ui.message("Can't open the file: " + s.VehicleListPath, Icon::Critical);
                result.failed = true;
                return result;
            }
            auto lines = splitLines(text);
            auto fields = ReadListLine(lines.empty() ? std::string() : lines.front(), s.DecimalSeparator);
            std::string country = fields.empty() ? std::string() : unquote(fields[0]);
            int year = fields.size() < 2 ? 0 : static_cast<int>(roundHalfEven(Val(unquote(fields[1]))));
            if (!iequals(country, s.CountryCode)) {
                Answer answer = ui.question(
                    "The Country setting of the Vehicle List File: " + s.VehicleListFile + kCrLf +
                        "doesn't correspond to the current Country setting!" + kCrLf +
                        "This might result in errors in emission factor calculations." + kCrLf +
                        "It is recommended to close the project and change the Country setting or to select "
                        "another Vehicle List File." +
                        kCrLf + "Do you want to continue with the present Vehicle List File anyhow?",
                    Buttons::YesNo, Icon::Question, Answer::No);
                if (answer != Answer::Yes) {
                    result.cancelled = true;
                    return result;
                }
            }
            chooseYearEntry(s, year, &result);
        }
        if (!s.EmissionReady || s.FleetDataUnsaved) {
            s.EmissionInitError = 0;
            if (!s.FleetDataUnsaved) {
                EmissionFolders folders{s.WorkDir, s.TrafficDir, s.EmissionDir, s.SharedEmissionDir};
                std::vector<int> emitters;
                std::string error;
                if (!s.EmissionComponent.InitialiseEmissions(s.VehicleListPath, s.FuelListPath,
                                                             EmissionPollutants(s), folders, &emitters,
                                                             &error)) {
                    s.EmissionInitError = 1;
                    ui.message(std::string("Error during initialisation of emissions!") + kCrLf + error,
                               Icon::Critical);
                    result.failed = true;
                    return result;
                }
                s.EmitterIndex.assign(1, 0);
                s.EmitterIndex.insert(s.EmitterIndex.end(), emitters.begin(), emitters.end());
                s.EmitterCount = static_cast<int>(emitters.size());
                result.initialised = true;
            }
            s.EmissionReady = true;
            const FleetCollection &fleet = s.EmissionComponent.FleetList;
            if (fleet.Count() > 0) {
                const Fleet &first = fleet.item(1);
                for (int i = 1; i <= first.Categories(); ++i) {
                    if (iequals(first.CategoryName(i), "catalyst")) {
                        char text[32];
                        std::snprintf(text, sizeof text, "%.1f%%", first.FractionCategory(i));
                        result.catalystText = text;
                    }
                }
            }
        }
    }

    if (rebuildNames) {
        rebuildCatalogues(s, &result);
    }
    return result;
}

} // namespace vesk
