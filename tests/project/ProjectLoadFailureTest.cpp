#include "core/State.h"
#include "core/TextIO.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr const char *kEditQuestion = "\r\nDo you want to edit the loaded configuration file?";

struct ProjectLoading : ::testing::Test {
    TempDir dir;
    std::string appDir = dir.path().string() + "/";
    ScriptedInteraction ui;

    void SetUp() override { fs::copy_file(dataDir() / "Run.opt", appDir + "Run.opt"); }

    State fresh() const {
        State s;
        setDemolandCountry(s, appDir);
        s.StreetName = "Previous street";
        return s;
    }

    std::string projectText() const {
        State s = fresh();
        fillSingleStreetProject(s);
        return formatProjectFile(s, defaultSaveNames(s));
    }

    LoadResult loadText(State &s, const std::string &text) {
        s.ProjectFile = dir.write("P.vkp", text).string();
        s.ProjectName = s.ProjectFile;
        return LoadProject(s, ui);
    }
};

std::string withLine(const std::string &text, int number, const std::string &line) {
    auto lines = splitLines(text);
    lines.at(number - 1) = line;
    std::string out;
    for (auto &l : lines) {
        out += l + "\r\n";
    }
    return out;
}

std::string firstLines(const std::string &text, int count) {
    auto lines = splitLines(text);
    lines.resize(count);
    std::string out;
    for (auto &l : lines) {
        out += l + "\r\n";
    }
    return out;
}

} // namespace

TEST_F(ProjectLoading, MissingProjectFileIsReportedAndForgotten) {
    State s = fresh();
    s.ProjectFile = appDir + "Nowhere.vkp";
    auto r = LoadProject(s, ui);
    EXPECT_EQ(r.outcome, LoadOutcome::Failed);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(s.ProjectFile, "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Can't open the file\r\n" + appDir + "Nowhere.vkp");
}

TEST_F(ProjectLoading, TooShortValueLinesOfferToEditTheFile) {
    struct Case {
        int line;
        std::string text;
    };
    for (const Case &c :
         {Case{4, " 18  24  120  95 "}, Case{14, "  1   2 "}, Case{17, " 1500 120 50 "}, Case{18, " 0.5 "}}) {
        State s = fresh();
        ui.messages.clear();
        ui.answers = {Answer::Yes};
        auto r = loadText(s, withLine(projectText(), c.line, c.text));
        EXPECT_EQ(r.outcome, LoadOutcome::Failed) << c.line;
        EXPECT_TRUE(r.editRequested);
        EXPECT_TRUE(s.LoadFailed);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0],
                  std::string("Missing input variable in the configuration file!") + kEditQuestion);
        // The working street is not touched by a failed load.
        EXPECT_EQ(s.StreetName, "Previous street");
    }
}

TEST_F(ProjectLoading, SectorRowsMustHoldAtLeastTheNumberOfSectors) {
    std::string text = projectText();
    text = withLine(text, 7, " 3 ");
    State shortRows = fresh();
    ui.answers = {Answer::No};
    auto r = loadText(shortRows, text);
    EXPECT_EQ(r.outcome, LoadOutcome::Failed);
    EXPECT_FALSE(r.editRequested);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], std::string("Number of wind sectors is less than specified") + kEditQuestion);

    // More columns than sectors load; only the sectors count as used.
    text = withLine(text, 9, " 10 20 30 40 ");
    text = withLine(text, 10, " 15 25 35 45 ");
    text = withLine(text, 11, " 1 1 1 1 ");
    State wide = fresh();
    ui.messages.clear();
    ASSERT_EQ(loadText(wide, text).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(wide.SectorColumns, 4);
    EXPECT_EQ(wide.NumWindSectors, 3);
    EXPECT_TRUE(wide.SectorUsed[3]);
    EXPECT_FALSE(wide.SectorUsed[4]);
    EXPECT_DOUBLE_EQ(wide.SectorEnd[4], 45);
}

TEST_F(ProjectLoading, DamagedFilesAreReportedAsCorrupted) {
    const std::string text = projectText();
    const std::vector<std::string> damaged = {
        firstLines(text, 30),                                 // ends inside the file records
        firstLines(text, 24),                                 // no count line
        withLine(text, 25, "\"many\",24,2"),                  // count is no number
        withLine(text, 9, " 1 2 3 4 5 6 7 8 9 10 11 12 13 "), // more than 12 sector columns
    };
    for (const auto &bad : damaged) {
        State s = fresh();
        ui.messages.clear();
        auto r = loadText(s, bad);
        EXPECT_EQ(r.outcome, LoadOutcome::Failed);
        EXPECT_TRUE(s.LoadFailed);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], std::string("Project file is corrupted") + kEditQuestion);
    }
}

TEST_F(ProjectLoading, ListWithoutOpeningBracketFailsTheLoadAndEmptiesTheLists) {
    auto lines = splitLines(projectText());
    std::string text;
    for (auto &l : lines) {
        text += (l == "[year," ? std::string("year,") : l) + "\r\n";
    }
    State s = fresh();
    auto r = loadText(s, text);
    EXPECT_EQ(r.outcome, LoadOutcome::Failed);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(s.NumInputFiles, 0);
    EXPECT_EQ(s.NumFileRecords, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Format error\r\nFile Assignment is terminated");
}

TEST_F(ProjectLoading, ForeignCountryAsksAndCancelClosesTheProject) {
    const std::string text = withLine(projectText(), 1, "\"Demo Street\",2020,\"Otherland\"");
    State cancelled = fresh();
    ui.answers = {Answer::Cancel};
    auto r = loadText(cancelled, text);
    EXPECT_EQ(r.outcome, LoadOutcome::Cancelled);
    EXPECT_TRUE(cancelled.LoadFailed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(
        ui.messages[0],
        "This project was created with Country settings for Otherland.\r\nThe current Country setting for "
        "the program is Demoland.\r\nThis can result in errors when running the project!\r\n\r\nIt's "
        "recommended to close the project and change the Country setting!\r\n\r\nPress Cancel to close the "
        "project. Press OK to continue loading the project.");

    State accepted = fresh();
    ui.messages.clear();
    ui.answers = {Answer::Ok};
    ASSERT_EQ(loadText(accepted, text).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(accepted.ProjectCountry, "Otherland");
}

TEST_F(ProjectLoading, CountryInOtherCaseOrMissingAsksNothing) {
    for (const char *first : {"\"Demo Street\",2020,\"DEMOLAND\"", "\"Demo Street\",2020"}) {
        State s = fresh();
        ui.messages.clear();
        ASSERT_EQ(loadText(s, withLine(projectText(), 1, first)).outcome, LoadOutcome::Loaded) << first;
        EXPECT_TRUE(ui.messages.empty()) << first;
        EXPECT_EQ(s.ScenarioYear, 2020);
    }
    State none = fresh();
    loadText(none, withLine(projectText(), 1, "\"Demo Street\",2020"));
    EXPECT_EQ(none.ProjectCountry, "");
    EXPECT_EQ(defaultSaveNames(none).country, "Demoland");
}

TEST_F(ProjectLoading, UnknownPollutantInTheUnitBlockIsReportedOnceAndSkipped) {
    std::string text = projectText();
    text = withLine(text, 20, "NOx      XYZ       NO2");
    text = withLine(text, 21, "ppb      mg        ppm");
    text = withLine(text, 22, "NOx      XYZ       NO2");
    text = withLine(text, 23, "MICROG   mg        ppb");
    State s = fresh();
    ASSERT_EQ(loadText(s, text).outcome, LoadOutcome::Loaded);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "The pollutant XYZ, refered to in the VESK Project File, is not in the Pollutants "
              "List.\r\nThis pollutant must be deleted from any Input/Output Variable List used "
              "in the current project.");
    EXPECT_EQ(s.InputUnit[0], "ppb");
    EXPECT_EQ(s.InputUnit[2], "ppm");
    EXPECT_EQ(s.OutputUnit[0], "microg");
    EXPECT_EQ(s.OutputUnit[2], "ppb");
    EXPECT_EQ(s.InputUnit[1], "microg"); // NO keeps its standard unit
}

TEST_F(ProjectLoading, ProjectWithoutFilesAsksForSpecialModeAndNoCancelsTheLoad) {
    const std::string text = withLine(firstLines(projectText(), 25), 25, "0,24,2");

    State declined = fresh();
    ui.answers = {Answer::No};
    auto r = loadText(declined, text);
    EXPECT_EQ(r.outcome, LoadOutcome::Cancelled);
    EXPECT_TRUE(declined.LoadFailed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "No input files are specified. Continue with Special Mode ?");

    State accepted = fresh();
    ui.answers = {Answer::Yes};
    ASSERT_EQ(loadText(accepted, text).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(accepted.CalcMode, 0);
}

TEST_F(ProjectLoading, TwentyOneRecordsOfTwoKindsLoadButTwentyOneOfOneKindDoNot) {
    State s = fresh();
    fillSingleStreetProject(s);
    s.TrafficFile.clear();
    s.VehicleListFile.clear();
    s.FuelListFile.clear();
    s.NumStatFiles = 0;
    s.NumInputFiles = 15;
    s.NumOutputFiles = 6;
    for (int i = 1; i <= 20; ++i) {
        s.InputFiles[i] = "In" + std::to_string(i) + ".txt";
        s.InputVarLists[i] = "year, month";
        s.OutputFiles[i] = "Out" + std::to_string(i) + ".txt";
    }
    State loaded = fresh();
    ASSERT_EQ(loadText(loaded, formatProjectFile(s, defaultSaveNames(s))).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded.NumInputFiles, 15);
    EXPECT_EQ(loaded.NumOutputFiles, 6);
    EXPECT_EQ(loaded.InputFiles[15], "In15.txt");

    // 20 input files written, then a 21st input record spliced in.
    s.NumInputFiles = 20;
    s.NumOutputFiles = 0;
    std::string text = formatProjectFile(s, defaultSaveNames(s));
    text = withLine(text, 25, "21,24,2");
    text += "\"In21.txt\",#TRUE#,\"input\"\r\n[]\r\n[*]\r\n[*]\r\n";
    State overflow = fresh();
    ui.messages.clear();
    EXPECT_EQ(loadText(overflow, text).outcome, LoadOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].starts_with("Project file is corrupted"));
}

TEST_F(ProjectLoading, RecordsWithAFalseFlagAreIgnored) {
    std::string text = projectText();
    auto lines = splitLines(text);
    std::string out;
    for (auto &l : lines) {
        if (l == "\".\\Fleet2020.vlf\",#TRUE#,\"fleet\"") {
            out += "\".\\Fleet2020.vlf\",#FALSE#,\"fleet\"\r\n";
        } else {
            out += l + "\r\n";
        }
    }
    State s = fresh();
    ASSERT_EQ(loadText(s, out).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.VehicleListFile, "");
    EXPECT_EQ(s.FuelListFile, ".\\Fuels2020.flf");
}
