// Files a project names with a folder ("traffic\City.trf", "res\Out.txt")
// lie below the project's folder, for every kind of file and whatever folder
// the program was started in. An input named relative to the program folder
// is still found there, a project folder moved with its subfolders still
// runs, and an output whose folder is missing is refused before the first
// hour: no folder is created and no earlier output changes.

#include "run/RunFixture.h"

#include "core/Paths.h"
#include "support/PlainStage.h"

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

// The bytes of every file below folder, by their path relative to it.
std::map<std::string, std::string> filesBelow(const fs::path &folder) {
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = readFile(entry.path());
        }
    }
    return files;
}

// Hours with a background of NOx only in every other hour: the conditions
// file fills the others.
std::string hours() {
    std::string out;
    for (int h = 1; h <= 24; ++h) {
        out += "2023,3,6," + std::to_string(h) + ",3,200,10,0," + (h % 2 == 0 ? "na" : "30") + ",20,40\r\n";
    }
    return out;
}

class FolderNames : public RunFixture {
protected:
    // The inputs of the project, each under the name given (relative to the working folder).
    void writeInputs(const std::string &hoursFile, const std::string &trafficFile,
                     const std::string &conditionsFile) {
        writeWork(hoursFile, hours());
        writeWork(trafficFile, readFile(appDir / "Data/Traffic/National/DL/CityStreet.trf"));
        writeWork(conditionsFile, "[BACKGROUND]\r\n1\r\n\"NOx\", 35\r\n");
    }

    // A project of those files, its output and statistics file as named.
    std::string project(const std::string &hoursFile, const std::string &trafficFile,
                        const std::string &conditionsFile, const std::string &output,
                        const std::string &statistics) {
        return projectText(
            {inputFile(hoursFile, kMarchHourVariables),
             {trafficFile, "traffic", {"20000", "40"}},
             {conditionsFile, "conditions", {}},
             outputFile(output, "day,hour,cNOx_b,cNOx_mod_1,cNO2_mod_2"),
             statFile(statistics, "\"Series\",Average_1,MaxHourly_1,nHours_1", "NOx_mod,NO2_mod")});
    }

    // Writes and loads the project, and runs it with the program started in
    // an empty folder, which must stay empty.
    RunReport runStartedElsewhere(const std::string &fileName, const std::string &text) {
        EXPECT_NO_FATAL_FAILURE(loadProject(fileName, text));
        return runLoadedElsewhere();
    }

    RunReport runLoadedElsewhere() {
        const TempDir elsewhere;
        RunReport report;
        {
            CurrentFolder started(elsewhere.path());
            report = run();
        }
        EXPECT_TRUE(fs::is_empty(elsewhere.path())) << "nothing is written where the program was started";
        return report;
    }
};

TEST_F(FolderNames, InputsAndOutputsNamedWithAFolderLieBelowTheProjectsFolderWhereverTheProgramWasStarted) {
    writeInputs("Hours.txt", "City.trf", "Site.cnd");
    RunReport report = runStartedElsewhere(
        "Beside.vkp", project("Hours.txt", "City.trf", "Site.cnd", "Out.txt", "Stat.txt"));
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    ASSERT_EQ(report.hours, 24);

    writeInputs("met/Hours.txt", "traffic/City.trf", "cnd/Site.cnd");
    fs::create_directory(work("res"));
    report = runStartedElsewhere("Folders.vkp", project("met\\Hours.txt", "traffic\\City.trf",
                                                        "cnd\\Site.cnd", "res\\Out.txt", "res\\Stat.txt"));
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(report.hours, 24);
    EXPECT_EQ(readFile(work("res/Out.txt")), readFile(work("Out.txt")));
    EXPECT_EQ(readFile(work("res/Stat.txt")), readFile(work("Stat.txt")));
    const std::vector<std::string> rows = fileLines(work("res/Out.txt"));
    ASSERT_EQ(rows.size(), 25u);
    EXPECT_NE(rows[2].find(" 35 "), std::string::npos) << "the conditions file gave the missing background\n"
                                                       << rows[2];

    // The project's folder moved elsewhere with its subfolders still runs, and writes into its new place.
    const std::map<std::string, std::string> written = filesBelow(workDir);
    const fs::path moved = dir.path() / "moved";
    fs::rename(workDir, moved);
    fs::remove(moved / "res/Out.txt");
    fs::remove(moved / "res/Stat.txt");
    state.ProjectFile = (moved / "Folders.vkp").string();
    ASSERT_EQ(LoadProject(state, ui).outcome, LoadOutcome::Loaded) << said();
    ASSERT_FALSE(InitEmissions(state, ui).failed) << said();
    report = runLoadedElsewhere();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(filesBelow(moved), written);
    EXPECT_FALSE(fs::exists(workDir)) << "nothing is written where the project was";
}

TEST_F(FolderNames, AnInputNamedRelativeToTheProgramFolderIsStillFoundThere) {
    writeInputs("Hours.txt", "City.trf", "Site.cnd");
    const RunReport beside = runStartedElsewhere(
        "Beside.vkp", project("Hours.txt", ".\\CityStreet.trf", "Site.cnd", "Out.txt", "Stat.txt"));
    ASSERT_EQ(beside.outcome, RunOutcome::Completed) << said();

    // The working folder holds no "Data" folder: the program folder does.
    const RunReport report =
        runStartedElsewhere("App.vkp", project("Hours.txt", "Data\\Traffic\\National\\DL\\CityStreet.trf",
                                               "Site.cnd", "AppOut.txt", "Stat2.txt"));
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(readFile(work("AppOut.txt")), readFile(work("Out.txt")));

    // An input that the working folder holds under that name is read from there.
    writeWork("Data/Traffic/National/DL/CityStreet.trf",
              trafficFileText(24, [](int) { return "100,10,5,2,30,30,0"; }));
    ASSERT_NO_FATAL_FAILURE(
        loadProject("App.vkp", project("Hours.txt", "Data\\Traffic\\National\\DL\\CityStreet.trf", "Site.cnd",
                                       "AppOut.txt", "Stat2.txt")));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_NE(readFile(work("AppOut.txt")), readFile(work("Out.txt")));
}

// A streets, route or conditions file named with a folder that the project's
// folder does not hold is read from the program folder, where such names
// were once read from: the run gives what it gives with the same file
// beside the project, and no folder is created.
struct ProgramFolderInput {
    const char *name;
    const char *project; // in data/Working; "" for a street of the hours above with a conditions file
    const char *file;    // the input: beside the project, then only in the program folder's subfolder
    const char *folder;
};

void PrintTo(const ProgramFolderInput &c, std::ostream *os) {
    *os << c.name;
}

class InputInTheProgramFolder : public FolderNames, public testing::WithParamInterface<ProgramFolderInput> {
protected:
    // The files a run of the project naming the input as stored adds to the
    // working folder, by name; they are removed again.
    std::map<std::string, std::string> outputsNaming(const std::string &stored) {
        const ProgramFolderInput &c = GetParam();
        if (*c.project) {
            std::string text = readFile(dataDir() / "Working" / c.project);
            const std::string named = "\"" + std::string(c.file) + "\"";
            const auto at = text.find(named);
            EXPECT_NE(at, std::string::npos) << named;
            text.replace(at, named.size(), "\"" + stored + "\"");
            EXPECT_NO_FATAL_FAILURE(loadProject(c.project, text));
            state.StartAuto = state.EndAuto = false;
            state.StartDate = {2023, 3, 14};
            state.StartHour = 1;
            state.EndDate = {2023, 3, 16};
            state.EndHour = 24;
        } else {
            EXPECT_NO_FATAL_FAILURE(
                loadProject("Test.vkp", project("Hours.txt", "City.trf", stored, "Out.txt", "Stat.txt")));
        }
        const std::map<std::string, std::string> before = filesBelow(workDir);
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Completed) << said();
        EXPECT_GT(report.hours, 0);
        std::map<std::string, std::string> added;
        for (const auto &[name, bytes] : filesBelow(workDir)) {
            if (!before.contains(name)) {
                added[name] = bytes;
                fs::remove(work(name));
            }
        }
        return added;
    }
};

TEST_P(InputInTheProgramFolder, IsReadFromThereWhenTheProjectsFolderDoesNotHoldItsFolder) {
    const ProgramFolderInput &c = GetParam();
    if (*c.project) {
        for (const char *input : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", c.file}) {
            fs::copy_file(dataDir() / "Working" / input, work(input));
        }
    } else {
        writeInputs("Hours.txt", "City.trf", c.file);
    }
    const std::map<std::string, std::string> beside = outputsNaming(c.file);
    ASSERT_FALSE(beside.empty()) << said();

    fs::create_directories(appDir / c.folder);
    fs::rename(work(c.file), appDir / c.folder / c.file);
    const std::map<std::string, std::string> fromProgramFolder =
        outputsNaming(std::string(c.folder) + "\\" + c.file);
    EXPECT_EQ(fromProgramFolder, beside);
    EXPECT_FALSE(fs::exists(work(c.folder))) << "no folder is created";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, InputInTheProgramFolder,
    testing::Values(ProgramFolderInput{"the streets file", "DemoStreets.vkm", "Streets.txt", "streets"},
                    ProgramFolderInput{"the route file", "DemoRoute.vkp", "DemoRoute.txt", "route"},
                    ProgramFolderInput{"the conditions file", "", "Site.cnd", "conditions"}),
    [](const testing::TestParamInfo<ProgramFolderInput> &info) { return testNameOf(info.param.name); });

struct MissingFolder {
    const char *name;
    const char *output;     // the hourly output file as named
    const char *statistics; // the statistics file as named
    const char *folder;     // the missing folder, below the working folder
    const char *noun;       // how the message names the file in the missing folder
};

void PrintTo(const MissingFolder &m, std::ostream *os) {
    *os << m.name;
}

class OutputInAMissingFolder : public FolderNames, public testing::WithParamInterface<MissingFolder> {};

TEST_P(OutputInAMissingFolder, IsRefusedBeforeTheFirstHourNamingTheFolderAndNothingIsCreatedOrChanged) {
    const MissingFolder &m = GetParam();
    writeInputs("Hours.txt", "City.trf", "Site.cnd");
    fs::create_directory(work("res"));
    ASSERT_EQ(runStartedElsewhere("Test.vkp",
                                  project("Hours.txt", "City.trf", "Site.cnd", "res\\Out.txt", "Stat.txt"))
                  .outcome,
              RunOutcome::Completed)
        << said();
    const std::map<std::string, std::string> before = filesBelow(workDir);

    const RunReport report =
        runStartedElsewhere("Test.vkp", project("Hours.txt", "City.trf", "Site.cnd", m.output, m.statistics));
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.hours, 0);
    ASSERT_EQ(ui.messages.size(), 1u) << said();
    const std::string folder = work(m.folder).string();
    EXPECT_NE(ui.messages[0].find("The folder\r\n" + folder + "\r\nof the " + m.noun + "\r\n"),
              std::string::npos)
        << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("does not exist"), std::string::npos) << ui.messages[0];
    EXPECT_FALSE(fs::exists(work(m.folder))) << "no folder is created";
    std::map<std::string, std::string> after = filesBelow(workDir);
    after.erase("Test.vkp"); // the project itself, written by the test
    std::map<std::string, std::string> earlier = before;
    earlier.erase("Test.vkp");
    EXPECT_EQ(after, earlier) << "no earlier output changes";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OutputInAMissingFolder,
    testing::Values(MissingFolder{"the hourly output", "new\\Out.txt", "Stat.txt", "new", "output file"},
                    MissingFolder{"the statistics file two levels down", "res\\Out.txt", "new\\sub\\Stat.txt",
                                  "new/sub", "statistics file"},
                    MissingFolder{"a table of a workbook", "res\\Out.txt", "new\\Book.xls;Stat", "new",
                                  "statistics file"}),
    [](const testing::TestParamInfo<MissingFolder> &info) { return testNameOf(info.param.name); });

// ---- The batch, started from another folder -------------------------------------------------

struct SampleWithFolders {
    const char *name;
    const char *project;     // in data/Working
    const char *streetsFile; // "" for a single-street project
    const char *trafficFile; // the traffic file the project or its streets name
    const char *trafficFrom; // where the traffic file is copied from (below data/)
    const char *statistics;  // the statistics file
    const char *output;      // the hourly output file
};

void PrintTo(const SampleWithFolders &s, std::ostream *os) {
    *os << s.name;
}

class BatchStartedElsewhere : public testing::TestWithParam<SampleWithFolders> {};

// Text with every occurrence of from replaced by to; a failure when there is none.
std::string replaced(std::string text, const std::string &from, const std::string &to) {
    const std::size_t first = text.find(from);
    EXPECT_NE(first, std::string::npos) << from;
    for (std::size_t at = first; at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

WINVESK_PLAIN_STAGE("*BatchStartedElsewhere.*", StartsTheProgram);

// The sample run twice in batch, each time started in an empty folder: with
// its files beside the project, and with the traffic and streets files in
// subfolders of the project and the outputs written into one. The results
// are the same; the folder the program was started in stays empty.
TEST_P(BatchStartedElsewhere, FilesInSubfoldersOfTheProjectGiveTheResultsOfTheSameFilesBesideIt) {
    const SampleWithFolders &sample = GetParam();
    const TempDir dir;
    const fs::path data = dataDir();
    const std::string trafficName = fileNamePart(sample.trafficFile);
    const std::string streetsName = fileNamePart(sample.streetsFile);
    const std::string sampleProject = readFile(data / "Working" / sample.project);
    const std::string streetsText = *sample.streetsFile ? readFile(data / "Working" / streetsName) : "";
    for (const char *input : {"Met2023.txt", "Back2023.txt", "Obs2023.txt"}) {
        for (const char *folder : {"beside", "folders"}) {
            dir.write(std::string(folder) + "/" + input, readFile(data / "Working" / input));
        }
    }
    const std::string traffic = readFile(data / sample.trafficFrom);

    // Beside the project: the traffic file under its bare name.
    dir.write("beside/" + trafficName, traffic);
    if (*sample.streetsFile) {
        dir.write("beside/" + streetsName, replaced(streetsText, ".\\" + trafficName, trafficName));
    }
    dir.write("beside/" + std::string(sample.project), sampleProject);

    // In subfolders: traffic\, streets\ and res\ for the outputs.
    dir.write("folders/traffic/" + trafficName, traffic);
    fs::create_directory(dir.path() / "folders" / "res");
    std::string inFolders = sampleProject;
    inFolders = replaced(inFolders, "\"" + std::string(sample.statistics) + "\"",
                         "\"res\\" + std::string(sample.statistics) + "\"");
    inFolders = replaced(inFolders, "\"" + std::string(sample.output) + "\"",
                         "\"res\\" + std::string(sample.output) + "\"");
    if (*sample.streetsFile) {
        dir.write("folders/streets/" + streetsName,
                  replaced(streetsText, ".\\" + trafficName, sample.trafficFile));
        inFolders =
            replaced(inFolders, "\"" + streetsName + "\"", "\"" + std::string(sample.streetsFile) + "\"");
    } else {
        inFolders =
            replaced(inFolders, "\"" + trafficName + "\"", "\"" + std::string(sample.trafficFile) + "\"");
    }
    dir.write("folders/" + std::string(sample.project), inFolders);

    fs::create_directory(dir.path() / "elsewhere");
    for (const char *folder : {"beside", "folders"}) {
        SCOPED_TRACE(folder);
        const ProgramRun r = runWinvesk(
            {(dir.path() / folder / sample.project).string(), "1", "20230101", "1", "20230131", "24"}, 120,
            dir.path() / "elsewhere");
        ASSERT_EQ(r.status, 0) << r.output;
    }
    EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere")) << "nothing is written where the program was started";
    for (const char *file : {sample.statistics, sample.output}) {
        SCOPED_TRACE(file);
        const std::string beside = readFile(dir.path() / "beside" / file);
        EXPECT_FALSE(beside.empty());
        EXPECT_EQ(readFile(dir.path() / "folders" / "res" / file), beside);
        EXPECT_FALSE(fs::exists(dir.path() / "folders" / file));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Samples, BatchStartedElsewhere,
    testing::Values(SampleWithFolders{"SingleStreet", "DemoStreet.vkp", "", "traffic\\DemoStreet.trf",
                                      "Working/DemoStreet.trf", "Stat2023.txt", "Out2023.txt"},
                    SampleWithFolders{"MultiStreet", "DemoStreets.vkm", "streets\\Streets.txt",
                                      "traffic\\CityStreet.trf", "Data/Traffic/National/DL/CityStreet.trf",
                                      "StreetsStat2023.txt", "StreetsOut2023.txt"}),
    [](const testing::TestParamInfo<SampleWithFolders> &info) { return std::string(info.param.name); });

} // namespace

namespace {

// ---- Names with a drive letter, in the batch started from another folder ----------------------

struct DriveLetterField {
    const char *name;
    const char *project; // in data/Working
    const char *file;    // the file the project names, named on drive C: instead
    const char *field;   // how the message names the field
    bool input;          // a decoy input lies under the name below the starting folder (else its folder)
};

void PrintTo(const DriveLetterField &f, std::ostream *os) {
    *os << f.name;
}

class DriveLettersInBatch : public testing::TestWithParam<DriveLetterField> {};

WINVESK_PLAIN_STAGE("*DriveLettersInBatch.*", StartsTheProgram);

// A name such as C:\res\Met2023.txt was once taken relative to the folder the
// program was started in: a decoy there was read, an output written there.
TEST_P(DriveLettersInBatch, AreRefusedBeforeTheFirstHourAndNothingIsReadOrWrittenWhereTheProgramStarted) {
    const DriveLetterField &f = GetParam();
    const TempDir dir;
    const fs::path data = dataDir();
    for (const char *file : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", "DemoStreet.trf", "Streets.txt"}) {
        dir.write(std::string("project/") + file, readFile(data / "Working" / file));
    }
    const std::string drive = std::string("C:\\res\\") + f.file;
    dir.write(std::string("project/") + f.project,
              replaced(readFile(data / "Working" / f.project), "\"" + std::string(f.file) + "\"",
                       "\"" + drive + "\""));
    if (f.input) {
        dir.write(std::string("start/C:/res/") + f.file, readFile(data / "Working" / f.file));
    } else {
        fs::create_directories(dir.path() / "start" / "C:" / "res");
    }
    const auto started = entriesBelow(dir.path() / "start");
    const auto project = entriesBelow(dir.path() / "project");

    const ProgramRun r =
        runWinvesk({(dir.path() / "project" / f.project).string(), "1", "20230101", "1", "20230131", "24"},
                   120, dir.path() / "start");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(drive), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("of " + std::string(f.field) +
                            " begins with the drive C:, which this system does "
                            "not have"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(entriesBelow(dir.path() / "start"), started) << "nothing is read or written where it started";
    EXPECT_EQ(entriesBelow(dir.path() / "project"), project) << "no output is written";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DriveLettersInBatch,
    testing::Values(DriveLetterField{"SingleStreetInput", "DemoStreet.vkp", "Met2023.txt",
                                     "entry 1 of the hourly input files", true},
                    DriveLetterField{"SingleStreetOutput", "DemoStreet.vkp", "Out2023.txt",
                                     "entry 1 of the hourly output files", false},
                    DriveLetterField{"SingleStreetStatistics", "DemoStreet.vkp", "Stat2023.txt",
                                     "entry 1 of the statistics files", false},
                    DriveLetterField{"MultiStreetInput", "DemoStreets.vkm", "Back2023.txt",
                                     "entry 2 of the hourly input files", true},
                    DriveLetterField{"MultiStreetOutput", "DemoStreets.vkm", "StreetsOut2023.txt",
                                     "entry 1 of the hourly output files", false},
                    DriveLetterField{"MultiStreetStatistics", "DemoStreets.vkm", "StreetsStat2023.txt",
                                     "entry 1 of the statistics files", false}),
    [](const testing::TestParamInfo<DriveLetterField> &info) { return std::string(info.param.name); });

} // namespace
