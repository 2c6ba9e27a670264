#include "core/ListLine.h"

#include "core/TextIO.h"

#include <cstring>

namespace vesk {

std::vector<std::string> ReadListLine(std::string_view line, std::string_view decimalSeparator) {
    const bool commaSeparates = decimalSeparator != ",";
    const std::string_view separators = commaSeparates ? std::string_view(" ,;\t") : std::string_view(" ;\t");
    std::vector<std::string> fields;

    // Leading and trailing blanks go; one blank ends the last field.
    std::string_view view = line;
    while (!view.empty() && (view.front() == ' ')) {
        view.remove_prefix(1);
    }
    while (!view.empty() && (view.back() == ' ' || view.back() == '\r' || view.back() == '\n')) {
        view.remove_suffix(1);
    }
    std::string text(view);
    text += ' ';

    // The rest of the line is a view that only moves forward: every
    // character is looked at a bounded number of times, so the time grows
    // with the length of the line, however many fields it holds.
    std::string_view s = text;
    auto skipBlanks = [&s] {
        std::size_t i = 0;
        while (i < s.size() && s[i] == ' ') {
            ++i;
        }
        s.remove_prefix(i);
    };
    while (s.size() >= 2) {
        // Positions below are 0-based; npos means "not found".
        std::size_t searchStart = 0;
        if (s[0] == '"') {
            const std::size_t close = s.find('"', 1);
            searchStart = close == std::string_view::npos ? s.size() - 2 : close;
        }
        // The first separator from there on (the rest always ends in a blank).
        std::size_t p = s.find_first_of(separators, searchStart);
        if (p == std::string_view::npos) {
            p = s.size() - 1; // cannot happen: s ends in a blank
        }
        const char sep = s[p];

        fields.push_back(p == 0 ? std::string(" ") : std::string(s.substr(0, p)));
        s.remove_prefix(p + 1);
        skipBlanks();

        // A further separator right after this one belongs to the same separation.
        if (!s.empty()) {
            const char c = s[0];
            const bool isFurther = (c == ';' || c == '\t' || (commaSeparates && c == ','));
            if (isFurther && c != sep) {
                s.remove_prefix(1);
                skipBlanks();
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
