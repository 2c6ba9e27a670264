#include "project/StreetSet.h"

#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"

#include <cmath>

namespace vesk {

namespace {

constexpr int kStreetItems = 15;
constexpr int kSectorItems = 3;

// "<file>, line n: " of the field read last.
std::string at(const RecordReader &f) {
    return f.fileName() + ", line " + std::to_string(f.fieldLine()) + ": ";
}

double number(RecordReader &f, double v, const char *what, double low, double high) {
    if (!std::isfinite(v) || v < low || v > high) {
        throw RecordError(at(f) + "the " + what + " " + formatNumber(v) + " is out of range (" +
                          formatNumber(low) + " to " + formatNumber(high) + ")");
    }
    return v;
}

double anyNumber(RecordReader &f, double v, const char *what) {
    if (!std::isfinite(v) || !fitsSingle(v)) {
        throw RecordError(at(f) + "the " + what + " is not a number");
    }
    return v;
}

// A whole number from 0 to high: never rounded, so that the editor neither
// shows nor saves another value than the file holds.
long wholeNumber(RecordReader &f, double v, const char *what, long high, const std::string &meanings) {
    if (!std::isfinite(v) || v != std::trunc(v)) {
        throw RecordError(at(f) + "the " + what + " " + formatNumber(v) + " is not a whole number");
    }
    if (v < 0 || v > static_cast<double>(high)) {
        throw RecordError(at(f) + "the " + what + " " + formatNumber(v) + " is out of range (" + meanings +
                          ")");
    }
    return static_cast<long>(v);
}

StreetSetEntry readEntry(RecordReader &f) {
    StreetSetEntry e;
    StreetConfig &c = e.street;
    // What names the line being read in a message, and what the line must hold.
    std::string what, rule = "a street record is one line of 15 items";
    try {
        RecordLine line(f, kStreetItems);
        e.active = line.readBool();
        c.StreetName = line.readString();
        what = "the street " + quotedText(c.StreetName);
        const double x = line.readDouble(), y = line.readDouble();
        e.trafficFile = line.readString();
        double values[10]; // from the daily traffic to the number of wind sectors
        for (double &v : values) {
            v = line.readDouble();
        }
        // The values are judged once the line is known to hold the record.
        e.x = anyNumber(f, x, "x coordinate");
        e.y = anyNumber(f, y, "y coordinate");
        // The runs read a daily traffic or speed of 0 or below as "the file's own".
        e.dailyTraffic =
            std::max(0.0, number(f, values[0], "daily traffic", -kMaxDailyTraffic, kMaxDailyTraffic));
        e.speed = std::max(0.0, number(f, values[1], "travel speed", -kMaxSpeed, kMaxSpeed));
        c.StreetHeight = number(f, values[2], "street height", 0, kMaxStreetSize);
        c.StreetWidth = number(f, values[3], "street width", 0, kMaxStreetSize);
        c.StreetLength_1 = number(f, values[4], "street length 1", 0, kMaxStreetSize);
        c.StreetLength_2 = number(f, values[5], "street length 2", 0, kMaxStreetSize);
        c.StreetOrientation = anyNumber(f, values[6], "orientation");
        const long side =
            wholeNumber(f, values[7], "street side", 3, "0 both sides, 1 side 1, 2 side 2, 3 none");
        c.Receptor1 = side == 0 || side == 1 ? 1 : 0;
        c.Receptor2 = side == 0 || side == 2 ? 1 : 0;
        c.RecHeight = number(f, values[8], "receptor height", 0, kMaxStreetSize);
        c.NumWindSectors = static_cast<int>(wholeNumber(f, values[9], "number of wind sectors", kMaxSectors,
                                                        "at most " + std::to_string(kMaxSectors)));
        c.SectorColumns = c.NumWindSectors;
        const std::string street = what;
        rule = "a wind sector is one line of 3 items (its start, end and building height)";
        for (int k = 1; k <= c.NumWindSectors; ++k) {
            what = "wind sector " + std::to_string(k) + " of " + street;
            RecordLine sector(f, kSectorItems);
            const double start = sector.readDouble(), end = sector.readDouble(), value = sector.readDouble();
            c.SectorStart[k] = anyNumber(f, start, "sector start");
            c.SectorEnd[k] = anyNumber(f, end, "sector end");
            c.SectorValue[k] = anyNumber(f, value, "sector value");
            c.SectorUsed[k] = true;
        }
    } catch (const RecordLineError &error) {
        throw RecordError(error.describe(what, rule));
    }
    return e;
}

} // namespace

StreetSetEntry newStreetSetEntry(const std::string &name, const std::string &trafficFile) {
    StreetSetEntry e;
    e.street.StreetName = name;
    e.street.StreetHeight = 20;
    e.street.StreetWidth = 20;
    e.street.StreetLength_1 = 100;
    e.street.StreetLength_2 = 100;
    e.street.Receptor1 = 1;
    e.street.Receptor2 = 1;
    e.street.RecHeight = 2;
    e.trafficFile = trafficFile;
    return e;
}

bool readStreetSet(const std::string &path, StreetSet *set, std::string *error) {
    RecordReader f;
    if (!RecordReader::open(path, &f, error)) {
        return false;
    }
    StreetSet read;
    try {
        while (!f.atEnd()) {
            read.streets.push_back(readEntry(f));
        }
    } catch (const EndOfFileError &) {
        *error = f.fileName() + ", line " + std::to_string(f.line()) + ": the street record is incomplete";
        return false;
    } catch (const RecordError &e) {
        *error = e.what();
        return false;
    }
    *set = std::move(read);
    return true;
}

std::string streetSetText(const StreetSet &set) {
    RecordWriter w;
    for (const StreetSetEntry &e : set.streets) {
        const StreetConfig &c = e.street;
        const int side = c.Receptor1 && c.Receptor2 ? 0 : c.Receptor1 ? 1 : 2;
        w.boolean(e.active)
            .string(c.StreetName)
            .number(e.x)
            .number(e.y)
            .string(e.trafficFile)
            .number(e.dailyTraffic)
            .number(e.speed)
            .number(c.StreetHeight)
            .number(c.StreetWidth)
            .number(c.StreetLength_1)
            .number(c.StreetLength_2)
            .number(c.StreetOrientation)
            .integer(side)
            .number(c.RecHeight)
            .integer(c.NumWindSectors)
            .endRecord();
        for (int k = 1; k <= c.NumWindSectors; ++k) {
            w.number(c.SectorStart[k]).number(c.SectorEnd[k]).number(c.SectorValue[k]).endRecord();
        }
    }
    return w.str();
}

std::string streetSetEntryProblem(const StreetSetEntry &e) {
    // The street's name and geometry are judged as the single street's are.
    const std::string geometry = streetConfigProblem(e.street);
    if (!geometry.empty()) {
        return geometry;
    }
    if (e.trafficFile.find('"') != std::string::npos) {
        return "The traffic file name must not contain a double quote.";
    }
    if (!std::isfinite(e.x) || !std::isfinite(e.y) || !fitsSingle(e.x) || !fitsSingle(e.y)) {
        return "The coordinates must be numbers.";
    }
    if (!std::isfinite(e.dailyTraffic) || e.dailyTraffic < 0 || e.dailyTraffic > kMaxDailyTraffic) {
        return "The daily traffic must be between 0 and " + formatNumber(kMaxDailyTraffic) +
               " vehicles a day.";
    }
    if (!std::isfinite(e.speed) || e.speed < 0 || e.speed > kMaxSpeed) {
        return "The travel speed must be between 0 and " + formatNumber(kMaxSpeed) + " km/h.";
    }
    if (!e.street.Receptor1 && !e.street.Receptor2) {
        return "At least one side of the street must have a receptor.";
    }
    return {};
}

std::string streetSetProblem(const StreetSet &set) {
    if (set.streets.empty()) {
        return "The set holds no street.";
    }
    for (std::size_t i = 0; i < set.streets.size(); ++i) {
        const std::string problem = streetSetEntryProblem(set.streets[i]);
        if (!problem.empty()) {
            return "Street " + std::to_string(i + 1) + " (" + set.streets[i].street.StreetName +
                   "): " + problem;
        }
    }
    return {};
}

FileSaveResult writeStreetSet(const std::string &path, const StreetSet &set) {
    const std::string problem = streetSetProblem(set);
    if (!problem.empty()) {
        return {SaveFailure::Other, problem};
    }
    return saveFileChecked(path, streetSetText(set));
}

} // namespace vesk
