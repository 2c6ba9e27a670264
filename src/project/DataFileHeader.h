#pragma once

// Where a data file of a project lies, and the names of its columns as the
// file itself gives them: the first line of a text file, or the field names
// of a table of an Access, Excel or Lotus file. The format dialog shows them
// so that a variable list can be written in the file's own column order.

#include <string>
#include <vector>

namespace vesk {

// The full path (or table address "path;table") of a data file as a project
// lists it: a name without a folder lies in workDir, a name beginning ".\" or
// "./" in metBackDir (the national meteorology and background folder), a name
// holding a folder below workDir ("met\Met.txt"), or in appDir (the program
// folder) when only that holds the file; a full path stays as it is. The file
// part is found without regard to letter case; the table part stays as it is.
std::string dataFilePath(const std::string &listed, const std::string &workDir, const std::string &metBackDir,
                         const std::string &appDir = {});

// The name a project stores for a data file chosen in a file picker (a path
// or a table address "path;table"): the file part as storedNameFor gives it
// (nationalDir: the national folder of the file's kind, "" for none), the
// table part as it is.
std::string storedDataFileName(const std::string &chosen, const std::string &workDir,
                               const std::string &nationalDir);

enum class HeaderFailure {
    None,
    NotAccessible, // no such file, or it cannot be opened
    Unreadable,    // the table is missing or the file is damaged
    NotRecognised, // a database or spreadsheet kind this program cannot read
};

struct FileHeader {
    std::vector<std::string> names; // unique, in the file's order
    HeaderFailure failure = HeaderFailure::None;
    std::string detail; // the reason, naming the file (empty on success)
    bool ok() const { return failure == HeaderFailure::None; }
};

// The column names of a data file or table address (see dataFilePath). A
// text file's first line is split by the list-line rule with the given
// decimal separator (blanks, semicolons, tabs and, unless the separator is a
// comma, commas; quoted text stays whole). Any number of columns. Names that
// repeat are made unique (uniqueColumnNames).
FileHeader readDataFileHeader(const std::string &pathOrAddress, const std::string &decimalSeparator);

// Makes repeated names unique, letter case ignored, keeping the first of
// each: a repeat ending in "_" and a number k counts that number up (NO2_2,
// NO2_2 -> NO2_2, NO2_3), any other repeat gets "_1" (then counts up), so A,
// A, A -> A, A_1, A_2. Only the trailing number ever changes.
std::vector<std::string> uniqueColumnNames(const std::vector<std::string> &names);

// A column caption: every "#" replaced by the decimal separator (database
// drivers turn a full stop in a column name into "#").
std::string columnCaption(const std::string &name, const std::string &decimalSeparator);

} // namespace vesk
