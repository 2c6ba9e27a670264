// Limit values of LimValDef.lst. The file names its percentile columns on one
// line (split at blanks, semicolons and tabs only, so a number may carry a
// decimal comma); they are matched to the percentile definitions by position.
// Extra columns are read and dropped, missing ones leave -99, and any
// difference in count or value is reported. Any number of pollutants and
// columns; at most kMaxLimitValueRows limit values (rows) of a pollutant, a
// list with more is refused, so that no run writes, and no page shows, more.

#include "core/CountryListReaders.h"
#include "core/KeptSizes.h"
#include "core/ListLine.h"
#include "core/ListReading.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <array>

namespace vesk {

namespace {

constexpr float kMissingValue = -99.0f;

float percentileNumber(const std::string &text) {
    return static_cast<float>(typedNumber(text));
}

struct ColumnFamily {
    const char *word;       // in the messages
    int definitions;        // count of the family's definitions
    int found = 0;          // percentile columns of the file
    bool countDiff = false; // filled by the walk
    bool valueDiff = false;
    std::vector<double> numbers{}; // the percentile of each column, as the line gives it
};

// Walks the fields of the percentile line (1-based t as the file counts
// them) and counts each family's percentile columns.
void walkPercentileLine(const std::vector<std::string> &fields, const ReferenceTables &defs,
                        ColumnFamily (&families)[3]) {
    const std::vector<std::string> *names[3] = {&defs.PercNamesHourly, &defs.PercNamesRun8,
                                                &defs.PercNamesDaily};
    // First percentile field of each family: after the two hourly headings,
    // then after "dc" and the one maximum heading of the next family.
    int state = 0;
    int firstField = 3;
    for (int t = 1; t <= static_cast<int>(fields.size()) && state < 3; ++t) {
        if (!iequals(trim(fields[t - 1]), "dc")) {
            continue;
        }
        ColumnFamily &f = families[state];
        f.found = std::max(0, t - firstField);
        f.countDiff = f.found != f.definitions;
        for (int k = 1; k <= f.found; ++k) {
            f.numbers.push_back(typedNumber(fields[firstField + k - 2]));
            const float value = percentileNumber(fields[firstField + k - 2]);
            if (k <= f.definitions && value != percentileNumber((*names[state])[k])) {
                f.valueDiff = true;
            }
        }
        firstField = t + 2;
        ++state;
    }
}

void showMismatches(Interaction *ui, const ColumnFamily (&families)[3]) {
    if (ui == nullptr) {
        return;
    }
    for (const ColumnFamily &f : families) {
        if (!f.countDiff) {
            continue;
        }
        const bool more = f.found > f.definitions;
        ui->message(
            std::string("The number of ") + f.word + " Percentile values in the Limit Values List is " +
                (more ? "greater than" : "less than") + " the number of " + f.word +
                " Percentile values in the Percentiles Definition List!" + kCrLf +
                (more ? "The extra values provided in the Limit Values List will be ignored."
                      : "No limit values are currently specified for the missing percentile values.") +
                kCrLf + "Edit the Limit Values List to avoid this message in the future!",
            Icon::Information);
    }
    for (const ColumnFamily &f : families) {
        if (!f.valueDiff) {
            continue;
        }
        ui->message(std::string("One or more of the ") + f.word +
                        " Percentile values refered to in the Limit Values List is different from the values "
                        "specified in the Percentiles Definition List!" +
                        kCrLf + "The values provided in the Percentiles Definition List will be used." +
                        kCrLf + "Edit the Limit Values List to avoid this message in the future!",
                    Icon::Information);
    }
}

// Reads count values into column[1..definitions][row] (the rest dropped).
void readPercentileValues(RecordReader &r, FloatTable &column, std::size_t row, int count, int definitions) {
    for (int k = 1; k <= count; ++k) {
        const float v = static_cast<float>(r.readDouble());
        if (k <= definitions) {
            column[static_cast<std::size_t>(k)][row] = v;
        }
    }
}

void growRows(std::vector<float> &v, std::size_t rows) {
    if (v.size() < rows) {
        v.resize(rows, kMissingValue);
    }
}

} // namespace

std::array<std::vector<double>, 3> readLimitValueColumns(const std::string &path) {
    RecordReader r = openListFile(path, nullptr);
    // The headings and column names of the three families, then the number of pollutants.
    constexpr int kHeadingFields = 16;
    for (int i = 0; i < kHeadingFields; ++i) {
        r.readString();
    }
    r.readLong();
    const std::vector<std::string> fields = ReadListLine(r.readHeaderLine(), ",");
    const ReferenceTables none;
    ColumnFamily families[3] = {{"Hourly", 0}, {"Running Average", 0}, {"Daily", 0}};
    walkPercentileLine(fields, none, families);
    return {families[0].numbers, families[1].numbers, families[2].numbers};
}

bool readLimitValues(LimitValueTables *out, const ReferenceTables &defs, const ListContext &c) {
    try {
        readLimitValueFile(out, defs, c, c.listsDir + "LimValDef.lst");
        return true;
    } catch (...) {
        const ListFailure failure = currentListFailure();
        if (c.ui != nullptr) {
            c.ui->message(std::string("Error reading the Limit Values List!") + kCrLf +
                              std::to_string(failure.number) + " " + failure.text,
                          Icon::Critical);
        }
        return false;
    }
}

void readLimitValueFile(LimitValueTables *out, const ReferenceTables &defs, const ListContext &c,
                        const std::string &path) {
    LimitValueTables &lv = *out;
    RecordReader r = openListFile(path, c.listFileName);
    auto names = [](std::vector<std::string> &target, const std::string &base, int count,
                    const std::vector<std::string> &source) {
        target.assign(1, base);
        for (int k = 1; k <= count; ++k) {
            target.push_back(source[static_cast<std::size_t>(k)] + base);
        }
    };
    auto nthTexts = [](const std::vector<int> &n) {
        std::vector<std::string> texts;
        for (int v : n) {
            texts.push_back(std::to_string(v));
        }
        return texts;
    };
    auto percTexts = [](const std::vector<std::string> &percNames) {
        std::vector<std::string> texts;
        for (const std::string &name : percNames) {
            texts.push_back(formatNumber(typedNumber(name)));
        }
        return texts;
    };

    lv.LimValHeadHourly = r.readString();
    lv.LimValColAvHourly = r.readString();
    lv.LimValColMaxHourly = r.readString();
    names(lv.LimValColNthHourly, r.readString(), defs.NumPercHourly, nthTexts(defs.PercNthHourly));
    names(lv.LimValColPercHourly, r.readString(), defs.NumPercHourly, percTexts(defs.PercNamesHourly));
    lv.LimValColDCHourly = r.readString();
    lv.LimValHeadRun8 = r.readString();
    lv.LimValColMaxRun8 = r.readString();
    names(lv.LimValColNthRun8, r.readString(), defs.NumPercRun8, nthTexts(defs.PercNthRun8));
    names(lv.LimValColPercRun8, r.readString(), defs.NumPercRun8, percTexts(defs.PercNamesRun8));
    lv.LimValColDCRun8 = r.readString();
    lv.LimValHeadDaily = r.readString();
    lv.LimValColMaxDaily = r.readString();
    names(lv.LimValColNthDaily, r.readString(), defs.NumPercDaily, nthTexts(defs.PercNthDaily));
    names(lv.LimValColPercDaily, r.readString(), defs.NumPercDaily, percTexts(defs.PercNamesDaily));
    lv.LimValColDCDaily = r.readString();

    const long pollutantCount = r.readLong();
    if (pollutantCount < 0) {
        throw ListLoadError(kErrOther, "Negative number of pollutants in " + r.fileName());
    }
    if (pollutantCount > kMaxPollutants) {
        throw ListLoadError(kErrOverflow, r.fileName() + ", line " + std::to_string(r.fieldLine()) + ": " +
                                              std::to_string(pollutantCount) + " pollutants, more than the " +
                                              std::to_string(kMaxPollutants) + " the program keeps.");
    }
    lv.LimValPollutantCount = static_cast<int>(pollutantCount);
    // The percentile line: commas stay inside fields.
    const std::vector<std::string> fields = ReadListLine(r.readHeaderLine(), ",");
    ColumnFamily families[3] = {
        {"Hourly", defs.NumPercHourly}, {"Running Average", defs.NumPercRun8}, {"Daily", defs.NumPercDaily}};
    walkPercentileLine(fields, defs, families);
    lv.LimHourlyCountDiff = families[0].countDiff;
    lv.LimRunAvgCountDiff = families[1].countDiff;
    lv.LimDailyCountDiff = families[2].countDiff;
    lv.LimHourlyValueDiff = families[0].valueDiff;
    lv.LimRunAvgValueDiff = families[1].valueDiff;
    lv.LimDailyValueDiff = families[2].valueDiff;
    showMismatches(c.ui, families);
    const int nH = families[0].found, nR = families[1].found, nD = families[2].found;

    lv.LimValPollutants.assign(1, std::string());
    lv.LimValLongNames.assign(1, std::string());
    lv.LimValRowCount.assign(1, 0);
    lv.LimValTitles.assign(1, {});
    for (FloatTable *table : {&lv.LimValAvHourly, &lv.LimValMaxHourly, &lv.LimValDCHourly, &lv.LimValMaxRun8,
                              &lv.LimValDCRun8, &lv.LimValMaxDaily, &lv.LimValDCDaily}) {
        table->assign(1, {});
    }
    for (FloatTable3 *table : {&lv.LimValPercHourly, &lv.LimValPercRun8, &lv.LimValPercDaily}) {
        table->assign(1, {});
    }
    lv.LimValMaxRows = 0;

    for (int p = 1; p <= lv.LimValPollutantCount; ++p) {
        r.readHeaderLine();
        const std::string name = r.readString();
        const long rowCount = std::max(0L, r.readLong());
        if (rowCount > kMaxLimitValueRows) {
            throw ListLoadError(
                kErrOverflow, r.fileName() + ", line " + std::to_string(r.fieldLine()) + ": " +
                                  std::to_string(rowCount) + " limit values of " + name + ", more than the " +
                                  std::to_string(kMaxLimitValueRows) + " the program keeps of a pollutant.");
        }
        // A pollutant named twice would give its street pages two blocks of
        // limits, and the results of a run two limit lines for it.
        if (std::any_of(lv.LimValPollutants.begin() + 1, lv.LimValPollutants.end(),
                        [&](const std::string &seen) { return iequals(seen, name); })) {
            throw ListLoadError(kErrDuplicateKey, r.fileName() + ", line " + std::to_string(r.fieldLine()) +
                                                      ": the pollutant " + name +
                                                      " is in the Limit Values List twice.");
        }
        lv.LimValPollutants.push_back(name);
        lv.LimValRowCount.push_back(static_cast<int>(rowCount));
        const Pollutant *pollutant = defs.PollutantList.find(name);
        lv.LimValLongNames.push_back(pollutant != nullptr ? pollutant->LongName : std::string());
        if (pollutant == nullptr && c.ui != nullptr) {
            c.ui->message(
                "The pollutant " + name +
                    ", refered to in the Limit Values List, is not in the current Pollutants List!" + kCrLf +
                    "You should remove this pollutant from the List.",
                Icon::Information);
        }
        lv.LimValTitles.emplace_back(1);
        for (FloatTable *table :
             {&lv.LimValAvHourly, &lv.LimValMaxHourly, &lv.LimValDCHourly, &lv.LimValMaxRun8,
              &lv.LimValDCRun8, &lv.LimValMaxDaily, &lv.LimValDCDaily}) {
            table->emplace_back(1, kMissingValue);
        }
        lv.LimValPercHourly.emplace_back(static_cast<std::size_t>(defs.NumPercHourly) + 1,
                                         std::vector<float>(1, kMissingValue));
        lv.LimValPercRun8.emplace_back(static_cast<std::size_t>(defs.NumPercRun8) + 1,
                                       std::vector<float>(1, kMissingValue));
        lv.LimValPercDaily.emplace_back(static_cast<std::size_t>(defs.NumPercDaily) + 1,
                                        std::vector<float>(1, kMissingValue));
        const std::size_t pi = static_cast<std::size_t>(p);
        for (long row = 1; row <= rowCount; ++row) {
            const std::size_t ri = static_cast<std::size_t>(row);
            lv.LimValMaxRows = std::max(lv.LimValMaxRows, static_cast<int>(rowCount));
            lv.LimValTitles[pi].resize(ri + 1);
            for (FloatTable *table :
                 {&lv.LimValAvHourly, &lv.LimValMaxHourly, &lv.LimValDCHourly, &lv.LimValMaxRun8,
                  &lv.LimValDCRun8, &lv.LimValMaxDaily, &lv.LimValDCDaily}) {
                growRows((*table)[pi], ri + 1);
            }
            for (FloatTable3 *table : {&lv.LimValPercHourly, &lv.LimValPercRun8, &lv.LimValPercDaily}) {
                for (std::vector<float> &column : (*table)[pi]) {
                    growRows(column, ri + 1);
                }
            }
            lv.LimValTitles[pi][ri] = r.readString();
            lv.LimValAvHourly[pi][ri] = static_cast<float>(r.readDouble());
            lv.LimValMaxHourly[pi][ri] = static_cast<float>(r.readDouble());
            readPercentileValues(r, lv.LimValPercHourly[pi], ri, nH, defs.NumPercHourly);
            lv.LimValDCHourly[pi][ri] = static_cast<float>(r.readDouble());
            lv.LimValMaxRun8[pi][ri] = static_cast<float>(r.readDouble());
            readPercentileValues(r, lv.LimValPercRun8[pi], ri, nR, defs.NumPercRun8);
            lv.LimValDCRun8[pi][ri] = static_cast<float>(r.readDouble());
            lv.LimValMaxDaily[pi][ri] = static_cast<float>(r.readDouble());
            readPercentileValues(r, lv.LimValPercDaily[pi], ri, nD, defs.NumPercDaily);
            lv.LimValDCDaily[pi][ri] = static_cast<float>(r.readDouble());
        }
    }

    // Every per-row table runs over rows 0..LimValMaxRows.
    const std::size_t rows = static_cast<std::size_t>(lv.LimValMaxRows) + 1;
    for (std::size_t p = 0; p < lv.LimValTitles.size(); ++p) {
        lv.LimValTitles[p].resize(rows);
    }
    for (FloatTable *table : {&lv.LimValAvHourly, &lv.LimValMaxHourly, &lv.LimValDCHourly, &lv.LimValMaxRun8,
                              &lv.LimValDCRun8, &lv.LimValMaxDaily, &lv.LimValDCDaily}) {
        for (std::vector<float> &v : *table) {
            v.resize(rows, kMissingValue);
        }
    }
    for (FloatTable3 *table : {&lv.LimValPercHourly, &lv.LimValPercRun8, &lv.LimValPercDaily}) {
        for (std::vector<std::vector<float>> &columns : *table) {
            for (std::vector<float> &v : columns) {
                v.resize(rows, kMissingValue);
            }
        }
    }
}

} // namespace vesk
