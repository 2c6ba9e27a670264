// The checks of a data file's lists: normalising a variable list against the
// known variables, the output type a rows list carries, the known-variable
// lists of each kind, and the combination check of statistics files.

#include "calc/FormatLists.h"
#include "core/CoreTestData.h"
#include "calc/CalcState.h"
#include "project/FileLists.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "run/State.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

std::vector<KnownVariable> known(std::initializer_list<const char *> names) {
    std::vector<KnownVariable> out;
    for (const char *n : names) {
        out.push_back({n, std::string("about ") + n});
    }
    return out;
}

const std::vector<KnownVariable> kHourly = known({"cNO2_b", "day", "hour", "month", "u_mast", "year"});

struct ListCase {
    const char *typed;
    const char *normalised;
    std::vector<std::pair<std::string, std::size_t>> unknown; // name, position
};

class NormalisingAVariableList : public ::testing::TestWithParam<ListCase> {};

} // namespace

TEST_P(NormalisingAVariableList, GivesTheCatalogueSpellingAndReportsUnknownNamesWhereTheyStand) {
    const ListCase &c = GetParam();
    const CheckedList checked = checkVariableList(c.typed, kHourly);
    EXPECT_EQ(checked.text, c.normalised);
    ASSERT_EQ(checked.unknown.size(), c.unknown.size());
    for (std::size_t i = 0; i < c.unknown.size(); ++i) {
        EXPECT_EQ(checked.unknown[i].name, c.unknown[i].first);
        EXPECT_EQ(checked.unknown[i].position, c.unknown[i].second);
        EXPECT_EQ(checked.text.substr(checked.unknown[i].position, c.unknown[i].first.size()),
                  c.unknown[i].first)
            << "the position points at the name in the normalised text";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, NormalisingAVariableList,
    ::testing::Values(ListCase{" YEAR ,, Hour", "year, ?, hour", {}},
                      ListCase{"year,month,day,hour", "year, month, day, hour", {}},
                      ListCase{"\"Series\",  \"a, b\" ,U_MAST", "\"Series\", \"a, b\", u_mast", {}},
                      ListCase{"?,year", "?, year", {}}, ListCase{"", "", {}}, ListCase{"   ", "", {}},
                      ListCase{"year,temp,hour,xyz", "year, temp, hour, xyz", {{"temp", 6}, {"xyz", 18}}},
                      ListCase{"tmp , tmp", "tmp, tmp", {{"tmp", 0}, {"tmp", 5}}}),
    [](const auto &info) {
        return test::testNameOf(std::to_string(info.index) + "_" + info.param.normalised);
    });

TEST(VariableListCheck, TakesAnyNumberOfItemsWithoutDroppingAny) {
    std::string typed;
    for (int i = 0; i < 400; ++i) {
        typed += (i ? "," : "") + std::string(i % 2 ? "hour" : "x") + std::to_string(i);
    }
    const CheckedList checked = checkVariableList(typed, kHourly);
    EXPECT_EQ(checked.unknown.size(), 400u);
    EXPECT_EQ(checked.unknown.back().name, "hour399");
    EXPECT_EQ(std::count(checked.text.begin(), checked.text.end(), ','), 399);
}

TEST(VariableListCheck, UnknownNameMessageNamesTheItem) {
    EXPECT_EQ(unknownNameMessage("temp"), "temp is not a valid name");
}

struct RowsCase {
    const char *rows;
    StatOutputType type;
};

class OutputTypeOfRows : public ::testing::TestWithParam<RowsCase> {};

TEST_P(OutputTypeOfRows, IsReadFromTheWholeRowsTextInAnyLetterCase) {
    EXPECT_EQ(outputTypeOfRows(GetParam().rows), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Rows, OutputTypeOfRows,
                         ::testing::Values(RowsCase{"DAILYAV", StatOutputType::DailyAverages},
                                           RowsCase{"DailyAv", StatOutputType::DailyAverages},
                                           RowsCase{"streets", StatOutputType::MultiStreets},
                                           RowsCase{"STREETS", StatOutputType::MultiStreets},
                                           RowsCase{"NO2_mod, streets", StatOutputType::SingleStreet},
                                           RowsCase{"", StatOutputType::SingleStreet}),
                         [](const auto &info) {
                             return test::testNameOf(std::string("r_") + info.param.rows);
                         });

TEST(OutputTypeKeywords, AreTheTextsTheRowsBoxShows) {
    EXPECT_EQ(rowsKeywordOf(StatOutputType::MultiStreets), "streets");
    EXPECT_EQ(rowsKeywordOf(StatOutputType::DailyAverages), "DailyAv");
    EXPECT_EQ(rowsKeywordOf(StatOutputType::SingleStreet), "");
}

TEST(KnownVariables, AreSortedIgnoringCaseAndStatisticsNamesHaveNoComma) {
    ReferenceTables t;
    t.InputVarNames = {"", "b,1", "A", "c"};
    t.InputVarDescriptions = {"", "bee", "ay", "see"};
    t.SeriesVarNames = t.InputVarNames;
    t.SeriesVarDescriptions = t.InputVarDescriptions;
    const auto hourly = knownVariables(t, 1, StatOutputType::SingleStreet);
    ASSERT_EQ(hourly.size(), 3u);
    EXPECT_EQ(hourly[0].name, "A");
    EXPECT_EQ(hourly[0].description, "ay");
    EXPECT_EQ(hourly[1].name, "b,1");
    const auto statistics = knownVariables(t, 4, StatOutputType::SingleStreet);
    EXPECT_EQ(statistics[1].name, "b.1");
    EXPECT_EQ(statistics[1].description, "bee");
    EXPECT_TRUE(knownVariables(t, 3, StatOutputType::SingleStreet).empty()) << "traffic files have no list";
}

TEST(KnownVariables, FindsNamesExactlyOrByTheirBeginningIgnoringCase) {
    EXPECT_EQ(findKnownExact(kHourly, "HOUR"), 2);
    EXPECT_EQ(findKnownExact(kHourly, "hou"), -1);
    EXPECT_EQ(findKnownPrefix(kHourly, "MO"), 3);
    EXPECT_EQ(findKnownPrefix(kHourly, "zz"), -1);
}

// ---- Statistics files ----------------------------------------------------------------------

namespace {

struct DemoTables : ::testing::Test {
    test::ProgramDir dir;
    std::unique_ptr<test::Started> started;
    void SetUp() override { started = std::make_unique<test::Started>(dir); }
    const ReferenceTables &tables() { return started->state; }
};

} // namespace

TEST_F(DemoTables, TheSampleStatisticsListsFormOnlyStatisticsTheProgramComputes) {
    const char *columns =
        "\"Series\", Average_1, Average_2, 19thHighest_1, 99.8_Perc_2, MaxHourly_1, MaxRun8_1, "
        "MaxDaily_1, nHours_1";
    const char *rows = "NOx_mod, NOx_b, NO2_mod, NO2_obs, NO2_b, PM10_mod, PM10_b, CO_mod, O3_mod";
    EXPECT_EQ(invalidStatCombination(tables(), columns, rows), std::nullopt);
}

// Every list the sample projects give their files passes the format
// dialog's check unchanged: a user who opens them sees no unknown name.
TEST(SampleProjects, DescribeEveryFileWithNamesTheFormatDialogKnows) {
    test::TempDir dir;
    test::copyDataTree(dir.path());
    State s;
    s.CurrentYear = 2020;
    test::ScriptedInteraction ui;
    MemorySettings settings;
    ASSERT_TRUE(InitProgram(s, dir.path().string() + "/", ui, settings, nullptr));
    for (const char *project : {"DemoStreet.vkp", "DemoStreets.vkm", "DemoRoute.vkp"}) {
        s.ProjectFile = (dir.path() / "Working" / project).string();
        ASSERT_EQ(LoadProject(s, ui).outcome, LoadOutcome::Loaded) << project;
        for (int kind : {1, 2, 4}) {
            for (int position = 0; position < fileCount(s, kind); ++position) {
                const FileFormatLists lists = fileFormatLists(s, kind, position);
                const StatOutputType type = kind == 4 ? outputTypeOfRows(lists.rowList) : StatOutputType::SingleStreet;
                const std::vector<KnownVariable> names = knownVariables(s, kind, type);
                for (const std::string *list : {&lists.varList, &lists.rowList}) {
                    if (list == &lists.rowList && (kind != 4 || type != StatOutputType::SingleStreet)) {
                        continue;
                    }
                    const CheckedList checked = checkVariableList(*list, names);
                    EXPECT_TRUE(checked.unknown.empty())
                        << project << ", " << fileNameAt(s, kind, position) << ": "
                        << (checked.unknown.empty() ? "" : checked.unknown.front().name) << " is unknown";
                }
            }
        }
    }
}

TEST_F(DemoTables, EveryCatalogueColumnOfAverageAndMaximumFormsAStatisticWithASeriesRow) {
    const std::vector<KnownVariable> columns = knownVariables(tables(), 4, StatOutputType::SingleStreet);
    for (const char *name : {"Av_1", "Av_2", "Av", "Average_1", "MaxHourly_1", "MaxRun8_2", "nHours_1"}) {
        EXPECT_GE(findKnownExact(columns, name), 0) << name << " is offered by the dialog";
        EXPECT_EQ(invalidStatCombination(tables(), name, "NO2_mod, PM10_b"), std::nullopt) << name;
    }
}

TEST_F(DemoTables, TheFirstInvalidPairIsReportedAndQuotedItemsAreNeverCombined) {
    const auto bad = invalidStatCombination(tables(), "\"Series\", Average_1, MaxHourly_2",
                                            "\"x\", NO2_mod, Rubbish_b, NOx_mod");
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(bad->column, "Average_1");
    EXPECT_EQ(bad->row, "Rubbish_b");
    EXPECT_EQ(statCombinationMessage(*bad),
              "Combination of the variables: Average_1 and Rubbish_b is not a valid combination!");
}

TEST(StatCombination, OnlyTheTrailingSideSuffixIsDropped) {
    // A pollutant whose name holds "_1": dropping every "_1" and "_2" of the
    // result would lose part of the pollutant's name.
    ReferenceTables t;
    t.PollutantNames = {"X_1"};
    t.StatVarList.add("MaxHourlyX_1_mod", StatVar{});
    EXPECT_EQ(invalidStatCombination(t, "MaxHourly_2", "X_1_mod"), std::nullopt);
    EXPECT_TRUE(invalidStatCombination(t, "MaxDaily_2", "X_1_mod").has_value());
}
