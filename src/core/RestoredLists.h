#pragma once

// What a restore of the pollutants or the percentile list from its
// first-save backup (X.bak, core/ListBackups.h) is about to load, read before
// the copy: the limit values are read in each pollutant's default output unit
// and given per percentile column, so the editors carry them to the restored
// list as a save carries them to the saved one.

#include "core/ListWriters.h"

#include <string>
#include <vector>

namespace vesk {

// The rows of the pollutants list file at path, as pollutantRows gives those
// loaded. False with *error (the reader's reason) when it cannot be read.
bool readPollutantRows(const std::string &path, std::vector<PollutantRow> *rows, std::string *error);

// The percentile numbers of the definitions in the percentile list file at
// path, per family in file order: the order in which the columns of the
// limit values are read against them. False with *error when it cannot be
// read.
bool readPercentileNumbers(const std::string &path, PercentileNumbers *numbers, std::string *error);

// The limit values of the limit value list file at path (a backup of it),
// with the percentile numbers that its header line gives their columns.
// False with *error when it cannot be read.
bool readLimitValueVersion(const std::string &path, LimitValueVersion *version, std::string *error);

} // namespace vesk
