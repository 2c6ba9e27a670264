#pragma once

// The emission factors of one vehicle category for one pollutant over the
// speeds of its factor table, as the emission-factor window shows them:
// each technology's hot factor from the table and the fleet average the
// calculation uses (the component's VehicleCategory::Tarvik, so the window
// and the run agree).
//
// Units: speeds km/h, factors g/km per vehicle; -99 where a value is missing.

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/ListDocuments.h"

#include <string>
#include <vector>

namespace vesk {

struct TechnologyCurve {
    std::string technology;
    double percent = 0;          // share of the category's vehicles, %
    int row = -1;                // its row in the factor table document; -1 = the table has none
    bool isShare = false;        // the row is a share of another pollutant's factor
    std::vector<double> hot_gkm; // at each speed of the table
};

struct CategoryFactorCurves {
    std::vector<double> speeds_kmh;
    std::vector<TechnologyCurve> technologies; // the category's fleet, in file order
    std::vector<double> fleetAverage_gkm;      // at each speed; every value -99 without a set-up component
};

// The curves of category (letter case ignored) and pollutant. lib, when not
// null, must have been set up from the same documents; its fleet average
// takes coldStart (0..1) as the share of cold-started vehicles and the
// category's fuel. An unknown category gives no technologies.
CategoryFactorCurves categoryFactorCurves(const VehicleListDocument &vehicles,
                                          const FactorTableDocument &factors, const std::string &category,
                                          const std::string &pollutant, const EmissionLibrary *lib,
                                          int pollutantIndex, double coldStart);

} // namespace vesk
