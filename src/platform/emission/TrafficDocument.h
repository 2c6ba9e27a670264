#pragma once

// A traffic file (.trf) as a document: what the file says, unscaled, in a
// form an editor can change and a writer can save. docs/formats.md gives the
// layout. The reader (parseTrafficDocument) refuses a malformed file as a
// whole with a message naming the file, the line and what was expected; the
// writer never writes a document the reader would refuse.
//
// Units: flows are vehicles per period (hour or half hour), speeds km/h,
// cold starts % of the period's vehicles. Indexes are 0-based throughout.

#include <string>
#include <vector>

namespace vesk {

// One period of a day case: the flow of every category (in the order of the
// document's categories), the two speeds and the cold-start share.
struct TrafficPeriod {
    std::vector<double> flows;
    double speedLight = 0; // km/h, of length class 1
    double speedHeavy = 0; // km/h, of length class 2
    double coldStart = 0;  // %
};

struct TrafficDayCaseProfile {
    std::string name;
    std::string codeDay;                // condition on DayNow; "" = every day
    std::string codeMonth;              // condition on MonthNow; "" = every month
    std::vector<TrafficPeriod> periods; // 24 or 48, in order
};

// How far the fractions of a composed category may add up from 1 (they are
// printed with a few decimals).
inline constexpr double kFractionTolerance = 0.001;

// A traffic category; a composed one lists vehicle-list categories with
// their fractions of its flow (each in (0, 1], together 1).
struct TrafficCategoryDefinition {
    std::string name;
    std::string longName;
    std::vector<std::string> subNames;
    std::vector<double> subFractions;
    bool composed() const { return !subNames.empty(); }
};

struct TrafficDocument {
    // The lines before the first section as they stand in the file (quotes
    // kept); at least one.
    std::vector<std::string> headerLines;
    int type = 2;     // 1 counted traffic, 2 standard profile scaled to the street
    int periods = 24; // 24 or 48
    std::vector<TrafficCategoryDefinition> categories;
    std::vector<TrafficDayCaseProfile> dayCases;
};

// A new document: the given categories, one day case "All days" without
// conditions, every flow 0, speeds 50/50 km/h, no cold starts.
TrafficDocument newTrafficDocument(const std::vector<TrafficCategoryDefinition> &categories,
                                   int periods = 24);

// Reads a traffic file. False with the reader's message (file, line, what was
// expected) when the file cannot be read or is malformed; *doc is then left
// as it was.
bool readTrafficDocument(const std::string &path, TrafficDocument *doc, std::string *error);
// The same for a text already in memory; fileName names it in messages.
bool parseTrafficDocument(const std::string &text, const std::string &fileName, TrafficDocument *doc,
                          std::string *error);

// The file text of a document (CR LF line ends, texts in double quotes,
// numbers in their shortest form with ".").
std::string trafficFileText(const TrafficDocument &doc);

// Saves a document through a temporary file and a rename. A document with a
// problem (checkTrafficDocument) is not written, and neither is a text the
// reader would refuse; the message names the file and says why. A failed
// write leaves the old file whole.
bool writeTrafficFile(const std::string &path, const TrafficDocument &doc, std::string *error);

// Where a problem of a document lies: the part, the row in it (0-based; the
// day case for Profile) and, for a profile, the period and column (0-based;
// columns are the categories, then speed light, speed heavy, cold start).
struct TrafficProblem {
    enum class Part { Header, Settings, Category, DayCase, Profile };
    Part part = Part::Header;
    int row = -1;
    int period = -1;
    int column = -1;
    std::string message;
};

// Every problem of a document the reader would refuse it for, in the order of
// the file. Empty when the document can be saved.
std::vector<TrafficProblem> checkTrafficDocument(const TrafficDocument &doc);

// The message of a day or month condition that does not compile ("" when it
// does). Conditions use DayNow and MonthNow, numbers, = <> < > <= >=, AND OR
// NOT, + - * / and brackets; an empty condition always holds.
std::string conditionProblem(const std::string &condition);

// The condition the run compiles for a day case: each non-blank condition in
// brackets, joined by " AND " when both are given ("" when neither is).
std::string trafficDayCaseCondition(const TrafficDayCaseProfile &dayCase);

// The file's own annual average daily traffic (vehicles/day) and average
// light-vehicle speed (km/h) over a reference year of 365 days in which each
// month has days-in-month / 7 days of every weekday, each day taking the first
// day case whose conditions hold. Day cases whose conditions do not compile
// never hold. Both 0 when no day of the year has a day case.
struct TrafficAverages {
    double dailyTraffic = 0;
    double speed = 0;
};
TrafficAverages trafficFileAverages(const TrafficDocument &doc);

// The 1-based day case that holds for a weekday (Monday = 1) and month, 0
// when none does. Used for the reference year and to tell the user which
// days a day case gets.
int trafficDayCaseOf(const TrafficDocument &doc, int weekday, int month);

// Editing helpers; each keeps the profiles in step with the categories and
// the periods.
void scaleTrafficFlows(TrafficDocument &doc, double factor);
void scaleTrafficSpeeds(TrafficDocument &doc, double factor);
// 24 -> 48 splits each hour's flows in two halves with the hour's speeds and
// cold start; 48 -> 24 adds the two halves' flows and takes the flow-weighted
// speeds and cold start (the plain mean when both halves are empty).
void setTrafficPeriods(TrafficDocument &doc, int periods);
// Inserts a category before position (at the end when position is out of
// range) with flows 0 in every period.
void insertTrafficCategory(TrafficDocument &doc, int position, const TrafficCategoryDefinition &category);
void removeTrafficCategory(TrafficDocument &doc, int position);
// Inserts a day case before position with a copy of the profile of copyFrom
// (or a zero profile when copyFrom is out of range).
void insertTrafficDayCase(TrafficDocument &doc, int position, const std::string &name, int copyFrom);
void removeTrafficDayCase(TrafficDocument &doc, int position);
// Moves day case from to position to (both 0-based); the order decides which
// day case an hour takes.
void moveTrafficDayCase(TrafficDocument &doc, int from, int to);

// Empty when expanding the document's composed categories gives exactly
// vehicleCategories in order (names compared without regard to case);
// otherwise a message that says how they differ.
std::string trafficCategoryMismatch(const TrafficDocument &doc,
                                    const std::vector<std::string> &vehicleCategories);

} // namespace vesk
