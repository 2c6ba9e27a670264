#include "project/Period.h"

#include "core/Calendar.h"
#include "core/Numbers.h"
#include "core/TextIO.h"
#include "project/ProjectState.h"

#include <cctype>
#include <vector>

namespace vesk {

namespace {

bool allDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

int toInt(std::string_view s) {
    int v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<PeriodDate> makeDate(int year, int month, int day) {
    if (!isValidDate(year, month, day)) {
        return std::nullopt;
    }
    return PeriodDate{year, month, day};
}

} // namespace

bool isValidDate(int year, int month, int day) {
    return year >= 1000 && year <= 9999 && isRealDate(year, month, day);
}

std::optional<PeriodDate> parsePeriodDate(std::string_view text) {
    const std::string t = trim(text);
    const auto sep = t.find_first_of("-./");
    if (sep == std::string::npos) {
        return std::nullopt;
    }
    const char mark = t[sep];
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const auto next = t.find(mark, start);
        parts.push_back(t.substr(start, next == std::string::npos ? std::string::npos : next - start));
        if (next == std::string::npos) {
            break;
        }
        start = next + 1;
    }
    if (parts.size() != 3) {
        return std::nullopt;
    }
    for (auto &p : parts) {
        if (!allDigits(p)) {
            return std::nullopt;
        }
    }
    if (mark == '-' && parts[0].size() == 4 && parts[1].size() <= 2 && parts[2].size() <= 2) {
        return makeDate(toInt(parts[0]), toInt(parts[1]), toInt(parts[2]));
    }
    if (parts[2].size() == 4 && parts[0].size() <= 2 && parts[1].size() <= 2) {
        return makeDate(toInt(parts[2]), toInt(parts[1]), toInt(parts[0]));
    }
    return std::nullopt;
}

std::optional<PeriodDate> parseEightDigitDate(std::string_view text) {
    const std::string t = trim(text);
    if (t.size() != 8 || !allDigits(t)) {
        return std::nullopt;
    }
    return makeDate(toInt(std::string_view(t).substr(0, 4)), toInt(std::string_view(t).substr(4, 2)),
                    toInt(std::string_view(t).substr(6, 2)));
}

std::string eightDigitDateProblem(std::string_view text) {
    const std::string t = trim(text);
    if (t.size() != 8 || !allDigits(t)) {
        return "The dates must be given as yyyymmdd: \"" + std::string(text) + "\".";
    }
    const int year = toInt(std::string_view(t).substr(0, 4));
    const int month = toInt(std::string_view(t).substr(4, 2));
    const int day = toInt(std::string_view(t).substr(6, 2));
    if (year < 1000) {
        return "The date \"" + t + "\" (yyyymmdd) names the year " + std::to_string(year) +
               ": the years of a period run from 1000 to 9999.";
    }
    if (month < 1 || month > 12) {
        return "The date \"" + t + "\" (yyyymmdd) names the month " + std::to_string(month) +
               ", which no year has.";
    }
    if (!isValidDate(year, month, day)) {
        return "The date \"" + t + "\" (yyyymmdd) names the day " + std::to_string(day) + " of " +
               std::to_string(year) + "-" + (month < 10 ? "0" : "") + std::to_string(month) +
               ", which that month lacks.";
    }
    return {};
}

std::optional<int> parsePeriodHour(std::string_view text) {
    auto value = parseNumber(trim(text));
    if (!value || *value < 0 || *value > 24) {
        return std::nullopt;
    }
    return static_cast<int>(roundHalfEven(*value));
}

std::optional<int> checkPeriodHour(ProjectState &s, Interaction &ui, std::string_view text) {
    s.HourError = false;
    auto value = parseNumber(trim(text));
    if (!value) {
        s.HourError = true;
        return std::nullopt;
    }
    auto hour = parsePeriodHour(text);
    if (!hour) {
        s.HourError = true;
        ui.message("The value of Hour is not correct!", Icon::Critical);
    }
    return hour;
}

} // namespace vesk
