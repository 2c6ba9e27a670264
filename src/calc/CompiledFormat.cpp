// The pattern language of calc/Format.h read once into a CompiledFormat, and
// the Format functions, which use compiled patterns kept per thread. What a
// pattern is (a named format, a number, date or text pattern) is decided
// here once; the number sections are taken apart by Format.cpp, the date
// and text patterns are applied by FormatDates.cpp.

#include "calc/Format.h"
#include "calc/FormatDetail.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace vesk {

using format_detail::formatDateSection;
using format_detail::formatText;
using format_detail::fromSerial;
using format_detail::startsWithI;
using format_detail::toSerial;

namespace {

enum class PatternKind { Number, Date, Text };

PatternKind patternKind(std::string_view p) {
    bool quoted = false, date = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted) {
            continue;
        }
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c == '@' || c == '&') {
            return PatternKind::Text;
        }
        if (c == '0' || c == '#') {
            return PatternKind::Number;
        }
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's' || l == 'w' || l == 'q' ||
            (l == 'a' && startsWithI(p, i, "a/p"))) {
            date = true; // "A/P" alone is a time pattern; "AM/PM" holds an "m"
        }
    }
    return date ? PatternKind::Date : PatternKind::Number;
}

// The named formats of the run time, as patterns; Yes/No-like names give
// two words.
struct NamedFormat {
    const char *name;
    const char *pattern;
    const char *yes;
    const char *no;
};

const NamedFormat *namedFormat(std::string_view p) {
    static const NamedFormat names[] = {
        {"general number", "", nullptr, nullptr},
        {"currency", "#,##0.00", nullptr, nullptr},
        {"fixed", "0.00", nullptr, nullptr},
        {"standard", "#,##0.00", nullptr, nullptr},
        {"percent", "0.00%", nullptr, nullptr},
        {"scientific", "0.00E+00", nullptr, nullptr},
        {"general date", "c", nullptr, nullptr},
        {"long date", "dddd, d mmmm yyyy", nullptr, nullptr},
        {"medium date", "dd-mmm-yy", nullptr, nullptr},
        {"short date", "dd-mm-yyyy", nullptr, nullptr},
        {"long time", "hh:nn:ss", nullptr, nullptr},
        {"medium time", "hh:nn AM/PM", nullptr, nullptr},
        {"short time", "hh:nn", nullptr, nullptr},
        {"yes/no", "", "Yes", "No"},
        {"true/false", "", "True", "False"},
        {"on/off", "", "On", "Off"},
    };
    if (p.size() < 5 || p.size() > 14) {
        return nullptr;
    }
    for (const auto &n : names) {
        if (p.size() == std::string_view(n.name).size() && startsWithI(p, 0, n.name)) {
            return &n;
        }
    }
    return nullptr;
}

} // namespace

// A pattern as it was given and as it is applied: a named format (other
// than Yes/No and the like) stands for its pattern. Texts go by the kind of
// the pattern as given, numbers and dates by the pattern applied.
struct CompiledFormat::Parts {
    std::string given;
    PatternKind givenKind = PatternKind::Number;
    const NamedFormat *named = nullptr;
    const char *yes = nullptr, *no = nullptr; // a Yes/No-like name
    std::string applied;
    PatternKind appliedKind = PatternKind::Number;
    std::shared_ptr<const format_detail::NumberPattern> number; // an applied number pattern
};

namespace {

std::shared_ptr<const CompiledFormat::Parts> compile(std::string_view pattern) {
    auto p = std::make_shared<CompiledFormat::Parts>();
    p->given = std::string(pattern);
    p->givenKind = patternKind(pattern);
    p->named = namedFormat(pattern);
    if (p->named != nullptr && p->named->yes != nullptr) {
        p->yes = p->named->yes;
        p->no = p->named->no;
    }
    p->applied = p->named != nullptr && p->yes == nullptr ? std::string(p->named->pattern) : p->given;
    p->appliedKind = patternKind(p->applied);
    if (!p->applied.empty() && p->appliedKind == PatternKind::Number) {
        p->number = format_detail::numberPattern(p->applied);
    }
    return p;
}

// A number given by its value as a date serial, whether it is zero, and the
// makers of its plain form and of its text in a number pattern, which are
// called only when the pattern needs them.
template <typename Plain, typename InPattern>
void appendNumeric(const CompiledFormat::Parts &p, double serial, bool nonZero, Plain plain,
                   InPattern inPattern, std::string &out) {
    if (p.yes != nullptr) {
        out += nonZero ? p.yes : p.no;
        return;
    }
    if (p.applied.empty()) {
        plain(out);
        return;
    }
    switch (p.appliedKind) {
    case PatternKind::Date:
        out += formatDateSection(fromSerial(serial), p.applied);
        return;
    case PatternKind::Text: {
        std::string text;
        plain(text);
        out += formatText(text, p.applied);
        return;
    }
    case PatternKind::Number:
        inPattern(*p.number, out);
        return;
    }
}

} // namespace

CompiledFormat::CompiledFormat() : CompiledFormat(std::string_view()) {}

CompiledFormat::CompiledFormat(std::string_view pattern) : m_parts(compile(pattern)) {}

const std::string &CompiledFormat::pattern() const {
    return m_parts->given;
}

void CompiledFormat::append(double value, std::string &out) const {
    appendNumeric(
        *m_parts, value, value != 0 && std::isfinite(value),
        [value](std::string &o) { format_detail::appendPlainNumber(value, 15, o); },
        [value](const format_detail::NumberPattern &n, std::string &o) {
            format_detail::appendNumber(n, value, 15, o);
        },
        out);
}

void CompiledFormat::append(float value, std::string &out) const {
    appendNumeric(
        *m_parts, value, value != 0 && std::isfinite(value),
        [value](std::string &o) { format_detail::appendPlainNumber(value, 7, o); },
        [value](const format_detail::NumberPattern &n, std::string &o) {
            format_detail::appendNumber(n, value, 7, o);
        },
        out);
}

void CompiledFormat::append(long value, std::string &out) const {
    appendNumeric(
        *m_parts, static_cast<double>(value), value != 0,
        [value](std::string &o) {
            char buf[24];
            o.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
        },
        [value](const format_detail::NumberPattern &n, std::string &o) {
            format_detail::appendNumber(n, value, o);
        },
        out);
}

void CompiledFormat::append(const DateTimeParts &value, std::string &out) const {
    const Parts &p = *m_parts;
    if (p.applied.empty() || p.applied == "c") {
        out += formatDateSection(value, value.hour || value.minute || value.second ? "dd-mm-yyyy hh:nn:ss"
                                                                                   : "dd-mm-yyyy");
        return;
    }
    const double serial = toSerial(value);
    if (p.yes != nullptr) {
        out += serial != 0 ? p.yes : p.no;
        return;
    }
    switch (p.appliedKind) {
    case PatternKind::Date:
        out += formatDateSection(value, p.applied);
        return;
    case PatternKind::Text:
        out += formatText(CompiledFormat().format(value), p.applied);
        return;
    case PatternKind::Number:
        append(serial, out);
        return;
    }
}

void CompiledFormat::append(std::string_view text, std::string &out) const {
    const Parts &p = *m_parts;
    if (p.given.empty()) {
        out += text;
        return;
    }
    if (p.givenKind == PatternKind::Text) {
        out += formatText(text, p.given);
        return;
    }
    double v = 0;
    if (format_detail::wholeNumber(text, &v)) {
        append(v, out);
        return;
    }
    DateTimeParts t;
    if (parseDateTimeText(text, &t)) {
        append(t, out);
        return;
    }
    out += text;
}

namespace {

// Patterns are compiled once per thread and kept; output files use a few
// patterns for thousands of cells.
const CompiledFormat &compiled(std::string_view pattern) {
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    thread_local std::unordered_map<std::string, CompiledFormat, Hash, std::equal_to<>> cache;
    auto it = cache.find(pattern);
    if (it != cache.end()) {
        return it->second;
    }
    if (cache.size() > 256) {
        cache.clear();
    }
    return cache.emplace(std::string(pattern), CompiledFormat(pattern)).first->second;
}

} // namespace

std::string Format(double value, std::string_view pattern) {
    return compiled(pattern).format(value);
}

std::string Format(float value, std::string_view pattern) {
    return compiled(pattern).format(value);
}

std::string Format(long value, std::string_view pattern) {
    return compiled(pattern).format(value);
}

std::string Format(const DateTimeParts &value, std::string_view pattern) {
    return compiled(pattern).format(value);
}

std::string Format(std::string_view text, std::string_view pattern) {
    return compiled(pattern).format(text);
}

std::string Format(const char *text, std::string_view pattern) {
    return compiled(pattern).format(std::string_view(text));
}

} // namespace vesk
