#pragma once

// Whether a run could read an hourly input file: the check of a file before
// it is listed where every project may take it (the country's standard
// meteorology and background files, which share one layout).

#include "project/FileLists.h"

#include <string>

namespace vesk {

struct State;

// Reads the hourly input file at path (a full path, or a table address
// "file;table") with the given variable, format and scaling lists as a run
// reads its only input file: every record, its items and its date, over the
// whole file, without a start or end date. "" when a run could read it to
// its end and found at least one hour; otherwise the message the run would
// give (the file, the line and what was wrong), or that the file holds no
// hour. The state gives the country's pollutants, vehicle categories and
// decimal separator; it is not changed. Writes nothing.
std::string hourlyInputFileProblem(const State &state, const std::string &path, const FileFormatLists &lists);

} // namespace vesk
