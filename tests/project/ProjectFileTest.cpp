#include "project/OptionFile.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectState.h"
#include "project/ProjectWriter.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

bool contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// Writes s, loads it into a fresh state, and checks that the load asked
// nothing and that saving the loaded state gives the same bytes.
ProjectState roundTrip(const ProjectFolder &folder, const ProjectState &s, const std::string &name) {
    const std::string bytes = savedBytes(s);
    ProjectState loaded = folder.fresh();
    loaded.TrailingValue = -1;
    ScriptedInteraction ui;
    EXPECT_EQ(loadFile(loaded, folder.write(name, bytes), ui).outcome, LoadOutcome::Loaded) << name;
    EXPECT_TRUE(ui.messages.empty()) << name;
    EXPECT_EQ(savedBytes(loaded), bytes) << name;
    return loaded;
}

} // namespace

TEST(ProjectRoundTrip, SingleStreetProjectReloadsToTheSameStateAndTheSameBytes) {
    ProjectFolder folder;
    ProjectState original = folder.fresh();
    fillSingleStreetProject(original);
    original.WorkDir = folder.workDir;
    original.ConditionsFile = folder.workDir + "Winter.cnd";
    original.MapFile = "Map.bmp";
    // Left, top, right and bottom of the map, each different from the others.
    original.MapCoord1 = 512345.25;
    original.MapCoord2 = 6190000.5;
    original.MapCoord3 = 514000.75;
    original.MapCoord4 = -2;

    ProjectState loaded = roundTrip(folder, original, "Demo.vkp");
    EXPECT_EQ(loaded.WorkDir, folder.workDir);
    EXPECT_EQ(loaded.StreetName, "Demo Street");
    EXPECT_DOUBLE_EQ(loaded.StreetWidth, 24.5);
    EXPECT_EQ(loaded.SectorColumns, 2);
    EXPECT_DOUBLE_EQ(loaded.SectorStart[2], 255.5);
    EXPECT_TRUE(loaded.SectorUsed[2]);
    EXPECT_FALSE(loaded.SectorUsed[3]);
    EXPECT_EQ(loaded.InputVarLists[3],
              "year, month, day, hour, cNOx_obs_1, cNOx_obs_2, cNO2_obs_1, cNO2_obs_2");
    EXPECT_EQ(loaded.StatRowLists[1], "NOx_mod, NO2_mod, PM10_mod");
    EXPECT_DOUBLE_EQ(loaded.AnnualDiurnalTraffic, 18000);
    EXPECT_EQ(loaded.VehicleListFile, ".\\Fleet2020.vlf");
    EXPECT_EQ(loaded.ConditionsFile, "Winter.cnd");
    EXPECT_EQ(loaded.MapFile, "Map.bmp");
    EXPECT_DOUBLE_EQ(loaded.MapCoord1, 512345.25);
    EXPECT_DOUBLE_EQ(loaded.MapCoord2, 6190000.5);
    EXPECT_DOUBLE_EQ(loaded.MapCoord3, 514000.75);
    EXPECT_DOUBLE_EQ(loaded.MapCoord4, -2);
    EXPECT_EQ(loaded.OutputUnit[4], "milig");
    EXPECT_EQ(loaded.NumFileRecords, 10);
    EXPECT_TRUE(loaded.NoLocalOptionFile);
    EXPECT_DOUBLE_EQ(loaded.WindSpeeds[5], 8);
    EXPECT_EQ(formatOptionFile(loaded), readFile(dataDir() / "Run.opt"));
    roundTrip(folder, loaded, "Again.vkp");
}

TEST(ProjectRoundTrip, MultiStreetProjectWritesZeroGeometryAndReloadsUnchanged) {
    ProjectFolder folder;
    ProjectState original = folder.fresh();
    fillMultiStreetProject(original);
    const std::string bytes = savedBytes(original);
    EXPECT_TRUE(contains(bytes, "\r\n 0             0             0             0             0 \r\n"));
    EXPECT_TRUE(contains(bytes, "\r\n 0 \r\n"));
    EXPECT_TRUE(contains(bytes, "\r\n          0             0             0 \r\n"));

    ProjectState loaded = roundTrip(folder, original, "Demo.vkm");
    EXPECT_TRUE(loaded.MultiStreetMode);
    EXPECT_EQ(loaded.StreetsFile, "Streets.txt");
    EXPECT_EQ(loaded.NumWindSectors, 0);
    EXPECT_DOUBLE_EQ(loaded.StreetHeight, 0);
}

TEST(ProjectRoundTrip, RouteProjectWithTwoPollutantsReloadsUnchanged) {
    ProjectFolder folder;
    auto twoPollutants = [&] {
        ProjectState s = folder.fresh();
        s.PollutantNames = {"NOx", "NO2"};
        s.StdInputUnits = {"microg", "ppb"};
        s.DefOutputUnits = {"microg", "microg"};
        s.NPol = 1;
        s.PollutantCount = 2;
        return s;
    };
    ProjectState original = twoPollutants();
    fillSingleStreetProject(original);
    original.RouteFile = "Route.txt";
    original.RouteMode = true;
    original.InputUnit = {"ppb", "microg"};
    original.WorkDir = folder.workDir;
    std::string error;
    ASSERT_TRUE(SaveOptionFile(original, folder.workDir + "Run.opt", &error)) << error;
    const std::string bytes = savedBytes(original);
    EXPECT_TRUE(contains(bytes, "\r\nNOx      NO2\r\nppb      microg\r\n"));
    EXPECT_TRUE(contains(bytes, "\r\n\"Route.txt\",#TRUE#,\"route\"\r\n"));

    ProjectState loaded = twoPollutants();
    ScriptedInteraction ui;
    ASSERT_EQ(loadFile(loaded, folder.write("Route.vkp", bytes), ui).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(savedBytes(loaded), bytes);
    EXPECT_TRUE(loaded.RouteMode);
    EXPECT_EQ(loaded.InputUnit, (std::vector<std::string>{"ppb", "microg"}));
    EXPECT_EQ(loaded.Receptor1, 0);
}

TEST(ProjectRoundTrip, ShortTrafficRecordAndTrailingValue) {
    ProjectFolder folder;
    for (double adt : {0.0, -5.0}) {
        ProjectState s = folder.fresh();
        fillSingleStreetProject(s);
        s.AnnualDiurnalTraffic = adt;
        s.AverageTrafficSpeed = 33;
        EXPECT_TRUE(contains(savedBytes(s), "\r\n\"DemoStreet.trf\",#TRUE#,\"traffic\",,\"\"\r\n"));
        ProjectState loaded = roundTrip(folder, s, "Short.vkp");
        EXPECT_DOUBLE_EQ(loaded.AnnualDiurnalTraffic, 0);
        EXPECT_DOUBLE_EQ(loaded.AverageTrafficSpeed, 0);
    }
    for (double value : {0.5, -1.0, 0.0}) {
        ProjectState s = folder.fresh();
        fillSingleStreetProject(s);
        s.TrailingValue = value;
        EXPECT_EQ(savedBytes(s).ends_with("\"fuel\"\r\n0.5\r\n"), value > 0) << value;
        EXPECT_DOUBLE_EQ(roundTrip(folder, s, "T.vkp").TrailingValue, value > 0 ? 0.5 : -1);
    }
    // A value given on the command line is kept whatever the file says.
    ProjectState s = folder.fresh();
    fillSingleStreetProject(s);
    s.TrailingValue = 0.5;
    ProjectState loaded = folder.fresh();
    loaded.TrailingValue = 2;
    ScriptedInteraction ui;
    loadFile(loaded, folder.write("T.vkp", savedBytes(s)), ui);
    EXPECT_DOUBLE_EQ(loaded.TrailingValue, 2);
}

TEST(ProjectRoundTrip, SampleProjectsAndTemplateLoadWithoutAMessage) {
    ProjectFolder folder;
    for (const char *name : {"DemoStreet.vkp", "DemoStreets.vkm"}) {
        const std::string bytes = readFile(dataDir() / "Working" / name);
        ProjectState s = folder.fresh();
        ScriptedInteraction ui;
        ASSERT_EQ(loadFile(s, folder.write(name, bytes), ui).outcome, LoadOutcome::Loaded) << name;
        EXPECT_TRUE(ui.messages.empty()) << name;
        EXPECT_EQ(savedBytes(s), bytes) << name;
    }
    ProjectState t = folder.fresh();
    t.UntitledProject = true;
    t.WorkDir = folder.workDir;
    ScriptedInteraction ui;
    ASSERT_EQ(loadFile(t, folder.appDir + "Standard.___", ui).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(t.WorkDir, folder.workDir);
    EXPECT_EQ(t.OutputUnit[4], "milig");
    EXPECT_EQ(t.ProjectHeaders[23], "Files: number of file records / hours per day / city size");
}

TEST(ProjectReader, CommaDecimalsAndOtherLetterCaseInTheProjectPathAreAccepted) {
    ProjectFolder folder;
    ProjectState s = folder.fresh();
    fillSingleStreetProject(s);
    folder.write("Demo.vkp", withLine(savedBytes(s), 4, " 18            24,5          120           95 35 "));
    ProjectState loaded = folder.fresh();
    ScriptedInteraction ui;
    EXPECT_EQ(loadFile(loaded, folder.appDir + "working/DEMO.VKP", ui).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded.WorkDir, folder.workDir);
    EXPECT_DOUBLE_EQ(loaded.StreetWidth, 24.5);
}

TEST(ProjectWriter, BracketListsPutOneItemOnEachLine) {
    EXPECT_EQ(formatBracketList(""), "[]\r\n");
    EXPECT_EQ(formatBracketList("T"), "[T]\r\n");
    EXPECT_EQ(formatBracketList("T, WS,  WD"), "[T,\r\nWS,\r\nWD]\r\n");
}

TEST(ProjectWriter, SaveAsksAboutInMemoryFleetDataAndTheCountry) {
    ProjectFolder folder;
    ProjectState s = folder.fresh();
    fillSingleStreetProject(s);
    s.ProjectFile = folder.workDir + "Fleet.vkp";
    s.WorkDir = folder.workDir;
    s.VehicleListFile = "[2023]";
    s.ProjectCountry = "Otherland";
    s.ProjectChanged = true;
    ScriptedInteraction ui;
    ui.answers = {Answer::No};
    EXPECT_EQ(saveProject(s, ui), SaveResult::Cancelled);
    EXPECT_FALSE(fs::exists(s.ProjectFile));
    EXPECT_TRUE(s.ProjectChanged);

    ui.answers = {Answer::Yes, Answer::No};
    EXPECT_EQ(saveProject(s, ui), SaveResult::Saved);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_TRUE(ui.messages[2].starts_with("The Country setting for this project is different"));
    const std::string bytes = readFile(s.ProjectFile);
    EXPECT_TRUE(bytes.starts_with("\"Demo Street\",2020,\"Otherland\"\r\n"));
    EXPECT_FALSE(contains(bytes, "\"fleet\"") || contains(bytes, "\"fuel\""));
    EXPECT_TRUE(contains(bytes, "\r\n6,24,2\r\n"));
    EXPECT_FALSE(s.ProjectChanged);
    EXPECT_EQ(s.MRUFiles.front(), s.ProjectFile);

    s.VehicleListFile = "Fleet.vlf";
    ui.answers = {Answer::Yes};
    EXPECT_EQ(saveProject(s, ui), SaveResult::Saved);
    EXPECT_TRUE(readFile(s.ProjectFile).starts_with("\"Demo Street\",2020,\"Demoland\"\r\n"));
}

TEST(ProjectWriter, FailedOrRefusedSavesKeepTheOldFileAndTheChangedFlag) {
    ProjectFolder folder;
    ProjectState s = folder.fresh();
    fillSingleStreetProject(s);
    s.ProjectFile = folder.workDir + "missing-folder/P.vkp";
    s.ProjectChanged = true;
    ScriptedInteraction ui;
    EXPECT_EQ(saveProject(s, ui), SaveResult::Failed);
    EXPECT_TRUE(s.ProjectChanged);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].starts_with("The project could not be saved"));
    EXPECT_TRUE(s.MRUFiles.empty());

    // A double quote cannot be stored in a record: refused, not written.
    s.ProjectFile = folder.write("Q.vkp", "old contents");
    s.StreetName = "The \"Long\" Street";
    EXPECT_EQ(saveProject(s, ui), SaveResult::Failed);
    EXPECT_TRUE(contains(ui.messages.back(), "street name must not contain a double quote"));
    s.StreetName = "Street";
    s.OutputFiles[1] = "Out\"put.txt";
    EXPECT_EQ(saveProject(s, ui), SaveResult::Failed);
    EXPECT_EQ(readFile(s.ProjectFile), "old contents");
    EXPECT_TRUE(s.ProjectChanged);
}

TEST(ProjectWriter, SaveAsIntoAnotherFolderStoresEveryNameSoThatItNamesTheFileItNamed) {
    ProjectFolder folder;
    ProjectState s = folder.fresh();
    fillSingleStreetProject(s);
    s.MetBackDir = folder.appDir + "Data/MetBack/National/DL/";
    const std::string old = folder.workDir, copy = folder.appDir + "Copy/";
    std::filesystem::create_directories(copy);
    folder.dir.write("data/Met.txt",
                     "hourly data\r\n"); // the program folder's, read where Working has no data/
    s.WorkDir = old;
    s.ProjectFile = old + "P.vkp";
    s.NumInputFiles = 5;
    s.NumOutputFiles = 2;
    s.NumStatFiles = 2;
    struct Case {
        std::string *field;
        std::string stored, saved;
    };
    const Case cases[] = {
        {&s.InputFiles[1], "Met.txt", old + "Met.txt"},
        {&s.InputFiles[2], "met\\Met.txt", old + "met/Met.txt"},
        {&s.InputFiles[3], ".\\Back.txt", ".\\Back.txt"}, // the national folder stays where it was
        {&s.InputFiles[4], copy + "met/Met.txt", "met\\Met.txt"},
        {&s.InputFiles[5], "data\\Met.txt", folder.appDir + "data/Met.txt"},
        {&s.OutputFiles[1], "res\\Out.txt", old + "res/Out.txt"},
        {&s.OutputFiles[2], ".\\Out.txt", old + "Out.txt"}, // outputs have no national folder
        {&s.StatFiles[1], "Stat.xls;Tab\\1", old + "Stat.xls;Tab\\1"},
        {&s.StatFiles[2], "C:\\res\\Stat.txt", "C:\\res\\Stat.txt"}, // no file here: refused by the run
        {&s.TrafficFile, "trf\\Own.trf", old + "trf/Own.trf"},
        {&s.StreetsFile, "Streets.txt", old + "Streets.txt"},
        {&s.RouteFile, "Route.txt", old + "Route.txt"},
        {&s.MapFile, "maps\\City.png", old + "maps/City.png"},
        {&s.ConditionsFile, "Cond.txt", old + "Cond.txt"},
        {&s.VehicleListFile, "lists\\Fleet2020.vlf", old + "lists/Fleet2020.vlf"},
        {&s.FuelListFile, ".\\Fuels2020.flf", ".\\Fuels2020.flf"},
    };
    for (const Case &c : cases) {
        *c.field = c.stored;
    }
    s.TrafficListItems = {s.TrafficFile, ".\\CityStreet.trf"};
    const std::string before = savedBytes(s);
    ScriptedInteraction ui;
    ui.files = {copy + "missing/P.vkp"};
    EXPECT_EQ(saveProjectAs(s, ui), SaveResult::Failed);
    EXPECT_EQ(s.WorkDir, old);
    EXPECT_EQ(savedBytes(s), before) << "a failed Save As keeps the names as they were";

    ui.files = {copy + "P.vkp"};
    ASSERT_EQ(saveProjectAs(s, ui), SaveResult::Saved);
    EXPECT_EQ(s.WorkDir, copy);
    const std::string saved = readFile(copy + "P.vkp");
    for (const Case &c : cases) {
        EXPECT_EQ(*c.field, c.saved) << c.stored;
        EXPECT_TRUE(contains(saved, "\"" + c.saved + "\"")) << c.stored;
    }
    EXPECT_EQ(s.TrafficListItems, (std::vector<std::string>{old + "trf/Own.trf", ".\\CityStreet.trf"}));
    // Into the same folder, the names are written as they stand.
    ui.files = {copy + "Q.vkp"};
    ASSERT_EQ(saveProjectAs(s, ui), SaveResult::Saved);
    EXPECT_EQ(readFile(copy + "Q.vkp"), saved);
}

TEST(ProjectWriter, WidePollutantNamesStayOnTheirLineAndReadBack) {
    ProjectFolder folder;
    ProjectState s = folder.fresh();
    s.PollutantNames[0] = "NitrogenOxides";
    s.PollutantNames[1] = "NitrogenMonoxide";
    fillSingleStreetProject(s);
    s.InputUnit[0] = "microgram/m3";
    EXPECT_TRUE(contains(savedBytes(s), "\r\nNitrogenOxides NitrogenMonoxide NO2 O3 CO        PM10"));

    ProjectState loaded = folder.fresh();
    loaded.PollutantNames = s.PollutantNames;
    ScriptedInteraction ui;
    ASSERT_EQ(loadFile(loaded, folder.write("Wide.vkp", savedBytes(s)), ui).outcome, LoadOutcome::Loaded);
    for (auto &m : ui.messages) {
        EXPECT_FALSE(contains(m, "VESK Project File")) << m; // only the option file's names differ
    }
    EXPECT_EQ(loaded.InputUnit[0], "microgram/m3");
    EXPECT_EQ(loaded.OutputUnit[4], "milig");
}
