#include "calc/StreetRecords.h"

#include "calc/Format.h"
#include "calc/RunErrors.h"

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

float single(RecordReader &f) {
    return static_cast<float>(f.readDouble());
}

int integer(RecordReader &f) {
    long v = f.readLong();
    if (v < -32768 || v > 32767) {
        throw RunError(6, "Overflow in " + f.fileName() + " at line " + std::to_string(f.line()) + ": " +
                              std::to_string(v) + " is not a 16-bit integer");
    }
    return static_cast<int>(v);
}

// Items from the traffic file to the orientation, common to both records.
void readStreetItems(CalcState &s, RecordReader &f) {
    s.TrafficFile = f.readString();
    s.AnnualDiurnalTraffic = single(f);
    s.AverageTrafficSpeed = single(f);
    s.StreetHeight = single(f);
    s.StreetWidth = single(f);
    s.StreetLength_1 = single(f);
    s.StreetLength_2 = single(f);
    s.StreetOrientation = single(f);
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
        s.SectorStart[k] = single(f);
        s.SectorEnd[k] = single(f);
        s.SectorValue[k] = single(f);
    }
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

void ReadStreetRecord(CalcState &s, RecordReader &f) {
    reading(f, [&] {
        s.StreetActive = f.readBool();
        s.CurrentStreetName = f.readString();
        s.StreetX = single(f);
        s.StreetY = single(f);
        readStreetItems(s, f);
        int side = integer(f);
        s.RecHeight = single(f);
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
        s.SpeedPerson = single(f);
        s.SegmentLength = single(f);
        DateTimeParts in = dateItem(f);
        DateTimeParts out = dateItem(f);
        s.TimeInSegInp = single(f);
        readStreetItems(s, f);
        int side = integer(f);
        s.RecHeight = single(f);
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
