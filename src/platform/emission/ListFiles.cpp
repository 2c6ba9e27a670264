// The emission set-up of the component: the vehicle list (.vlf), the fuel
// list (.flf) and the emission-factor table (.eft) are read as documents
// (ListDocuments.cpp) and turned into the component's collections. Everything
// is built in local collections first and only handed to the component when
// all three files are sound.

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/ListDocuments.h"

#include "core/Paths.h"
#include "core/TextIO.h"

#include <filesystem>
#include <set>

namespace vesk {

namespace {

int pollutantIndex(const std::vector<EmissionPollutant> &pollutants, const std::string &name) {
    for (const auto &p : pollutants) {
        if (iequals(p.name, name)) {
            return p.index;
        }
    }
    return -1;
}

// The factors of the pollutants the country knows; rows of other pollutants
// are skipped, so one table may serve several countries.
bool buildFactorTable(const FactorTableDocument &doc, const std::string &path,
                      const std::vector<EmissionPollutant> &pollutants, EmissionFactorTable *table,
                      std::string *error) {
    int npol = 0;
    for (const auto &p : pollutants) {
        npol = std::max(npol, p.index + 1);
    }
    table->fileName = path;
    table->pollutantNames.assign(npol, std::string());
    for (const auto &p : pollutants) {
        table->pollutantNames[p.index] = p.name;
    }
    for (const FactorRow &row : doc.rows) {
        const int p = pollutantIndex(pollutants, row.pollutant);
        if (p < 0) {
            continue;
        }
        auto *tf = const_cast<TechnologyFactors *>(table->find(row.factorClass, row.technology));
        if (!tf) {
            table->technologies.push_back({row.factorClass, row.technology, {}});
            tf = &table->technologies.back();
            tf->pollutants.assign(npol, PollutantFactors());
        }
        PollutantFactors &pf = tf->pollutants[p];
        pf.present = true;
        if (row.isShare) {
            const int base = pollutantIndex(pollutants, row.shareOf);
            if (base < 0 || base == p) {
                return fail(error,
                            path + ", line " + std::to_string(row.line) +
                                ": expected \"share of\", a pollutant of the country and a share from 0 "
                                "to 1, found " +
                                quotedText(row.source) + ".");
            }
            pf.shareOf = base;
            pf.share = row.share;
            continue;
        }
        pf.coldRatio = row.coldRatio;
        pf.fuelReference = row.fuelReference;
        pf.hot.speeds_kmh = doc.speeds;
        pf.hot.factors_gkm = row.factors;
    }
    // A share must rest on a pollutant with its own factors.
    for (const auto &tf : table->technologies) {
        for (size_t p = 0; p < tf.pollutants.size(); ++p) {
            const PollutantFactors &pf = tf.pollutants[p];
            if (pf.present && pf.shareOf >= 0 &&
                (!tf.pollutants[pf.shareOf].present || tf.pollutants[pf.shareOf].shareOf >= 0)) {
                return fail(error, path + ": the " + table->pollutantNames[p] + " factors of \"" +
                                       tf.factorClass + "\", \"" + tf.technology + "\" are a share of " +
                                       table->pollutantNames[pf.shareOf] +
                                       ", which has no factors of its own there.");
            }
        }
    }
    return true;
}

// Where the factor file named in a vehicle list lies.
std::string factorFilePath(const std::string &stored, const std::string &vehicleListPath,
                           const EmissionFolders &folders) {
    std::string name = nativePath(stored);
    if (name.find('/') != std::string::npos) {
        if (startsWithI(name, "./")) {
            return findExisting(joinPath(folders.emissionDir, name.substr(2)));
        }
        if (std::filesystem::path(name).is_relative()) {
            return findExisting(joinPath(folderPart(vehicleListPath), name));
        }
        return findExisting(name);
    }
    for (const std::string &dir : {folders.emissionDir, folders.sharedEmissionDir}) {
        if (dir.empty()) {
            continue;
        }
        std::string path = findExisting(joinPath(dir, name));
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            return path;
        }
    }
    return joinPath(folders.emissionDir.empty() ? folders.sharedEmissionDir : folders.emissionDir, name);
}

} // namespace

std::string EmissionFactorFilePath(const std::string &stored, const std::string &vehicleListPath,
                                   const EmissionFolders &folders) {
    return factorFilePath(stored, vehicleListPath, folders);
}

bool EmissionLibrary::InitialiseEmissions(const std::string &vehicleListPath, const std::string &fuelListPath,
                                          const std::vector<EmissionPollutant> &pollutants,
                                          const EmissionFolders &folders, std::vector<int> *emitterIndex,
                                          std::string *error) {
    VehicleListDocument vehicles;
    if (!readVehicleListDocument(vehicleListPath, &vehicles, error)) {
        return false;
    }
    if (hasDriveLetter(vehicles.factorFile)) {
        return fail(error,
                    driveLetterRefusal(vehicles.factorFile,
                                       "the emission-factor file of the vehicle list " + vehicleListPath));
    }
    const std::string factorPath = factorFilePath(vehicles.factorFile, vehicleListPath, folders);
    FactorTableDocument factors;
    if (!readFactorTableDocument(factorPath, &factors, error)) {
        return false;
    }
    FuelListDocument fuels;
    auto table = std::make_shared<EmissionFactorTable>();
    if (!buildFactorTable(factors, factorPath, pollutants, table.get(), error) ||
        !readFuelListDocument(fuelListPath, &fuels, error)) {
        return false;
    }
    return setUp(vehicles, vehicleListPath, fuels, fuelListPath, table, pollutants, emitterIndex, error);
}

bool EmissionLibrary::InitialiseFromDocuments(
    const VehicleListDocument &vehicles, const std::string &vehicleListName, const FuelListDocument &fuels,
    const std::string &fuelListName, const FactorTableDocument &factors, const std::string &factorName,
    const std::vector<EmissionPollutant> &pollutants, std::vector<int> *emitterIndex, std::string *error) {
    auto table = std::make_shared<EmissionFactorTable>();
    if (!buildFactorTable(factors, factorName, pollutants, table.get(), error)) {
        return false;
    }
    return setUp(vehicles, vehicleListName, fuels, fuelListName, table, pollutants, emitterIndex, error);
}

bool EmissionLibrary::setUp(const VehicleListDocument &vehicles, const std::string &vehicleListPath,
                            const FuelListDocument &fuelList, const std::string &fuelListPath,
                            const std::shared_ptr<const EmissionFactorTable> &table,
                            const std::vector<EmissionPollutant> &pollutants, std::vector<int> *emitterIndex,
                            std::string *error) {
    VehicleCategoryCollection categories;
    FleetCollection fleets;
    FuelCollection fuels;
    for (const auto &f : fuelList.fuels) {
        fuels.items.push_back({f.name, f.longName, {}});
    }
    for (const auto &c : fuelList.contents) {
        if (Fuel *fuel = const_cast<Fuel *>(fuels.find(c.fuel))) {
            fuel->contents.emplace_back(c.substance, c.content);
        }
    }
    // Every category needs its fuel, and every technology its factors for
    // every emitting pollutant.
    for (const auto &def : vehicles.categories) {
        VehicleCategory c;
        c.Name = def.name;
        c.VehicleLongName = def.longName;
        c.vLengthClass = def.lengthClass;
        c.factorClass = def.factorClass;
        c.fuel = def.fuel;
        c.table = table;
        if (!fuels.find(c.fuel)) {
            return fail(error, vehicleListPath + ": the fuel \"" + c.fuel + "\" of \"" + c.Name +
                                   "\" is not in the fuel list " + fuelListPath + ".");
        }
        Fleet fleet{c.Name, {}};
        for (const FleetShareDefinition *share : vehicles.sharesOf(c.Name)) {
            const TechnologyFactors *tf = table->find(c.factorClass, share->technology);
            if (!tf) {
                const auto shares = vehicles.sharesOf(c.Name);
                const std::string line = std::to_string(shares.empty() ? 0 : shares.front()->line);
                return fail(error, vehicleListPath + ": the factor file " + table->fileName +
                                       " has no factors for \"" + c.factorClass + "\", \"" +
                                       share->technology + "\" (category " + c.Name + ", fleet from line " +
                                       line + ").");
            }
            for (const auto &p : pollutants) {
                if (p.emitter && !tf->pollutants[p.index].present) {
                    return fail(error, table->fileName + ": no " + p.name + " factors for \"" +
                                           c.factorClass + "\", \"" + share->technology + "\" (needed by " +
                                           vehicleListPath + ").");
                }
            }
            fleet.shares.push_back({share->technology, share->percent, tf});
        }
        categories.items.push_back(std::move(c));
        fleets.items.push_back(std::move(fleet));
    }

    std::set<int> seen;
    for (const auto &p : pollutants) {
        if (p.emitter) {
            seen.insert(p.index);
        }
    }

    VehicleCategories = std::move(categories);
    FleetList = std::move(fleets);
    FuelList = std::move(fuels);
    m_pollutants = pollutants;
    rebuildEmissionList();
    countryCode = vehicles.country;
    scenarioYear = vehicles.year;
    if (emitterIndex) {
        emitterIndex->assign(seen.begin(), seen.end());
    }
    return true;
}

void EmissionLibrary::SetStandardCategories(const std::vector<VehicleCategory> &types,
                                            const std::vector<EmissionPollutant> &pollutants) {
    VehicleCategories.items = types;
    for (auto &c : VehicleCategories.items) {
        c.table.reset();
    }
    FleetList.items.clear();
    FuelList.items.clear();
    m_pollutants = pollutants;
    rebuildEmissionList();
}

void EmissionLibrary::rebuildEmissionList() {
    size_t npol = 0;
    for (const auto &p : m_pollutants) {
        npol = std::max(npol, static_cast<size_t>(p.index + 1));
    }
    EmissionList.items.clear();
    auto add = [&](const std::string &name) {
        if (!EmissionList.find(name)) {
            EmissionList.items.push_back({name, std::vector<float>(npol, -99.0f)});
        }
    };
    for (const auto &c : TrafficList.items) {
        add(c.name);
    }
    for (const auto &c : VehicleCategories.items) {
        add(c.Name);
    }
}

} // namespace vesk
