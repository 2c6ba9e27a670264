// Reading an hour: one record from every bound input file, its items
// converted (missing markers, decimal comma, scaling factor) and assigned to
// the hour's variables by column keyword.
//
// A text record that cannot be an hour before the first hour of the period
// (a line of column titles, a short line) is passed over by reading the next
// line of the same file only, so that files with title lines stay aligned.

#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "run/ChainSupport.h"
#include "run/RunContext.h"
#include "run/StreetChain.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace vesk::run {

namespace {

// Thrown while converting an item that does not fit its column's type.
struct ItemMismatch {
    std::size_t column;
    std::string text;
};

} // namespace

std::optional<double> plainNumber(std::string_view text) {
    // The common short decimal ("12", "-3.5", "0.77"): at most 15 digits make
    // an integer below 2^53 and at most 22 decimals an exact power of ten, so
    // the one division is the correctly rounded value, as from_chars gives it.
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        i = 1;
    }
    std::uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false, simple = i < text.size();
    for (; simple && i < text.size(); ++i) {
        const char ch = text[i];
        if (ch >= '0' && ch <= '9') {
            digits = digits * 10 + static_cast<std::uint64_t>(ch - '0');
            ++count;
            decimals += point ? 1 : 0;
        } else if (ch == '.' && !point) {
            point = true;
        } else {
            simple = false;
        }
    }
    if (simple && count > 0 && count <= 15) {
        const double v = static_cast<double>(digits) / kPow10[decimals];
        return negative ? -v : v;
    }
    // Anything else a plain number may be ("1e3", long digit strings).
    double v = 0;
    const char *first = text.data();
    const char *last = first + text.size();
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
    return (c == 'n' || c == 'N' || c == '#') && isMissingText(text);
}

// The whole number of an item, from its plain number when it has one.
int intOf(std::string_view text, std::optional<double> v, std::size_t j) {
    if (!v) {
        v = parseNumber(text);
    }
    if (!v || std::abs(*v) > 2e9) {
        throw ItemMismatch{j, std::string(text)};
    }
    return static_cast<int>(roundHalfEven(*v));
}

void resetHour(RunContext &c) {
    State &s = c.s;
    c.items.reset(c.VehCatCount);
    s.hour = -99;
    s.u_mast = s.wind_dir = s.globalrad = s.temperature = s.h_mix = kMiss;
    s.speed_light = s.speed_heavy = s.nlight = s.nheavy = kMiss;
    for (std::vector<float> *v : {&s.cPOL_b, &s.cPOL_obs_1, &s.cPOL_obs_2, &s.cPOL_r, &s.qPOL}) {
        std::fill(v->begin(), v->end(), kMiss);
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

void assign(RunContext &c, const InColumn &col, std::size_t j, std::string_view raw) {
    State &s = c.s;
    HourItems &h = c.items;
    const std::string_view item = trimView(raw);
    // A missing item stays missing whatever the column's factor.
    const bool missing = missingItem(item);
    // Decimal commas read as points; only an item that has one is copied.
    std::string withPoints;
    std::string_view text = item;
    if (item.find(',') != std::string_view::npos) {
        withPoints.assign(item);
        std::replace(withPoints.begin(), withPoints.end(), ',', '.');
        text = withPoints;
    }
    const float f = col.factor;
    float value = kMiss;
    std::optional<double> plain;
    if (!missing) {
        plain = plainNumber(text);
        value = static_cast<float>((plain ? *plain : Val(text)) * f);
    }
    auto setAt = [](std::vector<float> &v, int p, float x) {
        if (p >= 0 && static_cast<std::size_t>(p) < v.size()) {
            v[static_cast<std::size_t>(p)] = x;
        }
    };
    switch (col.key) {
    case InKey::Date:
        if (!missing) {
            DateTimeParts d;
            if (!parseDateTimeText(text, &d) || d.year < 1000) {
                throw ItemMismatch{j, std::string(text)};
            }
            h.hasDate = true;
            h.dateValue = d;
            h.date = isoDate(d.year, d.month, d.day);
            if (d.hour != 0 || d.minute != 0) {
                h.date = isoDateTime(d.year, d.month, d.day, d.hour, d.minute);
            }
        }
        break;
    case InKey::Day:
        h.day = missing ? -99 : intOf(text, plain, j);
        break;
    case InKey::Month:
        h.month = missing ? -99 : intOf(text, plain, j);
        break;
    case InKey::Year:
        h.year = missing ? -99 : intOf(text, plain, j);
        break;
    case InKey::Hour:
        s.hour = missing ? -99 : static_cast<int>(roundHalfEven(intOf(text, plain, j) + 1.0 - f));
        break;
    case InKey::Minute:
        h.minute = missing ? -99 : intOf(text, plain, j);
        break;
    case InKey::DayOfWeek:
        h.dayofweek = missing ? -99 : static_cast<int>(roundHalfEven(Val(text)));
        break;
    case InKey::DayCase:
        h.daycase = missing ? -99 : intOf(text, plain, j);
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
        h.cloudcover = missing ? -99 : static_cast<int>(roundHalfEven(value));
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
        h.coldstart = missing ? 0.0f : value;
        break;
    case InKey::Ignore:
        break;
    case InKey::Unknown:
        c.err.ColumnIndex = static_cast<int>(j + 1);
        c.err.InColName = col.name;
        throw RunError(kErrInputItem, "Unknown input keyword " + col.name);
    }
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

// Reads one record of file in; false at the end of its data.
bool readRecord(RunContext &c, InputFile &in) {
    c.err.FileIndex = in.k;
    c.err.FilePath = in.path;
    c.err.InputFile = c.s.InputFiles[static_cast<std::size_t>(in.k)];
    c.err.InputIsText = !in.isTable;
    std::vector<std::string> owned;
    std::vector<std::string_view> &fields = in.fields;
    for (;;) {
        if (in.isTable) {
            if (in.row >= in.table.rows.size()) {
                return false;
            }
            const auto &row = in.table.rows[in.row++];
            owned.clear();
            for (std::size_t i = 0; i < row.size() && i < static_cast<std::size_t>(kMaxItems); ++i) {
                owned.push_back(cellText(row[i]));
            }
            fields.assign(owned.begin(), owned.end());
        } else {
            std::istream &is = *in.text;
            std::string &line = in.lineText;
            if (!std::getline(is, line)) {
                return false;
            }
            in.lineStart[0] = in.lineStart[1];
            in.lineStart[1] = in.position;
            in.position += static_cast<std::streamoff>(line.size()) + (is.eof() ? 0 : 1);
            ++in.line;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const bool plain =
                std::all_of(line.begin(), line.end(), [](char ch) { return (ch & 0x80) == 0 && ch != '"'; });
            if (plain) {
                splitRecordLine(line, c.s.DecimalSeparator != ",", in.buffer, fields);
            } else {
                owned = ReadListLine(toUtf8(line), c.s.DecimalSeparator);
                fields.assign(owned.begin(), owned.end());
            }
            if (fields.empty()) {
                return false; // an empty line ends the data
            }
            if (fields.size() < in.cols.size()) {
                if (c.NoHourYet) {
                    continue; // a title or short line before the first hour
                }
                throw RunError(kErrTooFewItems, "Line " + std::to_string(in.line) + " holds too few items");
            }
        }
        try {
            c.err.InItemsFlag = true;
            for (std::size_t j = 0; j < in.cols.size(); ++j) {
                assign(c, in.cols[j], j, fields[j]);
            }
            c.err.InItemsFlag = false;
            return true;
        } catch (const ItemMismatch &m) {
            if (c.NoHourYet && !in.isTable) {
                continue; // a line of column titles: take the next line of this file
            }
            c.err.ColumnIndex = static_cast<int>(m.column + 1);
            c.err.InColName = in.cols[m.column].name;
            c.err.ItemText = m.text;
            throw RunError(kErrTypeMismatch, "Type mismatch");
        }
    }
}

} // namespace

void splitRecordLine(std::string_view line, bool commaSeparates, std::string &buffer,
                     std::vector<std::string_view> &fields) {
    fields.clear();
    while (!line.empty() && line.front() == ' ') {
        line.remove_prefix(1);
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    buffer.assign(line);
    buffer += ' ';
    const std::string_view s = buffer;
    const std::size_t n = s.size();
    auto separates = [commaSeparates](char ch) {
        return ch == ' ' || ch == ';' || ch == '\t' || (commaSeparates && ch == ',');
    };
    std::size_t i = 0;
    while (n - i >= 2) {
        std::size_t p = i;
        while (!separates(s[p])) {
            ++p; // the blank at the end stops this
        }
        const char sep = s[p];
        fields.push_back(p == i ? std::string_view(" ") : s.substr(i, p - i));
        i = p + 1;
        while (i < n && s[i] == ' ') {
            ++i;
        }
        // A further separator right after this one belongs to the same separation.
        if (i < n && s[i] != ' ' && separates(s[i]) && s[i] != sep) {
            ++i;
            while (i < n && s[i] == ' ') {
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

bool readHour(RunContext &c) {
    resetHour(c);
    for (InputFile &in : c.inputs) {
        if (!readRecord(c, in)) {
            return false;
        }
    }
    c.err.InItemsFlag = false;
    return true;
}

} // namespace vesk::run
