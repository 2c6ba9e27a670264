#pragma once

// The readers of the country-list load, one per list file or step. Each
// fills a fresh ReferenceTables and throws on failure (see ListReading.h).

#include "core/CoreState.h"
#include "core/Interaction.h"

#include <array>
#include <string>
#include <vector>

namespace vesk {

struct ListContext {
    std::string listsDir;       // national lists folder of the country being loaded
    std::string sharedListsDir; // shared lists folder
    std::string decimalSeparator = ".";
    int numReceptors = 2;
    Interaction *ui = nullptr;
    std::string *listFileName = nullptr;
};

void readPollutants(ReferenceTables &t, const ListContext &c);
// The same from the file at path in the list's layout (a backup of it).
void readPollutants(ReferenceTables &t, const ListContext &c, const std::string &path);
void readScenarios(ReferenceTables &t, ModelEnvironment &env, const ListContext &c);
// Moves currentYear to the scenario year in force and picks its list files:
// an exact year wins, a year before the first or after the last takes that
// end, a year between takes the latest listed year not after it. Without any
// scenario year nothing changes and the default files stay empty.
void clampCurrentYear(ReferenceTables &t, int &currentYear);
void readUrbanEmission(ReferenceTables &t, const ListContext &c);
void readDateNames(ReferenceTables &t, ModelEnvironment &env, const ListContext &c);
void readPercentileDefinitions(ReferenceTables &t, const ListContext &c);
void readPercentileDefinitions(ReferenceTables &t, const ListContext &c, const std::string &path);
void buildPercNameList(ReferenceTables &t);
// StatVarNew.lst, the limit values, VarList, the statistics catalogue,
// StatVarTypeList, PercNameList, InputVarNew.lst and OutputVarNew.lst.
void buildVariableCatalogue(ReferenceTables &t, const ListContext &c);
// Reads LimValDef.lst into *out; the percentile definitions and pollutants
// come from defs. Shows its messages; false (after a message) on failure.
bool readLimitValues(LimitValueTables *out, const ReferenceTables &defs, const ListContext &c);
// The same for the limit value list at path; throws as the list readers do.
void readLimitValueFile(LimitValueTables *out, const ReferenceTables &defs, const ListContext &c,
                        const std::string &path);
// The percentile numbers that the header line of the limit value list at path
// gives the percentile columns of each family (hourly, running 8-hour,
// daily), in file order. Throws as the list readers do.
std::array<std::vector<double>, 3> readLimitValueColumns(const std::string &path);

} // namespace vesk
