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

} // namespace vesk
