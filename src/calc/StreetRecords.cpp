#include "calc/StreetRecords.h"

#include "calc/Format.h"
#include "calc/RunErrors.h"
#include "core/Calendar.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"
#include "project/StreetConfig.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vesk {

namespace {

constexpr int kStreetItems = 15;
constexpr int kRouteItems = 22;
constexpr int kSectorItems = 3;

// What the messages name while a record is read.
struct Reading {
    RecordReader &f;
    std::string rule;   // what the line being read must be: "a street record is one line of 15 items"
    std::string line;   // what it holds, once known: "the street \"Main\"", "wind sector 2 of ..."
    std::string record; // the record, once its line has been read: "the street \"Main\" (line 4)"
};

// Runs body, turning the record reader's exceptions into the run's error
// numbers. A line that holds too few items is read no further than its end,
// one that holds too many no further than its own items: either is named
// with its own line and record, never blamed on the next.
template <typename F> void reading(Reading &r, F &&body) {
    RecordReader &file = r.f;
    try {
        body();
    } catch (const FieldTooLongError &e) {
        throw RunError(kErrOverflow, e.what());
    } catch (const RecordLineError &e) {
        throw RunError(e.held() < e.expected() ? kErrPastEnd : kErrOutOfRange, e.describe(r.line, r.rule));
    } catch (const EndOfFileError &e) {
        throw RunError(kErrPastEnd, "Input past end of file in " + file.fileName() + " at line " +
                                        std::to_string(file.line()) + ": the record" +
                                        (r.record.empty() ? "" : " of " + r.record) + " is incomplete");
    } catch (const RecordError &e) {
        throw RunError(kErrTypeMismatch, "Type mismatch in " + file.fileName() + " at line " +
                                             std::to_string(file.fieldLine()) + ": " + e.what());
    }
}

// "<file>, line n: "
std::string at(const RecordReader &f, int line) {
    return f.fileName() + ", line " + std::to_string(line) + ": ";
}

float single(const std::string &at, double v) {
    if (!fitsSingle(v)) {
        throw RunError(kErrOverflow, "Overflow in " + at + formatNumber(v) + " is too large for a number");
    }
    return static_cast<float>(v);
}

constexpr double kNoLimit = -HUGE_VAL;

// A Single that must lie within [low, high] (low kNoLimit: at most high);
// what names it in the message.
float single(const std::string &at, double value, const char *what, double low, double high) {
    const float v = single(at, value);
    if (v < low || v > high) {
        throw RunError(kErrOutOfRange, at + "the " + what + " " + formatNumber(v) + " is out of range (" +
                                           (low == kNoLimit ? "at most " : formatNumber(low) + " to ") +
                                           formatNumber(high) + ")");
    }
    return v;
}

// A map coordinate: kept in double precision, national grids run to seven
// digits before the decimal point.
double coordinate(const std::string &at, double v) {
    if (!std::isfinite(v)) {
        throw RunError(kErrOverflow, "Overflow in " + at + formatNumber(v) + " is not a coordinate");
    }
    return v;
}

// An Integer item: a whole number, never rounded (a street side of 1.5
// would model side 2 without a word); meanings, when given, close the
// message.
int integer(const std::string &at, double v, const char *what, const char *meanings = nullptr) {
    if (!(v >= -32768.5 && v < 32767.5)) {
        throw RunError(kErrOverflow, "Overflow in " + at + formatNumber(v) + " is not a 16-bit integer");
    }
    if (v != std::trunc(v)) {
        throw RunError(kErrOutOfRange, at + "the " + what + " " + formatNumber(v) + " is not a whole number" +
                                           (meanings != nullptr ? " (" + std::string(meanings) + ")" : ""));
    }
    return static_cast<int>(v);
}

// The street side item (receptors) of a record: one of the values that have
// a meaning in its file; any other is refused, since it would switch the
// street's receptors off without a word.
int streetSide(const std::string &at, double v, int highest, const char *meanings) {
    const int side = integer(at, v, "street side", meanings);
    if (side < 0 || side > highest) {
        throw RunError(kErrOutOfRange, at + "the street side " + std::to_string(side) + " is out of range (" +
                                           meanings + ")");
    }
    return side;
}

// The items both records end with, from the traffic file to the number of
// wind sectors, as the line holds them.
struct StreetItems {
    std::string trafficFile;
    double dailyTraffic, speed, height, width, length1, length2, orientation, side, recHeight, sectors;
};

StreetItems readStreetItems(RecordLine &line) {
    StreetItems i;
    i.trafficFile = line.readString();
    for (double *v : {&i.dailyTraffic, &i.speed, &i.height, &i.width, &i.length1, &i.length2, &i.orientation,
                      &i.side, &i.recHeight, &i.sectors}) {
        *v = line.readDouble();
    }
    return i;
}

// The wind sector lines of the record read in r (`record`: "<file>, line n: " of its line).
void readSectors(CalcState &s, Reading &r, const std::string &record) {
    RecordReader &f = r.f;
    for (int k = 1; k <= kMaxSectors; ++k) {
        s.SectorStart[k] = 0;
        s.SectorEnd[k] = 0;
        s.SectorValue[k] = 0;
    }
    if (s.NumWindSectors < 0 || s.NumWindSectors > kMaxSectors) {
        throw RunError(kErrSubscript, "Subscript out of range in " + record + r.line + " has " +
                                          std::to_string(s.NumWindSectors) + " wind sectors (at most " +
                                          std::to_string(kMaxSectors) + ")");
    }
    r.rule = "a wind sector is one line of " + std::to_string(kSectorItems) +
             " items (its start, end and building height)";
    for (int k = 1; k <= s.NumWindSectors; ++k) {
        r.line = "wind sector " + std::to_string(k) + " of " + r.record;
        RecordLine line(f, kSectorItems);
        const double start = line.readDouble(), end = line.readDouble(), value = line.readDouble();
        const std::string where = at(f, line.line());
        s.SectorStart[k] = single(where, start, "start of a wind sector", 0, kMaxDegrees);
        s.SectorEnd[k] = single(where, end, "end of a wind sector", 0, kMaxDegrees);
        s.SectorValue[k] = single(where, value, "building height of a wind sector", 0, kMaxStreetSize);
    }
}

// Judges the street items of the record read in r (its line at `where`), in
// their order, then reads its wind sectors; the street side (one of 0 to
// highest) is returned. A daily traffic or speed of 0 or below means "not
// given" (the traffic file's own values are taken).
int setStreetItems(CalcState &s, Reading &r, const std::string &where, const StreetItems &i, int highest,
                   const char *meanings) {
    s.TrafficFile = i.trafficFile;
    s.AnnualDiurnalTraffic = single(where, i.dailyTraffic, "daily traffic", kNoLimit, kMaxDailyTraffic);
    s.AverageTrafficSpeed = single(where, i.speed, "travel speed", kNoLimit, kMaxSpeed);
    s.StreetHeight = single(where, i.height, "street height", 0, kMaxStreetSize);
    s.StreetWidth = single(where, i.width, "street width", 0, kMaxStreetSize);
    s.StreetLength_1 = single(where, i.length1, "street length 1", 0, kMaxStreetSize);
    s.StreetLength_2 = single(where, i.length2, "street length 2", 0, kMaxStreetSize);
    s.StreetOrientation = single(where, i.orientation, "street orientation", 0, kMaxDegrees);
    const int side = streetSide(where, i.side, highest, meanings);
    s.RecHeight = single(where, i.recHeight, "receptor height", 0, kMaxStreetSize);
    s.NumWindSectors = integer(where, i.sectors, "number of wind sectors");
    readSectors(s, r, where);
    return side;
}

long long secondsOf(const DateTimeParts &t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

DateTimeParts dateItem(const RecordReader &f, int line, const std::string &text) {
    DateTimeParts t;
    if (!parseDateTimeText(text, &t)) {
        throw RunError(kErrTypeMismatch, "Type mismatch in " + f.fileName() + " at line " +
                                             std::to_string(line) + ": " + quotedText(text) +
                                             " is not a date and time");
    }
    const std::size_t begin = text.find_first_not_of(' ');
    const std::size_t digitsEnd = text.find_first_not_of("0123456789", begin);
    if (digitsEnd != std::string::npos && text[digitsEnd] == ':') {
        // A time alone would date the segment to the day the calendar counts from (30 December 1899):
        // it would find no hour and be passed over without a word.
        throw RunError(kErrTypeMismatch, "Type mismatch in " + f.fileName() + " at line " +
                                             std::to_string(line) + ": " + quotedText(text) +
                                             " is a time without a date; a route segment begins and "
                                             "ends at a date and time");
    }
    return t;
}

} // namespace

std::string streetGeometryProblem(const CalcState &s) {
    return streetGeometryProblem(streetConfigFromState(s));
}

void ReadStreetRecord(CalcState &s, RecordReader &f) {
    Reading r{f, "a street record is one line of " + std::to_string(kStreetItems) + " items", {}, {}};
    reading(r, [&] {
        RecordLine line(f, kStreetItems);
        s.StreetActive = line.readBool();
        s.CurrentStreetName = line.readString();
        r.line = "the street " + quotedText(s.CurrentStreetName);
        const double x = line.readDouble(), y = line.readDouble();
        const StreetItems items = readStreetItems(line);
        // The values are judged once the line is known to hold the record.
        const std::string where = at(f, line.line());
        r.record = r.line + " (line " + std::to_string(line.line()) + ")";
        s.StreetX = coordinate(where, x);
        s.StreetY = coordinate(where, y);
        const int side = setStreetItems(s, r, where, items, 3, "0 both sides, 1 side 1, 2 side 2, 3 none");
        s.Receptor1 = side == 0 || side == 1 ? 1 : 0;
        s.Receptor2 = side == 0 || side == 2 ? 1 : 0;
    });
}

bool streetCalculated(const CalcState &s) {
    return s.StreetActive && (s.Receptor1 == 1 || s.Receptor2 == 1);
}

void ReadStreetRecordDated(CalcState &s, RecordReader &f) {
    Reading r{f, "a route record is one line of " + std::to_string(kRouteItems) + " items", {}, {}};
    reading(r, [&] {
        RecordLine line(f, kRouteItems);
        s.CurrentStreetName = line.readString();
        r.line = "the route segment " + quotedText(s.CurrentStreetName);
        s.PersonId = line.readString();
        r.line += " of the person " + quotedText(s.PersonId);
        const double segmentNo = line.readDouble(), inpOut = line.readDouble(), stay = line.readDouble(),
                     mode = line.readDouble(), speed = line.readDouble(), length = line.readDouble();
        const std::string inText = line.readString(), outText = line.readString();
        const double timeInSeg = line.readDouble();
        const StreetItems items = readStreetItems(line);
        const std::string where = at(f, line.line());
        r.record = r.line + " (line " + std::to_string(line.line()) + ")";
        s.TurSegmentNo = integer(where, segmentNo, "trip segment number");
        s.InpOut = integer(where, inpOut, "in/out code");
        s.TranspStay = integer(where, stay, "stay code");
        s.TranspMode = integer(where, mode, "transport mode");
        s.SpeedPerson = single(where, speed, "speed of the person", kNoLimit, kMaxSpeed);
        s.SegmentLength = single(where, length);
        const DateTimeParts in = dateItem(f, line.line(), inText);
        const DateTimeParts out = dateItem(f, line.line(), outText);
        if (secondsOf(out) < secondsOf(in)) {
            throw RunError(kErrOutOfRange, where + "the segment ends (" + Format(out, "yyyy-mm-dd hh:nn") +
                                               ") before it starts (" + Format(in, "yyyy-mm-dd hh:nn") + ")");
        }
        s.TimeInSegInp = single(where, timeInSeg);
        const int side = setStreetItems(s, r, where, items, 2, "1 side 1, 2 side 2, 0 none");
        s.Receptor1 = side == 1 ? 1 : 0;
        s.Receptor2 = side == 2 ? 1 : 0;
        s.SegTimeIn = in;
        s.SegTimeOut = out;
        s.StartDateRun = PeriodDate{in.year, in.month, in.day};
        s.StartHourRun = in.hour + 1;
        s.EndDateRun = PeriodDate{out.year, out.month, out.day};
        s.EndHourRun = out.hour + 1;
    });
}

} // namespace vesk
