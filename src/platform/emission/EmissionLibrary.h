#pragma once

// The emission component: vehicle categories with speed-dependent emission
// factors from a vehicle list, a fuel list and emission-factor tables, and
// the traffic profiles of a traffic file. The file layouts are described in
// docs/formats.md.
//
// Every reader refuses a malformed file as a whole with a message naming the
// file, the line and what was expected; a refused file leaves the component's
// collections as they were before the call.

#include "platform/emission/EmissionTypes.h"
#include "platform/emission/ListDocuments.h"
#include "platform/emission/TrafficDocument.h"

#include <memory>
#include <string>
#include <vector>

namespace vesk {

// Folders the component looks in (each ending in "/" or empty).
struct EmissionFolders {
    std::string workDir;
    std::string trafficDir;
    std::string emissionDir;       // national emission data
    std::string sharedEmissionDir; // emission data shared by the countries
};

// A traffic file as read and parsed, before a street's daily traffic and
// speed scale it: all that reading the file again would give, so that the
// streets of a run that share one traffic file read and check it once.
struct ParsedTrafficFile {
    std::string path;
    bool read = false;     // the file could be read ...
    bool parsed = false;   // ... and parsed
    std::string error;     // why not (the reader's message)
    TrafficDocument doc;   // when parsed
    std::string problem;   // the document's first problem ("" when none)
    TrafficAverages averages; // the document's own daily traffic and speed
};

// Reads and parses the traffic file at path (full path); the outcome says how far it came.
ParsedTrafficFile ParseTrafficFile(const std::string &path);

// Where the emission-factor file named in a vehicle list lies: a bare name in
// folders.emissionDir, else in folders.sharedEmissionDir; ".\" or "./" in
// folders.emissionDir; a relative path from the vehicle list's folder; any
// other name is a full path. Letter case is matched as the lookup allows.
std::string EmissionFactorFilePath(const std::string &stored, const std::string &vehicleListPath,
                                   const EmissionFolders &folders);

class EmissionLibrary {
public:
    VehicleCategoryCollection VehicleCategories;
    FleetCollection FleetList;
    FuelCollection FuelList;
    EmissionCollection EmissionList;
    TrafficCollection TrafficList;
    EmissionTableCollection EmissionTable;

    // Country code and scenario year of the vehicle list last read.
    std::string countryCode;
    int scenarioYear = 0;

    // Reads the vehicle list and fuel list (full paths) and the emission-factor
    // file the vehicle list names (a bare name is looked for in
    // folders.emissionDir, then in folders.sharedEmissionDir). pollutants
    // gives every pollutant of the country (index 0..NPol); those marked as
    // emitters must have factors for every technology of the fleet. Fills the
    // collections and *emitterIndex with the emitting pollutants' indexes in
    // ascending order. False with a message (file, line, what was expected)
    // on any failure; the collections are then unchanged.
    bool InitialiseEmissions(const std::string &vehicleListPath, const std::string &fuelListPath,
                             const std::vector<EmissionPollutant> &pollutants, const EmissionFolders &folders,
                             std::vector<int> *emitterIndex, std::string *error);

    // The same for lists already read (an editor's documents); the names
    // stand for the files in messages. Nothing changes on failure.
    bool InitialiseFromDocuments(const VehicleListDocument &vehicles, const std::string &vehicleListName,
                                 const FuelListDocument &fuels, const std::string &fuelListName,
                                 const FactorTableDocument &factors, const std::string &factorName,
                                 const std::vector<EmissionPollutant> &pollutants,
                                 std::vector<int> *emitterIndex, std::string *error);

    // Uses the standard vehicle types instead of list files: categories
    // without emission factors, empty fleet and fuel lists.
    void SetStandardCategories(const std::vector<VehicleCategory> &types,
                               const std::vector<EmissionPollutant> &pollutants);

    // Reads a traffic file (full path) into TrafficList, and gives
    // EmissionList one item per traffic category (item i = traffic category
    // i) and EmissionTable one item per pollutant sized to the profiles. A standard profile file (type 2)
    // is scaled to annualDiurnalTraffic (vehicles/day) and
    // averageTrafficSpeed (km/h) when they are above 0. On failure
    // TrafficList.All.ErrorInTrafficFile is set with its reason in errorText
    // and in *error, and nothing else changes.
    bool ReadTrafficFile(const std::string &path, double averageTrafficSpeed, double annualDiurnalTraffic,
                         std::string *error);

    // The same for a traffic file read and parsed already: the same outcome
    // and messages as reading it at its path.
    bool ReadTrafficFile(const ParsedTrafficFile &file, double averageTrafficSpeed, double annualDiurnalTraffic,
                         std::string *error);

    // The same for a traffic document already in memory (an editor's work):
    // TrafficList afterwards holds what reading the document's file would
    // give. False with the first problem of the document (nothing changes
    // then); ErrorInTrafficFile is left as it was.
    bool SetTrafficData(const TrafficDocument &doc, double averageTrafficSpeed, double annualDiurnalTraffic,
                        std::string *error);

    // What TrafficList was made from, unscaled: the traffic file as read, or
    // the document last handed to SetTrafficData.
    TrafficDocument TrafficSource;

    // The list splitter and MaxSkipMissing of the component are in
    // core/EmissionLibraryTools.h.

    // Pollutants the component was last told about (index 0..NPol).
    const std::vector<EmissionPollutant> &pollutants() const { return m_pollutants; }

private:
    bool setTrafficData(const TrafficDocument &doc, const std::string &problem, const TrafficAverages &own,
                        double averageTrafficSpeed, double annualDiurnalTraffic, std::string *error);
    bool setUp(const VehicleListDocument &vehicles, const std::string &vehicleListPath,
               const FuelListDocument &fuels, const std::string &fuelListPath,
               const std::shared_ptr<const EmissionFactorTable> &table,
               const std::vector<EmissionPollutant> &pollutants, std::vector<int> *emitterIndex,
               std::string *error);

    // EmissionList: the traffic file's categories first, in their order (so
    // item i is traffic category i), then the vehicle categories not among them.
    void rebuildEmissionList();

    std::vector<EmissionPollutant> m_pollutants;
};

} // namespace vesk
