#pragma once

// The traffic of a street: reading its traffic file into the state, compiling
// the day-case conditions, expanding every day case's profiles into the
// street's traffic and emission tables, and finding the day case of an hour.

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace vesk {

struct CalcState;
class Interaction;
struct ParsedTrafficFile;

// What the streets of one run share of setting up their traffic: each
// traffic file read and parsed once (by its resolved path, kept for the
// run), and, per traffic file and set of speed profiles, the emission of one
// vehicle of every category in every period, day case and emitting
// pollutant. A street then only scales its flows. Filled on first use; the
// street workers of a run may use it at once.
class TrafficSetupCache {
public:
    TrafficSetupCache();
    ~TrafficSetupCache();
    TrafficSetupCache(const TrafficSetupCache &) = delete;
    TrafficSetupCache &operator=(const TrafficSetupCache &) = delete;

    // The traffic file at path, read and parsed on first use.
    std::shared_ptr<const ParsedTrafficFile> file(const std::string &path);

    struct UnitEmissions;
    // The emissions per vehicle for the traffic the state holds, read from
    // file: made on first use with the state's speeds; nullptr when the
    // traffic cannot be expanded that way (the street then expands it itself).
    std::shared_ptr<const UnitEmissions> unitEmissions(CalcState &state,
                                                       const std::shared_ptr<const ParsedTrafficFile> &file);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const ParsedTrafficFile>> m_files;
    std::vector<std::shared_ptr<const UnitEmissions>> m_units;
};

enum class TrafficSetupOutcome {
    Ready,         // traffic and tables set up
    NoTrafficFile, // TrafficFile is empty: nothing to do
    FileNotFound,  // the traffic file does not exist (FilePath names it)
    EndRun,        // the run ends here; any message has been shown
};

struct TrafficSetupResult {
    TrafficSetupOutcome outcome = TrafficSetupOutcome::Ready;
    std::string FilePath; // the resolved traffic-file path
};

// The condition compiled for a day case: each non-empty code in brackets,
// joined by " AND " when both are given ("" when neither is).
std::string DayCaseCondition(const std::string &codeDay, const std::string &codeMonth);

// Sets up the traffic of the current street before its tables are bound.
// Resolves TrafficFile (bare name in WorkDir, ".\" in TrafficDir, a name
// with a folder below WorkDir, a full path as it is; in a multi-street run a
// missing file is looked for again with the WorkDir prefix replaced by
// streetsFolder, then a name with a folder in AppDir), reads it unless it is
// loaded and unedited, copies its properties into the state, asks when its periods per
// day differ from the project's, checks that its categories (composed ones
// split) are the emission set-up's vehicle categories in order, compiles the
// conditions and fills FlowTable, CategoryEmissionTable and the component's
// EmissionTable day case by day case. Every failure is shown through ui; a
// TrafficFile with a drive letter ends the run (EndRun) with nothing read.
// With a cache, a traffic file is read and expanded as the run's other streets
// left it in the cache; the outcome and messages are the same.
TrafficSetupResult SetUpStreetTraffic(CalcState &state, Interaction &ui,
                                      const std::string &streetsFolder = {},
                                      TrafficSetupCache *cache = nullptr);

// Copies the properties of the component's traffic item "All" into the
// state (TrafficFileType, speeds and traffic, Nhours, DayCases, VehCategories,
// VehCatNames and the day-case arrays) and clears DayCaseExprs to the new
// number of day cases. For the traffic-file readers of the main window too.
void CopyTrafficProperties(CalcState &state);

// The traffic file's properties when the main window's traffic file changes:
// TrafficFile is resolved (bare name in WorkDir, ".\" in TrafficDir, else a
// full path), the component reads it with the street's AverageTrafficSpeed
// and AnnualDiurnalTraffic, and its properties are copied into the state as
// CopyTrafficProperties does. A file the reader refuses sets
// ErrorInTrafficFile, clears TrafficFileLoaded, leaves every property as it
// was and returns false with the reader's message (file, line, what was
// expected), or, for a name with a drive letter, read nowhere, with the
// message refusing it (driveLetterRefusal). TrafficFileLoaded is otherwise left alone: the caller decides
// whether the run reads the file again.
bool ReadTrafficProperties(CalcState &state, std::string *error);

// True for a traffic file whose profiles are scaled to the street's daily
// traffic and speed (a standard profile, type 2; 0 as older callers name it);
// false for counted traffic (1) and for no traffic file (-1).
inline bool TrafficScaledToStreet(int trafficFileType) {
    return trafficFileType == 2 || trafficFileType == 0;
}

// Expands the profiles of day case d (1..DayCases) into FlowTable and, unless
// in a route run or with the standard vehicle types, into
// CategoryEmissionTable and EmissionTable. The tables must be sized.
// False with a message when the emissions cannot be computed or the
// profiles do not fit the tables.
bool ExpandDayCase(CalcState &state, int d, std::string *error = nullptr);

// Empty when expanding the traffic file's categories gives the vehicle
// categories of the emission set-up in order; otherwise a message that says
// how they differ.
std::string CategoryMismatch(const CalcState &state);

// The day case (1..DayCases) of an hour: the first whose condition holds for
// the weekday (Monday = 1 .. Sunday = 7) and month (1..12). When none holds
// (or DayCases is 0, or the weekday or month is out of range) shows the
// "no traffic data" message and returns 0. day and dateText are not used.
int FindDayCase(CalcState &state, Interaction &ui, int month, int weekday, int day = 0,
                const std::string &dateText = {});

} // namespace vesk
