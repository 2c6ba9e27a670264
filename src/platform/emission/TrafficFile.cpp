// The traffic of the emission component: a traffic file (or a document an
// editor made) becomes the traffic collection the run reads. The file's own
// average daily traffic and speed are worked out over a reference year (see
// TrafficDocument.h); a standard profile (type 2) is then scaled to the
// project's values.

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/TrafficDocument.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"

#include <cmath>

namespace vesk {

namespace {

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

} // namespace

ParsedTrafficFile ParseTrafficFile(const std::string &path) {
    ParsedTrafficFile file;
    file.path = path;
    std::string text;
    file.read = readTextFile(path, &text, &file.error);
    file.parsed = file.read && parseTrafficDocument(text, path, &file.doc, &file.error);
    if (file.parsed) {
        const std::vector<TrafficProblem> problems = checkTrafficDocument(file.doc);
        if (!problems.empty()) {
            file.problem = problems.front().message;
        } else {
            file.averages = trafficFileAverages(file.doc);
        }
    }
    return file;
}

bool EmissionLibrary::ReadTrafficFile(const std::string &path, double averageTrafficSpeed,
                                      double annualDiurnalTraffic, std::string *error) {
    return ReadTrafficFile(ParseTrafficFile(path), averageTrafficSpeed, annualDiurnalTraffic, error);
}

bool EmissionLibrary::ReadTrafficFile(const ParsedTrafficFile &file, double averageTrafficSpeed,
                                      double annualDiurnalTraffic, std::string *error) {
    const std::string &path = file.path;
    std::string message = file.error;
    bool ok = file.read;
    // The project's values that scale a standard profile (0 or below: not given).
    if (ok && !(annualDiurnalTraffic <= kMaxDailyTraffic)) {
        ok = fail(&message, path + ": the daily traffic " + formatNumber(annualDiurnalTraffic) +
                                " given for the street is out of range (at most " +
                                formatNumber(kMaxDailyTraffic) + " vehicles a day).");
    } else if (ok && !(averageTrafficSpeed <= kMaxSpeed)) {
        ok = fail(&message, path + ": the travel speed " + formatNumber(averageTrafficSpeed) +
                                " given for the street is out of range (at most " + formatNumber(kMaxSpeed) +
                                " km/h).");
    }
    ok = ok && file.parsed;
    ok = ok && setTrafficData(file.doc, file.problem, file.averages, averageTrafficSpeed, annualDiurnalTraffic,
                              &message);
    if (!ok) {
        TrafficList.All.ErrorInTrafficFile = true;
        TrafficList.All.errorText = message;
        return fail(error, message);
    }
    return true;
}

bool EmissionLibrary::SetTrafficData(const TrafficDocument &doc, double averageTrafficSpeed,
                                     double annualDiurnalTraffic, std::string *error) {
    const std::vector<TrafficProblem> problems = checkTrafficDocument(doc);
    if (!problems.empty()) {
        return fail(error, problems.front().message);
    }
    return setTrafficData(doc, {}, trafficFileAverages(doc), averageTrafficSpeed, annualDiurnalTraffic, error);
}

// problem: the document's first problem ("" when none); own: its averages.
bool EmissionLibrary::setTrafficData(const TrafficDocument &doc, const std::string &problem,
                                     const TrafficAverages &own, double averageTrafficSpeed,
                                     double annualDiurnalTraffic, std::string *error) {
    if (!problem.empty()) {
        return fail(error, problem);
    }
    TrafficCollection traffic;
    TrafficAll &all = traffic.All;
    all.TrafficFileType = doc.type;
    all.Nhours = doc.periods;
    all.DayCases = static_cast<int>(doc.dayCases.size());
    all.VehCategories = static_cast<int>(doc.categories.size());
    for (const auto &c : doc.categories) {
        TrafficCategory item;
        item.name = c.name;
        item.longName = c.longName;
        item.subNames = c.subNames;
        for (double f : c.subFractions) {
            item.subFractions.push_back(static_cast<float>(f));
        }
        item.Composed = c.composed();
        item.flow.resize(all.Nhours, all.DayCases, 0.0f);
        traffic.items.push_back(std::move(item));
        all.vehCatNames.push_back(c.name);
    }
    all.vShort.resize(all.Nhours, all.DayCases, 0.0f);
    all.vLong.resize(all.Nhours, all.DayCases, 0.0f);
    all.coldStart.resize(all.Nhours, all.DayCases, 0.0f);
    for (int d = 1; d <= all.DayCases; ++d) {
        const TrafficDayCaseProfile &dc = doc.dayCases[d - 1];
        all.dayCaseNames.push_back(dc.name);
        all.codeDay.push_back(dc.codeDay);
        all.codeMonth.push_back(dc.codeMonth);
        int value = 0, cop = 0;
        structuredCondition(dc.codeDay, "DayNow", &value, &cop);
        all.dayCaseDay.push_back(value);
        all.dayCaseDayCop.push_back(cop);
        structuredCondition(dc.codeMonth, "MonthNow", &value, &cop);
        all.dayCaseMonth.push_back(value);
        all.dayCaseMonthCop.push_back(cop);
        for (int h = 1; h <= all.Nhours; ++h) {
            const TrafficPeriod &p = dc.periods[h - 1];
            for (size_t i = 0; i < traffic.items.size(); ++i) {
                traffic.items[i].flow.set(h, d, static_cast<float>(p.flows[i]));
            }
            all.vShort.set(h, d, static_cast<float>(p.speedLight));
            all.vLong.set(h, d, static_cast<float>(p.speedHeavy));
            all.coldStart.set(h, d, static_cast<float>(p.coldStart));
        }
    }

    all.sAnnualDiurnalTraffic = static_cast<float>(own.dailyTraffic);
    all.sAverageTrafficSpeed = static_cast<float>(own.speed);
    all.AnnualDiurnalTraffic = all.sAnnualDiurnalTraffic;
    all.AverageTrafficSpeed = all.sAverageTrafficSpeed;
    if (all.TrafficFileType == 2) {
        if (annualDiurnalTraffic > 0 && all.sAnnualDiurnalTraffic > 0) {
            double factor = annualDiurnalTraffic / all.sAnnualDiurnalTraffic;
            for (auto &c : traffic.items) {
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

    TrafficList = std::move(traffic);
    TrafficSource = doc;
    rebuildEmissionList();
    std::vector<std::string> names;
    for (const auto &p : m_pollutants) {
        names.push_back(p.name);
    }
    EmissionTable.reset(names, TrafficList.All.Nhours, TrafficList.All.DayCases);
    return true;
}

} // namespace vesk
