#include "project/StreetConfig.h"

#include "core/RecordIO.h"
#include "core/ValueRanges.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace vesk {

namespace {

std::string formatted(const char *what, int sector) {
    return std::string(what) + " of wind sector " + std::to_string(sector);
}

bool sameSectors(const StreetConfig &a, const StreetConfig &b) {
    if (a.NumWindSectors != b.NumWindSectors) {
        return false;
    }
    for (int i = 1; i <= a.NumWindSectors; ++i) {
        if (a.SectorStart[i] != b.SectorStart[i] || a.SectorEnd[i] != b.SectorEnd[i] ||
            a.SectorValue[i] != b.SectorValue[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

StreetConfig streetConfigFromState(const ProjectFileState &s) {
    StreetConfig c;
    c.StreetName = s.StreetName;
    c.StreetHeight = s.StreetHeight;
    c.StreetWidth = s.StreetWidth;
    c.StreetLength_1 = s.StreetLength_1;
    c.StreetLength_2 = s.StreetLength_2;
    c.StreetOrientation = s.StreetOrientation;
    c.NumWindSectors = std::clamp(s.NumWindSectors, 0, kMaxSectors);
    c.SectorColumns = std::clamp(s.SectorColumns, 0, kMaxSectors);
    c.SectorStart = s.SectorStart;
    c.SectorEnd = s.SectorEnd;
    c.SectorValue = s.SectorValue;
    c.SectorUsed = s.SectorUsed;
    c.Receptor1 = s.Receptor1;
    c.Receptor2 = s.Receptor2;
    c.RecHeight = s.RecHeight;
    return c;
}

namespace {

// The first value out of its range, in a sentence that calls the values by names.
std::string geometryProblem(const StreetConfig &c, const StreetValueNames &names) {
    struct Field {
        std::string name;
        double value, high;
        const char *unit;
    };
    std::vector<Field> fields = {{names.height, c.StreetHeight, kMaxStreetSize, "m"},
                                 {names.width, c.StreetWidth, kMaxStreetSize, "m"},
                                 {names.length1, c.StreetLength_1, kMaxStreetSize, "m"},
                                 {names.length2, c.StreetLength_2, kMaxStreetSize, "m"},
                                 {names.orientation, c.StreetOrientation, kMaxDegrees, "degrees"},
                                 {names.receptorHeight, c.RecHeight, kMaxStreetSize, "m"}};
    const std::size_t streetFields = fields.size();
    for (int k = 1; k <= std::min(c.NumWindSectors, kMaxSectors); ++k) {
        fields.push_back({"start of wind sector", c.SectorStart[k], kMaxDegrees, "degrees"});
        fields.push_back({"end of wind sector", c.SectorEnd[k], kMaxDegrees, "degrees"});
        fields.push_back({"building height of wind sector", c.SectorValue[k], kMaxStreetSize, "m"});
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field &f = fields[i];
        if (!(f.value >= 0 && f.value <= f.high)) {
            const std::string sector =
                i >= streetFields ? " " + std::to_string((i - streetFields) / 3 + 1) : std::string();
            return "the " + f.name + sector + " " + formatNumber(f.value) + " is out of range (0 to " +
                   formatNumber(f.high) + " " + f.unit + ").";
        }
    }
    return {};
}

} // namespace

std::string streetGeometryProblem(const StreetConfig &c) {
    return geometryProblem(c, StreetValueNames{});
}

std::string streetConfigProblem(const StreetConfig &c, const StreetValueNames &names) {
    if (c.StreetName.find('"') != std::string::npos) {
        return "The street name must not contain a double quote.";
    }
    if (c.StreetName.find_first_not_of(" \t") == std::string::npos) {
        return "The street has no name.";
    }
    if (c.NumWindSectors < 0 || c.NumWindSectors > kMaxSectors) {
        return "There can be at most " + std::to_string(kMaxSectors) + " wind sectors.";
    }
    std::vector<std::pair<std::string, double>> numbers = {
        {"The " + names.height, c.StreetHeight},           {"The " + names.width, c.StreetWidth},
        {"The " + names.length1, c.StreetLength_1},        {"The " + names.length2, c.StreetLength_2},
        {"The " + names.orientation, c.StreetOrientation}, {"The " + names.receptorHeight, c.RecHeight}};
    for (int i = 1; i <= c.NumWindSectors; ++i) {
        numbers.emplace_back(formatted("The start", i), c.SectorStart[i]);
        numbers.emplace_back(formatted("The end", i), c.SectorEnd[i]);
        numbers.emplace_back(formatted("The building height", i), c.SectorValue[i]);
    }
    for (const auto &[name, value] : numbers) {
        if (!std::isfinite(value)) {
            return name + " must be a number.";
        }
    }
    // The ranges a run accepts.
    if (std::string problem = geometryProblem(c, names); !problem.empty()) {
        problem.front() = 'T';
        return problem;
    }
    // A street of no height or width is no canyon, though a project file may hold one.
    if (c.StreetHeight <= 0) {
        return "The " + names.height + " must be > 0.";
    }
    if (c.StreetWidth <= 0) {
        return "The " + names.width + " must be > 0.";
    }
    return {};
}

bool storeStreetConfig(ProjectFileState &s, const StreetConfig &config) {
    StreetConfig c = config;
    c.NumWindSectors = std::clamp(c.NumWindSectors, 0, kMaxSectors);
    const StreetConfig before = streetConfigFromState(s);
    if (!sameSectors(before, c)) {
        c.SectorColumns = c.NumWindSectors;
        for (int i = c.NumWindSectors + 1; i <= kMaxSectors; ++i) {
            c.SectorStart[i] = c.SectorEnd[i] = c.SectorValue[i] = 0;
        }
    } else {
        c.SectorColumns = std::max(before.SectorColumns, c.NumWindSectors);
        for (int i = c.NumWindSectors + 1; i <= kMaxSectors; ++i) {
            c.SectorStart[i] = before.SectorStart[i];
            c.SectorEnd[i] = before.SectorEnd[i];
            c.SectorValue[i] = before.SectorValue[i];
        }
    }
    c.SectorUsed = {};
    for (int i = 1; i <= c.NumWindSectors; ++i) {
        c.SectorUsed[i] = true;
    }
    if (c == before) {
        return false;
    }
    s.StreetName = c.StreetName;
    s.StreetHeight = c.StreetHeight;
    s.StreetWidth = c.StreetWidth;
    s.StreetLength_1 = c.StreetLength_1;
    s.StreetLength_2 = c.StreetLength_2;
    s.StreetOrientation = c.StreetOrientation;
    s.NumWindSectors = c.NumWindSectors;
    s.SectorColumns = c.SectorColumns;
    s.SectorStart = c.SectorStart;
    s.SectorEnd = c.SectorEnd;
    s.SectorValue = c.SectorValue;
    s.SectorUsed = c.SectorUsed;
    s.Receptor1 = c.Receptor1;
    s.Receptor2 = c.Receptor2;
    s.RecHeight = c.RecHeight;
    s.ProjectChanged = true;
    return true;
}

SketchStreet sketchStreetOf(const StreetConfig &c) {
    SketchStreet street;
    street.width_m = c.StreetWidth;
    street.height_m = c.StreetHeight;
    street.length1_m = c.StreetLength_1;
    street.length2_m = c.StreetLength_2;
    street.orientation_deg = c.StreetOrientation;
    for (int i = 1; i <= kMaxSectors; ++i) {
        street.sectors[static_cast<size_t>(i - 1)] = {c.SectorStart[i], c.SectorEnd[i], c.SectorValue[i],
                                                      c.SectorUsed[i]};
    }
    street.receptor1 = c.Receptor1;
    street.receptor2 = c.Receptor2;
    return street;
}

SketchStreet sketchStreetOf(const ProjectFileState &state) {
    return sketchStreetOf(streetConfigFromState(state));
}

} // namespace vesk
