#include "core/EmissionLibraryTools.h"

namespace vesk {

namespace {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> fields;
    if (trimBlanks(text).empty()) {
        return fields;
    }
    std::string current;
    bool inQuotes = false;
    for (char c : text) {
        if (c == '"') {
            inQuotes = !inQuotes;
            current += c;
        } else if (c == ',' && !inQuotes) {
            fields.emplace_back(trimBlanks(current));
            current.clear();
        } else {
            current += c;
        }
    }
    fields.emplace_back(trimBlanks(current));
    return fields;
}

float MaxSkipMissing(float a, float b, float marker, int /*mode*/) {
    if (a == marker) {
        return b;
    }
    if (b == marker) {
        return a;
    }
    return a > b ? a : b;
}

} // namespace vesk
