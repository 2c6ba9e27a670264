#include "core/RestoredLists.h"

#include "core/CountryListReaders.h"
#include "core/ListReading.h"

namespace vesk {

bool readPollutantRows(const std::string &path, std::vector<PollutantRow> *rows, std::string *error) {
    try {
        ReferenceTables t;
        readPollutants(t, ListContext(), path);
        *rows = pollutantRows(t);
        return true;
    } catch (...) {
        *error = currentListFailure().text;
        return false;
    }
}

bool readPercentileNumbers(const std::string &path, PercentileNumbers *numbers, std::string *error) {
    try {
        ReferenceTables t;
        readPercentileDefinitions(t, ListContext(), path);
        *numbers = percentileNumbers(t);
        return true;
    } catch (...) {
        *error = currentListFailure().text;
        return false;
    }
}

bool readLimitValueVersion(const std::string &path, LimitValueVersion *version, std::string *error) {
    try {
        const PercentileNumbers columns = readLimitValueColumns(path);
        // Definitions that are the file's own columns, so that every column is read.
        ReferenceTables t;
        std::vector<std::string> *names[] = {&t.PercNamesHourly, &t.PercNamesRun8, &t.PercNamesDaily};
        std::vector<int> *nth[] = {&t.PercNthHourly, &t.PercNthRun8, &t.PercNthDaily};
        int *counts[] = {&t.NumPercHourly, &t.NumPercRun8, &t.NumPercDaily};
        for (std::size_t k = 0; k < columns.size(); ++k) {
            for (double p : columns[k]) {
                names[k]->push_back(percentileText(p));
                nth[k]->push_back(0);
            }
            *counts[k] = static_cast<int>(columns[k].size());
        }
        LimitValueTables values;
        readLimitValueFile(&values, t, ListContext(), path);
        static_cast<LimitValueTables &>(t) = values;
        version->blocks = limitValueBlocks(t);
        version->columns = columns;
        return true;
    } catch (...) {
        *error = currentListFailure().text;
        return false;
    }
}

} // namespace vesk
