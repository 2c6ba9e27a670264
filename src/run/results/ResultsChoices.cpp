#include "run/results/ResultsChoices.h"

#include "core/TextIO.h"
#include "run/State.h"
#include "run/results/ResultsTable.h"

#include <cctype>

namespace vesk::results {

namespace {

bool refuse(std::string *why, const std::string &reason) {
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

void setHideFlag(State &s, const ResultsColumn &c, bool hide) {
    auto percentile = [&](std::vector<bool> &flags) {
        if (flags.size() <= static_cast<std::size_t>(c.k)) {
            flags.resize(static_cast<std::size_t>(c.k) + 1, false);
        }
        flags[static_cast<std::size_t>(c.k)] = hide;
    };
    switch (c.family) {
    case StatFamily::Hourly:
        switch (c.kind) {
        case StatKind::Average:
            s.HideColAvHourly = hide;
            return;
        case StatKind::Maximum:
            s.HideColMaxHourly = hide;
            return;
        case StatKind::Percentile:
            percentile(s.HideColPercHourly);
            return;
        case StatKind::DataCapture:
            s.HideColDCHourly = hide;
            return;
        }
        return;
    case StatFamily::Run8:
        if (c.kind == StatKind::Percentile) {
            percentile(s.HideColPercRun8);
        } else {
            (c.kind == StatKind::DataCapture ? s.HideColDCRun8 : s.HideColMaxRun8) = hide;
        }
        return;
    case StatFamily::Daily:
        if (c.kind == StatKind::Percentile) {
            percentile(s.HideColPercDaily);
        } else {
            (c.kind == StatKind::DataCapture ? s.HideColDCDaily : s.HideColMaxDaily) = hide;
        }
        return;
    }
}

} // namespace

bool checkNumberPattern(std::string_view pattern, std::string *why) {
    static const char *const numberNames[] = {"general number", "currency", "fixed",
                                              "standard",       "percent",  "scientific"};
    const std::string lower = toLower(trim(pattern));
    if (pattern.empty()) {
        return true;
    }
    for (const char *name : numberNames) {
        if (lower == name) {
            return true;
        }
    }
    int sections = 1;
    bool digitInFirst = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"') {
            const std::size_t close = pattern.find('"', i + 1);
            if (close == std::string_view::npos) {
                return refuse(why, "A text in double quotes has no closing quote.");
            }
            i = close;
        } else if (c == '\\') {
            ++i;
        } else if (c == ';') {
            if (++sections > 4) {
                return refuse(why, "A number format has at most four sections separated by \";\".");
            }
        } else if (c == '0' || c == '#') {
            digitInFirst = digitInFirst || sections == 1;
        } else if (lc == 'e' && i + 1 < pattern.size() && (pattern[i + 1] == '+' || pattern[i + 1] == '-')) {
            ++i;
        } else if (std::string_view("dmyhnswq").find(lc) != std::string_view::npos || lc == 'a' ||
                   lc == 'p' || c == ':' || c == '/') {
            return refuse(why, std::string("\"") + c +
                                   "\" belongs to a date or time format; put text in double quotes.");
        } else if (std::string_view("@&<>!").find(c) != std::string_view::npos) {
            return refuse(why, std::string("\"") + c + "\" belongs to a text format.");
        }
    }
    if (!digitInFirst) {
        return refuse(why, "A number format needs at least one digit placeholder, \"0\" or \"#\".");
    }
    return true;
}

std::vector<ColumnChoice> columnChoices(const State &s) {
    std::vector<ColumnChoice> items;
    for (const ResultsColumn &c : allResultsColumns(s)) {
        items.push_back(ColumnChoice{c.name, !c.hidden, c.heading});
    }
    return items;
}

void applyColumnChoices(State &s, const std::vector<bool> &shown) {
    const std::vector<ResultsColumn> columns = allResultsColumns(s);
    for (std::size_t i = 0; i < columns.size() && i < shown.size(); ++i) {
        setHideFlag(s, columns[i], !shown[i]);
    }
}

} // namespace vesk::results
