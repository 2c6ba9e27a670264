#include "project/ProjectCountry.h"

#include "core/CountryLists.h"
#include "core/Numbers.h"
#include "core/TextIO.h"

#include <map>

namespace vesk {

bool LoadProjectCountryLists(ProjectState &state, Interaction &ui, std::string *listFileName,
                             const std::string *changeTo, std::string *error) {
    if (changeTo != nullptr && iequals(*changeTo, state.LoadedCountry)) {
        return true;
    }
    if (!LoadCountryLists(state, ui, listFileName, changeTo, error)) {
        return false;
    }
    state.ScenarioYear = -1;
    state.VehicleListFile.clear();
    state.FuelListFile.clear();
    const std::size_t n = static_cast<std::size_t>(state.NPol + 1);
    state.InputUnit.assign(n, std::string());
    state.OutputUnit.assign(n, std::string());
    state.AvSource.assign(n, 0);
    state.PercSource.assign(n, 0);
    state.Run8Source.assign(n, 0);
    state.DailySource.assign(n, 0);
    state.ShowPol.assign(n, false);
    return true;
}

bool ReloadCountryListsKeepingProject(ProjectState &state, Interaction &ui, std::string *listFileName,
                                      std::string *error) {
    struct Choices {
        std::string input, output;
        int av = 0, perc = 0, run8 = 0, daily = 0;
        bool show = true;
    };
    auto at = [](const auto &v, std::size_t k, auto fallback) { return k < v.size() ? v[k] : fallback; };
    std::map<std::string, Choices> kept; // by pollutant name, letter case ignored
    for (std::size_t k = 0; k < state.PollutantNames.size(); ++k) {
        kept[toLower(state.PollutantNames[k])] = Choices{at(state.InputUnit, k, std::string()),
                                                         at(state.OutputUnit, k, std::string()),
                                                         at(state.AvSource, k, 0),
                                                         at(state.PercSource, k, 0),
                                                         at(state.Run8Source, k, 0),
                                                         at(state.DailySource, k, 0),
                                                         static_cast<bool>(at(state.ShowPol, k, true))};
    }
    if (!LoadCountryLists(state, ui, listFileName, nullptr, error)) {
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(state.NPol + 1);
    state.InputUnit.assign(n, std::string());
    state.OutputUnit.assign(n, std::string());
    state.AvSource.assign(n, 0);
    state.PercSource.assign(n, 0);
    state.Run8Source.assign(n, 0);
    state.DailySource.assign(n, 0);
    state.ShowPol.assign(n, true);
    for (std::size_t k = 0; k < n; ++k) {
        const auto found = kept.find(toLower(state.PollutantNames[k]));
        if (found == kept.end()) {
            state.InputUnit[k] = state.StdInputUnits[k];
            state.OutputUnit[k] = state.DefOutputUnits[k];
            continue;
        }
        const Choices &c = found->second;
        state.InputUnit[k] = c.input;
        state.OutputUnit[k] = c.output;
        state.AvSource[k] = c.av;
        state.PercSource[k] = c.perc;
        state.Run8Source[k] = c.run8;
        state.DailySource[k] = c.daily;
        state.ShowPol[k] = c.show;
    }
    state.EmissionReady = false;
    return true;
}

YearBoxChange ChangeScenarioYear(ProjectState &state, Interaction &ui, const std::string &boxText,
                                 int listIndex) {
    YearBoxChange result;
    // The year shown is chosen again: nothing changes, unless the project has no vehicle or fuel
    // list yet (a new project): then the year's lists are taken.
    const bool sameYear = iequals(boxText, state.ScenarioYearText);
    if (sameYear && !state.VehicleListFile.empty() && !state.FuelListFile.empty()) {
        return result;
    }
    std::string yearText;
    for (char ch : boxText) {
        if (ch != '[' && ch != ']') {
            yearText += ch;
        }
    }
    result.Changed = true;
    state.ScenarioYear = static_cast<int>(roundHalfEven(Val(yearText)));
    if (!sameYear && state.LoadedScenarioYear == state.UnsavedFleetYear) {
        const std::string year = std::to_string(state.UnsavedFleetYear);
        const Answer answer = ui.question(
            "The Fleet data for the year " + year + " are not saved" + kCrLf +
                "If you change the Scenario Year now, you will not be able to revert to the year " + year +
                " again" + kCrLf + "Do you want to change the Scenario Year anyhow?",
            Buttons::YesNo, Icon::Information, Answer::No);
        if (answer != Answer::Yes) {
            state.ScenarioYear = state.LoadedScenarioYear;
            result.reselectLoadedYear = true;
            result.Changed = false;
            return result;
        }
        result.removeUserYearEntry = true;
        const std::size_t keep = static_cast<std::size_t>(state.StdYearCount) + 1;
        if (state.ScenarioVehicleFiles.size() > keep) {
            state.ScenarioVehicleFiles.resize(keep);
        }
        if (state.ScenarioFuelFiles.size() > keep) {
            state.ScenarioFuelFiles.resize(keep);
        }
        if (state.ScenarioYears.size() > keep) {
            state.ScenarioYears.resize(keep);
        }
        // The user year is gone from the box and the tables: so is its count.
        state.YearItemCount = state.StdYearCount;
        state.FleetDataUnsaved = false;
    }
    state.LoadedScenarioYear = state.ScenarioYear;
    state.ScenarioYearText = boxText;
    const std::size_t k = static_cast<std::size_t>(listIndex + 1);
    if (listIndex >= 0 && k < state.ScenarioVehicleFiles.size() && k < state.ScenarioFuelFiles.size()) {
        state.VehicleListFile = state.ScenarioVehicleFiles[k];
        state.FuelListFile = state.ScenarioFuelFiles[k];
    }
    return result;
}

} // namespace vesk
