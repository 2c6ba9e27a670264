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

// The two tool windows of the program run as processes of their own, started
// by the main window with an argument list:
//
//   winvesk --emission-factors "<vehicle list>" "<fuel list>" <year> "<country>"
//   winvesk --traffic-editor "<vehicle list>" "<fuel list>" <year> "<country>"
//
// The lists are full paths (either may be empty), the year is the scenario
// year and the country the current country's name. A project is never named
// by a first argument beginning with "--".
enum class ToolWindow { None, EmissionFactors, TrafficEditor };

struct ToolCommandLine {
    ToolWindow tool = ToolWindow::None;
    std::string vehicleList, fuelList;
    int year = 0;
    std::string country;
};

inline constexpr const char *kEmissionFactorsOption = "--emission-factors";
inline constexpr const char *kTrafficEditorOption = "--traffic-editor";

// True when args start with one of the two tool options (then parseToolCommandLine decides).
bool isToolCommandLine(const std::vector<std::string> &args);

// Parses a tool command line. False with *error when the option is followed
// by other than four items or the year is not a whole number from 1 to 9999.
bool parseToolCommandLine(const std::vector<std::string> &args, ToolCommandLine *out, std::string *error);

// The arguments that start a tool window (without the program).
std::vector<std::string> toolArguments(const ToolCommandLine &line);

// The usage text printed for a malformed line.
std::string commandLineUsage();

// Parses the program's arguments (without the program name). Returns false
// with *error for a malformed line: a flag that is no number, four, five or
// more than six items, a date that is not eight digits of a real day, an
// hour outside 0..24.
bool parseCommandLine(const std::vector<std::string> &args, CommandLine *out, std::string *error);

// The project path of a command line as a full path: a relative one is taken
// from the folder the program was started in, so that the recent-files list
// and the caption name a file that a later start from another folder finds.
// A full path is only normalised ("a/./b" -> "a/b"); "" stays "". When the
// current folder cannot be read the path is returned as it came.
std::string fullProjectPath(const std::string &path);

} // namespace vesk
