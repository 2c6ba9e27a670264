#pragma once

// A broad sweep of patterns and values through the formatter, boiled down to
// one digest per pattern and kind of value. The digests pinned in
// CompiledFormatTest were taken with the formatter as it stood before output
// columns compiled their patterns, so that any change in any text shows.

#include "calc/Format.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::format_sweep {

// Every kind of pattern the language has: plain, placeholders, rounding,
// grouping and scaling commas, percent, exponents, literals, sections, the
// rules of the zeros, text and date patterns and the named formats.
inline const std::vector<const char *> &patterns() {
    static const std::vector<const char *> p = {"",
                                                "0",
                                                "0.0",
                                                "0.00",
                                                "0.000",
                                                "#",
                                                "#.##",
                                                "#,##0",
                                                "#,##0.00",
                                                "0,",
                                                "0.0,,",
                                                "#,##0,",
                                                "0%",
                                                "0.00%",
                                                "0.00E+00",
                                                "0.00E-00",
                                                "0.0000e+1",
                                                "0.0000e-1",
                                                "0.00E+",
                                                ".0000E+0",
                                                "##0.0E+0",
                                                "0.0000e+0#",
                                                "000###",
                                                "#0.#0#0#0#0#",
                                                "0#.0#0#0#0#0",
                                                "0.#0",
                                                "0.0#",
                                                "###, ###, ###",
                                                "0.0 \"ug/m3\"",
                                                "\\<0.0\\>",
                                                "0.0;(0.0)",
                                                "0.0;(0.0);\"zero\"",
                                                "0;-0;\"-\"",
                                                "+0.0;-0.0;;",
                                                "$#,##0.00",
                                                "0.00 \\%",
                                                "\"text\"",
                                                "x",
                                                "@@@@@@",
                                                "&&&&",
                                                "!@@@",
                                                "<&&&>&",
                                                "Fixed",
                                                "standard",
                                                "CURRENCY",
                                                "Percent",
                                                "Scientific",
                                                "General Number",
                                                "Yes/No",
                                                "True/False",
                                                "On/Off",
                                                "dd-mm-yy  hh",
                                                "yyyy-mm-dd hh:nn",
                                                "dd.mm.yyyy",
                                                "d/m/yy h:n:s",
                                                "A/P",
                                                "hh:nn AM/PM",
                                                "ddd dddd mmm mmmm q w ww",
                                                "Short Date",
                                                "Long Date",
                                                "Medium Date",
                                                "General Date",
                                                "Long Time",
                                                "Medium Time",
                                                "Short Time",
                                                "c"};
    return p;
}

// Zeros of both signs, halves at every scale, the missing-value marker, huge
// and tiny numbers, NaN and the infinities, and date serials.
inline const std::vector<double> &doubles() {
    static const std::vector<double> v = [] {
        std::vector<double> d = {0.0,        -0.0,          1,
                                 -1,         0.5,           -0.5,
                                 1.5,        2.5,           -2.5,
                                 0.05,       0.15,          0.25,
                                 -0.25,      0.45,          1.005,
                                 1.045,      12.345,        0.1 + 0.2,
                                 2.0 / 3.0,  -99,           -99.5,
                                 -9999,      99.95,         999.5,
                                 1234.5678,  -1234567.891,  1e-4,
                                 1e-5,       1.23456789e-9, 3.14159265358979,
                                 1e7,        9999999.5,     123456789012345.0,
                                 1e15,       1e16,          1e22,
                                 1e300,      -1e-300,       5e-324,
                                 45000.5,    45292.75,      0.525,
                                 0.999999999};
        d.push_back(std::numeric_limits<double>::quiet_NaN());
        d.push_back(std::numeric_limits<double>::infinity());
        d.push_back(-std::numeric_limits<double>::infinity());
        return d;
    }();
    return v;
}

// The doubles as Singles, and a sweep over the range of concentrations.
inline const std::vector<float> &singles() {
    static const std::vector<float> v = [] {
        std::vector<float> f;
        for (double d : doubles()) {
            f.push_back(static_cast<float>(d));
        }
        for (int i = 0; i < 400; ++i) {
            f.push_back(static_cast<float>(i) * 0.37f - 20.0f);
            f.push_back(static_cast<float>(i) * 12.5f + 0.05f);
        }
        return f;
    }();
    return v;
}

inline const std::vector<long> &longs() {
    static const std::vector<long> v = {0,    1,       -1,       5,     7,           10,       -99,     1000,
                                        2023, 1234567, -1234567, 45000, 2147483647L, LONG_MAX, LONG_MIN};
    return v;
}

inline const std::vector<const char *> &texts() {
    static const std::vector<const char *> v = {
        "",         " ",     "1.5",        " -2e3 ",  "abc",        "+7",
        ".5",       "1e",    "12.30",      "-99",     "2023-01-05", "05-01-2023 13:45",
        "13:45:10", "12:00", "05.01.2023", "testing", "Street 12"};
    return v;
}

inline const std::vector<DateTimeParts> &dates() {
    static const std::vector<DateTimeParts> v = {{},
                                                 {2023, 1, 5, 0, 0, 0},
                                                 {2023, 12, 31, 23, 59, 59},
                                                 {2024, 2, 29, 12, 0, 0},
                                                 {1999, 7, 4, 6, 30, 0}};
    return v;
}

// FNV-1a over the bytes.
inline std::uint64_t digest(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : bytes) {
        h = (h ^ c) * 1099511628211ULL;
    }
    return h;
}

// The texts of the values in the pattern, each followed by "\n", by a
// formatter f(value, out) that appends to out.
template <typename Values, typename F> std::string joined(const Values &values, F f) {
    std::string out;
    for (const auto &v : values) {
        f(v, out);
        out += '\n';
    }
    return out;
}

} // namespace vesk::format_sweep
