#pragma once

// The command line of winvesk:
//
//   winvesk "<project>"                         open the project in the window
//   winvesk "<project>" <flag> [<number>]       flag > 0: run it and quit
//   winvesk "<project>" <flag> <yyyymmdd> <hour> <yyyymmdd> <hour>
//
// The third item of a three-item line is the correction threshold ("," read
// as "."); the six-item form limits the calculation period. A single argument
// holding a double quote is split like a Windows command line.

#include "project/MainFormState.h"

#include <string>
#include <vector>

namespace vesk {

struct CommandLine {
    std::string projectFile;   // "" = none
    bool batch = false;        // the flag is greater than 0
    double trailingValue = -1; // -1 = none
    bool hasPeriod = false;
    PeriodDate startDate, endDate;
    int startHour = 0, endHour = 0;
};

// The usage text printed for a malformed line.
std::string commandLineUsage();

// Parses the program's arguments (without the program name). Returns false
// with *error for a malformed line: a flag that is no number, four, five or
// more than six items, a date that is not eight digits of a real day, an
// hour outside 0..24.
bool parseCommandLine(const std::vector<std::string> &args, CommandLine *out, std::string *error);

} // namespace vesk
