#pragma once

// The statistics of one street's time series, driven hour by hour by the run.
//
// For every pollutant, street side (1, 2) and series (modelled, measured,
// background) the engine keeps the hourly count, sum and ranked values, the
// running 8-hour window with the day's maximum of its averages and the ranked
// daily maxima, and the day's sums from which each day's averages are made.
// At the end it hands out the named statistics (averages, counts, maxima,
// n-th highest values and percentiles of the three families) and the days.
//
// How the run drives it, once per street (or once per whole route):
//
//   engine.startSeries(setup);              // street set-up
//   engine.setStreet(name, x, y);           // again whenever the street changes (routes)
//   for every accepted hour:
//       if the hour's date differs from the previous accepted hour's date:
//           engine.changeDay(day);          // closes the day in progress, starts the next
//       engine.beginHour(hoursElapsed);     // whole hours since the previous accepted hour
//       for every pollutant p and side 1, 2:
//           engine.addHour(p, side, values);
//           ... engine.run8Average(p, side, series) for the hourly output rows
//   engine.endSeries();                     // closes the last day
//   engine.publish(sink) / publishStatistics(...)   // when at least one hour was accepted
//
// A value is taken only when its flag is set and it is >= 0; the pairing rule
// (calcOnlyIfBoth) then decides which series take the hour.

#include "calc/StatSeries.h"
#include "calc/StatTopList.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vesk {

// The percentile definitions of one family, in list order.
struct PercentileFamily {
    std::vector<std::string> names; // percentile statistic names, e.g. "98_Perc"
    std::vector<int> nth;           // n of the n-th highest value belonging to each
    std::vector<float> fractions;   // exceedance fraction 1 - p/100, as stored
    // Number of complete definitions (the shortest of the three lists).
    std::size_t size() const;
};

struct StatisticsSetup {
    std::vector<std::string> PollutantNames; // index 0..NPol
    // Per pollutant source modes (0 none, 1 modelled, 2 measured, 3 both); a
    // pollutant without an entry counts as 0.
    std::vector<int> PercSource;  // hourly ranked lists
    std::vector<int> Run8Source;  // running 8-hour values
    std::vector<int> DailySource; // daily averages
    bool CalcOnlyIfBoth = false;
    bool CalcDaily = true;
    int MinNobs8 = 6;     // fewest admitted hours of an 8-hour average
    int MinDailyMax = 18; // a day counts with more valid 8-hour averages than this
    int MinNobsDay = 18;  // fewest hours of a daily average
    PercentileFamily hourly;
    PercentileFamily run8;
    PercentileFamily daily;
};

// A calendar day as the run dates it.
struct StatDay {
    int year = 1900;
    int month = 1;
    int day = 1;
    int dayOfWeek = 0; // Monday = 1 .. Sunday = 7
    int dayCase = 0;
};

// Text of a day: yyyy-mm-dd.
std::string statDayText(const StatDay &day);

// One closed day: its calendar data, the street current when it closed, and
// the daily averages per pollutant, side and series (-99 = none).
struct StatDayRecord {
    StatDay day;
    std::string key; // the day's text, made unique with " (2)", " (3)" ... when repeated
    std::string streetName;
    double x = 0.0; // map coordinates of the street
    double y = 0.0;
    std::vector<std::array<std::array<float, kSeriesCount>, 2>> averages; // [pollutant][side - 1][series]

    float value(int pollutant, int side, Series series) const;
};

// Receives every published statistic: key (statistic & pollutant & series
// suffix), receptor (1 or 2) and value.
using StatSink = std::function<void(const std::string &key, int receptor, float value)>;

class StatisticsEngine {
public:
    // Street set-up: takes the options and definitions, clears everything.
    void startSeries(const StatisticsSetup &setup);
    const StatisticsSetup &setup() const { return m_setup; }

    // Street name and coordinates given to the days closed from now on.
    void setStreet(const std::string &name, double x, double y);

    // Closes the day in progress (when it had an hour) and starts `day`: the
    // hours added afterwards belong to it. Call it before the hour's addHour.
    // A date seen before (data going back in time, a route over the same
    // dates) makes a day of its own whose key gets " (2)", " (3)" ...
    void changeDay(const StatDay &day);

    // Starts an accepted hour. hoursElapsed: whole hours since the previous
    // accepted hour (below 1 counts as 1; 8 or more restarts the 8-hour windows).
    void beginHour(long hoursElapsed);

    // Takes the hour's values of one pollutant (0..NPol) and side (1 or 2):
    // the final values of the hour (modelled after the NO2 chemistry; the
    // background, the same for both sides, given with each side), with the
    // run's flags and whether the side is in use.
    // Returns false, taking nothing, for a pollutant or side out of range or a
    // second call for the same pollutant and side within one hour.
    bool addHour(int pollutant, int side, const StatHourValues &values);

    // The 8-hour average of the last hour added (-99 when not valid or never formed).
    float run8Average(int pollutant, int side, Series series) const;

    // Closes the last day. Further calls do nothing until the next startSeries.
    void endSeries();

    // Hours begun since startSeries.
    long acceptedHours() const { return m_acceptedHours; }
    // The closed days in the order they were closed.
    const std::vector<StatDayRecord> &days() const { return m_days; }

    // Hands every statistic of every pollutant and side to the sink, in the
    // order: daily family, averages and hour counts, hourly family, running
    // 8-hour family. Series a mode does not select give -99.
    void publish(const StatSink &sink) const;

    // Direct reads for checks and reports (0 / an empty list out of range).
    long hourCount(int pollutant, int side, Series series) const;
    double hourSum(int pollutant, int side, Series series) const;
    const TopList &hourlyList(int pollutant, int side, Series series) const;
    const TopList &run8List(int pollutant, int side, Series series) const;

private:
    struct SideState {
        std::array<HourlySeries, kSeriesCount> hourly;
        std::array<Run8Window, kSeriesCount> window;
        std::array<float, kSeriesCount> average8{};
        std::array<Run8DayMaximum, kSeriesCount> dayMax;
        std::array<TopList, kSeriesCount> run8Top;
        std::array<DaySum, kSeriesCount> daySum;
        long lastClock = 0;
        long lastHour = -1;
        bool windowsStarted = false;
        void reset();
    };

    bool inRange(int pollutant, int side) const;
    int polCount() const { return static_cast<int>(m_setup.PollutantNames.size()); }
    static int modeOf(const std::vector<int> &modes, int pollutant);
    SideState &side(int pollutant, int side) {
        return m_sides[static_cast<std::size_t>(pollutant * 2 + side - 1)];
    }
    const SideState &side(int pollutant, int side) const {
        return m_sides[static_cast<std::size_t>(pollutant * 2 + side - 1)];
    }
    void closeDay();
    void publishDaily(const StatSink &sink) const;

    StatisticsSetup m_setup;
    std::vector<SideState> m_sides;
    std::vector<StatDayRecord> m_days;
    std::map<std::string, int> m_keyUses;
    std::string m_streetName;
    double m_streetX = 0.0;
    double m_streetY = 0.0;
    StatDay m_day;
    bool m_dayOpen = false;
    long m_dayHours = 0;
    long m_clock = 0;
    long m_hourIndex = -1;
    long m_acceptedHours = 0;
    bool m_ended = false;
};

// Publishes one family of ranked statistics of one pollutant and receptor:
// for each definition j the percentile (names[j] & pol & suffix) and the n-th
// highest value (n & nthSuffix & pol & suffix), then the maxima (maxName & pol
// & suffix), then, when countName is not empty, the counts. lists and counts
// are in the order modelled, measured, background; counts give the percentile
// position (fraction x count).
void publishRankedFamily(const StatSink &sink, const PercentileFamily &family, const std::string &nthSuffix,
                         const std::string &maxName, const std::string &countName,
                         const std::array<const TopList *, kSeriesCount> &lists,
                         const std::array<long, kSeriesCount> &counts, int mode, const std::string &pollutant,
                         int receptor);

} // namespace vesk
