// The date and time part of the formatter: date patterns, date serials and
// the reading of date and time texts.

#include "calc/FormatDetail.h"
#include "core/Calendar.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace vesk {

namespace format_detail {

const std::array<const char *, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
const std::array<const char *, 12> kMonthNames = {"January",   "February", "March",    "April",
                                                  "May",       "June",     "July",     "August",
                                                  "September", "October",  "November", "December"};

DateTimeParts fromSerial(double serial) {
    // A number beyond any calendar (not finite, or more days than the day
    // count can take safely) is no date: it reads as serial 0.
    if (!(std::fabs(serial) < 1e17)) {
        return DateTimeParts{};
    }
    double whole = std::floor(serial);
    long seconds = std::lround((serial - whole) * 86400.0);
    long days = static_cast<long>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    const CivilDate date = civilFromDays(days - kSerialDayOf1970);
    DateTimeParts t;
    t.year = date.year;
    t.month = date.month;
    t.day = date.day;
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

double toSerial(const DateTimeParts &t) {
    return static_cast<double>(daysFromCivil(t.year, t.month, t.day) + kSerialDayOf1970) +
           (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

std::string pad2(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

bool startsWithI(std::string_view s, std::size_t i, std::string_view what) {
    if (s.size() - i < what.size()) {
        return false;
    }
    for (std::size_t k = 0; k < what.size(); ++k) {
        if (std::tolower(static_cast<unsigned char>(s[i + k])) !=
            std::tolower(static_cast<unsigned char>(what[k]))) {
            return false;
        }
    }
    return true;
}

std::size_t runLength(std::string_view s, std::size_t i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    std::size_t n = 0;
    while (i + n < s.size() && std::tolower(static_cast<unsigned char>(s[i + n])) == c) {
        ++n;
    }
    return n;
}

std::string formatDateSection(const DateTimeParts &t, std::string_view p) {
    long days = daysFromCivil(t.year, t.month, t.day);
    int weekday = static_cast<int>(((days % 7) + 7 + 4) % 7) + 1; // 1970-01-01 was a Thursday; Sunday = 1
    long jan1 = daysFromCivil(t.year, 1, 1);
    int dayOfYear = static_cast<int>(days - jan1 + 1);
    int jan1Weekday = static_cast<int>(((jan1 % 7) + 7 + 4) % 7); // 0 = Sunday
    int week = (dayOfYear - 1 + jan1Weekday) / 7 + 1;
    bool ampm = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (startsWithI(p, i, "am/pm") || startsWithI(p, i, "a/p")) {
            ampm = true;
        }
    }
    std::string out;
    bool lastWasHour = false;
    for (std::size_t i = 0; i < p.size();) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
        std::size_t n = runLength(p, i);
        int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        int hourShown = ampm ? hour12 : t.hour;
        if (startsWithI(p, i, "am/pm")) {
            bool upper = p[i] == 'A';
            out += t.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            i += 5;
            continue;
        }
        if (startsWithI(p, i, "a/p")) {
            bool upper = p[i] == 'A';
            out += t.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
            i += 3;
            continue;
        }
        switch (c) {
        case 'd':
            if (n == 1) {
                out += std::to_string(t.day);
            } else if (n == 2) {
                out += pad2(t.day);
            } else if (n == 3) {
                out += std::string(kDayNames[weekday - 1]).substr(0, 3);
            } else if (n == 4) {
                out += kDayNames[weekday - 1];
            } else {
                out += pad2(t.day) + "-" + pad2(t.month) + "-" + std::to_string(t.year);
            }
            lastWasHour = false;
            break;
        case 'w':
            out += std::to_string(n == 1 ? weekday : week);
            break;
        case 'm':
            if (n <= 2 && lastWasHour) {
                out += n == 1 ? std::to_string(t.minute) : pad2(t.minute);
            } else if (n == 1) {
                out += std::to_string(t.month);
            } else if (n == 2) {
                out += pad2(t.month);
            } else if (n == 3) {
                out += std::string(kMonthNames[t.month - 1]).substr(0, 3);
            } else {
                out += kMonthNames[t.month - 1];
            }
            lastWasHour = false;
            break;
        case 'q':
            out += std::to_string((t.month - 1) / 3 + 1);
            break;
        case 'y':
            if (n == 1) {
                out += std::to_string(dayOfYear);
            } else if (n <= 3) {
                out += pad2(((t.year % 100) + 100) % 100);
                if (n == 3) {
                    out += std::to_string(dayOfYear);
                }
            } else {
                char b[16];
                std::snprintf(b, sizeof b, "%04d", t.year);
                out += b;
            }
            break;
        case 'h':
            out += n == 1 ? std::to_string(hourShown) : pad2(hourShown);
            lastWasHour = true;
            i += n;
            continue;
        case 'n':
            out += n == 1 ? std::to_string(t.minute) : pad2(t.minute);
            break;
        case 's':
            out += n == 1 ? std::to_string(t.second) : pad2(t.second);
            break;
        case 'c':
            out += pad2(t.day) + "-" + pad2(t.month) + "-" + std::to_string(t.year);
            if (t.hour || t.minute || t.second) {
                out += " " + pad2(t.hour) + ":" + pad2(t.minute) + ":" + pad2(t.second);
            }
            break;
        case '"': {
            auto end = p.find('"', i + 1);
            if (end == std::string_view::npos) {
                end = p.size();
            }
            out += p.substr(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        case '\\':
            if (i + 1 < p.size()) {
                out += p[i + 1];
            }
            i += 2;
            continue;
        default:
            out += p[i];
            i += 1;
            continue;
        }
        i += n;
    }
    return out;
}

std::string formatText(std::string_view text, std::string_view p) {
    // The pattern taken apart: placeholders ("@" a character or a blank, "&"
    // a character or nothing) and the literal text between them. "!" anywhere
    // fills from the left; of "<" and ">" the last one sets the case.
    struct Piece {
        char slot = 0; // '@', '&' or 0 for a literal
        std::string literal;
    };
    std::vector<Piece> pieces;
    bool fromLeft = false;
    char letterCase = 0;
    auto literal = [&](std::string_view t) {
        if (pieces.empty() || pieces.back().slot != 0) {
            pieces.emplace_back();
        }
        pieces.back().literal += t;
    };
    std::size_t slots = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '@' || c == '&') {
            pieces.push_back({c, {}});
            ++slots;
        } else if (c == '!') {
            fromLeft = true;
        } else if (c == '<' || c == '>') {
            letterCase = c;
        } else if (c == '\\' && i + 1 < p.size()) {
            literal(p.substr(++i, 1));
        } else if (c == '"') {
            auto end = p.find('"', i + 1);
            if (end == std::string_view::npos) {
                end = p.size();
            }
            literal(p.substr(i + 1, end - i - 1));
            i = end;
        } else {
            literal(p.substr(i, 1));
        }
    }
    std::string s(text);
    if (letterCase != 0) {
        std::transform(s.begin(), s.end(), s.begin(), [&](unsigned char ch) {
            return static_cast<char>(letterCase == '<' ? std::tolower(ch) : std::toupper(ch));
        });
    }
    // The text by characters (UTF-8), so that a placeholder never splits one.
    std::vector<std::string_view> chars;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = 1;
        while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) {
            ++n;
        }
        chars.emplace_back(s.data() + i, n);
        i += n;
    }
    // A text shorter than the placeholders fills them from the right (or from
    // the left with "!"); a longer one fills them from the left and the rest
    // of it follows at the end.
    const std::size_t len = chars.size();
    const std::size_t first = len < slots && !fromLeft ? slots - len : 0; // slot of the first character
    std::string out;
    std::size_t slot = 0;
    for (const auto &piece : pieces) {
        if (piece.slot == 0) {
            out += piece.literal;
            continue;
        }
        if (slot >= first && slot - first < len) {
            out += chars[slot - first];
        } else if (piece.slot == '@') {
            out += ' ';
        }
        ++slot;
    }
    for (std::size_t k = slots; k < len; ++k) {
        out += chars[k];
    }
    return out;
}

} // namespace format_detail

using format_detail::fromSerial;
using format_detail::toSerial;

bool parseDateTimeText(std::string_view text, DateTimeParts *value) {
    std::string s(text);
    auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) {
        return false;
    }
    s = s.substr(b, s.find_last_not_of(' ') - b + 1);
    auto readInt = [&](std::size_t &i, int maxDigits, int *out) {
        std::size_t start = i;
        int v = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) &&
               static_cast<int>(i - start) < maxDigits) {
            v = v * 10 + (s[i] - '0');
            ++i;
        }
        *out = v;
        return static_cast<int>(i - start);
    };
    DateTimeParts t;
    std::size_t i = 0;
    bool hasDate = false;
    int a = 0, bpart = 0, c = 0;
    std::size_t save = i;
    int na = readInt(i, 4, &a);
    if (na > 0 && i < s.size() && (s[i] == '-' || s[i] == '.' || s[i] == '/')) {
        char sep = s[i++];
        int nb = readInt(i, 2, &bpart);
        if (nb == 0 || i >= s.size() || s[i] != sep) {
            return false;
        }
        ++i;
        int nc = readInt(i, 4, &c);
        if (na == 4 && sep == '-' && nc >= 1 && nc <= 2) {
            t.year = a, t.month = bpart, t.day = c;
        } else if (na <= 2 && nc == 4) {
            t.day = a, t.month = bpart, t.year = c;
        } else {
            return false;
        }
        hasDate = true;
        while (i < s.size() && (s[i] == ' ' || s[i] == 'T')) {
            ++i;
        }
        save = i;
    } else {
        i = save;
    }
    if (i < s.size()) {
        int h = 0, m = 0, sec = 0;
        if (readInt(i, 2, &h) == 0 || i >= s.size() || s[i] != ':') {
            return false;
        }
        ++i;
        if (readInt(i, 2, &m) != 2) {
            return false;
        }
        if (i < s.size() && s[i] == ':') {
            ++i;
            if (readInt(i, 2, &sec) != 2) {
                return false;
            }
        }
        if (i != s.size() || h > 24 || m > 59 || sec > 59) {
            return false;
        }
        t.hour = h, t.minute = m, t.second = sec;
    } else if (!hasDate) {
        return false;
    }
    if (hasDate) {
        if (!isRealDate(t.year, t.month, t.day)) {
            return false;
        }
    }
    if (t.hour == 24) { // hour 24:00 is the start of the next day
        t = fromSerial(toSerial(DateTimeParts{t.year, t.month, t.day, 0, t.minute, t.second}) + 1.0);
    }
    *value = t;
    return true;
}

} // namespace vesk
