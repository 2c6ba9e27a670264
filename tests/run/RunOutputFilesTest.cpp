// Which runs replace the previous hourly output and statistics files: only
// a run that writes them (one that reached its end, or a stop during an
// hour). A failed run, a period without data and a stop while paused leave
// the previous files byte for byte, in single- and multi-street projects.

#include "run/RunFixture.h"

#include "core/StagedFile.h"
#include "run/RunFiles.h"
#include "support/PlainStage.h"

#include <fstream>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kHours = 48;

std::string hoursText(int from, int to, int shortLine = 0) {
    std::string out;
    for (int h = from; h <= to; ++h) {
        const int day = 6 + (h - 1) / 24;
        const std::string head = "2023,3," + std::to_string(day) + "," + std::to_string((h - 1) % 24 + 1);
        out += h == shortLine ? head + ",3\r\n" : head + ",3,200,10,0,30,20,40\r\n";
    }
    return out;
}

// Two streets; the second one's traffic file as given.
std::string streetsText(const std::string &lastTraffic) {
    return "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
           "#TRUE#,\"South\",700,800,\".\\" +
           lastTraffic + "\",30000,50,12,30,200,200,160,0,2,0\r\n";
}

void overwrite(const fs::path &file, const std::string &text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

enum class Project { Single, Multi };

struct Damage {
    std::string name;
    Project project;
    // Damages the project's inputs (in the working folder) or its period after a first complete run.
    std::function<void(const fs::path &workDir, State &)> apply;
    RunOutcome outcome;
    int streetsDone = 0; // streets whose statistics the failed run had written before it ended
};

void PrintTo(const Damage &d, std::ostream *os) {
    *os << d.name;
}

void endBeforeStart(const fs::path &, State &s) {
    s.StartAuto = s.EndAuto = false;
    s.StartDate = {2023, 3, 7};
    s.StartHour = 1;
    s.EndDate = {2023, 3, 6};
    s.EndHour = 24;
}

class OutputFiles : public RunFixture {
protected:
    void loadKind(Project kind) {
        writeWork("Hours.txt", hoursText(1, kHours));
        std::vector<FileRecord> records = {
            inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,cNOx_b,cNO2_b,"
                                   "cO3_b"),
            outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*")};
        if (kind == Project::Multi) {
            writeWork("Streets.txt", streetsText("CityStreet.trf"));
            records.push_back(statFile("Streets.sum", "\"Street\",AvNOx_mod_1", "streets", "0,0.0"));
            records.push_back({"Streets.txt", "streets", {}});
            ASSERT_NO_FATAL_FAILURE(loadProject("Streets.vkm", projectText(records, "Streets")));
        } else {
            records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod", "0,0.0"));
            records.push_back({".\\CityStreet.trf", "traffic", {"20000", "40"}});
            ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
        }
    }
    std::vector<std::string> outputs(Project kind) const {
        return kind == Project::Multi ? std::vector<std::string>{"Out.txt", "Streets.sum"}
                                      : std::vector<std::string>{"Out.txt", "Stat.txt"};
    }
    std::map<std::string, std::string> contents(Project kind) const {
        std::map<std::string, std::string> out;
        for (const std::string &name : outputs(kind)) {
            out[name] = fs::exists(work(name)) ? readFile(work(name)) : "(missing)";
        }
        return out;
    }
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> out;
        for (const auto &entry : fs::directory_iterator(workDir)) {
            const std::string name = entry.path().filename().string();
            if (name.front() == '.') {
                out.push_back(name);
            }
        }
        return out;
    }
};

class RunOutputFiles : public OutputFiles, public ::testing::WithParamInterface<Damage> {};

} // namespace

TEST_P(RunOutputFiles, ARunThatDoesNotWriteItsFilesLeavesThePreviousOnes) {
    const Damage &d = GetParam();
    ASSERT_NO_FATAL_FAILURE(loadKind(d.project));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << (ui.messages.empty() ? "" : ui.messages.back());
    const auto before = contents(d.project);
    for (const auto &[name, text] : before) {
        ASSERT_NE(text, "(missing)") << name;
    }

    d.apply(workDir, state);
    const RunReport report = run();
    EXPECT_EQ(report.outcome, d.outcome) << report.error;
    EXPECT_EQ(report.streets, d.streetsDone);
    EXPECT_EQ(contents(d.project), before);
    EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Damages, RunOutputFiles,
    ::testing::Values(
        Damage{"the end date lies before the start date", Project::Single, endBeforeStart,
               RunOutcome::NoData},
        Damage{"the end date lies before the start date in a multi-street run", Project::Multi,
               endBeforeStart, RunOutcome::NoData},
        Damage{"a short record after the first day", Project::Single,
               [](const fs::path &work, State &) { overwrite(work / "Hours.txt", hoursText(1, kHours, 30)); },
               RunOutcome::Failed},
        Damage{"a short record in a multi-street run", Project::Multi,
               [](const fs::path &work, State &) { overwrite(work / "Hours.txt", hoursText(1, kHours, 40)); },
               RunOutcome::Failed},
        Damage{"the last street's traffic file is missing", Project::Multi,
               [](const fs::path &work, State &) {
                   overwrite(work / "Streets.txt", streetsText("Missing.trf"));
               },
               RunOutcome::Failed, 1}),
    [](const ::testing::TestParamInfo<Damage> &info) { return testNameOf(info.param.name); });

namespace {
// Pauses the run after its first hour and stops it while it waits.
struct StopWhilePaused : RunObserver {
    RunControl &control;
    std::thread stopper;
    explicit StopWhilePaused(RunControl &c) : control(c) {}
    ~StopWhilePaused() override {
        if (stopper.joinable()) {
            stopper.join();
        }
    }
    void progress(double, const std::string &text) override {
        if (text.find('|') == std::string::npos || stopper.joinable()) {
            return;
        }
        control.requestPause();
        stopper = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            control.requestStop();
        });
    }
};
} // namespace

TEST_F(OutputFiles, AStopWhilePausedLeavesThePreviousFilesAndAStopDuringAnHourReplacesThem) {
    const StreetThreads serial(1); // the stop lands on the first hour of the first street
    ASSERT_NO_FATAL_FAILURE(loadKind(Project::Multi));
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    const auto before = contents(Project::Multi);

    StopWhilePaused pauseThenStop(control);
    EXPECT_EQ(run(&pauseThenStop).outcome, RunOutcome::StoppedWhilePaused);
    EXPECT_EQ(contents(Project::Multi), before);

    control.reset();
    struct StopAtOnce : RunObserver {
        RunControl &control;
        explicit StopAtOnce(RunControl &c) : control(c) {}
        void progress(double, const std::string &text) override {
            if (text.find('|') != std::string::npos) {
                control.requestStop();
            }
        }
    } stop(control);
    EXPECT_EQ(run(&stop).outcome, RunOutcome::Stopped);
    EXPECT_EQ(fileLines(work("Out.txt")).size(), 2u) << "the header and the one hour computed";
    EXPECT_EQ(fileLines(work("Streets.sum")).size(), 2u) << "the header and the street computed";
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
}

namespace {

struct Clash {
    std::string name;
    std::function<void(const fs::path &workDir)> prepare; // links and copies the case needs
    std::string output;                                   // the hourly output file's name
    std::string statistics; // the statistics file's name ("WORK" = the working folder)
    std::string says;       // a part of the message
};

void PrintTo(const Clash &c, std::ostream *os) {
    *os << c.name;
}

class OutputOverInput : public OutputFiles, public ::testing::WithParamInterface<Clash> {};

} // namespace

TEST_P(OutputOverInput, IsRefusedBeforeAnythingIsOpenedAndTheInputIsKept) {
    const Clash &c = GetParam();
    writeWork("Hours.txt", hoursText(1, kHours));
    ASSERT_NO_FATAL_FAILURE(c.prepare(workDir));
    std::string statistics = c.statistics;
    if (statistics.rfind("WORK", 0) == 0) {
        statistics = workDir.string() + statistics.substr(4);
    }
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "cNOx_b,cNO2_b,cO3_b"),
                     outputFile(c.output, "day,hour,cNOx_mod_1", "0,*"),
                     statFile(statistics, "\"Series\",Average_1", "NOx_mod", "0,0.0"),
                     {".\\CityStreet.trf", "traffic", {"20000", "40"}}})));
    const std::string hours = readFile(work("Hours.txt"));
    const std::string project = readFile(work("Test.vkp"));

    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.hours, 0) << "refused before the first hour";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(c.says), std::string::npos) << ui.messages[0];
    EXPECT_EQ(report.error, ui.messages[0]);
    EXPECT_EQ(readFile(work("Hours.txt")), hours);
    EXPECT_EQ(readFile(work("Test.vkp")), project);
    EXPECT_FALSE(fs::exists(work("Out.txt"))) << "no output is opened";
    EXPECT_FALSE(fs::exists(work("run.OPT")) || fs::exists(work("sub/Run.opt")));
    for (const char *special : {"Pipe.txt", "Full"}) {
        EXPECT_TRUE(!fs::exists(work(special)) || !fs::is_regular_file(work(special))) << special;
    }
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Names, OutputOverInput,
    ::testing::Values(
        Clash{"the hourly output is the input", [](const fs::path &) {}, "Hours.txt", "Stat.txt",
              "is also an hourly input file of the project"},
        Clash{"the hourly output is the input in other letters", [](const fs::path &) {}, "hOURS.TXT",
              "Stat.txt", "is also an hourly input file of the project"},
        Clash{"the statistics file is the input through a symbolic link",
              [](const fs::path &w) { fs::create_symlink(w / "Hours.txt", w / "Link.txt"); }, "Out.txt",
              "Link.txt", "is also an hourly input file of the project"},
        Clash{"the statistics file is the input through a hard link",
              [](const fs::path &w) { fs::create_hard_link(w / "Hours.txt", w / "Other.txt"); }, "Out.txt",
              "Other.txt", "is also an hourly input file of the project"},
        Clash{"the statistics file is the input by a path through another folder",
              [](const fs::path &w) { fs::create_directory(w / "sub"); }, "Out.txt", "WORK/sub/../Hours.txt",
              "is also an hourly input file of the project"},
        Clash{"the hourly output is the project file", [](const fs::path &) {}, "Test.vkp", "Stat.txt",
              "is also the project file"},
        Clash{"the hourly output and the statistics file are one file", [](const fs::path &) {}, "Same.txt",
              "Same.txt",
              "is named twice: as entry 1 of the hourly output files and as entry 1 of the statistics files"},
        Clash{"the hourly output is a pipe",
              [](const fs::path &w) { ASSERT_EQ(::mkfifo((w / "Pipe.txt").c_str(), 0600), 0); }, "Pipe.txt",
              "Stat.txt", "is not a regular file but a named pipe"},
        Clash{"the statistics file is a link to a device",
              [](const fs::path &w) {
                  // A device of the kind of /dev/full where this process may make one, else
                  // /dev/full itself.
                  const bool made = ::mknod((w / "Full").c_str(), S_IFCHR | 0600, ::makedev(1, 7)) == 0;
                  fs::create_symlink(made ? w / "Full" : fs::path("/dev/full"), w / "Full.txt");
              },
              "Out.txt", "Full.txt", "is not a regular file but a device"},
        Clash{"the hourly output is the folder's option file", [](const fs::path &) {}, "run.OPT", "Stat.txt",
              "would be the option file that every project of its folder"},
        Clash{"the statistics file is the option file of another folder",
              [](const fs::path &w) { fs::create_directory(w / "sub"); }, "Out.txt", "WORK/sub/Run.opt",
              "would be the option file that every project of its folder"}),
    [](const ::testing::TestParamInfo<Clash> &info) { return testNameOf(info.param.name); });

// Two tables of one file whose names its program takes for one: the message
// names both tables and why they are one.
INSTANTIATE_TEST_SUITE_P(
    TablesOfOneName, OutputOverInput,
    ::testing::Values(
        Clash{"two tables of one database named alike but for letter case", [](const fs::path &) {},
              "Names.mdb;Xyz", "Names.mdb;XYZ",
              "receives two tables of one name, Xyz as entry 1 of the hourly output files and XYZ as entry 1 "
              "of "
              "the statistics files: "
              "Access takes Xyz and XYZ for one name. Give each output table a name of its own."},
        Clash{
            "two tables of one database whose names Access sorts as one", [](const fs::path &) {},
            "Names.mdb;Straße", "Names.mdb;STRASSE",
            ": this run writes the table Straße into it already, and Access takes Straße and STRASSE for one "
            "name; give each table a name of its own."},
        Clash{"two tables of one database, the one named as the other in apostrophes",
              [](const fs::path &) {}, "Names.mdb;'Xyz'", "Names.mdb;xyz",
              "receives two tables of one name, 'Xyz' as entry 1 of the hourly output files and xyz as entry "
              "1 of "
              "the statistics files: "
              "a table written as xyz replaces one named 'Xyz'. Give each output table a name of its own."},
        Clash{"two sheets of one workbook named alike", [](const fs::path &) {}, "Book.xls;Xyz$",
              "Book.xls;XYZ",
              "receives two tables of one name, Xyz$ as entry 1 of the hourly output files and XYZ as entry "
              "1 of "
              "the statistics files: "
              "Xyz$ and XYZ name one sheet. Give each output table a name of its own."}),
    [](const ::testing::TestParamInfo<Clash> &info) { return testNameOf(info.param.name); });

// Two entries of one list that name one file (or one table) are told apart
// by their places in the list.
TEST_F(OutputFiles, TwoHourlyOutputsNamingOneFileAreRefusedNamingTheirPlacesInTheList) {
    writeWork("Hours.txt", hoursText(1, kHours));
    struct Case {
        std::string first, third; // entries 1 and 3 of the hourly output files (entry 2 is Other.txt)
        std::string says;
    };
    for (const Case &c : {
             Case{"Same.txt", "Same.txt",
                  "\r\nis named twice: as entry 1 of the hourly output files and as entry 3 of the hourly "
                  "output files. Give each output file a name of its own."},
             Case{
                 "Book.xls;Hours", "Book.xls;HOURS",
                 "\r\nreceives two tables of one name, Hours as entry 1 of the hourly output files and HOURS "
                 "as entry 3 of the hourly output files: Hours and HOURS name one sheet. Give each output "
                 "table a name of its own."},
         }) {
        SCOPED_TRACE(c.first);
        ASSERT_NO_FATAL_FAILURE(loadProject(
            "Test.vkp",
            projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                                "cNOx_b,cNO2_b,cO3_b"),
                         outputFile(c.first, "day,hour,cNOx_mod_1", "0,*"),
                         outputFile("Other.txt", "day,hour,cNOx_mod_1", "0,*"),
                         outputFile(c.third, "day,hour,cNO2_mod_1", "0,*"),
                         {".\\CityStreet.trf", "traffic", {"20000", "40"}}})));
        ui.messages.clear();
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.hours, 0);
        const std::string file = c.third.substr(0, c.third.find(';'));
        EXPECT_EQ(report.error, "The output file\r\n" + work(file).string() + c.says) << report.error;
        EXPECT_FALSE(fs::exists(work("Other.txt"))) << "nothing is opened";
    }
}

TEST_F(OutputFiles, AStreetsTrafficFileNamedAsTheStatisticsFileIsRefusedAndKept) {
    writeWork("Hours.txt", hoursText(1, kHours));
    writeWork("Mine.trf", readFile(dataDir() / "Data" / "Traffic" / "National" / "DL" / "CityStreet.trf"));
    writeWork("Streets.txt",
              "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
              "#TRUE#,\"South\",700,800,\"Mine.trf\",30000,50,12,30,200,200,160,0,2,0\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Streets.vkm", projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,"
                                                           "globalrad,cNOx_b,cNO2_b,cO3_b"),
                                    statFile("mine.TRF", "\"Street\",AvNOx_mod_1", "streets", "0,0.0"),
                                    {"Streets.txt", "streets", {}}},
                                   "Streets")));
    const std::string traffic = readFile(work("Mine.trf"));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_NE(report.error.find("is also the traffic file of the project"), std::string::npos)
        << report.error;
    EXPECT_EQ(readFile(work("Mine.trf")), traffic);
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
}

namespace {

// An output named as a file of the program itself.
struct ProgramFile {
    std::string name;
    std::function<void(const fs::path &appDir, const fs::path &workDir)> prepare;
    std::string output;     // the hourly output ("APP" = the program folder, "WORK" = the working folder)
    std::string statistics; // the statistics file, likewise
    std::string says;       // a part of the message
};

void PrintTo(const ProgramFile &c, std::ostream *os) {
    *os << c.name;
}

class OutputOverProgramFile : public OutputFiles, public ::testing::WithParamInterface<ProgramFile> {
protected:
    std::string resolved(const std::string &name) const {
        if (name.rfind("APP", 0) == 0) {
            return appDir.string() + name.substr(3);
        }
        if (name.rfind("WORK", 0) == 0) {
            return workDir.string() + name.substr(4);
        }
        return name;
    }
    // Every file of the program's folder tree with its bytes.
    std::map<std::string, std::string> programFiles() const {
        std::map<std::string, std::string> out;
        for (const auto &entry : fs::recursive_directory_iterator(appDir)) {
            if (entry.is_regular_file()) {
                out[entry.path().string()] = readFile(entry.path());
            }
        }
        return out;
    }
};

} // namespace

TEST_P(OutputOverProgramFile, IsRefusedBeforeAnythingIsOpenedAndTheProgramStillStarts) {
    const ProgramFile &c = GetParam();
    writeWork("Hours.txt", hoursText(1, kHours));
    std::ofstream(appDir / "winvesk", std::ios::binary) << "the program's executable";
    c.prepare(appDir, workDir);
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "cNOx_b,cNO2_b,cO3_b"),
                     outputFile(resolved(c.output), "day,hour,cNOx_mod_1", "0,*"),
                     statFile(resolved(c.statistics), "\"Series\",Average_1", "NOx_mod", "0,0.0"),
                     {".\\CityStreet.trf", "traffic", {"20000", "40"}}})));
    const auto before = programFiles();

    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.hours, 0) << "refused before the first hour";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(c.says), std::string::npos) << ui.messages[0];
    // A statistics file is named as such, an hourly output as the output file.
    const std::string noun = c.name.rfind("the statistics file", 0) == 0 ? "statistics file" : "output file";
    EXPECT_EQ(ui.messages[0].rfind("The " + noun + "\r\n", 0), 0u) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("The run would write over a file of the program itself. Give the " + noun +
                                  " another name."),
              std::string::npos)
        << ui.messages[0];
    EXPECT_EQ(programFiles(), before) << "no file of the program is written, none is made";
    EXPECT_FALSE(fs::exists(work("Out.txt")) || fs::exists(work("Stat.txt"))) << "no output is opened";
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});

    State fresh;
    ScriptedInteraction quiet;
    MemorySettings none;
    EXPECT_TRUE(InitProgram(fresh, appDir.string() + "/", quiet, none, [](CoreState &) {}))
        << (quiet.messages.empty() ? "" : quiet.messages.back());
}

INSTANTIATE_TEST_SUITE_P(
    Names, OutputOverProgramFile,
    ::testing::Values(
        ProgramFile{"the hourly output is the country list of the program folder",
                    [](const fs::path &, const fs::path &) {}, "APP/Countries.ini", "Stat.txt",
                    "is the file Countries.ini that the program reads from its folder"},
        ProgramFile{"the hourly output is the country list in other letters",
                    [](const fs::path &, const fs::path &) {}, "APP/cOUNTRIES.INI", "Stat.txt",
                    "is the file Countries.ini that the program reads from its folder"},
        ProgramFile{"the statistics file is the program's executable",
                    [](const fs::path &, const fs::path &) {}, "Out.txt", "APP/winvesk",
                    "is the program's executable"},
        ProgramFile{"the statistics file is a list of the country", [](const fs::path &, const fs::path &) {},
                    "Out.txt", "APP/Lists/National/DL/Pollutants.lst",
                    "is a file of the program's own data folder"},
        ProgramFile{"the hourly output is a new file among the country's emission data",
                    [](const fs::path &, const fs::path &) {}, "APP/Data/Emission/National/DL/New.txt",
                    "Stat.txt", "is a file of the program's own data folder"},
        ProgramFile{"the hourly output is a shared list by a path through the working folder of the program",
                    [](const fs::path &, const fs::path &) {}, "APP/Working/../Lists/Shared/StFuels.lst",
                    "Stat.txt", "is a file of the program's own data folder"},
        ProgramFile{"the statistics file is the model parameters through a symbolic link",
                    [](const fs::path &app, const fs::path &work) {
                        fs::create_symlink(app / "MathPars.ini", work / "Link.txt");
                    },
                    "Out.txt", "WORK/Link.txt",
                    "is the file MathPars.ini that the program reads from its folder"}),
    [](const ::testing::TestParamInfo<ProgramFile> &info) { return testNameOf(info.param.name); });

// An output table of a database is refused over an input table that it
// would replace: one of its name, letter case aside, or of its name in
// apostrophes. An output named in apostrophes is another table than the
// input of the name without them.
TEST_F(OutputFiles, AnOutputTableIsRefusedOverTheInputTablesItWouldReplaceOnly) {
    struct Case {
        const char *input, *output;
        bool refused;
    };
    for (const Case &c :
         {Case{"Db.mdb;Quoted", "Db.mdb;QUOTED", true}, Case{"Db.mdb;'Quoted'", "Db.mdb;Quoted", true},
          Case{"Db.mdb;'Quoted'", "Db.mdb;'quoted'", true}, Case{"Db.mdb;Quoted", "Db.mdb;'Quoted'", false},
          Case{"Db.mdb;Quoted", "Other.mdb;Quoted", false}}) {
        ASSERT_NO_FATAL_FAILURE(loadProject(
            "Test.vkp",
            projectText({inputFile(c.input, "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "cNOx_b,cNO2_b,cO3_b"),
                         outputFile(c.output, "day,hour,cNOx_mod_1", "0,*")})));
        const std::string refused = run::outputOverInput(state);
        EXPECT_EQ(refused.find("is also an hourly input file of the project") != std::string::npos, c.refused)
            << c.input << " read, " << c.output << " written: " << refused;
    }
}

TEST_F(OutputFiles, AnOutputNamedAsTheRunningProgramIsRefusedWithoutOpeningIt) {
    std::error_code ec;
    const fs::path running = fs::read_symlink("/proc/self/exe", ec);
    ASSERT_FALSE(ec);
    writeWork("Hours.txt", hoursText(1, kHours));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "cNOx_b,cNO2_b,cO3_b"),
                     outputFile(running.string(), "day,hour,cNOx_mod_1", "0,*")})));
    // The check alone: it opens no file, so it cannot harm this test's own program.
    const std::string refused = run::outputOverInput(state);
    EXPECT_NE(refused.find("is the program's executable"), std::string::npos) << refused;
}

TEST_F(OutputFiles, AnOutputInTheWorkingFolderBesideTheProgramIsWritten) {
    writeWork("Hours.txt", hoursText(1, kHours));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "cNOx_b,cNO2_b,cO3_b"),
                     outputFile((appDir / "Working" / "Out.txt").string(), "day,hour,cNOx_mod_1", "0,*"),
                     {".\\CityStreet.trf", "traffic", {"20000", "40"}}})));
    EXPECT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(fileLines(appDir / "Working" / "Out.txt").size(), 1u + kHours);
}

// A run killed while it wrote its files left their temporary copies, each
// as large as the file, hidden beside them: the next run of those outputs
// removes them, but not one that another run, still under way, writes, nor
// one of a file that is no output of the run.
TEST_F(OutputFiles, ARunRemovesWhatKilledRunsLeftBesideItsOutputsAndNothingElse) {
    writeWork("Hours.txt", hoursText(1, kHours));
    auto writer = [&](const std::string &name) {
        return OtherProcess([file = work(name).string()] {
            auto *staged = new StagedFile; // kept to the end of the process, which ends without tidying up
            return staged->open(file, nullptr) && staged->write("half a file");
        });
    };
    OtherProcess running = writer("Out.txt");
    ASSERT_TRUE(running.holding());
    const std::vector<std::string> before = strayFiles();
    for (const char *name : {"Out.txt", "Stat.xls", "Hours.txt"}) {
        OtherProcess killed = writer(name);
        ASSERT_TRUE(killed.holding());
    }
    std::vector<std::string> expected = before;
    for (const std::string &name : strayFiles()) {
        if (name.rfind(".Hours.txt.", 0) == 0) {
            expected.push_back(name);
        }
    }
    ASSERT_EQ(strayFiles().size(), before.size() + 3);
    loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "cNOx_b,cNO2_b,cO3_b"),
                     outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                     statFile("Stat.xls;Statistics", "\"Series\",Average_1", "NOx_mod", "0,0.0"),
                     {".\\CityStreet.trf", "traffic", {"20000", "40"}}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    std::vector<std::string> left = strayFiles();
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

namespace {

// An output the user has made read-only (mode 444), of each kind.
struct ReadOnly {
    std::string output;     // the hourly output
    std::string statistics; // the statistics file
    std::string file;       // the one of them made read-only
};

void PrintTo(const ReadOnly &r, std::ostream *os) {
    *os << r.file;
}

class ReadOnlyOutput : public OutputFiles, public ::testing::WithParamInterface<ReadOnly> {};

} // namespace

WINVESK_PLAIN_STAGE("*ReadOnlyOutput.*", OtherProcesses);

TEST_P(ReadOnlyOutput, IsRefusedBeforeTheFirstHourSayingSoAndWhatToDo) {
    const ReadOnly &r = GetParam();
    writeWork("Hours.txt", hoursText(1, kHours));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "cNOx_b,cNO2_b,cO3_b"),
                     outputFile(r.output, "day,hour,cNOx_mod_1", "0,*"),
                     statFile(r.statistics, "\"Series\",Average_1", "NOx_mod", "0,0.0"),
                     {".\\CityStreet.trf", "traffic", {"20000", "40"}}})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    std::map<std::string, std::string> before;
    for (const std::string &name : {r.output, r.statistics}) {
        const std::string file = name.substr(0, name.find(';'));
        before[file] = readFile(work(file));
    }
    const fs::path readOnly = work(r.file);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ui.messages.clear();

    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.hours, 0) << "refused before the first hour";
    // The file and why it may not be written (a text file's reason does not name it again).
    EXPECT_NE(report.error.find(readOnly.string()), std::string::npos) << report.error;
    EXPECT_NE(toLower(report.error)
                  .find("it is read-only. make it writable (or remove it), or write to a file of "
                        "another name."),
              std::string::npos)
        << report.error;
    for (const auto &[file, bytes] : before) {
        EXPECT_TRUE(readFile(work(file)) == bytes) << file << " was replaced";
    }
    EXPECT_EQ(fs::status(readOnly).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});

    // Made writable again, it is replaced.
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(run().outcome, RunOutcome::Completed) << said();
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReadOnlyOutput,
                         ::testing::Values(ReadOnly{"Out.txt", "Stat.txt", "Out.txt"},
                                           ReadOnly{"Out.txt", "Stat.txt", "Stat.txt"},
                                           ReadOnly{"Db.mdb;Hourly", "Stat.txt", "Db.mdb"},
                                           ReadOnly{"Book.xls;Hourly", "Stat.txt", "Book.xls"},
                                           ReadOnly{"Out.txt", "Sheet.wk1;Statistics", "Sheet.wk1"},
                                           ReadOnly{"Sheet.wk3;Hourly", "Stat.txt", "Sheet.wk3"}),
                         [](const ::testing::TestParamInfo<ReadOnly> &info) {
                             return testNameOf(info.param.file);
                         });
