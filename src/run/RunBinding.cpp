// Binding of the hourly input files, hourly output files and statistics
// files of a run: paths, the split of their variable, format, scaling and
// rows lists into column tables, the header lines and the opening.

#include "calc/FileColumns.h"
#include "calc/StatCells.h"
#include "core/Calendar.h"
#include "core/EmissionLibraryTools.h"
#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/StagedFile.h"
#include "core/StatVarNames.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"
#include "platform/tables/TableAddress.h"
#include "run/HourStore.h"
#include "run/RunContext.h"
#include "run/RunFiles.h"
#include "run/StreetRun.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vesk::run {

namespace {

std::vector<std::string> splitItems(const std::string &list) {
    std::vector<std::string> items = SplitList(list);
    for (std::string &item : items) {
        item = trim(item);
    }
    // A list holding nothing but blanks has no items.
    if (items.size() == 1 && items[0].empty()) {
        items.clear();
    }
    return items;
}

// Widths and formats of the columns from the format list; scaling factors from the scaling list.
void applyLists(RunContext &c, std::vector<OutColumn> &cols, const std::string &formatList,
                const std::string &scalingList) {
    std::vector<int> widths;
    std::vector<std::string> formats;
    const long number = readFormatList(splitItems(formatList), cols.size(), &widths, &formats);
    if (number != 0) {
        throw RunError(number, "Incomplete format list");
    }
    std::vector<float> factors;
    std::string bad;
    if (readScalingList(splitItems(scalingList), cols.size(), &factors, &bad) != 0) {
        c.err.ListItem = bad;
        throw RunError(kErrScaling, "Invalid scaling item " + bad);
    }
    for (std::size_t j = 0; j < cols.size(); ++j) {
        cols[j].width = widths[j];
        // Taken apart once here rather than for every cell.
        std::string pattern;
        std::copy_if(formats[j].begin(), formats[j].end(), std::back_inserter(pattern),
                     [](char ch) { return ch != '"'; });
        cols[j].format = CompiledFormat(pattern);
        cols[j].factor = factors[j];
    }
}

std::string headerLine(const std::vector<OutColumn> &cols, bool statisticsFile) {
    std::vector<std::string> names;
    std::vector<int> widths;
    for (const OutColumn &col : cols) {
        names.push_back(col.name);
        widths.push_back(col.width);
    }
    return headerRow(names, widths, statisticsFile);
}

std::string lowerPollutant(const State &s, int p) {
    return p >= 0 && static_cast<std::size_t>(p) < s.PollutantNames.size()
               ? toLower(s.PollutantNames[static_cast<std::size_t>(p)])
               : std::string();
}

std::string lowerVehicle(const State &s, int v) {
    const auto &cats = s.EmissionComponent.VehicleCategories;
    return v >= 1 && v <= cats.Count() ? toLower(cats.item(v).Name) : std::string();
}

InKey inputKey(const std::string &lower, const std::string &pol, const std::string &veh) {
    static const std::pair<const char *, InKey> fixed[] = {{"date", InKey::Date},
                                                           {"day", InKey::Day},
                                                           {"month", InKey::Month},
                                                           {"year", InKey::Year},
                                                           {"hour", InKey::Hour},
                                                           {"minute", InKey::Minute},
                                                           {"dayofweek", InKey::DayOfWeek},
                                                           {"daycase", InKey::DayCase},
                                                           {"u_mast", InKey::UMast},
                                                           {"wind_dir", InKey::WindDir},
                                                           {"globalrad", InKey::GlobalRad},
                                                           {"netrad", InKey::NetRad},
                                                           {"cloudcover", InKey::CloudCover},
                                                           {"temperature", InKey::Temperature},
                                                           {"h_mix", InKey::HMix},
                                                           {"r_hum", InKey::RHum}};
    for (const auto &[word, key] : fixed) {
        if (lower == word) {
            return key;
        }
    }
    const std::string c = "c" + pol;
    if (lower == c + "_b") {
        return InKey::CB;
    }
    if (lower == c + "_obs_1") {
        return InKey::CObs1;
    }
    if (lower == c + "_obs_2") {
        return InKey::CObs2;
    }
    if (lower == c + "_r") {
        return InKey::CR;
    }
    if (lower == "nlight") {
        return InKey::NLight;
    }
    if (lower == "nheavy") {
        return InKey::NHeavy;
    }
    if (lower == "ntotal") {
        return InKey::NTotal;
    }
    if (lower == "n" + veh) {
        return InKey::NVeh;
    }
    if (lower == "speed_light") {
        return InKey::SpeedLight;
    }
    if (lower == "speed_heavy") {
        return InKey::SpeedHeavy;
    }
    if (lower == "q" + pol) {
        return InKey::Q;
    }
    if (lower == "q" + pol + veh) {
        return InKey::QVeh;
    }
    if (lower == "coldstart") {
        return InKey::ColdStart;
    }
    if (lower == "?") {
        return InKey::Ignore;
    }
    return InKey::Unknown;
}

OutKey outputKey(const std::string &lower, const std::string &pol, const std::string &veh) {
    static const std::pair<const char *, OutKey> fixed[] = {{"date", OutKey::Date},
                                                            {"datetime", OutKey::DateTime},
                                                            {"day", OutKey::Day},
                                                            {"month", OutKey::Month},
                                                            {"year", OutKey::Year},
                                                            {"hour", OutKey::Hour},
                                                            {"minute", OutKey::Minute},
                                                            {"dayofweek", OutKey::DayOfWeek},
                                                            {"daycase", OutKey::DayCase},
                                                            {"u_mast", OutKey::UMast},
                                                            {"u_roof", OutKey::URoof},
                                                            {"wind_dir", OutKey::WindDir},
                                                            {"globalrad", OutKey::GlobalRad},
                                                            {"temperature", OutKey::Temperature},
                                                            {"h_mix", OutKey::HMix},
                                                            {"r_hum", OutKey::RHum},
                                                            {"cloudcover", OutKey::CloudCover}};
    for (const auto &[word, key] : fixed) {
        if (lower == word) {
            return key;
        }
    }
    const std::string c = "c" + pol;
    const std::pair<std::string, OutKey> byPollutant[] = {{c + "_b", OutKey::CB},
                                                          {c + "_obs_1", OutKey::CObs1},
                                                          {c + "_obs_2", OutKey::CObs2},
                                                          {c + "_mod_1", OutKey::CMod1},
                                                          {c + "_mod_2", OutKey::CMod2},
                                                          {c + "_r", OutKey::CR},
                                                          {c + "_str_obs_1", OutKey::CStrObs1},
                                                          {c + "_str_obs_2", OutKey::CStrObs2},
                                                          {c + "_str_mod_1", OutKey::CStrMod1},
                                                          {c + "_str_mod_2", OutKey::CStrMod2},
                                                          {c + "_cor_1", OutKey::CCor1},
                                                          {c + "_cor_2", OutKey::CCor2},
                                                          {"flag" + pol + "_1", OutKey::Flag1},
                                                          {"flag" + pol + "_2", OutKey::Flag2},
                                                          {"c_st1", OutKey::CSt1},
                                                          {"c_st2", OutKey::CSt2},
                                                          {"nlight", OutKey::NLight},
                                                          {"nheavy", OutKey::NHeavy},
                                                          {"ntotal", OutKey::NTotal},
                                                          {"n" + veh, OutKey::NVeh},
                                                          {"speed_light", OutKey::SpeedLight},
                                                          {"speed_heavy", OutKey::SpeedHeavy},
                                                          {"q" + pol, OutKey::Q},
                                                          {"q" + pol + veh, OutKey::QVeh},
                                                          {"s_w_tpt", OutKey::SWTpt},
                                                          {"s_w_roof", OutKey::SWRoof},
                                                          {"delta_fi", OutKey::DeltaFi},
                                                          {"av8" + pol + "_mod_1", OutKey::Av8Mod1},
                                                          {"av8" + pol + "_obs_1", OutKey::Av8Obs1},
                                                          {"av8" + pol + "_b_1", OutKey::Av8B1},
                                                          {"av8" + pol + "_mod_2", OutKey::Av8Mod2},
                                                          {"av8" + pol + "_obs_2", OutKey::Av8Obs2},
                                                          {"av8" + pol + "_b_2", OutKey::Av8B2},
                                                          {"segmentid", OutKey::SegmentId},
                                                          {"personid", OutKey::PersonId},
                                                          {"segtimein", OutKey::SegTimeIn},
                                                          {"segtimeout", OutKey::SegTimeOut},
                                                          {"timeinseg", OutKey::TimeInSeg},
                                                          {"timeinseginp", OutKey::TimeInSegInp},
                                                          {"tursegmentno", OutKey::TurSegmentNo},
                                                          {"inpout", OutKey::InpOut},
                                                          {"transpstay", OutKey::TranspStay},
                                                          {"transpmode", OutKey::TranspMode},
                                                          {"speedperson", OutKey::SpeedPerson},
                                                          {"segmentlength", OutKey::SegmentLength},
                                                          {"trafficfile", OutKey::TrafficFile},
                                                          {"dailytraffic", OutKey::DailyTraffic},
                                                          {"travelspeed", OutKey::TravelSpeed},
                                                          {"streetheight", OutKey::StreetHeight},
                                                          {"streetwidth", OutKey::StreetWidth},
                                                          {"streetlength_1", OutKey::StreetLength1},
                                                          {"streetlength_2", OutKey::StreetLength2},
                                                          {"streetorientation", OutKey::StreetOrientation},
                                                          {"streetside", OutKey::StreetSide},
                                                          {"recheight", OutKey::RecHeight},
                                                          {"exceptionno", OutKey::ExceptionNo},
                                                          {"?", OutKey::Blank}};
    for (const auto &[word, key] : byPollutant) {
        if (lower == word) {
            return key;
        }
    }
    return OutKey::Unknown;
}

// The type of a statistics column, from the values the rows will write into
// it, found as the text path finds them: in a statistics table the
// statistics its name stands for with each row's key; in a multi-street run
// the statistic or street property it names; in a "dailyav" file the day's
// item. A column of statistics of more than one type holds floats; so does
// one whose name stands for nothing known (its cells stay empty and the name
// is reported when the rows are written).
std::string statColumnType(const State &s, const StatFile &st, const std::string &name) {
    auto catalogued = [&](std::string stat) -> std::string {
        std::replace(stat.begin(), stat.end(), ',', '.');
        const VESKVar *v = s.StatVarTypeList.find(stat);
        return v != nullptr ? v->DataType : std::string();
    };
    if (st.dailyav) {
        if (iequals(name, "StreetName")) {
            return "text";
        }
        return iequals(name, "DayOfWeek") || iequals(name, "DayCase") ? "short" : "float";
    }
    if (s.MultiStreetMode) {
        if (std::string type = catalogued(name); !type.empty()) {
            return type;
        }
        StatCell cell;
        std::string error;
        if (!streetCellValue(s, StreetCellValues{}, name, &cell, &error)) {
            return "float";
        }
        return cell.kind == StatCell::Kind::Text    ? "text"
               : cell.kind == StatCell::Kind::Whole ? "integer"
                                                    : "float";
    }
    std::string type;
    for (const std::string &row : st.rowKeys) {
        if (!row.empty() && row.front() == '"') {
            continue; // a title row writes no statistic
        }
        const std::string t = catalogued(NormalizeVarName(s, row, name));
        if (!t.empty()) {
            type = type.empty() || type == t ? t : "float";
        }
    }
    return type.empty() ? "float" : type;
}

// The records of an input file: the rows of a table; the lines of a text
// file but blank lines and title lines (those beginning with a letter).
std::size_t inputRecords(const InputFile &in) {
    if (in.isTable) {
        return in.table.rows.size();
    }
    std::ifstream text(in.path, std::ios::binary);
    std::size_t records = 0;
    std::string line;
    bool tooLong = false; // reading stops there; the record reader says why
    while (getLineBounded(text, line, kMaxRecordLine, &tooLong)) {
        const auto first = line.find_first_not_of(" \t\r");
        records +=
            first != std::string::npos && !std::isalpha(static_cast<unsigned char>(line[first])) ? 1 : 0;
    }
    return records;
}

// The most rows of values the run can write to an hourly output: the hours
// of its period when it has a start and an end, at most the records of the
// shortest input file; in a multi-street run, for every active street.
// SIZE_MAX when no bound is known before the run (a route, whose segments
// give the periods, or a run without input files).
std::size_t hourlyRowsBound(const RunContext &c) {
    const State &s = c.s;
    if (s.RouteMode || c.inputs.empty()) {
        return SIZE_MAX;
    }
    std::size_t hours = SIZE_MAX;
    if (!s.StartAuto && !s.EndAuto && s.StartDate.isSet() && s.EndDate.isSet()) {
        const long span = (daysFromCivil(s.EndDate.year, s.EndDate.month, s.EndDate.day) -
                           daysFromCivil(s.StartDate.year, s.StartDate.month, s.StartDate.day)) *
                              24 +
                          s.EndHour - s.StartHour + 1;
        hours = static_cast<std::size_t>(std::max(span, 0L));
    }
    for (const InputFile &in : c.inputs) {
        hours = std::min(hours, inputRecords(in));
    }
    const std::size_t streets =
        s.MultiStreetMode ? static_cast<std::size_t>(std::max(c.ActiveStreetCount, 0)) : 1;
    return streets == 0 || hours <= SIZE_MAX / streets ? hours * streets : SIZE_MAX;
}

// The key of an output column and its pollutant. The column names its
// pollutant by the longest pollutant name it holds from its second
// character on (the later one of equal length). When that name makes no
// keyword because the keyword's own suffix holds it (CO in "cNO_cor_1" and
// "cO3_cor_1"), the other names the column holds are tried, longest first,
// and the first that makes a keyword is the column's pollutant.
OutKey bindOutputColumn(const State &s, OutColumn &col, const std::string &vehicleName) {
    const std::string lower = toLower(col.name);
    const OutKey key = outputKey(lower, lowerPollutant(s, col.pol), vehicleName);
    if (key != OutKey::Unknown || lower.size() < 2) {
        return key;
    }
    std::vector<int> named;
    for (std::size_t p = 0; p < s.PollutantNames.size(); ++p) {
        const std::string pol = toLower(s.PollutantNames[p]);
        if (!pol.empty() && static_cast<int>(p) != col.pol && lower.find(pol, 1) != std::string::npos) {
            named.push_back(static_cast<int>(p));
        }
    }
    std::sort(named.begin(), named.end(), [&s](int a, int b) {
        const std::size_t la = s.PollutantNames[static_cast<std::size_t>(a)].size();
        const std::size_t lb = s.PollutantNames[static_cast<std::size_t>(b)].size();
        return la != lb ? la > lb : a > b;
    });
    for (int p : named) {
        const OutKey other = outputKey(lower, lowerPollutant(s, p), vehicleName);
        if (other != OutKey::Unknown) {
            col.pol = p;
            return other;
        }
    }
    return key;
}

void raiseIfFailed(long number, const std::string &text) {
    if (number != 0) {
        throw RunError(number, text);
    }
}

} // namespace

int columnPollutant(const State &s, std::string_view name) {
    const std::string lower = toLower(name);
    int pollutant = 0;
    std::size_t best = 0;
    for (std::size_t p = 0; p < s.PollutantNames.size(); ++p) {
        const std::string pol = toLower(s.PollutantNames[p]);
        if (!pol.empty() && lower.size() > 1 && lower.find(pol, 1) != std::string::npos &&
            pol.size() >= best) {
            pollutant = static_cast<int>(p);
            best = pol.size();
        }
    }
    return pollutant;
}

int dailyColumnPollutant(const State &s, std::string_view name) {
    const std::string lower = toLower(name);
    int pollutant = 0;
    std::size_t best = 0;
    for (std::size_t p = 0; p < s.PollutantNames.size(); ++p) {
        const std::string pol = toLower(s.PollutantNames[p]);
        if (!pol.empty() && lower.find(pol) != std::string::npos && pol.size() >= best) {
            pollutant = static_cast<int>(p);
            best = pol.size();
        }
    }
    return pollutant;
}

int columnVehicle(const State &s, std::string_view name) {
    const std::string lower = toLower(name);
    const auto &cats = s.EmissionComponent.VehicleCategories;
    int category = 0;
    std::size_t best = 0;
    for (int v = 1; v <= cats.Count(); ++v) {
        const std::string veh = toLower(cats.item(v).Name);
        if (!veh.empty() && lower.size() > 1 && lower.find(veh, 1) != std::string::npos &&
            veh.size() >= best) {
            category = v;
            best = veh.size();
        }
    }
    return category;
}

namespace {
// A text input whose first line holds column titles (it begins with a
// letter) as many as the items of its first record: the titles tell its
// columns, and a variable list of another length would read values into the
// wrong variables. A list shorter than the titles is taken when its names
// are the first titles (the columns after them are left out on purpose).
// Files without such a title line are not judged.
void checkTitleLine(const State &s, const InputFile &in, const std::vector<std::string> &names) {
    std::ifstream text(in.path, std::ios::binary);
    std::string line;
    std::vector<std::string> titles, first;
    bool tooLong = false;
    while (getLineBounded(text, line, kMaxRecordLine, &tooLong)) {
        const auto at = line.find_first_not_of(" \t\r");
        if (at == std::string::npos) {
            continue;
        }
        if (titles.empty()) {
            if (!std::isalpha(static_cast<unsigned char>(line[at]))) {
                return;
            }
            titles = ReadListLine(toUtf8(trim(line)), s.DecimalSeparator);
        } else {
            first = ReadListLine(toUtf8(trim(line)), s.DecimalSeparator);
            break;
        }
    }
    // A line beyond the bound ends the look without titles: the record
    // reader refuses it, naming its line.
    if (titles.empty() || titles.size() != first.size() || titles.size() == names.size()) {
        return;
    }
    const bool leading = names.size() < titles.size() &&
                         std::equal(names.begin(), names.end(), titles.begin(),
                                    [](const std::string &a, const std::string &b) { return iequals(a, b); });
    if (leading) {
        return;
    }
    auto joined = [](const std::vector<std::string> &items) {
        std::string out;
        for (const std::string &item : items) {
            out += (out.empty() ? "" : " ") + item;
        }
        return out;
    };
    throw RunRefusal{"The input file\r\n" + in.path + "\r\nhas " + std::to_string(titles.size()) +
                     " columns (its title line: " + joined(titles) + "), but its variable list names " +
                     std::to_string(names.size()) + " (" + joined(names) +
                     "): the values would be read into the wrong variables. Make the variable list name the "
                     "columns of the file."};
}

// A text input whose lines end with a carriage return alone (as old
// Macintosh files do) holds no LF: it would be read as one line and be
// refused only once that was read. Its first block tells: no LF in it, and
// a CR that is not its last character. (A CR inside a line of a file whose
// lines end with LF is the record reader's to refuse, at its line.)
void checkLineEnds(const InputFile &in) {
    std::ifstream text(in.path, std::ios::binary);
    std::vector<char> block(1 << 16);
    text.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(text.gcount());
    if (std::memchr(block.data(), '\n', got) != nullptr) {
        return;
    }
    const char *cr = static_cast<const char *>(std::memchr(block.data(), '\r', got));
    if (cr == nullptr || cr + 1 == block.data() + got) {
        return; // one line, perhaps ended by a CR
    }
    throw RunRefusal{"The input file\r\n" + in.path +
                     "\r\nends its lines with a carriage return alone (CR), as old Macintosh files do. Lines "
                     "of an input file end with LF or CR LF: save the file with such line ends."};
}

// The largest magnitude a value of an input column can have.
double valueLimit(InKey key) {
    switch (key) {
    case InKey::NLight:
    case InKey::NHeavy:
    case InKey::NTotal:
    case InKey::NVeh:
        return kMaxVehicleFlow;
    case InKey::SpeedLight:
    case InKey::SpeedHeavy:
        return kMaxSpeed;
    default:
        return kMaxSingle;
    }
}
} // namespace

void bindInputFiles(RunContext &c) {
    State &s = c.s;
    c.inputs.clear();
    c.datedInputs = 0;
    c.LastReadTime = -1;
    std::string vehicleName; // carries from column to column when a column names no category
    int skipped = 0;         // checked files left out for their empty variable lists
    for (int k = 1; k <= std::min(s.NumInputFiles, kMaxFilesPerKind); ++k) {
        if (!s.InputFileChecked[k]) {
            continue;
        }
        const std::vector<std::string> names = splitItems(s.InputVarLists[k]);
        const std::string path = inputFilePath(s, s.InputFiles[k]);
        c.err.FilePath = path;
        c.err.FileIndex = k;
        c.err.InputFile = s.InputFiles[k];
        if (names.empty() && c.skipEmptyLists) {
            ++skipped;
            continue;
        }
        InputFile in;
        in.k = k;
        in.path = path;
        InputTable table;
        long number = 0;
        std::string text;
        OpenInputTable(path, table, &number, &text);
        raiseIfFailed(number, text);
        if (names.empty()) {
            throw RunError(kErrEmptyVarList, "The variable list is empty");
        }
        in.isTable = table.IsTable;
        if (in.isTable) {
            in.table = std::move(table.Recordset);
            // A row with fewer fields than the list cannot give every column a value.
            if (in.table.fields.size() < names.size()) {
                c.err.InputFile = s.InputFiles[k];
                throw RunError(kErrTooFewItems, "The table has fewer fields than the variable list");
            }
        } else {
            in.text = std::make_unique<std::ifstream>(table.TextPath.empty() ? path : table.TextPath,
                                                      std::ios::binary);
            if (!*in.text) {
                throw RunError(kErrFileNotFound, "Cannot open " + path);
            }
            in.text->seekg(0, std::ios::end);
            in.size = in.text->tellg();
            in.text->seekg(0);
        }
        std::vector<float> factors;
        std::string bad;
        if (readScalingList(splitItems(s.InputScalingLists[k]), names.size(), &factors, &bad) != 0) {
            c.err.ListItem = bad;
            throw RunError(kErrScaling, "Invalid scaling item " + bad);
        }
        for (std::size_t j = 0; j < names.size(); ++j) {
            InColumn col;
            col.name = names[j];
            col.factor = factors[j];
            col.pol = columnPollutant(s, col.name);
            col.veh = columnVehicle(s, col.name);
            if (col.veh > 0) {
                vehicleName = lowerVehicle(s, col.veh);
            }
            col.key = inputKey(toLower(col.name), lowerPollutant(s, col.pol), vehicleName);
            col.limit = valueLimit(col.key);
            in.dated = in.dated || col.key == InKey::Date || col.key == InKey::Day ||
                       col.key == InKey::Month || col.key == InKey::Year || col.key == InKey::Hour;
            in.cols.push_back(std::move(col));
        }
        if (!in.isTable) {
            checkLineEnds(in);
            checkTitleLine(s, in, names);
        }
        c.datedInputs += in.dated ? 1 : 0;
        c.inputs.push_back(std::move(in));
    }
    // Without an input file there is no hour to read: say why, rather than
    // that no hour lay within the start and end dates.
    if (c.inputs.empty()) {
        throw RunRefusal{skipped > 0 ? "No input file is left: every checked hourly input file has an empty "
                                       "Variable List.\r\nFormat the input files before the calculation."
                                     : "No hourly input file is checked.\r\nCheck the input files to use in "
                                       "the calculation."};
    }
}

void bindOutputFiles(RunContext &c) {
    State &s = c.s;
    c.outputs.clear();
    std::string vehicleName;
    for (int k = 1; k <= std::min(s.NumOutputFiles, kMaxFilesPerKind); ++k) {
        if (!s.OutputFileChecked[k]) {
            continue;
        }
        const std::string path = outputFilePath(s, false, k);
        c.err.FilePath = path;
        c.err.FileIndex = k;
        const std::vector<std::string> names = splitItems(s.OutputVarLists[k]);
        if (names.empty()) {
            if (c.skipEmptyLists) {
                continue;
            }
            throw RunError(kErrEmptyVarList, "The variable list is empty");
        }
        OutputFile out;
        out.k = k;
        out.path = path;
        for (const std::string &name : names) {
            OutColumn col;
            col.name = name;
            out.cols.push_back(std::move(col));
        }
        applyLists(c, out.cols, s.OutputFormatLists[k], s.OutputScalingLists[k]);
        for (OutColumn &col : out.cols) {
            col.pol = columnPollutant(s, col.name);
            col.veh = columnVehicle(s, col.name);
            if (col.veh > 0) {
                vehicleName = lowerVehicle(s, col.veh);
            }
            col.key = bindOutputColumn(s, col, vehicleName);
        }
        long number = 0;
        std::string text;
        OpenOutputTable(path, headerLine(out.cols, false), names, s.OutputVarList, out.table, c.ui, &number,
                        &text, &c.tables);
        raiseIfFailed(number, text);
        out.open = true;
        c.outputs.push_back(std::move(out));
    }
}

namespace {

// The capacity of the smallest hourly output table of the run (SIZE_MAX: no
// output is a table of bounded size).
std::size_t smallestOutputTable(const RunContext &c) {
    std::size_t capacity = SIZE_MAX;
    for (const OutputFile &out : c.outputs) {
        if (out.table.IsTable) {
            capacity = std::min(capacity, tableRowCapacity(parseTableAddress(out.path).file));
        }
    }
    return capacity;
}

} // namespace

// The records of the input files are counted (a reading of each text file
// whole) only when an output is a table of bounded size.
bool outputTablesMayOverflow(const RunContext &c) {
    const std::size_t capacity = smallestOutputTable(c);
    if (capacity == SIZE_MAX) {
        return false;
    }
    const std::size_t bound = hourlyRowsBound(c);
    return bound != SIZE_MAX && bound > capacity;
}

void refuseOverfullOutputTables(const RunContext &c) {
    if (smallestOutputTable(c) == SIZE_MAX) {
        return; // no output is a table of bounded size
    }
    std::size_t rows = SIZE_MAX;
    if (c.hourStore != nullptr) {
        const std::size_t streets =
            c.s.MultiStreetMode ? static_cast<std::size_t>(std::max(c.ActiveStreetCount, 0)) : 1;
        const std::size_t hours = c.hourStore->size();
        rows = streets == 0 || hours <= SIZE_MAX / streets ? hours * streets : SIZE_MAX;
    } else {
        rows = hourlyRowsBound(c);
        if (rows == SIZE_MAX) {
            return; // no bound is known before the run
        }
    }
    for (const OutputFile &out : c.outputs) {
        const TableAddress address = parseTableAddress(out.path);
        if (out.table.IsTable && rows > tableRowCapacity(address.file)) {
            throw RunRefusal{tableFullMessage(address.file, address.table, rows)};
        }
    }
}

namespace {

// A statistics workbook or database named without its table (9501): the
// user is asked to define it now. OK: the window opens Change File on entry k
// (RunObserver::defineStatTable) and the file is opened again under the name
// it then has, once that name has passed the checks made before the first
// hour. Cancel, or no window to change it in, ends the run.
void defineStatTable(RunContext &c, int k) {
    const RunMessage m = runMessage(kErrNoStatTable, c.err);
    if (c.ui.question(m.text, m.buttons, m.icon, Answer::Cancel) != Answer::Ok || c.observer == nullptr ||
        !c.observer->defineStatTable(k)) {
        throw EndRun{m.text};
    }
    if (std::string refused = outputNamesRefusal(c.s); !refused.empty()) {
        throw RunRefusal{refused};
    }
}

void bindStatFile(RunContext &c, int k) {
    State &s = c.s;
    for (;;) {
        const std::string path = outputFilePath(s, true, k);
        c.err.FilePath = path;
        c.err.FileIndex = k;
        const std::vector<std::string> names = splitItems(s.StatVarLists[k]);
        const std::vector<std::string> rows = splitItems(s.StatRowLists[k]);
        if (names.empty() || rows.empty()) {
            if (c.skipEmptyLists) {
                return;
            }
            throw RunError(kErrEmptyVarList, "The variable list is empty");
        }
        StatFile st;
        st.k = k;
        st.path = path;
        st.rowKeys = rows;
        st.streets = toLower(rows[0]) == "streets";
        st.dailyav = toLower(rows[0]) == "dailyav";
        for (const std::string &name : names) {
            OutColumn col;
            col.name = name;
            st.cols.push_back(std::move(col));
        }
        // Statistics are written unscaled: the factors are only checked.
        applyLists(c, st.cols, s.StatFormatLists[k], s.StatScalingLists[k]);
        if (st.dailyav) {
            for (std::size_t j = 1; j < st.cols.size(); ++j) {
                st.cols[j].pol = dailyColumnPollutant(s, st.cols[j].name);
            }
        }
        KeyedList<VESKVar> types;
        for (const std::string &name : names) {
            VESKVar var;
            var.Name = name;
            var.DataType = statColumnType(s, st, name);
            types.add(name, std::move(var)); // a repeated name has its type already
        }
        long number = 0;
        std::string text;
        OpenOutputTable(path, headerLine(st.cols, true), names, types, st.table, c.ui, &number, &text,
                        &c.tables);
        // The window offers to define the table, where the statistics files can be changed.
        if (number == kErrNoDataTable && !s.BatchMode && !s.RouteMode) {
            defineStatTable(c, k);
            continue;
        }
        raiseIfFailed(number, text);
        st.open = true;
        c.stats.push_back(std::move(st));
        return;
    }
}

} // namespace

void bindStatFiles(RunContext &c) {
    State &s = c.s;
    c.stats.clear();
    for (int k = 1; k <= std::min(s.NumStatFiles, kMaxFilesPerKind); ++k) {
        if (!s.StatFileChecked[k]) {
            continue;
        }
        bindStatFile(c, k);
    }
}

void readUrbanEmissions(RunContext &c) {
    State &s = c.s;
    if (s.CitySize <= 0) {
        return;
    }
    for (int i = 1; i <= s.EmitterCount && i < static_cast<int>(s.EmitterIndex.size()); ++i) {
        const int p = s.EmitterIndex[static_cast<std::size_t>(i)];
        if (p < 0 || static_cast<std::size_t>(p) >= s.UrbEmiValue.size()) {
            continue;
        }
        const std::string name = static_cast<std::size_t>(p) < s.UrbEmiFileNames.size()
                                     ? s.UrbEmiFileNames[static_cast<std::size_t>(p)]
                                     : std::string();
        if (trim(name).empty()) {
            s.UrbEmiValue[static_cast<std::size_t>(p)] = kMiss;
            continue;
        }
        const std::string path = findExisting(joinPath(nativePath(s.MetBackDir), nativePath(trim(name))));
        c.err.FilePath = path;
        std::string text, error;
        if (!readTextFile(path, &text, &error)) {
            throw RunError(kErrFileNotFound, error);
        }
        const std::vector<std::string> lines = splitLines(text);
        // The lines of the smaller city types (and the title line) come first.
        std::vector<double> numbers;
        for (std::size_t l = static_cast<std::size_t>(s.CitySize); l < lines.size() && numbers.size() < 25;
             ++l) {
            std::string line = lines[l];
            std::replace(line.begin(), line.end(), ';', ',');
            for (const std::string &item : SplitList(line)) {
                const std::optional<double> v = parseNumber(trim(item));
                if (!v) {
                    throw RunError(kErrTypeMismatch,
                                   "Urban emission file " + path + ": " + item + " is no number");
                }
                numbers.push_back(*v);
            }
        }
        const int hours = std::min(s.Nhours, 24);
        if (numbers.size() < static_cast<std::size_t>(hours) + 1) {
            throw RunError(kErrPastEnd, "Urban emission file " + path + " holds too few values");
        }
        s.UrbEmiValue[static_cast<std::size_t>(p)] = static_cast<float>(numbers[0] / 3600.0);
        for (int h = 1; h <= hours; ++h) {
            s.UrbEmiProfile[static_cast<std::size_t>(p)][static_cast<std::size_t>(h)] =
                static_cast<float>(numbers[static_cast<std::size_t>(h)]);
        }
    }
}

namespace {
// Sets a text input file to read next the line that starts at byte to,
// line number line + 1.
void positionText(InputFile &in, std::streamoff to, long line) {
    in.text->clear();
    in.text->seekg(to);
    in.blockAt = in.blockEnd = 0;
    in.blockEof = false;
    in.position = to;
    in.line = line;
    in.recordStart[0] = in.recordStart[1] = to;
    in.recordLine[0] = in.recordLine[1] = line + 1;
    in.pendingBlank = 0;
    in.lastRecord = 0;
}
} // namespace

void rewindInputs(RunContext &c) {
    for (InputFile &in : c.inputs) {
        if (in.isTable) {
            in.row = 0;
            in.lastRecord = 0;
        } else {
            positionText(in, 0, 0);
        }
    }
    c.LastReadTime = -1;
}

void stepInputsBack(RunContext &c) {
    for (InputFile &in : c.inputs) {
        if (in.isTable) {
            in.row = in.row >= 2 ? in.row - 2 : 0;
            in.lastRecord = static_cast<long>(in.row);
        } else if (in.recordLine[0] > 0) {
            positionText(in, in.recordStart[0], in.recordLine[0] - 1);
        } else {
            positionText(in, 0, 0);
        }
    }
    c.LastReadTime = -1;
}

namespace {

// Calls step(table, path, open) for every hourly output and statistics file
// still open, in the order the run puts them in place.
template <class Step> void forEachOpenOutput(RunContext &c, Step step) {
    for (OutputFile &out : c.outputs) {
        if (out.open) {
            step(out.table, out.path, out.open);
        }
    }
    for (StatFile &st : c.stats) {
        if (st.open) {
            step(st.table, st.path, st.open);
        }
    }
}

} // namespace

void commitOutputFiles(RunContext &c) {
    // Every file is written out, checked and synced before the first is put
    // in place (a full disk shows now, while every previous file is whole);
    // then every file's old contents are kept, and a file that may not be
    // replaced, or whose old contents cannot be kept, is refused while
    // nothing has been replaced. Only renames follow. Should one of them
    // fail, or another program replace a file as it is put in place or
    // afterwards (each name is checked once more after the last rename), the
    // files put in place are put back, so that the run replaces all or none;
    // the holds on databases and workbooks last until then.
    auto fail = [&](long number, std::string text, const std::string &path) {
        c.err.FilePath = path;
        throw RunError(number != 0 ? number : kErrPathFileAccess, std::move(text));
    };
    forEachOpenOutput(c, [&](OutputTable &table, const std::string &path, bool &) {
        long number = 0;
        std::string text;
        if (!table.prepare(&number, &text)) {
            fail(number, text, path);
        }
    });
    ReplacedFiles replaced;
    forEachOpenOutput(c, [&](OutputTable &table, const std::string &path, bool &) {
        long number = 0;
        std::string text;
        if (!table.keepReplaced(replaced, &number, &text)) {
            replaced.restore(nullptr); // drops what was kept: nothing was replaced
            fail(number, text + "\r\nSo the run has replaced none of the files of the previous run.", path);
        }
    });
    forEachOpenOutput(c, [&](OutputTable &table, const std::string &path, bool &open) {
        open = false;
        long number = 0;
        std::string text;
        if (!table.commit(&number, &text, &replaced)) {
            std::string notPutBack;
            if (!replaced.restore(&notPutBack)) {
                text += "\r\n" + notPutBack;
            }
            fail(number, text, path);
        }
    });
    // Each name holds the file the run put there, else the run failed.
    std::string replacedMeanwhile, file;
    if (!replaced.keepNew(&replacedMeanwhile, &file)) {
        fail(kErrPathFileAccess, replacedMeanwhile, file);
    }
}

std::string keepIncompleteOutputs(RunContext &c, std::vector<std::string> *kept) {
    return "Not every requested output could be written, so the run has replaced none of the files of the "
           "previous run." +
           keepOutputsAside(c, kept, false);
}

std::string keepOutputsAside(RunContext &c, std::vector<std::string> *kept, bool everyFile) {
    std::string where;
    for (StatFile &st : c.stats) {
        if (st.open && st.incomplete) {
            st.open = false;
            long number = 0;
            std::string text, aside;
            if (!st.table.keepAside(&aside, &number, &text)) {
                c.err.FilePath = st.path;
                throw RunError(number != 0 ? number : kErrPathFileAccess, text);
            }
            kept->push_back(aside);
            where += "\r\nWhat it wrote into\r\n" + st.path + "\r\nis kept in\r\n" + aside;
        }
    }
    if (everyFile) {
        // Every other file too, in the order of the run's files; a table
        // whose workbook went aside already goes into it.
        auto aside = [&](OutputTable &table, const std::string &path) {
            long number = 0;
            std::string text, file;
            const bool ok =
                table.keptAside() ? table.commit(&number, &text) : table.keepAside(&file, &number, &text);
            if (!ok) {
                c.err.FilePath = path;
                throw RunError(number != 0 ? number : kErrPathFileAccess, text);
            }
            if (!file.empty()) {
                kept->push_back(file);
                where += "\r\nWhat it wrote into\r\n" + path + "\r\nis kept in\r\n" + file;
            }
        };
        for (OutputFile &out : c.outputs) {
            if (out.open) {
                out.open = false;
                aside(out.table, out.path);
            }
        }
        for (StatFile &st : c.stats) {
            if (st.open) {
                st.open = false;
                aside(st.table, st.path);
            }
        }
    }
    // The other tables of a workbook written aside go with it; the rest is dropped.
    auto finish = [&](OutputTable &table, const std::string &path) {
        long number = 0;
        std::string text;
        if (table.keptAside() && !table.commit(&number, &text)) {
            c.err.FilePath = path;
            throw RunError(number != 0 ? number : kErrPathFileAccess, text);
        }
        table.discard();
    };
    for (OutputFile &out : c.outputs) {
        if (out.open) {
            out.open = false;
            finish(out.table, out.path);
        }
    }
    for (StatFile &st : c.stats) {
        if (st.open) {
            st.open = false;
            finish(st.table, st.path);
        }
    }
    return where;
}

void discardOutputFiles(RunContext &c) {
    for (OutputFile &out : c.outputs) {
        out.table.discard();
        out.open = false;
    }
    for (StatFile &st : c.stats) {
        st.table.discard();
        st.open = false;
    }
}

} // namespace vesk::run
