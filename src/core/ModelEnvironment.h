#pragma once

// The settings object handed to the emission component, the list editors and
// the fleet tools: folders, decimal separator, country, scenario years with
// their vehicle and fuel list files, day and month names, pollutants and the
// help file. Start-up and the country-list loader fill it; the components
// read it. Folders end in "/" like every folder of the state.

#include "core/Pollutant.h"

#include <string>
#include <vector>

namespace vesk {

class ModelEnvironment {
public:
    std::string DecimalSeparator = ".";
    std::string AppDir;
    std::string SharedEmissionDir;
    std::string SharedListsDir;
    std::string MathPars; // the text of MathPars.ini, not interpreted here
    long Color = 0;       // the button-face colour value given at start-up
    std::string WorkDir;
    std::string HelpFile;

    std::string CountryCode;
    std::string CountryName;
    std::string ListsDir, EmissionDir, TrafficDir, MetBackDir;

    // Pollutants in index order (0..NPol).
    std::vector<Pollutant> Pollutants;

    // Scenario k (1..ScenarioCount); entry 0 unused.
    int ScenarioCount = 0;
    std::vector<int> ScenarioYears{0};
    std::vector<std::string> ScenarioVehicleFiles{std::string()};
    std::vector<std::string> ScenarioFuelFiles{std::string()};

    // Day n (1..7, Monday = 1) and month n (1..12); entry 0 unused.
    std::vector<std::string> DayNames = std::vector<std::string>(8);
    std::vector<std::string> MonthNames = std::vector<std::string>(13);
    std::string DateText; // the text after the month names of DateNames.lst

    void setScenarioYear(int k, int year) { grow(ScenarioYears, k) = year; }
    void setScenarioVehicleFile(int k, const std::string &file) { grow(ScenarioVehicleFiles, k) = file; }
    void setScenarioFuelFile(int k, const std::string &file) { grow(ScenarioFuelFiles, k) = file; }
    void setDayName(int n, const std::string &name) { grow(DayNames, n) = name; }
    void setMonthName(int n, const std::string &name) { grow(MonthNames, n) = name; }

private:
    template <typename V> static typename V::value_type &grow(V &v, int k) {
        std::size_t index = k < 0 ? 0 : static_cast<std::size_t>(k);
        if (v.size() <= index) {
            v.resize(index + 1);
        }
        return v[index];
    }
};

} // namespace vesk
