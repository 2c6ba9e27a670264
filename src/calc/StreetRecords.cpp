#include "calc/StreetRecords.h"

#include "calc/Format.h"
#include "calc/RunErrors.h"
#include "core/Calendar.h"
#include "core/ValueRanges.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vesk {

namespace {

// Turns the record reader's exceptions into the run's error numbers.
template <typename F> void reading(RecordReader &file, F &&body) {
    try {
        body();
    } catch (const EndOfFileError &e) {
        throw RunError(kErrPastEnd, "Input past end of file in " + file.fileName() + " at line " +
                                        std::to_string(file.line()) + ": the record is incomplete");
    } catch (const RecordError &e) {
        throw RunError(kErrTypeMismatch, "Type mismatch in " + file.fileName() + " at line " +
                                             std::to_string(file.line()) + ": " + e.what());
    }
}

// "<file>, line n: " of the item read last.
std::string at(const RecordReader &f) {
    return f.fileName() + ", line " + std::to_string(f.fieldLine()) + ": ";
}

float single(RecordReader &f) {
    const double v = f.readDouble();
    if (!fitsSingle(v)) {
        throw RunError(kErrOverflow, "Overflow in " + at(f) + formatNumber(v) + " is too large for a number");
    }
    return static_cast<float>(v);
}

constexpr double kNoLimit = -HUGE_VAL;

// A Single that must lie within [low, high] (low kNoLimit: at most high);
// what names it in the message.
float single(RecordReader &f, const char *what, double low, double high) {
    const float v = single(f);
    if (v < low || v > high) {
        throw RunError(kErrOutOfRange, at(f) + "the " + what + " " + formatNumber(v) + " is out of range (" +
                                           (low == kNoLimit ? "at most " : formatNumber(low) + " to ") +
                                           formatNumber(high) + ")");
    }
    return v;
}

// A map coordinate: kept in double precision, national grids run to seven
// digits before the decimal point.
double coordinate(RecordReader &f) {
    const double v = f.readDouble();
    if (!std::isfinite(v)) {
        throw RunError(kErrOverflow, "Overflow in " + at(f) + formatNumber(v) + " is not a coordinate");
    }
    return v;
}

int integer(RecordReader &f) {
    long v = f.readLong();
    if (v < -32768 || v > 32767) {
        throw RunError(kErrOverflow, "Overflow in " + at(f) + std::to_string(v) + " is not a 16-bit integer");
    }
    return static_cast<int>(v);
}

// The street side item (receptors) of a record: one of the values that have
// a meaning in its file; any other is refused, since it would switch the
// street's receptors off without a word.
int streetSide(RecordReader &f, int highest, const char *meanings) {
    const int side = integer(f);
    if (side < 0 || side > highest) {
        throw RunError(kErrOutOfRange, at(f) + "the street side " + std::to_string(side) +
                                           " is out of range (" + meanings + ")");
    }
    return side;
}

// Items from the traffic file to the orientation, common to both records.
// A daily traffic or speed of 0 or below means "not given" (the traffic
// file's own values are taken).
void readStreetItems(CalcState &s, RecordReader &f) {
    s.TrafficFile = f.readString();
    s.AnnualDiurnalTraffic = single(f, "daily traffic", kNoLimit, kMaxDailyTraffic);
    s.AverageTrafficSpeed = single(f, "travel speed", kNoLimit, kMaxSpeed);
    s.StreetHeight = single(f, "street height", 0, kMaxStreetSize);
    s.StreetWidth = single(f, "street width", 0, kMaxStreetSize);
    s.StreetLength_1 = single(f, "street length 1", 0, kMaxStreetSize);
    s.StreetLength_2 = single(f, "street length 2", 0, kMaxStreetSize);
    s.StreetOrientation = single(f, "street orientation", 0, kMaxDegrees);
}

void readSectors(CalcState &s, RecordReader &f, const std::string &street) {
    for (int k = 1; k <= kMaxSectors; ++k) {
        s.SectorStart[k] = 0;
        s.SectorEnd[k] = 0;
        s.SectorValue[k] = 0;
    }
    if (s.NumWindSectors < 0 || s.NumWindSectors > kMaxSectors) {
        throw RunError(kErrSubscript, "Subscript out of range in " + f.fileName() + " at line " +
                                          std::to_string(f.line()) + ": the street " + street + " has " +
                                          std::to_string(s.NumWindSectors) + " wind sectors (at most " +
                                          std::to_string(kMaxSectors) + ")");
    }
    for (int k = 1; k <= s.NumWindSectors; ++k) {
        s.SectorStart[k] = single(f, "start of a wind sector", 0, kMaxDegrees);
        s.SectorEnd[k] = single(f, "end of a wind sector", 0, kMaxDegrees);
        s.SectorValue[k] = single(f, "building height of a wind sector", 0, kMaxStreetSize);
    }
}

long long secondsOf(const DateTimeParts &t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

DateTimeParts dateItem(RecordReader &f) {
    auto text = f.readString();
    DateTimeParts t;
    if (!parseDateTimeText(text, &t)) {
        throw RunError(kErrTypeMismatch, "Type mismatch in " + f.fileName() + " at line " +
                                             std::to_string(f.line()) + ": \"" + text +
                                             "\" is not a date and time");
    }
    return t;
}

} // namespace

std::string streetGeometryProblem(const CalcState &s) {
    struct Field {
        const char *name;
        double value, high;
        const char *unit;
    };
    std::vector<Field> fields = {{"street height", s.StreetHeight, kMaxStreetSize, "m"},
                                 {"street width", s.StreetWidth, kMaxStreetSize, "m"},
                                 {"street length 1", s.StreetLength_1, kMaxStreetSize, "m"},
                                 {"street length 2", s.StreetLength_2, kMaxStreetSize, "m"},
                                 {"street orientation", s.StreetOrientation, kMaxDegrees, "degrees"},
                                 {"receptor height", s.RecHeight, kMaxStreetSize, "m"}};
    for (int k = 1; k <= std::min(s.NumWindSectors, kMaxSectors); ++k) {
        fields.push_back({"start of wind sector", s.SectorStart[k], kMaxDegrees, "degrees"});
        fields.push_back({"end of wind sector", s.SectorEnd[k], kMaxDegrees, "degrees"});
        fields.push_back({"building height of wind sector", s.SectorValue[k], kMaxStreetSize, "m"});
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field &f = fields[i];
        if (!(f.value >= 0 && f.value <= f.high)) {
            const std::string sector =
                i >= 6 ? " " + std::to_string((i - 6) / 3 + 1) : std::string();
            return "the " + std::string(f.name) + sector + " " + formatNumber(f.value) + " is out of range (0 to " +
                   formatNumber(f.high) + " " + f.unit + ").";
        }
    }
    return {};
}

void ReadStreetRecord(CalcState &s, RecordReader &f) {
    reading(f, [&] {
        s.StreetActive = f.readBool();
        s.CurrentStreetName = f.readString();
        s.StreetX = coordinate(f);
        s.StreetY = coordinate(f);
        readStreetItems(s, f);
        const int side = streetSide(f, 3, "0 both sides, 1 side 1, 2 side 2, 3 none");
        s.RecHeight = single(f, "receptor height", 0, kMaxStreetSize);
        s.NumWindSectors = integer(f);
        readSectors(s, f, s.CurrentStreetName);
        s.Receptor1 = side == 0 || side == 1 ? 1 : 0;
        s.Receptor2 = side == 0 || side == 2 ? 1 : 0;
    });
}

void ReadStreetRecordDated(CalcState &s, RecordReader &f) {
    reading(f, [&] {
        s.CurrentStreetName = f.readString();
        s.PersonId = f.readString();
        s.TurSegmentNo = integer(f);
        s.InpOut = integer(f);
        s.TranspStay = integer(f);
        s.TranspMode = integer(f);
        s.SpeedPerson = single(f, "speed of the person", kNoLimit, kMaxSpeed);
        s.SegmentLength = single(f);
        DateTimeParts in = dateItem(f);
        DateTimeParts out = dateItem(f);
        if (secondsOf(out) < secondsOf(in)) {
            throw RunError(kErrOutOfRange, at(f) + "the segment ends (" + Format(out, "yyyy-mm-dd hh:nn") +
                                               ") before it starts (" + Format(in, "yyyy-mm-dd hh:nn") + ")");
        }
        s.TimeInSegInp = single(f);
        readStreetItems(s, f);
        const int side = streetSide(f, 2, "1 side 1, 2 side 2, 0 none");
        s.RecHeight = single(f, "receptor height", 0, kMaxStreetSize);
        s.NumWindSectors = integer(f);
        readSectors(s, f, s.CurrentStreetName);
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
