#include "run/results/StreetResultsView.h"

#include "core/KeptSizes.h"
#include "core/Numbers.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"
#include "run/State.h"
#include "run/results/ResultsKeyInfo.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
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

namespace {

[[noreturn]] void fieldTooLong() {
    throw Refusal("a field holds more than the " + std::to_string(kMaxFieldText) +
                  " characters the program writes into one");
}

// Where the field that starts at i ends (at its comma or the end of the
// line); appends its text to field when given. closed is false when the
// field opens a quoted text that the line does not close. A field longer
// than the program writes (kMaxFieldText characters) is refused before
// more of it is taken.

std::size_t fieldEnd(std::string_view line, std::size_t i, std::string *field, bool *closed) {
    *closed = true;
    std::size_t length = 0; // of the text in double quotes, a doubled quote counting one
    if (i < line.size() && line[i] == '"') {
        *closed = false;
        for (++i; i < line.size(); ++i) {
            const bool closing = line[i] == '"' && (i + 1 >= line.size() || line[i + 1] != '"');
            if (!closing && ++length > kMaxFieldText) {
                fieldTooLong();
            }
            if (line[i] != '"') {
                if (field != nullptr) {
                    *field += line[i];
                }
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                if (field != nullptr) {
                    *field += '"';
                }
                ++i;
            } else {
                ++i;
                *closed = true;
                break;
            }
        }
    }
    const std::size_t comma = std::min(line.find(',', i), line.size());
    if (comma - i > kMaxFieldText - std::min(length, kMaxFieldText)) {
        fieldTooLong();
    }
    if (field != nullptr) {
        field->append(line.substr(i, comma - i));
    }
    return comma;
}

// The largest whole number up to which a double holds every whole number (2^53).
constexpr long long kMaxExactWhole = 9007199254740992LL;

std::string rangeText(long long lo, long long hi) {
    return std::to_string(lo) + " to " + std::to_string(hi);
}

} // namespace

std::vector<std::string> fieldsOf(std::string_view line, std::size_t limit) {
    std::vector<std::string> fields;
    for (std::size_t i = 0; fields.size() < limit;) {
        std::string field;
        bool closed = true;
        const std::size_t end = fieldEnd(line, i, &field, &closed);
        fields.push_back(std::move(field));
        if (end >= line.size()) {
            break;
        }
        i = end + 1;
    }
    return fields;
}

std::size_t fieldCount(std::string_view line) {
    std::size_t count = 1;
    for (std::size_t i = 0;; ++count) {
        bool closed = true;
        const std::size_t end = fieldEnd(line, i, nullptr, &closed);
        if (!closed) {
            throw Refusal("a text in double quotes is not closed: the line is cut");
        }
        if (end >= line.size()) {
            return count;
        }
        i = end + 1;
    }
}

double numberOf(const std::string &field) {
    const std::optional<double> v = parseNumber(field);
    if (!v) {
        throw Refusal(quotedText(field) + " is not a number");
    }
    return *v;
}

long long integerOf(const std::string &field, long long lo, long long hi, const std::string &what) {
    lo = std::max(lo, -kMaxExactWhole);
    hi = std::min(hi, kMaxExactWhole);
    const std::optional<double> v = parseNumber(field);
    if (!v) {
        throw Refusal(what + " " + quotedText(field) + " is not a number");
    }
    if (*v != std::floor(*v)) {
        throw Refusal(what + " " + quotedText(field) + " is not a whole number");
    }
    if (*v < static_cast<double>(lo) || *v > static_cast<double>(hi)) {
        throw Refusal(what + " " + quotedText(field) + " lies outside " + rangeText(lo, hi));
    }
    return static_cast<long long>(*v);
}

int intOf(const std::string &field, const std::string &what) {
    return static_cast<int>(integerOf(field, INT_MIN, INT_MAX, what));
}

float floatOf(const std::string &field, const std::string &what) {
    const std::optional<double> v = parseNumber(field);
    if (!v) {
        throw Refusal(what + " " + quotedText(field) + " is not a number");
    }
    // The shortest text of the largest float ("3.4028235e+38") lies a little
    // above it: every number that rounds to a finite float is one.
    constexpr double kRoundsToLargest = static_cast<double>(FLT_MAX) + 0x1p103; // half its step
    if (!(std::fabs(*v) < kRoundsToLargest)) {
        throw Refusal(what + " " + quotedText(field) + " lies beyond the numbers the results can keep");
    }
    if (std::fabs(*v) > static_cast<double>(FLT_MAX)) {
        return std::copysign(FLT_MAX, static_cast<float>(*v > 0 ? 1 : -1));
    }
    // Rounded once, from the text, where it is written as appendFloat writes.
    float exact = 0;
    const char *end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, exact);
    if (ec == std::errc() && ptr == end) {
        return exact;
    }
    return static_cast<float>(*v);
}

} // namespace msr

namespace {

using msr::appendFloat;
using msr::appendQuoted;

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

// The n-th highest of a percentile definition: at most the hours of a leap
// year, as the percentile list allows.
constexpr long long kViewMaxNth = 8784;

// The names of the lines of the view.
bool isViewTag(const std::string &tag) {
    for (const char *name : {"Run", "Shown", "Percentiles", "Headings", "Limits", "Limit"}) {
        if (tag == name) {
            return true;
        }
    }
    return false;
}

// The fields of a "Limit" row: title, seven limit values, the percentile limits.
std::size_t viewLimitRowFields(const ResultsView &v) {
    return 8 + static_cast<std::size_t>(v.percentiles[0].count() + v.percentiles[1].count() +
                                        v.percentiles[2].count());
}

[[noreturn]] void viewFieldsRefused(const std::string &tag, std::size_t fields, std::size_t wanted) {
    throw msr::Refusal("its line \"" + tag + "\" has " + std::to_string(fields) + " fields where " +
                       std::to_string(wanted) + " belong");
}

// Checks that a line of the view whose leading fields are head (its name
// and at least the three after it, where it has them) has the fields its
// counts say: fields in all. Each count is held to its bound first; a
// "Percentiles" line, whose counts are spread over it, is held to what the
// bounds allow (its counts are compared with its fields as they are read).
// The number of groups of a "Shown" or "Limit" line (pollutants, rows), 0
// for the others.
std::size_t checkViewFields(const std::vector<std::string> &head, std::size_t fields, const ResultsView &v) {
    const std::string &tag = head[0];
    auto count = [&](std::size_t at, long long most, const char *what) {
        if (at >= head.size()) {
            viewFieldsRefused(tag, fields, at + 1);
        }
        return static_cast<std::size_t>(msr::integerOf(head[at], 0, most, what));
    };
    std::size_t wanted = fields;
    std::size_t groups = 0;
    if (tag == "Run") {
        wanted = 8;
    } else if (tag == "Headings") {
        wanted = 1 + viewHeadings(v.limits).size();
    } else if (tag == "Limits") {
        wanted = 2;
    } else if (tag == "Shown") {
        groups = count(1, msr::kMaxPollutants, "the number of pollutants shown");
        wanted = 2 + 8 * groups;
    } else if (tag == "Limit") {
        groups = count(3, msr::kMaxLimitRows, "the number of limit values");
        wanted = 4 + viewLimitRowFields(v) * groups;
    } else if (tag == "Percentiles") {
        const auto most = static_cast<std::size_t>(1 + 3 * (1 + 4 * msr::kMaxPercentiles));
        if (fields > most) {
            throw msr::Refusal("its line \"Percentiles\" has " + std::to_string(fields) +
                               " fields, more than " + std::to_string(msr::kMaxPercentiles) +
                               " percentile definitions of each kind take");
        }
    }
    if (fields != wanted) {
        viewFieldsRefused(tag, fields, wanted);
    }
    return groups;
}

// Reads a line of the view whose fields checkViewFields found complete, with
// the groups it found.
void readViewFields(const std::vector<std::string> &f, std::size_t groups, const KeyedList<Pollutant> &stored,
                    ResultsView &v);

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

namespace {

void readViewFields(const std::vector<std::string> &f, std::size_t groups, const KeyedList<Pollutant> &stored,
                    ResultsView &v) {
    using msr::floatOf;
    using msr::integerOf;
    using msr::intOf;
    const std::string &tag = f[0];
    if (tag == "Run") {
        v.citySizeKnown = true;
        v.citySize = intOf(f[1], "the city size");
        v.citySizeName = toUtf8(f[2]);
        v.percMode = intOf(f[3], "the mode of the hourly percentiles");
        v.run8PercMode = intOf(f[4], "the mode of the running 8-hour percentiles");
        v.dailyPercMode = intOf(f[5], "the mode of the daily percentiles");
        v.showOnlyIfLV = iequals(f[6], "#TRUE#");
        v.showLimitValMode = intOf(f[7], "the mode of the limit-value rows");
        return;
    }
    if (tag == "Shown") {
        for (std::size_t j = 0; j < groups; ++j) {
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
            v.percSource[i] = intOf(f[at + 4], "the series of the hourly percentiles");
            v.run8Source[i] = intOf(f[at + 5], "the series of the running 8-hour values");
            v.avSource[i] = intOf(f[at + 6], "the series of the averages");
            v.dailySource[i] = intOf(f[at + 7], "the series of the daily values");
        }
        return;
    }
    if (tag == "Percentiles") {
        std::size_t at = 1;
        for (int family = 0; family < 3; ++family) {
            if (at >= f.size()) {
                throw msr::Refusal(
                    "its line \"Percentiles\" ends before its counts of percentile definitions");
            }
            const auto n = static_cast<std::size_t>(
                integerOf(f[at], 0, msr::kMaxPercentiles, "the number of percentile definitions"));
            if (at + 1 + 4 * n > f.size()) {
                throw msr::Refusal("its line \"Percentiles\" has fewer fields than its counts say");
            }
            PercentileFamily &defs = v.percentiles[static_cast<std::size_t>(family)];
            defs = PercentileFamily();
            const auto names = viewColumnNames(v.limits, family);
            for (std::vector<std::string> *column : names) {
                column->assign(1, std::string());
            }
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t item = at + 1 + 4 * k;
                defs.nth.push_back(static_cast<int>(integerOf(f[item], 0, kViewMaxNth, "the n-th highest")));
                defs.names.push_back(f[item + 1]);
                names[0]->push_back(toUtf8(f[item + 2]));
                names[1]->push_back(toUtf8(f[item + 3]));
            }
            at += 1 + 4 * n;
        }
        if (at != f.size()) {
            viewFieldsRefused(tag, f.size(), at);
        }
        return;
    }
    if (tag == "Headings") {
        const auto texts = viewHeadings(v.limits);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            *texts[i] = toUtf8(f[1 + i]);
        }
        return;
    }
    if (tag == "Limits") {
        // What the lines of each limit-value pollutant fill; the headings and
        // column names stay. (The reader of the file holds the "Limit" lines
        // that follow to its count.)
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
        return;
    }
    // "Limit"
    LimitValueTables &l = v.limits;
    if (l.LimValPollutants.empty()) {
        throw msr::Refusal("a limit value comes before the line of the limit values");
    }
    const std::size_t rows = groups;
    const std::size_t perRow = viewLimitRowFields(v);
    l.LimValPollutants.push_back(f[1]);
    l.LimValLongNames.push_back(toUtf8(f[2]));
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
            table[r] = floatOf(f[at++], "a limit value");
        }
        for (std::size_t family = 0; family < 3; ++family) {
            for (std::size_t k = 1; k < perc[family].size(); ++k) {
                perc[family][k][r] = floatOf(f[at++], "a limit value");
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
}

} // namespace

bool readViewLine(std::string_view line, const KeyedList<Pollutant> &stored, ResultsView &v) {
    const std::vector<std::string> head = msr::fieldsOf(line, 4);
    if (!isViewTag(head[0])) {
        return false;
    }
    const std::size_t groups = checkViewFields(head, msr::fieldCount(line), v);
    readViewFields(msr::fieldsOf(line), groups, stored, v);
    return true;
}

} // namespace vesk::results
