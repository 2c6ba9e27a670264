#pragma once

// The writers of the country's reference lists that the list editors save:
// Pollutants.lst, PercDef.lst, LimValDef.lst, UrbEmi.lst, UrbEmiFiles.lst and
// Scenarios.lst (their layouts are those the readers of CountryLists.h take).
//
// Each list comes as rows a caller can edit, made from the loaded tables, a
// check and a text. The check refuses every list the readers would not load
// back as written (an empty or duplicate name, a double quote or a line end
// inside a text, a number out of the readers' range, a list without the rows
// the program needs), so that a saved list always loads; it returns "" when
// the rows can be written, else the refusal for the user. The texts end every
// record with CR LF and write numbers with a "." whatever the system's
// decimal separator. Fields that start at fixed columns keep at least one
// blank before the next value when a value is wider than its column.

#include "core/CoreState.h"

#include <array>
#include <string>
#include <vector>

namespace vesk {

// ---- Pollutants.lst

struct PollutantRow {
    std::string name, longName;
    std::string outputUnit = "microg", inputUnit = "microg"; // unit keywords
    bool emitter = true;
    double microgToPpb = 1; // ppb per µg/m³
    bool operator==(const PollutantRow &) const = default;
};

// The pollutants that every list holds, whose names, emitter flags and factors the editor keeps.
bool isProtectedPollutant(const std::string &name);
// The six unit keywords, in the order the unit choices show them.
const std::vector<std::string> &unitKeywords();

std::vector<PollutantRow> pollutantRows(const ReferenceTables &t);
std::string pollutantListProblem(const std::vector<PollutantRow> &rows);
std::string pollutantListText(const std::vector<PollutantRow> &rows);

// ---- PercDef.lst

// Family types: 0 hourly values, 1 daily maxima of running 8-hour averages,
// 2 daily averages.
inline constexpr int kPercentileFamilies = 3;
inline constexpr int kMaxNthHighestValue = 8784; // the hours of a leap year, as the reader allows

struct PercentileRow {
    double percentile = 0; // in percent, 0 < p < 100; NaN while the cell is empty
    int nthHighest = 0;    // the n of the n-th highest value; -1 while the cell is empty
    bool operator==(const PercentileRow &) const = default;
};
using PercentileFamilies = std::array<std::vector<PercentileRow>, kPercentileFamilies>;

// The n of the n-th highest value of a year (8760 hours for type 0, 365 days
// for the others) that percentile p leaves above it, halves to even
// (98 hourly -> 175, 99.8 -> 18, 98 daily -> 7).
int nthHighestOfPercentile(double percentile, int type);
// The percentile that the n-th highest value of a year stands for, rounded
// to one decimal, halves to even (18 hourly -> 99.8, 36 daily -> 90.1).
double percentileOfNthHighest(long n, int type);
// The percentile as its name shows it ("98", "99.8").
std::string percentileText(double percentile);

PercentileFamilies percentileFamilies(const ReferenceTables &t);
std::string percentileListProblem(const PercentileFamilies &families);
// Each family sorted by ascending percentile, as the list is written (a
// stable sort: equal percentiles keep their order).
PercentileFamilies sortedPercentileFamilies(const PercentileFamilies &families);
// Each family sorted by ascending percentile, hourly first.
std::string percentileListText(const PercentileFamilies &families);

// The percentile numbers that the percentile columns of the limit values
// belong to, per family in column order.
using PercentileNumbers = std::array<std::vector<double>, kPercentileFamilies>;
// Those of the definitions loaded in t: the columns of t's limit tables.
PercentileNumbers percentileNumbers(const ReferenceTables &t);
// Those of the definitions a save of families writes (sorted, each number
// as its written name gives it).
PercentileNumbers percentileNumbers(const PercentileFamilies &families);
// Whether two sets of definitions name the same percentiles in the same
// order in every family (numbers compared as the names write them).
bool samePercentileColumns(const PercentileNumbers &a, const PercentileNumbers &b);

// ---- LimValDef.lst

// One limit value: its title and the values of the three averaging types in
// the file's column order (hourly: average, maximum, one per hourly
// percentile, last; running 8-hour and daily: maximum, one per percentile,
// last). kMissing (-99) where none is given.
struct LimitValueRow {
    std::string title;
    std::vector<double> hourly, run8, daily;
    bool operator==(const LimitValueRow &) const = default;
};
struct LimitValueBlock {
    std::string name; // short pollutant name
    std::vector<LimitValueRow> rows;
    bool operator==(const LimitValueBlock &) const = default;
};

// The number of value columns of each averaging type for the definitions of t.
std::array<int, 3> limitValueColumnCounts(const ReferenceTables &t);
std::array<int, 3> limitValueColumnCounts(const PercentileNumbers &definitions);
// A row of missing values sized for the definitions of t.
LimitValueRow emptyLimitValueRow(const ReferenceTables &t, const std::string &title);
// The loaded limit values, pollutants in file order.
std::vector<LimitValueBlock> limitValueBlocks(const ReferenceTables &t);
std::string limitValueListProblem(const std::vector<LimitValueBlock> &blocks, const ReferenceTables &t);
// The same for rows laid out for other percentile definitions.
std::string limitValueListProblem(const std::vector<LimitValueBlock> &blocks,
                                  const PercentileNumbers &definitions);
// The headings and column names are t's, the percentile numbers of the
// header line those of t's current definitions.
std::string limitValueListText(const std::vector<LimitValueBlock> &blocks, const ReferenceTables &t);
// The same with the percentile numbers of definitions in the header line
// (the definitions a percentile save is about to write).
std::string limitValueListText(const std::vector<LimitValueBlock> &blocks, const ReferenceTables &t,
                               const PercentileNumbers &definitions);

// Limit values are read in their pollutant's default output unit, and their
// percentile columns belong to percentile definitions. When either changes,
// the values are carried along so that each keeps its meaning.

// Whether pollutant name (letter case ignored) has a limit value of a
// concentration (> 0): the data capture values do not count.
bool hasConcentrationLimits(const std::vector<LimitValueBlock> &blocks, const std::string &name);
// Multiplies every concentration limit value (> 0) of pollutant name by
// factor; data capture values and missing ones (<= 0, -99) stay.
void scaleConcentrationLimits(std::vector<LimitValueBlock> &blocks, const std::string &name, double factor);

// What carrying the limit columns from one set of definitions to another
// does in one family. A column goes with its percentile (the number as its
// name writes it): a new percentile gets a column without limit values, a
// percentile that is gone takes its column with it.
struct LimitColumnChanges {
    std::vector<double> added;     // percentiles without limit values from now on
    std::vector<double> removed;   // percentiles whose columns are dropped
    std::vector<std::string> lost; // pollutants with a limit value (> 0) in a dropped column
    bool moved = false;            // columns that stay stand at other positions
    bool any() const { return !added.empty() || !removed.empty() || moved; }
};
std::array<LimitColumnChanges, kPercentileFamilies>
limitColumnChanges(const std::vector<LimitValueBlock> &blocks, const PercentileNumbers &from,
                   const PercentileNumbers &to);
// blocks laid out for the definitions from, laid out for the definitions to.
std::vector<LimitValueBlock> carryLimitColumns(const std::vector<LimitValueBlock> &blocks,
                                               const PercentileNumbers &from, const PercentileNumbers &to);

// An earlier version of the limit values (a backup of the list) and the
// percentile numbers its columns belong to.
struct LimitValueVersion {
    std::vector<LimitValueBlock> blocks;
    PercentileNumbers columns;
};
// What the columns that carryLimitColumns added empty took back from earlier
// versions, per family: the pollutants that took back a limit value (> 0),
// and those with a row for which no earlier version gives the column.
struct LimitColumnsTakenBack {
    std::vector<std::string> regained, unknown;
};
// Gives each column of carried (laid out for to) that the definitions from
// lack the values it had in the first of the earlier versions (most recent
// first) that holds it: a row takes them from that version's row of the same
// pollutant and title, when the two rows agree on every other value they
// share, so that the values are read in the same unit and belong to the same
// limit. Without such a row the column stays without limit values.
std::array<LimitColumnsTakenBack, kPercentileFamilies>
takeBackLimitColumns(std::vector<LimitValueBlock> &carried, const PercentileNumbers &from,
                     const PercentileNumbers &to, const std::vector<LimitValueVersion> &earlier);

// ---- UrbEmi.lst and UrbEmiFiles.lst

struct CityTypeRow {
    std::string population;
    float radius_m = 0, buildingHeight_m = 0;
    bool operator==(const CityTypeRow &) const = default;
};
struct UrbanFileRow {
    std::string pollutant; // short name
    std::string fileName;  // bare name in the national meteorology and background folder
    bool operator==(const UrbanFileRow &) const = default;
};

std::vector<CityTypeRow> cityTypeRows(const ReferenceTables &t);
std::string cityTypeListProblem(const std::vector<CityTypeRow> &rows);
std::string cityTypeListText(const std::vector<CityTypeRow> &rows);
std::string urbanFileListProblem(const std::vector<UrbanFileRow> &rows, const ReferenceTables &t);
std::string urbanFileListText(const std::vector<UrbanFileRow> &rows);

// ---- Scenarios.lst

inline constexpr int kFirstPlausibleYear = 1900;
inline constexpr int kLastPlausibleYear = 2200;
inline constexpr const char *kVehicleListPlaceholder = "Set Vehicle List File";
inline constexpr const char *kFuelListPlaceholder = "Set Fuel List File";

struct ScenarioRow {
    int year = 0;
    std::string vehicleFile, fuelFile; // ".\" names a file of the national lists folder
    bool operator==(const ScenarioRow &) const = default;
};
struct ScenarioList {
    std::string fleetDatabase; // "" when none; ".\" names a file of the national traffic folder
    int firstYear = 0, lastYear = 0;
    std::vector<ScenarioRow> rows;
    bool operator==(const ScenarioList &) const = default;
};

ScenarioList scenarioList(const ReferenceTables &t);
std::string scenarioListProblem(const ScenarioList &list);
// Rows in ascending year order. Without a fleet database the first line
// names the first and the last scenario year.
std::string scenarioListText(const ScenarioList &list);

// ---- shared checks

// "" when text can stand in a quoted field; else why not ("... holds a double quote").
std::string quotedTextProblem(const std::string &what, const std::string &text);

// A record whose values start at fixed columns (counted from 1, in
// characters): at(column) fills blanks up to the column, or one blank when
// the line already reaches past it.
class ColumnLine {
public:
    ColumnLine &text(const std::string &s);
    ColumnLine &at(int column);
    const std::string &str() const { return m_line; }

private:
    std::string m_line;
    int m_width = 0;
};

} // namespace vesk
