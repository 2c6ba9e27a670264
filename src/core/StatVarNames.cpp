#include "core/StatVarNames.h"

#include <algorithm>

namespace vesk {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return foldKey(a) == foldKey(b);
}

struct StatWord {
    std::string word;
    std::string opening; // start of the description
    std::string type;
};

struct Suffix {
    const char *suffix;
    const char *text;
};

constexpr Suffix kSeries[] = {{"_mod", ", modelled"}, {"_obs", ", measured"}, {"_b", ", background"}};
constexpr Suffix kSides[] = {{"", ", max both sides"}, {"_1", ", side 1"}, {"_2", ", side 2"}};

// The statistics of one pollutant and series, in catalogue order.
std::vector<StatWord> statisticWords(const ReferenceTables &t) {
    std::vector<StatWord> words = {
        {"MaxHourly", "Maximum hourly concentration, ", "float"},
        {"MaxDaily", "Maximum daily average concentration, ", "float"},
        {"Av", "Annual average concentration, ", "float"},
        {"MaxRun8", "Maximum running 8 hours average concentration, ", "float"},
    };
    auto family = [&](const std::vector<std::string> &names, const std::vector<std::string> &nth) {
        for (std::size_t j = 1; j < names.size(); ++j) {
            words.push_back({names[j], names[j] + ", ", "float"});
            const std::string &n = j < nth.size() ? nth[j] : std::string();
            words.push_back({n, n + ", ", "float"});
        }
    };
    family(t.PercNamesHourly, t.NthHighestNamesHourly);
    family(t.PercNamesRun8, t.NthHighestNamesRun8);
    family(t.PercNamesDaily, t.NthHighestNamesDaily);
    words.push_back({"nHours", "Number of hours processed, ", "integer"});
    words.push_back({"nDays", "Number of days processed, max running 8, ", "integer"});
    words.push_back({"nDaysD", "Number of daily averages processed, ", "integer"});
    return words;
}

void appendSeries(ReferenceTables &t, int &index, const std::string &name, const std::string &description) {
    ++index;
    const std::size_t size = static_cast<std::size_t>(index) + 1;
    t.SeriesVarNames.resize(size);
    t.SeriesVarDescriptions.resize(size);
    t.SeriesVarTypes.resize(size);
    t.SeriesVarNames[index] = name;
    t.SeriesVarDescriptions[index] = description;
    t.SeriesVarTypes[index] = t.SeriesVarTypes[index - 1];
}

} // namespace

bool AddStatVar(ReferenceTables &tables, const std::string &name, int numReceptors) {
    StatVar var(numReceptors);
    var.Name = name;
    return tables.StatVarList.add(name, std::move(var)) != nullptr;
}

bool BuildStatVarCatalogue(ReferenceTables &t, int numReceptors, std::string *error) {
    t.StatVarList.clear();
    const std::vector<StatWord> words = statisticWords(t);
    const std::size_t pollutants = t.NPol + 1 > 0 ? static_cast<std::size_t>(t.NPol + 1) : 0;
    const std::size_t total = 9 * pollutants * words.size();
    t.StatVarNames.assign(1, std::string());
    t.StatVarDescriptions.assign(1, std::string());
    t.StatVarTypes.assign(1, std::string());
    t.StatVarNames.reserve(total + 1);
    t.StatVarDescriptions.reserve(total + 1);
    t.StatVarTypes.reserve(total + 1);

    for (const Suffix &side : kSides) {
        for (const Suffix &series : kSeries) {
            for (std::size_t i = 0; i < pollutants; ++i) {
                const std::string &pol = t.PollutantNames.at(i);
                const std::string &longName = t.PollutantLongNames.at(i);
                for (const StatWord &w : words) {
                    const std::string key = w.word + pol + series.suffix;
                    t.StatVarNames.push_back(key + side.suffix);
                    t.StatVarDescriptions.push_back(w.opening + longName + series.text + side.text);
                    t.StatVarTypes.push_back(w.type);
                    if (side.suffix[0] == '\0' && !AddStatVar(t, key, numReceptors)) {
                        if (error != nullptr) {
                            *error = "The statistic " + key +
                                     " occurs twice (two pollutants or two "
                                     "percentile definitions of one kind with the same name or number)";
                        }
                        return false;
                    }
                }
            }
        }
    }
    return true;
}

void AddSeriesVarNames(ReferenceTables &t, int &index, const std::string &name,
                       const std::string &description, bool flag) {
    const bool plain = !equalsNoCase(name, "Measured") && !equalsNoCase(name, "Background") &&
                       !equalsNoCase(name, "Modelled");
    const std::size_t pollutants = t.NPol + 1 > 0 ? static_cast<std::size_t>(t.NPol + 1) : 0;
    auto perPollutant = [&](const std::string &sideSuffix, const std::string &sideText) {
        for (std::size_t i = 0; i < pollutants; ++i) {
            appendSeries(t, index, name + t.PollutantNames[i] + sideSuffix,
                         description + " of " + t.PollutantLongNames[i] + sideText);
        }
    };
    if (plain) {
        if (flag) {
            perPollutant("", "");
        }
        appendSeries(t, index, name + "_b", description + ", background");
        appendSeries(t, index, name + "_obs", description + ", measured");
        appendSeries(t, index, name + "_mod", description + ", modelled");
    }
    appendSeries(t, index, name + "_1", description + ", side 1");
    if (plain && flag) {
        perPollutant("_1", ", side 1");
    }
    appendSeries(t, index, name + "_2", description + ", side 2");
    if (plain && flag) {
        perPollutant("_2", ", side 2");
    }
    if (!plain) {
        return;
    }
    appendSeries(t, index, name + "_b_1", description + ", background, side 1");
    appendSeries(t, index, name + "_obs_1", description + ", measured, side 1");
    appendSeries(t, index, name + "_mod_1", description + ", modelled, side 1");
    appendSeries(t, index, name + "_b_2", description + ", background, side 2");
    appendSeries(t, index, name + "_obs_2", description + ", measured, side 2");
    appendSeries(t, index, name + "_mod_2", description + ", modelled, side 2");
}

void AddBothSidesVarNames(ReferenceTables &t, int &index, const std::string &name,
                          const std::string &description) {
    static constexpr Suffix sides[] = {{"_1", ", side 1"}, {"_2", ", side 2"}, {"", ", max both sides"}};
    static constexpr Suffix series[] = {
        {"_b", ", background"}, {"_obs", ", measured"}, {"_mod", ", modelled"}};
    for (const Suffix &side : sides) {
        for (const Suffix &s : series) {
            ++index;
            const std::size_t size = static_cast<std::size_t>(index) + 1;
            t.BothSidesVarNames.resize(size);
            t.BothSidesVarDescriptions.resize(size);
            t.BothSidesVarNames[index] = name + s.suffix + side.suffix;
            t.BothSidesVarDescriptions[index] = description + s.text + side.text;
        }
    }
}

std::string NormalizeVarName(const ReferenceTables &t, std::string_view label1, std::string_view label2) {
    const std::string a = foldKey(label1);
    const std::string b = foldKey(label2);
    auto holds = [&](std::string_view part) {
        const std::string p = foldKey(part);
        return a.find(p) != std::string::npos || b.find(p) != std::string::npos;
    };

    std::string statistic, pollutant, series, side;
    // The catalogue names the average "Av" (Av_1, AvNO2_mod): a label that
    // begins with it asks for the average as "average" anywhere does.
    if (holds("average") || a.rfind("av", 0) == 0 || b.rfind("av", 0) == 0) {
        statistic = "av";
    }
    if (holds("dailyav")) {
        statistic = "dailyav";
    }
    if (holds("maxhourly")) {
        statistic = "MaxHourly";
    }
    if (holds("maxrun8")) {
        statistic = "MaxRun8";
    }
    if (holds("maxdaily")) {
        statistic = "MaxDaily";
    }
    if (holds("nhours")) {
        statistic = "nHours";
    }
    auto nDaysOnly = [](const std::string &label) {
        return label.find("ndays") != std::string::npos && label.find("ndaysd") == std::string::npos;
    };
    if (nDaysOnly(a) || nDaysOnly(b)) {
        statistic = "nDays";
    }
    if (holds("ndaysd")) {
        statistic = "nDaysD";
    }
    // An empty definition name would be held by every label: it names nothing.
    for (std::size_t k = 1; k < t.PercDefNames.size(); ++k) {
        if (!t.PercDefNames[k].empty() && holds(t.PercDefNames[k])) {
            statistic = foldKey(t.PercDefNames[k]);
        }
        if (k < t.PercDefNthNames.size() && !t.PercDefNthNames[k].empty() && holds(t.PercDefNthNames[k])) {
            statistic = foldKey(t.PercDefNthNames[k]);
        }
    }

    for (const std::string &name : t.PollutantNames) {
        if (!name.empty() && holds(name) && name.size() >= pollutant.size()) {
            pollutant = name;
        }
    }

    if (holds("_b")) {
        series = "_b";
    }
    if (holds("background")) {
        series = "_b";
    }
    if (holds("_obs")) {
        series = "_obs";
    }
    if (holds("measured")) {
        series = "_obs";
    }
    if (holds("_mod")) {
        series = "_mod";
    }
    if (holds("modelled")) {
        series = "_mod";
    }

    if (holds("_1")) {
        side = "_1";
    }
    if (holds("_2")) {
        side = "_2";
    }

    for (const char *fixed : {"dayofweek", "daycase", "streetname", "x_coordinate", "y_coordinate"}) {
        if (a == fixed) {
            return std::string(label1);
        }
    }
    return statistic + pollutant + series + side;
}

} // namespace vesk
