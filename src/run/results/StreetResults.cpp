#include "run/results/StreetResults.h"

#include "calc/Format.h"
#include "core/Calendar.h"
#include "core/KeptSizes.h"
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

void appendNumber(std::string &out, double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, r.ptr);
}

using msr::appendFloat;
using msr::appendQuoted;
using msr::fieldsOf;

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

std::uint64_t streetResultsHash(std::uint64_t hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

bool forEachSavedPiece(int fd, const std::function<bool(std::string_view)> &take) {
    std::vector<char> piece(1 << 16);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, piece.data(), piece.size(), at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        if (!take(std::string_view(piece.data(), static_cast<std::size_t>(n)))) {
            return false;
        }
        at += n;
    }
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

namespace {

// Why a text cannot go into the file: longer than its reader takes back.
std::string tooLongToKeep(const std::string &what) {
    return "The street results cannot be kept: " + what + " is longer than the " +
           std::to_string(kMaxFieldText) + " characters a saved list of streets keeps.";
}

} // namespace

bool StreetResultsStore::start(const State &s, std::string *error) {
    if ((s.StoredStreetName.empty() ? s.StreetName : s.StoredStreetName).size() > kMaxFieldText) {
        return fail(tooLongToKeep("the project's title"), error);
    }
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
    appendQuoted(head, kStreetResultsTitle);
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
    for (const auto &[text, what] : {std::pair{&e.name, "name"}, std::pair{&e.trafficFile, "traffic file"}}) {
        if (text->size() > kMaxFieldText) {
            m_failed = true;
            return fail(tooLongToKeep(std::string("the ") + what + " of street #" + std::to_string(e.number)),
                        error);
        }
    }
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
    m_columns = columnsOf(s);
    findColumnKeys();
}

std::vector<SummaryColumn> StreetResultsStore::columnsOf(const State &s) const {
    const std::vector<ShownUnit> shown =
        shownUnits(s, StatSource{nullptr, &m_pollutants, &m_factors, &m_units, {}});
    std::vector<SummaryColumn> columns = summaryColumns(s);
    for (SummaryColumn &c : columns) {
        const Pollutant *p = m_pollutants.find(c.comp);
        const auto i = static_cast<std::size_t>(p != nullptr ? p->Index : -1);
        if (p != nullptr && i < shown.size()) {
            const std::string unit = unitText(shown[i].code);
            c.unit = unit.size() > 3 ? unit.substr(2, unit.size() - 3) : unit;
            c.limit = static_cast<float>(c.limit * shown[i].limitFactor);
            c.factor = shown[i].factor;
        }
    }
    return columns;
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

bool StreetResultsStore::streetStatistics(std::size_t i, KeyedList<StatVar> *stats,
                                          std::string *error) const {
    if (i >= m_streets.size()) {
        return fail("There is no street " + std::to_string(i + 1) + " in these results.", error);
    }
    if (!unchanged(error)) {
        return false;
    }
    const StreetEntry &street = m_streets[i];
    const std::string &file = m_opened ? m_openedPath : m_path;
    std::string line;
    if (m_fd < 0 || !lineAt(m_fd, street.offset, line)) {
        return fail("The results of " + street.name + " cannot be read from " + file + ".", error);
    }
    const std::size_t fields = m_streetFields + 2 * m_keys.size();
    // Every line of a saved file was found sound as it was opened: what is
    // not the street's line now (a change that kept the file's size and time
    // of change) is a file changed since.
    const std::string damaged =
        m_opened ? changedText() : "The results of " + street.name + " in " + file + " are damaged.";
    KeyedList<StatVar> out;
    try {
        if (msr::fieldCount(line) != fields) {
            return fail(damaged, error);
        }
        if (m_opened && (i >= m_lineHashes.size() ||
                         streetResultsHash(kStreetResultsHashStart, line) != m_lineHashes[i])) {
            return fail(damaged, error);
        }
        const std::vector<std::string> f = fieldsOf(line);
        if (m_opened && (msr::intOf(f[0], "") != street.number || toUtf8(f[1]) != street.name)) {
            return fail(damaged, error);
        }
        for (std::size_t k = 0; k < m_keys.size(); ++k) {
            StatVar v(2);
            v.Name = m_keys[k];
            for (int r = 0; r < 2; ++r) {
                v.setValue(r + 1, msr::floatOf(f[m_streetFields + 2 * k + static_cast<std::size_t>(r)], ""));
            }
            out.add(m_keys[k], std::move(v));
        }
    } catch (const std::exception &) {
        return fail(damaged, error);
    }
    *stats = std::move(out);
    return true;
}

namespace {

// The bytes of the file fd, appended to out (*hash: their streetResultsHash);
// false when they could not all be read or written.
bool copyInto(int fd, StagedFile &out, std::uint64_t *hash) {
    *hash = kStreetResultsHashStart;
    return forEachSavedPiece(fd, [&](std::string_view bytes) {
        *hash = streetResultsHash(*hash, bytes);
        return out.write(bytes);
    });
}

} // namespace

bool StreetResultsStore::saveAs(const std::string &path, std::string *error) {
    // Read through the descriptor: a run's file whatever its temporary name
    // holds by now, a saved file that was opened as it was read (its bytes
    // the same as then).
    if (m_fd < 0) {
        return fail("The street results cannot be read from " + m_path + ".", error);
    }
    StagedFile out;
    if (!out.open(path, error)) {
        return false;
    }
    std::uint64_t hash = 0;
    const bool copied = copyInto(m_fd, out, &hash);
    if (copied && m_opened && hash != m_openedHash) {
        out.discard();
        return fail(changedText(), error);
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
