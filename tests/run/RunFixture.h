#pragma once

// A program started on a copy of the data tree, with projects written into a
// working folder and run through the real chain: project loading, emission
// set-up, traffic, street model, statistics and files.

#include "calc/EmissionSetup.h"
#include "core/Settings.h"
#include "core/TextIO.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "run/RunCalculation.h"
#include "run/State.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vesk::test {

// One file record of a project: name, kind and its lists (each "[...]").
struct FileRecord {
    std::string name;
    std::string kind; // input, output, stat, traffic, streets, route, conditions
    std::vector<std::string> lists;
    bool checked = true;
};

inline FileRecord inputFile(const std::string &name, const std::string &vars,
                            const std::string &scaling = "*") {
    return {name, "input", {"[" + vars + "]", "[*]", "[" + scaling + "]"}};
}
inline FileRecord outputFile(const std::string &name, const std::string &vars,
                             const std::string &format = "*") {
    return {name, "output", {"[" + vars + "]", "[" + format + "]", "[*]"}};
}
inline FileRecord statFile(const std::string &name, const std::string &vars, const std::string &rows,
                           const std::string &format = "*") {
    return {name, "stat", {"[" + vars + "]", "[" + format + "]", "[*]", "[" + rows + "]"}};
}

// Text of a project file: a street of the given receptors, the demo units
// and the records given, then the demo fleet and fuels.
std::string projectText(const std::vector<FileRecord> &records, const std::string &street = "Test Street",
                        int cityType = 0);

// Hourly lines "year month day hour ..." from the first hour of a day on,
// one per hour; values(h) gives the rest of the line of hour h (0-based).
std::string hourlyLines(int year, int month, int day, int hours,
                        const std::function<std::string(int)> &values);

// Text of a counted traffic file (type 1) of `periods` periods (24 or 48)
// and one day case that holds on every day: row(period) gives the rest of
// the period's line: flows of Cars (60 % petrol, 40 % diesel cars), Van, HGV
// and Bus, the light and heavy speeds and the cold-start share.
std::string trafficFileText(int periods, const std::function<std::string(int)> &row);
// The same with the day cases given (name, day condition, month condition),
// row(period, day case) giving the rest of each line.
struct DayCaseLine {
    std::string name, day, month;
};
std::string trafficFileText(int periods, const std::vector<DayCaseLine> &dayCases,
                            const std::function<std::string(int, int)> &row);

// The text of a sample project of data/Working with stored names replaced,
// each in its double quotes ({"Out2023.txt", "Hourly.xls;Hourly"}); a name
// the project lacks fails the test.
std::string sampleProjectWith(const std::string &project,
                              const std::vector<std::pair<std::string, std::string>> &names);

// The lines of a file split at CR LF, without the empty last one.
std::vector<std::string> fileLines(const fs::path &path);
// The ";"-separated cells of a line, trimmed.
std::vector<std::string> cells(const std::string &line);

// What the built program did when started with args (in the folder
// startedIn, or in the test's own): its exit status (-1 when it did not
// exit), the signal that ended it (0 = none), whether it was killed after
// timeoutSeconds, and its standard output and error.
struct ProgramRun {
    int status = -1;
    int signal = 0;
    bool timedOut = false;
    std::string output;
};
ProgramRun runWinvesk(const std::vector<std::string> &args, int timeoutSeconds = 300,
                      const fs::path &startedIn = {});

// The streets of multi-street runs computed by n threads while it lives
// (WINVESK_THREADS); 1 is the serial run, one street after the other.
class StreetThreads {
public:
    explicit StreetThreads(int n);
    ~StreetThreads();
    StreetThreads(const StreetThreads &) = delete;
    StreetThreads &operator=(const StreetThreads &) = delete;

private:
    std::optional<std::string> m_before;
};

// The columns of marchHours(): meteorology and urban background of an hour.
inline constexpr const char *kMarchHourVariables =
    "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,cNOx_b,cNO2_b,cO3_b";
// Hours 1 to count (up to 24) of 6 March 2023, in the columns of kMarchHourVariables: a steady wind of 3 m/s
// from 200 degrees and the same background every hour, lines ending in CR LF.
std::string marchHours(int count);

class RunFixture : public ::testing::Test {
protected:
    RunFixture();

    // Writes the project (and loads it, and sets up its emissions).
    void loadProject(const std::string &fileName, const std::string &text);
    fs::path work(const std::string &name) const { return workDir / name; }
    void writeWork(const std::string &name, const std::string &text) const;
    // Runs the project loaded. After a fatal failure (the project was not
    // loaded) nothing runs: the report is of a failed run that says so.
    RunReport run(RunObserver *observer = nullptr);
    // Every message and question of the run so far, one a line.
    std::string said() const;
    // The named column of every row of a ";"-separated output file of the work folder
    // ("(none)" in a row without it).
    std::vector<std::string> column(const std::string &file, const std::string &name) const;

    TempDir dir;
    fs::path appDir, workDir;
    State state;
    ScriptedInteraction ui;
    MemorySettings settings;
    RunControl control;
};

} // namespace vesk::test
