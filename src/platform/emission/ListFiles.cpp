// Reading of the vehicle list (.vlf), the fuel list (.flf) and the
// emission-factor table (.eft) into the emission component. See
// docs/formats.md for the layouts. Everything is read into local collections
// first and only handed to the component when all three files are sound.

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/ListFileReader.h"

#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

namespace vesk {

namespace {

// Share totals may be off by rounding in the last printed digit.
constexpr double kShareTolerance_percent = 0.5;

bool fail(std::string *error, const std::string &text) {
    if (error) {
        *error = text;
    }
    return false;
}

// Header lines (at least one) up to the first section line.
bool skipHeaderLines(ListFileReader &in, std::string *error) {
    if (!in.next() || in.section()) {
        return fail(error, in.expected("a header line"));
    }
    while (in.next()) {
        if (in.section()) {
            in.pushBack();
            break;
        }
    }
    return true;
}

// The first line of a list file: country code and scenario year.
bool readCountryLine(ListFileReader &in, std::string *country, int *year, std::string *error) {
    if (!in.next() || in.size() < 2 || in.field(0).empty() || !in.number(1)) {
        return fail(error, in.expected("the country code and the scenario year"));
    }
    *country = in.field(0);
    *year = static_cast<int>(roundHalfEven(*in.number(1)));
    return skipHeaderLines(in, error);
}

// After a section line: the column titles, whose first title is checked.
bool readTitles(ListFileReader &in, const std::string &firstTitle, std::string *error) {
    if (!in.next() || in.section() || !iequals(in.field(0), firstTitle)) {
        return fail(error, in.expected("the column titles beginning with \"" + firstTitle + "\""));
    }
    return true;
}

// Reads data lines up to the next section or the end; calls row() for each.
template <typename Row> bool readRows(ListFileReader &in, Row row) {
    while (in.next()) {
        if (in.section()) {
            in.pushBack();
            return true;
        }
        if (!row()) {
            return false;
        }
    }
    return true;
}

int pollutantIndex(const std::vector<EmissionPollutant> &pollutants, const std::string &name) {
    for (const auto &p : pollutants) {
        if (iequals(p.name, name)) {
            return p.index;
        }
    }
    return -1;
}

bool readFactorTable(const std::string &path, const std::vector<EmissionPollutant> &pollutants,
                     EmissionFactorTable *table, std::string *error) {
    ListFileReader in;
    if (!in.open(path, error)) {
        return false;
    }
    int npol = 0;
    for (const auto &p : pollutants) {
        npol = std::max(npol, p.index + 1);
    }
    table->fileName = path;
    table->pollutantNames.assign(npol, std::string());
    for (const auto &p : pollutants) {
        table->pollutantNames[p.index] = p.name;
    }
    if (!skipHeaderLines(in, error)) {
        return false;
    }
    std::vector<double> speeds;
    bool haveFactors = false;
    while (in.next()) {
        auto section = in.section();
        if (!section) {
            return fail(error, in.expected("a section line such as [Speeds] or [Factors]"));
        }
        if (iequals(*section, "Speeds")) {
            if (!readTitles(in, "Speed (km/h)", error)) {
                return false;
            }
            if (!in.next() || in.section()) {
                return fail(error, in.expected("the speeds in km/h"));
            }
            speeds.clear();
            for (size_t i = 0; i < in.size(); ++i) {
                auto v = in.number(i);
                if (!v || *v <= 0 || *v > kMaxSpeed || (!speeds.empty() && *v <= speeds.back())) {
                    return fail(error, in.expected("increasing speeds above 0 and up to " +
                                                   formatNumber(kMaxSpeed) + " km/h"));
                }
                speeds.push_back(*v);
            }
        } else if (iequals(*section, "Factors")) {
            if (speeds.empty()) {
                return fail(error, in.at("the [Speeds] section must come before the [Factors] section."));
            }
            if (!readTitles(in, "Class", error)) {
                return false;
            }
            haveFactors = true;
            bool ok = readRows(in, [&] {
                if (in.size() < 6 || in.field(0).empty() || in.field(1).empty() || in.field(2).empty()) {
                    return fail(error, in.expected("class, technology, pollutant, cold ratio, fuel reference "
                                                   "and the factors, or class, technology, pollutant, "
                                                   "\"share of\", pollutant and share"));
                }
                int p = pollutantIndex(pollutants, in.field(2));
                if (p < 0) {
                    return true; // a pollutant the country does not use
                }
                TechnologyFactors *tf =
                    const_cast<TechnologyFactors *>(table->find(in.field(0), in.field(1)));
                if (!tf) {
                    table->technologies.push_back({in.field(0), in.field(1), {}});
                    tf = &table->technologies.back();
                    tf->pollutants.assign(npol, PollutantFactors());
                }
                PollutantFactors &pf = tf->pollutants[p];
                if (pf.present) {
                    return fail(error, in.at("the factors of " + in.field(2) + " for \"" + in.field(0) +
                                             "\", \"" + in.field(1) + "\" are given twice."));
                }
                pf.present = true;
                if (iequals(in.field(3), "share of")) {
                    int base = pollutantIndex(pollutants, in.field(4));
                    auto share = in.number(5);
                    if (base < 0 || base == p || !share || *share < 0 || *share > 1 || in.size() != 6) {
                        return fail(error, in.expected("\"share of\", a pollutant of the country and a share "
                                                       "from 0 to 1"));
                    }
                    pf.shareOf = base;
                    pf.share = *share;
                    return true;
                }
                auto cold = in.number(3);
                auto reference = in.number(4);
                if (!cold || *cold < 0 || *cold > kMaxColdRatio || !reference || *reference < 0) {
                    return fail(error, in.expected("a cold ratio from 0 to " + formatNumber(kMaxColdRatio) +
                                                   " and a fuel reference of 0 or more"));
                }
                if (in.size() != 5 + speeds.size()) {
                    return fail(error,
                                in.expected(std::to_string(speeds.size()) +
                                            " factors in g/km, one per speed of the [Speeds] section"));
                }
                pf.coldRatio = *cold;
                pf.fuelReference = *reference;
                pf.hot.speeds_kmh = speeds;
                for (size_t i = 0; i < speeds.size(); ++i) {
                    auto v = in.number(5 + i);
                    if (!v || *v < 0 || *v > kMaxEmissionFactor) {
                        return fail(error, in.expected("factors from 0 to " +
                                                       formatNumber(kMaxEmissionFactor) + " g/km"));
                    }
                    pf.hot.factors_gkm.push_back(*v);
                }
                return true;
            });
            if (!ok) {
                return false;
            }
        } else {
            return fail(error, in.expected("the section [Speeds] or [Factors]"));
        }
    }
    if (!haveFactors) {
        return fail(error, in.whole("the file has no [Factors] section."));
    }
    // A share must rest on a pollutant with its own factors.
    for (const auto &tf : table->technologies) {
        for (size_t p = 0; p < tf.pollutants.size(); ++p) {
            const PollutantFactors &pf = tf.pollutants[p];
            if (pf.present && pf.shareOf >= 0 &&
                (!tf.pollutants[pf.shareOf].present || tf.pollutants[pf.shareOf].shareOf >= 0)) {
                return fail(error, in.whole("the " + table->pollutantNames[p] + " factors of \"" +
                                            tf.factorClass + "\", \"" + tf.technology + "\" are a share of " +
                                            table->pollutantNames[pf.shareOf] +
                                            ", which has no factors of its own there."));
            }
        }
    }
    return true;
}

bool readFuelList(const std::string &path, FuelCollection *fuels, std::string *error) {
    ListFileReader in;
    if (!in.open(path, error)) {
        return false;
    }
    std::string country;
    int year = 0;
    if (!readCountryLine(in, &country, &year, error)) {
        return false;
    }
    bool haveFuels = false;
    while (in.next()) {
        auto section = in.section();
        if (section && iequals(*section, "Fuels")) {
            if (!readTitles(in, "Name", error)) {
                return false;
            }
            haveFuels = true;
            if (!readRows(in, [&] {
                    if (in.field(0).empty()) {
                        return fail(error, in.expected("a fuel name and its long name"));
                    }
                    if (fuels->find(in.field(0))) {
                        return fail(error, in.at("the fuel \"" + in.field(0) + "\" is listed twice."));
                    }
                    fuels->items.push_back({in.field(0), in.field(1), {}});
                    return true;
                })) {
                return false;
            }
        } else if (section && iequals(*section, "Contents")) {
            if (!readTitles(in, "Fuel", error)) {
                return false;
            }
            if (!readRows(in, [&] {
                    auto value = in.number(2);
                    if (in.size() < 3 || in.field(1).empty() || !value || *value < 0) {
                        return fail(error, in.expected("a fuel, a substance and a content of 0 or more"));
                    }
                    Fuel *fuel = const_cast<Fuel *>(fuels->find(in.field(0)));
                    if (!fuel) {
                        return fail(error, in.at("the fuel \"" + in.field(0) +
                                                 "\" is not in the [Fuels] section above."));
                    }
                    if (!std::isnan(fuel->Contents(in.field(1)))) {
                        return fail(error, in.at("the " + in.field(1) + " content of \"" + in.field(0) +
                                                 "\" is given twice."));
                    }
                    fuel->contents.emplace_back(in.field(1), *value);
                    return true;
                })) {
                return false;
            }
        } else {
            return fail(error, in.expected("the section [Fuels] or [Contents]"));
        }
    }
    if (!haveFuels || fuels->items.empty()) {
        return fail(error, in.whole("the file lists no fuels (section [Fuels])."));
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

bool EmissionLibrary::InitialiseEmissions(const std::string &vehicleListPath, const std::string &fuelListPath,
                                          const std::vector<EmissionPollutant> &pollutants,
                                          const EmissionFolders &folders, std::vector<int> *emitterIndex,
                                          std::string *error) {
    ListFileReader in;
    if (!in.open(vehicleListPath, error)) {
        return false;
    }
    std::string country;
    int year = 0;
    if (!readCountryLine(in, &country, &year, error)) {
        return false;
    }

    std::string factorFile;
    VehicleCategoryCollection categories;
    FleetCollection fleets;
    std::map<std::string, int> fleetLines; // category (lower case) -> line of its first technology
    while (in.next()) {
        auto section = in.section();
        if (section && iequals(*section, "Factors")) {
            if (!readTitles(in, "Factor file", error)) {
                return false;
            }
            if (!in.next() || in.section() || in.field(0).empty()) {
                return fail(error, in.expected("the name of the emission-factor file"));
            }
            factorFile = in.field(0);
        } else if (section && iequals(*section, "Categories")) {
            if (!readTitles(in, "Name", error)) {
                return false;
            }
            if (!readRows(in, [&] {
                    auto length = in.number(2);
                    if (in.size() != 5 || in.field(0).empty() || !length || (*length != 1 && *length != 2) ||
                        in.field(3).empty() || in.field(4).empty()) {
                        return fail(error, in.expected("name, long name, length class (1 or 2), factor class "
                                                       "and fuel"));
                    }
                    if (categories.find(in.field(0))) {
                        return fail(error, in.at("the category \"" + in.field(0) + "\" is listed twice."));
                    }
                    VehicleCategory c;
                    c.Name = in.field(0);
                    c.VehicleLongName = in.field(1);
                    c.vLengthClass = static_cast<int>(*length);
                    c.factorClass = in.field(3);
                    c.fuel = in.field(4);
                    categories.items.push_back(std::move(c));
                    fleets.items.push_back({in.field(0), {}});
                    return true;
                })) {
                return false;
            }
        } else if (section && iequals(*section, "Fleet")) {
            if (!readTitles(in, "Category", error)) {
                return false;
            }
            if (!readRows(in, [&] {
                    auto share = in.number(2);
                    if (in.size() != 3 || in.field(1).empty() || !share || *share < 0 || *share > 100) {
                        return fail(error, in.expected("category, technology and share (0 to 100 %)"));
                    }
                    Fleet *fleet = const_cast<Fleet *>(fleets.find(in.field(0)));
                    if (!fleet) {
                        return fail(error, in.at("the category \"" + in.field(0) +
                                                 "\" is not in the [Categories] section above."));
                    }
                    for (const auto &s : fleet->shares) {
                        if (iequals(s.name, in.field(1))) {
                            return fail(error, in.at("the technology \"" + in.field(1) + "\" of \"" +
                                                     in.field(0) + "\" is listed twice."));
                        }
                    }
                    fleet->shares.push_back({in.field(1), *share, nullptr});
                    fleetLines.emplace(toLower(in.field(0)), in.lineNumber());
                    return true;
                })) {
                return false;
            }
        } else {
            return fail(error, in.expected("the section [Factors], [Categories] or [Fleet]"));
        }
    }
    if (factorFile.empty()) {
        return fail(error, in.whole("the file names no emission-factor file (section [Factors])."));
    }
    if (categories.items.empty()) {
        return fail(error, in.whole("the file lists no vehicle categories (section [Categories])."));
    }
    for (const Fleet &fleet : fleets.items) {
        double total = 0;
        for (const auto &s : fleet.shares) {
            total += s.percent;
        }
        if (fleet.shares.empty() || std::fabs(total - 100.0) > kShareTolerance_percent) {
            return fail(error, in.whole("the fleet shares of \"" + fleet.category + "\" add up to " +
                                        std::to_string(total) + " % instead of 100 %."));
        }
    }

    auto table = std::make_shared<EmissionFactorTable>();
    if (!readFactorTable(factorFilePath(factorFile, vehicleListPath, folders), pollutants, table.get(),
                         error)) {
        return false;
    }
    FuelCollection fuels;
    if (!readFuelList(fuelListPath, &fuels, error)) {
        return false;
    }

    // Every category needs its fuel, and every technology its factors for
    // every emitting pollutant.
    for (size_t k = 0; k < categories.items.size(); ++k) {
        VehicleCategory &c = categories.items[k];
        c.table = table;
        if (!fuels.find(c.fuel)) {
            return fail(error, in.whole("the fuel \"" + c.fuel + "\" of \"" + c.Name +
                                        "\" is not in the fuel list " + fuelListPath + "."));
        }
        for (FleetShare &share : fleets.items[k].shares) {
            share.factors = table->find(c.factorClass, share.name);
            std::string line = std::to_string(fleetLines[toLower(c.Name)]);
            if (!share.factors) {
                return fail(error, in.whole("the factor file " + table->fileName + " has no factors for \"" +
                                            c.factorClass + "\", \"" + share.name + "\" (category " + c.Name +
                                            ", fleet from line " + line + ")."));
            }
            for (const auto &p : pollutants) {
                if (p.emitter && !share.factors->pollutants[p.index].present) {
                    return fail(error, table->fileName + ": no " + p.name + " factors for \"" +
                                           c.factorClass + "\", \"" + share.name + "\" (needed by " +
                                           vehicleListPath + ").");
                }
            }
        }
    }

    std::vector<int> emitters;
    std::set<int> seen;
    for (const auto &p : pollutants) {
        if (p.emitter) {
            seen.insert(p.index);
        }
    }
    emitters.assign(seen.begin(), seen.end());

    VehicleCategories = std::move(categories);
    FleetList = std::move(fleets);
    FuelList = std::move(fuels);
    m_pollutants = pollutants;
    rebuildEmissionList();
    countryCode = country;
    scenarioYear = year;
    if (emitterIndex) {
        *emitterIndex = emitters;
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
