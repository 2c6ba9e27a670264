#include "run/results/ResultsKeyInfo.h"

#include "calc/Format.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "run/State.h"

#include <cmath>

namespace vesk::results {

namespace {

std::string periodDate(const std::string &text) {
    DateTimeParts parts;
    if (text.empty() || !parseDateTimeText(text, &parts)) {
        return text;
    }
    return Format(parts, "dd. mmmm yyyy hh:mm");
}

std::string trafficText(const KeyInfoFacts &f) {
    if (f.trafficFile.empty()) {
        return "; User provided";
    }
    if (f.trafficFileType == 0) {
        return "; Default Traffic " + fileNamePart(nativePath(f.trafficFile));
    }
    return "; User provided [" + f.trafficFile + "]";
}

std::string firstLine(const KeyInfoFacts &f, double boxWidth, const TextWidth &widthOf) {
    const std::string left = "Street: " + f.streetName;
    const std::string right = "Calculated on: " + f.calcTime;
    auto withBlanks = [&](long n) {
        return left + std::string(static_cast<std::size_t>(std::max(n, 1L)), ' ') + right;
    };
    const double blank = widthOf(" ");
    const double halves = widthOf(left + right);
    const long n = blank > 0 ? std::lround((boxWidth - halves) / blank / 1.5) : 1;
    std::string line = withBlanks(1);
    for (long m = 1; m <= n - 1; ++m) {
        line = withBlanks(n - m);
        if (widthOf(line) * 1.3 < boxWidth) {
            break;
        }
    }
    return line;
}

} // namespace

int keyInfoTrafficFileType(int trafficFileType) {
    // A traffic file of type 2 is a standard profile scaled to the project's traffic.
    return trafficFileType == 2 ? 0 : trafficFileType;
}

std::string citySizeName(const State &s, int citySize) {
    if (citySize >= 1 && static_cast<std::size_t>(citySize) < s.CitySizeNames.size()) {
        return s.CitySizeNames[static_cast<std::size_t>(citySize)];
    }
    return {};
}

KeyInfoFacts keyInfoFactsFrom(const State &s) {
    KeyInfoFacts f;
    f.streetName = s.CalcStreetName.empty() ? s.StreetName : s.CalcStreetName;
    f.calcTime = s.CalcTime;
    f.firstCalcDate = s.FirstCalcDate;
    f.lastCalcDate = s.LastCalcDate;
    f.dailyTrafficCalc = s.DailyTrafficCalc;
    f.trafficFileType = keyInfoTrafficFileType(s.CalcTrafficFileType);
    f.trafficFile = s.CalcTrafficFile;
    f.annualDiurnalTraffic = s.CalcAnnualDiurnalTraffic;
    f.scenarioYear = s.CalcScenarioYear;
    f.citySize = s.CalcCitySize;
    f.citySizeName = s.CalcCitySizeName;
    return f;
}

std::vector<std::string> keyInfoLines(const KeyInfoFacts &f, double boxWidth, const TextWidth &widthOf) {
    const bool userMet = f.citySize < 1;
    const std::string metData = !f.citySizeKnown ? " (Meteorological Data not known)"
                                : userMet        ? " (User provided Meteorological Data)"
                                                 : " (Default Meteorological Data)";
    const std::string background = !f.citySizeKnown ? " Not known (not kept in the results file)"
                                   : userMet        ? " User provided"
                                             : " Default for a City with a population of " + f.citySizeName;

    std::string traffic = "Average Daily Traffic: ";
    if (f.dailyTrafficCalc < 0) {
        traffic += "Traffic data are missing";
    } else if (f.trafficFileType == 0) {
        traffic += plainNumberText(f.annualDiurnalTraffic, 7) +
                   " (Calculated: " + std::to_string(f.dailyTrafficCalc) + ")" + trafficText(f);
    } else {
        traffic += std::to_string(f.dailyTrafficCalc) + " (Calculated) " + trafficText(f);
    }
    return {firstLine(f, boxWidth, widthOf), traffic,
            "Emission Scenario Year: " + std::to_string(f.scenarioYear),
            "Period Covered" + metData + ": " + periodDate(f.firstCalcDate) + "  -  " +
                periodDate(f.lastCalcDate),
            "Urban Background: " + background};
}

std::string joinKeyInfo(const std::vector<std::string> &lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 < lines.size()) {
            text += "\r\n";
        }
    }
    return text;
}

void splitFirstKeyInfoLine(std::string_view line, std::string *street, std::string *calcTime) {
    street->clear();
    calcTime->clear();
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return;
    }
    const std::string lower = toLower(line);
    const std::size_t calculated = lower.find("calculated on", colon + 1);
    if (calculated == std::string::npos) {
        *street = trim(line.substr(colon + 1));
        return;
    }
    *street = trim(line.substr(colon + 1, calculated - colon - 1));
    const std::size_t dateColon = line.find(':', calculated);
    if (dateColon != std::string_view::npos) {
        *calcTime = trim(line.substr(dateColon + 1));
    }
}

std::string resultsCaption(const std::string &street, const std::string &calcTime,
                           const std::string &resultName) {
    std::string name;
    for (char c : resultName) {
        if (c != '[' && c != ']') {
            name += c;
        }
    }
    return "Summary of Results for " + street + ". Calculated on " + calcTime + " [" + name + "]";
}

} // namespace vesk::results
