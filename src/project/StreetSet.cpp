#include "project/StreetSet.h"

#include "core/RecordIO.h"
#include "core/ValueRanges.h"

#include <cmath>

namespace vesk {

namespace {

const char *const kCrLf = "\r\n";

// "<file>, line n: " of the field read last.
std::string at(const RecordReader &f) {
    return f.fileName() + ", line " + std::to_string(f.fieldLine()) + ": ";
}

double number(RecordReader &f, const char *what, double low, double high) {
    const double v = f.readDouble();
    if (!std::isfinite(v) || v < low || v > high) {
        throw RecordError(at(f) + "the " + what + " " + formatNumber(v) + " is out of range (" +
                          formatNumber(low) + " to " + formatNumber(high) + ")");
    }
    return v;
}

double anyNumber(RecordReader &f, const char *what) {
    const double v = f.readDouble();
    if (!std::isfinite(v) || !fitsSingle(v)) {
        throw RecordError(at(f) + "the " + what + " is not a number");
    }
    return v;
}

StreetSetEntry readEntry(RecordReader &f) {
    StreetSetEntry e;
    StreetConfig &c = e.street;
    e.active = f.readBool();
    c.StreetName = f.readString();
    e.x = anyNumber(f, "x coordinate");
    e.y = anyNumber(f, "y coordinate");
    e.trafficFile = f.readString();
    // The runs read a daily traffic or speed of 0 or below as "the file's own".
    e.dailyTraffic = std::max(0.0, number(f, "daily traffic", -kMaxDailyTraffic, kMaxDailyTraffic));
    e.speed = std::max(0.0, number(f, "travel speed", -kMaxSpeed, kMaxSpeed));
    c.StreetHeight = number(f, "street height", 0, kMaxStreetSize);
    c.StreetWidth = number(f, "street width", 0, kMaxStreetSize);
    c.StreetLength_1 = number(f, "street length 1", 0, kMaxStreetSize);
    c.StreetLength_2 = number(f, "street length 2", 0, kMaxStreetSize);
    c.StreetOrientation = anyNumber(f, "orientation");
    const long side = f.readLong();
    c.Receptor1 = side == 0 || side == 1 ? 1 : 0;
    c.Receptor2 = side == 0 || side == 2 ? 1 : 0;
    c.RecHeight = number(f, "receptor height", 0, kMaxStreetSize);
    const long sectors = f.readLong();
    if (sectors < 0 || sectors > kMaxSectors) {
        throw RecordError(at(f) + "the street " + c.StreetName + " has " + std::to_string(sectors) +
                          " wind sectors (at most " + std::to_string(kMaxSectors) + ")");
    }
    c.NumWindSectors = static_cast<int>(sectors);
    c.SectorColumns = c.NumWindSectors;
    for (int k = 1; k <= c.NumWindSectors; ++k) {
        c.SectorStart[k] = anyNumber(f, "sector start");
        c.SectorEnd[k] = anyNumber(f, "sector end");
        c.SectorValue[k] = anyNumber(f, "sector value");
        c.SectorUsed[k] = true;
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
    if (e.street.StreetName.empty()) {
        return "The street has no name.";
    }
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
    if (e.street.RecHeight > kMaxStreetSize || e.street.StreetHeight > kMaxStreetSize ||
        e.street.StreetWidth > kMaxStreetSize || e.street.StreetLength_1 > kMaxStreetSize ||
        e.street.StreetLength_2 > kMaxStreetSize) {
        return "Street sizes must be at most " + formatNumber(kMaxStreetSize) + " m.";
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
