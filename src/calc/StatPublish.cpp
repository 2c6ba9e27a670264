#include "calc/StatPublish.h"

#include "calc/CalcState.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace vesk {

namespace {

PercentileFamily familyFrom(const std::vector<std::string> &names, const std::vector<int> &nth,
                            const std::vector<float> &fractions, int count) {
    // The state's tables run 1..count with entry 0 unused.
    PercentileFamily family;
    for (int j = 1; j <= count; ++j) {
        const auto i = static_cast<std::size_t>(j);
        if (i >= names.size() || i >= nth.size() || i >= fractions.size()) {
            break;
        }
        family.names.push_back(names[i]);
        family.nth.push_back(nth[i]);
        family.fractions.push_back(fractions[i]);
    }
    return family;
}

} // namespace

StatisticsSetup statisticsSetupFrom(const CalcState &state) {
    StatisticsSetup s;
    s.PollutantNames = state.PollutantNames;
    s.PercSource = state.PercSource;
    s.Run8Source = state.Run8Source;
    s.DailySource = state.DailySource;
    s.CalcOnlyIfBoth = state.CalcOnlyIfBoth;
    s.CalcDaily = state.CalcDaily;
    s.MinNobs8 = state.MinNobs8;
    s.MinDailyMax = state.MinDailyMax;
    s.MinNobsDay = state.MinNobsDay;
    s.hourly =
        familyFrom(state.PercNamesHourly, state.PercNthHourly, state.PercFracHourly, state.NumPercHourly);
    s.run8 = familyFrom(state.PercNamesRun8, state.PercNthRun8, state.PercFracRun8, state.NumPercRun8);
    s.daily = familyFrom(state.PercNamesDaily, state.PercNthDaily, state.PercFracDaily, state.NumPercDaily);
    return s;
}

bool publishStatistics(const StatisticsEngine &engine, CalcState &state, std::string *error) {
    std::string firstProblem;
    engine.publish([&](const std::string &key, int receptor, float value) {
        StatVar *statVar = state.StatVarList.find(key);
        if (statVar == nullptr) {
            if (firstProblem.empty()) {
                firstProblem = "The statistic " + key + " is not in the list of statistics.";
            }
            return;
        }
        try {
            statVar->setValue(receptor, value);
        } catch (const std::out_of_range &) {
            if (firstProblem.empty()) {
                firstProblem = "The statistic " + key + " has no side " + std::to_string(receptor) + ".";
            }
        }
    });

    const int nPol = static_cast<int>(engine.setup().PollutantNames.size()) - 1;
    state.DailyAverageList.clear();
    for (const StatDayRecord &record : engine.days()) {
        DailyAverage day(nPol, state.NumReceptors);
        day.Dates = std::chrono::year_month_day{std::chrono::year{record.day.year},
                                                std::chrono::month{static_cast<unsigned>(record.day.month)},
                                                std::chrono::day{static_cast<unsigned>(record.day.day)}};
        day.DayOfWeek = record.day.dayOfWeek;
        day.DayCase = record.day.dayCase;
        day.StreetName = record.streetName;
        day.X_coord = record.x;
        day.Y_coord = record.y;
        const int receptors = std::min(state.NumReceptors, 2);
        for (int p = 0; p <= nPol; ++p) {
            for (int r = 1; r <= receptors; ++r) {
                day.setModelled(p, r, record.value(p, r, Series::Modelled));
                day.setObserved(p, r, record.value(p, r, Series::Measured));
                day.setBackground(p, r, record.value(p, r, Series::Background));
            }
        }
        state.DailyAverageList.add(record.key, std::move(day));
    }

    if (!firstProblem.empty()) {
        if (error != nullptr) {
            *error = firstProblem;
        }
        return false;
    }
    return true;
}

} // namespace vesk
