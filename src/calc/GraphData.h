#pragma once

// What a Special Mode graph window reads: the graph descriptor (a ".gor"
// file: the name of the data file and the title, as comma-separated fields)
// and the graph data file it names (one line per wind direction: the
// direction in degrees, then one value per wind speed).
//
// The data file has no header line. Fields are separated by blanks,
// semicolons or tabs; a comma is a decimal mark ("12,5" is 12.5). Blank lines
// are skipped. The first line fixes the number of curves: a shorter line
// leaves its missing fields missing, a longer one is an error. A field that is
// not a number, and -99 (or less), is a missing value; missing values break a
// curve when it is drawn.

#include "core/Numbers.h"

#include <string>
#include <vector>

namespace vesk {

inline constexpr int kMaxGraphRows = 360;   // data lines of one file
inline constexpr int kMaxGraphFields = 120; // fields of one line (direction + 119 curves)

// The y maximum of a file without any value.
inline constexpr double kNoGraphValue = -1e30;

struct GraphDescriptor {
    std::string path;     // where the descriptor was read
    std::string dataFile; // field 1: the data file's name, looked for in the working folder
    std::string title;    // field 2: the graph title
};

enum class DescriptorStatus {
    Read,     // both fields read
    NotFound, // in neither folder (or not readable): "Can´t open the file"
    Invalid,  // read, but not a descriptor: "<why> This is not a Graph file"
};

// Reads the descriptor graphFile (e.g. "nox_1.gor") from workDir, or from
// appDir when workDir has no readable file of that name (letter case is
// ignored when the exact name is missing). Only the first two fields count;
// an empty data file name is invalid. *message gets the text to show when the
// status is not Read.
DescriptorStatus ReadGraphDescriptor(const std::string &workDir, const std::string &appDir,
                                     const std::string &graphFile, GraphDescriptor *out,
                                     std::string *message);

struct GraphData {
    // Per data line: the wind direction in degrees, kMissing when the field is
    // not a number.
    std::vector<double> directions;
    // values[curve][line], curve 0 = the first wind speed; kMissing where missing.
    std::vector<std::vector<double>> values;
    // The largest value read, missing values skipped; kNoGraphValue when none.
    double yMax = kNoGraphValue;

    int curveCount() const { return static_cast<int>(values.size()); }
    int rowCount() const { return static_cast<int>(directions.size()); }
};

// Reads the data file at path into *data (replacing what it held). False with
// the text to show in *message: "Can´t open the file", a line break and the
// path when the file cannot be read; otherwise what is wrong, " reading the
// file:", a line break and the path (more than 360 data lines, more than 120
// fields on a line, a line with more fields than the first, no data line at all).
bool ReadGraphFile(const std::string &path, GraphData *data, std::string *message);

// The value of one field of a data line: a number with "." or "," as its
// decimal mark, or kMissing for anything else, for -99 and below, and for
// values that are not finite.
double graphFieldValue(const std::string &field);

} // namespace vesk
