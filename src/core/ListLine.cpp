#include "core/ListLine.h"

#include "core/TextIO.h"

#include <cstring>

namespace vesk {

namespace {

std::string leftTrimBlanks(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    return std::string(s.substr(i));
}

} // namespace

std::vector<std::string> ReadListLine(std::string_view line, std::string_view decimalSeparator) {
    const bool commaSeparates = decimalSeparator != ",";
    std::vector<std::string> fields;

    // Leading and trailing blanks go; one blank ends the last field.
    std::string_view view = line;
    while (!view.empty() && (view.front() == ' ')) {
        view.remove_prefix(1);
    }
    while (!view.empty() && (view.back() == ' ' || view.back() == '\r' || view.back() == '\n')) {
        view.remove_suffix(1);
    }
    std::string s(view);
    s += ' ';

    while (s.size() >= 2) {
        // Positions below are 0-based; npos means "not found".
        size_t searchStart = 0;
        if (s[0] == '"') {
            const size_t close = s.find('"', 1);
            searchStart = close == std::string::npos ? s.size() - 2 : close;
        }
        size_t p = s.find(' ', searchStart);
        char sep = ' ';
        auto tryEarlier = [&](char c) {
            const size_t q = s.find(c, searchStart);
            if (q != std::string::npos && q < p) {
                p = q;
                sep = c;
            }
        };
        if (commaSeparates) {
            tryEarlier(',');
        }
        tryEarlier(';');
        tryEarlier('\t');
        if (p == std::string::npos) {
            p = s.size() - 1; // cannot happen: s ends in a blank
        }

        fields.push_back(p == 0 ? std::string(" ") : s.substr(0, p));
        s = leftTrimBlanks(std::string_view(s).substr(p + 1));

        // A further separator right after this one belongs to the same separation.
        if (!s.empty()) {
            const char c = s[0];
            const bool isFurther = (c == ';' || c == '\t' || (commaSeparates && c == ','));
            if (isFurther && c != sep) {
                s = leftTrimBlanks(std::string_view(s).substr(1));
            }
        }
    }
    return fields;
}

int16_t PeekInteger(const void *address) {
    int16_t v = 0;
    std::memcpy(&v, address, sizeof v);
    return v;
}

std::string TrimNull(std::string_view text) {
    const size_t nul = text.find('\0');
    return std::string(nul == std::string_view::npos ? text : text.substr(0, nul));
}

} // namespace vesk
