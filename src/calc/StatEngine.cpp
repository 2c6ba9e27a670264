#include "calc/StatEngine.h"

#include <algorithm>
#include <cstdio>

namespace vesk {

void StatisticsDemand::ask(int pollutant, StatPart part, Series series) {
    if (m_all || pollutant < 0) {
        return;
    }
    if (static_cast<std::size_t>(pollutant) >= m_asked.size()) {
        m_asked.resize(static_cast<std::size_t>(pollutant) + 1, 0u);
    }
    unsigned &asked = m_asked[static_cast<std::size_t>(pollutant)];
    asked |= bit(part, series);
    if (part == StatPart::Ranks) {
        asked |= bit(StatPart::Sums, series);
    }
}

std::size_t PercentileFamily::size() const {
    return std::min({names.size(), nth.size(), fractions.size()});
}

std::string statDayText(const StatDay &day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
    return text;
}

float StatDayRecord::value(int pollutant, int side, Series series) const {
    if (pollutant < 0 || static_cast<std::size_t>(pollutant) >= averages.size() || side < 1 || side > 2) {
        return kStatMissing;
    }
    return averages[static_cast<std::size_t>(pollutant)][static_cast<std::size_t>(side - 1)]
                   [static_cast<std::size_t>(series)];
}

void StatisticsEngine::SideState::reset() {
    for (auto &h : hourly) {
        h.reset();
    }
    for (auto &w : window) {
        w.reset();
    }
    average8.fill(kStatMissing);
    dayMax.fill(Run8DayMaximum{});
    for (auto &t : run8Top) {
        t.reset();
    }
    daySum.fill(DaySum{});
    for (Pending &hour : pending) {
        hour.take = 0;
    }
    lastClock = 0;
    lastHour = -1;
    windowsStarted = false;
}

int StatisticsEngine::modeOf(const std::vector<int> &modes, int pollutant) {
    if (pollutant < 0 || static_cast<std::size_t>(pollutant) >= modes.size()) {
        return 0;
    }
    return modes[static_cast<std::size_t>(pollutant)];
}

void StatisticsEngine::startSeries(const StatisticsSetup &setup) {
    m_setup = setup;
    // Sides are reset in place so that their memory serves the next street.
    m_sides.resize(static_cast<std::size_t>(polCount()) * 2);
    for (auto &s : m_sides) {
        s.reset();
    }
    m_plan.assign(static_cast<std::size_t>(polCount()), PollutantPlan{});
    for (int p = 0; p < polCount(); ++p) {
        PollutantPlan &plan = m_plan[static_cast<std::size_t>(p)];
        const StatisticsDemand &demand = m_setup.demand;
        const int percMode = modeOf(m_setup.PercSource, p);
        const int run8Mode = modeOf(m_setup.Run8Source, p);
        const bool daily = m_setup.CalcDaily && modeOf(m_setup.DailySource, p) > 0;
        for (Series s : kAllSeries) {
            const unsigned bit = 1u << static_cast<unsigned>(s);
            if (demand.wants(p, StatPart::Sums, s)) {
                plan.sums |= bit;
                if (modeSelects(percMode, s) && demand.wants(p, StatPart::Ranks, s)) {
                    plan.ranks |= bit;
                }
            }
            if (run8Mode > 0 && modeSelects(run8Mode, s) && demand.wants(p, StatPart::Run8, s)) {
                plan.run8 |= bit;
            }
            if (daily && demand.wants(p, StatPart::Daily, s)) {
                plan.daily |= bit;
            }
        }
        // Only what waits for the block needs room in it.
        const bool waits = m_setup.BlockHours > 0 && (plan.sums | plan.daily) != 0;
        m_ranked.resize(waits ? static_cast<std::size_t>(m_setup.BlockHours) : m_ranked.size());
        for (int sd = 1; sd <= 2; ++sd) {
            side(p, sd).pending.resize(waits ? static_cast<std::size_t>(m_setup.BlockHours) : 0,
                                       SideState::Pending{});
        }
    }
    m_blockHours = 0;
    m_pendingDays.clear();
    m_days.clear();
    m_keyUses.clear();
    m_day = StatDay{};
    m_dayOpen = false;
    m_dayHours = 0;
    m_clock = 0;
    m_hourIndex = -1;
    m_acceptedHours = 0;
    m_ended = false;
}

void StatisticsEngine::setStreet(const std::string &name, double x, double y) {
    m_streetName = name;
    m_streetX = x;
    m_streetY = y;
}

void StatisticsEngine::closeDaySum(int pollutant, int sideNo, unsigned series, long record) {
    // A series the day does not sum keeps the -99 its record was made with.
    const float average = side(pollutant, sideNo).daySum[series].close(m_setup.MinNobsDay);
    if (record >= 0) {
        m_days[static_cast<std::size_t>(record)]
            .averages[static_cast<std::size_t>(pollutant)][static_cast<std::size_t>(sideNo - 1)][series] =
            average;
    }
}

void StatisticsEngine::closeDay() {
    const bool hadHours = m_dayOpen && m_dayHours > 0;
    const int n = polCount();

    if (m_setup.CalcDaily) {
        StatDayRecord record;
        if (hadHours) {
            record.day = m_day;
            const std::string text = statDayText(m_day);
            const int use = ++m_keyUses[text];
            record.key = use == 1 ? text : text + " (" + std::to_string(use) + ")";
            record.streetName = m_streetName;
            record.x = m_streetX;
            record.y = m_streetY;
            std::array<std::array<float, kSeriesCount>, 2> missing{};
            for (auto &sideValues : missing) {
                sideValues.fill(kStatMissing);
            }
            record.averages.assign(static_cast<std::size_t>(n), missing);
        }
        if (hadHours) {
            m_days.push_back(std::move(record));
        }
        const long index = hadHours ? static_cast<long>(m_days.size()) - 1 : -1L;
        if (m_setup.BlockHours > 0) {
            // The day's sums are taken with the block; so is its average.
            m_pendingDays.push_back({m_blockHours, index});
        } else {
            for (int p = 0; p < n; ++p) {
                for (unsigned daily = m_plan[static_cast<std::size_t>(p)].daily, i = 0; daily != 0;
                     daily >>= 1, ++i) {
                    if ((daily & 1u) != 0) {
                        closeDaySum(p, 1, i, index);
                        closeDaySum(p, 2, i, index);
                    }
                }
            }
        }
    }

    for (int p = 0; p < n; ++p) {
        const int mode = modeOf(m_setup.Run8Source, p);
        if (mode <= 0 || !m_setup.demand.wants(p, StatPart::Run8)) {
            continue;
        }
        for (int sd = 1; sd <= 2; ++sd) {
            SideState &st = side(p, sd);
            for (Series s : kAllSeries) {
                const auto i = static_cast<std::size_t>(s);
                st.dayMax[i].endDay(hadHours && modeSelects(mode, s), m_setup.MinDailyMax, st.run8Top[i]);
            }
        }
    }
    m_dayOpen = false;
    m_dayHours = 0;
}

void StatisticsEngine::changeDay(const StatDay &day) {
    if (m_ended) {
        return;
    }
    closeDay();
    m_day = day;
    m_dayOpen = true;
    m_dayHours = 0;
}

void StatisticsEngine::beginHour(long hoursElapsed) {
    if (m_ended) {
        return;
    }
    if (m_setup.BlockHours > 0) {
        if (m_blockHours >= m_setup.BlockHours) {
            flush();
        }
        ++m_blockHours;
    }
    m_clock += std::max(hoursElapsed, 1L);
    ++m_hourIndex;
    ++m_acceptedHours;
    if (m_dayOpen) {
        ++m_dayHours;
    }
}

bool StatisticsEngine::addHour(int pollutant, int sideNo, const StatHourValues &values) {
    if (m_ended || m_hourIndex < 0 || !inRange(pollutant, sideNo)) {
        return false;
    }
    SideState &st = side(pollutant, sideNo);
    if (st.lastHour == m_hourIndex) {
        return false;
    }
    st.lastHour = m_hourIndex;
    const PollutantPlan &plan = m_plan[static_cast<std::size_t>(pollutant)];
    if (!plan.any()) {
        return true;
    }
    const std::array<float, kSeriesCount> value = {values.modelled, values.measured, values.background};
    const unsigned admitted = admittedSeries(values, m_setup.CalcOnlyIfBoth);

    // Running 8-hour windows and the day's maximum of their averages: the
    // hourly rows may show this hour's average, so they never wait.
    const long elapsed = st.windowsStarted ? m_clock - st.lastClock : 8;
#pragma GCC unroll 3
    for (unsigned i = 0; i < kSeriesCount; ++i) {
        if ((plan.run8 >> i & 1u) != 0) {
            const float average8 =
                st.window[i].update(value[i], (admitted >> i & 1u) != 0, elapsed, m_setup.MinNobs8);
            st.average8[i] = average8;
            st.dayMax[i].take(average8);
        }
    }
    st.windowsStarted = true;
    st.lastClock = m_clock;

    if (!st.pending.empty()) {
        st.pending[static_cast<std::size_t>(m_blockHours - 1)] = {value, admitted & (plan.sums | plan.daily)};
        return true;
    }
    // Hourly series: counts and sums whatever the mode, ranked values as selected.
    for (unsigned take = admitted & plan.sums, i = 0; take != 0; take >>= 1, ++i) {
        if ((take & 1u) != 0) {
            st.hourly[i].take(value[i], (plan.ranks >> i & 1u) != 0);
        }
    }
    // The day's sums: every admitted value, whatever the mode.
    for (unsigned sums = admitted & plan.daily, i = 0; sums != 0; sums >>= 1, ++i) {
        if ((sums & 1u) != 0) {
            st.daySum[i].take(value[i]);
        }
    }
    return true;
}

void StatisticsEngine::flushSide(int pollutant, int sideNo) {
    SideState &st = side(pollutant, sideNo);
    const PollutantPlan &plan = m_plan[static_cast<std::size_t>(pollutant)];
    const std::size_t hours = static_cast<std::size_t>(m_blockHours);
    const SideState::Pending *pending = st.pending.data();
    // An hour a series does not take adds an exact 0 to its sum (which, made
    // of values >= 0 from +0, is never -0), so the loops run without branches
    // and the sums stay those of the hour-by-hour feed.
    for (unsigned take = plan.sums, i = 0; take != 0; take >>= 1, ++i) {
        if ((take & 1u) == 0) {
            continue;
        }
        HourlySeries &series = st.hourly[i];
        const bool rank = (plan.ranks >> i & 1u) != 0;
        float *ranked = m_ranked.data();
        std::size_t n = 0;
        for (std::size_t h = 0; h < hours; ++h) {
            const float value = pending[h].value[i];
            const unsigned takes = pending[h].take >> i & 1u;
            series.sum += takes != 0 ? static_cast<double>(value) : 0.0;
            ranked[n] = value;
            n += takes;
        }
        series.count += static_cast<long>(n);
        if (rank) {
            series.top.add(ranked, n);
        }
    }
    for (unsigned daily = plan.daily, i = 0; daily != 0; daily >>= 1, ++i) {
        if ((daily & 1u) == 0) {
            continue;
        }
        DaySum &day = st.daySum[i];
        std::size_t h = 0;
        // The hours of each day closed within the block, then those of the open day.
        for (std::size_t d = 0; d <= m_pendingDays.size(); ++d) {
            const std::size_t end =
                d < m_pendingDays.size() ? static_cast<std::size_t>(m_pendingDays[d].hour) : hours;
            for (; h < end; ++h) {
                const unsigned takes = pending[h].take >> i & 1u;
                day.count += static_cast<int>(takes);
                day.sum += takes != 0 ? static_cast<double>(pending[h].value[i]) : 0.0;
            }
            if (d < m_pendingDays.size()) {
                closeDaySum(pollutant, sideNo, i, m_pendingDays[d].record);
            }
        }
    }
    for (std::size_t h = 0; h < hours; ++h) {
        st.pending[h].take = 0;
    }
}

void StatisticsEngine::flush() {
    for (int p = 0; p < polCount(); ++p) {
        for (int sd = 1; sd <= 2; ++sd) {
            if (!side(p, sd).pending.empty()) {
                flushSide(p, sd);
            }
        }
    }
    m_blockHours = 0;
    m_pendingDays.clear();
}

float StatisticsEngine::run8Average(int pollutant, int sideNo, Series series) const {
    if (!inRange(pollutant, sideNo)) {
        return kStatMissing;
    }
    return side(pollutant, sideNo).average8[static_cast<std::size_t>(series)];
}

void StatisticsEngine::endSeries() {
    if (m_ended) {
        return;
    }
    closeDay();
    flush();
    m_ended = true;
}

bool StatisticsEngine::inRange(int pollutant, int sideNo) const {
    return pollutant >= 0 && pollutant < polCount() && sideNo >= 1 && sideNo <= 2;
}

long StatisticsEngine::hourCount(int pollutant, int sideNo, Series series) const {
    return inRange(pollutant, sideNo) ? side(pollutant, sideNo).hourly[static_cast<std::size_t>(series)].count
                                      : 0;
}

double StatisticsEngine::hourSum(int pollutant, int sideNo, Series series) const {
    return inRange(pollutant, sideNo) ? side(pollutant, sideNo).hourly[static_cast<std::size_t>(series)].sum
                                      : 0.0;
}

const TopList &StatisticsEngine::hourlyList(int pollutant, int sideNo, Series series) const {
    static const TopList empty;
    return inRange(pollutant, sideNo) ? side(pollutant, sideNo).hourly[static_cast<std::size_t>(series)].top
                                      : empty;
}

const TopList &StatisticsEngine::run8List(int pollutant, int sideNo, Series series) const {
    static const TopList empty;
    return inRange(pollutant, sideNo) ? side(pollutant, sideNo).run8Top[static_cast<std::size_t>(series)]
                                      : empty;
}

void StatisticsEngine::publishRankedFamily(const SourcedSink &sink, StatPart part,
                                           const PercentileFamily &family, const std::string &nthSuffix,
                                           const std::string &maxName, const std::string &countName,
                                           const std::array<const TopList *, kSeriesCount> &lists,
                                           const std::array<long, kSeriesCount> &counts, int mode,
                                           int pollutant, int receptor) const {
    const std::string &pol = m_setup.PollutantNames[static_cast<std::size_t>(pollutant)];
    const std::size_t definitions = family.size();
    // Settling the deepest slot asked for first leaves every other read a
    // search among the few values in front of it, not a pass over the list.
    for (Series s : kAllSeries) {
        const auto i = static_cast<std::size_t>(s);
        if (!modeSelects(mode, s) || !m_setup.demand.wants(pollutant, part, s)) {
            continue;
        }
        long deepest = 1;
        for (std::size_t j = 0; j < definitions; ++j) {
            deepest = std::max(
                {deepest, static_cast<long>(family.nth[j]), percentileIndex(family.fractions[j], counts[i])});
        }
        lists[i]->slot(std::min(deepest, lists[i]->count()));
    }
    for (std::size_t j = 0; j < definitions; ++j) {
        for (Series s : kAllSeries) {
            const auto i = static_cast<std::size_t>(s);
            if (!m_setup.demand.wants(pollutant, part, s)) {
                continue;
            }
            float percentile = kStatMissing;
            float nthHighest = kStatMissing;
            if (modeSelects(mode, s)) {
                nthHighest = lists[i]->slot(family.nth[j]);
                percentile = lists[i]->slot(percentileIndex(family.fractions[j], counts[i]));
            }
            const std::string tail = pol + seriesSuffix(s);
            sink(family.names[j] + tail, receptor, percentile, part, pollutant, s);
            sink(std::to_string(family.nth[j]) + nthSuffix + tail, receptor, nthHighest, part, pollutant, s);
        }
    }
    for (Series s : kAllSeries) {
        if (!m_setup.demand.wants(pollutant, part, s)) {
            continue;
        }
        const auto i = static_cast<std::size_t>(s);
        const float maximum = modeSelects(mode, s) ? lists[i]->slot(1) : kStatMissing;
        sink(maxName + pol + seriesSuffix(s), receptor, maximum, part, pollutant, s);
    }
    if (!countName.empty()) {
        for (Series s : kAllSeries) {
            if (!m_setup.demand.wants(pollutant, part, s)) {
                continue;
            }
            sink(countName + pol + seriesSuffix(s), receptor,
                 static_cast<float>(counts[static_cast<std::size_t>(s)]), part, pollutant, s);
        }
    }
}

void StatisticsEngine::publishDaily(const SourcedSink &sink) const {
    const int n = polCount();
    // Ranked daily averages per pollutant, side and series, built from the days.
    std::vector<std::array<std::array<TopList, kSeriesCount>, 2>> lists(static_cast<std::size_t>(n));
    if (m_setup.CalcDaily) {
        for (const StatDayRecord &day : m_days) {
            for (int p = 0; p < n; ++p) {
                const int mode = modeOf(m_setup.DailySource, p);
                if (mode <= 0) {
                    continue;
                }
                for (int sd = 1; sd <= 2; ++sd) {
                    for (Series s : kAllSeries) {
                        const float average = day.value(p, sd, s);
                        if (average >= 0.0f && modeSelects(mode, s)) {
                            lists[static_cast<std::size_t>(p)][static_cast<std::size_t>(sd - 1)]
                                 [static_cast<std::size_t>(s)]
                                     .add(average);
                        }
                    }
                }
            }
        }
    }
    for (int p = 0; p < n; ++p) {
        for (int sd = 1; sd <= 2; ++sd) {
            const auto &l = lists[static_cast<std::size_t>(p)][static_cast<std::size_t>(sd - 1)];
            publishRankedFamily(sink, StatPart::Daily, m_setup.daily, "thHighestDaily", "MaxDaily", "nDaysD",
                                {&l[0], &l[1], &l[2]}, {l[0].count(), l[1].count(), l[2].count()},
                                modeOf(m_setup.DailySource, p), p, sd);
        }
    }
}

void StatisticsEngine::publishAll(const SourcedSink &sink) const {
    const int n = polCount();
    const StatisticsDemand &demand = m_setup.demand;
    publishDaily(sink);

    for (int p = 0; p < n; ++p) {
        const std::string &pol = m_setup.PollutantNames[static_cast<std::size_t>(p)];
        for (int sd = 1; sd <= 2; ++sd) {
            const SideState &st = side(p, sd);
            for (Series s : kAllSeries) {
                if (demand.wants(p, StatPart::Sums, s)) {
                    const auto &h = st.hourly[static_cast<std::size_t>(s)];
                    sink("Av" + pol + seriesSuffix(s), sd, seriesAverage(h.count, h.sum), StatPart::Sums, p,
                         s);
                }
            }
            for (Series s : kAllSeries) {
                if (demand.wants(p, StatPart::Sums, s)) {
                    sink("nHours" + pol + seriesSuffix(s), sd,
                         static_cast<float>(st.hourly[static_cast<std::size_t>(s)].count), StatPart::Sums, p,
                         s);
                }
            }
        }
    }

    for (int p = 0; p < n; ++p) {
        for (int sd = 1; sd <= 2; ++sd) {
            const SideState &st = side(p, sd);
            publishRankedFamily(sink, StatPart::Ranks, m_setup.hourly, "thHighest", "MaxHourly", "",
                                {&st.hourly[0].top, &st.hourly[1].top, &st.hourly[2].top},
                                {st.hourly[0].count, st.hourly[1].count, st.hourly[2].count},
                                modeOf(m_setup.PercSource, p), p, sd);
        }
    }

    for (int p = 0; p < n; ++p) {
        for (int sd = 1; sd <= 2; ++sd) {
            const SideState &st = side(p, sd);
            publishRankedFamily(sink, StatPart::Run8, m_setup.run8, "thHighestRun8", "MaxRun8", "nDays",
                                {&st.run8Top[0], &st.run8Top[1], &st.run8Top[2]},
                                {st.run8Top[0].count(), st.run8Top[1].count(), st.run8Top[2].count()},
                                modeOf(m_setup.Run8Source, p), p, sd);
        }
    }
}

void StatisticsEngine::publish(const StatSink &sink) const {
    publishAll([&sink](const std::string &key, int receptor, float value, StatPart, int, Series) {
        sink(key, receptor, value);
    });
}

StatisticsDemand StatisticsEngine::demandFor(const StatisticsSetup &setup,
                                             const std::function<bool(const std::string &key)> &asked) {
    StatisticsEngine probe;
    StatisticsSetup everything = setup;
    everything.demand = StatisticsDemand();
    probe.startSeries(everything);
    StatisticsDemand demand = StatisticsDemand::none();
    probe.publishAll([&](const std::string &key, int, float, StatPart part, int pollutant, Series series) {
        if (asked(key)) {
            demand.ask(pollutant, part, series);
        }
    });
    return demand;
}

} // namespace vesk
