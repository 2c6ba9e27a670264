#pragma once

// What a multi-street run showed its results by, kept once in the header of
// its results file so that the file shows the same, whatever project is open
// when it is read again: the run's facts (city size), the options that decide
// which pollutants, rows and statistics the tables show, and the limit values
// and percentile definitions of the country's lists as they were. A file that
// keeps none of this (an older layout) gets a view made of what it holds:
// every pollutant it has statistics of, the series and percentile modes of
// its statistics, and the limit values of the country's lists.
//
// Per-pollutant options run by the Index of the store's pollutants (the
// pollutants of the run, or of the file in file order).
//
// Header lines (fields as in the rest of the file; see StreetResults.h):
//   "Run",<city size>,<city size name>,<PercMode>,<Run8PercMode>,
//     <DailyPercMode>,<ShowOnlyIfLV>,<ShowLimitValMode>
//   "Shown",<n>, then n groups: pollutant, long name, default output unit,
//     shown (#TRUE#/#FALSE#), PercSource, Run8Source, AvSource, DailySource
//   "Percentiles", then per family (hourly, running 8-hour, daily): <n>,
//     then n groups: n-th highest, percentile word, column name as n-th
//     highest, column name as percentile
//   "Headings", the ten section headings and column names of the table
//   "Limits",<number of limit-value pollutants>, then one line per pollutant:
//   "Limit",<pollutant>,<long name>,<rows>, then per row: title, hourly
//     average, hourly maximum, hourly data capture, running 8-hour maximum
//     and data capture, daily maximum and data capture, the hourly, running
//     8-hour and daily percentile limits (-99 = none)

#include "core/CoreState.h"
#include "core/KeptSizes.h"
#include "core/KeyedList.h"
#include "core/Pollutant.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct State;

namespace results {

// One percentile family's definitions, entries 1..count (entry 0 unused).
struct PercentileFamily {
    std::vector<int> nth{0};
    std::vector<std::string> names{std::string()};
    int count() const { return static_cast<int>(nth.size()) - 1; }
};

struct ResultsView {
    // The city size of the run (below 1: the user provided meteorology and
    // background) and its name; not known for a file of an older layout.
    bool citySizeKnown = false;
    int citySize = 0;
    std::string citySizeName;

    // By pollutant Index of the store.
    std::vector<std::string> longNames, defOutputUnits;
    std::vector<bool> showPol;
    std::vector<int> percSource, run8Source, avSource, dailySource;

    int percMode = 0, run8PercMode = 0, dailyPercMode = 0;
    bool showOnlyIfLV = false;
    int showLimitValMode = 1;
    std::array<PercentileFamily, 3> percentiles; // hourly, running 8-hour, daily
    LimitValueTables limits;
};

// The view of a run: the state's facts, options and lists as the run shows them.
ResultsView runView(const State &s, const KeyedList<Pollutant> &stored);

// The view of a file that keeps none (versions 1 and 2), made of what it
// holds: every pollutant of stored shown, its series (modelled, measured,
// background) and percentile modes as its statistics keys give them, limit
// values and percentile definitions of the state's country lists, the limit
// values on the page of both sides. The city size is not known.
ResultsView viewOfStatistics(const State &s, const KeyedList<Pollutant> &stored,
                             const std::vector<std::string> &keys);

// Puts the view into s (a copy of the program's state that shows the
// results): its pollutant list becomes stored with the view's long names,
// and the per-pollutant options, percentile modes and definitions, limit
// values and both sides of a street are the view's. The user's number
// format, hidden columns and folders stay as they are.
void applyView(const ResultsView &v, const KeyedList<Pollutant> &stored, State &s);

// The view's header lines, each ended by CR LF.
std::string viewLines(const ResultsView &v, const KeyedList<Pollutant> &stored);

// Reads a header line of the view into v: false when the line is no line of
// the view (and then it is not taken apart at all); throws msr::Refusal when
// it is one that cannot be read: a count beyond the bounds below or other
// than the groups that follow it, a number that is none or lies outside its
// range (an integer beyond int, a value no float can hold), a limit value
// that cannot be. Its fields are counted and held to what its counts say
// before they are taken apart, so that a damaged line costs no more memory
// than a sound one of its size.
bool readViewLine(std::string_view line, const KeyedList<Pollutant> &stored, ResultsView &v);

// The text of a results file: fields of a line, comma-separated, texts in
// double quotes with a quote written twice.
namespace msr {

// What is wrong with a line of a results file, in the program's words (the
// reader adds the file and the line).
class Refusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bounds of what a results file may hold, far beyond any real one (the
// largest country lists hold a few dozen pollutants, some twenty percentile
// definitions and a handful of limit values per pollutant), so that a
// damaged count is refused before memory is taken for it. The pollutants,
// percentile definitions and limit values are those the country's lists can
// hold (KeptSizes.h), no more: a run never writes more, and a street page at
// these bounds still opens within a few seconds.
// Pollutants, also those with limit values.
inline constexpr long long kMaxPollutants = vesk::kMaxPollutants;
inline constexpr long long kMaxStatistics = 200000; // statistics of each street
// Percentile definitions of one family, and limit values of one pollutant.
inline constexpr long long kMaxPercentiles = kMaxPercentileDefinitions;
inline constexpr long long kMaxLimitRows = kMaxLimitValueRows;
// Summary columns of the street list: a column of each statistic with a
// limit value, seven and one a percentile definition of each family, of
// every pollutant.
inline constexpr long long kMaxColumns = kMaxPollutants * (7 + 3 * kMaxPercentiles);
inline constexpr long long kMaxPeriodHours = 1000000000;        // hours or days of a street's period
inline constexpr long long kMaxDailyTraffic = 1000000000000000; // vehicles a day, calculated

void appendQuoted(std::string &out, std::string_view text);
void appendFloat(std::string &out, float v);
// The fields of a line, quotes removed and doubled quotes read as one; at
// most the first limit of them. Throws Refusal at a field longer than the
// program writes (kMaxFieldText characters), before it is copied.
std::vector<std::string> fieldsOf(std::string_view line, std::size_t limit = SIZE_MAX);
// The number of fields fieldsOf finds in a line, counted without taking them
// apart; throws Refusal when a text in double quotes is not closed (a line
// cut) or a field is longer than the program writes.
std::size_t fieldCount(std::string_view line);
// The number of a field; throws Refusal when it is none.
double numberOf(const std::string &field);
// The whole number of a field from lo to hi (both within +-2^53); throws
// Refusal naming what the field is when it is no number, no whole number or
// lies outside the range.
long long integerOf(const std::string &field, long long lo, long long hi, const std::string &what);
// The same from the smallest to the largest int.
int intOf(const std::string &field, const std::string &what);
// The number of a field as the results keep it, in single precision; throws
// Refusal naming what the field is when it is no number or no float can hold
// it (-99, missing, is a number like any other).
float floatOf(const std::string &field, const std::string &what);

} // namespace msr

} // namespace results
} // namespace vesk
