#include "project/OptionFile.h"
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

struct OptionFileTest : ::testing::Test {
    TempDir dir;
    std::string appDir = dir.path().string() + "/";
    std::string workDir = appDir + "Working/";
    std::string standard = readFile(dataDir() / "Run.opt");
    ScriptedInteraction ui;

    void SetUp() override {
        fs::create_directories(workDir);
        dir.write("Run.opt", standard);
    }

    State fresh() const {
        State s;
        setDemolandCountry(s, appDir);
        return s;
    }

    std::string projectText(bool route = false) const {
        State s = fresh();
        fillSingleStreetProject(s);
        if (route) {
            s.RouteFile = "Route.txt";
        }
        return formatProjectFile(s, defaultSaveNames(s));
    }

    LoadResult loadProject(State &s, bool route = false) {
        s.ProjectFile = dir.write("Working/P.vkp", projectText(route)).string();
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

} // namespace

TEST_F(OptionFileTest, ProgramWideFileIsUsedWhenTheFolderHasNone) {
    State s = fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.NoLocalOptionFile);
    EXPECT_FALSE(s.OptionFileChanged);
    EXPECT_DOUBLE_EQ(s.BackgroundNOx, 40);
    EXPECT_DOUBLE_EQ(s.StoredBackgroundNOx, 40);
}

TEST_F(OptionFileTest, LocalFileInAnyLetterCaseIsPreferred) {
    dir.write("Working/run.opt",
              withLine(standard, 3, "      1       55       25         50         10         200 "));
    State s = fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_FALSE(s.NoLocalOptionFile);
    EXPECT_DOUBLE_EQ(s.BackgroundNOx, 55);
}

TEST_F(OptionFileTest, EditedValuesSurviveASaveAndAReload) {
    State s = fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    s.BackgroundNOx = 62.5;
    s.WindSpeedCount = 2;
    s.WindSpeeds[1] = 1.5;
    s.WindSpeeds[2] = 4;
    s.DailySource[5] = 1;
    s.ShowPol[6] = false;
    std::string error;
    ASSERT_TRUE(SaveOptionFile(s, workDir + "Run.opt", &error)) << error;

    State again = fresh();
    ASSERT_EQ(loadProject(again).outcome, LoadOutcome::Loaded);
    EXPECT_DOUBLE_EQ(again.BackgroundNOx, 62.5);
    EXPECT_EQ(again.WindSpeedCount, 2);
    EXPECT_DOUBLE_EQ(again.WindSpeeds[1], 1.5);
    EXPECT_EQ(again.DailySource[5], 1);
    EXPECT_FALSE(again.ShowPol[6]);
    EXPECT_EQ(formatOptionFile(again), formatOptionFile(s));
}

TEST_F(OptionFileTest, UnknownPollutantIsReportedOnceAndMarksTheFileChanged) {
    // Line 12 names XYZ in place of NO; every row gives it 1 and NOx 2.
    std::string text = standard;
    text = withLine(text, 12, "NOx      XYZ       NO2");
    for (int row : {13, 17, 20, 24}) {
        text = withLine(text, row, " 2        1         0 ");
    }
    text = withLine(text, 26, "#FALSE#,#FALSE#,#TRUE#");
    dir.write("Working/Run.opt", text);
    State s = fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "The pollutant XYZ, refered to in the local Option File, is not in the Pollutants "
              "List.\r\nThis pollutant will not be used in the current project.\r\nNext time the "
              "Local Option File will be saved, the reference to this pollutant will be removed "
              "from the file!");
    EXPECT_TRUE(s.OptionFileChanged);
    EXPECT_EQ(s.PercSource[0], 2);
    EXPECT_EQ(s.PercSource[2], 0);
    EXPECT_EQ(s.DailySource[0], 2);
    // Pollutants the file does not name keep "both" and are shown.
    EXPECT_EQ(s.PercSource[1], 3);
    EXPECT_EQ(s.AvSource[5], 3);
    EXPECT_FALSE(s.ShowPol[0]);
    EXPECT_TRUE(s.ShowPol[1]);
    EXPECT_TRUE(s.ShowPol[2]);
    EXPECT_TRUE(s.ShowPol[7]);
    // The next save names the country's own pollutants only.
    EXPECT_EQ(formatOptionFile(s).find("XYZ"), std::string::npos);
}

TEST_F(OptionFileTest, LaterNameRowsAreNotUsedForReading) {
    dir.write("Working/Run.opt", withLine(standard, 19, "BNZ      PM2.5     PM10"));
    State s = fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(s.AvSource, std::vector<int>(8, 3));
}

TEST_F(OptionFileTest, RouteProjectSwitchesStatisticsAndAutomaticResultsOff) {
    State s = fresh();
    ASSERT_EQ(loadProject(s, true).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.RouteMode);
    EXPECT_FALSE(s.CalcPerc);
    EXPECT_FALSE(s.CalcRun8);
    EXPECT_FALSE(s.CalcDaily);
    EXPECT_FALSE(s.ShowResultsAuto);

    State single = fresh();
    ASSERT_EQ(loadProject(single).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(single.CalcPerc && single.CalcRun8 && single.CalcDaily && single.ShowResultsAuto);
}

TEST_F(OptionFileTest, CorruptedLocalFileIsReplacedOnlyAfterABackup) {
    const std::string broken = withLine(standard, 9, "#MAYBE#,1,2");
    dir.write("Working/Run.opt", broken);
    State s = fresh();
    ui.answers = {Answer::Yes};
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "The local Option file is corrupted\r\nDo you want to replace this option file with "
              "the standard Option file?");
    EXPECT_EQ(readFile(workDir + "Run.opt.bak"), broken);
    EXPECT_EQ(readFile(workDir + "Run.opt"), standard);
    EXPECT_FALSE(s.NoLocalOptionFile);
}

TEST_F(OptionFileTest, CorruptedLocalFileKeptWhenTheUserDeclines) {
    const std::string broken = splitLines(standard).front() + "\r\n";
    dir.write("Working/Run.opt", broken);
    State s = fresh();
    ui.answers = {Answer::No};
    EXPECT_EQ(loadProject(s).outcome, LoadOutcome::Failed);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(readFile(workDir + "Run.opt"), broken);
    EXPECT_FALSE(fs::exists(workDir + "Run.opt.bak"));
}

TEST_F(OptionFileTest, CorruptedProgramWideFileFailsWithoutAQuestion) {
    dir.write("Run.opt", withLine(standard, 27, "#TRUE#"));
    State s = fresh();
    EXPECT_EQ(loadProject(s).outcome, LoadOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].starts_with("The Option file " + appDir + "Run.opt is corrupted."));
    EXPECT_FALSE(fs::exists(workDir + "Run.opt"));
}

TEST_F(OptionFileTest, RowsWithMoreValuesThanNamesOrTooManySpeedsAreDamage) {
    const std::vector<std::string> damaged = {
        withLine(standard, 13, " 3 3 3 3 3 3 3 3 3 "),
        withLine(standard, 5, " 1 2 3 4 5 6 7 8 9 "),
        withLine(standard, 3, " 1 40 25 50 10 "),
    };
    for (const auto &text : damaged) {
        State s = fresh();
        std::string error;
        EXPECT_FALSE(parseOptionFile(s, text, ui, &error));
        EXPECT_FALSE(error.empty());
    }
    State s = fresh();
    std::string error;
    EXPECT_TRUE(parseOptionFile(s, withLine(standard, 5, ""), ui, &error)) << error;
    EXPECT_EQ(s.WindSpeedCount, 0);
    EXPECT_EQ(splitLines(formatOptionFile(s))[4], "");
}
