#include "calc/StatCells.h"

#include "calc/CalcState.h"
#include "core/TextIO.h"

#include <stdexcept>

namespace vesk {

namespace {

bool containsI(std::string_view text, std::string_view part) {
    return toLower(text).find(toLower(part)) != std::string::npos;
}

} // namespace

StatName splitSideSuffix(std::string_view name) {
    StatName out;
    if (name.size() >= 2 && name[name.size() - 2] == '_' && (name.back() == '1' || name.back() == '2')) {
        out.key = std::string(name.substr(0, name.size() - 2));
        out.receptor = name.back() - '0';
    } else {
        out.key = std::string(name);
    }
    return out;
}

bool statCellValue(const CalcState &state, std::string_view name, float *value, std::string *error) {
    const StatName split = splitSideSuffix(name);
    const StatVar *statVar = state.StatVarList.find(split.key);
    if (statVar == nullptr) {
        setError(error, "No statistic " + split.key + " in the list of statistics");
        return false;
    }
    try {
        const float v = statVar->Value(split.receptor);
        if (value != nullptr) {
            *value = v;
        }
    } catch (const std::out_of_range &) {
        setError(error, "The statistic " + split.key + " has no side " + std::to_string(split.receptor));
        return false;
    }
    return true;
}

bool dailyCellValue(const CalcState &state, int day, std::string_view name, int pollutant, StatCell *cell,
                    std::string *error) {
    if (day < 1 || static_cast<std::size_t>(day) > state.DailyAverageList.size()) {
        setError(error, "Day " + std::to_string(day) + " is not in the list of daily values");
        return false;
    }
    const DailyAverage &item = state.DailyAverageList.at(static_cast<std::size_t>(day - 1));
    const int receptor = splitSideSuffix(name).receptor;
    float value = 0.0f;
    try {
        if (containsI(name, "_mod")) {
            value = item.Modelled(pollutant, receptor);
        }
        if (containsI(name, "_obs")) {
            value = item.Observed(pollutant, receptor);
        }
        if (containsI(name, "_b")) {
            value = item.Background(pollutant, receptor);
        }
    } catch (const std::out_of_range &e) {
        setError(error, e.what());
        return false;
    }
    if (iequals(name, "DayOfWeek")) {
        value = static_cast<float>(item.DayOfWeek);
    } else if (iequals(name, "DayCase")) {
        value = static_cast<float>(item.DayCase);
    }
    if (cell != nullptr) {
        if (iequals(name, "StreetName")) {
            *cell = StatCell::textual(item.StreetName);
        } else if (iequals(name, "X_coordinate")) {
            *cell = StatCell::real(item.X_coord);
        } else if (iequals(name, "Y_coordinate")) {
            *cell = StatCell::real(item.Y_coord);
        } else {
            *cell = StatCell::single(value);
        }
    }
    return true;
}

bool streetCellValue(const CalcState &state, const StreetCellValues &street, std::string_view name,
                     StatCell *cell, std::string *error) {
    StatCell out;
    const bool fromFile = state.TrafficFileType != 0;
    if (iequals(name, "X_coordinate")) {
        out = StatCell::real(street.X_coordinate);
    } else if (iequals(name, "Y_coordinate")) {
        out = StatCell::real(street.Y_coordinate);
    } else if (iequals(name, "TrafficFile")) {
        out = StatCell::textual(state.TrafficFile);
    } else if (iequals(name, "DailyTraffic")) {
        out = fromFile ? StatCell::whole(street.DailyTrafficCalc)
                       : StatCell::single(static_cast<float>(state.AnnualDiurnalTraffic));
    } else if (iequals(name, "TravelSpeed")) {
        out = StatCell::single(fromFile ? street.TravelSpeedCalc
                                        : static_cast<float>(state.AverageTrafficSpeed));
    } else if (iequals(name, "StreetHeight")) {
        out = StatCell::single(static_cast<float>(state.StreetHeight));
    } else if (iequals(name, "StreetWidth")) {
        out = StatCell::single(static_cast<float>(state.StreetWidth));
    } else if (iequals(name, "StreetLength_1")) {
        out = StatCell::single(static_cast<float>(state.StreetLength_1));
    } else if (iequals(name, "StreetLength_2")) {
        out = StatCell::single(static_cast<float>(state.StreetLength_2));
    } else if (iequals(name, "StreetOrientation")) {
        out = StatCell::single(static_cast<float>(state.StreetOrientation));
    } else if (iequals(name, "RecHeight")) {
        out = StatCell::single(static_cast<float>(state.RecHeight));
    } else {
        float value = 0.0f;
        if (!statCellValue(state, name, &value, error)) {
            return false;
        }
        out = StatCell::single(value);
    }
    if (cell != nullptr) {
        *cell = std::move(out);
    }
    return true;
}

} // namespace vesk
