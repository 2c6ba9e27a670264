// Reading an hour: one record from every bound input file, its items
// converted (missing markers, decimal comma, scaling factor) and assigned to
// the hour's variables by column keyword.
//
// A text record that cannot be an hour before the first hour of the period
// (a line of column titles, a short line) is passed over by reading the next
// line of the same file only, so that files with title lines stay aligned.
// A line of titles is also one that holds no number where the file's list
// expects numbers. Blank lines are passed over anywhere. An item that is no
// number where a measured value is expected is missing for its hour; the
// run's closing note counts such items and the blank lines per file.

#include "core/Calendar.h"
#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"
#include "run/ChainSupport.h"
#include "run/RunContext.h"
#include "run/StreetChain.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vesk::run {

namespace {

// Thrown while converting an item that does not fit its column's type.
struct ItemMismatch {
    std::size_t column;
    std::string text;
};

// Thrown for a number larger than its column's values can be.
struct ItemOutOfRange {
    std::size_t column;
    std::string text;
};

// What the items of one record held.
struct ItemTally {
    int nonNumbers = 0;     // items of value columns that were no number
    bool anyNumber = false; // an item held a number (or a date)
    bool anyValue = false;  // an item of a value column held a number
};

} // namespace

std::string recordAt(const InputFile &in) {
    return in.path + (in.isTable ? ", row " + std::to_string(in.row) : ", line " + std::to_string(in.line));
}

bool readsValue(InKey key) {
    return key == InKey::DayOfWeek || (key >= InKey::UMast && key <= InKey::ColdStart);
}

namespace {
// The common short decimal ("12", "-3.5", "0.77"): at most 15 digits make an
// integer below 2^53 and at most 22 decimals an exact power of ten, so the
// one division is the correctly rounded value, as from_chars gives it.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxShortDigits = 15;
} // namespace

std::optional<double> plainNumber(std::string_view text) {
    const char *p = text.data();
    const char *const last = p + text.size();
    const bool negative = p != last && *p == '-';
    if (p != last && (*p == '-' || *p == '+')) {
        ++p;
    }
    std::uint64_t digits = 0; // wraps beyond 19 digits, but is then not used
    auto digitRun = [&] {
        const char *from = p;
        while (p != last && static_cast<unsigned char>(*p - '0') < 10) {
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
            ++p;
        }
        return static_cast<int>(p - from);
    };
    int count = digitRun();
    int decimals = 0;
    if (p != last && *p == '.') {
        ++p;
        decimals = digitRun();
        count += decimals;
    }
    if (p == last && count > 0 && count <= kMaxShortDigits) {
        const double v = static_cast<double>(digits) / kPow10[decimals];
        return negative ? -v : v;
    }
    // Anything else a plain number may be ("1e3", long digit strings).
    double v = 0;
    const char *first = text.data();
    if (first != last && *first == '+') {
        ++first;
    }
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last || first == last) {
        return std::nullopt;
    }
    return v;
}

namespace {

bool missingItem(std::string_view text) {
    if (text.empty()) {
        return true;
    }
    const char c = text.front();
    if (c != 'n' && c != 'N' && c != '#') {
        return false;
    }
    const char last = text.back();
    if (last == ' ' || last == '\t' || last == '\r' || last == '\n') {
        return isMissingText(text);
    }
    // An item without blanks after it is a marker as it stands: compared at
    // once, as files with long gaps hold thousands of markers.
    auto is = [text](std::string_view marker) {
        return text.size() == marker.size() &&
               std::equal(text.begin(), text.end(), marker.begin(), [](char a, char m) {
                   return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == m;
               });
    };
    return is("na") || is("n/a") || is("#n/a");
}

// The whole number of an item.
[[gnu::always_inline]] inline int intOf(std::string_view text, std::optional<double> v, std::size_t j) {
    // Written so that "nan" (which the number reader takes) fails it too.
    if (!v || !(std::abs(*v) <= 2e9)) {
        throw ItemMismatch{j, std::string(text)};
    }
    // Dates and hours are whole numbers as a rule: they need no rounding.
    if (const int whole = static_cast<int>(*v); whole == *v) {
        return whole;
    }
    return static_cast<int>(roundHalfEven(*v));
}

// The lists of the hour's state that input columns set (every hour: an item
// that is missing or no number is stored as missing).
std::array<std::vector<float> *, 5> hourLists(State &s) {
    return {&s.cPOL_b, &s.cPOL_obs_1, &s.cPOL_obs_2, &s.cPOL_r, &s.qPOL};
}

std::size_t hourListsSize(State &s) {
    std::size_t n = 0;
    for (const std::vector<float> *v : hourLists(s)) {
        n += v->size();
    }
    return n;
}

// Works out once for the run where each input column stores a number, so
// that a plain item is stored without looking at its keyword, and which
// list elements no column sets (only those need resetting each hour).
void planColumns(RunContext &c) {
    State &s = c.s;
    HourItems &h = c.items;
    for (InputFile &in : c.inputs) {
        for (InColumn &col : in.cols) {
            col.slot = nullptr;
            col.slots = nullptr;
            col.at = 0;
            col.whole = nullptr;
            col.own = nullptr;
            auto list = [&col](std::vector<float> &v, int p) {
                if (p >= 0) {
                    col.slots = &v;
                    col.at = static_cast<std::size_t>(p);
                }
            };
            switch (col.key) {
            case InKey::UMast:
                col.slot = &s.u_mast;
                break;
            case InKey::WindDir:
                col.slot = &s.wind_dir;
                break;
            case InKey::GlobalRad:
                col.slot = &s.globalrad;
                break;
            case InKey::NetRad:
                col.slot = &h.netrad;
                break;
            case InKey::Temperature:
                col.slot = &s.temperature;
                break;
            case InKey::HMix:
                col.slot = &s.h_mix;
                break;
            case InKey::RHum:
                col.slot = &h.r_hum;
                break;
            case InKey::NLight:
                col.slot = &s.nlight;
                break;
            case InKey::NHeavy:
                col.slot = &s.nheavy;
                break;
            case InKey::NTotal:
                col.slot = &h.ntotal;
                break;
            case InKey::SpeedLight:
                col.slot = &s.speed_light;
                break;
            case InKey::SpeedHeavy:
                col.slot = &s.speed_heavy;
                break;
            case InKey::CB:
                list(s.cPOL_b, col.pol);
                break;
            case InKey::CObs1:
                list(s.cPOL_obs_1, col.pol);
                break;
            case InKey::CObs2:
                list(s.cPOL_obs_2, col.pol);
                break;
            case InKey::CR:
                list(s.cPOL_r, col.pol);
                break;
            case InKey::Q:
                list(s.qPOL, col.pol);
                break;
            case InKey::Year:
                col.whole = &h.year, col.own = &RecordDate::year;
                break;
            case InKey::Month:
                col.whole = &h.month, col.own = &RecordDate::month;
                break;
            case InKey::Day:
                col.whole = &h.day, col.own = &RecordDate::day;
                break;
            case InKey::Hour:
                if (col.factor == 1.0f) {
                    col.whole = &s.hour, col.own = &RecordDate::hour;
                }
                break;
            default:
                break; // stored by store()
            }
        }
        in.planned = true;
    }
    c.unsetSlots.clear();
    for (std::vector<float> *v : hourLists(s)) {
        for (std::size_t i = 0; i < v->size(); ++i) {
            const bool set = std::any_of(c.inputs.begin(), c.inputs.end(), [v, i](const InputFile &in) {
                return std::any_of(in.cols.begin(), in.cols.end(),
                                   [v, i](const InColumn &col) { return col.slots == v && col.at == i; });
            });
            if (!set) {
                c.unsetSlots.emplace_back(v, i);
            }
        }
    }
    c.plannedListsSize = hourListsSize(s);
    c.columnsPlanned = true;
}

void resetHour(RunContext &c) {
    State &s = c.s;
    c.items.reset(c.VehCatCount);
    s.hour = -99;
    s.u_mast = s.wind_dir = s.globalrad = s.temperature = s.h_mix = kMiss;
    s.speed_light = s.speed_heavy = s.nlight = s.nheavy = kMiss;
    if (c.columnsPlanned && hourListsSize(s) == c.plannedListsSize) {
        // The elements a column sets are stored again by the reading of the hour.
        for (const auto &[v, i] : c.unsetSlots) {
            (*v)[i] = kMiss;
        }
    } else {
        for (std::vector<float> *v : hourLists(s)) {
            std::fill(v->begin(), v->end(), kMiss);
        }
    }
    for (auto &row : s.CategoryEmission) {
        std::fill(row.begin(), row.end(), kMiss);
    }
    s.c_st1 = s.c_st2 = kMiss;
    s.u_roof = s.s_w_roof = s.delta_fi = kMiss;
    s.s_w_tpt = kMiss;
    clearHourResults(s);
}

std::string_view trimView(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) {
        v.remove_prefix(1);
    }
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r' || v.back() == '\n')) {
        v.remove_suffix(1);
    }
    return v;
}

// An item without the blanks and the one pair of double quotes around it.
std::string_view cleanItem(std::string_view raw) {
    std::string_view item = trimView(raw);
    if (item.size() >= 2 && item.front() == '"' && item.back() == '"') {
        item = trimView(item.substr(1, item.size() - 2));
    }
    return item;
}

// The item with decimal commas read as points; only an item that has one is
// copied (into scratch).
std::string_view withPoints(std::string_view item, std::string &scratch) {
    // Items are short: a plain look at each character costs less than a call of memchr.
    if (std::none_of(item.begin(), item.end(), [](char ch) { return ch == ','; })) {
        return item;
    }
    scratch.assign(item);
    std::replace(scratch.begin(), scratch.end(), ',', '.');
    return scratch;
}

// The number an item holds: a plain decimal by the short route, other
// forms ("1d3", "5.") by the full reader; nullopt for a text.
std::optional<double> numberOf(std::string_view text) {
    if (std::optional<double> v = plainNumber(text)) {
        return v;
    }
    return parseNumber(text);
}

// Stores what the item of column j (not a date column) held: item as it
// stands, text with decimal points, whether it is a missing marker and the
// number it holds.
[[gnu::always_inline]] inline void store(RunContext &c, InputFile &in, std::size_t j, std::string_view item,
                                         std::string_view text, bool missing, std::optional<double> number,
                                         ItemTally &tally) {
    State &s = c.s;
    HourItems &h = c.items;
    const InColumn &col = in.cols[j];
    if (col.key == InKey::Ignore) {
        return;
    }
    const float f = col.factor;
    float value = kMiss;
    if (!missing) {
        if (number) {
            tally.anyNumber = true;
            if (readsValue(col.key)) {
                const double scaled = *number * f;
                if (!(std::abs(scaled) <= col.limit)) {
                    throw ItemOutOfRange{j, std::string(item)};
                }
                value = static_cast<float>(scaled);
                tally.anyValue = true;
            }
        } else if (readsValue(col.key)) {
            ++tally.nonNumbers; // missing for this hour, counted for the note
        }
    }
    auto setAt = [](std::vector<float> &v, int p, float x) {
        if (p >= 0 && static_cast<std::size_t>(p) < v.size()) {
            v[static_cast<std::size_t>(p)] = x;
        }
    };
    switch (col.key) {
    case InKey::Date:
    case InKey::Ignore:
        break;
    case InKey::Day:
        h.day = in.own.day = missing ? -99 : intOf(text, number, j);
        break;
    case InKey::Month:
        h.month = in.own.month = missing ? -99 : intOf(text, number, j);
        break;
    case InKey::Year:
        h.year = in.own.year = missing ? -99 : intOf(text, number, j);
        break;
    case InKey::Hour:
        if (missing) {
            s.hour = in.own.hour = -99;
        } else {
            // Without a factor the hour is the item as it stands (whole numbers are exact); a
            // missing -99 stays missing whatever the factor.
            const int hour = intOf(text, number, j);
            s.hour = in.own.hour =
                f == 1.0f || hour == -99 ? hour : static_cast<int>(roundHalfEven(hour + 1.0 - f));
        }
        break;
    case InKey::Minute:
        h.minute = missing ? -99 : intOf(text, number, j);
        break;
    case InKey::DayOfWeek:
        h.dayofweek = number ? static_cast<int>(roundHalfEven(*number)) : -99;
        break;
    case InKey::DayCase:
        h.daycase = missing ? -99 : intOf(text, number, j);
        break;
    case InKey::UMast:
        s.u_mast = value;
        break;
    case InKey::WindDir:
        s.wind_dir = value;
        break;
    case InKey::GlobalRad:
        s.globalrad = value;
        break;
    case InKey::NetRad:
        h.netrad = value;
        break;
    case InKey::CloudCover:
        h.cloudcover = number ? static_cast<int>(roundHalfEven(value)) : -99;
        break;
    case InKey::Temperature:
        s.temperature = value;
        break;
    case InKey::HMix:
        s.h_mix = value;
        break;
    case InKey::RHum:
        h.r_hum = value;
        break;
    case InKey::CB:
        setAt(s.cPOL_b, col.pol, value);
        break;
    case InKey::CObs1:
        setAt(s.cPOL_obs_1, col.pol, value);
        break;
    case InKey::CObs2:
        setAt(s.cPOL_obs_2, col.pol, value);
        break;
    case InKey::CR:
        setAt(s.cPOL_r, col.pol, value);
        break;
    case InKey::NLight:
        s.nlight = value;
        break;
    case InKey::NHeavy:
        s.nheavy = value;
        break;
    case InKey::NTotal:
        h.ntotal = value;
        break;
    case InKey::NVeh:
        if (col.veh >= 1) {
            setAt(h.nVEH, col.veh, value);
        }
        break;
    case InKey::SpeedLight:
        s.speed_light = value;
        break;
    case InKey::SpeedHeavy:
        s.speed_heavy = value;
        break;
    case InKey::Q:
        setAt(s.qPOL, col.pol, value);
        break;
    case InKey::QVeh:
        if (col.pol >= 0 && static_cast<std::size_t>(col.pol) < s.CategoryEmission.size()) {
            setAt(s.CategoryEmission[static_cast<std::size_t>(col.pol)], col.veh, value);
        }
        break;
    case InKey::ColdStart:
        h.coldstart = number ? value : 0.0f;
        break;
    case InKey::Unknown:
        c.err.ColumnIndex = static_cast<int>(j + 1);
        c.err.InColName = col.name;
        throw RunError(kErrInputItem, "Unknown input keyword " + col.name);
    }
}

// Assigns the item of column j (without blanks and quotes around it; commas
// when it may hold decimal commas) to its variable. scratch: room for a copy
// of the item.
[[gnu::always_inline]] inline void assign(RunContext &c, InputFile &in, std::size_t j, std::string_view item,
                                          bool commas, ItemTally &tally, std::string &scratch) {
    HourItems &h = c.items;
    const InColumn &col = in.cols[j];
    if (col.key == InKey::Ignore) {
        return;
    }
    // A missing item stays missing whatever the column's factor.
    const bool missing = missingItem(item);
    const std::string_view text = commas ? withPoints(item, scratch) : item;
    if (col.key == InKey::Date) {
        if (!missing) {
            DateTimeParts d;
            if (!parseDateTimeText(text, &d) || d.year < 1000) {
                throw ItemMismatch{j, std::string(text)};
            }
            tally.anyNumber = true;
            h.hasDate = true;
            h.dateValue = d;
            h.date = isoDate(d.year, d.month, d.day);
            if (d.hour != 0 || d.minute != 0) {
                h.date = isoDateTime(d.year, d.month, d.day, d.hour, d.minute);
            }
            in.own.hasDate = true;
            in.own.dateHasTime = text.find(':') != std::string_view::npos;
            in.own.date = d;
        }
        return;
    }
    store(c, in, j, item, text, missing, missing ? std::nullopt : numberOf(text), tally);
}

std::string cellText(const Cell &cell) {
    if (const auto *d = std::get_if<double>(&cell)) {
        return formatNumber(*d);
    }
    if (const auto *t = std::get_if<std::string>(&cell)) {
        return *t;
    }
    return std::string();
}

// The kinds of character a record line is checked for, in one pass.
enum CharKind : unsigned char {
    kSeparator = 1, // ' ', ';', '\t': always separate items
    kComma = 2,     // ',': separates items unless it is the decimal mark
    kNonBlank = 4,  // anything but ' ' and '\t'
    kReturn = 8,    // '\r'
    kNotPlain = 16, // '"' or a byte beyond ASCII: the full list-line reader splits the line
};

struct CharKinds {
    unsigned char of[256] = {};
    constexpr CharKinds() {
        for (int ch = 0; ch < 256; ++ch) {
            of[ch] = ch >= 0x80 || ch == '"' ? kNotPlain | kNonBlank : kNonBlank;
        }
        of[static_cast<unsigned char>(' ')] = kSeparator;
        of[static_cast<unsigned char>('\t')] = kSeparator;
        of[static_cast<unsigned char>(';')] = kSeparator | kNonBlank;
        of[static_cast<unsigned char>(',')] = kComma | kNonBlank;
        of[static_cast<unsigned char>('\r')] = kReturn | kNonBlank;
    }
};

constexpr CharKinds kCharKinds;

unsigned char kindOf(char ch) {
    return kCharKinds.of[static_cast<unsigned char>(ch)];
}

// The kinds of character a line holds.
unsigned lineKinds(std::string_view line) {
    unsigned kinds = 0;
    for (const char ch : line) {
        kinds |= kindOf(ch);
    }
    return kinds;
}

} // namespace

bool scanRecordLine(std::string_view line, bool commaSeparates, ScannedItem *items, std::size_t room,
                    std::size_t *count) {
    // The line is looked at once, character by character: the item ends at
    // a separator, and its digits are gathered on the way for the common
    // short decimal (the rules of plainNumber's short route).
    const char *p = line.data();
    const char *end = p + line.size();
    while (p != end && *p == ' ') {
        ++p;
    }
    while (end != p && end[-1] == ' ') {
        --end;
    }
    const unsigned separator = commaSeparates ? kSeparator | kComma : kSeparator;
    const unsigned stop = separator | kNotPlain | kReturn;
    std::size_t n = 0;
    bool filled = false; // an item holds a character
    while (p != end) {
        const char *q = p;
        bool negative = false;
        if (static_cast<unsigned char>(*q - '0') >= 10 && (*q == '-' || *q == '+')) {
            negative = *q == '-';
            ++q;
        }
        // The digits, a point and the decimals, each in a loop of its own;
        // any other character before the separator makes the item no
        // plain decimal.
        const char *const digitsFrom = q;
        std::uint64_t digits = 0; // wraps beyond 19 digits, but is then not used
        while (q != end && static_cast<unsigned char>(*q - '0') < 10) {
            digits = digits * 10 + static_cast<unsigned char>(*q - '0');
            ++q;
        }
        const char *dot = nullptr;
        if (q != end && *q == '.') {
            dot = q++;
            while (q != end && static_cast<unsigned char>(*q - '0') < 10) {
                digits = digits * 10 + static_cast<unsigned char>(*q - '0');
                ++q;
            }
        }
        bool decimal = true;
        unsigned kind = 0;
        if (q != end) {
            kind = kindOf(*q);
            if ((kind & stop) == 0) {
                decimal = false;
                while (++q != end) {
                    kind = kindOf(*q);
                    if ((kind & stop) != 0) {
                        break;
                    }
                }
            }
        }
        if ((kind & (kNotPlain | kReturn)) != 0) {
            return false;
        }
        if (n < room) {
            ScannedItem &item = items[n];
            item.at = p;
            item.size = static_cast<std::size_t>(q - p);
            const long count = (q - digitsFrom) - (dot != nullptr ? 1 : 0);
            item.plain = decimal && count > 0 && count <= kMaxShortDigits;
            if (item.plain) {
                const double v = static_cast<double>(digits) / kPow10[dot != nullptr ? q - dot - 1 : 0];
                item.value = negative ? -v : v;
            }
        }
        ++n;
        filled = filled || q != p;
        if (q == end) {
            break;
        }
        // The separation: blanks after the separator, and a further separator
        // other than the first with its blanks, belong to it.
        const char sep = *q;
        p = q + 1;
        if (p != end && static_cast<unsigned char>(*p - '0') < 10) {
            continue; // the common case: one separator, then the next number
        }
        while (p != end && *p == ' ') {
            ++p;
        }
        if (p != end && *p != sep && (kindOf(*p) & separator) != 0) {
            ++p;
            while (p != end && *p == ' ') {
                ++p;
            }
        }
    }
    *count = n;
    return filled;
}

namespace {

// The next line of a text input file, without its LF, taken from the file's
// block (which is refilled as needed); false at the end of the file or for
// a line longer than kMaxRecordLine (*tooLong). *ended: the line ended with
// a LF. The view stays valid until the next call.
bool nextLine(InputFile &in, std::string_view *line, bool *ended, bool *tooLong) {
    constexpr std::size_t kBlock = 1 << 16;
    *tooLong = false;
    std::vector<char> &b = in.block;
    std::size_t scanned = in.blockAt; // where the look for the LF goes on
    for (;;) {
        const void *lf =
            scanned < in.blockEnd ? std::memchr(b.data() + scanned, '\n', in.blockEnd - scanned) : nullptr;
        if (lf != nullptr) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char *>(lf) - b.data());
            if (at - in.blockAt > kMaxRecordLine) {
                *tooLong = true;
                return false;
            }
            *line = std::string_view(b.data() + in.blockAt, at - in.blockAt);
            *ended = true;
            in.blockAt = at + 1;
            return true;
        }
        const std::size_t rest = in.blockEnd - in.blockAt;
        if (rest > kMaxRecordLine) {
            *tooLong = true;
            return false;
        }
        if (in.blockEof) {
            if (rest == 0) {
                return false;
            }
            *line = std::string_view(b.data() + in.blockAt, rest);
            *ended = false;
            in.blockAt = in.blockEnd;
            return true;
        }
        // Keep the start of the line and read the next block after it.
        if (in.blockAt > 0) {
            std::memmove(b.data(), b.data() + in.blockAt, rest);
            in.blockAt = 0;
            in.blockEnd = rest;
        }
        scanned = rest;
        if (b.size() < rest + kBlock) {
            b.resize(rest + kBlock);
        }
        in.text->read(b.data() + rest, static_cast<std::streamsize>(kBlock));
        const auto got = static_cast<std::size_t>(in.text->gcount());
        in.blockEnd = rest + got;
        in.blockEof = got < kBlock;
    }
}

// Blank lines met since the last record count once a record follows them
// (blank lines at the end of a file are no gap), and only the first time
// that part of the file is read.
void countBlankLines(InputFile &in) {
    if (in.pendingBlankLine > in.countedTo) {
        if (in.blankLines == 0) {
            in.firstBlankLine = in.pendingBlankLine;
        }
        in.blankLines += in.pendingBlank;
    }
    in.pendingBlank = 0;
}

// Counts, per column, the items of a record that were no number where a
// value is expected (at is the record's line or row).
void countNonNumbers(InputFile &in, const std::vector<std::string_view> &fields, long at) {
    std::string scratch;
    for (std::size_t j = 0; j < in.cols.size() && j < fields.size(); ++j) {
        InColumn &col = in.cols[j];
        const std::string_view item = cleanItem(fields[j]);
        if (readsValue(col.key) && !missingItem(item) && !numberOf(withPoints(item, scratch))) {
            if (col.nonNumbers++ == 0) {
                col.firstNonNumber = at;
            }
        }
    }
}

// Reads one record of file in; false at the end of its data. The error
// context is left to the caller (see readRecord).
bool readRecordItems(RunContext &c, InputFile &in) {
    std::vector<std::string> owned;
    std::vector<std::string_view> &fields = in.fields;
    std::string scratch;
    const bool commaSeparates = c.s.DecimalSeparator != ",";
    // The items of a common line, found and read in one pass over it (left
    // uninitialised: the scan writes each item it hands over).
    ScannedItem scanned[kMaxItems];
    const bool mayScan = in.cols.size() <= static_cast<std::size_t>(kMaxItems);
    for (;;) {
        std::streamoff start = 0;
        // The items of a plain line are split at blanks (and commas, unless
        // they are decimal marks): they need no cleaning.
        bool plain = false;
        bool isScanned = false;
        std::string_view line;
        if (in.isTable) {
            if (in.row >= in.table.rows.size()) {
                return false;
            }
            const auto &row = in.table.rows[in.row++];
            // Only the cells the list reads: the rest is ignored.
            const std::size_t cells = std::min(row.size(), in.cols.size());
            owned.clear();
            for (std::size_t i = 0; i < cells; ++i) {
                owned.push_back(cellText(row[i]));
            }
            fields.assign(owned.begin(), owned.end());
            if (fields.size() < in.cols.size()) {
                throw RunError(kErrTooFewItems, "Row " + std::to_string(in.row) + " holds too few items");
            }
        } else {
            bool ended = false, tooLong = false;
            if (!nextLine(in, &line, &ended, &tooLong)) {
                if (tooLong) {
                    ++in.line;
                    throw RunRefusal{recordAt(in) + ": the line is longer than " +
                                     std::to_string(kMaxRecordLine) +
                                     " characters; this is not a file of hourly records."};
                }
                return false;
            }
            start = in.position;
            in.position += static_cast<std::streamoff>(line.size()) + (ended ? 1 : 0);
            ++in.line;
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            std::size_t count = 0;
            if (mayScan && scanRecordLine(line, commaSeparates, scanned, in.cols.size(), &count)) {
                // A line with an item holds a character that is no blank.
                if (in.pendingBlank > 0) {
                    countBlankLines(in);
                }
                plain = isScanned = true;
            } else {
                const unsigned kinds = lineKinds(line);
                if ((kinds & kNonBlank) == 0) {
                    if (in.pendingBlank++ == 0) {
                        in.pendingBlankLine = in.line;
                    }
                    continue;
                }
                if (in.pendingBlank > 0) {
                    countBlankLines(in);
                }
                if ((kinds & kReturn) != 0) {
                    throw RunRefusal{recordAt(in) + ": a carriage return stands inside the line. Lines of an "
                                                    "input file end with LF or CR LF."};
                }
                plain = (kinds & kNotPlain) == 0;
                if (plain) {
                    splitRecordLine(line, commaSeparates, fields);
                } else {
                    owned = ReadListLine(toUtf8(std::string(line)), c.s.DecimalSeparator);
                    fields.assign(owned.begin(), owned.end());
                }
                count = fields.size();
            }
            if (count < in.cols.size()) {
                if (c.NoHourYet) {
                    continue; // a title or short line before the first hour
                }
                throw RunError(kErrTooFewItems, "Line " + std::to_string(in.line) + " holds too few items");
            }
        }
        ItemTally tally;
        if (in.dated) {
            in.own = RecordDate{};
        }
        try {
            c.err.InItemsFlag = true;
            const std::size_t columns = in.cols.size();
            for (std::size_t j = 0; j < columns; ++j) {
                if (isScanned) {
                    const ScannedItem &item = scanned[j];
                    const InColumn &col = in.cols[j];
                    if (item.plain && (col.slot != nullptr || col.slots != nullptr)) {
                        // A plain number of a value column: checked, scaled and stored (as store does).
                        tally.anyNumber = tally.anyValue = true;
                        const double scaled = item.value * col.factor;
                        if (!(std::abs(scaled) <= col.limit)) {
                            throw ItemOutOfRange{j, std::string(item.text())};
                        }
                        if (col.slot != nullptr) {
                            *col.slot = static_cast<float>(scaled);
                        } else if (col.at < col.slots->size()) {
                            (*col.slots)[col.at] = static_cast<float>(scaled);
                        }
                        continue;
                    }
                    if (item.plain && col.whole != nullptr) {
                        // A whole number of a date column (as store does).
                        tally.anyNumber = true;
                        *col.whole = in.own.*col.own = intOf(item.text(), item.value, j);
                        continue;
                    }
                    if (item.plain && col.key != InKey::Date) {
                        store(c, in, j, item.text(), item.text(), false, item.value, tally);
                    } else {
                        assign(c, in, j, item.text(), !commaSeparates, tally, scratch);
                    }
                    continue;
                }
                const std::string_view field = fields[j];
                if (plain) {
                    const bool empty = field.size() == 1 && field[0] == ' ';
                    assign(c, in, j, empty ? std::string_view() : field, !commaSeparates, tally, scratch);
                } else {
                    assign(c, in, j, cleanItem(field), true, tally, scratch);
                }
            }
            c.err.InItemsFlag = false;
        } catch (const ItemMismatch &m) {
            if (c.NoHourYet && !in.isTable) {
                continue; // a line of column titles: take the next line of this file
            }
            c.err.ColumnIndex = static_cast<int>(m.column + 1);
            c.err.InColName = in.cols[m.column].name;
            c.err.ItemText = m.text;
            throw RunError(kErrTypeMismatch, "Type mismatch");
        } catch (const ItemOutOfRange &r) {
            const InColumn &col = in.cols[r.column];
            throw RunRefusal{recordAt(in) + ": the item " + visibleText(r.text) + " of column " + col.name +
                             " is out of range (a value of the column is at most " +
                             (col.limit < kMaxSingle ? formatNumber(col.limit) : std::string("3.4E+38")) +
                             " in magnitude" + (col.factor != 1.0f ? ", after scaling" : "") + ")."};
        }
        const long at = in.isTable ? static_cast<long>(in.row) : in.line;
        if (tally.nonNumbers > 0) {
            if (!tally.anyNumber && !in.isTable) {
                // No number where the list expects numbers: a line of column titles.
                if (c.NoHourYet) {
                    continue;
                }
                throw RunRefusal{recordAt(in) + " holds no number where the variable list expects numbers: "
                                                "a line of column titles in the middle of the data?"};
            }
            if (at > in.countedTo) {
                if (isScanned) {
                    splitRecordLine(line, commaSeparates, fields);
                }
                countNonNumbers(in, fields, at);
            }
        }
        in.countedTo = std::max(in.countedTo, at);
        in.lastRecord = at;
        in.lastHadData = tally.anyNumber;
        in.lastHadValue = tally.anyValue;
        if (!in.isTable) {
            in.recordStart[0] = in.recordStart[1];
            in.recordLine[0] = in.recordLine[1];
            in.recordStart[1] = start;
            in.recordLine[1] = in.line;
        }
        return true;
    }
}

// Names file in in the error context, for the messages of errors raised
// while it is read and after.
void nameInErrors(RunContext &c, const InputFile &in) {
    c.err.FileIndex = in.k;
    c.err.FilePath = in.path;
    c.err.InputFile = c.s.InputFiles[static_cast<std::size_t>(in.k)];
    c.err.InputIsText = !in.isTable;
}

// Reads one record of file in; false at the end of its data. The error
// context names the file, also when an error is raised.
bool readRecord(RunContext &c, InputFile &in) {
    try {
        const bool read = readRecordItems(c, in);
        nameInErrors(c, in);
        return read;
    } catch (...) {
        nameInErrors(c, in);
        throw;
    }
}

} // namespace

void splitRecordLine(std::string_view line, bool commaSeparates, std::vector<std::string_view> &fields) {
    fields.clear();
    while (!line.empty() && line.front() == ' ') {
        line.remove_prefix(1);
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    const unsigned separator = commaSeparates ? kSeparator | kComma : kSeparator;
    auto separates = [separator](char ch) { return (kindOf(ch) & separator) != 0; };
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t p = i;
        while (p < n && !separates(line[p])) {
            ++p;
        }
        const char sep = p < n ? line[p] : ' ';
        fields.push_back(p == i ? std::string_view(" ") : line.substr(i, p - i));
        i = p + 1;
        while (i < n && line[i] == ' ') {
            ++i;
        }
        // A further separator right after this one belongs to the same separation.
        if (i < n && line[i] != ' ' && separates(line[i]) && line[i] != sep) {
            ++i;
            while (i < n && line[i] == ' ') {
                ++i;
            }
        }
    }
}

void HourItems::reset(int vehCatCount) {
    date.clear();
    hasDate = false;
    day = month = year = minute = dayofweek = daycase = -99;
    cloudcover = -99;
    netrad = r_hum = ntotal = kMiss;
    coldstart = 0;
    nVEH.assign(static_cast<std::size_t>(std::max(vehCatCount, 0)) + 1, kMiss);
    DateTimeText.clear();
}

namespace {

// Where a file stands: "<path>, line n" of its record read last.
std::string lastRecordAt(const InputFile &in) {
    return in.path + (in.isTable ? ", row " : ", line ") + std::to_string(in.lastRecord);
}

// Whether the period of the run ended with the record read last: then files
// of different lengths do not matter.
bool periodEnded(const RunContext &c) {
    const State &s = c.s;
    const bool route = s.RouteMode;
    const PeriodDate end = route ? s.EndDateRun : s.EndDate;
    if ((s.EndAuto && !route) || !end.isSet() || c.LastReadTime < 0) {
        return false;
    }
    const int endHour = route ? s.EndHourRun : s.EndHour;
    const long last = (daysFromCivil(end.year, end.month, end.day) * 24 + endHour - 1) * 60;
    return c.LastReadTime >= last;
}

// File `ended` has no record left: the data end there unless another file
// still holds records within the period, which could not be used.
void checkEndTogether(RunContext &c, std::size_t ended) {
    if (periodEnded(c)) {
        return;
    }
    const InputFile &in = c.inputs[ended];
    for (std::size_t j = 0; j < c.inputs.size(); ++j) {
        InputFile &other = c.inputs[j];
        // A file before it has read its record of this hour already.
        if (j == ended || (j > ended && !readRecord(c, other))) {
            continue;
        }
        const std::string last =
            in.lastRecord > 0 ? "ends with " + lastRecordAt(in) +
                                    (c.LastReadTime >= 0 ? " (the record of " + timeText(c.LastReadTime) + ")"
                                                         : std::string())
                              : "holds no record that could be read as an hour";
        throw RunRefusal{"The input file\r\n" + in.path + "\r\n" + last + ", but\r\n" + recordAt(other) +
                         "\r\nholds a record after it: the input files end at different hours, and the hours "
                         "after the end of the shorter one cannot be computed. Complete the file, or end the "
                         "period of the run with its last hour."};
    }
}

} // namespace

bool readHour(RunContext &c) {
    if (!c.columnsPlanned) {
        planColumns(c);
    }
    resetHour(c);
    // The error context names the file read last; it is set once for the
    // hour rather than for every file (the texts are copied), and at once
    // when an error is raised or a file ends.
    for (std::size_t i = 0; i < c.inputs.size(); ++i) {
        InputFile &in = c.inputs[i];
        bool read = false;
        try {
            read = readRecordItems(c, in);
        } catch (...) {
            nameInErrors(c, in);
            throw;
        }
        if (!read) {
            nameInErrors(c, in);
            checkEndTogether(c, i);
            return false;
        }
    }
    if (!c.inputs.empty()) {
        nameInErrors(c, c.inputs.back());
    }
    c.err.InItemsFlag = false;
    return true;
}

bool dataFollows(RunContext &c, InputFile &in, long *at) {
    for (;;) {
        try {
            if (!readRecord(c, in)) {
                return false;
            }
            if (in.lastHadData) {
                *at = in.lastRecord;
                return true;
            }
        } catch (const RunError &) {
            // A record that cannot be read (a closing line of text) holds no data.
        } catch (const RunRefusal &) {
        }
    }
}

void countUsableHour(RunContext &c) {
    ++c.hoursRead;
    if (c.FirstStreet) {
        ++c.periodHoursRead;
    }
    for (InputFile &in : c.inputs) {
        in.usableHours += in.lastHadValue ? 1 : 0;
    }
}

std::string inputNotes(const RunContext &c) {
    const std::string nl = "\r\n";
    std::string nonNumbers, blanks;
    for (const InputFile &in : c.inputs) {
        const std::string where = in.isTable ? " in row " : " in line ";
        for (const InColumn &col : in.cols) {
            if (col.nonNumbers > 0) {
                nonNumbers += nl + in.path + ", column " + col.name + ": " + std::to_string(col.nonNumbers) +
                              (col.nonNumbers == 1 ? " item" : " items") + ", the first" + where +
                              std::to_string(col.firstNonNumber);
            }
        }
        if (in.blankLines > 0) {
            blanks += nl + in.path + ": " + std::to_string(in.blankLines) +
                      (in.blankLines == 1 ? " blank line" : " blank lines") + ", the first in line " +
                      std::to_string(in.firstBlankLine);
        }
    }
    std::string note;
    if (!nonNumbers.empty()) {
        note =
            "Items of the input files that are not numbers were read as missing values (-99):" + nonNumbers;
    }
    if (!blanks.empty()) {
        note += (note.empty() ? "" : nl + nl) + "Blank lines of the input files were passed over:" + blanks;
    }
    if (!c.endOfDataAt.empty()) {
        note +=
            (note.empty() ? "" : nl + nl) + "The input ended at a record without an hour:" + c.endOfDataAt;
    }
    std::string unused;
    for (const InputFile &in : c.inputs) {
        const bool values = std::any_of(in.cols.begin(), in.cols.end(),
                                        [](const InColumn &col) { return readsValue(col.key); });
        if (values && in.usableHours == 0 && c.hoursRead > 0) {
            unused += nl + in.path;
        }
    }
    if (!unused.empty()) {
        note += (note.empty() ? "" : nl + nl) +
                "These input files gave no value in any hour of the run (every item of their columns of "
                "values was missing or no number); check their variable lists against their columns:" +
                unused;
    }
    return note;
}

} // namespace vesk::run
