// Reading and writing of traffic files (.trf) as documents: settings,
// categories (composed ones with their sub-category fractions), day cases
// with their day and month conditions, and one profile section per day case.
// See docs/formats.md. The checks of a document made in memory are in
// TrafficChecks.cpp; the component's use of a document in TrafficFile.cpp.

#include "platform/emission/TrafficDocument.h"
#include "platform/emission/ListFileReader.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"
#include "platform/Expression.h"

#include <cmath>

namespace vesk {

namespace {

struct Reading {
    ListFileReader in;
    std::string *error = nullptr;
    TrafficDocument doc;
    bool haveSettings = false, haveCategories = false, haveDayCases = false;
    std::vector<bool> profileRead;
};

bool readTitles(Reading &r, const std::string &firstTitle) {
    if (!r.in.next() || r.in.section() || !iequals(r.in.field(0), firstTitle)) {
        return fail(r.error, r.in.expected("the column titles beginning with \"" + firstTitle + "\""));
    }
    return true;
}

template <typename Row> bool readRows(Reading &r, Row row) {
    while (r.in.next()) {
        if (r.in.section()) {
            r.in.pushBack();
            return true;
        }
        if (!row()) {
            return false;
        }
    }
    return true;
}

bool readSettings(Reading &r) {
    bool haveType = false, havePeriods = false;
    if (!readTitles(r, "Name")) {
        return false;
    }
    if (!readRows(r, [&] {
            auto value = r.in.number(1);
            if (iequals(r.in.field(0), "Type") && value && (*value == 1 || *value == 2)) {
                r.doc.type = static_cast<int>(*value);
                haveType = true;
            } else if (iequals(r.in.field(0), "Periods") && value && (*value == 24 || *value == 48)) {
                r.doc.periods = static_cast<int>(*value);
                havePeriods = true;
            } else {
                return fail(r.error, r.in.expected("\"Type\" with 1 or 2, or \"Periods\" with 24 or 48"));
            }
            return true;
        })) {
        return false;
    }
    if (!haveType || !havePeriods) {
        return fail(r.error, r.in.whole("the [Settings] section needs both \"Type\" and \"Periods\"."));
    }
    r.haveSettings = true;
    return true;
}

bool readCategories(Reading &r) {
    if (!readTitles(r, "Name")) {
        return false;
    }
    if (!readRows(r, [&] {
            const ListFileReader &in = r.in;
            if (in.field(0).empty() || in.size() == 3 || (in.size() > 2 && in.size() % 2 != 0)) {
                return fail(r.error, in.expected("a name, a long name and, for a composed category, pairs of "
                                                 "sub-category and fraction"));
            }
            for (const auto &other : r.doc.categories) {
                if (iequals(other.name, in.field(0))) {
                    return fail(r.error,
                                in.at("the category " + quotedText(in.field(0)) + " is listed twice."));
                }
            }
            TrafficCategoryDefinition c;
            c.name = in.field(0);
            c.longName = in.field(1);
            double total = 0;
            for (size_t i = 2; i + 1 < in.size(); i += 2) {
                auto fraction = in.number(i + 1);
                if (in.field(i).empty() || !fraction || *fraction <= 0 || *fraction > 1) {
                    return fail(r.error,
                                in.expected("a sub-category name and a fraction above 0 and up to 1"));
                }
                for (const auto &n : c.subNames) {
                    if (iequals(n, in.field(i))) {
                        return fail(r.error,
                                    in.at("the sub-category " + quotedText(n) + " is listed twice."));
                    }
                }
                c.subNames.push_back(in.field(i));
                c.subFractions.push_back(*fraction);
                total += *fraction;
            }
            if (c.composed() && std::fabs(total - 1.0) > kFractionTolerance) {
                return fail(r.error, in.at("the sub-category fractions of " + quotedText(c.name) +
                                           " add up to " + std::to_string(total) + " instead of 1."));
            }
            r.doc.categories.push_back(std::move(c));
            return true;
        })) {
        return false;
    }
    if (r.doc.categories.empty()) {
        return fail(r.error, r.in.whole("the [Categories] section lists no category."));
    }
    r.haveCategories = true;
    return true;
}

bool readDayCases(Reading &r) {
    if (!readTitles(r, "Name")) {
        return false;
    }
    if (!readRows(r, [&] {
            const ListFileReader &in = r.in;
            if (in.field(0).empty() || in.size() > 3) {
                return fail(r.error, in.expected("a day-case name, a day condition and a month condition"));
            }
            TrafficDayCaseProfile d;
            d.name = in.field(0);
            d.codeDay = in.field(1);
            d.codeMonth = in.field(2);
            std::string why = conditionProblem(d.codeDay);
            if (why.empty()) {
                why = conditionProblem(d.codeMonth);
            }
            if (!why.empty()) {
                return fail(r.error, in.at("the conditions of day case " + quotedText(d.name) +
                                           " are not valid: " + why));
            }
            d.periods.assign(r.doc.periods, TrafficPeriod{std::vector<double>(r.doc.categories.size(), 0.0)});
            r.doc.dayCases.push_back(std::move(d));
            return true;
        })) {
        return false;
    }
    r.haveDayCases = true;
    r.profileRead.assign(r.doc.dayCases.size(), false);
    return true;
}

bool readProfile(Reading &r, const std::string &section) {
    if (!r.haveSettings || !r.haveCategories || !r.haveDayCases) {
        return fail(r.error, r.in.at("the sections [Settings], [Categories] and [Day cases] must come before "
                                     "the profiles."));
    }
    const int dayCases = static_cast<int>(r.doc.dayCases.size());
    auto number = parseNumber(trim(section.substr(8)));
    if (!number || *number != std::floor(*number) || *number < 1 || *number > dayCases) {
        return fail(r.error, r.in.expected("a day case from 1 to " + std::to_string(dayCases) +
                                           " in the section line"));
    }
    int d = static_cast<int>(*number);
    if (r.profileRead[d - 1]) {
        return fail(r.error, r.in.at("the profile of day case " + std::to_string(d) + " is given twice."));
    }
    r.profileRead[d - 1] = true;

    // Titles: "Period", the categories in order, and the three speed and cold-start columns.
    const auto &categories = r.doc.categories;
    size_t ncat = categories.size();
    std::string titles = "\"Period\"";
    for (const auto &c : categories) {
        titles += ", \"" + c.name + "\"";
    }
    titles += ", \"Speed light\", \"Speed heavy\", \"Cold start (%)\"";
    if (!r.in.next() || r.in.section() || r.in.size() != ncat + 4 || !iequals(r.in.field(0), "Period")) {
        return fail(r.error, r.in.expected("the column titles " + titles));
    }
    for (size_t i = 0; i < ncat; ++i) {
        if (!iequals(r.in.field(1 + i), categories[i].name)) {
            return fail(r.error, r.in.expected("the column titles " + titles));
        }
    }

    const int periods = r.doc.periods;
    for (int h = 1; h <= periods; ++h) {
        if (!r.in.next() || r.in.section()) {
            return fail(r.error,
                        r.in.expected("the row of period " + std::to_string(h) + " of " +
                                      std::to_string(periods) + " in day case " + std::to_string(d)));
        }
        auto period = r.in.number(0);
        if (r.in.size() != ncat + 4 || !period || *period != h) {
            return fail(r.error,
                        r.in.expected("period " + std::to_string(h) + " followed by " + std::to_string(ncat) +
                                      " flows, two speeds and a cold-start share"));
        }
        TrafficPeriod &row = r.doc.dayCases[d - 1].periods[h - 1];
        for (size_t i = 0; i < ncat; ++i) {
            auto flow = r.in.number(1 + i);
            if (!flow || *flow < 0 || *flow > kMaxVehicleFlow) {
                return fail(r.error, r.in.expected("a flow of 0 to " + formatNumber(kMaxVehicleFlow) +
                                                   " vehicles for " + categories[i].name));
            }
            row.flows[i] = *flow;
        }
        auto light = r.in.number(ncat + 1), heavy = r.in.number(ncat + 2), cold = r.in.number(ncat + 3);
        if (!light || *light <= 0 || *light > kMaxSpeed || !heavy || *heavy <= 0 || *heavy > kMaxSpeed) {
            return fail(r.error, r.in.expected("speeds of light and heavy vehicles above 0 and up to " +
                                               formatNumber(kMaxSpeed) + " km/h"));
        }
        if (!cold || *cold < 0 || *cold > 100) {
            return fail(r.error, r.in.expected("a cold-start share from 0 to 100 %"));
        }
        row.speedLight = *light;
        row.speedHeavy = *heavy;
        row.coldStart = *cold;
    }
    return true;
}

bool parse(Reading &r) {
    if (!r.in.next() || r.in.section()) {
        return fail(r.error, r.in.expected("a header line"));
    }
    r.doc.headerLines.push_back(trim(r.in.rawLine()));
    while (r.in.next()) {
        auto section = r.in.section();
        if (!section) {
            if (!r.haveSettings && !r.haveCategories && !r.haveDayCases) {
                r.doc.headerLines.push_back(trim(r.in.rawLine()));
                continue;
            }
            return fail(r.error, r.in.expected("a section line"));
        }
        bool ok = true;
        if (iequals(*section, "Settings") && !r.haveSettings) {
            ok = readSettings(r);
        } else if (iequals(*section, "Categories") && !r.haveCategories) {
            ok = readCategories(r);
        } else if (iequals(*section, "Day cases") && !r.haveDayCases) {
            if (!r.haveSettings || !r.haveCategories) {
                return fail(
                    r.error,
                    r.in.at("the sections [Settings] and [Categories] must come before [Day cases]."));
            }
            ok = readDayCases(r);
        } else if (startsWithI(*section, "Day case ")) {
            ok = readProfile(r, *section);
        } else {
            return fail(r.error,
                        r.in.expected("the section [Settings], [Categories], [Day cases] or [Day case n], "
                                      "each once"));
        }
        if (!ok) {
            return false;
        }
    }
    if (!r.haveSettings || !r.haveCategories || !r.haveDayCases) {
        return fail(r.error,
                    r.in.whole("the file needs the sections [Settings], [Categories] and [Day cases]."));
    }
    for (size_t d = 0; d < r.profileRead.size(); ++d) {
        if (!r.profileRead[d]) {
            return fail(r.error,
                        r.in.whole("the profile of day case " + std::to_string(d + 1) +
                                   " (section [Day case " + std::to_string(d + 1) + "]) is missing."));
        }
    }
    return true;
}

} // namespace

TrafficDocument newTrafficDocument(const std::vector<TrafficCategoryDefinition> &categories, int periods) {
    TrafficDocument doc;
    doc.headerLines = {doubleQuoted("WinVESK traffic file"), doubleQuoted("New traffic file")};
    doc.type = 2;
    doc.periods = periods == 48 ? 48 : 24;
    doc.categories = categories;
    TrafficDayCaseProfile all;
    all.name = "All days";
    all.periods.assign(doc.periods, TrafficPeriod{std::vector<double>(categories.size(), 0.0), 50, 50, 0});
    doc.dayCases.push_back(std::move(all));
    return doc;
}

bool parseTrafficDocument(const std::string &text, const std::string &fileName, TrafficDocument *doc,
                          std::string *error) {
    Reading r;
    std::string message;
    r.error = &message;
    r.in.setText(text, fileName);
    if (const std::string tooLong = r.in.fieldTooLong(); !tooLong.empty()) {
        return fail(error, tooLong);
    }
    if (!parse(r)) {
        return fail(error, message);
    }
    *doc = std::move(r.doc);
    return true;
}

bool readTrafficDocument(const std::string &path, TrafficDocument *doc, std::string *error) {
    std::string text;
    if (!readTextFile(path, &text, error)) {
        return false;
    }
    return parseTrafficDocument(text, path, doc, error);
}

std::string trafficFileText(const TrafficDocument &doc) {
    const char *crlf = "\r\n";
    std::string out;
    auto line = [&](const std::string &text) { out += text + crlf; };
    for (const auto &h : doc.headerLines) {
        line(h);
    }
    line("[Settings]");
    line("\"Name\",\"Value\"");
    line("\"Type\"," + std::to_string(doc.type));
    line("\"Periods\"," + std::to_string(doc.periods));
    line("[Categories]");
    line("\"Name\",\"Long name\",\"Sub-categories with their fractions\"");
    for (const auto &c : doc.categories) {
        std::string text = doubleQuoted(c.name) + "," + doubleQuoted(c.longName);
        for (size_t i = 0; i < c.subNames.size(); ++i) {
            text += "," + doubleQuoted(c.subNames[i]) + "," +
                    formatNumber(i < c.subFractions.size() ? c.subFractions[i] : 0.0);
        }
        line(text);
    }
    line("[Day cases]");
    line("\"Name\",\"Day condition\",\"Month condition\"");
    for (const auto &d : doc.dayCases) {
        line(doubleQuoted(d.name) + "," + doubleQuoted(d.codeDay) + "," + doubleQuoted(d.codeMonth));
    }
    std::string titles = "\"Period\"";
    for (const auto &c : doc.categories) {
        titles += "," + doubleQuoted(c.name);
    }
    titles += ",\"Speed light\",\"Speed heavy\",\"Cold start (%)\"";
    for (size_t d = 0; d < doc.dayCases.size(); ++d) {
        line("[Day case " + std::to_string(d + 1) + "]");
        line(titles);
        const auto &periods = doc.dayCases[d].periods;
        for (size_t h = 0; h < periods.size(); ++h) {
            std::string text = std::to_string(h + 1);
            for (double f : periods[h].flows) {
                text += "," + formatNumber(f);
            }
            text += "," + formatNumber(periods[h].speedLight) + "," + formatNumber(periods[h].speedHeavy) +
                    "," + formatNumber(periods[h].coldStart);
            line(text);
        }
    }
    return out;
}

bool writeTrafficFile(const std::string &path, const TrafficDocument &doc, std::string *error) {
    const std::vector<TrafficProblem> problems = checkTrafficDocument(doc);
    if (!problems.empty()) {
        return fail(error, path + ": " + problems.front().message);
    }
    const std::string text = trafficFileText(doc);
    TrafficDocument check;
    if (!parseTrafficDocument(text, path, &check, error)) {
        return false;
    }
    return writeFileAtomically(path, text, error);
}

std::string trafficDayCaseCondition(const TrafficDayCaseProfile &dayCase) {
    const std::string day = trim(dayCase.codeDay).empty() ? "" : "(" + dayCase.codeDay + ")";
    const std::string month = trim(dayCase.codeMonth).empty() ? "" : "(" + dayCase.codeMonth + ")";
    if (day.empty()) {
        return month;
    }
    return month.empty() ? day : day + " AND " + month;
}

std::string conditionProblem(const std::string &condition) {
    Evaluator evaluator;
    evaluator.defineVariable("DayNow");
    evaluator.defineVariable("MonthNow");
    Expression expr;
    std::string why;
    if (!evaluator.parse(condition, &expr, &why)) {
        return why.empty() ? "not a valid condition" : why;
    }
    return {};
}

} // namespace vesk
