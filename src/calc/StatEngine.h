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
//   engine.endSeries();                     // closes the last day (and the last block)
//   engine.publish(sink) / publishStatistics(...)   // when at least one hour was accepted
//
// Fed in blocks (StatisticsSetup::BlockHours > 0), addHour does at once only
// what the hour itself needs: the running 8-hour windows (whose averages the
// hourly output rows show) and the day's maximum of their averages. The hour
// counts, sums, ranked values and the day's sums wait until the block is full
// (or endSeries / flush), and are then taken series by series over the whole
// block, in hour order, so that every sum adds the same values in the same
// order as the hour-by-hour feed and every result is the same to the last bit.
// Days that closed within the block get their daily averages at that moment.
// Until then hourCount, hourSum, hourlyList and the daily averages of days()
// lag behind by the hours of the open block.
//
// A value is taken only when its flag is set and it is >= 0; the pairing rule
// (calcOnlyIfBoth) then decides which series take the hour.
//
// The set-up may say which statistics the run asks for (StatisticsDemand):
// the parts nobody asks for are neither computed nor published, and the
// statistics of those parts keep whatever value the caller's list held.

#include "calc/StatSeries.h"
#include "calc/StatTopList.h"
#include "core/SharedText.h"

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

// The parts of the statistics of one pollutant and series: the hourly
// count and sum (averages, hour counts), the ranked hourly values (hourly
// family), the running 8-hour windows with their daily maxima (8-hour
// averages of the hourly rows, running 8-hour family) and the day's sums
// (daily averages of the days, daily family).
enum class StatPart { Sums = 0, Ranks = 1, Run8 = 2, Daily = 3 };
constexpr int kStatPartCount = 4;

// Which parts of which pollutant and series a run asks for. By default
// everything; after none(), only what ask() adds.
class StatisticsDemand {
public:
    static StatisticsDemand none() {
        StatisticsDemand d;
        d.m_all = false;
        return d;
    }
    bool all() const { return m_all; }
    // Asks for a part (ranks and percentiles need the hour count: Ranks
    // asks for Sums too).
    void ask(int pollutant, StatPart part, Series series);
    bool wants(int pollutant, StatPart part, Series series) const {
        return (mask(pollutant) & bit(part, series)) != 0;
    }
    // Any series of the part.
    bool wants(int pollutant, StatPart part) const {
        return (mask(pollutant) & (bit(part, Series::Modelled) | bit(part, Series::Measured) |
                                   bit(part, Series::Background))) != 0;
    }
    // Any part of the pollutant.
    bool wantsAny(int pollutant) const { return mask(pollutant) != 0; }

private:
    static constexpr unsigned bit(StatPart part, Series series) {
        return 1u << (static_cast<unsigned>(part) * kSeriesCount + static_cast<unsigned>(series));
    }
    unsigned mask(int pollutant) const {
        if (m_all) {
            return ~0u;
        }
        return pollutant >= 0 && static_cast<std::size_t>(pollutant) < m_asked.size()
                   ? m_asked[static_cast<std::size_t>(pollutant)]
                   : 0u;
    }
    bool m_all = true;
    std::vector<unsigned> m_asked; // per pollutant: a bit per part and series
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
    int BlockHours = 0;   // hours gathered before the sums and ranks take them (0: at once)
    PercentileFamily hourly;
    PercentileFamily run8;
    PercentileFamily daily;
    StatisticsDemand demand; // everything unless the run says otherwise
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
    std::string key;       // the day's text, made unique with " (2)", " (3)" ... when repeated
    SharedText streetName; // one text for every day of the street
    double x = 0.0;        // map coordinates of the street
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

    // Closes the last day and takes the open block. Further calls do nothing
    // until the next startSeries.
    void endSeries();

    // Takes the hours of the open block into the sums, ranked values and days
    // now (the block feed does so by itself when a block is full).
    void flush();

    // Hours begun since startSeries.
    long acceptedHours() const { return m_acceptedHours; }
    // The closed days in the order they were closed.
    const std::vector<StatDayRecord> &days() const { return m_days; }

    // Hands every statistic of every pollutant and side to the sink, in the
    // order: daily family, averages and hour counts, hourly family, running
    // 8-hour family. Series a mode does not select give -99. Statistics of
    // parts the demand leaves out are not handed over.
    void publish(const StatSink &sink) const;

    // The demand that computes exactly the statistics whose key `asked`
    // accepts (keys as publish hands them), for the pollutants and families
    // of `setup`.
    static StatisticsDemand demandFor(const StatisticsSetup &setup,
                                      const std::function<bool(const std::string &key)> &asked);

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
        // The open block: per hour the values and which series still take
        // them (bit i = Series i); an hour without addHour keeps bits 0.
        struct Pending {
            std::array<float, kSeriesCount> value;
            unsigned take;
        };
        std::vector<Pending> pending;
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
    // A statistic with the part, pollutant and series it comes from.
    using SourcedSink = std::function<void(const std::string &key, int receptor, float value, StatPart part,
                                           int pollutant, Series series)>;
    // What an hour of a pollutant feeds, per part a bit per series (bit i =
    // Series i): made once per street from the modes, the daily switch and
    // the demand.
    struct PollutantPlan {
        unsigned sums = 0, ranks = 0, run8 = 0, daily = 0;
        bool any() const { return (sums | run8 | daily) != 0; }
    };
    void closeDay();
    // A day closed within the open block: its hours end before block hour
    // `hour`; its daily averages go into m_days[record] (none when -1).
    struct PendingDay {
        long hour;
        long record;
    };
    void flushSide(int pollutant, int side);
    // Closes the day's sum of a series into the day m_days[record] (none when -1).
    void closeDaySum(int pollutant, int side, unsigned series, long record);
    void publishAll(const SourcedSink &sink) const;
    void publishDaily(const SourcedSink &sink) const;
    void publishRankedFamily(const SourcedSink &sink, StatPart part, const PercentileFamily &family,
                             const std::string &nthSuffix, const std::string &maxName,
                             const std::string &countName,
                             const std::array<const TopList *, kSeriesCount> &lists,
                             const std::array<long, kSeriesCount> &counts, int mode, int pollutant,
                             int receptor) const;

    StatisticsSetup m_setup;
    std::vector<SideState> m_sides;
    std::vector<PollutantPlan> m_plan;
    std::vector<StatDayRecord> m_days;
    std::map<std::string, int> m_keyUses;
    SharedText m_streetName;
    double m_streetX = 0.0;
    double m_streetY = 0.0;
    StatDay m_day;
    bool m_dayOpen = false;
    long m_dayHours = 0;
    long m_clock = 0;
    long m_hourIndex = -1;
    long m_acceptedHours = 0;
    bool m_ended = false;
    long m_blockHours = 0; // hours begun in the open block
    std::vector<PendingDay> m_pendingDays;
    std::vector<float> m_ranked; // a series' values of the block, as they go into its list
};

} // namespace vesk
