#include "platform/emission/EmissionTypes.h"

#include "core/TextIO.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace vesk {

namespace {

constexpr double kMissingFactor = -99.0;

template <typename Items, typename Key>
auto findByName(Items &items, const std::string &name, Key key) -> decltype(&items.front()) {
    for (auto &item : items) {
        if (iequals(key(item), name)) {
            return &item;
        }
    }
    return nullptr;
}

// The factor of one technology for one pollutant, or -99 when it has none.
double technologyFactor(const TechnologyFactors &tf, const std::vector<std::string> &pollutantNames,
                        int pollutant, double speed, double coldStart, const Fuel *fuel, int depth = 0) {
    if (pollutant < 0 || static_cast<size_t>(pollutant) >= tf.pollutants.size() || depth > 1) {
        return kMissingFactor;
    }
    const PollutantFactors &pf = tf.pollutants[pollutant];
    if (!pf.present) {
        return kMissingFactor;
    }
    if (pf.shareOf >= 0) {
        double base = technologyFactor(tf, pollutantNames, pf.shareOf, speed, coldStart, fuel, depth + 1);
        return base < 0 ? kMissingFactor : pf.share * base;
    }
    double value = pf.hot.at(speed) * (1.0 + coldStart * (pf.coldRatio - 1.0));
    if (pf.fuelReference > 0 && fuel && static_cast<size_t>(pollutant) < pollutantNames.size()) {
        double content = fuel->Contents(pollutantNames[pollutant]);
        if (!std::isnan(content)) {
            value *= content / pf.fuelReference;
        }
    }
    return value;
}

} // namespace

double SpeedCurve::at(double speed_kmh) const {
    if (speeds_kmh.empty()) {
        return kMissingFactor;
    }
    if (std::isnan(speed_kmh) || speed_kmh <= speeds_kmh.front()) {
        return factors_gkm.front();
    }
    if (speed_kmh >= speeds_kmh.back()) {
        return factors_gkm.back();
    }
    auto upper = std::upper_bound(speeds_kmh.begin(), speeds_kmh.end(), speed_kmh);
    size_t i = static_cast<size_t>(upper - speeds_kmh.begin());
    double s0 = speeds_kmh[i - 1], s1 = speeds_kmh[i];
    double f0 = factors_gkm[i - 1], f1 = factors_gkm[i];
    return f0 + (f1 - f0) * (speed_kmh - s0) / (s1 - s0);
}

const TechnologyFactors *EmissionFactorTable::find(const std::string &factorClass,
                                                   const std::string &technology) const {
    for (const auto &tf : technologies) {
        if (iequals(tf.factorClass, factorClass) && iequals(tf.technology, technology)) {
            return &tf;
        }
    }
    return nullptr;
}

double Fuel::Contents(const std::string &substance) const {
    for (const auto &[name, value] : contents) {
        if (iequals(name, substance)) {
            return value;
        }
    }
    return std::numeric_limits<double>::quiet_NaN();
}

const Fleet *FleetCollection::find(const std::string &category) const {
    return findByName(items, category, [](const Fleet &f) -> const std::string & { return f.category; });
}

const Fuel *FuelCollection::find(const std::string &name) const {
    return findByName(items, name, [](const Fuel &f) -> const std::string & { return f.name; });
}

const VehicleCategory *VehicleCategoryCollection::find(const std::string &name) const {
    return findByName(items, name, [](const VehicleCategory &c) -> const std::string & { return c.Name; });
}

EmissionItem *EmissionCollection::find(const std::string &name) {
    return findByName(items, name, [](const EmissionItem &e) -> const std::string & { return e.name; });
}

TrafficCategory *TrafficCollection::find(const std::string &name) {
    return findByName(items, name, [](const TrafficCategory &c) -> const std::string & { return c.name; });
}

const TrafficCategory *TrafficCollection::find(const std::string &name) const {
    return const_cast<TrafficCollection *>(this)->find(name);
}

EmissionTableItem *EmissionTableCollection::find(const std::string &pollutant) {
    return findByName(items, pollutant,
                      [](const EmissionTableItem &e) -> const std::string & { return e.pollutant; });
}

const EmissionTableItem *EmissionTableCollection::find(const std::string &pollutant) const {
    return const_cast<EmissionTableCollection *>(this)->find(pollutant);
}

void EmissionTableCollection::reset(const std::vector<std::string> &pollutants, int periods, int dayCases) {
    items.clear();
    for (const auto &name : pollutants) {
        EmissionTableItem item;
        item.pollutant = name;
        item.Value.resize(periods, dayCases, -99.0f);
        items.push_back(std::move(item));
    }
}

void ProfileTable::resize(int periods, int dayCases, float fill) {
    m_periods = std::max(0, periods);
    m_dayCases = std::max(0, dayCases);
    m_values.assign(static_cast<size_t>(m_periods) * m_dayCases, fill);
}

size_t ProfileTable::index(int period, int dayCase) const {
    if (period < 1 || period > m_periods || dayCase < 1 || dayCase > m_dayCases) {
        throw std::out_of_range("profile period " + std::to_string(period) + ", day case " +
                                std::to_string(dayCase) + " outside the traffic profiles");
    }
    return static_cast<size_t>(dayCase - 1) * m_periods + (period - 1);
}

void ProfileTable::scale(double factor) {
    for (float &v : m_values) {
        v = static_cast<float>(v * factor);
    }
}

double VehicleCategory::Tarvik(const FleetCollection &fleet, const FuelCollection &fuels, int pollutant,
                               double speed_kmh, double defaultSpeed_kmh, double coldStart) const {
    if (!table) {
        return kMissingFactor;
    }
    const Fleet *own = fleet.find(Name);
    if (!own || own->shares.empty()) {
        return kMissingFactor;
    }
    double speed = (std::isfinite(speed_kmh) && speed_kmh > 0) ? speed_kmh : defaultSpeed_kmh;
    double cold = std::isnan(coldStart) ? 0.0 : std::clamp(coldStart, 0.0, 1.0);
    const Fuel *fuelItem = fuels.find(fuel);
    double sum = 0;
    for (const FleetShare &share : own->shares) {
        const TechnologyFactors *tf = share.factors ? share.factors : table->find(factorClass, share.name);
        if (!tf) {
            return kMissingFactor;
        }
        double f = technologyFactor(*tf, table->pollutantNames, pollutant, speed, cold, fuelItem);
        if (f < 0) {
            return kMissingFactor;
        }
        sum += share.percent / 100.0 * f;
    }
    return sum;
}

} // namespace vesk
