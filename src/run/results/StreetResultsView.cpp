#include "run/results/StreetResultsView.h"

#include "core/Numbers.h"
#include "core/TextIO.h"
#include "run/State.h"
#include "run/results/ResultsKeyInfo.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <stdexcept>

namespace vesk::results {

namespace msr {

void appendQuoted(std::string &out, std::string_view text) {
    out += '"';
    for (char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

void appendFloat(std::string &out, float v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, r.ptr);
}

std::vector<std::string> fieldsOf(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    for (;;) {
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    field += line[i];
                }
            }
        }
        const std::size_t comma = line.find(',', i);
        field += line.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i);
        fields.push_back(std::move(field));
        if (comma == std::string_view::npos) {
            return fields;
        }
        i = comma + 1;
    }
}

double numberOf(const std::string &field) {
    const std::optional<double> v = parseNumber(field);
    if (!v) {
        throw std::runtime_error(quotedText(field) + " is not a number");
    }
    return *v;
}

} // namespace msr

namespace {

using msr::appendFloat;
using msr::appendQuoted;
using msr::numberOf;

template <typename T> T viewEntry(const std::vector<T> &table, std::size_t i, T fallback) {
    return i < table.size() ? table[i] : fallback;
}

float viewTableValue(const FloatTable &table, std::size_t p, std::size_t r) {
    return p < table.size() ? viewEntry(table[p], r, -99.0f) : -99.0f;
}

float viewTableValue(const FloatTable3 &table, std::size_t p, std::size_t k, std::size_t r) {
    return p < table.size() && k < table[p].size() ? viewEntry(table[p][k], r, -99.0f) : -99.0f;
}

// The tables of a view's limit values by pointer, to const where the tables are const.
// The family's percentile column names (as n-th highest, as percentile), entries 1..count.
template <typename Tables> auto viewColumnNames(Tables &l, int family) {
    switch (family) {
    case 0:
        return std::array{&l.LimValColNthHourly, &l.LimValColPercHourly};
    case 1:
        return std::array{&l.LimValColNthRun8, &l.LimValColPercRun8};
    default:
        return std::array{&l.LimValColNthDaily, &l.LimValColPercDaily};
    }
}

template <typename Tables> auto viewPercentileLimits(Tables &l) {
    return std::array{&l.LimValPercHourly, &l.LimValPercRun8, &l.LimValPercDaily};
}

template <typename Tables> auto viewPlainLimits(Tables &l) {
    return std::array{&l.LimValAvHourly, &l.LimValMaxHourly, &l.LimValDCHourly, &l.LimValMaxRun8,
                      &l.LimValDCRun8,   &l.LimValMaxDaily,  &l.LimValDCDaily};
}

template <typename Tables> auto viewHeadings(Tables &l) {
    return std::array{&l.LimValHeadHourly,  &l.LimValColAvHourly, &l.LimValColMaxHourly, &l.LimValColDCHourly,
                      &l.LimValHeadRun8,    &l.LimValColMaxRun8,  &l.LimValColDCRun8,    &l.LimValHeadDaily,
                      &l.LimValColMaxDaily, &l.LimValColDCDaily};
}

const char *viewFlag(bool v) {
    return v ? "#TRUE#" : "#FALSE#";
}

int viewInt(const std::string &field) {
    return static_cast<int>(numberOf(field));
}

// The count field at f[at], checked against the fields that follow it.
std::size_t viewCount(const std::vector<std::string> &f, std::size_t at, std::size_t perItem,
                      const char *what) {
    const double n = numberOf(f.at(at));
    if (n < 0 || n > 1e6 || at + 1 + static_cast<std::size_t>(n) * perItem > f.size()) {
        throw std::runtime_error(std::string("its line of ") + what + " is too short");
    }
    return static_cast<std::size_t>(n);
}

// Sizes the per-pollutant options to hold index i.
void viewSizeFor(ResultsView &v, std::size_t i) {
    if (v.showPol.size() <= i) {
        v.longNames.resize(i + 1);
        v.defOutputUnits.resize(i + 1);
        v.showPol.resize(i + 1, false);
        v.percSource.resize(i + 1, 0);
        v.run8Source.resize(i + 1, 0);
        v.avSource.resize(i + 1, 0);
        v.dailySource.resize(i + 1, 0);
    }
}

void viewSetPercentiles(ResultsView &v, const State &s) {
    v.percentiles[0] = {s.PercNthHourly, s.PercNamesHourly};
    v.percentiles[1] = {s.PercNthRun8, s.PercNamesRun8};
    v.percentiles[2] = {s.PercNthDaily, s.PercNamesDaily};
    const int counts[3] = {s.NumPercHourly, s.NumPercRun8, s.NumPercDaily};
    for (int f = 0; f < 3; ++f) {
        PercentileFamily &family = v.percentiles[static_cast<std::size_t>(f)];
        const auto size = static_cast<std::size_t>(std::max(counts[f], 0)) + 1;
        family.nth.resize(size, 0);
        family.names.resize(size);
    }
}

} // namespace

ResultsView runView(const State &s, const KeyedList<Pollutant> &stored) {
    ResultsView v;
    v.citySizeKnown = true;
    v.citySize = s.CitySize;
    v.citySizeName = citySizeName(s, s.CitySize);
    for (const Pollutant &p : stored) {
        if (p.Index < 0) {
            continue;
        }
        const auto i = static_cast<std::size_t>(p.Index);
        viewSizeFor(v, i);
        const Pollutant *own = s.PollutantList.find(p.Name);
        if (own == nullptr || own->Index < 0) {
            continue;
        }
        const auto k = static_cast<std::size_t>(own->Index);
        v.longNames[i] = own->LongName;
        v.defOutputUnits[i] = viewEntry(s.DefOutputUnits, k, std::string());
        v.showPol[i] = viewEntry<bool>(s.ShowPol, k, true);
        v.percSource[i] = viewEntry(s.PercSource, k, 0);
        v.run8Source[i] = viewEntry(s.Run8Source, k, 0);
        v.avSource[i] = viewEntry(s.AvSource, k, 0);
        v.dailySource[i] = viewEntry(s.DailySource, k, 0);
    }
    v.percMode = s.PercMode;
    v.run8PercMode = s.Run8PercMode;
    v.dailyPercMode = s.DailyPercMode;
    v.showOnlyIfLV = s.ShowOnlyIfLV;
    v.showLimitValMode = s.ShowLimitValMode;
    viewSetPercentiles(v, s);
    v.limits = s;
    return v;
}

ResultsView viewOfStatistics(const State &s, const KeyedList<Pollutant> &stored,
                             const std::vector<std::string> &keys) {
    ResultsView v;
    std::set<std::string> held;
    for (const std::string &k : keys) {
        held.insert(toLower(k));
    }
    auto holds = [&](const std::string &word, const std::string &pollutant, const char *series) {
        return held.count(toLower(word + pollutant + "_" + series)) > 0;
    };
    viewSetPercentiles(v, s);
    v.limits = s;
    // A family's mode: by n-th highest (0) unless the statistics hold only its percentile words (1).
    const char *nthSuffixes[3] = {"thHighest", "thHighestRun8", "thHighestDaily"};
    int *modes[3] = {&v.percMode, &v.run8PercMode, &v.dailyPercMode};
    for (std::size_t f = 0; f < 3; ++f) {
        const PercentileFamily &family = v.percentiles[f];
        *modes[f] = 0;
        for (const Pollutant &p : stored) {
            for (const char *series : {"mod", "obs", "b"}) {
                if (family.count() >= 1 &&
                    !holds(std::to_string(family.nth[1]) + nthSuffixes[f], p.Name, series) &&
                    holds(family.names[1], p.Name, series)) {
                    *modes[f] = 1;
                }
            }
        }
    }
    for (const Pollutant &p : stored) {
        if (p.Index < 0) {
            continue;
        }
        const auto i = static_cast<std::size_t>(p.Index);
        viewSizeFor(v, i);
        const Pollutant *own = s.PollutantList.find(p.Name);
        v.longNames[i] = own != nullptr ? own->LongName : p.Name;
        v.defOutputUnits[i] =
            own != nullptr && own->Index >= 0
                ? viewEntry(s.DefOutputUnits, static_cast<std::size_t>(own->Index), std::string())
                : std::string();
        v.showPol[i] = true;
        bool modelled = false, measured = false, background = false;
        const std::string suffix = toLower(p.Name);
        for (const std::string &key : held) {
            auto endsWith = [&](const char *series) {
                const std::string tail = suffix + "_" + series;
                return key.size() > tail.size() &&
                       key.compare(key.size() - tail.size(), tail.size(), tail) == 0;
            };
            modelled = modelled || endsWith("mod");
            measured = measured || endsWith("obs");
            background = background || endsWith("b");
        }
        const int source = (modelled || (background && !measured) ? 1 : 0) + (measured ? 2 : 0);
        v.percSource[i] = v.run8Source[i] = v.avSource[i] = v.dailySource[i] = source;
    }
    v.showOnlyIfLV = false;
    v.showLimitValMode = 1;
    return v;
}

void applyView(const ResultsView &v, const KeyedList<Pollutant> &stored, State &s) {
    s.PollutantList = KeyedList<Pollutant>();
    std::size_t n = 0;
    for (Pollutant p : stored) {
        if (p.Index >= 0) {
            p.LongName = viewEntry(v.longNames, static_cast<std::size_t>(p.Index), p.Name);
            n = std::max(n, static_cast<std::size_t>(p.Index) + 1);
        }
        s.PollutantList.add(p.Name, p);
    }
    s.DefOutputUnits = v.defOutputUnits;
    s.DefOutputUnits.resize(n);
    s.ShowPol = v.showPol;
    s.ShowPol.resize(n, false);
    s.PercSource = v.percSource;
    s.Run8Source = v.run8Source;
    s.AvSource = v.avSource;
    s.DailySource = v.dailySource;
    for (std::vector<int> *sources : {&s.PercSource, &s.Run8Source, &s.AvSource, &s.DailySource}) {
        sources->resize(n, 0);
    }
    s.PercMode = v.percMode;
    s.Run8PercMode = v.run8PercMode;
    s.DailyPercMode = v.dailyPercMode;
    s.ShowOnlyIfLV = v.showOnlyIfLV;
    s.ShowLimitValMode = v.showLimitValMode;
    s.NumReceptors = 2; // a street's statistics keep both sides
    static_cast<LimitValueTables &>(s) = v.limits;
    s.NumPercHourly = v.percentiles[0].count();
    s.PercNthHourly = v.percentiles[0].nth;
    s.PercNamesHourly = v.percentiles[0].names;
    s.NumPercRun8 = v.percentiles[1].count();
    s.PercNthRun8 = v.percentiles[1].nth;
    s.PercNamesRun8 = v.percentiles[1].names;
    s.NumPercDaily = v.percentiles[2].count();
    s.PercNthDaily = v.percentiles[2].nth;
    s.PercNamesDaily = v.percentiles[2].names;
}

std::string viewLines(const ResultsView &v, const KeyedList<Pollutant> &stored) {
    std::string out = "\"Run\"," + std::to_string(v.citySize) + ',';
    appendQuoted(out, v.citySizeName);
    out += ',' + std::to_string(v.percMode) + ',' + std::to_string(v.run8PercMode) + ',' +
           std::to_string(v.dailyPercMode) + ',' + viewFlag(v.showOnlyIfLV) + ',' +
           std::to_string(v.showLimitValMode) + kCrLf;

    out += "\"Shown\"," + std::to_string(stored.size());
    for (const Pollutant &p : stored) {
        const auto i = static_cast<std::size_t>(std::max(p.Index, 0));
        for (const std::string &text : {p.Name, viewEntry(v.longNames, i, std::string()),
                                        viewEntry(v.defOutputUnits, i, std::string())}) {
            out += ',';
            appendQuoted(out, text);
        }
        out += std::string(",") + viewFlag(viewEntry<bool>(v.showPol, i, false));
        for (const std::vector<int> *sources : {&v.percSource, &v.run8Source, &v.avSource, &v.dailySource}) {
            out += ',' + std::to_string(viewEntry(*sources, i, 0));
        }
    }
    out += kCrLf;

    const LimitValueTables &limits = v.limits;
    out += "\"Percentiles\"";
    for (int f = 0; f < 3; ++f) {
        const PercentileFamily &family = v.percentiles[static_cast<std::size_t>(f)];
        const auto names = viewColumnNames(limits, f);
        out += ',' + std::to_string(family.count());
        for (int k = 1; k <= family.count(); ++k) {
            const auto at = static_cast<std::size_t>(k);
            out += ',' + std::to_string(family.nth[at]) + ',';
            appendQuoted(out, family.names[at]);
            for (const std::vector<std::string> *n : names) {
                out += ',';
                appendQuoted(out, viewEntry(*n, at, std::string()));
            }
        }
    }
    out += kCrLf;

    out += "\"Headings\"";
    for (const std::string *text : viewHeadings(limits)) {
        out += ',';
        appendQuoted(out, *text);
    }
    out += kCrLf;

    const int count = std::max(limits.LimValPollutantCount, 0);
    out += "\"Limits\"," + std::to_string(count) + kCrLf;
    for (int p = 1; p <= count; ++p) {
        const auto pi = static_cast<std::size_t>(p);
        const int rows = std::max(viewEntry(limits.LimValRowCount, pi, 0), 0);
        out += "\"Limit\",";
        appendQuoted(out, viewEntry(limits.LimValPollutants, pi, std::string()));
        out += ',';
        appendQuoted(out, viewEntry(limits.LimValLongNames, pi, std::string()));
        out += ',' + std::to_string(rows);
        for (int r = 1; r <= rows; ++r) {
            const auto ri = static_cast<std::size_t>(r);
            out += ',';
            appendQuoted(out, pi < limits.LimValTitles.size()
                                  ? viewEntry(limits.LimValTitles[pi], ri, std::string())
                                  : std::string());
            for (const FloatTable *table : viewPlainLimits(limits)) {
                out += ',';
                appendFloat(out, viewTableValue(*table, pi, ri));
            }
            const auto tables = viewPercentileLimits(limits);
            for (std::size_t f = 0; f < 3; ++f) {
                for (int k = 1; k <= v.percentiles[f].count(); ++k) {
                    out += ',';
                    appendFloat(out, viewTableValue(*tables[f], pi, static_cast<std::size_t>(k), ri));
                }
            }
        }
        out += kCrLf;
    }
    return out;
}

bool readViewLine(const std::vector<std::string> &f, const KeyedList<Pollutant> &stored, ResultsView &v) {
    const std::string &tag = f.at(0);
    if (tag == "Run") {
        if (f.size() < 8) {
            throw std::runtime_error("its line of the run is too short");
        }
        v.citySizeKnown = true;
        v.citySize = viewInt(f[1]);
        v.citySizeName = toUtf8(f[2]);
        v.percMode = viewInt(f[3]);
        v.run8PercMode = viewInt(f[4]);
        v.dailyPercMode = viewInt(f[5]);
        v.showOnlyIfLV = iequals(f[6], "#TRUE#");
        v.showLimitValMode = viewInt(f[7]);
        return true;
    }
    if (tag == "Shown") {
        const std::size_t n = viewCount(f, 1, 8, "the pollutants shown");
        for (std::size_t j = 0; j < n; ++j) {
            const std::size_t at = 2 + 8 * j;
            const Pollutant *p = stored.find(f[at]);
            if (p == nullptr || p->Index < 0) {
                continue; // no statistics of it
            }
            const auto i = static_cast<std::size_t>(p->Index);
            viewSizeFor(v, i);
            v.longNames[i] = toUtf8(f[at + 1]);
            v.defOutputUnits[i] = f[at + 2];
            v.showPol[i] = iequals(f[at + 3], "#TRUE#");
            v.percSource[i] = viewInt(f[at + 4]);
            v.run8Source[i] = viewInt(f[at + 5]);
            v.avSource[i] = viewInt(f[at + 6]);
            v.dailySource[i] = viewInt(f[at + 7]);
        }
        return true;
    }
    if (tag == "Percentiles") {
        std::size_t at = 1;
        for (int family = 0; family < 3; ++family) {
            const std::size_t n = viewCount(f, at, 4, "the percentiles");
            PercentileFamily &defs = v.percentiles[static_cast<std::size_t>(family)];
            defs = PercentileFamily();
            const auto names = viewColumnNames(v.limits, family);
            for (std::vector<std::string> *column : names) {
                column->assign(1, std::string());
            }
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t item = at + 1 + 4 * k;
                defs.nth.push_back(viewInt(f[item]));
                defs.names.push_back(f[item + 1]);
                names[0]->push_back(toUtf8(f[item + 2]));
                names[1]->push_back(toUtf8(f[item + 3]));
            }
            at += 1 + 4 * n;
        }
        return true;
    }
    if (tag == "Headings") {
        const auto texts = viewHeadings(v.limits);
        if (f.size() < 1 + texts.size()) {
            throw std::runtime_error("its line of the headings is too short");
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            *texts[i] = toUtf8(f[1 + i]);
        }
        return true;
    }
    if (tag == "Limits") {
        // What the lines of each limit-value pollutant fill; the headings and column names stay.
        LimitValueTables &l = v.limits;
        l.LimValPollutantCount = 0;
        l.LimValMaxRows = 0;
        l.LimValPollutants.assign(1, std::string());
        l.LimValLongNames.assign(1, std::string());
        l.LimValRowCount.assign(1, 0);
        l.LimValTitles.assign(1, {});
        for (FloatTable *table : viewPlainLimits(l)) {
            table->assign(1, {});
        }
        for (FloatTable3 *table : viewPercentileLimits(l)) {
            table->assign(1, {});
        }
        return true;
    }
    if (tag == "Limit") {
        LimitValueTables &l = v.limits;
        if (l.LimValPollutants.empty()) {
            throw std::runtime_error("a limit value comes before the line of the limit values");
        }
        const int percentiles =
            v.percentiles[0].count() + v.percentiles[1].count() + v.percentiles[2].count();
        const std::size_t perRow = 8 + static_cast<std::size_t>(percentiles);
        const std::size_t rows = viewCount(f, 3, perRow, "a pollutant's limit values");
        l.LimValPollutants.push_back(f.at(1));
        l.LimValLongNames.push_back(toUtf8(f.at(2)));
        l.LimValRowCount.push_back(static_cast<int>(rows));
        l.LimValPollutantCount = static_cast<int>(l.LimValPollutants.size()) - 1;
        l.LimValMaxRows = std::max(l.LimValMaxRows, static_cast<int>(rows));
        std::vector<std::string> titles(rows + 1);
        std::array<std::vector<float>, 7> plain;
        plain.fill(std::vector<float>(rows + 1, -99.0f));
        std::array<std::vector<std::vector<float>>, 3> perc;
        for (std::size_t family = 0; family < 3; ++family) {
            perc[family].assign(static_cast<std::size_t>(v.percentiles[family].count()) + 1,
                                std::vector<float>(rows + 1, -99.0f));
        }
        for (std::size_t r = 1; r <= rows; ++r) {
            std::size_t at = 4 + (r - 1) * perRow;
            titles[r] = toUtf8(f[at++]);
            for (std::vector<float> &table : plain) {
                table[r] = static_cast<float>(numberOf(f[at++]));
            }
            for (std::size_t family = 0; family < 3; ++family) {
                for (std::size_t k = 1; k < perc[family].size(); ++k) {
                    perc[family][k][r] = static_cast<float>(numberOf(f[at++]));
                }
            }
        }
        l.LimValTitles.push_back(std::move(titles));
        const auto plainTables = viewPlainLimits(l);
        for (std::size_t t = 0; t < plain.size(); ++t) {
            plainTables[t]->push_back(std::move(plain[t]));
        }
        const auto percTables = viewPercentileLimits(l);
        for (std::size_t family = 0; family < 3; ++family) {
            percTables[family]->push_back(std::move(perc[family]));
        }
        return true;
    }
    return false;
}

} // namespace vesk::results
