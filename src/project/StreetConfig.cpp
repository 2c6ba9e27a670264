#include "project/StreetConfig.h"

#include <algorithm>
#include <cmath>

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

std::string streetConfigProblem(const StreetConfig &c) {
    if (c.StreetName.find('"') != std::string::npos) {
        return "The street name must not contain a double quote.";
    }
    struct Check {
        const char *name;
        double value;
        bool strictlyPositive;
    };
    const Check checks[] = {
        {"The street height", c.StreetHeight, true},  {"The street width", c.StreetWidth, true},
        {"Street length 1", c.StreetLength_1, false}, {"Street length 2", c.StreetLength_2, false},
        {"The receptor height", c.RecHeight, false},
    };
    for (const Check &check : checks) {
        if (!std::isfinite(check.value)) {
            return std::string(check.name) + " must be a number.";
        }
        if (check.strictlyPositive && check.value <= 0) {
            return std::string(check.name) + " must be > 0.";
        }
        if (!check.strictlyPositive && check.value < 0) {
            return std::string(check.name) + " must be >= 0.";
        }
    }
    if (!std::isfinite(c.StreetOrientation) || c.StreetOrientation < 0 || c.StreetOrientation > 360) {
        return "The street orientation must be between 0 and 360 degrees.";
    }
    if (c.NumWindSectors < 0 || c.NumWindSectors > kMaxSectors) {
        return "There can be at most " + std::to_string(kMaxSectors) + " wind sectors.";
    }
    for (int i = 1; i <= c.NumWindSectors; ++i) {
        for (auto [what, value] :
             {std::pair{"The start", c.SectorStart[i]}, std::pair{"The end", c.SectorEnd[i]}}) {
            if (!std::isfinite(value) || value < 0 || value > 360) {
                return formatted(what, i) + " must be between 0 and 360 degrees.";
            }
        }
        if (!std::isfinite(c.SectorValue[i]) || c.SectorValue[i] < 0) {
            return formatted("The building height", i) + " must be >= 0.";
        }
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
