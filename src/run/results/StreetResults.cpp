#include "run/results/StreetResults.h"

#include "calc/Format.h"
#include "core/Calendar.h"
#include "core/Numbers.h"
#include "core/StagedFile.h"
#include "core/TextIO.h"
#include "run/State.h"
#include "run/results/ResultsKeyInfo.h"
#include "run/results/ResultsTable.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace vesk::results {

namespace {

const char *const kMagic = "WinVESK multi-street results";

void appendNumber(std::string &out, double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, r.ptr);
}

using msr::appendFloat;
using msr::appendQuoted;
using msr::fieldsOf;
using msr::numberOf;

// The line that starts at offset in the file fd (without its line end);
// false when it cannot be read or there is none.
bool lineAt(int fd, std::uint64_t offset, std::string &line) {
    line.clear();
    char piece[4096];
    for (auto at = static_cast<off_t>(offset);;) {
        const ssize_t n = ::pread(fd, piece, sizeof piece, at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return !line.empty();
        }
        const char *end = std::find(piece, piece + n, '\n');
        line.append(static_cast<const char *>(piece), end);
        if (end != piece + n) {
            break;
        }
        at += n;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

bool getLine(std::istream &in, std::string &line) {
    if (!std::getline(in, line)) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

// The period from the hour starting at first to the hour starting at last
// ("yyyy-mm-dd hh:mm"); none when either cannot be read.
PeriodLength periodOfTexts(const std::string &first, const std::string &last) {
    DateTimeParts a, b;
    if (!parseDateTimeText(first, &a) || !parseDateTimeText(last, &b)) {
        return {};
    }
    return periodBetween(daysFromCivil(a.year, a.month, a.day) * 24 + a.hour,
                         daysFromCivil(b.year, b.month, b.day) * 24 + b.hour);
}

std::string familyTail(StatFamily family) {
    switch (family) {
    case StatFamily::Hourly:
        return "";
    case StatFamily::Run8:
        return " (8 h)";
    case StatFamily::Daily:
        return " (daily)";
    }
    return "";
}

} // namespace

std::vector<SummaryColumn> summaryColumns(const State &s) {
    std::vector<SummaryColumn> out;
    const std::vector<ResultsColumn> columns = allResultsColumns(s);
    for (int i = 1; i <= s.LimValPollutantCount; ++i) {
        const std::string pollutant = s.LimValPollutants[static_cast<std::size_t>(i)];
        const Pollutant *p = s.PollutantList.find(pollutant);
        const auto index = static_cast<std::size_t>(p != nullptr ? p->Index : 0);
        if (p == nullptr || (index < s.ShowPol.size() && !s.ShowPol[index])) {
            continue;
        }
        const std::string unit =
            index < s.DefOutputUnits.size() ? unitText(s.DefOutputUnits[index]) : std::string();
        for (const ResultsColumn &c : columns) {
            float limit = -99.0f;
            const auto pi = static_cast<std::size_t>(i);
            const int rows = pi < s.LimValRowCount.size() ? s.LimValRowCount[pi] : 0;
            for (int j = 1; j <= rows; ++j) {
                const float l = limitValue(s, c, i, j);
                if (l > 0.0f && (limit <= 0.0f || l < limit)) {
                    limit = l;
                }
            }
            if (limit <= 0.0f) {
                continue;
            }
            SummaryColumn sc;
            sc.key = c.word + pollutant + "_mod";
            sc.comp = c.isDataCapture() ? c.word : pollutant;
            sc.caption = pollutant + " " + c.name + familyTail(c.family);
            // " (µg/m³)" without the brackets.
            sc.unit = c.isDataCapture() ? "%" : unit.size() > 3 ? unit.substr(2, unit.size() - 3) : unit;
            sc.limit = limit;
            out.push_back(std::move(sc));
        }
    }
    return out;
}

int exceedances(const StreetEntry &street, const std::vector<SummaryColumn> &columns) {
    int n = 0;
    for (std::size_t k = 0; k < columns.size() && k < street.summary.size(); ++k) {
        if (street.summary[k] >= 0.0f && street.summary[k] > columns[k].limit) {
            ++n;
        }
    }
    return n;
}

std::vector<std::string> streetListKeyInfo(const StreetResultsStore &store) {
    int active = 0, exceeding = 0;
    std::string first, last;
    for (const StreetEntry &e : store.streets()) {
        active += e.active ? 1 : 0;
        exceeding += exceedances(e, store.columns()) > 0 ? 1 : 0;
        if (!e.firstCalcDate.empty() && (first.empty() || e.firstCalcDate < first)) {
            first = e.firstCalcDate;
        }
        if (!e.lastCalcDate.empty() && e.lastCalcDate > last) {
            last = e.lastCalcDate;
        }
    }
    auto date = [](const std::string &text) {
        DateTimeParts parts;
        return parseDateTimeText(text, &parts) ? Format(parts, "dd. mmmm yyyy hh:mm") : text;
    };
    // Streets that end before the last hour (stopped while others had run to the end).
    int shorter = 0;
    std::string earliestEnd, latestEnd;
    for (const StreetEntry &e : store.streets()) {
        if (!e.lastCalcDate.empty() && e.lastCalcDate < last) {
            ++shorter;
            earliestEnd = earliestEnd.empty() || e.lastCalcDate < earliestEnd ? e.lastCalcDate : earliestEnd;
            latestEnd = std::max(latestEnd, e.lastCalcDate);
        }
    }
    std::string period = "Period Covered: " + date(first) + "  -  " + date(last);
    if (shorter > 0) {
        period += " (" + std::to_string(shorter) + (shorter == 1 ? " street ends" : " streets end") +
                  " earlier, " +
                  (earliestEnd == latestEnd ? "at " + date(earliestEnd)
                                            : "from " + date(earliestEnd) + " to " + date(latestEnd)) +
                  ")";
    }
    const std::size_t n = store.streets().size();
    return {"Project: " + store.title() + "    Calculated on: " + store.calcTime(),
            "Streets: " + std::to_string(n) + ", of which " + std::to_string(active) + " calculated; " +
                std::to_string(exceeding) + (exceeding == 1 ? " street exceeds" : " streets exceed") +
                " a limit value",
            "Emission Scenario Year: " + std::to_string(store.scenarioYear()), period};
}

KeyInfoFacts streetKeyInfoFacts(const StreetResultsStore &store, std::size_t i) {
    const StreetEntry &street = store.streets().at(i);
    KeyInfoFacts f;
    f.streetName = street.name;
    f.calcTime = store.calcTime();
    f.firstCalcDate = street.firstCalcDate;
    f.lastCalcDate = street.lastCalcDate;
    f.dailyTrafficCalc = street.dailyTraffic;
    f.trafficFileType = keyInfoTrafficFileType(street.trafficFileType);
    f.trafficFile = street.trafficFile;
    f.annualDiurnalTraffic = street.givenTraffic;
    f.scenarioYear = store.scenarioYear();
    f.citySizeKnown = store.view().citySizeKnown;
    f.citySize = store.view().citySize;
    f.citySizeName = store.view().citySizeName;
    return f;
}

StreetResultsStore::~StreetResultsStore() {
    removeTemporary();
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void StreetResultsStore::removeTemporary() {
    m_writing = false;
    if (!m_temporary || m_path.empty() || m_fd < 0) {
        return;
    }
    // Only while the name still holds the run's file: whatever another
    // program has put under it stays.
    struct stat own {};
    struct stat named {};
    if (::fstat(m_fd, &own) == 0 && ::lstat(m_path.c_str(), &named) == 0 && own.st_dev == named.st_dev &&
        own.st_ino == named.st_ino) {
        ::unlink(m_path.c_str());
    }
}

bool StreetResultsStore::put(const std::string &bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    m_written += bytes.size();
    return true;
}

bool StreetResultsStore::fail(const std::string &why, std::string *error) const {
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

bool StreetResultsStore::start(const State &s, std::string *error) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    std::string pattern = (ec ? std::filesystem::path("/tmp") : folder) / "winvesk-streets-XXXXXX";
    // Made exclusively (never through a link), and written and read only
    // through this descriptor.
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return fail("The street results cannot be kept: no temporary file (" +
                        std::string(std::strerror(errno)) + ").",
                    error);
    }
    m_fd = fd;
    m_path = pattern;
    m_temporary = true;
    m_writing = true;
    m_written = 0;

    m_title = s.StoredStreetName.empty() ? s.StreetName : s.StoredStreetName;
    m_scenarioYear = s.ScenarioYear;
    m_keys.clear();
    for (std::size_t i = 0; i < s.StatVarList.size(); ++i) {
        m_keys.push_back(s.StatVarList.keyAt(i));
    }
    m_pollutants = s.PollutantList;
    m_factors = s.OutputUnitFactor;
    m_units = s.CalcOutputUnits;
    m_units.resize(m_factors.size());
    m_view = runView(s, m_pollutants);
    setColumns(s);

    std::string head;
    appendQuoted(head, kMagic);
    head += std::string(",3") + kCrLf;
    appendQuoted(head, m_title);
    head += "," + std::to_string(m_scenarioYear) + kCrLf;
    head += "\"Pollutants\"," + std::to_string(m_pollutants.size());
    for (const Pollutant &p : m_pollutants) {
        head += ',';
        appendQuoted(head, p.Name);
        head += ',';
        const auto index = static_cast<std::size_t>(p.Index);
        appendFloat(head, index < m_factors.size() ? m_factors[index] : 1.0f);
        head += ',';
        appendQuoted(head, index < m_units.size() ? m_units[index] : std::string());
    }
    head += kCrLf;
    head += "\"Statistics\"," + std::to_string(m_keys.size());
    for (const std::string &k : m_keys) {
        head += ',';
        appendQuoted(head, k);
    }
    head += kCrLf + viewLines(m_view, m_pollutants) + columnsLine() + "\"Streets\"" + kCrLf;
    return put(head) ? true
                     : fail("The street results cannot be kept: " + m_path + " cannot be written.", error);
}

StreetRecord StreetResultsStore::record(StreetEntry street, const KeyedList<StatVar> &stats) const {
    StreetRecord r{std::move(street), std::vector<float>(m_keys.size() * 2, -99.0f)};
    for (std::size_t k = 0; k < m_keys.size(); ++k) {
        if (const StatVar *v = stats.find(m_keys[k])) {
            for (int side = 1; side <= 2 && side <= v->receptorCount(); ++side) {
                r.values[2 * k + static_cast<std::size_t>(side - 1)] = v->Value(side);
            }
        }
    }
    return r;
}

bool StreetResultsStore::add(StreetRecord street, std::string *error) {
    if (m_failed || !m_writing) {
        return false;
    }
    StreetEntry &e = street.entry;
    e.offset = m_written;
    std::string &line = m_line;
    line.clear();
    line += std::to_string(e.number) + ',';
    appendQuoted(line, e.name);
    line += e.active ? ",#TRUE#," : ",#FALSE#,";
    appendNumber(line, e.x);
    line += ',';
    appendNumber(line, e.y);
    line += ',';
    appendNumber(line, e.recHeight);
    line += ',';
    appendNumber(line, e.givenTraffic);
    line += ',' + std::to_string(e.dailyTraffic) + ',' + std::to_string(e.trafficFileType) + ',';
    appendQuoted(line, e.trafficFile);
    line += ',';
    appendQuoted(line, e.firstCalcDate);
    line += ',';
    appendQuoted(line, e.lastCalcDate);
    line += ',' + std::to_string(e.period.hours) + ',' + std::to_string(e.period.days);
    for (float x : street.values) {
        line += ',';
        appendFloat(line, x);
    }
    line += kCrLf;
    if (!put(line)) {
        m_failed = true;
        return fail("The street results cannot be kept: " + m_path + " cannot be written.", error);
    }
    summarise(e, street.values);
    m_streets.push_back(std::move(e));
    return true;
}

void StreetResultsStore::summarise(StreetEntry &street, const std::vector<float> &values) const {
    street.summary.assign(m_columns.size(), -99.0f);
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        const int k = m_columnKeys[c];
        if (k < 0 || static_cast<std::size_t>(2 * k + 1) >= values.size()) {
            continue;
        }
        StatVar v(2);
        v.setValue(1, values[2 * static_cast<std::size_t>(k)]);
        v.setValue(2, values[2 * static_cast<std::size_t>(k) + 1]);
        const SummaryColumn &column = m_columns[c];
        if (m_pollutants.find(column.comp) != nullptr) {
            const float larger = v.Value(0);
            street.summary[c] = larger > 0.0f ? larger * column.factor : larger;
            continue;
        }
        try {
            // Data capture: a share of the street's period.
            static const KeyedList<Pollutant> none;
            street.summary[c] = v.Value(0, column.comp, none, {}, street.period);
        } catch (const std::out_of_range &) {
            street.summary[c] = -99.0f;
        }
    }
}

void StreetResultsStore::setColumns(const State &s) {
    const std::vector<ShownUnit> shown =
        shownUnits(s, StatSource{nullptr, &m_pollutants, &m_factors, &m_units, {}});
    m_columns = summaryColumns(s);
    for (SummaryColumn &c : m_columns) {
        const Pollutant *p = m_pollutants.find(c.comp);
        const auto i = static_cast<std::size_t>(p != nullptr ? p->Index : -1);
        if (p != nullptr && i < shown.size()) {
            const std::string unit = unitText(shown[i].code);
            c.unit = unit.size() > 3 ? unit.substr(2, unit.size() - 3) : unit;
            c.limit = static_cast<float>(c.limit * shown[i].limitFactor);
            c.factor = shown[i].factor;
        }
    }
    findColumnKeys();
}

void StreetResultsStore::findColumnKeys() {
    // The first position of each key, letter case ignored: a run of many
    // statistics and columns finds them all in time proportional to both.
    std::unordered_map<std::string, int> positions;
    positions.reserve(m_keys.size());
    for (std::size_t k = 0; k < m_keys.size(); ++k) {
        positions.emplace(foldKey(m_keys[k]), static_cast<int>(k));
    }
    m_columnKeys.clear();
    for (const SummaryColumn &c : m_columns) {
        const auto at = positions.find(foldKey(c.key));
        m_columnKeys.push_back(at == positions.end() ? -1 : at->second);
    }
}

std::string StreetResultsStore::columnsLine() const {
    std::string line = "\"Columns\"," + std::to_string(m_columns.size());
    for (const SummaryColumn &c : m_columns) {
        for (const std::string *text : {&c.key, &c.comp, &c.caption, &c.unit}) {
            line += ',';
            appendQuoted(line, *text);
        }
        line += ',';
        appendFloat(line, c.limit);
        line += ',';
        appendFloat(line, c.factor);
    }
    return line + kCrLf;
}

void StreetResultsStore::readColumns(const std::vector<std::string> &f) {
    const double n = numberOf(f.at(1));
    if (n < 0 || 2 + static_cast<std::size_t>(n) * 6 > f.size()) {
        throw std::runtime_error("its line of the summary columns is too short");
    }
    m_columns.clear();
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        const std::size_t at = 2 + 6 * i;
        SummaryColumn c;
        c.key = f[at];
        c.comp = f[at + 1];
        c.caption = toUtf8(f[at + 2]);
        c.unit = toUtf8(f[at + 3]);
        c.limit = static_cast<float>(numberOf(f[at + 4]));
        c.factor = static_cast<float>(numberOf(f[at + 5]));
        m_columns.push_back(std::move(c));
    }
}

bool StreetResultsStore::finish(const std::string &calcTime, std::string *error) {
    if (m_failed) {
        return fail("The street results could not be kept.", error);
    }
    m_calcTime = calcTime;
    std::string tail = "\"End\",";
    appendQuoted(tail, calcTime);
    tail += "," + std::to_string(m_streets.size()) + kCrLf;
    m_writing = false;
    if (m_fd < 0 || !put(tail)) {
        return fail("The street results cannot be kept: " + m_path + " cannot be written.", error);
    }
    return true;
}

std::shared_ptr<StreetResultsStore> StreetResultsStore::open(const std::string &path, const State &s,
                                                             std::string *error) {
    auto store = std::make_shared<StreetResultsStore>();
    StreetResultsStore &read = *store;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        read.fail("Can't open the file " + path, error);
        return nullptr;
    }
    try {
        std::string line;
        auto next = [&](const char *what) {
            if (!getLine(in, line)) {
                throw std::runtime_error(std::string("the file ends before ") + what);
            }
            return fieldsOf(line);
        };
        std::vector<std::string> f = next("its first line");
        if (f.empty() || f[0] != kMagic) {
            throw std::runtime_error("it is not a multi-street result file");
        }
        const int version = f.size() > 1 ? static_cast<int>(numberOf(f[1])) : 1;
        const std::size_t perPollutant = version >= 2 ? 3 : 2;
        const std::size_t streetFields = version >= 2 ? 14 : 12;
        read.m_streetFields = streetFields;
        f = next("the project title");
        read.m_title = toUtf8(f.at(0));
        read.m_scenarioYear = f.size() > 1 ? static_cast<int>(numberOf(f[1])) : 0;
        f = next("the pollutants");
        const std::size_t pollutants = static_cast<std::size_t>(numberOf(f.at(1)));
        for (std::size_t i = 0; i < pollutants; ++i) {
            Pollutant p;
            p.Name = f.at(2 + perPollutant * i);
            p.Index = static_cast<int>(i);
            read.m_factors.push_back(static_cast<float>(numberOf(f.at(3 + perPollutant * i))));
            read.m_units.push_back(version >= 2 ? f.at(4 + perPollutant * i) : std::string());
            read.m_pollutants.add(p.Name, p);
        }
        f = next("the statistics");
        const std::size_t keys = static_cast<std::size_t>(numberOf(f.at(1)));
        for (std::size_t i = 0; i < keys; ++i) {
            read.m_keys.push_back(f.at(2 + i));
        }
        if (version >= 3) {
            // What the run showed its results by, up to the line of the streets.
            bool columns = false;
            for (f = next("the streets"); f[0] != "Streets"; f = next("the streets")) {
                if (f[0] == "Columns") {
                    read.readColumns(f);
                    columns = true;
                } else {
                    readViewLine(f, read.m_pollutants, read.m_view);
                }
            }
            if (!columns) {
                throw std::runtime_error("it has no line of the summary columns");
            }
            read.findColumnKeys();
        } else {
            next("the streets");
            // Every limit-value pollutant it holds statistics of, by the country's lists.
            read.m_view = viewOfStatistics(s, read.m_pollutants, read.m_keys);
            State shown = s;
            applyView(read.m_view, read.m_pollutants, shown);
            read.setColumns(shown);
            std::vector<SummaryColumn> held;
            for (std::size_t c = 0; c < read.m_columns.size(); ++c) {
                if (read.m_columnKeys[c] >= 0) {
                    held.push_back(read.m_columns[c]);
                }
            }
            read.m_columns = std::move(held);
            read.findColumnKeys();
        }
        bool ended = false;
        std::vector<float> values;
        for (;;) {
            const std::uint64_t offset = static_cast<std::uint64_t>(in.tellg());
            if (!getLine(in, line)) {
                break;
            }
            if (trim(line).empty()) {
                continue;
            }
            f = fieldsOf(line);
            if (f[0] == "End") {
                read.m_calcTime = f.size() > 1 ? f[1] : std::string();
                ended = true;
                break;
            }
            if (f.size() != streetFields + 2 * keys) {
                throw std::runtime_error("street line " + std::to_string(read.m_streets.size() + 1) +
                                         " has " + std::to_string(f.size()) + " fields instead of " +
                                         std::to_string(streetFields + 2 * keys));
            }
            StreetEntry e;
            e.number = static_cast<int>(numberOf(f[0]));
            e.name = toUtf8(f[1]);
            e.active = iequals(f[2], "#TRUE#");
            e.x = numberOf(f[3]);
            e.y = numberOf(f[4]);
            e.recHeight = numberOf(f[5]);
            e.givenTraffic = numberOf(f[6]);
            e.dailyTraffic = static_cast<long>(numberOf(f[7]));
            e.trafficFileType = static_cast<int>(numberOf(f[8]));
            e.trafficFile = toUtf8(f[9]);
            e.firstCalcDate = f[10];
            e.lastCalcDate = f[11];
            e.period = version >= 2 ? PeriodLength{static_cast<long>(numberOf(f[12])),
                                                   static_cast<long>(numberOf(f[13]))}
                                    : periodOfTexts(e.firstCalcDate, e.lastCalcDate);
            e.offset = offset;
            values.assign(2 * keys, -99.0f);
            for (std::size_t k = 0; k < 2 * keys; ++k) {
                values[k] = static_cast<float>(numberOf(f[streetFields + k]));
            }
            read.summarise(e, values);
            read.m_streets.push_back(std::move(e));
        }
        if (!ended) {
            throw std::runtime_error("the file has no end: the run that wrote it did not finish");
        }
    } catch (const std::exception &e) {
        read.fail("The file " + path + " cannot be read as multi-street results: " + e.what() + ".", error);
        return nullptr;
    }
    read.m_path = path;
    return store;
}

bool StreetResultsStore::streetStatistics(std::size_t i, KeyedList<StatVar> *stats,
                                          std::string *error) const {
    if (i >= m_streets.size()) {
        return fail("There is no street " + std::to_string(i + 1) + " in these results.", error);
    }
    std::string line;
    bool read = false;
    if (m_fd >= 0) {
        read = lineAt(m_fd, m_streets[i].offset, line);
    } else {
        std::ifstream in(m_path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(m_streets[i].offset));
        read = in && getLine(in, line);
    }
    if (!read) {
        return fail("The results of " + m_streets[i].name + " cannot be read from " + m_path + ".", error);
    }
    const std::vector<std::string> f = fieldsOf(line);
    if (f.size() != m_streetFields + 2 * m_keys.size()) {
        return fail("The results of " + m_streets[i].name + " in " + m_path + " are damaged.", error);
    }
    KeyedList<StatVar> out;
    for (std::size_t k = 0; k < m_keys.size(); ++k) {
        StatVar v(2);
        v.Name = m_keys[k];
        for (int r = 0; r < 2; ++r) {
            const std::optional<double> x =
                parseNumber(f[m_streetFields + 2 * k + static_cast<std::size_t>(r)]);
            v.setValue(r + 1, x ? static_cast<float>(*x) : -99.0f);
        }
        out.add(m_keys[k], std::move(v));
    }
    *stats = std::move(out);
    return true;
}

namespace {

// The bytes of the file fd, appended to out; false when they could not all be read or written.
bool copyInto(int fd, StagedFile &out) {
    std::vector<char> piece(1 << 16);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, piece.data(), piece.size(), at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        if (!out.write(std::string_view(piece.data(), static_cast<std::size_t>(n)))) {
            return false;
        }
        at += n;
    }
}

} // namespace

bool StreetResultsStore::saveAs(const std::string &path, std::string *error) {
    // A run's file is read through its descriptor, whatever its temporary
    // name holds by now; a saved file that was opened, by its name.
    std::ifstream in;
    if (m_fd < 0) {
        in.open(m_path, std::ios::binary);
        if (!in) {
            return fail("The street results cannot be read from " + m_path + ".", error);
        }
    }
    StagedFile out;
    if (!out.open(path, error)) {
        return false;
    }
    bool copied = true;
    if (m_fd >= 0) {
        copied = copyInto(m_fd, out);
    } else {
        out.stream() << in.rdbuf();
        copied = static_cast<bool>(in);
    }
    if (error != nullptr) {
        error->clear();
    }
    if (!copied || !out.commit(error)) {
        if (error != nullptr && error->empty()) {
            *error = "The street results could not be copied to " + path + ".";
        }
        return false;
    }
    removeTemporary();
    m_path = path;
    m_temporary = false;
    return true;
}

} // namespace vesk::results
