// The writer of LimValDef.lst: its headings and column names as loaded, a
// header line with the percentile numbers of the current definitions (which
// is what the reader matches the percentile columns by), then one block per
// pollutant whose value lines start in one column.

#include "core/KeptSizes.h"
#include "core/ListWriters.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace vesk {

namespace {

const std::string &first(const std::vector<std::string> &v) {
    static const std::string empty;
    return v.empty() ? empty : v.front();
}

float stored(const FloatTable &table, std::size_t p, std::size_t r) {
    return p < table.size() && r < table[p].size() ? table[p][r] : static_cast<float>(kMissing);
}

float stored(const FloatTable3 &table, std::size_t p, std::size_t k, std::size_t r) {
    if (p < table.size() && k < table[p].size() && r < table[p][k].size()) {
        return table[p][k][r];
    }
    return static_cast<float>(kMissing);
}

std::string valueText(double v) {
    return formatSingle(static_cast<float>(std::isfinite(v) && !isMissing(v) ? v : kMissing));
}

} // namespace

std::array<int, 3> limitValueColumnCounts(const ReferenceTables &t) {
    return {3 + t.NumPercHourly, 2 + t.NumPercRun8, 2 + t.NumPercDaily};
}

std::array<int, 3> limitValueColumnCounts(const PercentileNumbers &definitions) {
    return {3 + static_cast<int>(definitions[0].size()), 2 + static_cast<int>(definitions[1].size()),
            2 + static_cast<int>(definitions[2].size())};
}

LimitValueRow emptyLimitValueRow(const ReferenceTables &t, const std::string &title) {
    const std::array<int, 3> n = limitValueColumnCounts(t);
    LimitValueRow row;
    row.title = title;
    row.hourly.assign(static_cast<std::size_t>(n[0]), kMissing);
    row.run8.assign(static_cast<std::size_t>(n[1]), kMissing);
    row.daily.assign(static_cast<std::size_t>(n[2]), kMissing);
    return row;
}

std::vector<LimitValueBlock> limitValueBlocks(const ReferenceTables &t) {
    std::vector<LimitValueBlock> blocks;
    for (int p = 1; p <= t.LimValPollutantCount; ++p) {
        const auto pi = static_cast<std::size_t>(p);
        LimitValueBlock block;
        block.name = t.LimValPollutants[pi];
        for (int r = 1; r <= t.LimValRowCount[pi]; ++r) {
            const auto ri = static_cast<std::size_t>(r);
            LimitValueRow row;
            row.title =
                pi < t.LimValTitles.size() && ri < t.LimValTitles[pi].size() ? t.LimValTitles[pi][ri] : "";
            row.hourly.push_back(stored(t.LimValAvHourly, pi, ri));
            row.hourly.push_back(stored(t.LimValMaxHourly, pi, ri));
            for (int k = 1; k <= t.NumPercHourly; ++k) {
                row.hourly.push_back(stored(t.LimValPercHourly, pi, static_cast<std::size_t>(k), ri));
            }
            row.hourly.push_back(stored(t.LimValDCHourly, pi, ri));
            row.run8.push_back(stored(t.LimValMaxRun8, pi, ri));
            for (int k = 1; k <= t.NumPercRun8; ++k) {
                row.run8.push_back(stored(t.LimValPercRun8, pi, static_cast<std::size_t>(k), ri));
            }
            row.run8.push_back(stored(t.LimValDCRun8, pi, ri));
            row.daily.push_back(stored(t.LimValMaxDaily, pi, ri));
            for (int k = 1; k <= t.NumPercDaily; ++k) {
                row.daily.push_back(stored(t.LimValPercDaily, pi, static_cast<std::size_t>(k), ri));
            }
            row.daily.push_back(stored(t.LimValDCDaily, pi, ri));
            block.rows.push_back(std::move(row));
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::string limitValueListProblem(const std::vector<LimitValueBlock> &blocks, const ReferenceTables &t) {
    return limitValueListProblem(blocks, percentileNumbers(t));
}

std::string limitValueListProblem(const std::vector<LimitValueBlock> &blocks,
                                  const PercentileNumbers &definitions) {
    const std::array<int, 3> n = limitValueColumnCounts(definitions);
    if (blocks.size() > static_cast<std::size_t>(kMaxPollutants)) {
        return "The Limit Values List holds " + std::to_string(blocks.size()) +
               " pollutants, more than the " + std::to_string(kMaxPollutants) + " the program keeps.";
    }
    std::set<std::string> names;
    for (const LimitValueBlock &b : blocks) {
        if (trim(b.name).empty()) {
            return "A pollutant of the Limit Values List has no name.";
        }
        if (std::string p = quotedTextProblem("The pollutant", b.name); !p.empty()) {
            return p;
        }
        if (!names.insert(toLower(b.name)).second) {
            return "The pollutant " + b.name + " is in the Limit Values List twice.";
        }
        if (b.rows.size() > static_cast<std::size_t>(kMaxLimitValueRows)) {
            return "The pollutant " + b.name + " has " + std::to_string(b.rows.size()) +
                   " limit values, more than the " + std::to_string(kMaxLimitValueRows) +
                   " the program keeps of a pollutant.";
        }
        for (std::size_t r = 0; r < b.rows.size(); ++r) {
            const LimitValueRow &row = b.rows[r];
            const std::string where = b.name + ", limit value " + std::to_string(r + 1);
            if (trim(row.title).empty()) {
                return where + ": whenever a Limit Value is specified, the Limit Value Title text must be "
                               "provided too!";
            }
            if (std::string p = quotedTextProblem(where + ": the title", row.title); !p.empty()) {
                return p;
            }
            if (row.hourly.size() != static_cast<std::size_t>(n[0]) ||
                row.run8.size() != static_cast<std::size_t>(n[1]) ||
                row.daily.size() != static_cast<std::size_t>(n[2])) {
                return where + ": the values do not match the percentile definitions.";
            }
            for (const std::vector<double> *values : {&row.hourly, &row.run8, &row.daily}) {
                for (double v : *values) {
                    if (!std::isfinite(v)) {
                        return where + ": a value is not a number.";
                    }
                }
            }
        }
    }
    return {};
}

std::string limitValueListText(const std::vector<LimitValueBlock> &blocks, const ReferenceTables &t) {
    return limitValueListText(blocks, t, percentileNumbers(t));
}

std::string limitValueListText(const std::vector<LimitValueBlock> &blocks, const ReferenceTables &t,
                               const PercentileNumbers &definitions) {
    RecordWriter w;
    w.string(t.LimValHeadHourly).endRecord();
    w.string(t.LimValColAvHourly).string(t.LimValColMaxHourly).string(first(t.LimValColNthHourly));
    w.string(first(t.LimValColPercHourly)).string(t.LimValColDCHourly).endRecord();
    w.string(t.LimValHeadRun8).endRecord();
    w.string(t.LimValColMaxRun8).string(first(t.LimValColNthRun8)).string(first(t.LimValColPercRun8));
    w.string(t.LimValColDCRun8).endRecord();
    w.string(t.LimValHeadDaily).endRecord();
    w.string(t.LimValColMaxDaily).string(first(t.LimValColNthDaily)).string(first(t.LimValColPercDaily));
    w.string(t.LimValColDCDaily).endRecord();
    w.integer(static_cast<long>(blocks.size())).endRecord();

    // The percentile numbers of the definitions the columns belong to.
    auto numbers = [](const std::vector<double> &family) {
        std::string out;
        for (double p : family) {
            out += formatSingle(static_cast<float>(p)) + " ";
        }
        return out;
    };
    std::string header(25, ' ');
    header += "av max " + numbers(definitions[0]) + "DC  max " + numbers(definitions[1]) + "DC  max " +
              numbers(definitions[2]) + "DC";
    std::string out = w.str() + header + kCrLf;

    int width = 0;
    for (const LimitValueBlock &b : blocks) {
        for (const LimitValueRow &row : b.rows) {
            width = std::max(width, static_cast<int>(utf8CodePoints(row.title).size()));
        }
    }
    for (const LimitValueBlock &b : blocks) {
        RecordWriter block;
        block.line("*").string(b.name).integer(static_cast<long>(b.rows.size())).endRecord();
        out += block.str();
        for (const LimitValueRow &row : b.rows) {
            ColumnLine line;
            line.text("\"" + row.title + "\",").at(width + 4);
            std::string values;
            for (const std::vector<double> *part : {&row.hourly, &row.run8, &row.daily}) {
                for (double v : *part) {
                    values += (values.empty() ? "" : ",") + valueText(v);
                }
            }
            out += line.str() + values + kCrLf;
        }
    }
    return out;
}

namespace {

// Where the percentile columns of each family begin in a row's values:
// after the average and the maximum of the hourly values, after the maximum
// of the others. The last value of each family is its data capture.
constexpr std::size_t kFirstPercentileColumn[kPercentileFamilies] = {2, 1, 1};

std::vector<double> &familyValues(LimitValueRow &row, std::size_t k) {
    return k == 0 ? row.hourly : k == 1 ? row.run8 : row.daily;
}

const std::vector<double> &familyValues(const LimitValueRow &row, std::size_t k) {
    return k == 0 ? row.hourly : k == 1 ? row.run8 : row.daily;
}

// For each column of to, the column of from with the same percentile (-1: none).
std::vector<int> sourceColumns(const std::vector<double> &from, const std::vector<double> &to) {
    std::vector<bool> used(from.size(), false);
    std::vector<int> source;
    for (double p : to) {
        int found = -1;
        for (std::size_t i = 0; i < from.size() && found < 0; ++i) {
            if (!used[i] && percentileText(from[i]) == percentileText(p)) {
                used[i] = true;
                found = static_cast<int>(i);
            }
        }
        source.push_back(found);
    }
    return source;
}

double percentileValue(const std::vector<double> &values, std::size_t k, std::size_t column) {
    const std::size_t at = kFirstPercentileColumn[k] + column;
    // The data capture value is the last one and is never a percentile column.
    return at + 1 < values.size() ? values[at] : kMissing;
}

bool namesPollutant(const LimitValueBlock &b, const std::string &name) {
    return iequals(trim(b.name), trim(name));
}

} // namespace

bool hasConcentrationLimits(const std::vector<LimitValueBlock> &blocks, const std::string &name) {
    for (const LimitValueBlock &b : blocks) {
        if (!namesPollutant(b, name)) {
            continue;
        }
        for (const LimitValueRow &row : b.rows) {
            for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
                const std::vector<double> &values = familyValues(row, k);
                for (std::size_t i = 0; i + 1 < values.size(); ++i) {
                    if (values[i] > 0) {
                        return true;
                    }
                }
            }
        }
    }
    return false;
}

void scaleConcentrationLimits(std::vector<LimitValueBlock> &blocks, const std::string &name, double factor) {
    for (LimitValueBlock &b : blocks) {
        if (!namesPollutant(b, name)) {
            continue;
        }
        for (LimitValueRow &row : b.rows) {
            for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
                std::vector<double> &values = familyValues(row, k);
                for (std::size_t i = 0; i + 1 < values.size(); ++i) {
                    if (values[i] > 0) {
                        // Kept as the list keeps it: a single-precision number.
                        values[i] = static_cast<float>(values[i] * factor);
                    }
                }
            }
        }
    }
}

std::array<LimitColumnChanges, kPercentileFamilies>
limitColumnChanges(const std::vector<LimitValueBlock> &blocks, const PercentileNumbers &from,
                   const PercentileNumbers &to) {
    std::array<LimitColumnChanges, kPercentileFamilies> changes;
    for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
        LimitColumnChanges &c = changes[k];
        const std::vector<int> source = sourceColumns(from[k], to[k]);
        std::vector<bool> kept(from[k].size(), false);
        int last = -1;
        for (std::size_t j = 0; j < source.size(); ++j) {
            if (source[j] < 0) {
                c.added.push_back(to[k][j]);
                continue;
            }
            kept[static_cast<std::size_t>(source[j])] = true;
            c.moved = c.moved || source[j] < last;
            last = source[j];
        }
        for (std::size_t i = 0; i < from[k].size(); ++i) {
            if (kept[i]) {
                continue;
            }
            c.removed.push_back(from[k][i]);
            for (const LimitValueBlock &b : blocks) {
                const bool has = std::any_of(b.rows.begin(), b.rows.end(), [&](const LimitValueRow &row) {
                    return percentileValue(familyValues(row, k), k, i) > 0;
                });
                if (has && std::find(c.lost.begin(), c.lost.end(), b.name) == c.lost.end()) {
                    c.lost.push_back(b.name);
                }
            }
        }
    }
    return changes;
}

std::vector<LimitValueBlock> carryLimitColumns(const std::vector<LimitValueBlock> &blocks,
                                               const PercentileNumbers &from, const PercentileNumbers &to) {
    std::array<std::vector<int>, kPercentileFamilies> source;
    for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
        source[k] = sourceColumns(from[k], to[k]);
    }
    std::vector<LimitValueBlock> carried = blocks;
    for (LimitValueBlock &b : carried) {
        for (LimitValueRow &row : b.rows) {
            for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
                const std::vector<double> old = familyValues(row, k);
                std::vector<double> &values = familyValues(row, k);
                values.assign(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                             old.size(), kFirstPercentileColumn[k])));
                values.resize(kFirstPercentileColumn[k], kMissing);
                for (int s : source[k]) {
                    values.push_back(s < 0 ? kMissing : percentileValue(old, k, static_cast<std::size_t>(s)));
                }
                values.push_back(old.size() > kFirstPercentileColumn[k] ? old.back() : kMissing);
            }
        }
    }
    return carried;
}

namespace {

float asStored(double v) {
    return static_cast<float>(v);
}

// The column of a version laid out for columns that holds percentile p of family k (-1: none).
int columnOf(const std::vector<double> &columns, double p) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (percentileText(columns[i]) == percentileText(p)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Whether row (laid out for to) and the version's row agree on every value
// they share, the columns added to to left aside.
bool rowsAgree(const LimitValueRow &row, const LimitValueRow &earlier, const PercentileNumbers &to,
               const std::array<std::vector<int>, kPercentileFamilies> &source,
               const PercentileNumbers &columns) {
    for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
        const std::vector<double> &mine = familyValues(row, k);
        const std::vector<double> &theirs = familyValues(earlier, k);
        const std::size_t first = kFirstPercentileColumn[k];
        if (mine.size() < first + 1 || theirs.size() < first + 1) {
            return false;
        }
        for (std::size_t i = 0; i < first; ++i) {
            if (asStored(mine[i]) != asStored(theirs[i])) {
                return false;
            }
        }
        if (asStored(mine.back()) != asStored(theirs.back())) {
            return false; // data capture
        }
        for (std::size_t j = 0; j < to[k].size(); ++j) {
            const int at = columnOf(columns[k], to[k][j]);
            if (source[k][j] < 0 || at < 0) {
                continue;
            }
            if (asStored(percentileValue(mine, k, j)) !=
                asStored(percentileValue(theirs, k, static_cast<std::size_t>(at)))) {
                return false;
            }
        }
    }
    return true;
}

const LimitValueRow *sameRow(const LimitValueVersion &version, const std::string &pollutant,
                             const std::string &title) {
    for (const LimitValueBlock &b : version.blocks) {
        if (!namesPollutant(b, pollutant)) {
            continue;
        }
        for (const LimitValueRow &row : b.rows) {
            if (trim(row.title) == trim(title)) {
                return &row;
            }
        }
    }
    return nullptr;
}

void addOnce(std::vector<std::string> &names, const std::string &name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(name);
    }
}

} // namespace

std::array<LimitColumnsTakenBack, kPercentileFamilies>
takeBackLimitColumns(std::vector<LimitValueBlock> &carried, const PercentileNumbers &from,
                     const PercentileNumbers &to, const std::vector<LimitValueVersion> &earlier) {
    std::array<std::vector<int>, kPercentileFamilies> source;
    for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
        source[k] = sourceColumns(from[k], to[k]);
    }
    std::array<LimitColumnsTakenBack, kPercentileFamilies> taken;
    for (LimitValueBlock &b : carried) {
        for (LimitValueRow &row : b.rows) {
            for (std::size_t k = 0; k < kPercentileFamilies; ++k) {
                for (std::size_t j = 0; j < to[k].size(); ++j) {
                    const std::size_t at = kFirstPercentileColumn[k] + j;
                    if (source[k][j] >= 0 || at + 1 >= familyValues(row, k).size()) {
                        continue;
                    }
                    bool found = false;
                    for (const LimitValueVersion &version : earlier) {
                        const LimitValueRow *then = sameRow(version, b.name, row.title);
                        const int column = columnOf(version.columns[k], to[k][j]);
                        if (then == nullptr || column < 0 ||
                            !rowsAgree(row, *then, to, source, version.columns)) {
                            continue;
                        }
                        const double value =
                            percentileValue(familyValues(*then, k), k, static_cast<std::size_t>(column));
                        familyValues(row, k)[at] = value;
                        if (value > 0) {
                            addOnce(taken[k].regained, b.name);
                        }
                        found = true;
                        break;
                    }
                    if (!found) {
                        addOnce(taken[k].unknown, b.name);
                    }
                }
            }
        }
    }
    return taken;
}

} // namespace vesk
