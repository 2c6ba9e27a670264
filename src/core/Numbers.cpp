#include "core/Numbers.h"

#include "core/TextIO.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace vesk {

namespace {

// Parses sign, digits, point, digits and exponent from the start of s.
// Returns the number of characters used (0 = no number).
size_t scanNumber(std::string_view s, double *value) {
    std::string buf;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        buf += s[i++];
    }
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        buf += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        buf += s[i++];
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            buf += s[i++];
            digits = true;
        }
    }
    if (!digits) {
        return 0;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exp += s[j++];
        }
        bool expDigits = false;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
            exp += s[j++];
            expDigits = true;
        }
        if (expDigits) {
            buf += exp;
            i = j;
        }
    }
    // strtod handles forms like "5." and ".5" that from_chars may not.
    *value = std::strtod(buf.c_str(), nullptr);
    return i;
}

} // namespace

double Val(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            compact += c;
        }
    }
    double v = 0.0;
    if (scanNumber(compact, &v) == 0) {
        return 0.0;
    }
    return v;
}

double typedNumber(std::string_view text) {
    std::string s(text);
    for (char &c : s) {
        if (c == ',') {
            c = '.';
        }
    }
    return Val(s);
}

std::optional<double> parseNumber(std::string_view text) {
    std::string s = trim(text);
    for (char &c : s) {
        if (c == ',') {
            c = '.';
        }
    }
    if (s.empty()) {
        return std::nullopt;
    }
    double v = 0.0;
    const size_t used = scanNumber(s, &v);
    if (used == 0 || used != s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

long roundHalfEven(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= static_cast<double>(LONG_MAX)) {
        return LONG_MAX;
    }
    if (v <= static_cast<double>(LONG_MIN)) {
        return LONG_MIN;
    }
    const double f = std::floor(v);
    const double diff = v - f;
    double r;
    if (diff < 0.5) {
        r = f;
    } else if (diff > 0.5) {
        r = f + 1.0;
    } else {
        r = (std::fmod(f, 2.0) == 0.0) ? f : f + 1.0;
    }
    return static_cast<long>(r);
}

bool isMissingText(std::string_view text) {
    const char *blanks = " \t\r\n";
    const auto b = text.find_first_not_of(blanks);
    if (b == std::string_view::npos) {
        return true;
    }
    const std::string_view t = text.substr(b, text.find_last_not_of(blanks) - b + 1);
    return iequals(t, "na") || iequals(t, "n/a") || iequals(t, "#n/a");
}

} // namespace vesk
