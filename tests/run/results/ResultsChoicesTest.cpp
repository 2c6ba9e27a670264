// The number format and the column choice of the results table, and the page
// rules of its printout.

#include "run/results/ResultsChoices.h"
#include "run/results/ResultsFixture.h"
#include "run/results/ResultsPrintPlan.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::results;
using vesk::test::ResultsFixture;

struct PatternCase {
    std::string pattern;
    bool valid;
};

class NumberPatternCheck : public ::testing::TestWithParam<PatternCase> {};

TEST_P(NumberPatternCheck, acceptsNumberPatternsAndRefusesOthersWithAReason) {
    std::string why;
    EXPECT_EQ(checkNumberPattern(GetParam().pattern, &why), GetParam().valid) << GetParam().pattern;
    EXPECT_EQ(why.empty(), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, NumberPatternCheck,
    ::testing::Values(PatternCase{"", true}, PatternCase{"0.#0", true}, PatternCase{"#,##0.00", true},
                      PatternCase{"0.00E+00", true}, PatternCase{"0.0%", true}, PatternCase{"Fixed", true},
                      PatternCase{"0.0;-0.0;\"nil\"", true}, PatternCase{"0.0 \"µg/m³\"", true},
                      PatternCase{"0.0\\m", true}, PatternCase{"dd.mm.yyyy", false},
                      PatternCase{"hh:nn", false}, PatternCase{"@@@", false}, PatternCase{"abc", false},
                      PatternCase{"\"x", false}, PatternCase{"0;0;0;0;0", false},
                      PatternCase{"Short Date", false}, PatternCase{"0.0 µg/m³", false}));

TEST_F(ResultsFixture, theColumnItemsFollowTheTableOrderAndThePercentileModes) {
    s.HideColDCRun8 = true;
    std::vector<std::string> texts;
    std::vector<bool> shown;
    for (const ColumnChoice &item : columnChoices(s)) {
        texts.push_back(item.text);
        shown.push_back(item.shown);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Average", "Maximum", "19th highest", "Data capture", "Maximum",
                                        "Data capture", "Maximum", "36th highest", "Data capture"}));
    EXPECT_EQ(shown, (std::vector<bool>{true, true, true, true, true, false, true, true, true}));
    s.PercMode = 1;
    EXPECT_EQ(columnChoices(s)[2].text, "99.8 percentile");
    EXPECT_EQ(columnChoices(s)[7].text, "36th highest");
}

TEST_F(ResultsFixture, uncheckedItemsHideExactlyTheirOwnColumns) {
    applyColumnChoices(s, {true, false, true, true, true, true, true, false, false});
    EXPECT_TRUE(s.HideColMaxHourly);
    EXPECT_FALSE(s.HideColPercHourly[1]);
    EXPECT_TRUE(s.HideColPercDaily[1]);
    EXPECT_TRUE(s.HideColDCDaily);
    EXPECT_FALSE(s.HideColMaxRun8);
    EXPECT_FALSE(s.HideColMaxDaily);
    applyColumnChoices(s, std::vector<bool>(9, true));
    EXPECT_FALSE(s.HideColMaxHourly);
    EXPECT_FALSE(s.HideColDCDaily);
}

TEST_F(ResultsFixture, withoutRunning8HourPercentilesTheLaterItemsMoveUp) {
    ASSERT_EQ(s.NumPercRun8, 0);
    applyColumnChoices(s, {true, true, true, true, true, true, false});
    EXPECT_TRUE(s.HideColMaxDaily)
        << "item 6 is the daily maximum when the running 8-hour family has no percentile";
}

TEST(ResultsPrintPlan, aNarrowTableIsCentredAtItsNaturalSize) {
    const TablePlacement p = placeTable(10000, 8000);
    EXPECT_DOUBLE_EQ(p.left, 1000);
    EXPECT_DOUBLE_EQ(p.scale, 1);
}

TEST(ResultsPrintPlan, aWideTableStartsAtSevenAndAHalfPercentAndShrinksTo85PercentOfTheSheet) {
    const TablePlacement p = placeTable(10000, 17000);
    EXPECT_DOUBLE_EQ(p.left, 750);
    EXPECT_DOUBLE_EQ(p.scale, 0.5);
}

TEST(ResultsPrintPlan, thePageRangeIsClippedToTheLastPageAndAnInvertedRangePrintsNothing) {
    EXPECT_EQ(pagesToPrint(false, 0, 0, 2), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(pagesToPrint(true, 1, 9, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(pagesToPrint(true, 2, 1, 2), std::vector<int>{});
}

TEST(ResultsPrintPlan, theOpeningTellsTheFileTheKeyInformationAndTheCommentsOrTheirAbsence) {
    const auto blocks = printOpeningBlocks("run.res", "line 1\r\nline 2", " \r\n");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], (std::vector<std::string>{"run.res", "", "line 1", "line 2"}));
    EXPECT_EQ(blocks[1], std::vector<std::string>{"No User Comments"});
    EXPECT_EQ(printOpeningBlocks("x", "", "Checked\r\n")[1],
              (std::vector<std::string>{"User Comments:", "", "Checked"}));
    EXPECT_EQ(printPageTitle("Receptor 1; z = 2 m"), (std::vector<std::string>{"Receptor 1", "z = 2 m"}));
}
