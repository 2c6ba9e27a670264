#pragma once

// The values behind the cells of the statistics files: a statistic of
// StatVarList by its file name, one day's value of DailyAverageList, and a
// property of the current street or traffic file. Formatting them with the
// cell's pattern is left to the caller (calc/StatFormat.h).
//
// Side rule: a name ending in "_1" or "_2" asks for that street side and its
// statistic key is the name less those two characters; any other name (also
// one ending in a digit, such as a key ending in PM10 or PM2.5) is a key of
// its own and asks for receptor 0, the larger of both sides.

#include <string>
#include <string_view>

namespace vesk {

struct CalcState;

// A cell's value: a number kept in single precision, one kept in double
// precision (map coordinates), a whole number, or a text.
struct StatCell {
    enum class Kind { Single, Double, Whole, Text };
    Kind kind = Kind::Single;
    double number = 0.0;
    std::string text;

    static StatCell single(float v) { return {Kind::Single, v, {}}; }
    static StatCell real(double v) { return {Kind::Double, v, {}}; }
    static StatCell whole(long v) { return {Kind::Whole, static_cast<double>(v), {}}; }
    static StatCell textual(std::string t) { return {Kind::Text, 0.0, std::move(t)}; }
};

struct StatName {
    std::string key;
    int receptor = 0; // 0 = the larger of both sides
};
StatName splitSideSuffix(std::string_view name);

// The statistic a statistics-file name asks for (receptor 0 = the larger of
// both sides, -99 = missing). False with an error when StatVarList holds no
// such key or the statistic has no such side.
bool statCellValue(const CalcState &state, std::string_view name, float *value, std::string *error);

// One day's value: day is the position (from 1) in DailyAverageList. Names,
// letter case ignored, later rules overriding earlier ones: containing "_mod",
// "_obs" or "_b" gives the day's modelled, observed or background value of the
// pollutant on the side of the name (0 = the larger side); "DayOfWeek",
// "DayCase", "X_coordinate", "Y_coordinate" and "StreetName" give those items
// of the day; any other name gives the number 0. False with an error for a day
// outside the list or a pollutant the day does not hold.
bool dailyCellValue(const CalcState &state, int day, std::string_view name, int pollutant, StatCell *cell,
                    std::string *error);

// Values of the run that a "streets" statistics file can ask for.
struct StreetCellValues {
    double X_coordinate = 0.0; // of the current street record
    double Y_coordinate = 0.0;
    long DailyTrafficCalc = 0;    // the run's average daily traffic
    float TravelSpeedCalc = 0.0f; // the run's mean travel speed (km/h)
};

// A street or traffic-file property by name (letter case ignored):
// X_coordinate, Y_coordinate, TrafficFile, DailyTraffic (AnnualDiurnalTraffic
// for a traffic file of type 0, else the run's DailyTrafficCalc), TravelSpeed
// (AverageTrafficSpeed for type 0, else TravelSpeedCalc), StreetHeight,
// StreetWidth, StreetLength_1, StreetLength_2, StreetOrientation, RecHeight;
// any other name is a statistic as in statCellValue, with its errors.
bool streetCellValue(const CalcState &state, const StreetCellValues &street, std::string_view name,
                     StatCell *cell, std::string *error);

} // namespace vesk
