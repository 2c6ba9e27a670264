#pragma once

// The results of every street of a multi-street run, for the multi-street
// results window: a list of the streets with their statistics against the
// limit values, from which one street's full results can be shown.
//
// The run adds each street, in the order of the streets file, as soon as its
// statistics are known. A street's statistics go at once to a file (one line
// per street); memory keeps only what the list shows, so a run of many
// streets holds no more than a few numbers per street. The file is a
// temporary one until the user saves it; a saved file is read the same way.
//
// File layout (UTF-8, CR LF, comma-separated, texts in double quotes with a
// quote written twice):
//   "WinVESK multi-street results",3
//   <project title>,<scenario year>
//   "Pollutants",<n>, then n triples <name>,<output unit factor>,<output unit>
//   "Statistics",<n>, then the n StatVarList keys
//   the lines of what the run showed its results by (StreetResultsView.h):
//     "Run", "Shown", "Percentiles", "Headings", "Limits" and "Limit" lines
//   "Columns",<n>, then n groups: StatVarList key, pollutant (or the
//     data-capture word), caption, unit, limit in that unit, factor from the
//     statistic to that unit (1 for data capture)
//   "Streets"
//   one line per street: number, name, active (#TRUE#/#FALSE#), x, y,
//     receptor height, given traffic, calculated traffic, traffic file type,
//     traffic file, first and last hour, the hours and days of the period
//     run, then side 1 and side 2 of each statistic (-99 missing)
//   "End",<time of calculation>,<number of streets>
// Files of version 2 (no lines of the view or columns) and 1 (also pairs
// without the unit, no period) are read as well: their summary columns are
// those of every limit-value pollutant they hold statistics of, the limits
// those of the country's lists, their city size is not known, and version 1
// statistics are shown in the default output units with the period of the
// first to the last hour calculated. A file of version 3 is shown by what it
// keeps, whatever project is open.
//
// A file that is not what the program wrote is refused whole, with the line
// and what is wrong with it; nothing of it is shown:
// - a layout other than 1, 2 and 3 (a higher one as written by a newer
//   version of the program);
// - a count other than the groups that follow it (of the pollutants, the
//   statistics, the pollutants shown, each family of percentiles, the
//   limit-value pollutants and each one's limit values, the summary
//   columns), a street line of other than its fields, an end line whose
//   number of streets is not that of the street lines, an end line cut
//   short or a line after it; a file without its end line (a run that did
//   not finish);
// - a header line missing, repeated or out of its place: the lines of
//   version 3 come once each in the order above ("Limit" lines as many as
//   the "Limits" line counts, right after it); a header line of an unknown
//   name is passed over, a line there whose first field is empty or a
//   number is refused; in every version the "Pollutants", "Statistics" and
//   "Streets" lines are where the layout has them;
// - a number beyond its range: a count beyond the bounds of msr (those of
//   the country's lists: 50 pollutants, 100 percentile definitions of
//   a kind, 50 limit values of a pollutant; 200,000 statistics, and the
//   summary columns these make), an integer
//   beyond int (the street's number, the scenario year, the options), a
//   value no float can hold (-99, missing, stays a value like any other), a
//   summary column whose limit or factor is not above 0;
// - what the file says in two places, disagreeing: a summary column other
//   than the "Limit" lines, the pollutants shown and their output unit
//   factors make it (its limit, factor, caption or unit; a column of a
//   pollutant not shown or without a limit value; columns missing), a second
//   "Limit" line of one pollutant, a street's days other than its hours span
//   (365 or 366 for 8760), a street not calculated that holds hours, days,
//   a first or last hour, or a value other than -99 and 0;
// - a field longer than the program writes (kMaxFieldText characters).
// Every line's fields are counted and held to what its counts say before
// they are taken apart, so a damaged file costs no more memory than a sound
// one of its size.
//
// A saved file that was opened stays open: the street pages and Save read
// the very file the list was read from, through its descriptor, and refuse
// when its bytes have changed since (a street page: the street's line no
// longer the bytes read, or the file's size, time of change or status-change
// time changed and its bytes with them; Save: the bytes copied other than
// those read). The status-change time is what tells a file rewritten in
// place whose time of change was set back.

#include "core/KeyedList.h"
#include "core/Pollutant.h"
#include "core/StatVar.h"
#include "run/results/ResultsKeyInfo.h"
#include "run/results/StreetResultsView.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct State;

namespace results {

// What the street list shows of one street.
struct StreetEntry {
    int number = 0; // 1.. in the order of the streets file
    std::string name;
    bool active = true; // calculated: switched on, with a receptor
    double x = 0, y = 0;
    double recHeight = 0;     // receptor height, m
    double givenTraffic = 0;  // annual average daily traffic of the record, vehicles/day
    long dailyTraffic = -99;  // calculated by the run, vehicles/day; -99 = no hour
    int trafficFileType = -1; // as the run's traffic set-up gave it (-1: none, a street not reached)
    std::string trafficFile;
    std::string firstCalcDate, lastCalcDate; // "yyyy-mm-dd hh:mm" ("" = no hour)
    PeriodLength period;                     // of the street's run: what data capture is a share of
    std::vector<float> summary; // per summary column: the larger side in output units, -99 missing
    std::uint64_t offset = 0;   // where the street's line starts in the file
};

// A statistic the street list sets against a limit value: the modelled
// series of a limit-value pollutant, for each statistic with a positive
// limit value.
struct SummaryColumn {
    std::string key;     // StatVarList key ("AvNO2_mod")
    std::string comp;    // the pollutant (or the data-capture word) handed to StatVar::Value
    std::string caption; // "NO2 Average", "PM10 36th highest (daily)"
    std::string unit;    // "µg/m³", "%" for data capture
    float limit = -99;   // the smallest positive limit value of the statistic, in unit
    float factor = 1;    // from the statistic as stored to unit (1 for data capture)
};

// The summary columns of the state's limit values and percentile modes, for
// the pollutants shown in the results, in the default output units (factor 1).
std::vector<SummaryColumn> summaryColumns(const State &s);

// The number of summary values above their limit (missing values count none).
int exceedances(const StreetEntry &street, const std::vector<SummaryColumn> &columns);

class StreetResultsStore;
class SavedLines;

// The most bytes a line read from a saved file may take (SIZE_MAX: as much as
// memory holds); a longer one fails as when memory runs out. Tests lower it
// to reach what a file too large for the memory left gets.
std::size_t &savedLineMemory();

// What a saved file that was opened is known by (see StreetResultsStore::unchanged).
struct SavedFileIdentity {
    std::uint64_t device = 0, inode = 0;
    long long size = 0;
    long long changeNs = 0, statusChangeNs = 0; // st_mtim, st_ctim
    bool operator==(const SavedFileIdentity &) const = default;
};

// The first field of a results file's first line.
inline constexpr const char *kStreetResultsTitle = "WinVESK multi-street results";

// A hash of bytes (FNV-1a, 64 bits): streetResultsHash(streetResultsHash(start, a), b)
// is that of a followed by b. It tells a file opened from one changed since.
inline constexpr std::uint64_t kStreetResultsHashStart = 14695981039346656037ULL;
std::uint64_t streetResultsHash(std::uint64_t hash, std::string_view bytes);

// Hands the bytes of the file fd, from its start, to take a piece at a time;
// false when they could not all be read or take returned false.
bool forEachSavedPiece(int fd, const std::function<bool(std::string_view)> &take);

// One street as a run hands it to the store: the list's entry and the
// street's statistics in the store's order (side 1 and side 2 of each).
struct StreetRecord {
    StreetEntry entry;
    std::vector<float> values;
};

// The lines above the street list: the project and the time of calculation,
// the number of streets (calculated, exceeding a limit value), the emission
// scenario year and the period covered: from the earliest first hour to the
// latest last hour of the streets, and when streets end before that (a
// stopped run), how many and where they end ("(1 street ends earlier, at
// 10. March 2023 00:00)"; "from ... to ..." when they end at different hours).
std::vector<std::string> streetListKeyInfo(const StreetResultsStore &store);

// The key information of street i (0-based) of the store: its own traffic and
// period, the store's time of calculation, scenario year and city size (not
// known for a file of an older layout).
KeyInfoFacts streetKeyInfoFacts(const StreetResultsStore &store, std::size_t i);

class StreetResultsStore {
public:
    StreetResultsStore() = default;
    ~StreetResultsStore();
    StreetResultsStore(const StreetResultsStore &) = delete;
    StreetResultsStore &operator=(const StreetResultsStore &) = delete;

    // ---- Writing, by a run
    // Starts the store of a run in a temporary file: the statistics of the
    // state's StatVarList, the pollutants and their output unit factors, what
    // the state shows results by (its view) and its summary columns. False
    // with a message when the temporary file cannot be made, or the project's
    // title is longer than the file's reader takes (kMaxFieldText).
    bool start(const State &s, std::string *error);
    // A street's record: its statistics in the store's order (keys missing
    // from stats are -99). Reads only what start() set, so the streets of a
    // run may make their records side by side while the writer adds others.
    StreetRecord record(StreetEntry street, const KeyedList<StatVar> &stats) const;
    // Adds a street (the run's writer, in street order). After a failure (the
    // file cannot be written, or a name longer than the file's reader takes,
    // kMaxFieldText) the store takes no more streets and failed() is true.
    bool add(StreetRecord street, std::string *error);
    bool addStreet(StreetEntry street, const KeyedList<StatVar> &stats, std::string *error) {
        return add(record(std::move(street), stats), error);
    }
    bool failed() const { return m_failed; }
    // Ends the file with the time of calculation.
    bool finish(const std::string &calcTime, std::string *error);

    // ---- Reading a saved file: shown by what it keeps; a file of an older
    // layout by what it holds and the limit values of the state's country
    // lists (never by the state's project options). nullptr with the reason
    // when the file cannot be read.
    // The file stays open with the store (see the file's opening comment).
    static std::shared_ptr<StreetResultsStore> open(const std::string &path, const State &s,
                                                    std::string *error);

    // ---- What the window reads
    const std::vector<StreetEntry> &streets() const { return m_streets; }
    const std::vector<SummaryColumn> &columns() const { return m_columns; }
    const std::string &title() const { return m_title; }
    int scenarioYear() const { return m_scenarioYear; }
    // What the results are shown by: the run's city size (not known for a
    // file of an older layout), options, limit values and percentiles.
    const ResultsView &view() const { return m_view; }
    const std::string &calcTime() const { return m_calcTime; }
    // The file the results are in (temporary until saved) and whether it was saved.
    const std::string &path() const { return m_path; }
    bool isTemporary() const { return m_temporary; }
    const KeyedList<Pollutant> &pollutants() const { return m_pollutants; }
    const std::vector<float> &outputUnitFactor() const { return m_factors; }
    // The run's output unit of each pollutant (empty for a file of version 1).
    const std::vector<std::string> &outputUnits() const { return m_units; }

    // The full statistics of street i (0-based) read back from the file;
    // false with a message when they cannot be read, or when a saved file
    // that was opened has changed since its streets were listed.
    bool streetStatistics(std::size_t i, KeyedList<StatVar> *stats, std::string *error) const;

    // Copies the file to path (through a temporary file, StagedFile); the
    // store is then no longer temporary (path() is path). A run's store keeps
    // reading what it wrote, a saved file that was opened the file it was
    // opened from (refused when that has changed since).
    bool saveAs(const std::string &path, std::string *error);

private:
    bool fail(const std::string &why, std::string *error) const;
    // Appends bytes to a run's file; false when they could not all be written.
    bool put(const std::string &bytes);
    // The summary columns of the state in the units the results show them in
    // (by the store's pollutants, factors and units); setColumns makes them the store's.
    std::vector<SummaryColumn> columnsOf(const State &s) const;
    void setColumns(const State &s);
    // Throws msr::Refusal when the summary columns read are not those that the
    // view, the pollutants and their factors make (as the run wrote them).
    void checkColumns(const State &s) const;
    // The line of the summary columns; reads one.
    std::string columnsLine() const;
    // Reads a saved file through in (StreetResultsReading.cpp); throws
    // msr::Refusal with what is wrong.
    void readSaved(SavedLines &in, const State &s);
    void readColumns(std::string_view line);
    void readStreet(std::string_view line, std::uint64_t offset, std::vector<float> &values);
    // False with a message when a saved file that was opened has changed since it was read.
    bool unchanged(std::string *error) const;
    std::string changedText() const;
    // Where each summary column's statistic is in the street lines.
    void findColumnKeys();
    void summarise(StreetEntry &street, const std::vector<float> &values) const;
    void removeTemporary();

    std::string m_path;
    bool m_temporary = false;
    bool m_failed = false;
    // A run's file, written and read through the descriptor that created it
    // (never opened again by its name, which lies in a folder other users
    // may write too, as /tmp); or the saved file that was opened, read
    // through the descriptor it was read by.
    int m_fd = -1;
    // A saved file that was opened: its name then, and its identity as its
    // streets were read.
    bool m_opened = false;
    std::string m_openedPath;
    SavedFileIdentity m_openedIdentity;
    std::uint64_t m_openedHash = 0;          // of its bytes (streetResultsHash)
    std::vector<std::uint64_t> m_lineHashes; // of each street's line as it was read
    int m_version = 3;
    bool m_writing = false;      // the run's file takes streets (start() to finish())
    std::uint64_t m_written = 0; // bytes written to it
    std::string m_title;
    int m_scenarioYear = 0;
    ResultsView m_view;
    std::string m_calcTime;
    std::vector<std::string> m_keys;
    KeyedList<Pollutant> m_pollutants;
    std::vector<float> m_factors;
    std::vector<std::string> m_units;
    std::vector<SummaryColumn> m_columns;
    std::vector<int> m_columnKeys;   // per summary column, its key's position in m_keys (-1 = none)
    std::size_t m_streetFields = 14; // fields of a street line before its statistics
    std::vector<StreetEntry> m_streets;
    std::string m_line; // kept for its capacity
};

} // namespace results
} // namespace vesk
