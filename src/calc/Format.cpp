// The number part of the formatter: decimal digits and their rounding,
// number patterns taken apart into sections and placeholders, and the plain
// form of a number.

#include "calc/Format.h"
#include "calc/FormatDetail.h"
#include "calc/PlainNumber.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vesk {

namespace {

// A decimal number: 0.digits x 10^point, i.e. `point` digits before the
// decimal point (may be negative or beyond the digits).
struct Decimal {
    bool negative = false;
    std::string digits; // no leading zeros; empty = zero
    int point = 0;
};

// The significant digits of a number, written into a buffer of their own
// (no text is made for them on the way from the number to a cell).
constexpr int kMaxDigits = 64;
struct Digits {
    char text[kMaxDigits + 16]; // room for a fixed-size copy of up to 16 digits from any place
    int count = 0;
    int point = 0; // digits before the decimal point
};

// Writes the `count` lowest decimal digits of m into to[0..count), two at a
// time from a table: one division by 100 instead of two by 10 (this runs for
// every number of every output row).
void writeDigitsFromRight(std::uint64_t m, int count, char *to) {
    static constexpr char kPairs[] = "00010203040506070809"
                                     "10111213141516171819"
                                     "20212223242526272829"
                                     "30313233343536373839"
                                     "40414243444546474849"
                                     "50515253545556575859"
                                     "60616263646566676869"
                                     "70717273747576777879"
                                     "80818283848586878889"
                                     "90919293949596979899";
    int i = count;
    // Up to nine digits fit 32-bit arithmetic, whose division by 100 is cheaper.
    auto write = [&](auto n) {
        while (i >= 2) {
            const auto pair = static_cast<std::size_t>(n % 100) * 2;
            n /= 100;
            to[--i] = kPairs[pair + 1];
            to[--i] = kPairs[pair];
        }
        if (i == 1) {
            to[0] = static_cast<char>('0' + n % 10);
        }
    };
    if (count <= 9) {
        write(static_cast<std::uint32_t>(m));
    } else {
        write(m);
    }
}

// The decimal digits of v > 0 (finite) rounded to `significant` digits by the
// exact value, from std::to_chars.
void exactDigits(double v, int significant, Digits *d) {
    char buf[80];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, significant - 1);
    // "d.ddddde+XX": the digits without the point, and the exponent.
    const char *p = buf;
    d->count = 0;
    for (; p < res.ptr && *p != 'e'; ++p) {
        if (*p != '.' && d->count < kMaxDigits) {
            d->text[d->count++] = *p;
        }
    }
    int exp = 0;
    bool expNegative = false;
    for (++p; p < res.ptr; ++p) {
        if (*p == '-') {
            expNegative = true;
        } else if (*p >= '0' && *p <= '9') {
            exp = exp * 10 + (*p - '0');
        }
    }
    d->point = (expNegative ? -exp : exp) + 1;
}

// The same digits by one scaling in double precision, the common case of the
// output files. v x 10^k is formed with an exact power of ten, so it is
// rounded once, and rounding keeps order: the product lies on the same side
// of every n + 0.5 below 2^52 (and of every power of ten) as the exact value
// does, and is that n + 0.5 only when the exact value is or nearly is. Such a
// tie, and a scale beyond the exact powers of ten, give false: the caller
// takes the exact route. significant: 1..15.
bool scaledDigits(double v, int significant, Digits *d) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr int kMaxPow = 22;
    if (significant < 1 || significant > 15) {
        return false;
    }
    const double low = kPow10[significant - 1];
    const double high = kPow10[significant];
    auto scaled = [&](int e, double *x) {
        const int k = significant - 1 - e;
        if (k > kMaxPow || k < -kMaxPow) {
            return false;
        }
        *x = k >= 0 ? v * kPow10[k] : v / kPow10[-k];
        return true;
    };
    // The decimal exponent from the binary one: exact or one too small,
    // corrected below. The binary exponent is taken from the bits of a
    // normal number rather than by a call (this runs for every cell).
    // floor(b log10 2) is (b x 315653) >> 20 for |b| <= 2620, and C++20
    // shifts a negative number arithmetically, as a floor.
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const int binary = biased != 0 ? biased - 1023 : std::ilogb(v);
    int e = (binary * 315653) >> 20;
    double x = 0;
    if (!scaled(e, &x)) {
        return false;
    }
    if (x < low || x >= high) {
        e += x < low ? -1 : 1;
        if (!scaled(e, &x) || x < low || x >= high) {
            return false;
        }
    }
    // x < 1e15: the conversion to an integer is the floor, without a call.
    double n = static_cast<double>(static_cast<std::uint64_t>(x));
    const double rest = x - n; // exact, as n >= x / 2
    if (rest == 0.5) {
        return false;
    }
    if (rest > 0.5) {
        n += 1.0;
    }
    if (n >= high) { // 9999999.7 -> 10000000
        n = low;
        ++e;
    }
    // n has exactly `significant` digits: written from the right, without
    // first working out how many there are.
    writeDigitsFromRight(static_cast<std::uint64_t>(n), significant, d->text);
    d->count = significant;
    d->point = e + 1;
    return true;
}

// The digits of |v| (finite, not 0) without trailing zeros.
void digitsOf(double v, int significant, bool exactRoute, Digits *d) {
    v = std::fabs(v);
    if (exactRoute || !scaledDigits(v, significant, d)) {
        exactDigits(v, significant, d);
    }
    while (d->count > 0 && d->text[d->count - 1] == '0') {
        --d->count;
    }
}

} // namespace

std::string format_detail::decimalDigits(double v, int significant, bool exactRoute, int *point) {
    Digits d;
    digitsOf(v, significant, exactRoute, &d);
    *point = d.point;
    return std::string(d.text, static_cast<std::size_t>(d.count));
}

namespace {

Decimal toDecimal(double v, int significant) {
    Decimal d;
    d.negative = std::signbit(v) && v != 0;
    if (v != 0 && std::isfinite(v)) {
        d.digits = format_detail::decimalDigits(v, significant, false, &d.point);
    }
    return d;
}

Decimal toDecimal(long v) {
    Decimal d;
    d.negative = v < 0;
    std::string s = std::to_string(v);
    if (d.negative) {
        s.erase(0, 1);
    }
    if (s == "0") {
        return d;
    }
    d.point = static_cast<int>(s.size());
    while (!s.empty() && s.back() == '0') {
        s.pop_back();
    }
    d.digits = s;
    return d;
}

// Rounds half away from zero to `frac` decimals; gives the integer digits
// (no leading zeros) and exactly `frac` fraction digits.
void roundDecimal(const Decimal &d, int frac, std::string *intPart, std::string *fracPart) {
    std::string s = d.digits;
    int point = d.point;
    if (point < 0) {
        s.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
    }
    if (static_cast<int>(s.size()) < point + frac + 1) {
        s.resize(static_cast<std::size_t>(point + frac + 1), '0');
    }
    bool up = s[static_cast<std::size_t>(point + frac)] >= '5';
    s.resize(static_cast<std::size_t>(point + frac));
    if (up) {
        int i = static_cast<int>(s.size()) - 1;
        for (; i >= 0; --i) {
            if (s[static_cast<std::size_t>(i)] == '9') {
                s[static_cast<std::size_t>(i)] = '0';
            } else {
                ++s[static_cast<std::size_t>(i)];
                break;
            }
        }
        if (i < 0) {
            s.insert(0, "1");
            ++point;
        }
    }
    *intPart = s.substr(0, static_cast<std::size_t>(point));
    *fracPart = s.substr(static_cast<std::size_t>(point));
    auto nz = intPart->find_first_not_of('0');
    intPart->erase(0, nz == std::string::npos ? intPart->size() : nz);
}

bool isZero(const std::string &a, const std::string &b) {
    return a.find_first_not_of('0') == std::string::npos && b.find_first_not_of('0') == std::string::npos;
}

// Splits a pattern into sections at ";" outside quotes.
std::vector<std::string> sections(std::string_view pattern) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == '\\' && !quoted && i + 1 < pattern.size()) {
            out.back() += c;
            c = pattern[++i];
        } else if (c == ';' && !quoted) {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

enum class Tok { Literal, Zero, Hash, Point, Comma, Percent, Exp };
struct Token {
    Tok kind;
    std::string text; // literal text; for Exp: "E+", "e-", ...
};

std::vector<Token> numberTokens(const std::string &sec) {
    std::vector<Token> t;
    for (std::size_t i = 0; i < sec.size(); ++i) {
        char c = sec[i];
        switch (c) {
        case '0':
            t.push_back({Tok::Zero, {}});
            break;
        case '#':
            t.push_back({Tok::Hash, {}});
            break;
        case '.':
            t.push_back({Tok::Point, {}});
            break;
        case ',':
            // A comma followed by a blank is a literal: "###, ###" writes "123, 456".
            t.push_back(i + 1 < sec.size() && sec[i + 1] == ' ' ? Token{Tok::Literal, ","}
                                                                : Token{Tok::Comma, {}});
            break;
        case '%':
            t.push_back({Tok::Percent, {}});
            break;
        case '"': {
            auto end = sec.find('"', i + 1);
            if (end == std::string::npos) {
                end = sec.size();
            }
            t.push_back({Tok::Literal, sec.substr(i + 1, end - i - 1)});
            i = end;
            break;
        }
        case '\\':
            if (i + 1 < sec.size()) {
                t.push_back({Tok::Literal, std::string(1, sec[++i])});
            }
            break;
        case 'E':
        case 'e':
            if (i + 1 < sec.size() && (sec[i + 1] == '+' || sec[i + 1] == '-')) {
                t.push_back({Tok::Exp, sec.substr(i, 2)});
                ++i;
                break;
            }
            [[fallthrough]];
        default:
            t.push_back({Tok::Literal, std::string(1, c)});
        }
    }
    return t;
}

bool isDigitTok(const Token &t) {
    return t.kind == Tok::Zero || t.kind == Tok::Hash;
}

// A number section taken apart once: its tokens and where the integer,
// fraction and exponent placeholders stand. Every placeholder from the first
// "0" of the integer part to the point, and from the point to the last "0" of
// the fraction, writes a digit, "#" or not: intRequired and fracRequired
// count them ("000###" has 6, "#0.#0#" has 1 and 2).
struct NumberLayout {
    bool empty = true;
    std::vector<Token> toks;
    int pointAt = -1, expAt = -1, mantEnd = 0, intEnd = 0;
    std::vector<int> intPos, fracPos, expPos;
    std::size_t intRequired = 0, fracRequired = 0;
    bool grouping = false, percent = false;
    int scale = 0;
    std::vector<bool> silent;
};

NumberLayout numberLayout(const std::string &sec) {
    NumberLayout L;
    L.empty = sec.empty();
    auto toks = numberTokens(sec);
    int pointAt = -1, expAt = -1;
    for (int i = 0; i < static_cast<int>(toks.size()); ++i) {
        if (toks[i].kind == Tok::Point && pointAt < 0 && expAt < 0) {
            pointAt = i;
        } else if (toks[i].kind == Tok::Exp && expAt < 0) {
            expAt = i;
        }
    }
    int mantEnd = expAt < 0 ? static_cast<int>(toks.size()) : expAt;
    int intEnd = pointAt < 0 ? mantEnd : pointAt;
    std::vector<int> intPos, fracPos, expPos;
    for (int i = 0; i < static_cast<int>(toks.size()); ++i) {
        if (!isDigitTok(toks[i])) {
            continue;
        }
        (i < intEnd ? intPos : i < mantEnd ? fracPos : expPos).push_back(i);
    }
    // Commas: grouping between integer placeholders, scaling right after them.
    bool grouping = false;
    int scale = 0;
    std::vector<bool> silent(toks.size(), false);
    if (!intPos.empty()) {
        for (int i = intPos.front(); i < intEnd; ++i) {
            if (toks[i].kind != Tok::Comma) {
                continue;
            }
            silent[i] = true;
            if (i < intPos.back()) {
                grouping = true;
            } else {
                ++scale;
            }
        }
    }
    for (std::size_t k = 0; k < intPos.size(); ++k) {
        if (toks[intPos[k]].kind == Tok::Zero) {
            L.intRequired = intPos.size() - k;
            break;
        }
    }
    for (std::size_t k = fracPos.size(); k > 0; --k) {
        if (toks[fracPos[k - 1]].kind == Tok::Zero) {
            L.fracRequired = k;
            break;
        }
    }
    bool percent =
        std::any_of(toks.begin(), toks.end(), [](const Token &t) { return t.kind == Tok::Percent; });
    L.toks = std::move(toks);
    L.pointAt = pointAt;
    L.expAt = expAt;
    L.mantEnd = mantEnd;
    L.intEnd = intEnd;
    L.intPos = std::move(intPos);
    L.fracPos = std::move(fracPos);
    L.expPos = std::move(expPos);
    L.grouping = grouping;
    L.percent = percent;
    L.scale = scale;
    L.silent = std::move(silent);
    return L;
}

void appendNumberSection(Decimal d, const NumberLayout &L, bool signShown, std::string &out) {
    const auto &toks = L.toks;
    const int pointAt = L.pointAt, expAt = L.expAt, mantEnd = L.mantEnd;
    const auto &intPos = L.intPos;
    const auto &fracPos = L.fracPos;
    const auto &expPos = L.expPos;
    const bool grouping = L.grouping, percent = L.percent;
    const int scale = L.scale;
    const auto &silent = L.silent;
    if (!d.digits.empty()) {
        d.point += (percent ? 2 : 0) - 3 * scale;
    }
    const int nFrac = static_cast<int>(fracPos.size());
    std::string ip, fp;
    long exponent = 0;
    if (expAt >= 0) {
        // With no integer placeholder the mantissa is below 1: ".4711E+2".
        const int nInt = static_cast<int>(intPos.size());
        if (!d.digits.empty()) {
            exponent = d.point - nInt;
            d.point = nInt;
        }
        roundDecimal(d, nFrac, &ip, &fp);
        if (static_cast<int>(ip.size()) > nInt) { // 9.99 -> 10.0: one more in the exponent
            d.point -= 1;
            exponent += 1;
            roundDecimal(d, nFrac, &ip, &fp);
        }
    } else {
        roundDecimal(d, nFrac, &ip, &fp);
    }
    bool negative = d.negative && !isZero(ip, fp) && signShown;

    // The integer part: placeholders from the first "0" on are required.
    const std::size_t required = L.intRequired;
    std::vector<std::string> atTok(toks.size());
    if (grouping) {
        std::string digits = ip;
        if (digits.size() < required) {
            digits.insert(0, required - digits.size(), '0');
        }
        std::string grouped;
        for (std::size_t k = 0; k < digits.size(); ++k) {
            if (k > 0 && (digits.size() - k) % 3 == 0) {
                grouped += ',';
            }
            grouped += digits[k];
        }
        atTok[intPos.front()] = grouped;
    } else if (!intPos.empty()) {
        int di = static_cast<int>(ip.size()) - 1;
        for (int k = static_cast<int>(intPos.size()) - 1; k >= 0; --k) {
            auto &out = atTok[intPos[k]];
            if (di >= 0) {
                out = std::string(1, ip[static_cast<std::size_t>(di--)]);
            } else if (static_cast<std::size_t>(intPos.size() - k) <= required) {
                out = "0";
            }
            if (k == 0 && di >= 0) {
                out.insert(0, ip.substr(0, static_cast<std::size_t>(di + 1)));
            }
        }
    }
    // The fraction: a "#" after the last "0" shows a digit only when a
    // significant digit follows.
    int shown = static_cast<int>(L.fracRequired);
    for (int k = shown; k < nFrac; ++k) {
        if (fp[static_cast<std::size_t>(k)] != '0') {
            shown = k + 1;
        }
    }
    for (int k = 0; k < shown; ++k) {
        atTok[fracPos[k]] = std::string(1, fp[static_cast<std::size_t>(k)]);
    }
    // The exponent.
    if (expAt >= 0) {
        std::string e = std::to_string(std::labs(exponent));
        std::size_t minDigits = 0;
        for (int p : expPos) {
            minDigits += toks[p].kind == Tok::Zero ? 1 : 0;
        }
        if (e.size() < minDigits) {
            e.insert(0, minDigits - e.size(), '0');
        }
        // With no digit placeholder after it the exponent still writes its
        // digits: "0.00E+" gives "1.23E+4".
        std::string sign = exponent < 0 ? "-" : (toks[expAt].text[1] == '+' ? "+" : "");
        atTok[expAt] = std::string(1, toks[expAt].text[0]) + sign + e;
        for (int p : expPos) {
            atTok[p].clear();
        }
    }
    if (negative) {
        out += '-';
    }
    bool intWritten = false;
    for (std::size_t i = 0; i < toks.size(); ++i) {
        const auto &t = toks[i];
        // With no integer placeholder the integer digits stand before the point.
        if (intPos.empty() && !intWritten && (t.kind == Tok::Point || static_cast<int>(i) == mantEnd)) {
            out += ip;
            intWritten = true;
        }
        switch (t.kind) {
        case Tok::Literal:
            out += t.text;
            break;
        case Tok::Point:
            out += static_cast<int>(i) == pointAt ? "." : "";
            break;
        case Tok::Comma:
            out += silent[i] ? "" : ",";
            break;
        case Tok::Percent:
            out += '%';
            break;
        default:
            out += atTok[i];
        }
    }
}

} // namespace

struct format_detail::NumberPattern {
    std::vector<NumberLayout> sections;
};

namespace {

void appendDecimal(const Decimal &d, const format_detail::NumberPattern &pattern, std::string &out) {
    const auto &secs = pattern.sections;
    bool zero = d.digits.empty();
    if (zero && secs.size() >= 3 && !secs[2].empty) {
        appendNumberSection(d, secs[2], false, out);
    } else if (d.negative && secs.size() >= 2 && !secs[1].empty) {
        Decimal a = d;
        a.negative = false;
        appendNumberSection(a, secs[1], false, out);
    } else {
        appendNumberSection(d, secs[0], true, out);
    }
}

} // namespace

std::shared_ptr<const format_detail::NumberPattern> format_detail::numberPattern(std::string_view pattern) {
    auto compiled = std::make_shared<NumberPattern>();
    for (const auto &sec : sections(pattern)) {
        compiled->sections.push_back(numberLayout(sec));
    }
    return compiled;
}

void format_detail::appendNumber(const NumberPattern &pattern, double v, int significant, std::string &out) {
    appendDecimal(toDecimal(v, significant), pattern, out);
}

void format_detail::appendNumber(const NumberPattern &pattern, long v, std::string &out) {
    appendDecimal(toDecimal(v), pattern, out);
}

bool format_detail::wholeNumber(std::string_view t, double *v) {
    const auto b = t.find_first_not_of(' ');
    if (b == std::string_view::npos) {
        return false;
    }
    const std::string_view s = t.substr(b, t.find_last_not_of(' ') - b + 1);
    std::size_t i = 0;
    if (s[i] == '+' || s[i] == '-') {
        ++i;
    }
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        ++i;
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            ++i;
            digits = true;
        }
    }
    if (digits && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        bool expDigits = false;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            ++j;
            expDigits = true;
        }
        if (expDigits) {
            i = j;
        }
    }
    if (!digits || i != s.size()) {
        return false;
    }
    *v = std::strtod(std::string(s).c_str(), nullptr); // the view need not end in a NUL
    return true;
}

namespace {

// Copies a few characters: the digits of a cell are too short for a call of
// memmove to pay.
char *copyChars(const char *from, const char *end, char *to) {
    while (from < end) {
        *to++ = *from++;
    }
    return to;
}

// Copies `count` digits of a Digits buffer to `to`, which has room for 16
// more characters: up to 16 as one fixed-size copy (two moves, no call).
char *copyDigits(const char *from, int count, char *to) {
    if (count <= 16) {
        std::memcpy(to, from, 16);
        return to + count;
    }
    return copyChars(from, from + count, to);
}

// Copies n bytes: up to 16 by two fixed-size moves that may overlap (no
// call, nothing read or written beyond the n bytes), longer ones by memcpy.
void copyShort(const char *from, std::size_t n, char *to) {
    if (n >= 8 && n <= 16) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4 && n < 8) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 16) {
        std::memcpy(to, from, n);
    } else {
        for (std::size_t k = 0; k < n; ++k) {
            to[k] = from[k];
        }
    }
}

char *fillChars(char *to, int count, char c) {
    for (; count > 0; --count) {
        *to++ = c;
    }
    return to;
}

} // namespace

char *writePlainNumber(double value, int significant, char *to) {
    if (value == 0 || !std::isfinite(value)) {
        *to++ = '0';
        return to;
    }
    Digits d;
    digitsOf(value, significant, false, &d);
    // The digits (at most 64), a sign, a point and an exponent, or three
    // zeros after the point, or zeros up to `significant` digits before it.
    if (std::signbit(value)) {
        *to++ = '-';
    }
    const int exp = d.point - 1;
    if (exp < -4 || exp >= significant) {
        *to++ = d.text[0];
        if (d.count > 1) {
            *to++ = '.';
            to = copyDigits(d.text + 1, d.count - 1, to);
        }
        *to++ = 'E';
        *to++ = exp < 0 ? '-' : '+';
        const int e = std::abs(exp);
        if (e < 10) {
            *to++ = '0';
        }
        to = std::to_chars(to, to + 8, e).ptr;
    } else if (d.point <= 0) {
        // All digits are shown: "0.000123", "1234.5", "1200".
        *to++ = '0';
        *to++ = '.';
        to = fillChars(to, -d.point, '0');
        to = copyDigits(d.text, d.count, to);
    } else if (d.point >= d.count) {
        to = copyDigits(d.text, d.count, to);
        to = fillChars(to, d.point - d.count, '0');
    } else {
        to = copyDigits(d.text, d.point, to);
        *to++ = '.';
        to = copyDigits(d.text + d.point, d.count - d.point, to);
    }
    return to;
}

void format_detail::appendPlainNumber(double value, int significant, std::string &out) {
    // Put together in a buffer and appended at once.
    char text[kPlainNumberChars];
    out.append(text, static_cast<std::size_t>(writePlainNumber(value, significant, text) - text));
}

std::string plainNumberText(double value, int significant) {
    std::string out;
    format_detail::appendPlainNumber(value, significant, out);
    return out;
}

std::string printNumberText(float value) {
    std::string s = plainNumberText(value, 7);
    bool negative = s.front() == '-';
    if (negative) {
        s.erase(0, 1);
    }
    if (s.size() > 1 && s[0] == '0' && s[1] == '.') {
        s.erase(0, 1);
    }
    return (negative ? "-" : " ") + s + " ";
}

namespace {

// The characters of a UTF-8 text. Most cells are plain ASCII, checked eight
// bytes at a time: then bytes and characters agree.
int characterCount(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t chunk = 0;
        std::memcpy(&chunk, text.data() + i, 8);
        if ((chunk & 0x8080808080808080ull) != 0) {
            break;
        }
    }
    for (; i < text.size() && static_cast<unsigned char>(text[i]) < 0x80; ++i) {
    }
    int chars = static_cast<int>(i);
    for (; i < text.size(); ++i) {
        chars += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 ? 1 : 0;
    }
    return chars;
}

} // namespace

std::size_t writeCell(std::string &row, std::size_t at, std::string_view text, int width, bool firstCell,
                      std::string_view separator, bool ascii) {
    const bool separated = width <= 0 && !firstCell;
    const int w = width < 0 ? -width : width;
    // Characters, not bytes, count for the width.
    const int chars = ascii ? static_cast<int>(text.size()) : characterCount(text);
    // A text that fills its field would run into the one before it.
    const int pad = w > chars ? w - chars : (width > 0 && !firstCell ? 1 : 0);
    const std::size_t size = (separated ? separator.size() : 0) + static_cast<std::size_t>(pad) + text.size();
    // The row is written in place through a pointer (this runs for every
    // cell of every output row); it grows only when the cell does not fit,
    // which for a reused row happens in its first hours only.
    if (row.size() < at + size) {
        row.resize(std::max(at + size, 2 * row.size()));
    }
    char *to = row.data() + at;
    if (separated) {
        to = copyChars(separator.data(), separator.data() + separator.size(), to);
    }
    to = fillChars(to, pad, ' ');
    copyShort(text.data(), text.size(), to);
    return at + size;
}

void appendCell(std::string &row, std::string_view text, int width, bool firstCell,
                std::string_view separator) {
    row.resize(writeCell(row, row.size(), text, width, firstCell, separator));
}

} // namespace vesk
