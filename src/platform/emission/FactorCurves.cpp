#include "platform/emission/FactorCurves.h"

#include "core/Numbers.h"
#include "core/TextIO.h"

namespace vesk {

namespace {
constexpr double kDefaultSpeed_kmh = 15;
} // namespace

CategoryFactorCurves categoryFactorCurves(const VehicleListDocument &vehicles,
                                          const FactorTableDocument &factors, const std::string &category,
                                          const std::string &pollutant, const EmissionLibrary *lib,
                                          int pollutantIndex, double coldStart) {
    CategoryFactorCurves out;
    out.speeds_kmh = factors.speeds;
    out.fleetAverage_gkm.assign(factors.speeds.size(), kMissing);
    const VehicleCategoryDefinition *def = nullptr;
    for (const auto &c : vehicles.categories) {
        if (iequals(c.name, category)) {
            def = &c;
        }
    }
    if (!def) {
        return out;
    }
    for (const FleetShareDefinition *share : vehicles.sharesOf(def->name)) {
        TechnologyCurve curve;
        curve.technology = share->technology;
        curve.percent = share->percent;
        const FactorRow *row = factors.find(def->factorClass, share->technology, pollutant);
        if (row) {
            curve.row = static_cast<int>(row - factors.rows.data());
            curve.isShare = row->isShare;
        }
        for (double speed : factors.speeds) {
            curve.hot_gkm.push_back(row ? factors.hotFactor(*row, speed) : kMissing);
        }
        out.technologies.push_back(std::move(curve));
    }
    const VehicleCategory *set = lib ? lib->VehicleCategories.find(def->name) : nullptr;
    if (set) {
        for (size_t i = 0; i < factors.speeds.size(); ++i) {
            out.fleetAverage_gkm[i] = set->Tarvik(lib->FleetList, lib->FuelList, pollutantIndex,
                                                  factors.speeds[i], kDefaultSpeed_kmh, coldStart);
        }
    }
    return out;
}

} // namespace vesk
