#include "project/OptionFile.h"
#include "core/TextIO.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectState.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct OptionFile : ::testing::Test {
    ProjectFolder folder;
    std::string standard = readFile(dataDir() / "Run.opt");
    ScriptedInteraction ui;

    LoadResult loadProject(ProjectState &s, bool route = false) {
        ProjectState p = folder.fresh();
        fillSingleStreetProject(p);
        if (route) {
            p.RouteFile = "Route.txt";
        }
        return loadFile(s, folder.write("P.vkp", savedBytes(p)), ui);
    }
};

} // namespace

TEST_F(OptionFile, LocalFileInAnyLetterCaseWinsOverTheProgramWideOne) {
    ProjectState s = folder.fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.NoLocalOptionFile);
    EXPECT_DOUBLE_EQ(s.BackgroundNOx, 40);

    folder.write("run.opt",
                 withLine(standard, 3, "      1       55       25         50         10         200 "));
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_FALSE(s.NoLocalOptionFile);
    EXPECT_DOUBLE_EQ(s.StoredBackgroundNOx, 55);
    EXPECT_DOUBLE_EQ(s.BackgroundNOx, 55);
    EXPECT_EQ(localOptionFilePath(s), folder.workDir + "run.opt");
}

TEST_F(OptionFile, EditedValuesSurviveASaveAndAReload) {
    ProjectState s = folder.fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    s.BackgroundNOx = 62.5;
    s.WindSpeedCount = 2;
    s.WindSpeeds[1] = 1.5;
    s.DailySource[5] = 1;
    s.ShowPol[6] = false;
    std::string error;
    ASSERT_TRUE(SaveOptionFile(s, folder.workDir + "Run.opt", &error)) << error;

    ProjectState again = folder.fresh();
    ASSERT_EQ(loadProject(again).outcome, LoadOutcome::Loaded);
    EXPECT_DOUBLE_EQ(again.BackgroundNOx, 62.5);
    EXPECT_EQ(again.WindSpeedCount, 2);
    EXPECT_DOUBLE_EQ(again.WindSpeeds[1], 1.5);
    EXPECT_EQ(again.DailySource[5], 1);
    EXPECT_FALSE(again.ShowPol[6]);
    EXPECT_EQ(formatOptionFile(again), formatOptionFile(s));
}

TEST_F(OptionFile, EachStatisticsSourceRowSurvivesASaveAndAReloadInItsOwnPlace) {
    ProjectState s = folder.fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    ASSERT_GE(s.NPol, 3);
    // Every row and every pollutant a value of its own, so that no row or column can stand in for another.
    std::vector<int> *rows[] = {&s.PercSource, &s.Run8Source, &s.AvSource, &s.DailySource};
    for (int r = 0; r < 4; ++r) {
        ASSERT_EQ(rows[r]->size(), static_cast<std::size_t>(s.NPol + 1)) << "row " << r << " was not read";
        for (int k = 0; k <= s.NPol; ++k) {
            (*rows[r])[k] = (r + k) % 4;
        }
    }
    std::string error;
    ASSERT_TRUE(SaveOptionFile(s, folder.workDir + "Run.opt", &error)) << error;

    ProjectState again = folder.fresh();
    ASSERT_EQ(loadProject(again).outcome, LoadOutcome::Loaded);
    const std::vector<int> *reloaded[] = {&again.PercSource, &again.Run8Source, &again.AvSource,
                                          &again.DailySource};
    const char *names[] = {"hourly percentiles", "running 8-hour values", "averages", "daily values"};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(*reloaded[r], *rows[r]) << names[r];
    }
}

TEST_F(OptionFile, PollutantsAreMatchedByTheNamesOfLineTwelve) {
    // Line 12 names XYZ in place of NO; every row gives NOx 2, XYZ 1, NO2 0.
    std::string text = withLine(standard, 12, "NOx      XYZ       NO2");
    for (int row : {13, 17, 20, 24}) {
        text = withLine(text, row, " 2        1         0 ");
    }
    text = withLine(text, 26, "#FALSE#,#FALSE#,#TRUE#");
    text = withLine(text, 19, "BNZ      PM2.5     PM10"); // later name rows are not used
    folder.write("Run.opt", text);
    ProjectState s = folder.fresh();
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{
                  "The pollutant XYZ, refered to in the local Option File, is not in the Pollutants "
                  "List.\r\nThis pollutant will not be used in the current project.\r\nNext time the "
                  "Local Option File will be saved, the reference to this pollutant will be removed "
                  "from the file!"});
    EXPECT_TRUE(s.OptionFileChanged);
    EXPECT_EQ(s.PercSource[0], 2);
    EXPECT_EQ(s.AvSource[2], 0);
    EXPECT_FALSE(s.ShowPol[0]);
    // Pollutants the file does not name keep "both" and are shown.
    EXPECT_EQ(s.PercSource[1], 3);
    EXPECT_EQ(s.AvSource[5], 3);
    EXPECT_TRUE(s.ShowPol[1]);
    EXPECT_TRUE(s.ShowPol[7]);
    EXPECT_FALSE(formatOptionFile(s).find("XYZ") != std::string::npos);
}

TEST_F(OptionFile, RouteProjectSwitchesStatisticsAndAutomaticResultsOff) {
    ProjectState s = folder.fresh();
    ASSERT_EQ(loadProject(s, true).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.RouteMode);
    EXPECT_FALSE(s.CalcPerc || s.CalcRun8 || s.CalcDaily || s.ShowResultsAuto);
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(s.CalcPerc && s.CalcRun8 && s.CalcDaily && s.ShowResultsAuto);
}

TEST_F(OptionFile, CorruptedLocalFileIsReplacedOnlyAfterConsentAndABackup) {
    const std::string broken = withLine(standard, 9, "#MAYBE#,1,2");
    folder.write("Run.opt", broken);
    ProjectState s = folder.fresh();
    ui.answers = {Answer::No};
    EXPECT_EQ(loadProject(s).outcome, LoadOutcome::Failed);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(readFile(folder.workDir + "Run.opt"), broken);
    EXPECT_FALSE(fs::exists(folder.workDir + "Run.opt.bak"));

    ui.messages.clear();
    ui.answers = {Answer::Yes};
    ASSERT_EQ(loadProject(s).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"The local Option file is corrupted\r\nDo you want to replace "
                                       "this option file with the standard Option file?"});
    EXPECT_EQ(readFile(folder.workDir + "Run.opt.bak"), broken);
    EXPECT_EQ(readFile(folder.workDir + "Run.opt"), standard);
}

// The project's folder is one other users may write: the backup of the
// damaged file is written as every save is, through no other user's link.
TEST_F(OptionFile, TheBackupOfACorruptedLocalFileFollowsNoOtherUsersLink) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test makes a link as the user nobody";
    }
    if (const std::string why = whyNobodyCannotEnter(folder.workDir); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    const std::string broken = withLine(standard, 9, "#MAYBE#,1,2");
    folder.write("Run.opt", broken);
    const std::string secret = folder.appDir + "Secret.txt";
    std::ofstream(secret, std::ios::binary) << "root's private bytes";
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_EQ(::chmod(folder.workDir.c_str(), 0777), 0);
    ASSERT_EQ(asNobody([&] {
                  return ::symlink(secret.c_str(), (folder.workDir + "Run.opt.bak").c_str()) == 0
                             ? std::string()
                             : std::string("no link");
              }),
              "");
    ProjectState s = folder.fresh();
    ui.answers = {Answer::Yes};
    EXPECT_EQ(loadProject(s).outcome, LoadOutcome::Failed);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages.back().find("nobody"), std::string::npos) << ui.messages.back();
    EXPECT_EQ(readFile(secret), "root's private bytes");
    EXPECT_EQ(readFile(folder.workDir + "Run.opt"), broken);
}

TEST_F(OptionFile, CorruptedProgramWideFileFailsWithoutAQuestion) {
    fs::remove(folder.appDir + "Run.opt");
    folder.dir.write("Run.opt", withLine(standard, 27, "#TRUE#"));
    ProjectState s = folder.fresh();
    EXPECT_EQ(loadProject(s).outcome, LoadOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].starts_with("The Option file " + folder.appDir + "Run.opt is corrupted."));
    EXPECT_FALSE(fs::exists(folder.workDir + "Run.opt"));
}

TEST_F(OptionFile, AValueThatIsNoNumberOrAModeThatDoesNotExistIsDamageNotAZero) {
    struct Case {
        int line;
        const char *text;
        const char *says;
    };
    const Case cases[] = {{1, " t ", "line 1: \"t\" is not a number"},
                          {1, " 2 ", "the calculation mode is 1 (Calculation) or 0 (Special Mode), not 2"},
                          {3, " 1 40 2x5 50 10 200 ", "line 3: \"2x5\" is not a number"},
                          {3, " 1 40 25 50 1e999 200 ", "line 3: \"1e999\" is not a number"}};
    for (const Case &c : cases) {
        ProjectState s = folder.fresh();
        std::string error;
        EXPECT_FALSE(parseOptionFile(s, withLine(standard, c.line, c.text), ui, &error)) << c.text;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

TEST_F(OptionFile, TooManyValuesAreDamageAndNoWindSpeedIsAnEmptyLine) {
    for (const auto &text :
         {withLine(standard, 13, " 3 3 3 3 3 3 3 3 3 "), withLine(standard, 5, " 1 2 3 4 5 6 7 8 9 "),
          withLine(standard, 3, " 1 40 25 50 10 ")}) {
        ProjectState s = folder.fresh();
        std::string error;
        EXPECT_FALSE(parseOptionFile(s, text, ui, &error));
        EXPECT_FALSE(error.empty());
    }
    ProjectState s = folder.fresh();
    std::string error;
    EXPECT_TRUE(parseOptionFile(s, withLine(standard, 5, ""), ui, &error)) << error;
    EXPECT_EQ(s.WindSpeedCount, 0);
    EXPECT_EQ(splitLines(formatOptionFile(s))[4], "");
}

TEST_F(OptionFile, ItemsThatAreNoNumberOrLeftOverAndShiftedLinesAreDamageNotCorrected) {
    struct Case {
        int line;
        const char *text;
        const char *says;
    };
    const Case cases[] = {
        {13, " 3 3 3 3 3 abc 3 3 ", "line 13: \"abc\" is not a number"},
        {20, " 3 3 3 3 3 3 3 x ", "line 20: \"x\" is not a number"},
        {5, " 1 2 x 5 8 ", "line 5: \"x\" is not a number"},
        {7, " 0 360 10 5 ", "line 7 holds 4 values where it has 3"},
        {9, "#FALSE#,1,2,7", "line 9 holds more items than its values"},
        {15, "#TRUE#,0,6,18,1", "line 15 holds more items than its values"},
        {27, "#FALSE#,#TRUE#,1,#FALSE#,3", "line 27 holds more items than its values"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        ProjectState s = folder.fresh();
        std::string error;
        EXPECT_FALSE(parseOptionFile(s, withLine(standard, c.line, c.text), ui, &error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    // A line added in the middle shifts every value after it into the wrong option.
    for (std::size_t at : {std::size_t{3}, std::size_t{8}, std::size_t{12}, std::size_t{21}}) {
        SCOPED_TRACE("a line added after line " + std::to_string(at));
        std::vector<std::string> lines = splitLines(standard);
        lines.insert(lines.begin() + static_cast<long>(at), lines[at - 1]);
        std::string shifted;
        for (const std::string &line : lines) {
            shifted += line + "\r\n";
        }
        ProjectState s = folder.fresh();
        std::string error;
        EXPECT_FALSE(parseOptionFile(s, shifted, ui, &error)) << "read as if whole";
    }
}
