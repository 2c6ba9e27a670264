#include "run/results/ResultsTable.h"

#include "calc/Format.h"
#include "core/TextIO.h"
#include "run/State.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <unordered_set>

namespace vesk::results {

namespace {

const char *const kPageTitle = "Page";
const char *const kComponentTitle = "Component";
const char *const kMeasuredTitle = "       Street Measured";
const char *const kModelledTitle = "       Street Modelled";
const char *const kBackgroundTitle = "       Background";

// The value of a per-pollutant option, or fallback when the table is short.
template <typename T> T optionAt(const std::vector<T> &table, int index, T fallback) {
    return index >= 0 && static_cast<std::size_t>(index) < table.size()
               ? table[static_cast<std::size_t>(index)]
               : fallback;
}

std::string textAt(const std::vector<std::string> &table, int k) {
    return k >= 0 && static_cast<std::size_t>(k) < table.size() ? table[static_cast<std::size_t>(k)]
                                                                : std::string();
}

bool flagAt(const std::vector<bool> &flags, int k) {
    return k >= 0 && static_cast<std::size_t>(k) < flags.size() && flags[static_cast<std::size_t>(k)];
}

float tableValue(const FloatTable &table, int i, int j) {
    if (i < 0 || static_cast<std::size_t>(i) >= table.size()) {
        return -99.0f;
    }
    const std::vector<float> &rows = table[static_cast<std::size_t>(i)];
    return j >= 0 && static_cast<std::size_t>(j) < rows.size() ? rows[static_cast<std::size_t>(j)] : -99.0f;
}

float tableValue(const FloatTable3 &table, int i, int k, int j) {
    if (i < 0 || static_cast<std::size_t>(i) >= table.size()) {
        return -99.0f;
    }
    return tableValue(table[static_cast<std::size_t>(i)], k, j);
}

// The limit value of limit row j of component i in the column's limit table.
float limitOf(const LimitValueTables &lv, const ResultsColumn &c, int i, int j) {
    switch (c.family) {
    case StatFamily::Hourly:
        switch (c.kind) {
        case StatKind::Average:
            return tableValue(lv.LimValAvHourly, i, j);
        case StatKind::Maximum:
            return tableValue(lv.LimValMaxHourly, i, j);
        case StatKind::Percentile:
            return tableValue(lv.LimValPercHourly, i, c.k, j);
        case StatKind::DataCapture:
            return tableValue(lv.LimValDCHourly, i, j);
        }
        break;
    case StatFamily::Run8:
        switch (c.kind) {
        case StatKind::Percentile:
            return tableValue(lv.LimValPercRun8, i, c.k, j);
        case StatKind::DataCapture:
            return tableValue(lv.LimValDCRun8, i, j);
        default:
            return tableValue(lv.LimValMaxRun8, i, j);
        }
    case StatFamily::Daily:
        switch (c.kind) {
        case StatKind::Percentile:
            return tableValue(lv.LimValPercDaily, i, c.k, j);
        case StatKind::DataCapture:
            return tableValue(lv.LimValDCDaily, i, j);
        default:
            return tableValue(lv.LimValMaxDaily, i, j);
        }
    }
    return -99.0f;
}

int limitRowCount(const State &s, int i) {
    return optionAt(s.LimValRowCount, i, 0);
}

bool hasPositiveLimit(const State &s, const ResultsColumn &c, int i) {
    for (int j = 1; j <= limitRowCount(s, i); ++j) {
        if (limitOf(s, c, i, j) > 0.0f) {
            return true;
        }
    }
    return false;
}

// A limit-value pollutant as the table shows it.
struct Component {
    int i = 0;
    std::string pollutant;
    std::string label;
    bool known = false; // in the pollutant list
    bool shown = true;
    double limitFactor = 1;        // limit values (default output unit) to the unit shown
    int sources[4] = {0, 0, 0, 0}; // percentiles, running 8-hour, averages, daily
    bool anySource(int wanted) const {
        return std::any_of(std::begin(sources), std::end(sources), [wanted](int v) {
            return wanted == 2 ? v >= 2 : wanted == 1 ? v == 1 || v == 3 : v > 0;
        });
    }
};

Component componentOf(const State &s, const StatSource &source, const std::vector<ShownUnit> &units, int i) {
    Component c;
    c.i = i;
    c.pollutant = textAt(s.LimValPollutants, i);
    const Pollutant *p = s.PollutantList.find(c.pollutant);
    c.known = p != nullptr;
    if (!c.known) {
        // Shown with its modelled and background rows, every value "--".
        c.label = c.pollutant;
        std::fill(std::begin(c.sources), std::end(c.sources), 1);
        return c;
    }
    const int index = p->Index;
    const std::string longName = textAt(s.LimValLongNames, i);
    const Pollutant *stored = source.pollutants != nullptr ? source.pollutants->find(c.pollutant) : nullptr;
    const auto at = static_cast<std::size_t>(stored != nullptr ? stored->Index : -1);
    const bool unitKnown = stored != nullptr && stored->Index >= 0 && at < units.size();
    c.label = (longName.empty() ? p->LongName : longName) +
              unitText(unitKnown ? units[at].code : textAt(s.DefOutputUnits, index));
    c.limitFactor = unitKnown ? units[at].limitFactor : 1.0;
    c.shown = optionAt(s.ShowPol, index, true);
    c.sources[0] = optionAt(s.PercSource, index, 0);
    c.sources[1] = optionAt(s.Run8Source, index, 0);
    c.sources[2] = optionAt(s.AvSource, index, 0);
    c.sources[3] = optionAt(s.DailySource, index, 0);
    return c;
}

ResultsCell labelCell(std::string text, CellShade shade, bool bold = false) {
    ResultsCell cell;
    cell.text = std::move(text);
    cell.shade = shade;
    cell.bold = bold;
    return cell;
}

// A value cell's plain look: the data-capture cells are shaded and italic.
ResultsCell valueCell(const ResultsColumn &c) {
    ResultsCell cell;
    cell.align = CellAlign::CentreTop;
    if (c.isDataCapture()) {
        cell.shade = CellShade::Shaded;
        cell.italic = true;
    }
    return cell;
}

// The text of one value cell: the number in NumberFormat, or "--" (with a
// note when the value could not be looked up at all).
std::string valueText(const StatSource &source, const std::vector<float> &factors, const ResultsColumn &c,
                      const Component &comp, const std::string &series, int page,
                      const std::string &numberFormat, std::string *note) {
    const std::string key = c.word + comp.pollutant + "_" + series;
    if (!comp.known) {
        *note = comp.pollutant + " of the limit values is not in the pollutant list: it has no results.";
        return "--";
    }
    const StatVar *statVar = source.stats != nullptr ? source.stats->find(key) : nullptr;
    if (statVar == nullptr) {
        *note = "There is no statistic " + key + " in these results.";
        return "--";
    }
    float v = -99.0f;
    try {
        static const KeyedList<Pollutant> noPollutants;
        v = statVar->Value(page, c.isDataCapture() ? c.word : comp.pollutant,
                           source.pollutants != nullptr ? *source.pollutants : noPollutants, factors,
                           source.period);
        if (c.isDataCapture() && v < 0.0f && statVar->Value(page) >= 0.0f) {
            *note = "The length of the period run is not known: the data capture cannot be given.";
        }
    } catch (const std::out_of_range &e) {
        *note = "The statistic " + key + " cannot be shown: " + e.what() + ".";
        return "--";
    }
    return v >= 0.0f ? Format(v, numberFormat) : "--"; // no pattern: the plain form
}

ResultsColumn column(StatFamily family, StatKind kind, int k, std::string heading, std::string name,
                     std::string word, bool hidden) {
    ResultsColumn c;
    c.family = family;
    c.kind = kind;
    c.k = k;
    c.heading = std::move(heading);
    c.name = std::move(name);
    c.word = std::move(word);
    c.hidden = hidden;
    return c;
}

} // namespace

int ResultsPage::gridWidthTwips() const {
    long long width = 45;
    for (int w : columnWidthsTwips) {
        width += w;
    }
    return static_cast<int>(std::min<long long>(width, std::numeric_limits<int>::max()));
}

int ResultsPage::gridHeightTwips() const {
    long long height = 0;
    for (const ResultsRow &r : rows) {
        height += r.heightTwips;
    }
    return static_cast<int>(std::min<long long>(height, std::numeric_limits<int>::max()));
}

const ResultsCell &ResultsPage::cell(int row, int column) const {
    static const ResultsCell empty;
    if (row < 0 || row >= rowCount()) {
        return empty;
    }
    const std::vector<ResultsCell> &cells = rows[static_cast<std::size_t>(row)].cells;
    return column >= 0 && static_cast<std::size_t>(column) < cells.size()
               ? cells[static_cast<std::size_t>(column)]
               : empty;
}

std::vector<std::vector<std::string>> ResultsPage::texts() const {
    std::vector<std::vector<std::string>> out;
    out.reserve(rows.size());
    for (int r = 0; r < rowCount(); ++r) {
        std::vector<std::string> line;
        for (int c = 0; c < columnCount(); ++c) {
            line.push_back(cell(r, c).text);
        }
        out.push_back(std::move(line));
    }
    return out;
}

std::vector<int> ResultsPage::shownWidths(int row) const {
    const int n = columnCount();
    std::vector<int> widths(static_cast<std::size_t>(n), 1);
    for (const CellSpan &s : spans) {
        if (s.row != row || s.column < 0 || s.column >= n || s.count < 2) {
            continue;
        }
        const int end = std::min(n, s.column + s.count);
        widths[static_cast<std::size_t>(s.column)] = end - s.column;
        for (int c = s.column + 1; c < end; ++c) {
            widths[static_cast<std::size_t>(c)] = 0;
        }
    }
    return widths;
}

void ResultsPage::mergeEqualNeighbours(int row) {
    spans.erase(std::remove_if(spans.begin(), spans.end(), [row](const CellSpan &s) { return s.row == row; }),
                spans.end());
    const int n = columnCount();
    for (int c = 0; c < n;) {
        int end = c + 1;
        const std::string &text = cell(row, c).text;
        while (end < n && !text.empty() && cell(row, end).text == text) {
            ++end;
        }
        if (end - c > 1) {
            spans.push_back(CellSpan{row, c, end - c});
        }
        c = end;
    }
}

void ResultsPage::collectNotes() {
    notes.clear();
    // A page of many columns may carry a note of its own in every cell:
    // each note is looked up among those already seen in constant time.
    std::unordered_set<std::string_view> seen;
    for (const ResultsRow &r : rows) {
        for (const ResultsCell &cell : r.cells) {
            if (!cell.note.empty() && seen.insert(cell.note).second) {
                notes.push_back(cell.note);
            }
        }
    }
}

float limitValue(const State &s, const ResultsColumn &c, int i, int j) {
    return limitOf(s, c, i, j);
}

StatSource runStatSource(const State &s) {
    return StatSource{&s.StatVarList, &s.PollutantList, &s.OutputUnitFactor, &s.CalcOutputUnits,
                      s.CalcPeriod};
}

ShownUnit shownUnit(const std::string &runUnit, const std::string &defaultUnit, float outputUnitFactor) {
    static const char *const named[] = {"nanog", "microg", "milig", "ppt", "ppb", "ppm"};
    const std::string run = trim(runUnit);
    const bool isNamed =
        std::any_of(std::begin(named), std::end(named), [&](const char *code) { return iequals(run, code); });
    const bool usable = outputUnitFactor > 0.0f && std::isfinite(outputUnitFactor);
    if (isNamed) {
        return {run, 1.0f, usable ? 1.0 / static_cast<double>(outputUnitFactor) : 1.0};
    }
    return {defaultUnit, usable ? outputUnitFactor : 1.0f, 1.0f};
}

std::vector<ShownUnit> shownUnits(const State &s, const StatSource &source) {
    const std::size_t n = source.outputUnitFactor != nullptr ? source.outputUnitFactor->size() : 0;
    std::vector<ShownUnit> out(n);
    if (source.pollutants == nullptr) {
        return out;
    }
    for (const Pollutant &p : *source.pollutants) {
        const auto i = static_cast<std::size_t>(p.Index);
        if (p.Index < 0 || i >= n) {
            continue;
        }
        const Pollutant *own = s.PollutantList.find(p.Name);
        const std::string run = source.outputUnits != nullptr && i < source.outputUnits->size()
                                    ? (*source.outputUnits)[i]
                                    : std::string();
        out[i] = shownUnit(run, own != nullptr ? textAt(s.DefOutputUnits, own->Index) : std::string(),
                           (*source.outputUnitFactor)[i]);
    }
    return out;
}

std::vector<ResultsColumn> allResultsColumns(const State &s) {
    std::vector<ResultsColumn> out;
    auto family = [&](StatFamily f, const std::string &heading, int count, int mode,
                      const std::vector<std::string> &nthNames, const std::vector<std::string> &percNames,
                      const std::vector<int> &nth, const std::vector<std::string> &percWords,
                      const char *nthSuffix, const std::vector<bool> &hidden) {
        for (int k = 1; k <= count; ++k) {
            const std::string word =
                mode == 0 ? std::to_string(optionAt(nth, k, 0)) + nthSuffix : textAt(percWords, k);
            out.push_back(column(f, StatKind::Percentile, k, heading,
                                 textAt(mode == 0 ? nthNames : percNames, k), word, flagAt(hidden, k)));
        }
    };
    out.push_back(column(StatFamily::Hourly, StatKind::Average, 0, s.LimValHeadHourly, s.LimValColAvHourly,
                         "Av", s.HideColAvHourly));
    out.push_back(column(StatFamily::Hourly, StatKind::Maximum, 0, s.LimValHeadHourly, s.LimValColMaxHourly,
                         "MaxHourly", s.HideColMaxHourly));
    family(StatFamily::Hourly, s.LimValHeadHourly, s.NumPercHourly, s.PercMode, s.LimValColNthHourly,
           s.LimValColPercHourly, s.PercNthHourly, s.PercNamesHourly, "thHighest", s.HideColPercHourly);
    out.push_back(column(StatFamily::Hourly, StatKind::DataCapture, 0, s.LimValHeadHourly,
                         s.LimValColDCHourly, "nHours", s.HideColDCHourly));
    out.push_back(column(StatFamily::Run8, StatKind::Maximum, 0, s.LimValHeadRun8, s.LimValColMaxRun8,
                         "MaxRun8", s.HideColMaxRun8));
    family(StatFamily::Run8, s.LimValHeadRun8, s.NumPercRun8, s.Run8PercMode, s.LimValColNthRun8,
           s.LimValColPercRun8, s.PercNthRun8, s.PercNamesRun8, "thHighestRun8", s.HideColPercRun8);
    out.push_back(column(StatFamily::Run8, StatKind::DataCapture, 0, s.LimValHeadRun8, s.LimValColDCRun8,
                         "nDays", s.HideColDCRun8));
    out.push_back(column(StatFamily::Daily, StatKind::Maximum, 0, s.LimValHeadDaily, s.LimValColMaxDaily,
                         "MaxDaily", s.HideColMaxDaily));
    family(StatFamily::Daily, s.LimValHeadDaily, s.NumPercDaily, s.DailyPercMode, s.LimValColNthDaily,
           s.LimValColPercDaily, s.PercNthDaily, s.PercNamesDaily, "thHighestDaily", s.HideColPercDaily);
    out.push_back(column(StatFamily::Daily, StatKind::DataCapture, 0, s.LimValHeadDaily, s.LimValColDCDaily,
                         "nDaysD", s.HideColDCDaily));
    return out;
}

std::vector<std::string> resultsPageNames(const State &s) {
    return resultsPageNames(s.NumReceptors, s.RecHeight);
}

std::vector<std::string> resultsPageNames(int numReceptors, double recHeight_m) {
    std::vector<std::string> names{"Max; All Receptors"};
    for (int r = 1; r <= numReceptors; ++r) {
        names.push_back("Receptor " + std::to_string(r) + "; z = " + plainNumberText(recHeight_m, 15) + " m");
    }
    return names;
}

const std::vector<std::string> &unitTexts() {
    static const std::vector<std::string> texts = {"ng/m³", "µg/m³", "mg/m³", "ppt", "ppb", "ppm"};
    return texts;
}

std::string unitText(const std::string &unitCode) {
    static const char *const codes[] = {"nanog", "microg", "milig", "ppt", "ppb", "ppm"};
    for (std::size_t u = 0; u < std::size(codes); ++u) {
        if (iequals(unitCode, codes[u])) {
            return " (" + unitTexts()[u] + ")";
        }
    }
    return unitCode.empty() ? std::string() : " (" + unitCode + ")";
}

std::vector<std::pair<std::string, std::string>> hiddenColumnNames(const State &s) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const ResultsColumn &c : allResultsColumns(s)) {
        if (c.hidden) {
            out.emplace_back(c.heading, c.name);
        }
    }
    return out;
}

ResultsPage buildResultsPage(const State &s, const StatSource &source, int page, PageUse use) {
    const std::vector<ResultsColumn> columns = allResultsColumns(s);
    const std::vector<ShownUnit> units = shownUnits(s, source);
    std::vector<float> factors;
    for (const ShownUnit &u : units) {
        factors.push_back(u.factor);
    }
    std::vector<Component> components;
    for (int i = 1; i <= s.LimValPollutantCount; ++i) {
        components.push_back(componentOf(s, source, units, i));
    }

    std::vector<const ResultsColumn *> present;
    for (const ResultsColumn &c : columns) {
        bool shown =
            !s.ShowOnlyIfLV || std::any_of(components.begin(), components.end(), [&](const Component &comp) {
                return comp.shown && hasPositiveLimit(s, c, comp.i);
            });
        if (shown && (!c.hidden || use == PageUse::File)) {
            present.push_back(&c);
        }
    }

    ResultsPage t;
    const std::size_t width = present.size() + 1;
    t.columnWidthsTwips.assign(width, kValueColumnTwips);
    t.columnWidthsTwips[0] = kFirstColumnTwips;

    ResultsRow headings{RowKind::Headings, kDefaultRowTwips, {}};
    ResultsRow names{RowKind::ColumnNames, kColumnNamesRowTwips, {}};
    headings.cells.push_back(
        labelCell(kPageTitle + std::string(" ") + std::to_string(page), CellShade::White));
    names.cells.push_back(labelCell(kComponentTitle, CellShade::Shaded));
    headings.cells.reserve(width);
    names.cells.reserve(width);
    for (const ResultsColumn *c : present) {
        ResultsCell heading = labelCell(c->heading, CellShade::Shaded);
        heading.align = CellAlign::CentreTop;
        headings.cells.push_back(heading);
        ResultsCell name = labelCell(c->name, CellShade::Shaded, true);
        name.align = CellAlign::Centre;
        name.italic = c->isDataCapture();
        names.cells.push_back(name);
    }
    t.rows.push_back(std::move(headings));
    t.rows.push_back(std::move(names));
    t.mergeEqualNeighbours(0);

    const bool limitRows = s.ShowLimitValMode == 2 || (s.ShowLimitValMode == 1 && page == 0);
    for (const Component &comp : components) {
        if (!comp.shown || (limitRowCount(s, comp.i) < 1 && s.ShowOnlyIfLV)) {
            continue;
        }
        ResultsRow heading{
            RowKind::Component, kComponentRowTwips, {labelCell(comp.label, CellShade::Shaded, true)}};
        heading.cells.reserve(width);
        for (const ResultsColumn *c : present) {
            heading.cells.push_back(valueCell(*c));
        }
        if (!comp.known) {
            heading.cells[0].note =
                comp.pollutant + " of the limit values is not in the pollutant list: it has no results.";
        }
        t.rows.push_back(std::move(heading));

        struct Series {
            RowKind kind;
            const char *title;
            const char *suffix;
            int wanted; // 2 measured, 1 modelled, 0 background
        };
        for (const Series &series : {Series{RowKind::Measured, kMeasuredTitle, "obs", 2},
                                     Series{RowKind::Modelled, kModelledTitle, "mod", 1},
                                     Series{RowKind::Background, kBackgroundTitle, "b", 0}}) {
            if (!comp.anySource(series.wanted)) {
                continue;
            }
            ResultsRow row{series.kind, kDefaultRowTwips, {labelCell(series.title, CellShade::White)}};
            row.cells.reserve(width);
            for (const ResultsColumn *c : present) {
                ResultsCell cell = valueCell(*c);
                if ((comp.shown && !s.ShowOnlyIfLV) || hasPositiveLimit(s, *c, comp.i)) {
                    cell.text = valueText(source, factors, *c, comp, series.suffix, page,
                                          use == PageUse::File ? std::string() : s.NumberFormat, &cell.note);
                }
                row.cells.push_back(std::move(cell));
            }
            t.rows.push_back(std::move(row));
        }

        if (!limitRows) {
            continue;
        }
        for (int j = 1; j <= limitRowCount(s, comp.i); ++j) {
            const std::size_t i = static_cast<std::size_t>(comp.i);
            const std::string title =
                i < s.LimValTitles.size() ? textAt(s.LimValTitles[i], j) : std::string();
            ResultsRow row{RowKind::Limit, kDefaultRowTwips, {labelCell(title, CellShade::Shaded)}};
            row.cells.reserve(width);
            for (const ResultsColumn *c : present) {
                ResultsCell cell = valueCell(*c);
                cell.shade = CellShade::Shaded;
                cell.bold = true;
                const float limit = limitOf(s, *c, comp.i, j);
                if (limit > 0.0f) {
                    // Seven significant digits: 10 mg/m³ reads 10000 µg/m³, not 9999.999.
                    cell.text = plainNumberText(c->isDataCapture() ? limit : limit * comp.limitFactor, 7);
                }
                row.cells.push_back(std::move(cell));
            }
            t.rows.push_back(std::move(row));
        }
    }
    t.collectNotes();
    return t;
}

void resetPercentileHideFlags(State &s) {
    s.HideColPercHourly.assign(static_cast<std::size_t>(std::max(s.NumPercHourly, 0)) + 1, false);
    s.HideColPercRun8.assign(static_cast<std::size_t>(std::max(s.NumPercRun8, 0)) + 1, false);
    s.HideColPercDaily.assign(static_cast<std::size_t>(std::max(s.NumPercDaily, 0)) + 1, false);
}

} // namespace vesk::results
