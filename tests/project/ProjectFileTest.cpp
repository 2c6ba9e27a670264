#include "core/State.h"
#include "core/TextIO.h"
#include "project/OptionFile.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

// A temporary AppDir holding the program-wide Run.opt and the template, and a
// working folder below it.
struct ProjectFolder {
    TempDir dir;
    std::string appDir = dir.path().string() + "/";
    std::string workDir = appDir + "Working/";

    ProjectFolder() {
        fs::create_directories(workDir);
        fs::copy_file(dataDir() / "Run.opt", appDir + "Run.opt");
        fs::copy_file(dataDir() / "Standard.___", appDir + "Standard.___");
    }

    State freshState() const {
        State s;
        setDemolandCountry(s, appDir);
        return s;
    }

    std::string write(const std::string &name, const std::string &bytes) const {
        return dir.write("Working/" + name, bytes).string();
    }
};

LoadResult load(State &s, const std::string &path, ScriptedInteraction &ui) {
    s.ProjectFile = path;
    s.ProjectName = path;
    return LoadProject(s, ui);
}

std::string saved(const State &s) {
    return formatProjectFile(s, defaultSaveNames(s));
}

// A line-by-line edit of a project text.
std::string replaceLine(const std::string &text, int lineNumber, const std::string &line) {
    auto lines = splitLines(text);
    lines.at(lineNumber - 1) = line;
    std::string out;
    for (auto &l : lines) {
        out += l + "\r\n";
    }
    return out;
}

} // namespace

TEST(ProjectRoundTrip, SingleStreetProjectReloadsToTheSameStateAndTheSameBytes) {
    ProjectFolder folder;
    State original = folder.freshState();
    fillSingleStreetProject(original);
    original.WorkDir = folder.workDir;
    original.ConditionsFile = folder.workDir + "Winter.cnd";
    original.MapFile = "Map.bmp";
    original.MapCoord1 = 1.5;
    original.MapCoord4 = -2;
    original.RouteFile.clear();
    const std::string bytes = saved(original);
    const std::string path = folder.write("Demo.vkp", bytes);

    State loaded = folder.freshState();
    ScriptedInteraction ui;
    auto result = load(loaded, path, ui);
    ASSERT_EQ(result.outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(loaded.LoadFailed);
    EXPECT_EQ(saved(loaded), bytes);

    EXPECT_EQ(loaded.WorkDir, folder.workDir);
    EXPECT_EQ(loaded.StreetName, "Demo Street");
    EXPECT_EQ(loaded.StoredStreetName, "Demo Street");
    EXPECT_DOUBLE_EQ(loaded.StreetWidth, 24.5);
    EXPECT_EQ(loaded.SectorColumns, 2);
    EXPECT_DOUBLE_EQ(loaded.SectorStart[2], 255.5);
    EXPECT_TRUE(loaded.SectorUsed[2]);
    EXPECT_FALSE(loaded.SectorUsed[3]);
    EXPECT_EQ(loaded.NumInputFiles, 3);
    EXPECT_EQ(loaded.InputVarLists[3],
              "year, month, day, hour, cNOx_obs_1, cNOx_obs_2, cNO2_obs_1, cNO2_obs_2");
    EXPECT_EQ(loaded.StatRowLists[1], "NOx_mod, NO2_mod, PM10_mod");
    EXPECT_EQ(loaded.TrafficFile, "DemoStreet.trf");
    EXPECT_DOUBLE_EQ(loaded.AnnualDiurnalTraffic, 18000);
    EXPECT_EQ(loaded.VehicleListFile, ".\\Fleet2020.vlf");
    EXPECT_EQ(loaded.ConditionsFile, "Winter.cnd");
    EXPECT_EQ(loaded.MapFile, "Map.bmp");
    EXPECT_DOUBLE_EQ(loaded.MapCoord4, -2);
    EXPECT_EQ(loaded.OutputUnit[4], "milig");
    EXPECT_EQ(loaded.NumFileRecords, 10);
    EXPECT_TRUE(loaded.NoLocalOptionFile);
    EXPECT_EQ(loaded.WindSpeedCount, 5);
    EXPECT_DOUBLE_EQ(loaded.WindSpeeds[5], 8);
    EXPECT_EQ(formatOptionFile(loaded), readFile(dataDir() / "Run.opt"));

    // A second load of the rewritten file gives the same state again.
    const std::string again = folder.write("Again.vkp", saved(loaded));
    State second = folder.freshState();
    ASSERT_EQ(load(second, again, ui).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(saved(second), bytes);
}

TEST(ProjectRoundTrip, MultiStreetProjectWritesZeroGeometryAndReloadsUnchanged) {
    ProjectFolder folder;
    State original = folder.freshState();
    fillMultiStreetProject(original);
    original.WorkDir = folder.workDir;
    const std::string bytes = saved(original);
    EXPECT_NE(bytes.find("\r\n 0             0             0             0             0 \r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("\r\n 0 \r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\"Streets.txt\",#TRUE#,\"streets\"\r\n"), std::string::npos);

    State loaded = folder.freshState();
    ScriptedInteraction ui;
    ASSERT_EQ(load(loaded, folder.write("Demo.vkm", bytes), ui).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(loaded.MultiStreetMode);
    EXPECT_EQ(loaded.StreetsFile, "Streets.txt");
    EXPECT_EQ(loaded.NumWindSectors, 0);
    EXPECT_EQ(loaded.SectorColumns, 0);
    EXPECT_DOUBLE_EQ(loaded.StreetHeight, 0);
    EXPECT_EQ(saved(loaded), bytes);
}

TEST(ProjectRoundTrip, ShortTrafficRecordIsWrittenForNoDailyTrafficAndLoadsAsZero) {
    for (double adt : {0.0, -5.0}) {
        ProjectFolder folder;
        State original = folder.freshState();
        fillSingleStreetProject(original);
        original.AnnualDiurnalTraffic = adt;
        original.AverageTrafficSpeed = 33;
        const std::string bytes = saved(original);
        EXPECT_NE(bytes.find("\r\n\"DemoStreet.trf\",#TRUE#,\"traffic\",,\"\"\r\n"), std::string::npos);

        State loaded = folder.freshState();
        ScriptedInteraction ui;
        ASSERT_EQ(load(loaded, folder.write("Short.vkp", bytes), ui).outcome, LoadOutcome::Loaded);
        EXPECT_EQ(loaded.TrafficFile, "DemoStreet.trf");
        EXPECT_DOUBLE_EQ(loaded.AnnualDiurnalTraffic, 0);
        EXPECT_DOUBLE_EQ(loaded.AverageTrafficSpeed, 0);
        EXPECT_EQ(saved(loaded), bytes);
    }
}

TEST(ProjectRoundTrip, TrailingValueIsWrittenOnlyAboveZeroAndCommandLineValueWins) {
    struct Case {
        double value;
        bool written;
    };
    for (Case c : {Case{0.5, true}, Case{-1, false}, Case{0, false}}) {
        ProjectFolder folder;
        State original = folder.freshState();
        fillSingleStreetProject(original);
        original.TrailingValue = c.value;
        const std::string bytes = saved(original);
        EXPECT_EQ(bytes.ends_with("\"fuel\"\r\n0.5\r\n"), c.written) << c.value;

        State loaded = folder.freshState();
        ScriptedInteraction ui;
        ASSERT_EQ(load(loaded, folder.write("T.vkp", bytes), ui).outcome, LoadOutcome::Loaded);
        EXPECT_DOUBLE_EQ(loaded.TrailingValue, c.written ? 0.5 : -1);
        EXPECT_EQ(saved(loaded), bytes);
    }
    // A value given on the command line is kept whatever the file says.
    ProjectFolder folder;
    State original = folder.freshState();
    fillSingleStreetProject(original);
    original.TrailingValue = 0.5;
    State loaded = folder.freshState();
    loaded.TrailingValue = 2;
    ScriptedInteraction ui;
    ASSERT_EQ(load(loaded, folder.write("T.vkp", saved(original)), ui).outcome, LoadOutcome::Loaded);
    EXPECT_DOUBLE_EQ(loaded.TrailingValue, 2);
}

TEST(ProjectRoundTrip, SampleProjectsAndTemplateLoadWithoutAMessage) {
    ProjectFolder folder;
    for (const char *name : {"DemoStreet.vkp", "DemoStreets.vkm"}) {
        const std::string bytes = readFile(dataDir() / "Working" / name);
        State s = folder.freshState();
        ScriptedInteraction ui;
        ASSERT_EQ(load(s, folder.write(name, bytes), ui).outcome, LoadOutcome::Loaded) << name;
        EXPECT_TRUE(ui.messages.empty()) << name;
        EXPECT_EQ(saved(s), bytes) << name;
        EXPECT_EQ(s.CalcMode, 1);
    }

    State t = folder.freshState();
    t.UntitledProject = true;
    t.WorkDir = folder.workDir;
    ScriptedInteraction ui;
    ASSERT_EQ(load(t, folder.appDir + "Standard.___", ui).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(t.WorkDir, folder.workDir);
    EXPECT_EQ(t.NumFileRecords, 0);
    EXPECT_EQ(t.InputUnit[0], "microg");
    EXPECT_EQ(t.OutputUnit[4], "milig");
    EXPECT_EQ(t.ProjectHeaders[23], "Files: number of file records / hours per day / city size");
    EXPECT_DOUBLE_EQ(t.StreetWidth, 20);
}

TEST(ProjectWriter, BracketListsPutOneItemOnEachLine) {
    EXPECT_EQ(formatBracketList(""), "[]\r\n");
    EXPECT_EQ(formatBracketList("T"), "[T]\r\n");
    EXPECT_EQ(formatBracketList("T, WS,  WD"), "[T,\r\nWS,\r\nWD]\r\n");
}

TEST(ProjectWriter, InMemoryFleetDataAreLeftOutAfterTheUsersConsent) {
    ProjectFolder folder;
    State s = folder.freshState();
    fillSingleStreetProject(s);
    s.ProjectFile = folder.workDir + "Fleet.vkp";
    s.WorkDir = folder.workDir;
    s.VehicleListFile = "[2023]";
    s.ProjectChanged = true;

    ScriptedInteraction ui;
    ui.answers = {Answer::No};
    EXPECT_EQ(saveProject(s, ui), SaveResult::Cancelled);
    EXPECT_FALSE(fs::exists(s.ProjectFile));
    EXPECT_TRUE(s.ProjectChanged);

    ui.answers = {Answer::Yes};
    EXPECT_EQ(saveProject(s, ui), SaveResult::Saved);
    const std::string bytes = readFile(s.ProjectFile);
    EXPECT_EQ(bytes.find("\"fleet\""), std::string::npos);
    EXPECT_EQ(bytes.find("\"fuel\""), std::string::npos);
    EXPECT_NE(bytes.find("\r\n6,24,2\r\n"), std::string::npos);
    EXPECT_FALSE(s.ProjectChanged);
    EXPECT_EQ(s.MRUFiles.front(), s.ProjectFile);
}

TEST(ProjectWriter, CountryQuestionDecidesWhichCountryIsWritten) {
    for (Answer a : {Answer::Yes, Answer::No}) {
        ProjectFolder folder;
        State s = folder.freshState();
        fillSingleStreetProject(s);
        s.ProjectCountry = "Otherland";
        s.ProjectFile = folder.workDir + "C.vkp";
        ScriptedInteraction ui;
        ui.answers = {a};
        ASSERT_EQ(saveProject(s, ui), SaveResult::Saved);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].starts_with("The Country setting for this project is different"));
        EXPECT_TRUE(readFile(s.ProjectFile)
                        .starts_with(a == Answer::Yes ? "\"Demo Street\",2020,\"Demoland\"\r\n"
                                                      : "\"Demo Street\",2020,\"Otherland\"\r\n"));
    }
}

TEST(ProjectWriter, FailedSaveKeepsTheOldFileAndTheChangedFlag) {
    ProjectFolder folder;
    State s = folder.freshState();
    fillSingleStreetProject(s);
    s.ProjectFile = folder.workDir + "missing-folder/P.vkp";
    s.ProjectChanged = true;
    ScriptedInteraction ui;
    EXPECT_EQ(saveProject(s, ui), SaveResult::Failed);
    EXPECT_TRUE(s.ProjectChanged);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].starts_with("The project could not be saved"));
    EXPECT_TRUE(s.MRUFiles.empty());
}

TEST(ProjectWriter, NamesHoldingADoubleQuoteAreRefusedNotWritten) {
    ProjectFolder folder;
    State s = folder.freshState();
    fillSingleStreetProject(s);
    const std::string path = folder.write("Q.vkp", "old contents");
    s.StreetName = "The \"Long\" Street";
    std::string error;
    EXPECT_FALSE(writeProjectFile(s, defaultSaveNames(s), path, &error));
    EXPECT_NE(error.find("street name must not contain a double quote"), std::string::npos) << error;
    s.StreetName = "Street";
    s.OutputFiles[1] = "Out\"put.txt";
    EXPECT_FALSE(writeProjectFile(s, defaultSaveNames(s), path, &error));
    EXPECT_EQ(readFile(path), "old contents");
}

TEST(ProjectWriter, WidePollutantNamesStayOnTheirLineAndReadBack) {
    ProjectFolder folder;
    State s = folder.freshState();
    s.PollutantNames[0] = "NitrogenOxides";
    s.PollutantNames[1] = "NitrogenMonoxide";
    fillSingleStreetProject(s);
    s.InputUnit[0] = "microgram/m3";
    const std::string bytes = saved(s);
    EXPECT_NE(bytes.find("\r\nNitrogenOxides NitrogenMonoxide NO2 O3 CO        PM10"), std::string::npos);

    State loaded = folder.freshState();
    loaded.PollutantNames = s.PollutantNames;
    ScriptedInteraction ui;
    ASSERT_EQ(load(loaded, folder.write("Wide.vkp", bytes), ui).outcome, LoadOutcome::Loaded);
    for (auto &m : ui.messages) {
        EXPECT_EQ(m.find("VESK Project File"), std::string::npos) << m;
    }
    EXPECT_EQ(loaded.InputUnit[0], "microgram/m3");
    EXPECT_EQ(loaded.OutputUnit[4], "milig");
}

TEST(ProjectReader, ReaderAcceptsCommaDecimalsAndNamesListsOverSeveralLines) {
    ProjectFolder folder;
    State s = folder.freshState();
    fillSingleStreetProject(s);
    std::string text =
        replaceLine(saved(s), 4, " 18            24,5          120           95            35 ");
    State loaded = folder.freshState();
    ScriptedInteraction ui;
    ASSERT_EQ(load(loaded, folder.write("Comma.vkp", text), ui).outcome, LoadOutcome::Loaded);
    EXPECT_DOUBLE_EQ(loaded.StreetWidth, 24.5);
}

TEST(ProjectReader, ProjectPathInOtherLetterCaseStillLoads) {
    ProjectFolder folder;
    State s = folder.freshState();
    fillSingleStreetProject(s);
    folder.write("Demo.vkp", saved(s));
    State loaded = folder.freshState();
    ScriptedInteraction ui;
    EXPECT_EQ(load(loaded, folder.appDir + "working/DEMO.VKP", ui).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded.WorkDir, folder.workDir);
}
