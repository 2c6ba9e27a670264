#include "core/TextIO.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectState.h"
#include "project/ProjectWriter.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr const char *kEdit = "\r\nDo you want to edit the loaded configuration file?";

struct ProjectLoading : ::testing::Test {
    ProjectFolder folder;
    ScriptedInteraction ui;
    std::string text;

    void SetUp() override {
        ProjectState s = folder.fresh();
        fillSingleStreetProject(s);
        text = savedBytes(s);
    }

    // Loads bytes into a state whose working street is "Previous street".
    LoadResult load(const std::string &bytes, ProjectState *out = nullptr) {
        ProjectState s = folder.fresh();
        s.StreetName = "Previous street";
        auto r = loadFile(s, folder.write("P.vkp", bytes), ui);
        if (out) {
            *out = s;
        }
        return r;
    }
};

std::string replaceEvery(const std::string &text, const std::string &line, const std::string &by) {
    std::string out;
    for (auto &l : splitLines(text)) {
        out += (l == line ? by : l) + "\r\n";
    }
    return out;
}

} // namespace

TEST_F(ProjectLoading, MissingProjectFileIsReportedAndForgotten) {
    ProjectState s = folder.fresh();
    auto r = loadFile(s, folder.appDir + "Nowhere.vkp", ui);
    EXPECT_EQ(r.outcome, LoadOutcome::Failed);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(s.ProjectFile, "");
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Can't open the file\r\n" + folder.appDir + "Nowhere.vkp"});
}

TEST_F(ProjectLoading, ShortLinesAndDamageEndTheLoadWithTheirQuestion) {
    struct Case {
        std::string bytes;
        std::string question;
    };
    const std::string missing = std::string("Missing input variable in the configuration file!") + kEdit;
    const std::string corrupted = std::string("Project file is corrupted") + kEdit;
    const std::vector<Case> cases = {
        {withLine(text, 4, " 18  24  120  95 "), missing},
        {withLine(text, 14, "  1   2 "), missing},
        {withLine(text, 17, " 1500 120 50 "), missing},
        {withLine(text, 18, " 0.5 "), missing},
        {withLine(withLine(text, 7, " 3 "), 10, " 1 2 "),
         std::string("Number of wind sectors is less than specified") + kEdit},
        {firstLines(text, 30), corrupted},                                 // ends inside the records
        {firstLines(text, 24), corrupted},                                 // no count line
        {withLine(text, 25, "\"many\",24,2"), corrupted},                  // count is no number
        {withLine(text, 9, " 1 2 3 4 5 6 7 8 9 10 11 12 13 "), corrupted}, // more than 12 sectors
    };
    for (const auto &c : cases) {
        ui.messages.clear();
        ui.answers = {Answer::Yes};
        ProjectState s;
        auto r = load(c.bytes, &s);
        EXPECT_EQ(r.outcome, LoadOutcome::Failed);
        EXPECT_TRUE(r.editRequested);
        EXPECT_TRUE(s.LoadFailed);
        EXPECT_EQ(ui.messages, std::vector<std::string>{c.question});
        EXPECT_EQ(s.StreetName, "Previous street"); // the working set is not touched
    }
}

// A receptor flag other than 1 (in use) or 0 (not) would switch its side off
// without a word: the load is refused with the file, line and field named.
TEST_F(ProjectLoading, AReceptorFlagOutsideItsValuesEndsTheLoadNamingFileLineAndField) {
    const std::string file = folder.workDir + "P.vkp";
    struct Case {
        std::string line;
        std::string says;
    };
    for (const Case &c :
         {Case{" 3 1 2 ", "line 14: the receptor of side 1 is 3 (1 in use, 0 not in use)"},
          Case{" 1 -1 2 ", "line 14: the receptor of side 2 is -1 (1 in use, 0 not in use)"},
          Case{" 1 yes 2 ", "line 14: the receptor of side 2 is yes (1 in use, 0 not in use)"},
          Case{" 1000 1000 2 ", "line 14: the receptor of side 1 is 1000 (1 in use, 0 not in use)"}}) {
        SCOPED_TRACE(c.line);
        ui.messages.clear();
        ProjectState s;
        const LoadResult r = load(withLine(text, 14, c.line), &s);
        EXPECT_EQ(r.outcome, LoadOutcome::Failed);
        EXPECT_TRUE(s.LoadFailed);
        EXPECT_EQ(ui.messages,
                  std::vector<std::string>{"Project file is corrupted\r\n" + file + ", " + c.says + kEdit});
        EXPECT_EQ(s.StreetName, "Previous street");
    }
    // Both flags that mean something load as they are.
    for (const auto &[line, one, two] : {std::tuple{" 0 1 2 ", 0, 1}, std::tuple{" 1 0 1.5 ", 1, 0},
                                         std::tuple{" 0 0 0 ", 0, 0}, std::tuple{" 1 1 2 ", 1, 1}}) {
        ui.messages.clear();
        ProjectState s;
        ASSERT_EQ(load(withLine(text, 14, line), &s).outcome, LoadOutcome::Loaded) << line;
        EXPECT_EQ(s.Receptor1, one) << line;
        EXPECT_EQ(s.Receptor2, two) << line;
    }
}

TEST_F(ProjectLoading, SectorRowsWiderThanTheNumberOfSectorsLoad) {
    std::string wide = withLine(text, 7, " 3 ");
    wide = withLine(wide, 9, " 10 20 30 40 ");
    wide = withLine(wide, 10, " 15 25 35 45 ");
    wide = withLine(wide, 11, " 1 1 1 1 ");
    ProjectState s;
    ASSERT_EQ(load(wide, &s).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.SectorColumns, 4);
    EXPECT_EQ(s.NumWindSectors, 3);
    EXPECT_TRUE(s.SectorUsed[3]);
    EXPECT_FALSE(s.SectorUsed[4]);
    EXPECT_DOUBLE_EQ(s.SectorEnd[4], 45);
}

TEST_F(ProjectLoading, ListWithoutOpeningBracketFailsTheLoadAndEmptiesTheLists) {
    ProjectState s;
    EXPECT_EQ(load(replaceEvery(text, "[year,", "year,"), &s).outcome, LoadOutcome::Failed);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(s.NumInputFiles, 0);
    EXPECT_EQ(s.NumFileRecords, 0);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Format error\r\nFile Assignment is terminated"});
}

TEST_F(ProjectLoading, ForeignCountryAsksAndCancelClosesTheProject) {
    const std::string foreign = withLine(text, 1, "\"Demo Street\",2020,\"Otherland\"");
    ui.answers = {Answer::Cancel};
    ProjectState s;
    EXPECT_EQ(load(foreign, &s).outcome, LoadOutcome::Cancelled);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{
                  "This project was created with Country settings for Otherland.\r\nThe current "
                  "Country setting for the program is Demoland.\r\nThis can result in errors when "
                  "running the project!\r\n\r\nIt's recommended to close the project and change the "
                  "Country setting!\r\n\r\nPress Cancel to close the project. Press OK to continue "
                  "loading the project."});
    ui.answers = {Answer::Ok};
    ASSERT_EQ(load(foreign, &s).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.ProjectCountry, "Otherland");

    // Another letter case, or no country at all, asks nothing.
    for (const char *first : {"\"Demo Street\",2020,\"DEMOLAND\"", "\"Demo Street\",2020"}) {
        ui.messages.clear();
        ASSERT_EQ(load(withLine(text, 1, first), &s).outcome, LoadOutcome::Loaded) << first;
        EXPECT_TRUE(ui.messages.empty()) << first;
    }
    EXPECT_EQ(s.ProjectCountry, "");
    EXPECT_EQ(defaultSaveNames(s).country, "Demoland");
}

TEST_F(ProjectLoading, UnknownPollutantInTheUnitBlockIsReportedOnceAndSkipped) {
    std::string units = withLine(text, 20, "NOx      XYZ       NO2");
    units = withLine(units, 21, "ppb      mg        ppm");
    units = withLine(units, 22, "NOx      XYZ       NO2");
    units = withLine(units, 23, "MICROG   mg        ppb");
    ProjectState s;
    ASSERT_EQ(load(units, &s).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{
                  "The pollutant XYZ, refered to in the VESK Project File, is not in the Pollutants "
                  "List.\r\nThis pollutant must be deleted from any Input/Output Variable List used "
                  "in the current project."});
    EXPECT_EQ(s.InputUnit[0], "ppb");
    EXPECT_EQ(s.InputUnit[2], "ppm");
    EXPECT_EQ(s.OutputUnit[0], "microg");
    EXPECT_EQ(s.InputUnit[1], "microg"); // NO keeps its standard unit
}

TEST_F(ProjectLoading, ProjectWithoutFilesAsksForSpecialModeAndNoCancelsTheLoad) {
    const std::string empty = withLine(firstLines(text, 25), 25, "0,24,2");
    ui.answers = {Answer::No};
    ProjectState s;
    EXPECT_EQ(load(empty, &s).outcome, LoadOutcome::Cancelled);
    EXPECT_TRUE(s.LoadFailed);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"No input files are specified. Continue with Special Mode ?"});
    ui.answers = {Answer::Yes};
    ASSERT_EQ(load(empty, &s).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.CalcMode, 0);
}

TEST_F(ProjectLoading, TwentyFilesOfAKindLoadAndAFalseFlagIsIgnored) {
    ProjectState s = folder.fresh();
    fillSingleStreetProject(s);
    s.NumInputFiles = 15;
    s.NumOutputFiles = 6;
    for (int i = 1; i <= 20; ++i) {
        s.InputFiles[i] = "In" + std::to_string(i) + ".txt";
        s.OutputFiles[i] = "Out" + std::to_string(i) + ".txt";
    }
    ProjectState loaded;
    const std::string bytes = replaceEvery(savedBytes(s), "\".\\Fleet2020.vlf\",#TRUE#,\"fleet\"",
                                           "\".\\Fleet2020.vlf\",#FALSE#,\"fleet\"");
    ASSERT_EQ(load(bytes, &loaded).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded.NumInputFiles, 15);
    EXPECT_EQ(loaded.OutputFiles[6], "Out6.txt");
    EXPECT_EQ(loaded.VehicleListFile, "");
    EXPECT_EQ(loaded.FuelListFile, ".\\Fuels2020.flf");

    // A 21st file of one kind overflows the table: a damaged file.
    s.NumInputFiles = 20;
    s.NumOutputFiles = 0;
    s.NumStatFiles = 0;
    s.TrafficFile.clear();
    s.VehicleListFile.clear();
    s.FuelListFile.clear();
    std::string overflow = withLine(savedBytes(s), 25, "21,24,2");
    overflow += "\"In21.txt\",#TRUE#,\"input\"\r\n[]\r\n[*]\r\n[*]\r\n";
    EXPECT_EQ(load(overflow).outcome, LoadOutcome::Failed);
    EXPECT_TRUE(ui.messages.back().starts_with("Project file is corrupted"));
}
