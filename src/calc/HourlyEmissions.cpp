#include "calc/HourlyEmissions.h"

#include "calc/CalcState.h"
#include "core/TextIO.h"

namespace vesk {

namespace {

// A category without an emission factor for the pollutant has no emission.
constexpr float kMissingEmission = -99.0f;

} // namespace

bool CalcHourlyEmissions(CalcState &s, int pollutant, float speed1_kmh, float speed2_kmh,
                         float defaultSpeed_kmh, float coldStart, std::string *error) {
    EmissionLibrary &lib = s.EmissionComponent;
    if (pollutant < 0 || pollutant >= static_cast<int>(s.CategoryEmission.size())) {
        return fail(error, "No emission table for pollutant " + std::to_string(pollutant) + ".");
    }
    std::vector<float> &slots = s.CategoryEmission[pollutant]; // entry 0 unused
    int slot = 0;
    float speed = 0;

    // The speed of a category: by its length class, raised to the floor.
    auto speedFor = [&](const VehicleCategory &c) {
        if (c.vLengthClass == 1) {
            speed = speed1_kmh;
        } else if (c.vLengthClass == 2) {
            speed = speed2_kmh;
        }
        if (speed < kEmissionSpeedFloor_kmh) {
            speed = kEmissionSpeedFloor_kmh;
        }
        return speed;
    };
    auto factorOf = [&](const VehicleCategory &c) {
        return static_cast<float>(
            c.Tarvik(lib.FleetList, lib.FuelList, pollutant, speedFor(c), defaultSpeed_kmh, coldStart));
    };
    auto setQpol = [&](const std::string &name, float q) {
        EmissionItem *item = lib.EmissionList.find(name);
        if (!item) {
            lib.EmissionList.items.push_back({name, {}});
            item = &lib.EmissionList.items.back();
        }
        if (static_cast<int>(item->QPOL.size()) <= pollutant) {
            item->QPOL.resize(static_cast<size_t>(pollutant) + 1, -99.0f);
        }
        item->QPOL[pollutant] = q;
    };
    auto nextSlot = [&]() -> float * {
        ++slot;
        return slot < static_cast<int>(slots.size()) ? &slots[slot] : nullptr;
    };

    for (int i = 1; i <= s.VehCategories && i < static_cast<int>(s.VehCatNames.size()); ++i) {
        const std::string &name = s.VehCatNames[i];
        const TrafficCategory *traffic = lib.TrafficList.find(name);
        if (!traffic) {
            return fail(error, "The traffic category \"" + name + "\" is not in the traffic data.");
        }
        const float flow = traffic->FlowNow;
        if (!traffic->Composed) {
            const VehicleCategory *c = lib.VehicleCategories.find(name);
            if (!c) {
                return fail(error, "The vehicle category \"" + name + "\" is not in the vehicle list.");
            }
            const float factor = factorOf(*c);
            const float q = factor < 0 ? kMissingEmission : flow * factor;
            setQpol(name, q);
            float *cell = nextSlot();
            if (!cell) {
                return fail(error,
                            "More vehicle categories in the traffic data than in the emission set-up.");
            }
            *cell = q;
            continue;
        }
        float sum = 0;
        bool missing = false;
        for (int j = 1; j <= traffic->SubVehCats(); ++j) {
            const VehicleCategory *c = lib.VehicleCategories.find(traffic->SubVehCat(j));
            if (!c) {
                return fail(error, "The vehicle category \"" + traffic->SubVehCat(j) + "\" of \"" + name +
                                       "\" is not in the vehicle list.");
            }
            const float factor = factorOf(*c);
            const float share = factor * traffic->FractionSubVehCat(j);
            float *cell = nextSlot();
            if (!cell) {
                return fail(error,
                            "More vehicle categories in the traffic data than in the emission set-up.");
            }
            missing = missing || factor < 0;
            sum += share;
            *cell = factor < 0 ? kMissingEmission : flow * share;
        }
        setQpol(name, missing ? kMissingEmission : flow * sum);
    }
    return true;
}

} // namespace vesk
