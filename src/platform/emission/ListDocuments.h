#pragma once

// The vehicle list (.vlf), the fuel list (.flf) and the emission-factor
// table (.eft) as documents: what each file says, in a form an editor can
// change and a writer can save. docs/formats.md gives the layouts.
//
// The readers refuse a malformed file as a whole with a message naming the
// file, the line and what was expected. The writers never write a document
// with a problem (check*) or one their reader would refuse, and save through
// a temporary file and a rename, so a failed save leaves the old file whole.
//
// Rows remember the line they were read from (0 for rows made in memory) so
// that the emission set-up can name it in its own checks.

#include <string>
#include <vector>

namespace vesk {

// A fleet's shares may be off by rounding in the last printed digit.
inline constexpr double kFleetShareTolerance_percent = 0.5;

struct VehicleCategoryDefinition {
    std::string name;     // short, no blanks (it appears in variable names)
    std::string longName; // shown to the user
    int lengthClass = 1;  // 1 light, 2 heavy
    std::string factorClass;
    std::string fuel;
    int line = 0;
};

// One technology's share (%) of a category's vehicles.
struct FleetShareDefinition {
    std::string category;
    std::string technology;
    double percent = 0;
    int line = 0;
};

struct VehicleListDocument {
    std::string country;
    int year = 0;
    std::vector<std::string> headerLines; // after the country line, quotes kept
    std::string factorFile;               // as stored: bare name, ".\" name, relative or full path
    std::vector<VehicleCategoryDefinition> categories;
    std::vector<FleetShareDefinition> fleet;

    // The shares of one category, in file order.
    std::vector<const FleetShareDefinition *> sharesOf(const std::string &category) const;
    // Their sum in %.
    double shareSum(const std::string &category) const;
};

struct FuelDefinition {
    std::string name;
    std::string longName;
};

struct FuelContentDefinition {
    std::string fuel;
    std::string substance; // named like the pollutant it affects
    double content = 0;
    std::string unit; // for the reader of the file
};

struct FuelListDocument {
    std::string country;
    int year = 0;
    std::vector<std::string> headerLines;
    std::vector<FuelDefinition> fuels;
    std::vector<FuelContentDefinition> contents;
};

// One line of the [Factors] section: own factors, or a share of another
// pollutant's factor of the same class and technology.
struct FactorRow {
    std::string factorClass;
    std::string technology;
    std::string pollutant;
    bool isShare = false;
    double coldRatio = 1;        // own factors: cold-start factor / hot factor
    double fuelReference = 0;    // own factors: content the factors hold for; 0 = no fuel effect
    std::vector<double> factors; // own factors: g/km at each speed of the table
    std::string shareOf;         // share: the other pollutant
    double share = 0;            // share: 0 .. 1
    int line = 0;
    std::string source; // the line as read (for messages), "" for rows made in memory
};

struct FactorTableDocument {
    std::vector<std::string> headerLines;
    std::vector<double> speeds; // km/h, increasing
    std::vector<FactorRow> rows;

    // The row of a class, technology and pollutant (letter case ignored); null when none.
    const FactorRow *find(const std::string &factorClass, const std::string &technology,
                          const std::string &pollutant) const;
    // The factor (g/km) of a row at a speed: linear between the table's
    // speeds, constant beyond them; a share row follows its pollutant's row.
    // -99 when there is none.
    double hotFactor(const FactorRow &row, double speed_kmh) const;
};

bool readVehicleListDocument(const std::string &path, VehicleListDocument *doc, std::string *error);
bool parseVehicleListDocument(const std::string &text, const std::string &fileName, VehicleListDocument *doc,
                              std::string *error);
std::string vehicleListText(const VehicleListDocument &doc);
bool writeVehicleListFile(const std::string &path, const VehicleListDocument &doc, std::string *error);

bool readFuelListDocument(const std::string &path, FuelListDocument *doc, std::string *error);
bool parseFuelListDocument(const std::string &text, const std::string &fileName, FuelListDocument *doc,
                           std::string *error);
std::string fuelListText(const FuelListDocument &doc);
bool writeFuelListFile(const std::string &path, const FuelListDocument &doc, std::string *error);

bool readFactorTableDocument(const std::string &path, FactorTableDocument *doc, std::string *error);
bool parseFactorTableDocument(const std::string &text, const std::string &fileName, FactorTableDocument *doc,
                              std::string *error);
std::string factorTableText(const FactorTableDocument &doc);
bool writeFactorTableFile(const std::string &path, const FactorTableDocument &doc, std::string *error);

// A problem of a document made in memory: the part (0 the file as a whole,
// 1 categories or fuels, 2 fleet shares or contents, 3 factor rows), the row
// in it (-1 = the part as a whole) and what is wrong.
struct ListProblem {
    int part = 0;
    int row = -1;
    std::string message;
};

// Every problem for which the reader would refuse the document's file. A
// category's shares must add up to 100 % (within kFleetShareTolerance_percent).
std::vector<ListProblem> checkVehicleList(const VehicleListDocument &doc);
std::vector<ListProblem> checkFuelList(const FuelListDocument &doc);
std::vector<ListProblem> checkFactorTable(const FactorTableDocument &doc);

} // namespace vesk
