#pragma once

// The key information above the results table: the street and the time of
// calculation, the average daily traffic, the emission scenario year, the
// period covered and the urban background, five lines in all. The lines are
// always built, whatever the traffic file type and however narrow the box.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct State;

namespace results {

// What the key information tells, taken from the last run and the project.
struct KeyInfoFacts {
    std::string streetName;
    std::string calcTime;                    // "yyyy-mm-dd hh:mm:ss" ("" = no run)
    std::string firstCalcDate, lastCalcDate; // "yyyy-mm-dd hh:mm" ("" = none)
    long dailyTrafficCalc = -99;             // vehicles a day; negative = no traffic data
    int trafficFileType = -1;                // 0 standard traffic file, 1 user's, -1 none
    std::string trafficFile;
    double annualDiurnalTraffic = 0; // vehicles a day given for the project
    int scenarioYear = 0;
    // The city size of the run: below 1 the user provided meteorology and
    // background; not known for saved street results of an older layout, whose
    // lines then say so rather than name either.
    bool citySizeKnown = true;
    int citySize = 0;
    std::string citySizeName; // of a standard city type
};

// The facts of the last run: what the run kept of its traffic, city size and
// scenario year when it ended, whatever the project holds since.
KeyInfoFacts keyInfoFactsFrom(const State &s);

// The name of a standard city size in the country's list ("" below 1 or
// beyond the list).
std::string citySizeName(const State &s, int citySize);

// The key information's traffic file type (0 standard, 1 the user's own) of
// the type a traffic file gives (1 counted traffic, 2 a standard profile
// scaled to the traffic of the project or street).
int keyInfoTrafficFileType(int trafficFileType);

// Text width in the key-information box's font, in the unit of boxWidth.
using TextWidth = std::function<double(std::string_view)>;

// The five lines. Line 1 spreads "Street: ..." and "Calculated on: ..." over
// the box with blanks: the widest spread whose width times 1.3 stays below
// boxWidth, at least one blank. Dates of line 4 read "dd. mmmm yyyy hh:mm".
std::vector<std::string> keyInfoLines(const KeyInfoFacts &facts, double boxWidth, const TextWidth &widthOf);

// The lines as the box holds them: each but the last followed by CR LF.
std::string joinKeyInfo(const std::vector<std::string> &lines);

// The street and the time of calculation told by a first key-information
// line ("Street: <name>   Calculated on: <time>"); both empty when the line
// is not of that form.
void splitFirstKeyInfoLine(std::string_view line, std::string *street, std::string *calcTime);

// The window caption: "Summary of Results for <street>. Calculated on
// <time> [<result file name without brackets>]".
std::string resultsCaption(const std::string &street, const std::string &calcTime,
                           const std::string &resultName);

} // namespace results
} // namespace vesk
