#pragma once

// Program-wide variables of the core: start-up state, folders, country, the
// reference lists of the current country, the variable catalogue and the
// statistic result store. See State.h.
//
// Index rule for every table here: an array that the program numbers from 1
// keeps that numbering as a std::vector whose entry 0 is unused (so its size
// is the count + 1 and the count is size() - 1). Arrays numbered from 0 are
// plain 0-based vectors: the per-pollutant tables (0..NPol) and the day and
// month names (DayNames[0] is Monday, MonthNames[0] January).
//
// Folders are kept with a trailing "/" (AppDir, ListsDir, EmissionDir,
// TrafficDir, MetBackDir, SharedEmissionDir, SharedListsDir), so a file path
// is folder + name.
//
// The tables that LoadCountryLists replaces wholesale are gathered in
// ReferenceTables: a load fills a fresh ReferenceTables and only a load that
// succeeds replaces the state's one, so a failed load leaves every table as it
// was. Counters are plain int (no 16-bit limits).

#include "core/CountryItem.h"
#include "core/DailyAverage.h"
#include "core/KeyedList.h"
#include "core/ModelEnvironment.h"
#include "core/PercName.h"
#include "core/Pollutant.h"
#include "core/StatVar.h"
#include "core/SystemSettings.h"
#include "core/VESKVar.h"

#include <array>
#include <string>
#include <vector>

namespace vesk {

using FloatTable = std::vector<std::vector<float>>;               // [p][r]
using FloatTable3 = std::vector<std::vector<std::vector<float>>>; // [p][k][r]
using TextTable = std::vector<std::vector<std::string>>;          // [p][r]

// A solid fill colour of the street sketch (the GUI makes the brush).
struct RgbColor {
    int red = 0, green = 0, blue = 0;
    bool isSet = false; // false: no brush at this entry
};

// Fill colours of the street sketch; entry 3 is set by the sketch itself.
inline constexpr std::array<RgbColor, 8> kSketchBrushColors = {
    RgbColor{60, 63, 59, true},    RgbColor{132, 122, 133, true},
    RgbColor{166, 158, 167, true}, RgbColor{},
    RgbColor{225, 223, 225, true}, RgbColor{183, 183, 183, true},
    RgbColor{0, 255, 0, true},     RgbColor{120, 120, 120, true}};

// The limit values of LimValDef.lst and the column headings of the results
// table. Pollutants p = 1..LimValPollutantCount (entry 0 unused), rows
// r = 1..LimValRowCount[p] (row dimension 0..LimValMaxRows), percentile
// columns k = 1..family count. -99 marks a value the file does not give.
struct LimitValueTables {
    std::string LimValHeadHourly, LimValColAvHourly, LimValColMaxHourly, LimValColDCHourly;
    std::string LimValHeadRun8, LimValColMaxRun8, LimValColDCRun8;
    std::string LimValHeadDaily, LimValColMaxDaily, LimValColDCDaily;
    // Entry 0: the base text read from the file; entry k: the k-th
    // definition's n (or percentile number) followed by the base.
    std::vector<std::string> LimValColNthHourly, LimValColPercHourly;
    std::vector<std::string> LimValColNthRun8, LimValColPercRun8;
    std::vector<std::string> LimValColNthDaily, LimValColPercDaily;

    int LimValPollutantCount = 0;
    std::vector<std::string> LimValPollutants; // 1..count
    std::vector<std::string> LimValLongNames;  // 1..count; empty when not in PollutantList
    std::vector<int> LimValRowCount;           // 1..count
    int LimValMaxRows = 0;
    TextTable LimValTitles;
    FloatTable LimValAvHourly, LimValMaxHourly, LimValDCHourly;
    FloatTable LimValMaxRun8, LimValDCRun8;
    FloatTable LimValMaxDaily, LimValDCDaily;
    FloatTable3 LimValPercHourly, LimValPercRun8, LimValPercDaily;

    // Set when the file's percentile columns differ from the definitions in
    // number (CountDiff) or in value at the same position (ValueDiff).
    bool LimHourlyCountDiff = false, LimRunAvgCountDiff = false, LimDailyCountDiff = false;
    bool LimHourlyValueDiff = false, LimRunAvgValueDiff = false, LimDailyValueDiff = false;
};

struct ReferenceTables : LimitValueTables {
    // Pollutants.lst, rows 0..NPol in file order.
    std::vector<std::string> PollutantNames, PollutantLongNames, DefOutputUnits, StdInputUnits,
        StdInputUnitsCopy;
    std::vector<double> MicrogToPpb; // microgram per cubic metre to ppb
    std::vector<double> PpbToMicrog; // 1 / MicrogToPpb; -99 where the factor is 0
    std::string PollutantListFile;   // the list read, for messages
    std::vector<int> PollutantLines; // the line of each row's factor in it
    int PollutantCount = 0;
    int NPol = -1;
    int IndexCO = -1;  // pollutant named "CO", -1 when absent
    int IndexBNZ = -1; // pollutant named "BNZ", -1 when absent
    KeyedList<Pollutant> PollutantList;

    // Scenarios.lst. ScenarioYears/VehicleFiles/FuelFiles 1..YearItemCount
    // (1..StdYearCount from the file, a user year may follow).
    std::string FleetDatabase;
    int FleetFirstYear = 0, FleetLastYear = 0;
    std::vector<int> ScenarioYears{0};
    std::vector<std::string> ScenarioVehicleFiles{std::string()}, ScenarioFuelFiles{std::string()};
    int ScenarioCount = 0, StdYearCount = 0, YearItemCount = 0;
    std::string DefaultVehicleListFile, DefaultFuelListFile; // of CurrentYear

    // UrbEmi.lst: standard city types 1..n (radius and building height in m).
    std::vector<std::string> CitySizeNames{std::string()};
    std::vector<float> CityRadius{0.0f}, CityBuildingHeight{0.0f};
    bool NoUrbEmiData = false;
    // UrbEmiFiles.lst: per pollutant 0..NPol, empty where none.
    std::vector<std::string> UrbEmiFileNames;
    bool UrbEmiFilesError = false;

    // DateNames.lst: DayNames[0] = Monday .. [6] = Sunday; MonthNames[0..11].
    std::array<std::string, 7> DayNames;
    std::array<std::string, 12> MonthNames;

    // PercDef.lst: all rows 1..n in file order, then per family (hourly,
    // running 8-hour, daily) 1..NumPerc*.
    std::vector<std::string> PercDefNames{std::string()}, PercDefNthNames{std::string()};
    std::vector<int> PercDefTypes{0};
    std::vector<std::string> PercNamesHourly{std::string()}, PercNamesRun8{std::string()},
        PercNamesDaily{std::string()};
    std::vector<std::string> NthHighestNamesHourly{std::string()}, NthHighestNamesRun8{std::string()},
        NthHighestNamesDaily{std::string()};
    std::vector<float> PercFracHourly{0.0f}, PercFracRun8{0.0f}, PercFracDaily{0.0f};
    std::vector<int> PercNthHourly{0}, PercNthRun8{0}, PercNthDaily{0};
    int NumPercHourly = 0, NumPercRun8 = 0, NumPercDaily = 0;
    int HourlyTopCapacity = 0, Run8TopCapacity = 0, DailyTopCapacity = 0; // largest n + 2
    KeyedList<PercName> PercNameList;

    // Variable catalogue, entries 1..n.
    std::vector<std::string> InputVarNames{std::string()}, InputVarDescriptions{std::string()};
    int NInputVars = 0;
    std::vector<std::string> OutputVarNames{std::string()}, OutputVarDescriptions{std::string()},
        OutputVarTypes{std::string()};
    int NOutputVars = 0;
    std::vector<std::string> SeriesVarNames{std::string()}, SeriesVarDescriptions{std::string()},
        SeriesVarTypes{std::string()};
    KeyedList<VESKVar> VarList; // keyed by name with "," read as "."
    std::vector<std::string> BothSidesVarNames{std::string()}, BothSidesVarDescriptions{std::string()};
    std::vector<std::string> StatVarNames{std::string()}, StatVarDescriptions{std::string()},
        StatVarTypes{std::string()};
    KeyedList<VESKVar> StatVarTypeList; // keyed by name with "," read as "."

    // Results of a run: one StatVar per statistic & pollutant & series.
    KeyedList<StatVar> StatVarList;
};

struct CoreState : ReferenceTables {
    std::string AppDir; // program folder, always ending in "/"
    std::string DecimalSeparator = ".";
    long ErrorCode = 0; // 100 = the program is to stop
    bool ProjectLoaded = false;

    // Start-up values (a fresh state already holds them; InitProgram sets them again).
    std::array<int, 2> OptionsLastTab{-1, -1}; // per calculation mode; -1 = none shown yet
    ModelEnvironment ModelEnv;
    SystemSettings SysSettings;
    float TrafficSpeedDefault = 15.0f; // km/h
    int SysSettingsFlag = 0;
    int TrafficFileType = -1; // -1 = no traffic file
    int NumReceptors = 2;
    std::string NumberFormat = "0.#0";
    long ResultsTableColor = 0x80000000L;
    long SketchForeColor = 0;
    std::array<RgbColor, 8> SketchBrushes = kSketchBrushColors;
    long ButtonFaceColor = 0x8000000FL;
    bool ShowFileDialog = true;
    // The percentiles editor recomputes neither the percentile nor the n-th
    // highest value from the other (not saved; false at start-up).
    bool PercIndependent = false;
    float Pi = 3.14159265f;
    float DegToRad = 3.14159265f / 180.0f;

    // Countries and folders.
    KeyedList<CountryItem> CountryList;
    std::string CountryCode, CurrentCountry;
    std::string LoadedCountry; // the country whose lists are loaded
    std::string StartCountry;  // the country at start-up
    bool CountryDialogShown = false;
    std::string ListsDir, EmissionDir, TrafficDir, MetBackDir; // national folders
    std::string SharedEmissionDir, SharedListsDir;
    std::string MathParsText;

    // Standard vehicle types and fuels, 1..count.
    std::vector<std::string> StVehTypeNames{std::string()}, StVehTypeLongNames{std::string()};
    std::vector<int> StVehTypeLengthClass{0};
    int StVehTypeCount = 0;
    std::vector<std::string> StFuelNames{std::string()};
    int StFuelCount = 0;

    // Scenario year clamped to the scenario list by every load; 0 until
    // start-up sets the calendar year.
    int CurrentYear = 0;
    bool FleetDataUnsaved = false; // the loaded user year's fleet data exist only in memory

    // Collections of the catalogue and the run that a load does not replace.
    KeyedList<VESKVar> OutputVarList;         // built by the emission set-up
    KeyedList<DailyAverage> DailyAverageList; // one per day of the last run
};

} // namespace vesk
