// Reading a saved multi-street results file (its layout, and what is
// refused, in StreetResults.h).
//
// The file is read once, line by line, through a descriptor the store keeps.
// A line's first fields (its name and its count) are taken first; the line
// is taken apart only when its fields are as many as its count says, and a
// count only when it lies within its bound: so a damaged line costs no more
// memory than a sound line of its size, and a damaged count none at all.
// Every number is checked against its range before it becomes an integer or
// a float. What the file says twice is held to agree as the run wrote it: the
// summary columns are made again from the lines above them (checkColumns),
// and a street's days from its hours. A refusal names the line; nothing of a
// refused file is kept.

#include "run/results/StreetResults.h"

#include "core/Calendar.h"
#include "core/Numbers.h"
#include "core/TextIO.h"
#include "run/State.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::results {

std::size_t &savedLineMemory() {
    static std::size_t most = SIZE_MAX;
    return most;
}

// The lines of a file read through its descriptor, each with where it starts.
class SavedLines {
public:
    explicit SavedLines(int fd) : m_fd(fd), m_buffer(1 << 16) {}

    // The next line without its line end; false at the end of the file.
    // Throws msr::Refusal when the file cannot be read.
    bool next(std::string &line) {
        line.clear();
        m_start = m_at;
        if (m_pos == m_length && !fill()) {
            m_ended = true;
            return false;
        }
        for (;;) {
            const char *begin = m_buffer.data() + m_pos;
            const char *end = m_buffer.data() + m_length;
            const char *lf = std::find(begin, end, '\n');
            if (static_cast<std::size_t>(lf - begin) > savedLineMemory() - line.size()) {
                throw std::bad_alloc();
            }
            line.append(begin, lf);
            const auto taken = static_cast<std::size_t>(lf - begin) + (lf != end ? 1 : 0);
            m_pos += taken;
            m_at += taken;
            if (lf != end || !fill()) {
                break;
            }
        }
        ++m_number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return true;
    }
    std::uint64_t start() const { return m_start; } // of the line last read
    std::size_t number() const { return m_number; } // of the line last read, 1..
    bool ended() const { return m_ended; }          // the file ended where a line was wanted
    std::uint64_t hash() const { return m_hash; }   // of the bytes read so far

private:
    bool fill() {
        for (;;) {
            const ssize_t n = ::read(m_fd, m_buffer.data(), m_buffer.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw msr::Refusal(std::string("it cannot be read (") + std::strerror(errno) + ")");
            }
            m_pos = 0;
            m_length = static_cast<std::size_t>(n);
            m_hash = streetResultsHash(m_hash, std::string_view(m_buffer.data(), m_length));
            return n > 0;
        }
    }

    int m_fd;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0, m_length = 0;
    std::uint64_t m_at = 0, m_start = 0;
    std::size_t m_number = 0;
    bool m_ended = false;
    std::uint64_t m_hash = kStreetResultsHashStart;
};

namespace {

using msr::fieldCount;
using msr::fieldsOf;
using msr::floatOf;
using msr::integerOf;
using msr::intOf;
using msr::numberOf;
using msr::Refusal;

// What is wrong with a file as a whole rather than with a line of it.
class SavedFileRefusal : public Refusal {
public:
    using Refusal::Refusal;
};

// The period from the hour starting at first to the hour starting at last
// ("yyyy-mm-dd hh:mm"); none when either cannot be read.
PeriodLength savedPeriodOfTexts(const std::string &first, const std::string &last) {
    DateTimeParts a, b;
    if (!parseDateTimeText(first, &a) || !parseDateTimeText(last, &b)) {
        return {};
    }
    return periodBetween(daysFromCivil(a.year, a.month, a.day) * 24 + a.hour,
                         daysFromCivil(b.year, b.month, b.day) * 24 + b.hour);
}

bool savedBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// The fields of line, which must be wanted many; what names the line.
std::vector<std::string> savedFields(std::string_view line, std::size_t wanted, const std::string &what) {
    const std::size_t n = fieldCount(line);
    if (n != wanted) {
        throw Refusal(what + " has " + std::to_string(n) + " fields where " + std::to_string(wanted) +
                      " belong");
    }
    return fieldsOf(line);
}

// The count in field 1 of a line whose first fields are head: from 0 to most.
std::size_t savedCount(const std::vector<std::string> &head, long long most, const std::string &what) {
    if (head.size() < 2) {
        throw Refusal(what + " is missing");
    }
    return static_cast<std::size_t>(integerOf(head[1], 0, most, what));
}

// The line that must come where the line named tag comes, and does not.
[[noreturn]] void savedLineMissing(const char *tag, const std::string &found) {
    throw Refusal(std::string("the line \"") + tag +
                  "\" is missing or out of its place: the line here starts with " + quotedText(found));
}

// The header lines of layout 3 between the statistics and the streets, in
// the order the program writes them; "Limit" lines follow "Limits".
const char *const kSavedHeaderOrder[] = {"Run",    "Shown",   "Percentiles", "Headings",
                                         "Limits", "Columns", "Streets"};
constexpr std::size_t kSavedColumnsStep = 5;

// What tells a file changed: its device and inode, its size, its time of
// change and its status-change time (which a writer cannot set back, as it
// can the time of change).
SavedFileIdentity savedFileIdentity(const struct stat &status) {
    auto ns = [](const timespec &t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<long long>(status.st_size), ns(status.st_mtim), ns(status.st_ctim)};
}

// The streetResultsHash of the bytes of the file fd; false when they cannot be read.
bool savedFileHash(int fd, std::uint64_t *hash) {
    *hash = kStreetResultsHashStart;
    return forEachSavedPiece(fd, [&](std::string_view bytes) {
        *hash = streetResultsHash(*hash, bytes);
        return true;
    });
}

bool savedKnownTag(const std::string &tag) {
    return tag == "Limit" || tag == "Pollutants" || tag == "Statistics" || tag == "End" ||
           std::any_of(std::begin(kSavedHeaderOrder), std::end(kSavedHeaderOrder),
                       [&](const char *name) { return tag == name; });
}

} // namespace

std::shared_ptr<StreetResultsStore> StreetResultsStore::open(const std::string &path, const State &s,
                                                             std::string *error) {
    auto store = std::make_shared<StreetResultsStore>();
    StreetResultsStore &read = *store;
    // Never waits on a pipe: only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        read.fail("Can't open the file " + path, error);
        return nullptr;
    }
    read.m_fd = fd; // closed with the store
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        std::string why;
        if (isRegularFile(path, &why)) {
            why = "The file " + path + " is not a regular file.";
        }
        read.fail(why, error);
        return nullptr;
    }
    read.m_opened = true;
    read.m_openedPath = path;
    read.m_openedIdentity = savedFileIdentity(status);

    SavedLines lines(fd);
    std::string why;
    try {
        read.readSaved(lines, s);
    } catch (const SavedFileRefusal &e) {
        why = e.what();
    } catch (const Refusal &e) {
        why = lines.ended() || lines.number() == 0
                  ? std::string(e.what())
                  : "line " + std::to_string(lines.number()) + ": " + e.what();
    } catch (const std::bad_alloc &) {
        why = "there is not enough memory to read it";
    } catch (const std::length_error &) {
        why = "there is not enough memory to read it";
    } catch (const std::exception &) {
        why = "it is damaged";
    }
    read.m_openedHash = lines.hash();
    if (!why.empty()) {
        read.fail("The file " + path + " cannot be read as multi-street results: " + why + ".", error);
        return nullptr;
    }
    read.m_path = path;
    return store;
}

void StreetResultsStore::readSaved(SavedLines &in, const State &s) {
    std::string line;
    auto next = [&](const char *what) -> const std::string & {
        if (!in.next(line)) {
            throw SavedFileRefusal(std::string("the file ends before ") + what);
        }
        return line;
    };

    std::vector<std::string> head = fieldsOf(next("its first line"), 3);
    if (head[0] != kStreetResultsTitle) {
        throw SavedFileRefusal("it is not a multi-street result file");
    }
    if (head.size() > 2) {
        throw Refusal("its first line has more than the name of the file kind and the layout");
    }
    int version = 1;
    if (head.size() > 1) {
        if (numberOf(head[1]) > 3) {
            throw SavedFileRefusal("it was written by a newer version of the program (layout " + head[1] +
                                   "); this version reads layouts 1 to 3");
        }
        version = static_cast<int>(integerOf(head[1], 1, 3, "the layout"));
    }
    m_version = version;
    const std::size_t perPollutant = version >= 2 ? 3 : 2;
    m_streetFields = version >= 2 ? 14 : 12;

    head = fieldsOf(next("the project title"), 3);
    if (head.size() > 2) {
        throw Refusal("the line of the project title has more than the title and the scenario year");
    }
    m_title = toUtf8(head[0]);
    m_scenarioYear = head.size() > 1 ? intOf(head[1], "the emission scenario year") : 0;

    head = fieldsOf(next("the pollutants"), 2);
    if (head[0] != "Pollutants") {
        savedLineMissing("Pollutants", head[0]);
    }
    const std::size_t pollutants = savedCount(head, msr::kMaxPollutants, "the number of pollutants");
    std::vector<std::string> f = savedFields(line, 2 + perPollutant * pollutants, "the line \"Pollutants\"");
    for (std::size_t i = 0; i < pollutants; ++i) {
        Pollutant p;
        p.Name = f[2 + perPollutant * i];
        p.Index = static_cast<int>(i);
        m_factors.push_back(floatOf(f[3 + perPollutant * i], "the output unit factor of " + p.Name));
        m_units.push_back(version >= 2 ? f[4 + perPollutant * i] : std::string());
        m_pollutants.add(p.Name, p);
    }

    head = fieldsOf(next("the statistics"), 2);
    if (head[0] != "Statistics") {
        savedLineMissing("Statistics", head[0]);
    }
    const std::size_t keys = savedCount(head, msr::kMaxStatistics, "the number of statistics");
    f = savedFields(line, 2 + keys, "the line \"Statistics\"");
    m_keys.assign(f.begin() + 2, f.end());

    if (version >= 3) {
        // What the run showed its results by, each line once in its place.
        std::size_t step = 0;
        std::size_t limits = 0, limitLines = 0;
        for (;;) {
            head = fieldsOf(next("the streets"), 2);
            const std::string &tag = head[0];
            if (!savedKnownTag(tag)) {
                // A line of a later version (a name, not a number) is passed over.
                if (savedBlank(line) || (!tag.empty() && !parseNumber(tag))) {
                    continue;
                }
                savedLineMissing(kSavedHeaderOrder[step], tag);
            }
            if (tag == "Limit") {
                if (step != kSavedColumnsStep) {
                    savedLineMissing(kSavedHeaderOrder[step], tag);
                }
                if (limitLines == limits) {
                    throw Refusal("more \"Limit\" lines follow the line \"Limits\" than its count, " +
                                  std::to_string(limits));
                }
                const std::vector<std::string> &named = m_view.limits.LimValPollutants;
                if (head.size() > 1 &&
                    std::find(named.begin() + (named.empty() ? 0 : 1), named.end(), head[1]) != named.end()) {
                    throw Refusal("a second \"Limit\" line of " + head[1] +
                                  ": each limit-value pollutant has one");
                }
                readViewLine(line, m_pollutants, m_view);
                ++limitLines;
                continue;
            }
            if (step == kSavedColumnsStep && limitLines < limits) {
                throw Refusal("the line \"Limits\" counts " + std::to_string(limits) +
                              " limit-value pollutants, but " + std::to_string(limitLines) +
                              " \"Limit\" lines follow it");
            }
            if (tag != kSavedHeaderOrder[step]) {
                savedLineMissing(kSavedHeaderOrder[step], tag);
            }
            ++step;
            if (tag == "Streets") {
                break;
            }
            if (tag == "Columns") {
                readColumns(line);
                checkColumns(s);
                continue;
            }
            readViewLine(line, m_pollutants, m_view);
            if (tag == "Limits") {
                limits = savedCount(head, msr::kMaxPollutants, "the number of limit-value pollutants");
            }
        }
        findColumnKeys();
    } else {
        head = fieldsOf(next("the streets"), 1);
        if (head[0] != "Streets") {
            savedLineMissing("Streets", head[0]);
        }
        // Every limit-value pollutant it holds statistics of, by the country's lists.
        m_view = viewOfStatistics(s, m_pollutants, m_keys);
        State shown = s;
        applyView(m_view, m_pollutants, shown);
        setColumns(shown);
        std::vector<SummaryColumn> held;
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columnKeys[c] >= 0) {
                held.push_back(m_columns[c]);
            }
        }
        m_columns = std::move(held);
        findColumnKeys();
    }

    std::vector<float> values;
    for (;;) {
        if (!in.next(line)) {
            throw SavedFileRefusal("the file has no end: the run that wrote it did not finish");
        }
        if (savedBlank(line)) {
            continue;
        }
        if (fieldsOf(line, 1)[0] == "End") {
            break;
        }
        readStreet(line, in.start(), values);
    }
    f = savedFields(line, 3, "its end line");
    const auto count = static_cast<std::size_t>(integerOf(f[2], 0, INT_MAX, "the number of streets"));
    if (count != m_streets.size()) {
        throw Refusal("its end line counts " + std::to_string(count) + " streets, but the file holds " +
                      std::to_string(m_streets.size()));
    }
    m_calcTime = f[1];
    while (in.next(line)) {
        if (!savedBlank(line)) {
            throw Refusal("a line follows the end line");
        }
    }
}

void StreetResultsStore::readColumns(std::string_view line) {
    const std::vector<std::string> head = fieldsOf(line, 2);
    const std::size_t n = savedCount(head, msr::kMaxColumns, "the number of summary columns");
    const std::vector<std::string> f = savedFields(line, 2 + 6 * n, "the line \"Columns\"");
    m_columns.clear();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = 2 + 6 * i;
        SummaryColumn c;
        c.key = f[at];
        c.comp = f[at + 1];
        c.caption = toUtf8(f[at + 2]);
        c.unit = toUtf8(f[at + 3]);
        c.limit = floatOf(f[at + 4], "the limit value of " + c.caption);
        c.factor = floatOf(f[at + 5], "the factor of " + c.caption);
        // A limit or factor of 0 or below would mark every value, or show another than the street page.
        if (!(c.limit > 0.0f)) {
            throw Refusal("the limit value of " + c.caption + ", " + f[at + 4] + ", is not above 0");
        }
        if (!(c.factor > 0.0f)) {
            throw Refusal("the factor of " + c.caption + ", " + f[at + 5] + ", is not above 0");
        }
        m_columns.push_back(std::move(c));
    }
}

namespace {

std::string savedFloatText(float v) {
    std::string text;
    msr::appendFloat(text, v);
    return text;
}

} // namespace

void StreetResultsStore::checkColumns(const State &s) const {
    State shown = s;
    applyView(m_view, m_pollutants, shown);
    const std::vector<SummaryColumn> made = columnsOf(shown);
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const SummaryColumn &c = m_columns[i];
        const std::string name = "the summary column " + quotedText(c.caption);
        auto e = i < made.size() && made[i].key == c.key
                     ? made.begin() + static_cast<std::ptrdiff_t>(i)
                     : std::find_if(made.begin(), made.end(), [&](const auto &m) { return m.key == c.key; });
        if (e == made.end()) {
            const Pollutant *p = m_pollutants.find(c.comp);
            const auto at = static_cast<std::size_t>(p != nullptr ? p->Index : -1);
            if (p != nullptr && at < m_view.showPol.size() && !m_view.showPol[at]) {
                throw Refusal(name + " is of " + c.comp + ", which the line \"Shown\" does not show");
            }
            throw Refusal(name + " (" + c.key + ") has no limit value above 0 in the \"Limit\" lines");
        }
        if (c.comp != e->comp || c.caption != e->caption || c.unit != e->unit) {
            throw Refusal(name + " (" + c.key + ") is not that of the lines above it, " +
                          quotedText(e->caption) + " of " + e->comp + " in " + quotedText(e->unit));
        }
        if (c.factor != e->factor) {
            throw Refusal("the factor of " + c.caption + ", " + savedFloatText(c.factor) + ", is not " +
                          savedFloatText(e->factor) + ", that of the output unit of " + c.comp +
                          " in the line \"Pollutants\"");
        }
        if (c.limit != e->limit) {
            throw Refusal("the limit value of " + c.caption + ", " + savedFloatText(c.limit) + ", is not " +
                          savedFloatText(e->limit) +
                          ", that of its \"Limit\" lines in the output unit of the line \"Pollutants\"");
        }
    }
    if (m_columns.size() != made.size()) {
        throw Refusal("the line \"Columns\" holds " + std::to_string(m_columns.size()) +
                      " summary columns where the \"Limit\" lines and the pollutants shown make " +
                      std::to_string(made.size()));
    }
}

void StreetResultsStore::readStreet(std::string_view line, std::uint64_t offset, std::vector<float> &values) {
    const std::size_t keys = m_keys.size();
    const std::size_t wanted = m_streetFields + 2 * keys;
    const std::size_t n = fieldCount(line);
    if (n != wanted) {
        throw Refusal("street line " + std::to_string(m_streets.size() + 1) + " has " + std::to_string(n) +
                      " fields instead of " + std::to_string(wanted));
    }
    const std::vector<std::string> f = fieldsOf(line);
    StreetEntry e;
    e.number = intOf(f[0], "the street's number");
    e.name = toUtf8(f[1]);
    e.active = iequals(f[2], "#TRUE#");
    e.x = numberOf(f[3]);
    e.y = numberOf(f[4]);
    e.recHeight = numberOf(f[5]);
    e.givenTraffic = numberOf(f[6]);
    e.dailyTraffic = static_cast<long>(integerOf(f[7], -99, msr::kMaxDailyTraffic, "the calculated traffic"));
    e.trafficFileType = intOf(f[8], "the type of the traffic file");
    e.trafficFile = toUtf8(f[9]);
    e.firstCalcDate = f[10];
    e.lastCalcDate = f[11];
    e.period =
        m_version >= 2
            ? PeriodLength{static_cast<long>(integerOf(f[12], 0, msr::kMaxPeriodHours, "the hours run")),
                           static_cast<long>(integerOf(f[13], 0, msr::kMaxPeriodHours, "the days run"))}
            : savedPeriodOfTexts(e.firstCalcDate, e.lastCalcDate);
    const std::string street = "street " + std::to_string(m_streets.size() + 1);
    // The days of hours H from any hour of a day on: those of H hours from
    // midnight, or one more (periodBetween).
    const long hours = e.period.hours, days = e.period.days;
    const long fewestDays = hours > 0 ? (hours - 1) / 24 + 1 : 0;
    const long mostDays = hours > 0 ? (hours + 22) / 24 + 1 : 0;
    if (days < fewestDays || days > mostDays) {
        throw Refusal(street + ": its period of " + std::to_string(hours) + " hours cannot span " +
                      std::to_string(days) + " days" +
                      (hours > 0 ? " (" + std::to_string(fewestDays) +
                                       (mostDays > fewestDays ? " or " + std::to_string(mostDays) : "") + ")"
                                 : std::string()));
    }
    if (!e.active && (hours != 0 || !e.firstCalcDate.empty() || !e.lastCalcDate.empty())) {
        throw Refusal(street + " is not calculated (" + f[2] + ") but holds hours calculated");
    }
    e.offset = offset;
    m_lineHashes.push_back(streetResultsHash(kStreetResultsHashStart, line));
    values.assign(2 * keys, -99.0f);
    for (std::size_t k = 0; k < 2 * keys; ++k) {
        values[k] = floatOf(f[m_streetFields + k], "the value of " + m_keys[k / 2]);
        if (!e.active && values[k] != -99.0f && values[k] != 0.0f) {
            throw Refusal(street + " is not calculated (" + f[2] + ") but holds a value of " + m_keys[k / 2] +
                          ", " + f[m_streetFields + k]);
        }
    }
    summarise(e, values);
    m_streets.push_back(std::move(e));
}

bool StreetResultsStore::unchanged(std::string *error) const {
    if (!m_opened) {
        return true;
    }
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        return fail(changedText(), error);
    }
    const SavedFileIdentity now = savedFileIdentity(status);
    if (now == m_openedIdentity) {
        return true;
    }
    // Its status changed: its bytes, or only its names, links or mode (a
    // file saved over it unlinks it). The bytes read then keep it the file
    // whose streets are listed.
    std::uint64_t hash = 0;
    const bool same = now.size == m_openedIdentity.size && savedFileHash(m_fd, &hash) && hash == m_openedHash;
    return same || fail(changedText(), error);
}

std::string StreetResultsStore::changedText() const {
    return "The file " + m_openedPath +
           " has changed since its streets were listed. Open the file again to see what it holds now.";
}

} // namespace vesk::results
