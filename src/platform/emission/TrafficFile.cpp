// Reading of traffic files (.trf): settings, categories (composed ones with
// their sub-category fractions), day cases with their day and month
// conditions, and one profile section per day case. See docs/formats.md.
//
// The file's own average daily traffic and speed are worked out over a
// reference year: each month contributes days-in-month / 7 days of every
// weekday, and each such day takes the first day case whose condition holds,
// as the run will. A standard profile (type 2) is then scaled to the
// project's values.

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/ListFileReader.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"
#include "platform/Expression.h"

#include <cmath>

namespace vesk {

namespace {

// Sub-category fractions are printed with a few decimals.
constexpr double kFractionTolerance = 0.001;

bool fail(std::string *error, const std::string &text) {
    if (error) {
        *error = text;
    }
    return false;
}

// The structured form of a condition "<name> <operator> <whole number>";
// operator and value 0 when the code has another form.
void structuredCondition(const std::string &code, const char *name, int *value, int *cop) {
    *value = 0;
    *cop = CopNone;
    std::string s = trim(code);
    std::string lower = toLower(s);
    std::string n = toLower(name);
    if (lower.compare(0, n.size(), n) != 0) {
        return;
    }
    std::string rest = trim(s.substr(n.size()));
    static const std::pair<const char *, int> ops[] = {{"<>", CopNe}, {"<=", CopLe}, {">=", CopGe},
                                                       {"=", CopEq},  {"<", CopLt},  {">", CopGt}};
    for (const auto &[text, code] : ops) {
        if (rest.compare(0, std::char_traits<char>::length(text), text) == 0) {
            auto number = parseNumber(rest.substr(std::char_traits<char>::length(text)));
            if (number && *number == std::floor(*number) && std::fabs(*number) < 1000) {
                *value = static_cast<int>(*number);
                *cop = code;
            }
            return;
        }
    }
}

// The condition the run compiles for a day case.
std::string dayCaseCondition(const std::string &codeDay, const std::string &codeMonth) {
    std::string day = trim(codeDay).empty() ? "" : "(" + codeDay + ")";
    std::string month = trim(codeMonth).empty() ? "" : "(" + codeMonth + ")";
    if (day.empty()) {
        return month;
    }
    if (month.empty()) {
        return day;
    }
    return day + " AND " + month;
}

struct Reading {
    ListFileReader in;
    std::string *error;
    TrafficCollection traffic;
    bool haveSettings = false, haveCategories = false, haveDayCases = false;
    std::vector<bool> profileRead;
    std::vector<Expression> conditions;
    Evaluator evaluator;
    int dayNow = 0, monthNow = 0;
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
    TrafficAll &all = r.traffic.All;
    bool haveType = false, havePeriods = false;
    if (!readTitles(r, "Name")) {
        return false;
    }
    if (!readRows(r, [&] {
            auto value = r.in.number(1);
            if (iequals(r.in.field(0), "Type") && value && (*value == 1 || *value == 2)) {
                all.TrafficFileType = static_cast<int>(*value);
                haveType = true;
            } else if (iequals(r.in.field(0), "Periods") && value && (*value == 24 || *value == 48)) {
                all.Nhours = static_cast<int>(*value);
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
            if (r.traffic.find(in.field(0))) {
                return fail(r.error, in.at("the category \"" + in.field(0) + "\" is listed twice."));
            }
            TrafficCategory c;
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
                        return fail(r.error, in.at("the sub-category \"" + n + "\" is listed twice."));
                    }
                }
                c.subNames.push_back(in.field(i));
                c.subFractions.push_back(static_cast<float>(*fraction));
                total += *fraction;
            }
            c.Composed = !c.subNames.empty();
            if (c.Composed && std::fabs(total - 1.0) > kFractionTolerance) {
                return fail(r.error, in.at("the sub-category fractions of \"" + c.name + "\" add up to " +
                                           std::to_string(total) + " instead of 1."));
            }
            r.traffic.items.push_back(std::move(c));
            return true;
        })) {
        return false;
    }
    if (r.traffic.items.empty()) {
        return fail(r.error, r.in.whole("the [Categories] section lists no category."));
    }
    r.haveCategories = true;
    return true;
}

bool readDayCases(Reading &r) {
    TrafficAll &all = r.traffic.All;
    if (!readTitles(r, "Name")) {
        return false;
    }
    if (!readRows(r, [&] {
            const ListFileReader &in = r.in;
            if (in.field(0).empty() || in.size() > 3) {
                return fail(r.error, in.expected("a day-case name, a day condition and a month condition"));
            }
            std::string codeDay = in.field(1), codeMonth = in.field(2);
            Expression expr;
            std::string why;
            if (!r.evaluator.parse(dayCaseCondition(codeDay, codeMonth), &expr, &why)) {
                return fail(r.error, in.at("the conditions of day case \"" + in.field(0) +
                                           "\" are not valid: " + why));
            }
            r.conditions.push_back(std::move(expr));
            all.dayCaseNames.push_back(in.field(0));
            all.codeDay.push_back(codeDay);
            all.codeMonth.push_back(codeMonth);
            int value = 0, cop = 0;
            structuredCondition(codeDay, "DayNow", &value, &cop);
            all.dayCaseDay.push_back(value);
            all.dayCaseDayCop.push_back(cop);
            structuredCondition(codeMonth, "MonthNow", &value, &cop);
            all.dayCaseMonth.push_back(value);
            all.dayCaseMonthCop.push_back(cop);
            return true;
        })) {
        return false;
    }
    all.DayCases = static_cast<int>(all.dayCaseNames.size());
    r.haveDayCases = true;
    return true;
}

bool readProfile(Reading &r, const std::string &section) {
    TrafficAll &all = r.traffic.All;
    if (!r.haveSettings || !r.haveCategories || !r.haveDayCases) {
        return fail(r.error, r.in.at("the sections [Settings], [Categories] and [Day cases] must come before "
                                     "the profiles."));
    }
    auto number = parseNumber(trim(section.substr(8)));
    if (!number || *number != std::floor(*number) || *number < 1 || *number > all.DayCases) {
        return fail(r.error, r.in.expected("a day case from 1 to " + std::to_string(all.DayCases) +
                                           " in the section line"));
    }
    int d = static_cast<int>(*number);
    if (r.profileRead[d - 1]) {
        return fail(r.error, r.in.at("the profile of day case " + std::to_string(d) + " is given twice."));
    }
    r.profileRead[d - 1] = true;

    // Titles: "Period", the categories in order, and the three speed and cold-start columns.
    size_t ncat = r.traffic.items.size();
    std::string titles = "\"Period\"";
    for (const auto &c : r.traffic.items) {
        titles += ", \"" + c.name + "\"";
    }
    titles += ", \"Speed light\", \"Speed heavy\", \"Cold start (%)\"";
    if (!r.in.next() || r.in.section() || r.in.size() != ncat + 4 || !iequals(r.in.field(0), "Period")) {
        return fail(r.error, r.in.expected("the column titles " + titles));
    }
    for (size_t i = 0; i < ncat; ++i) {
        if (!iequals(r.in.field(1 + i), r.traffic.items[i].name)) {
            return fail(r.error, r.in.expected("the column titles " + titles));
        }
    }

    for (int h = 1; h <= all.Nhours; ++h) {
        if (!r.in.next() || r.in.section()) {
            return fail(r.error,
                        r.in.expected("the row of period " + std::to_string(h) + " of " +
                                      std::to_string(all.Nhours) + " in day case " + std::to_string(d)));
        }
        auto period = r.in.number(0);
        if (r.in.size() != ncat + 4 || !period || *period != h) {
            return fail(r.error,
                        r.in.expected("period " + std::to_string(h) + " followed by " + std::to_string(ncat) +
                                      " flows, two speeds and a cold-start share"));
        }
        for (size_t i = 0; i < ncat; ++i) {
            auto flow = r.in.number(1 + i);
            if (!flow || *flow < 0 || *flow > kMaxVehicleFlow) {
                return fail(r.error, r.in.expected("a flow of 0 to " + formatNumber(kMaxVehicleFlow) +
                                                   " vehicles for " + r.traffic.items[i].name));
            }
            r.traffic.items[i].flow.set(h, d, static_cast<float>(*flow));
        }
        auto light = r.in.number(ncat + 1), heavy = r.in.number(ncat + 2), cold = r.in.number(ncat + 3);
        if (!light || *light <= 0 || *light > kMaxSpeed || !heavy || *heavy <= 0 || *heavy > kMaxSpeed) {
            return fail(r.error, r.in.expected("speeds of light and heavy vehicles above 0 and up to " +
                                               formatNumber(kMaxSpeed) + " km/h"));
        }
        if (!cold || *cold < 0 || *cold > 100) {
            return fail(r.error, r.in.expected("a cold-start share from 0 to 100 %"));
        }
        all.vShort.set(h, d, static_cast<float>(*light));
        all.vLong.set(h, d, static_cast<float>(*heavy));
        all.coldStart.set(h, d, static_cast<float>(*cold));
    }
    return true;
}

// The file's own average daily traffic and light-vehicle speed over a reference year.
void fileAverages(Reading &r) {
    static const int daysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    TrafficAll &all = r.traffic.All;
    double days = 0, traffic = 0, speed = 0;
    for (int month = 1; month <= 12; ++month) {
        for (int weekday = 1; weekday <= 7; ++weekday) {
            r.evaluator.setVariable(r.dayNow, weekday);
            r.evaluator.setVariable(r.monthNow, month);
            int d = 0;
            for (int i = 0; i < all.DayCases && d == 0; ++i) {
                double v = r.evaluator.evaluate(r.conditions[i]);
                if (std::isfinite(v) && std::fabs(v) < 1e9 && roundHalfEven(v) == 1) {
                    d = i + 1;
                }
            }
            if (d == 0) {
                continue;
            }
            double weight = daysInMonth[month - 1] / 7.0;
            double total = 0, speeds = 0;
            for (int h = 1; h <= all.Nhours; ++h) {
                for (const auto &c : r.traffic.items) {
                    total += c.Flow(h, d);
                }
                speeds += all.Vshort(h, d);
            }
            days += weight;
            traffic += weight * total;
            speed += weight * speeds / all.Nhours;
        }
    }
    all.sAnnualDiurnalTraffic = days > 0 ? static_cast<float>(traffic / days) : 0.0f;
    all.sAverageTrafficSpeed = days > 0 ? static_cast<float>(speed / days) : 0.0f;
}

} // namespace

bool EmissionLibrary::ReadTrafficFile(const std::string &path, double averageTrafficSpeed,
                                      double annualDiurnalTraffic, std::string *error) {
    std::string message;
    Reading r;
    r.error = &message;
    r.dayNow = r.evaluator.defineVariable("DayNow");
    r.monthNow = r.evaluator.defineVariable("MonthNow");

    bool ok = r.in.open(path, &message);
    // The project's values that scale a standard profile (0 or below: not given).
    if (ok && !(annualDiurnalTraffic <= kMaxDailyTraffic)) {
        ok = fail(r.error, r.in.whole("the daily traffic " + formatNumber(annualDiurnalTraffic) +
                                      " given for the street is out of range (at most " +
                                      formatNumber(kMaxDailyTraffic) + " vehicles a day)."));
    } else if (ok && !(averageTrafficSpeed <= kMaxSpeed)) {
        ok = fail(r.error, r.in.whole("the travel speed " + formatNumber(averageTrafficSpeed) +
                                      " given for the street is out of range (at most " +
                                      formatNumber(kMaxSpeed) + " km/h)."));
    }
    if (ok) {
        ok = r.in.next() && !r.in.section();
        if (!ok) {
            message = r.in.expected("a header line");
        }
    }
    while (ok && r.in.next()) {
        auto section = r.in.section();
        if (!section) {
            if (!r.haveSettings && !r.haveCategories && !r.haveDayCases) {
                continue; // further header lines
            }
            ok = fail(r.error, r.in.expected("a section line"));
        } else if (iequals(*section, "Settings") && !r.haveSettings) {
            ok = readSettings(r);
        } else if (iequals(*section, "Categories") && !r.haveCategories) {
            ok = readCategories(r);
        } else if (iequals(*section, "Day cases") && !r.haveDayCases) {
            if (!r.haveSettings || !r.haveCategories) {
                ok = fail(r.error,
                          r.in.at("the sections [Settings] and [Categories] must come before [Day cases]."));
                break;
            }
            ok = readDayCases(r);
            if (ok) {
                TrafficAll &all = r.traffic.All;
                r.profileRead.assign(all.DayCases, false);
                all.vShort.resize(all.Nhours, all.DayCases, 0.0f);
                all.vLong.resize(all.Nhours, all.DayCases, 0.0f);
                all.coldStart.resize(all.Nhours, all.DayCases, 0.0f);
                for (auto &c : r.traffic.items) {
                    c.flow.resize(all.Nhours, all.DayCases, 0.0f);
                }
            }
        } else if (startsWithI(*section, "Day case ")) {
            ok = readProfile(r, *section);
        } else {
            ok = fail(r.error,
                      r.in.expected("the section [Settings], [Categories], [Day cases] or [Day case n], "
                                    "each once"));
        }
    }
    if (ok && (!r.haveSettings || !r.haveCategories || !r.haveDayCases)) {
        ok = fail(r.error,
                  r.in.whole("the file needs the sections [Settings], [Categories] and [Day cases]."));
    }
    for (size_t d = 0; ok && d < r.profileRead.size(); ++d) {
        if (!r.profileRead[d]) {
            ok = fail(r.error, r.in.whole("the profile of day case " + std::to_string(d + 1) +
                                          " (section [Day case " + std::to_string(d + 1) + "]) is missing."));
        }
    }
    if (!ok) {
        TrafficList.All.ErrorInTrafficFile = true;
        TrafficList.All.errorText = message;
        return fail(error, message);
    }

    TrafficAll &all = r.traffic.All;
    all.VehCategories = static_cast<int>(r.traffic.items.size());
    for (const auto &c : r.traffic.items) {
        all.vehCatNames.push_back(c.name);
    }
    fileAverages(r);
    all.AnnualDiurnalTraffic = all.sAnnualDiurnalTraffic;
    all.AverageTrafficSpeed = all.sAverageTrafficSpeed;
    if (all.TrafficFileType == 2) {
        if (annualDiurnalTraffic > 0 && all.sAnnualDiurnalTraffic > 0) {
            double factor = annualDiurnalTraffic / all.sAnnualDiurnalTraffic;
            for (auto &c : r.traffic.items) {
                c.flow.scale(factor);
            }
            all.AnnualDiurnalTraffic = static_cast<float>(annualDiurnalTraffic);
        }
        if (averageTrafficSpeed > 0 && all.sAverageTrafficSpeed > 0) {
            double factor = averageTrafficSpeed / all.sAverageTrafficSpeed;
            all.vShort.scale(factor);
            all.vLong.scale(factor);
            all.AverageTrafficSpeed = static_cast<float>(averageTrafficSpeed);
        }
    }

    TrafficList = std::move(r.traffic);
    rebuildEmissionList();
    std::vector<std::string> names;
    for (const auto &p : m_pollutants) {
        names.push_back(p.name);
    }
    EmissionTable.reset(names, TrafficList.All.Nhours, TrafficList.All.DayCases);
    return true;
}

} // namespace vesk
