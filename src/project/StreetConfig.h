#pragma once

// The geometry of a single street as the street configuration editor edits
// it: name, building height, width, the two street lengths, orientation, the
// wind sectors (gaps and blocks in the building rows), the receptors in use
// and the receptor height. It is copied out of the project state before the
// editor opens and stored back when the user accepts.

#include "project/ProjectFileState.h"
#include "project/SketchGeometry.h"

#include <array>
#include <string>

namespace vesk {

struct StreetConfig {
    std::string StreetName;
    double StreetHeight = 0;      // m, > 0
    double StreetWidth = 0;       // m, > 0
    double StreetLength_1 = 0;    // m, >= 0
    double StreetLength_2 = 0;    // m, >= 0
    double StreetOrientation = 0; // degrees, 0..360
    // Sectors 1..NumWindSectors are in use; entry 0 is unused.
    int NumWindSectors = 0; // 0..kMaxSectors
    int SectorColumns = 0;  // columns written to the project file (>= NumWindSectors)
    SectorTable SectorStart{}, SectorEnd{}, SectorValue{}; // degrees, degrees, m
    std::array<bool, kMaxSectors + 1> SectorUsed{};
    int Receptor1 = 1; // 1 = in use, 0 = not
    int Receptor2 = 1;
    double RecHeight = 0; // m, >= 0

    friend bool operator==(const StreetConfig &, const StreetConfig &) = default;
};

// The street values of the project state.
StreetConfig streetConfigFromState(const ProjectFileState &state);

// The first value of the street's geometry that no street can have, as a run
// refuses it: "the street height -1 is out of range (0 to 100000 m)."; ""
// when there is none. Heights, width, lengths, the receptor height and the
// building heights of the sectors in use lie within 0 to 100,000 m, the
// orientation and the directions of the sectors in use within 0 to 360
// degrees; NaN is out of every range.
std::string streetGeometryProblem(const StreetConfig &config);

// What the sentences below call the street's values: a window names them
// as its boxes are captioned, where that differs from the words of a run.
struct StreetValueNames {
    std::string height = "street height";
    std::string width = "street width";
    std::string length1 = "street length 1";
    std::string length2 = "street length 2";
    std::string orientation = "street orientation";
    std::string receptorHeight = "receptor height";
};

// The first problem of the values, as a sentence for the user that calls
// them by names; "" when they can be stored: the name given and without
// double quotes (the project file quotes it), every value a number, at most
// 12 sectors, the ranges of streetGeometryProblem (its sentence with a
// capital), and the street height and width above 0.
std::string streetConfigProblem(const StreetConfig &config, const StreetValueNames &names = {});

// Stores the values into the state. Sectors 1..NumWindSectors are marked in
// use and the rest not. When the sectors changed, SectorColumns becomes
// NumWindSectors and the columns beyond it are cleared; otherwise the stored
// columns stay as they were. Returns whether anything changed; sets
// ProjectChanged when it did (and never clears it).
bool storeStreetConfig(ProjectFileState &state, const StreetConfig &config);

// The street as the sketch draws it.
SketchStreet sketchStreetOf(const StreetConfig &config);
SketchStreet sketchStreetOf(const ProjectFileState &state);

} // namespace vesk
