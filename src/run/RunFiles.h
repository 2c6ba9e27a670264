#pragma once

// Where the files of a time-series run lie, and the refusal of a run that
// would write over a file it reads or that names a file on a drive.

#include <string>

namespace vesk {
struct State;
} // namespace vesk

namespace vesk::run {

// An hourly output or statistics file: a stored name without a folder, one
// beginning with ".\" and one holding a folder ("res\Out.txt") lie in WorkDir
// (these kinds have no national folder); a full path is used as it is. The
// existing file is found without regard to letter case. Of a table address
// ("file;table") only the file part counts; the table part stays as it is. A
// name with a drive letter is looked for nowhere (driveLetterName refuses it).
std::string workFilePath(const State &s, const std::string &stored);

// The file of entry k (1-based) of the hourly output files, or of the
// statistics files: workFilePath of its stored name, but where an entry the
// run binds before it (the checked hourly outputs first, then the checked
// statistics files, each in list order) names the same file in other letter
// case ("Out.txt", "OUT.TXT"; sameNameButCase), that entry's file: names are
// compared without regard to letter case, so both are one file, written once
// under the first entry's name (two tables of one workbook go into one file).
std::string outputFilePath(const State &s, bool statistics, int k);

// The message refusing a run whose project names a file with a drive letter
// (hasDriveLetter: no file of this system) in one of the fields the run reads
// or writes: a checked entry of the hourly input, hourly output and statistics
// files, the traffic, streets, route, conditions or map file, the vehicle or
// fuel list. It names the name as stored and its field. Empty when there is
// none. Looks for no file.
std::string driveLetterName(const State &s);

// A streets, route or conditions file: as workFilePath, but a name holding a
// folder that WorkDir does not hold is read from the program folder (AppDir)
// when the file lies there.
std::string workInputPath(const State &s, const std::string &stored);

// An hourly input file: as workInputPath, and a name beginning with ".\"
// lies in the national meteorology and background folder (MetBackDir).
std::string inputFilePath(const State &s, const std::string &stored);

// The message refusing a run whose checked hourly output or statistics file
// lies in a folder that does not exist: the run creates no folder. Empty when
// every folder is there. Opens and creates nothing.
std::string missingOutputFolder(const State &s);

// The message refusing a run that would write over a file it reads: a
// checked hourly output or statistics file that is one of the project's
// hourly input files (checked or not), its traffic, streets, route or
// conditions file, its vehicle, fuel or emission-factor list, an urban
// emission file or the project file itself; or two outputs that are one text
// file; or an output that exists and is no regular file (a device, a pipe,
// a folder), or that is named Run.opt (the option file of its folder). Files are the same after the lookup
// that ignores letter case and through links (two outputs also when their names differ in letter case only,
// whether or not the file exists: outputFilePath); two tables of one workbook only when their names agree. A
// message names a statistics file as "the statistics file", an hourly output as "the output file". Empty
// when there is none. Opens no file.
std::string outputOverInput(const State &s);

// The refusals of a run's file names before its first hour, the first that
// applies: driveLetterName, outputOverInput, missingOutputFolder. Empty when
// none applies. Opens and creates nothing.
std::string outputNamesRefusal(const State &s);

// The same for one file that a run reads once it has begun (the traffic
// file of a street or route segment); role names it in the message ("the
// traffic file"). Empty when no output is that file.
std::string outputOverFile(const State &s, const std::string &path, const std::string &role);

} // namespace vesk::run
