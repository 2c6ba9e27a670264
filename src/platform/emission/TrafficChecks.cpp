// Checks, reference-year averages and editing helpers of traffic documents.
// The checks say in terms of the document (category, day case, period)
// what the reader would refuse in the file, so an editor can point at the
// cell; the writer still reads its text back before it writes anything.

#include "platform/emission/TrafficDocument.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"
#include "platform/Expression.h"

#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

// A text the file can hold in one quoted field.
std::string textProblem(const std::string &text, const char *what) {
    if (trim(text).empty()) {
        return std::string(what) + " is empty.";
    }
    if (text.find('"') != std::string::npos || text.find('\n') != std::string::npos ||
        text.find('\r') != std::string::npos) {
        return std::string(what) + " holds a double quote or a line break.";
    }
    return {};
}

bool compileCondition(Evaluator &evaluator, const std::string &code, Expression *out) {
    std::string why;
    return evaluator.parse(code, out, &why);
}

} // namespace

std::vector<TrafficProblem> checkTrafficDocument(const TrafficDocument &doc) {
    using Part = TrafficProblem::Part;
    std::vector<TrafficProblem> problems;
    auto add = [&](Part part, int row, std::string message, int period = -1, int column = -1) {
        problems.push_back({part, row, period, column, std::move(message)});
    };
    if (doc.headerLines.empty()) {
        add(Part::Header, -1, "The file needs a header line.");
    }
    for (size_t i = 0; i < doc.headerLines.size(); ++i) {
        const std::string h = trim(doc.headerLines[i]);
        if (h.empty() || (h.front() == '[' && h.back() == ']')) {
            add(Part::Header, static_cast<int>(i),
                "A header line must not be empty or look like a section line.");
        }
    }
    if (doc.type != 1 && doc.type != 2) {
        add(Part::Settings, 0, "The type must be 1 (counted traffic) or 2 (standard profile).");
    }
    if (doc.periods != 24 && doc.periods != 48) {
        add(Part::Settings, 1, "The periods must be 24 or 48.");
    }
    if (doc.categories.empty()) {
        add(Part::Category, -1, "The file needs at least one category.");
    }
    for (size_t i = 0; i < doc.categories.size(); ++i) {
        const TrafficCategoryDefinition &c = doc.categories[i];
        const int row = static_cast<int>(i);
        if (auto p = textProblem(c.name, "The category name"); !p.empty()) {
            add(Part::Category, row, p);
        } else if (c.name.find_first_of(" \t,;") != std::string::npos) {
            add(Part::Category, row,
                "The category name \"" + c.name + "\" holds a blank, comma or semicolon.");
        }
        if (c.longName.find('"') != std::string::npos) {
            add(Part::Category, row, "The long name of \"" + c.name + "\" holds a double quote.");
        }
        for (size_t j = 0; j < i; ++j) {
            if (iequals(doc.categories[j].name, c.name)) {
                add(Part::Category, row, "The category \"" + c.name + "\" is listed twice.");
            }
        }
        double total = 0;
        for (size_t k = 0; k < c.subNames.size(); ++k) {
            const double f = k < c.subFractions.size() ? c.subFractions[k] : 0.0;
            if (!textProblem(c.subNames[k], "").empty() ||
                c.subNames[k].find_first_of(" \t,;") != std::string::npos) {
                add(Part::Category, row, "A sub-category of \"" + c.name + "\" has no valid name.");
            }
            if (!(f > 0 && f <= 1)) {
                add(Part::Category, row,
                    "The fraction of \"" + c.subNames[k] + "\" in \"" + c.name +
                        "\" must lie above 0 and up to 1.");
            }
            for (size_t j = 0; j < k; ++j) {
                if (iequals(c.subNames[j], c.subNames[k])) {
                    add(Part::Category, row, "The sub-category \"" + c.subNames[k] + "\" is listed twice.");
                }
            }
            total += f;
        }
        if (c.composed() && std::fabs(total - 1.0) > kFractionTolerance) {
            add(Part::Category, row,
                "The sub-category fractions of \"" + c.name + "\" add up to " + formatNumber(total) +
                    " instead of 1.");
        }
    }
    const size_t ncat = doc.categories.size();
    for (size_t d = 0; d < doc.dayCases.size(); ++d) {
        const TrafficDayCaseProfile &dc = doc.dayCases[d];
        const int row = static_cast<int>(d);
        if (auto p = textProblem(dc.name, "The day-case name"); !p.empty()) {
            add(Part::DayCase, row, p);
        }
        for (const auto *code : {&dc.codeDay, &dc.codeMonth}) {
            if (code->find('"') != std::string::npos) {
                add(Part::DayCase, row, "A condition of \"" + dc.name + "\" holds a double quote.");
            } else if (std::string why = conditionProblem(*code); !why.empty()) {
                add(Part::DayCase, row,
                    "The " + std::string(code == &dc.codeDay ? "day" : "month") + " condition of \"" +
                        dc.name + "\" is not valid: " + why);
            }
        }
        if (dc.periods.size() != static_cast<size_t>(doc.periods)) {
            add(Part::Profile, row,
                "The profile of \"" + dc.name + "\" needs " + std::to_string(doc.periods) + " periods.");
            continue;
        }
        for (size_t h = 0; h < dc.periods.size(); ++h) {
            const TrafficPeriod &p = dc.periods[h];
            const int period = static_cast<int>(h);
            const std::string where = " in period " + std::to_string(h + 1) + " of \"" + dc.name + "\"";
            if (p.flows.size() != ncat) {
                add(Part::Profile, row, "The flows" + where + " do not match the categories.", period);
                continue;
            }
            for (size_t c = 0; c < ncat; ++c) {
                if (!(p.flows[c] >= 0 && p.flows[c] <= kMaxVehicleFlow)) {
                    add(Part::Profile, row,
                        "The flow of " + doc.categories[c].name + where + " must lie from 0 to " +
                            formatNumber(kMaxVehicleFlow) + " vehicles.",
                        period, static_cast<int>(c));
                }
            }
            const double speeds[2] = {p.speedLight, p.speedHeavy};
            for (int k = 0; k < 2; ++k) {
                if (!(speeds[k] > 0 && speeds[k] <= kMaxSpeed)) {
                    add(Part::Profile, row,
                        std::string(k == 0 ? "The light" : "The heavy") + "-vehicle speed" + where +
                            " must lie above 0 and up to " + formatNumber(kMaxSpeed) + " km/h.",
                        period, static_cast<int>(ncat) + k);
                }
            }
            if (!(p.coldStart >= 0 && p.coldStart <= 100)) {
                add(Part::Profile, row, "The cold-start share" + where + " must lie from 0 to 100 %.", period,
                    static_cast<int>(ncat) + 2);
            }
        }
    }
    return problems;
}

int trafficDayCaseOf(const TrafficDocument &doc, int weekday, int month) {
    Evaluator evaluator;
    const int dayNow = evaluator.defineVariable("DayNow");
    const int monthNow = evaluator.defineVariable("MonthNow");
    evaluator.setVariable(dayNow, weekday);
    evaluator.setVariable(monthNow, month);
    for (size_t d = 0; d < doc.dayCases.size(); ++d) {
        // As the run does: both conditions joined, holding when the value rounds to 1.
        Expression condition;
        if (!compileCondition(evaluator, trafficDayCaseCondition(doc.dayCases[d]), &condition)) {
            continue;
        }
        const double v = evaluator.evaluate(condition);
        if (std::isfinite(v) && std::fabs(v) < 1e9 && roundHalfEven(v) == 1) {
            return static_cast<int>(d) + 1;
        }
    }
    return 0;
}

TrafficAverages trafficFileAverages(const TrafficDocument &doc) {
    static const int daysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    double days = 0, traffic = 0, speed = 0;
    for (int month = 1; month <= 12; ++month) {
        for (int weekday = 1; weekday <= 7; ++weekday) {
            const int d = trafficDayCaseOf(doc, weekday, month);
            if (d == 0 || doc.dayCases[d - 1].periods.empty()) {
                continue;
            }
            const double weight = daysInMonth[month - 1] / 7.0;
            double total = 0, speeds = 0;
            // Values are summed as the run holds them: in single precision.
            for (const TrafficPeriod &p : doc.dayCases[d - 1].periods) {
                for (double f : p.flows) {
                    total += static_cast<float>(f);
                }
                speeds += static_cast<float>(p.speedLight);
            }
            days += weight;
            traffic += weight * total;
            speed += weight * speeds / static_cast<double>(doc.dayCases[d - 1].periods.size());
        }
    }
    TrafficAverages a;
    if (days > 0) {
        a.dailyTraffic = traffic / days;
        a.speed = speed / days;
    }
    return a;
}

void scaleTrafficFlows(TrafficDocument &doc, double factor) {
    for (auto &d : doc.dayCases) {
        for (auto &p : d.periods) {
            for (double &f : p.flows) {
                f *= factor;
            }
        }
    }
}

void scaleTrafficSpeeds(TrafficDocument &doc, double factor) {
    for (auto &d : doc.dayCases) {
        for (auto &p : d.periods) {
            p.speedLight *= factor;
            p.speedHeavy *= factor;
        }
    }
}

void setTrafficPeriods(TrafficDocument &doc, int periods) {
    if ((periods != 24 && periods != 48) || periods == doc.periods) {
        return;
    }
    for (auto &d : doc.dayCases) {
        std::vector<TrafficPeriod> out;
        if (periods == 48) {
            for (const TrafficPeriod &p : d.periods) {
                TrafficPeriod half = p;
                for (double &f : half.flows) {
                    f /= 2;
                }
                out.push_back(half);
                out.push_back(half);
            }
        } else {
            for (size_t h = 0; h + 1 < d.periods.size(); h += 2) {
                const TrafficPeriod &a = d.periods[h], &b = d.periods[h + 1];
                TrafficPeriod sum = a;
                double wa = 0, wb = 0;
                for (size_t c = 0; c < sum.flows.size() && c < b.flows.size(); ++c) {
                    sum.flows[c] = a.flows[c] + b.flows[c];
                    wa += a.flows[c];
                    wb += b.flows[c];
                }
                if (wa + wb <= 0) {
                    wa = wb = 1;
                }
                auto mean = [&](double x, double y) { return (x * wa + y * wb) / (wa + wb); };
                sum.speedLight = mean(a.speedLight, b.speedLight);
                sum.speedHeavy = mean(a.speedHeavy, b.speedHeavy);
                sum.coldStart = mean(a.coldStart, b.coldStart);
                out.push_back(sum);
            }
        }
        d.periods = std::move(out);
    }
    doc.periods = periods;
}

void insertTrafficCategory(TrafficDocument &doc, int position, const TrafficCategoryDefinition &category) {
    const int n = static_cast<int>(doc.categories.size());
    if (position < 0 || position > n) {
        position = n;
    }
    doc.categories.insert(doc.categories.begin() + position, category);
    for (auto &d : doc.dayCases) {
        for (auto &p : d.periods) {
            p.flows.insert(p.flows.begin() + std::min<int>(position, static_cast<int>(p.flows.size())), 0.0);
        }
    }
}

void removeTrafficCategory(TrafficDocument &doc, int position) {
    if (position < 0 || position >= static_cast<int>(doc.categories.size())) {
        return;
    }
    doc.categories.erase(doc.categories.begin() + position);
    for (auto &d : doc.dayCases) {
        for (auto &p : d.periods) {
            if (position < static_cast<int>(p.flows.size())) {
                p.flows.erase(p.flows.begin() + position);
            }
        }
    }
}

void insertTrafficDayCase(TrafficDocument &doc, int position, const std::string &name, int copyFrom) {
    const int n = static_cast<int>(doc.dayCases.size());
    TrafficDayCaseProfile d;
    if (copyFrom >= 0 && copyFrom < n) {
        d = doc.dayCases[copyFrom];
    } else {
        d.periods.assign(doc.periods,
                         TrafficPeriod{std::vector<double>(doc.categories.size(), 0.0), 50, 50, 0});
    }
    d.name = name;
    d.codeDay.clear();
    d.codeMonth.clear();
    if (position < 0 || position > n) {
        position = n;
    }
    doc.dayCases.insert(doc.dayCases.begin() + position, std::move(d));
}

void removeTrafficDayCase(TrafficDocument &doc, int position) {
    if (position >= 0 && position < static_cast<int>(doc.dayCases.size())) {
        doc.dayCases.erase(doc.dayCases.begin() + position);
    }
}

void moveTrafficDayCase(TrafficDocument &doc, int from, int to) {
    const int n = static_cast<int>(doc.dayCases.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) {
        return;
    }
    TrafficDayCaseProfile d = std::move(doc.dayCases[from]);
    doc.dayCases.erase(doc.dayCases.begin() + from);
    doc.dayCases.insert(doc.dayCases.begin() + to, std::move(d));
}

std::string trafficCategoryMismatch(const TrafficDocument &doc,
                                    const std::vector<std::string> &vehicleCategories) {
    std::vector<std::string> expanded;
    for (const auto &c : doc.categories) {
        if (c.composed()) {
            expanded.insert(expanded.end(), c.subNames.begin(), c.subNames.end());
        } else {
            expanded.push_back(c.name);
        }
    }
    bool same = expanded.size() == vehicleCategories.size();
    for (size_t i = 0; same && i < expanded.size(); ++i) {
        same = iequals(expanded[i], vehicleCategories[i]);
    }
    if (same) {
        return {};
    }
    auto join = [](const std::vector<std::string> &names) {
        std::string text;
        for (const auto &n : names) {
            text += (text.empty() ? "" : ", ") + n;
        }
        return text.empty() ? std::string("(none)") : text;
    };
    return "The vehicle categories of the traffic file do not match those of the vehicle list.\r\n"
           "Traffic file (composed categories split): " +
           join(expanded) + "\r\nVehicle list: " + join(vehicleCategories);
}

} // namespace vesk
