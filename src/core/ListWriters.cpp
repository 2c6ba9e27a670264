#include "core/ListWriters.h"

#include "core/KeptSizes.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace vesk {

namespace {

std::string rowText(std::size_t index) {
    return "Row " + std::to_string(index + 1);
}

// A number the readers take back as written.
bool finite(double v) {
    return std::isfinite(v);
}

std::string singleText(double v) {
    return formatSingle(static_cast<float>(v));
}

bool isUnitOrFactor(const std::string &unit) {
    const auto &keywords = unitKeywords();
    if (std::find(keywords.begin(), keywords.end(), unit) != keywords.end()) {
        return true;
    }
    const auto v = parseNumber(unit);
    return v && *v > 0;
}

} // namespace

std::string quotedTextProblem(const std::string &what, const std::string &text) {
    if (text.find('"') != std::string::npos) {
        return what + " " + doubleQuoted(text) + " holds a double quote, which the list cannot keep.";
    }
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return what + " " + quotedText(text) + " holds a line end or another control character.";
        }
    }
    return {};
}

ColumnLine &ColumnLine::text(const std::string &s) {
    m_line += s;
    m_width += static_cast<int>(utf8CodePoints(s).size());
    return *this;
}

ColumnLine &ColumnLine::at(int column) {
    const int blanks = m_width + 1 < column ? column - m_width - 1 : (m_width + 1 > column ? 1 : 0);
    m_line.append(static_cast<std::size_t>(blanks), ' ');
    m_width += blanks;
    return *this;
}

// ---- Pollutants.lst

bool isProtectedPollutant(const std::string &name) {
    for (const char *p : {"NO", "NOX", "NO2", "O3"}) {
        if (iequals(name, p)) {
            return true;
        }
    }
    return false;
}

const std::vector<std::string> &unitKeywords() {
    static const std::vector<std::string> keywords = {"nanog", "microg", "milig", "ppt", "ppb", "ppm"};
    return keywords;
}

std::vector<PollutantRow> pollutantRows(const ReferenceTables &t) {
    std::vector<PollutantRow> rows;
    for (int i = 0; i <= t.NPol; ++i) {
        const auto k = static_cast<std::size_t>(i);
        PollutantRow row;
        row.name = t.PollutantNames[k];
        row.longName = t.PollutantLongNames[k];
        row.outputUnit = t.DefOutputUnits[k];
        row.inputUnit = t.StdInputUnits[k];
        const Pollutant *p = t.PollutantList.find(row.name);
        row.emitter = p != nullptr && p->Emitter;
        row.microgToPpb = t.MicrogToPpb[k];
        rows.push_back(row);
    }
    return rows;
}

std::string pollutantListProblem(const std::vector<PollutantRow> &rows) {
    if (rows.size() > static_cast<std::size_t>(kMaxPollutants)) {
        return "The list holds " + std::to_string(rows.size()) + " pollutants, more than the " +
               std::to_string(kMaxPollutants) + " the program keeps.";
    }
    std::set<std::string> names;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PollutantRow &r = rows[i];
        if (trim(r.name).empty()) {
            return rowText(i) + ": the pollutant has no name.";
        }
        for (const auto &[what, text] : {std::pair<const char *, const std::string &>{"The name", r.name},
                                         {"The long name", r.longName}}) {
            if (std::string p = quotedTextProblem(rowText(i) + ": " + what, text); !p.empty()) {
                return p;
            }
        }
        if (!names.insert(toLower(r.name)).second) {
            return "The pollutant " + r.name + " is in the list twice.";
        }
        if (!isUnitOrFactor(r.outputUnit) || !isUnitOrFactor(r.inputUnit)) {
            return "The units of " + r.name + " must be one of nanog, microg, milig, ppt, ppb and ppm.";
        }
        if (!finite(r.microgToPpb) || r.microgToPpb < 0) {
            return "The factor from microgram to ppb of " + r.name + " must be a number of 0 or more.";
        }
    }
    for (const char *p : {"NO", "NOX", "NO2", "O3"}) {
        if (names.count(toLower(p)) == 0) {
            return "The Pollutants List must at least contain NOX, NO, NO2 and O3: " + std::string(p) +
                   " is missing.";
        }
    }
    return {};
}

std::string pollutantListText(const std::vector<PollutantRow> &rows) {
    std::string out = "PollutName, PollutLongName, DefOutCUnit, StdInpCUnit,  Emission,  microg_To_ppb";
    out += kCrLf;
    for (const PollutantRow &r : rows) {
        ColumnLine line;
        line.text(doubleQuoted(r.name) + ",").at(15).text(doubleQuoted(r.longName) + ",").at(30);
        line.text(doubleQuoted(r.outputUnit) + ",").at(45).text(doubleQuoted(r.inputUnit) + ",").at(60);
        line.text(r.emitter ? "#TRUE#," : "#FALSE#,").at(75).text(formatNumber(r.microgToPpb));
        out += line.str() + kCrLf;
    }
    return out;
}

// ---- PercDef.lst

namespace {

const char *const kPercentileSuffixes[kPercentileFamilies] = {"_Perc", "_PercRun8", "_PercDaily"};

double yearLength(int type) {
    return type == 0 ? 8760.0 : 365.0;
}

} // namespace

int nthHighestOfPercentile(double percentile, int type) {
    const double p = static_cast<float>(percentile);
    return static_cast<int>(roundHalfEven((1.0 - p / 100.0) * yearLength(type)));
}

double percentileOfNthHighest(long n, int type) {
    const double p = static_cast<float>((1.0 - static_cast<double>(n) / yearLength(type)) * 100.0);
    return static_cast<double>(roundHalfEven(p * 10.0)) / 10.0;
}

std::string percentileText(double percentile) {
    return singleText(percentile);
}

PercentileFamilies percentileFamilies(const ReferenceTables &t) {
    PercentileFamilies families;
    const std::vector<std::string> *names[] = {&t.PercNamesHourly, &t.PercNamesRun8, &t.PercNamesDaily};
    const std::vector<int> *nth[] = {&t.PercNthHourly, &t.PercNthRun8, &t.PercNthDaily};
    const int counts[] = {t.NumPercHourly, t.NumPercRun8, t.NumPercDaily};
    for (int k = 0; k < kPercentileFamilies; ++k) {
        for (int j = 1; j <= counts[k]; ++j) {
            const auto i = static_cast<std::size_t>(j);
            families[static_cast<std::size_t>(k)].push_back({typedNumber((*names[k])[i]), (*nth[k])[i]});
        }
    }
    return families;
}

std::string percentileListProblem(const PercentileFamilies &families) {
    const char *words[] = {"hourly", "running 8-hour", "daily"};
    for (int k = 0; k < kPercentileFamilies; ++k) {
        const std::vector<PercentileRow> &rows = families[static_cast<std::size_t>(k)];
        if (rows.size() > static_cast<std::size_t>(kMaxPercentileDefinitions)) {
            return std::string("The ") + words[k] + " percentiles are " + std::to_string(rows.size()) +
                   ", more than the " + std::to_string(kMaxPercentileDefinitions) +
                   " the program keeps of a family.";
        }
        std::set<std::string> seen;
        for (const PercentileRow &r : rows) {
            const std::string family = std::string("The ") + words[k] + " percentile ";
            if (!finite(r.percentile) || r.nthHighest < 0) {
                return std::string("A row of the ") + words[k] + " percentiles has an empty cell.";
            }
            if (r.percentile <= 0 || r.percentile >= 100) {
                return family + formatNumber(r.percentile) + " must lie between 0 and 100.";
            }
            if (!seen.insert(percentileText(r.percentile)).second) {
                return family + percentileText(r.percentile) + " is defined twice.";
            }
            if (r.nthHighest > kMaxNthHighestValue) {
                return family + percentileText(r.percentile) + ": the n-th highest value " +
                       std::to_string(r.nthHighest) + " must lie between 0 and " +
                       std::to_string(kMaxNthHighestValue) + ".";
            }
        }
    }
    return {};
}

PercentileFamilies sortedPercentileFamilies(const PercentileFamilies &families) {
    PercentileFamilies sorted = families;
    for (std::vector<PercentileRow> &rows : sorted) {
        std::stable_sort(rows.begin(), rows.end(), [](const PercentileRow &a, const PercentileRow &b) {
            return a.percentile < b.percentile;
        });
    }
    return sorted;
}

std::string percentileListText(const PercentileFamilies &families) {
    std::string out = "Name,           Fraction, nMax,   Type";
    out += kCrLf;
    const PercentileFamilies sorted = sortedPercentileFamilies(families);
    for (int k = 0; k < kPercentileFamilies; ++k) {
        for (const PercentileRow &r : sorted[static_cast<std::size_t>(k)]) {
            const std::string text = percentileText(r.percentile);
            const float fraction = static_cast<float>(1.0 - typedNumber(text) / 100.0);
            ColumnLine line;
            line.text(doubleQuoted(text + kPercentileSuffixes[k]) + ",")
                .at(19)
                .text(formatSingle(fraction) + ",");
            line.at(27).text(std::to_string(r.nthHighest) + ",").at(35).text(std::to_string(k));
            out += line.str() + kCrLf;
        }
    }
    return out;
}

PercentileNumbers percentileNumbers(const ReferenceTables &t) {
    const std::vector<std::string> *names[] = {&t.PercNamesHourly, &t.PercNamesRun8, &t.PercNamesDaily};
    const int counts[] = {t.NumPercHourly, t.NumPercRun8, t.NumPercDaily};
    PercentileNumbers numbers;
    for (int k = 0; k < kPercentileFamilies; ++k) {
        for (int j = 1; j <= counts[k]; ++j) {
            const auto i = static_cast<std::size_t>(j);
            numbers[static_cast<std::size_t>(k)].push_back(i < names[k]->size() ? typedNumber((*names[k])[i])
                                                                                : std::nan(""));
        }
    }
    return numbers;
}

PercentileNumbers percentileNumbers(const PercentileFamilies &families) {
    const PercentileFamilies sorted = sortedPercentileFamilies(families);
    PercentileNumbers numbers;
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        for (const PercentileRow &r : sorted[k]) {
            numbers[k].push_back(typedNumber(percentileText(r.percentile)));
        }
    }
    return numbers;
}

bool samePercentileColumns(const PercentileNumbers &a, const PercentileNumbers &b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k].size() != b[k].size()) {
            return false;
        }
        for (std::size_t j = 0; j < a[k].size(); ++j) {
            if (percentileText(a[k][j]) != percentileText(b[k][j])) {
                return false;
            }
        }
    }
    return true;
}

// ---- UrbEmi.lst and UrbEmiFiles.lst

std::vector<CityTypeRow> cityTypeRows(const ReferenceTables &t) {
    std::vector<CityTypeRow> rows;
    for (std::size_t i = 1; i < t.CitySizeNames.size(); ++i) {
        rows.push_back({t.CitySizeNames[i], t.CityRadius[i], t.CityBuildingHeight[i]});
    }
    return rows;
}

std::string cityTypeListProblem(const std::vector<CityTypeRow> &rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CityTypeRow &r = rows[i];
        if (trim(r.population).empty()) {
            return rowText(i) + ": the city type has no population text.";
        }
        if (std::string p = quotedTextProblem(rowText(i) + ": the population text", r.population);
            !p.empty()) {
            return p;
        }
        if (!finite(r.radius_m) || r.radius_m < 0 || !finite(r.buildingHeight_m) || r.buildingHeight_m < 0) {
            return rowText(i) + ": the radius and the building height must be numbers of 0 or more.";
        }
    }
    return {};
}

std::string cityTypeListText(const std::vector<CityTypeRow> &rows) {
    std::string out = " Size,              Radius, B_height";
    out += kCrLf;
    int w = 0;
    for (const CityTypeRow &r : rows) {
        w = std::max(w, static_cast<int>(utf8CodePoints(r.population).size()));
    }
    for (const CityTypeRow &r : rows) {
        ColumnLine line;
        line.text(doubleQuoted(r.population) + ",").at(w + 6).text(formatSingle(r.radius_m) + ",");
        line.at(w + 14).text(formatSingle(r.buildingHeight_m));
        out += line.str() + kCrLf;
    }
    return out;
}

std::string urbanFileListProblem(const std::vector<UrbanFileRow> &rows, const ReferenceTables &t) {
    std::set<std::string> seen;
    for (const UrbanFileRow &r : rows) {
        if (t.PollutantList.find(r.pollutant) == nullptr) {
            return "The pollutant " + r.pollutant + " is not in the Pollutants List.";
        }
        if (!seen.insert(toLower(r.pollutant)).second) {
            return "The pollutant " + r.pollutant + " has two urban emission files.";
        }
        if (trim(r.fileName).empty() || r.fileName.find_first_of("\\/") != std::string::npos) {
            return "The urban emission file of " + r.pollutant + " must be a file name without a folder.";
        }
        if (std::string p = quotedTextProblem("The file name", r.fileName); !p.empty()) {
            return p;
        }
    }
    return {};
}

std::string urbanFileListText(const std::vector<UrbanFileRow> &rows) {
    RecordWriter w;
    w.line("PollutName, FileName");
    for (const UrbanFileRow &r : rows) {
        w.string(r.pollutant).string(r.fileName).endRecord();
    }
    return w.str();
}

// ---- Scenarios.lst

ScenarioList scenarioList(const ReferenceTables &t) {
    ScenarioList list;
    list.fleetDatabase = t.FleetDatabase;
    list.firstYear = t.FleetFirstYear;
    list.lastYear = t.FleetLastYear;
    for (int k = 1; k <= t.StdYearCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        list.rows.push_back({t.ScenarioYears[i], t.ScenarioVehicleFiles[i], t.ScenarioFuelFiles[i]});
    }
    return list;
}

std::string scenarioListProblem(const ScenarioList &list) {
    auto plausible = [](int year) { return year >= kFirstPlausibleYear && year <= kLastPlausibleYear; };
    const std::string range =
        std::to_string(kFirstPlausibleYear) + " to " + std::to_string(kLastPlausibleYear);
    if (list.rows.empty()) {
        return "The Scenario List must contain at least one record!";
    }
    std::set<int> years;
    for (const ScenarioRow &r : list.rows) {
        if (!plausible(r.year)) {
            return "The scenario year " + std::to_string(r.year) + " lies outside " + range + ".";
        }
        if (!years.insert(r.year).second) {
            return "Duplicate Scenario Year value!\r\nThe Scenario Year value must be unique within the "
                   "Scenario List.";
        }
        const std::string year = "The scenario year " + std::to_string(r.year);
        if (trim(r.vehicleFile).empty() || r.vehicleFile == kVehicleListPlaceholder) {
            return year + " has no vehicle list file.";
        }
        if (trim(r.fuelFile).empty() || r.fuelFile == kFuelListPlaceholder) {
            return year + " has no fuel list file.";
        }
        for (const std::string *file : {&r.vehicleFile, &r.fuelFile}) {
            if (std::string p = quotedTextProblem(year + ": the file name", *file); !p.empty()) {
                return p;
            }
        }
    }
    if (!list.fleetDatabase.empty()) {
        if (std::string p = quotedTextProblem("The fleet database", list.fleetDatabase); !p.empty()) {
            return p;
        }
        if (!plausible(list.firstYear) || !plausible(list.lastYear)) {
            return "The Start and End Year of the Fleet Database File must lie in " + range + ".";
        }
        if (list.firstYear > list.lastYear) {
            return "The Start Year of the Fleet Database File must not be after its End Year.";
        }
    }
    return {};
}

std::string scenarioListText(const ScenarioList &list) {
    std::vector<ScenarioRow> rows = list.rows;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ScenarioRow &a, const ScenarioRow &b) { return a.year < b.year; });
    RecordWriter w;
    if (!list.fleetDatabase.empty()) {
        w.string(list.fleetDatabase).integer(list.firstYear).integer(list.lastYear).endRecord();
    } else {
        const int first = rows.empty() ? 0 : rows.front().year;
        const int last = rows.empty() ? 0 : rows.back().year;
        w.string("").integer(first).integer(last).endRecord();
    }
    for (const ScenarioRow &r : rows) {
        w.integer(r.year).string(r.vehicleFile).string(r.fuelFile).endRecord();
    }
    return w.str();
}

} // namespace vesk
