#pragma once

// The collections of the emission component: vehicle categories with their
// emission factors, fleets, fuels, per-category emissions, the traffic file's
// profiles and the per-pollutant emission tables.
//
// Units: speeds km/h, emission factors g/km per vehicle, flows vehicles per
// profile period (hour or half hour), QPOL and EmissionTable values
// g/km per profile period (flow x factor). -99 marks a missing value.
//
// Indexing: collections are ordered and 1-based through item(i), like the
// collections the rest of the program knows; item(name) finds an entry
// without regard to letter case. Profile tables are indexed (period 1..Nhours,
// day case 1..DayCases); pollutant arrays 0..NPol.

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

// A pollutant as the component is told about it.
struct EmissionPollutant {
    std::string name;
    int index = 0;        // 0..NPol
    bool emitter = false; // traffic emits it
};

// Factors (g/km) at increasing speeds (km/h); linear in between, constant
// beyond the first and last speed.
struct SpeedCurve {
    std::vector<double> speeds_kmh;
    std::vector<double> factors_gkm;
    double at(double speed_kmh) const;
};

// Emission factors of one technology of one factor class for one pollutant.
struct PollutantFactors {
    bool present = false;
    // Either its own curve ...
    SpeedCurve hot;           // hot-engine factor, g/km
    double coldRatio = 1.0;   // factor of a cold-started vehicle / hot factor
    double fuelReference = 0; // fuel content the curve holds for; 0 = no fuel effect
    // ... or a share of another pollutant's factor (direct NO2 of NOx).
    int shareOf = -1; // pollutant index, -1 = own curve
    double share = 0;
};

// All factors of one technology (e.g. "Euro 6") of one factor class (e.g.
// "PC diesel"), per pollutant index.
struct TechnologyFactors {
    std::string factorClass;
    std::string technology;
    std::vector<PollutantFactors> pollutants; // 0..NPol
};

// The emission-factor tables read from a factor file.
struct EmissionFactorTable {
    std::string fileName;
    std::vector<std::string> pollutantNames; // 0..NPol, as the component was told
    std::vector<TechnologyFactors> technologies;
    const TechnologyFactors *find(const std::string &factorClass, const std::string &technology) const;
};

// One technology's share of a category's fleet.
struct FleetShare {
    std::string name;                           // technology
    double percent = 0;                         // share of the category's vehicles, %
    const TechnologyFactors *factors = nullptr; // resolved when the lists are read
};

// The fleet of one vehicle category: its technologies with their shares.
struct Fleet {
    std::string category;
    std::vector<FleetShare> shares;
    int Categories() const { return static_cast<int>(shares.size()); }
    const std::string &CategoryName(int i) const { return shares.at(i - 1).name; } // 1-based
    double FractionCategory(int i) const { return shares.at(i - 1).percent; }      // %, 1-based
};

// A fuel and its contents (e.g. benzene in petrol, % by volume), by substance name.
struct Fuel {
    std::string name;
    std::string longName;
    std::vector<std::pair<std::string, double>> contents;
    // The content of a substance (letter case ignored); NaN when the fuel has none.
    double Contents(const std::string &substance) const;
};

struct FleetCollection {
    std::vector<Fleet> items;
    int Count() const { return static_cast<int>(items.size()); }
    const Fleet &item(int i) const { return items.at(i - 1); }
    const Fleet *find(const std::string &category) const;
};

struct FuelCollection {
    std::vector<Fuel> items;
    int Count() const { return static_cast<int>(items.size()); }
    const Fuel *find(const std::string &name) const;
};

// A vehicle category of the vehicle list (or a standard vehicle type).
struct VehicleCategory {
    std::string Name;
    std::string VehicleLongName;
    int vLengthClass = 1; // 1 short (light) vehicles, 2 long (heavy) vehicles
    std::string factorClass;
    std::string fuel;
    std::shared_ptr<const EmissionFactorTable> table; // null for standard vehicle types

    // The fleet-averaged emission factor (g/km per vehicle) of a pollutant at
    // a speed, for the category's fleet in fleet and fuel in fuels:
    //   sum over technologies of share x hot(speed) x (1 + coldStart x (coldRatio - 1))
    //   x fuel content / reference (when the factor depends on the fuel).
    // speed_kmh <= 0 or NaN uses defaultSpeed_kmh. coldStart is the share of
    // cold-started vehicles (0..1; a value outside is clamped). The caller
    // applies any speed floor. Returns -99 when the category has no factors
    // for the pollutant (a pollutant traffic does not emit, a standard type).
    double Tarvik(const FleetCollection &fleet, const FuelCollection &fuels, int pollutant, double speed_kmh,
                  double defaultSpeed_kmh, double coldStart) const;
};

struct VehicleCategoryCollection {
    std::vector<VehicleCategory> items;
    int Count() const { return static_cast<int>(items.size()); }
    const VehicleCategory &item(int i) const { return items.at(i - 1); }
    const VehicleCategory *find(const std::string &name) const;
};

// The emission of one category (of the traffic file) per pollutant index.
struct EmissionItem {
    std::string name;
    std::vector<float> QPOL; // 0..NPol, g/km per profile period; -99 = not computed
};

struct EmissionCollection {
    std::vector<EmissionItem> items;
    int Count() const { return static_cast<int>(items.size()); }
    EmissionItem &item(int i) { return items.at(i - 1); }
    EmissionItem *find(const std::string &name);
};

// A table (period x day case) of Singles, 1-based in both indexes.
class ProfileTable {
public:
    void resize(int periods, int dayCases, float fill);
    int periods() const { return m_periods; }
    int dayCases() const { return m_dayCases; }
    // Out-of-range indexes throw std::out_of_range.
    float get(int period, int dayCase) const { return m_values.at(index(period, dayCase)); }
    void set(int period, int dayCase, float v) { m_values.at(index(period, dayCase)) = v; }
    void scale(double factor);

private:
    size_t index(int period, int dayCase) const;
    int m_periods = 0;
    int m_dayCases = 0;
    std::vector<float> m_values;
};

// A category of the traffic file. A composed category stands for several
// vehicle categories whose shares of its flow are fixed.
struct TrafficCategory {
    std::string name;
    std::string longName;
    ProfileTable flow; // vehicles per period
    float FlowNow = 0;
    bool Composed = false;
    std::vector<std::string> subNames;
    std::vector<float> subFractions; // sum 1
    float Flow(int period, int dayCase) const { return flow.get(period, dayCase); }
    int SubVehCats() const { return static_cast<int>(subNames.size()); }
    const std::string &SubVehCat(int i) const { return subNames.at(i - 1); } // 1-based
    float FractionSubVehCat(int i) const { return subFractions.at(i - 1); }  // 1-based
};

// Operator codes of the structured day and month conditions.
enum ConditionOperator { CopNone = 0, CopEq = 1, CopNe = 2, CopLt = 3, CopGt = 4, CopLe = 5, CopGe = 6 };

// The traffic item "All": properties of the whole traffic file.
struct TrafficAll {
    bool ErrorInTrafficFile = false;
    std::string errorText;           // why, when ErrorInTrafficFile
    int TrafficFileType = 1;         // 1 counted traffic, 2 standard profile scaled to ADT and speed
    float AverageTrafficSpeed = 0;   // km/h, in effect (after scaling)
    float AnnualDiurnalTraffic = 0;  // vehicles/day, in effect (after scaling)
    float sAverageTrafficSpeed = 0;  // km/h, of the file's own profiles
    float sAnnualDiurnalTraffic = 0; // vehicles/day, of the file's own profiles
    int Nhours = 24;                 // profile periods per day: 24 or 48
    int DayCases = 0;
    int VehCategories = 0;
    std::vector<std::string> vehCatNames; // 0-based storage
    std::vector<std::string> dayCaseNames;
    std::vector<std::string> codeDay, codeMonth;
    std::vector<int> dayCaseDay, dayCaseDayCop, dayCaseMonth, dayCaseMonthCop;
    ProfileTable vShort, vLong, coldStart; // km/h, km/h, %

    const std::string &VehCatNames(int i) const { return vehCatNames.at(i - 1); }
    const std::string &DayCaseName(int i) const { return dayCaseNames.at(i - 1); }
    const std::string &CodeDay(int i) const { return codeDay.at(i - 1); }
    const std::string &CodeMonth(int i) const { return codeMonth.at(i - 1); }
    int DayCaseDay(int i) const { return dayCaseDay.at(i - 1); }
    int DayCaseDayCop(int i) const { return dayCaseDayCop.at(i - 1); }
    int DayCaseMonth(int i) const { return dayCaseMonth.at(i - 1); }
    int DayCaseMonthCop(int i) const { return dayCaseMonthCop.at(i - 1); }
    float Vshort(int period, int dayCase) const { return vShort.get(period, dayCase); }
    float Vlong(int period, int dayCase) const { return vLong.get(period, dayCase); }
    float ColdStart(int period, int dayCase) const { return coldStart.get(period, dayCase); }
};

struct TrafficCollection {
    TrafficAll All;
    std::vector<TrafficCategory> items; // the traffic file's categories in order
    int Count() const { return static_cast<int>(items.size()); }
    TrafficCategory &item(int i) { return items.at(i - 1); }
    const TrafficCategory &item(int i) const { return items.at(i - 1); }
    TrafficCategory *find(const std::string &name);
    const TrafficCategory *find(const std::string &name) const;
};

// The total emission of one pollutant per period and day case.
struct EmissionTableItem {
    std::string pollutant;
    ProfileTable Value; // g/km per period; -99 = not computed or missing
};

struct EmissionTableCollection {
    std::vector<EmissionTableItem> items;
    EmissionTableItem *find(const std::string &pollutant);
    const EmissionTableItem *find(const std::string &pollutant) const;
    // One item per pollutant, each periods x dayCases, all -99.
    void reset(const std::vector<std::string> &pollutants, int periods, int dayCases);
};

} // namespace vesk
